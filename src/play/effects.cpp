#include "play/effects.h"

#include <optional>
#include <string>
#include <vector>

#include "app/frames.h"
#include "app/globals.h"
#include "app/window.h"
#include "core/globals.h"
#include "core/message.h"
#include "dungeon/map.h"
#include "input/globals.h"
#include "input/input.h"
#include "localization/localization.h"
#include "ui/font.h"
#include "ui/render.h"
#include "world/confusedenemy.h"
#include "world/entity.h"
#include "world/fighter.h"

namespace {

// What each usable item does: hit points healed or dealt, reach in tiles, turns of confusion.
constexpr int HEAL_AMOUNT = 40;
constexpr int TRANQUILIZER_DAMAGE = 40, TRANQUILIZER_RANGE = 5;
constexpr int STUN_DAMAGE = 25, STUN_RANGE = 3;  // the blast reaches as far as the throw
constexpr int PEPPER_TURNS = 10;

constexpr int MAP_PIXEL_WIDTH = MAP_WIDTH * GLYPH_SIZE;
constexpr int MAP_PIXEL_HEIGHT = MAP_HEIGHT * GLYPH_SIZE;

bool InView(int x, int y) {
  if (!InsideMap(x, y) || theMap == nullptr) {
    return false;
  }
  std::size_t index = static_cast<std::size_t>(CellIndex(x, y));
  return index < theMap->fov.size() && theMap->fov[index];
}

bool IsEnemy(const RKEntity* entity) { return entity != player && entity->fighter != nullptr; }

void Post(const std::string& text) { message->SetMessage(text, false); }

// Shows an aim's prompt; returns how many lines the log had before it, for WithdrawPrompt.
std::size_t PostPrompt(const std::string& key) {
  const std::size_t before = message->messages.size();
  Post(PromptText(key));
  return before;
}

// An abandoned aim (cancelled, or the window closed) takes its prompt back out of the log, so
// that neither the screen nor a save goes on asking for a target.
void WithdrawPrompt(std::size_t linesBefore) {
  while (message->messages.size() > linesBefore) {
    message->messages.pop_front();
  }
}

// The tile under a left click at pixel (x, y), when it is one the player may aim at.
std::optional<std::pair<int, int>> AimedTile(int x, int y, int range) {
  // Division truncates toward zero, so the seven pixels left of and above the map still
  // count as its first column and row.
  if (x < -(GLYPH_SIZE - 1) || x >= MAP_PIXEL_WIDTH || y < -(GLYPH_SIZE - 1) ||
      y >= MAP_PIXEL_HEIGHT) {
    return std::nullopt;
  }
  int tileX = x / GLYPH_SIZE;
  int tileY = y / GLYPH_SIZE;
  if (!InView(tileX, tileY)) {
    return std::nullopt;
  }
  if (range != -1 && player->Distance(tileX, tileY) > static_cast<float>(range)) {
    return std::nullopt;
  }
  return std::pair{tileX, tileY};
}

// One cell in the direction, on the map: the cursor goes to the cell's top left pixel, where
// the frame draws it over the cell.
void MoveAimCursor(RKAction direction) {
  int x = mousePos.x / GLYPH_SIZE;
  int y = mousePos.y / GLYPH_SIZE;
  x += direction == RKAction::Left ? -1 : direction == RKAction::Right ? 1 : 0;
  y += direction == RKAction::Up ? -1 : direction == RKAction::Down ? 1 : 0;
  if (InsideMap(x, y)) {
    PlaceMouse(x * GLYPH_SIZE, y * GLYPH_SIZE);
  }
}

// A pad aims with a cursor that starts on the player and moves a cell a press; it is the
// mouse's own cursor, so that a click and the pad can take turns.
void StartAim() {
  if (lastDevice == RKDevice::Pad) {
    PlaceMouse(player->x * GLYPH_SIZE, player->y * GLYPH_SIZE);
  }
}

// Waits until the player picks a tile in view within range (-1: any range) with a click or the
// pad's confirm, and returns it; {-1, -1} when the aim is cancelled or the window closes.
std::pair<int, int> AimAt(int range) {
  const std::pair<int, int> cancelled{-1, -1};
  RKInput input;
  for (;;) {
    Render();
    // Nothing moves while the player aims: the picture changes only with an event.
    if (!NextInput(input, RKInputContext::Aim, NO_TIME_LIMIT)) {
      continue;
    }
    do {
      switch (input.action) {
        case RKAction::Close:  // closing the window ends the game, not just the aim
        case RKAction::Cancel:
          return cancelled;
        case RKAction::PickTile:
        case RKAction::Confirm:
          if (auto tile = AimedTile(mousePos.x, mousePos.y, range)) {
            return *tile;
          }
          break;
        case RKAction::Up:
        case RKAction::Down:
        case RKAction::Left:
        case RKAction::Right:
          MoveAimCursor(input.action);
          break;
        default:
          break;
      }
    } while (NextInput(input, RKInputContext::Aim, 0));
  }
}

}  // namespace

