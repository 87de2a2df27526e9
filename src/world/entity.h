#pragma once
// Everything that stands on a floor or lies in the player's pack: the player, guards,
// unconscious guards, items, equipment, the stairs and the exit. What an entity can do follows
// only from the components it carries.

#include <cstddef>
#include <list>
#include <string>
#include <string_view>

#include "core/types.h"

// A knocked-out guard's name is its old one behind this prefix.
constexpr std::string_view UNCONSCIOUS_NAME_PREFIX = "Unconscious ";
// The longest name a saved game may hold; real names have at most 30 bytes.
constexpr std::size_t MAX_NAME_BYTES = 256;

class RKMap;
class RKFighter;
class RKBasicEnemy;
class RKItem;
class RKEquipment;
class RKEquippable;

class RKEntity {
 public:
  bool blocks = false;   // blocks movement (the player, conscious guards)
  bool visible = false;  // stays drawn on an explored cell out of view (items, stairs, player)
  int x = 0;
  int y = 0;
  int order = 0;  // sort key while a saved inventory is read back; 0 otherwise
  unsigned char appearance = ' ';
  std::string name;  // canonical English name: the key of the localized display name
  RKColors color = Black;
  RKMap* map = nullptr;  // not owned

  // Owned components; each may be absent.
  RKFighter* fighter = nullptr;
  RKBasicEnemy* ai = nullptr;  // may hold a confused behaviour wrapping the normal one
  RKItem* item = nullptr;
  RKEquipment* equipment = nullptr;
  RKEquippable* equippable = nullptr;

  RKEntity() = default;
  ~RKEntity();
  RKEntity(const RKEntity&) = delete;
  RKEntity& operator=(const RKEntity&) = delete;

  // Stores everything and takes ownership of the given components, setting their owner.
  // An equippable without an item gets an item without a use function, so that equipment can
  // always be picked up, dropped and chosen from the inventory.
  void Init(int newX, int newY, unsigned char newAppearance, const std::string& newName,
            RKColors newColor, RKMap* newMap, bool newBlocks, bool newVisible,
            RKFighter* newFighter, RKBasicEnemy* newAI, RKItem* newItem, RKEquipment* newEquipment,
            RKEquippable* newEquippable);

  // Steps by (dx, dy) unless the target is outside the map or blocked; carries the tile's
  // occupancy mark along.
  void Move(int dx, int dy);
  // One step toward the target, each axis truncated toward zero: only a target in the same
  // row or column yields a step. Never call it with the target on this entity's cell.
  void MoveTorwards(const RKEntity* target);
  float Distance(int toX, int toY) const;
  float DistanceTo(const RKEntity* other) const;
  // Destroys the fighter, behaviour and item components; equipment and equippable stay.
  void RemoveComponents();
  // Moves this entity to the front of the list (drawn beneath everything on its cell), leaving
  // it listed exactly once.
  void SendToBack(std::list<RKEntity*>& list);
  void SetEquipment(RKEquipment* newEquipment);
  void SetEquippable(RKEquippable* newEquippable);
  // The name as the player reads it, in the current language.
  std::string GetDisplayName() const;
};

// Destroys every entity of the list, from the back, and empties it: what whoever removes
// entities from their list for good does.
void DeleteEntities(std::list<RKEntity*>& list);

// Ends the game being played: every entity on the floor and in the pack is destroyed, and so is
// the floor, and nothing of that game is left for the next one (no player, no pack messages, no
// move of the last turn). The tables a game runs on (death and use functions) stay.
void EndGame();
