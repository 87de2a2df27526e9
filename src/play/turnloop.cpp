#include "play/turnloop.h"

#include "app/frames.h"
#include "app/globals.h"
#include "app/window.h"
#include "core/globals.h"
#include "core/message.h"
#include "dungeon/map.h"
#include "localization/localization.h"
#include "music/music.h"
#include "persistence/globals.h"
#include "play/commands.h"
#include "play/effects.h"
#include "play/progression.h"
#include "ui/globals.h"
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

// One event of the frame: Escape and F2 belong to the loop itself, every other key to the
// first action bound to it.
void TakeEvent(SDL_Event& taken) {
  switch (taken.type) {
    case SDL_EVENT_QUIT:
      quitRequested = true;
      break;
    case SDL_EVENT_KEY_DOWN: {
      // A held key moves the player once, not once per repeat.
      if (taken.key.repeat) {
        break;
      }
      SDL_Scancode scancode = taken.key.scancode;
      if (scancode == SDL_SCANCODE_ESCAPE) {
        playerAction = SaveAndExit;
      } else if (scancode == SDL_SCANCODE_F2) {
        ToggleRelativeMouse();
      } else {
        for (auto& [action, binding] : keyboard) {
          // No key (what the settings reader makes of a value no key has) is not a key SDL
          // cannot name (media keys report scancode 0 as well): it never matches.
          if (binding.first != SDL_SCANCODE_UNKNOWN && binding.first == scancode) {
            binding.second = true;
            break;
          }
        }
      }
      break;
    }
    case SDL_EVENT_MOUSE_MOTION:
    case SDL_EVENT_MOUSE_BUTTON_DOWN:
      TrackMouse(taken);
      break;
    default:
      break;
  }
}

// Takes the frame's events. A frame that follows a still one first waits up to waitMs for
// an event (0: not at all) and then starts its full period from that moment.
void TakeEvents(int waitMs) {
  if (waitMs != 0) {
    const bool came = NextEvent(event, waitMs);
    RestartFrameDeadline();
    if (came) {
      TakeEvent(event);
    }
  }
  while (NextEvent(event, 0)) {
    TakeEvent(event);
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
  quitRequested = false;
  if (SaveGameOrShowFailure() || quitRequested) {
    quitRequested = quitRequested || closing;
    gameOver = true;
    return true;
  }
  closeFailedToSave = closeFailedToSave || closing;
  return false;
}

}  // namespace

bool NewGame() {
  EndGame();
  option.clear();
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
    for (auto& [action, binding] : keyboard) {
      binding.second = false;
    }
    TakeEvents(waitMs);
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

    HandleKeys();
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

void HandleKeys() {
  playerAction = TurnTaken;
  if (gameState != Playing) {
    return;
  }
  playerAction = NoTurn;
  // After a close request no further command may open a box that waits for a key.
  for (int action = ActionMoveUp; action <= ActionInventory && !quitRequested; ++action) {
    ExecuteKeyAction(static_cast<RKActionTypes>(action));
  }
}

void ExecuteKeyAction(RKActionTypes action) {
  auto binding = keyboard.find(action);
  if (binding == keyboard.end() || !binding->second.second) {
    return;
  }
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
  binding->second.second = false;
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
