#pragma once
// What the usable items do, and the targeting they need.

#include <utility>

#include "core/types.h"
#include "world/kinds.h"

class RKEntity;

// Each returns Cancelled when nothing happened, so that the item stays in the inventory.
RKItemActions UseFirstAidKit(RKEntity* user);
RKItemActions UseTranquilizerGun(RKEntity* user);
RKItemActions UseStunGrenade(RKEntity* user);
RKItemActions UsePepperSpray(RKEntity* user);
// The function of a use effect of the kinds table; null for none.
UseFunction UseFunctionFor(RKUseEffect effect);

// Lets the player click a tile in view, at most range away (-1 for any distance). Returns the
// tile, or (-1, -1) when the right button, Escape or a window close cancelled the aim.
std::pair<int, int> TargetTile(int range);
// Lets the player click an enemy in view, at most range away (-1 for any distance); null when
// cancelled. Clicks on tiles without an enemy are ignored.
RKEntity* TargetEnemy(int range);
// The nearest enemy in view whose distance, truncated, is at most range; null when none. Of
// two at the same distance the one nearer the front of entities wins.
RKEntity* ClosestEnemy(int range);