std::pair<int, int> TargetTile(int range) {
  StartAim();
  return AimAt(range);
}

RKEntity* TargetEnemy(int range) {
  StartAim();
  for (;;) {
    auto [x, y] = AimAt(range);
    if (x == -1 && y == -1) {
      return nullptr;
    }
    // The entity drawn on top is the one the player sees and means.
    for (auto it = entities.rbegin(); it != entities.rend(); ++it) {
      if (IsEnemy(*it) && (*it)->x == x && (*it)->y == y) {
        return *it;
      }
    }
  }
}

RKEntity* ClosestEnemy(int range) {
  int best = range + 1;
  RKEntity* candidate = nullptr;
  for (entityIterator = entities.begin(); entityIterator != entities.end(); ++entityIterator) {
    RKEntity* entity = *entityIterator;
    if (!InView(entity->x, entity->y) || !IsEnemy(entity)) {
      continue;
    }
    int distance = static_cast<int>(player->DistanceTo(entity));
    // Strictly nearer only: of two at the same distance the earlier one stays.
    if (distance < best) {
      best = distance;
      candidate = entity;
    }
  }
  return candidate;
}

RKItemActions UseFirstAidKit(RKEntity* user) {
  RKFighter* fighter = user->fighter;
  // Hit points above the maximum (a saved game may hold them) count as full as well: healing
  // would cap them down and use up the kit for nothing.
  if (fighter == nullptr || fighter->hp >= fighter->GetMaxHP(false)) {
    Post(gLocalization->T("message.fullHealth"));
    return Cancelled;
  }
  Post(gLocalization->T("message.heal"));
  fighter->Heal(HEAL_AMOUNT);
  return Used;
}

RKItemActions UseTranquilizerGun(RKEntity*) {
  RKEntity* target = ClosestEnemy(TRANQUILIZER_RANGE);
  if (target == nullptr) {
    Post(gLocalization->T("message.noTranquilizerTarget"));
    return Cancelled;
  }
  Post(gLocalization->TFormat("message.tranquilizerHit",
                              {target->GetDisplayName(), std::to_string(TRANQUILIZER_DAMAGE)}));
  target->fighter->TakeDamage(TRANQUILIZER_DAMAGE);
  return Used;
}

RKItemActions UseStunGrenade(RKEntity*) {
  const std::size_t linesBefore = PostPrompt("message.stunPrompt");
  auto [x, y] = TargetTile(STUN_RANGE);
  if (x == -1 && y == -1) {
    WithdrawPrompt(linesBefore);
    return Cancelled;
  }
  Post(gLocalization->TFormat("message.stunExplode", {std::to_string(STUN_RANGE)}));
  // A guard knocked out by the blast moves to the front of entities; choosing every victim
  // first keeps each one hit exactly once.
  std::vector<RKEntity*> victims;
  for (auto it = entities.rbegin(); it != entities.rend(); ++it) {
    if (IsEnemy(*it) && (*it)->Distance(x, y) <= static_cast<float>(STUN_RANGE)) {
      victims.push_back(*it);
    }
  }
  for (RKEntity* victim : victims) {
    Post(gLocalization->TFormat("message.stunHit",
                                {victim->GetDisplayName(), std::to_string(STUN_DAMAGE)}));
    victim->fighter->TakeDamage(STUN_DAMAGE);
  }
  return Used;
}

RKItemActions UsePepperSpray(RKEntity*) {
  const std::size_t linesBefore = PostPrompt("message.pepperPrompt");
  RKEntity* target = TargetEnemy(-1);
  if (target == nullptr) {
    WithdrawPrompt(linesBefore);
    return Cancelled;
  }
  RKConfusedEnemy* confused = new RKConfusedEnemy;
  confused->Init(target->ai, PEPPER_TURNS);
  target->ai = confused;
  confused->owner = target;
  Post(gLocalization->TFormat("message.pepperHit", {target->GetDisplayName()}));
  return Used;
}

UseFunction UseFunctionFor(RKUseEffect effect) {
  switch (effect) {
    case RKUseEffect::None:
      return nullptr;
    case RKUseEffect::FirstAidKit:
      return UseFirstAidKit;
    case RKUseEffect::TranquilizerGun:
      return UseTranquilizerGun;
    case RKUseEffect::StunGrenade:
      return UseStunGrenade;
    case RKUseEffect::PepperSpray:
      return UsePepperSpray;
  }
  return nullptr;
}
