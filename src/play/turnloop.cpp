#include "play/turnloop.h"

#include "app/frames.h"
#include "app/globals.h"
#include "core/globals.h"
#include "core/message.h"
#include "dungeon/map.h"
#include "input/globals.h"
#include "input/input.h"
#include "localization/localization.h"
#include "music/music.h"
#include "persistence/globals.h"
#include "play/commands.h"
#include "play/effects.h"
#include "play/progression.h"
#include "ui/render.h"
#include "ui/savefailure.h"
#include "world/basicenemy.h"
#include "world/entity.h"
#include "world/equipment.h"
#include "world/fighter.h"
#include "world/kinds.h"

namespace {

struct RKMoveCommand {
  RKActionTypes action;
  int dx, dy;
};

// action            dx  dy
const RKMoveCommand MOVE_COMMANDS[] = {
    {ActionMoveUp, 0, -1},
    {ActionMoveDown, 0, 1},
    {ActionMoveLeft, -1, 0},
    {ActionMoveRight, 1, 0},
};

// One input of the frame: a command is served in the frame's command step, Escape leaves.
// The close request and F2 the input layer has handled.
void TakeInput(const RKInput& input, RKFrameCommands& commands) {
  if (IsCommand(input.action)) {
    commands.pressed[CommandOf(input.action)] = true;
  } else if (input.action == RKAction::ActOnCell) {
    commands.actOnCell = true;
  } else if (input.action == RKAction::Leave) {
    playerAction = SaveAndExit;
  }
}

// Takes the frame's inputs. A frame that follows a still one first waits up to waitMs for
// an event (0: not at all) and then starts its full period from that moment.
void TakeInputs(int waitMs, RKFrameCommands& commands) {
  RKInput input;
  if (waitMs != 0) {
    const bool came = NextInput(input, RKInputContext::Play, waitMs);
    RestartFrameDeadline();
    if (came) {
      TakeInput(input, commands);
    }
  }
  while (NextInput(input, RKInputContext::Play, 0)) {
    TakeInput(input, commands);
  }
}

// Every guard acts once; the walk goes on after one of them defeats the player.
void EnemyStep() {
  for (entityIterator = entities.begin(); entityIterator != entities.end(); ++entityIterator) {
    RKEntity* entity = *entityIterator;
    if (entity->ai != nullptr) {
      entity->ai->TakeTurn(player, message);
    }
  }
}

// Escape or a close request: the game is saved and left (a close then ends the program).
// True when the game ends; false when the save failed, the player was told so, and play goes
// on. A close whose save failed before ends the game anyway, trying the save once more
// without a word, so the player can always get out.
bool SaveAndLeave(bool& closeFailedToSave) {
  const bool closing = quitRequested;
  if (closing && closeFailedToSave) {
    SaveGameOrReport();
    gameOver = true;
    return true;
  }
  // A close while the failure is shown is taken as the second one.
  WithdrawCloseRequest();
  if (SaveGameOrShowFailure() || quitRequested) {
    if (closing) {
      RequestClose();
    }
    gameOver = true;
    return true;
  }
  closeFailedToSave = closeFailedToSave || closing;
  return false;
}

}  // namespace

bool NewGame() {
  EndGame();
  theMap = new RKMap;

  player = NewEntity(KindOf(RKKindId::Player), 0, 0, theMap, PlayerDeath);
  entities.push_back(player);

  RKEntity* baton = NewEntity(KindOf(RKKindId::Baton), 0, 0, theMap);
  inventory.push_back(baton);
  player->equipment->ToggleEquip(baton);

  FillRegistries();
  theMap->CreateMap(theMap->currentFloor, player, entities, funcVec, useFuncVec, true);

  gameState = Playing;
  playerAction = TurnTaken;
  message->messages.clear();
  message->SetMessage(gLocalization->T("message.objective"), false);
  gameOver = false;
  return true;
}

void FillRegistries() {
  funcVec = {EnemyDeath};
  useFuncVec.clear();
  for (RKUseEffect effect : UseEffectsInOrder()) useFuncVec.push_back(UseFunctionFor(effect));
}

void RunGame() {
  RestartFrameDeadline();
  bool closeFailedToSave = false;
  // Nothing on a floor moves by itself: after a frame the picture stays as it is until an
  // event comes, and only the music has its own time. The next frame waits for either.
  int waitMs = 0;
  while (!gameOver) {
    RKFrameCommands commands;
    TakeInputs(waitMs, commands);
    waitMs = 0;  // a frame cut short goes on at once
    if (musicEnabled) {
      AdvanceMusic();
    }
    if (playerAction == SaveAndExit || quitRequested) {
      if (SaveAndLeave(closeFailedToSave)) {
        break;
      }
      // Not saved: the box has told the player why, and the game goes on as it was, so that
      // leaving can be tried again.
      playerAction = NoTurn;
      RestartFrameDeadline();
      continue;
    }

    HandleKeys(commands);
    // Leaving through the exit keeps the save of before the win.
    if (playerAction == ExitWithoutSaving) {
      gameOver = true;
      break;
    }
    // A close during an aim or a box opened by a command abandons it; the next frame's start
    // saves the game.
    if (quitRequested) {
      continue;
    }

    if (gameState == Playing && playerAction != NoTurn) {
      EnemyStep();
    }
    Render();
    // The level-up menu took real time: give the next frame a full period again.
    if (CheckLevelUp()) {
      RestartFrameDeadline();
    }
    FinishFrame();
    playerMovedOrAttacked = false;
    waitMs = MusicWaitMs();
  }
  gameState = InMenus;
}

void HandleKeys(const RKFrameCommands& commands) {
  playerAction = TurnTaken;
  if (gameState != Playing) {
    return;
  }
  playerAction = NoTurn;
  // After a close request no further command may open a box that waits for a key.
  for (int action = ActionMoveUp; action <= ActionInventory && !quitRequested; ++action) {
    if (commands.pressed[action]) {
      ExecuteKeyAction(static_cast<RKActionTypes>(action));
    }
    // A pad's one button for the cell: what lies there is taken first, then the stairs.
    if (action == ActionTake && commands.actOnCell && !quitRequested && !TakeCommand()) {
      UseStairsCommand();
    }
  }
}

void ExecuteKeyAction(RKActionTypes action) {
  switch (action) {
    case ActionMoveUp:
    case ActionMoveDown:
    case ActionMoveLeft:
    case ActionMoveRight:
      for (const RKMoveCommand& move : MOVE_COMMANDS) {
        if (move.action == action) {
          PlayerMoveOrAttack(move.dx, move.dy);
        }
      }
      playerAction = TurnTaken;
      break;
    case ActionTake:
      TakeCommand();
      break;
    case ActionUse:
      UseStairsCommand();
      break;
    case ActionDrop:
      DropCommand();
      break;
    case ActionCharacterInfo:
      CharacterInfoCommand();
      break;
    case ActionInventory:
      InventoryCommand();
      break;
  }
}

void PlayerMoveOrAttack(int dx, int dy) {
  int targetX = player->x + dx;
  int targetY = player->y + dy;
  RKEntity* target = nullptr;
  for (entityIterator = entities.begin(); entityIterator != entities.end(); ++entityIterator) {
    RKEntity* entity = *entityIterator;
    if (entity->fighter != nullptr && entity->x == targetX && entity->y == targetY) {
      target = entity;
      break;
    }
  }
  if (target != nullptr) {
    player->fighter->Attack(target, message);
  } else {
    player->Move(dx, dy);
  }
  playerMovedOrAttacked = true;
}
