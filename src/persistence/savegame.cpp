#include "persistence/savegame.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <list>
#include <utility>
#include <vector>

#include "app/frames.h"
#include "core/globals.h"
#include "core/message.h"
#include "cson/cson.h"
#include "dungeon/map.h"
#include "localization/localization.h"
#include "persistence/settings.h"
#include "world/basicenemy.h"
#include "world/entity.h"
#include "world/equipment.h"
#include "world/fighter.h"
#include "world/item.h"
#include "world/kinds.h"
#include "world/tile.h"

using zokCSON::Value;

RKLoadEntries loadEntries;

namespace {

constexpr std::size_t SAVED_LOG_LINES = 6;

// ---- Writing ---------------------------------------------------------------------------------

void WriteEntityKeys(const RKEntity& entity, Value& object) {
  object["X"] = Value(entity.x);
  object["Y"] = Value(entity.y);
  object["Appearance"] = Value(static_cast<int>(entity.appearance));
  object["Color"] = Value(static_cast<int>(entity.color));
  object["Name"] = Value(entity.name);
  object["Blocks"] = Value(entity.blocks);
  object["Visible"] = Value(entity.visible);
  object["Equippable"] = Value(entity.equippable != nullptr);
  if (entity.equippable != nullptr) {
    object["Slot"] = Value(static_cast<double>(entity.equippable->slot));
    object["PowerBonus"] = Value(entity.equippable->powerBonus);
    object["DefenseBonus"] = Value(entity.equippable->defenseBonus);
    object["MaxHPBonus"] = Value(entity.equippable->maxHPBonus);
  }
}

Value WriteMap() {
  // "b" keeps walls only: a cell is blocked under the player and conscious guards too, and the
  // loader marks those again from the entities themselves.
  std::vector<bool> occupied(MAP_CELLS, false);
  for (const RKEntity* entity : entities) {
    if (InsideMap(entity->x, entity->y)) {
      occupied[CellIndex(entity->x, entity->y)] = true;
    }
  }
  Value cells = Value::MakeArray();
  for (int index = 0; index < MAP_CELLS; ++index) {
    const RKTile* tile = theMap->tiles[index];
    Value cell = Value::MakeObject();
    cell["b"] = Value(tile->blocked && !occupied[index] ? 1 : 0);
    cell["bs"] = Value(tile->blockSight ? 1 : 0);
    cell["e"] = Value(tile->explored ? 1 : 0);
    cells.Append(std::move(cell));
  }
  return cells;
}

Value WriteEntities() {
  Value list = Value::MakeArray();
  for (const RKEntity* entity : entities) {
    Value object = Value::MakeObject();
    WriteEntityKeys(*entity, object);
    object["Fighter"] = Value(entity->fighter != nullptr);
    if (entity->fighter != nullptr) {
      const RKFighter& fighter = *entity->fighter;
      object["MaxHP"] = Value(fighter.GetMaxHP(true));
      object["HP"] = Value(fighter.hp);
      object["Defense"] = Value(fighter.GetDefense(true));
      object["Power"] = Value(fighter.GetPower(true));
      object["Level"] = Value(fighter.level);
      object["XP"] = Value(fighter.xp);
    }
    list.Append(std::move(object));
  }
  return list;
}

bool IsWorn(const RKEntity* piece) {
  const RKEquipment* worn = player != nullptr ? player->equipment : nullptr;
  return worn != nullptr && (worn->mainHand == piece || worn->offHand == piece);
}

Value WriteInventory() {
  Value list = Value::MakeArray();
  int order = 1;
  for (const RKEntity* entity : inventory) {
    Value object = Value::MakeObject();
    object["Order"] = Value(order++);
    WriteEntityKeys(*entity, object);
    if (entity->equippable != nullptr) {
      object["Worn"] = Value(IsWorn(entity));
    }
    list.Append(std::move(object));
  }
  return list;
}

// The newest lines of the log, oldest first, so that "Order" grows towards the newest line.
Value WriteMessages(std::size_t& count) {
  std::vector<const std::string*> newest;
  if (message != nullptr) {
    for (const std::string& line : message->messages) {
      if (newest.size() == SAVED_LOG_LINES) {
        break;
      }
      newest.push_back(&line);
    }
  }
  count = newest.size();
  Value list = Value::MakeArray();
  int order = 0;
  for (auto line = newest.rbegin(); line != newest.rend(); ++line) {
    Value object = Value::MakeObject();
    object["Order"] = Value(order++);
    object["Message"] = Value(EscapeSaveMessage(**line));
    list.Append(std::move(object));
  }
  return list;
}

// ---- Reading ---------------------------------------------------------------------------------

// Bounds that every game the program writes stays far inside; a file beyond them was made by
// something else, and drawing or looking up what it holds could cost a frame seconds.
// A generated floor holds at most 30 rooms of 5 guards and 2 items, with its stairs.
constexpr std::size_t MAX_ENTITIES = 1000;
constexpr std::size_t MAX_LOG_LINE_BYTES = 1024;  // the log wraps its lines at 58 columns

// Records why the file is refused and returns false, so that a check reads
// `return Refuse(why, ...)`.
bool Refuse(std::string& why, std::string reason) {
  why = std::move(reason);
  return false;
}

std::string Quoted(const char* key) { return std::string("\"") + key + "\""; }

// Tile flags are written as 0 and 1; only true and a number that truncates to 1 mean set.
bool ReadTileFlag(const Value& object, const char* key) {
  const Value* value = object.Find(key);
  if (value == nullptr) {
    return false;
  }
  if (value->IsBool()) {
    return value->AsBool();
  }
  return value->IsNumber() && FileNumberToInt(value->AsNumber()) == 1;
}

// Entity flags: a boolean, or a number that is not zero (NaN included).
bool ReadEntityFlag(const Value& object, const char* key) {
  const Value* value = object.Find(key);
  if (value == nullptr) {
    return false;
  }
  if (value->IsBool()) {
    return value->AsBool();
  }
  return value->IsNumber() && value->AsNumber() != 0.0;
}

bool ReadInt(const Value& object, const char* key, int& out) {
  const Value* value = object.Find(key);
  if (value == nullptr || !value->IsNumber()) {
    return false;
  }
  out = FileNumberToInt(value->AsNumber());
  return true;
}

// Fighter statistics and equipment bonuses far beyond anything play produces would overflow
// the sums of combat and levelling; such a file is refused rather than played.
bool IsPlausibleStat(int value) {
  return value >= -FIGHTER_STAT_LIMIT && value <= FIGHTER_STAT_LIMIT;
}

// The stored fields of a fighter, each with its absolute setter.
struct RKFighterField {
  const char* key;
  void (RKFighter::*set)(int value, bool absolute);
};
const RKFighterField FIGHTER_FIELDS[] = {
    {"MaxHP", &RKFighter::SetMaxHP},     {"HP", &RKFighter::SetHP},
    {"Defense", &RKFighter::SetDefense}, {"Power", &RKFighter::SetPower},
    {"Level", &RKFighter::SetLevel},     {"XP", &RKFighter::SetXP},
};

// "Order" of inventory items and log lines: negative counts as 0, a boolean as 0 or 1.
int ReadOrder(const Value& object) {
  const Value* value = object.Find("Order");
  if (value == nullptr) {
    return 0;
  }
  if (value->IsBool()) {
    return value->AsBool() ? 1 : 0;
  }
  if (value->IsNumber()) {
    return std::max(0, FileNumberToInt(value->AsNumber()));
  }
  return 0;
}

// The objects of a list; other elements are skipped by every reader.
std::size_t CountObjects(const Value::Array& list) {
  return static_cast<std::size_t>(
      std::count_if(list.begin(), list.end(), [](const Value& v) { return v.IsObject(); }));
}

// The row of the table an entity of that name belongs to, or null for a name no kind has. A
// knocked-out guard keeps its row's name behind the prefix and has become a fixture.
const RKKind* KindOfName(const std::string& name, bool& knockedOut) {
  knockedOut = false;
  if (const RKKind* kind = FindKind(name)) {
    return kind;
  }
  const std::string_view prefix = UNCONSCIOUS_NAME_PREFIX;
  if (name.starts_with(prefix)) {
    const RKKind* kind = FindKind(name.substr(prefix.size()));
    if (kind != nullptr && kind->role == RKKindRole::Guard) {
      knockedOut = true;
      return kind;
    }
  }
  return nullptr;
}

std::string SlotName(int slot) {
  return slot == MainHand ? "the main hand"
                          : (slot == OffHand ? "the off hand" : "slot " + std::to_string(slot));
}

// What the file says of an entity's parts must be what its kind is made of: a fighter only for
// the player and the guards, a piece to wear only for equipment and only in its kind's slot, no
// part at all for what lies knocked out. `inPack` asks for an item as well.
bool CheckKindParts(const Value& object, const RKEntity& entity, bool inPack,
                    const std::string& what, std::string& why) {
  bool knockedOut = false;
  const RKKind* kind = KindOfName(entity.name, knockedOut);
  const std::string called = what + " (\"" + entity.name + "\")";
  if (kind == nullptr) {
    return Refuse(why, called + " is of no kind the game knows");
  }
  const RKKindRole role = knockedOut ? RKKindRole::Fixture : kind->role;
  if (inPack && role != RKKindRole::Usable && role != RKKindRole::Equipment) {
    return Refuse(why, called + " is no item and cannot be carried");
  }
  const bool fights = role == RKKindRole::Player || role == RKKindRole::Guard;
  if (!inPack && ReadEntityFlag(object, "Fighter") != fights && role != RKKindRole::Player) {
    // The player's missing fighter has its own reason once the floor has been read.
    return Refuse(why, called + (fights ? " must fight and has no fighter"
                                        : " cannot fight and has a fighter"));
  }
  const bool worn = role == RKKindRole::Equipment;
  if (ReadEntityFlag(object, "Equippable") != worn) {
    return Refuse(why, called + (worn ? " must be wearable and is not" : " cannot be worn"));
  }
  int slot = 0;
  ReadInt(object, "Slot", slot);
  if (worn && slot != static_cast<int>(kind->worn.slot)) {
    return Refuse(
        why, called + " is worn in " + SlotName(slot) + ", only in " + SlotName(kind->worn.slot));
  }
  return true;
}

// Stairs lead to a floor that exists: none up from the top floor, none down from the first.
bool CheckStairs(const RKEntity& entity, int floor, const std::string& what, std::string& why) {
  if (entity.name != KindOf(RKKindId::StairsUp).name) {
    return true;
  }
  const bool down = entity.appearance == KindOf(RKKindId::StairsDown).glyph;
  if (!down && floor >= TOP_FLOOR) {
    return Refuse(why, what + " leads up from the top floor");
  }
  if (down && floor <= 1) {
    return Refuse(why, what + " leads down from the first floor");
  }
  return true;
}

// The player's statistics start at the kind's and each level after the first raised one of
// them once: the maximum by the vitality gain, or power or defence by 1. Guards never level.
bool CheckFighterKind(const RKEntity& entity, const std::string& what, std::string& why) {
  bool knockedOut = false;
  const RKKind* kind = KindOfName(entity.name, knockedOut);
  const RKFighter& fighter = *entity.fighter;
  const RKFighterNumbers& base = kind->fighter;
  if (kind->role == RKKindRole::Guard) {
    if (fighter.GetMaxHP(true) != base.hp || fighter.GetDefense(true) != base.defense ||
        fighter.GetPower(true) != base.power || fighter.level != base.level ||
        fighter.xp != base.xp) {
      return Refuse(why, what + " has statistics unlike every " + kind->name);
    }
    return true;
  }
  if (fighter.level < base.level) {
    return Refuse(why, what + " is at level " + std::to_string(fighter.level) + ", at least " +
                           std::to_string(base.level));
  }
  if (fighter.xp < 0) {
    return Refuse(why, what + " has " + std::to_string(fighter.xp) + " experience, below 0");
  }
  const long long hpGain = static_cast<long long>(fighter.GetMaxHP(true)) - base.hp;
  const long long powerGain = static_cast<long long>(fighter.GetPower(true)) - base.power;
  const long long defenseGain = static_cast<long long>(fighter.GetDefense(true)) - base.defense;
  const long long levels = static_cast<long long>(fighter.level) - base.level;
  const long long choices =
      (hpGain + LEVEL_UP_VITALITY_GAIN - 1) / LEVEL_UP_VITALITY_GAIN + powerGain + defenseGain;
  if (hpGain < 0 || powerGain < 0 || defenseGain < 0 || choices > levels) {
    return Refuse(why, what + " has statistics that level " + std::to_string(fighter.level) +
                           " does not give");
  }
  return true;
}

// The game being read, kept apart from the running one until the whole file has been accepted.
struct RKLoadedGame {
  RKMap* map = nullptr;
  std::list<RKEntity*> entities;
  std::list<RKEntity*> inventory;
  RKEntity* player = nullptr;

  RKLoadedGame() = default;
  RKLoadedGame(const RKLoadedGame&) = delete;
  RKLoadedGame& operator=(const RKLoadedGame&) = delete;
  ~RKLoadedGame() {
    DeleteEntities(entities);
    DeleteEntities(inventory);
    delete map;
  }
};

// Position, glyph, colour, name and flags of the entity the file calls `what` ("entity 3").
// The glyph and colour must lie inside the font (drawing them would read past its sheets), the
// name within its bound.
bool ReadEntityBase(const Value& object, RKEntity& entity, RKMap* map, const std::string& what,
                    std::string& why) {
  ReadInt(object, "X", entity.x);
  ReadInt(object, "Y", entity.y);
  int appearance = entity.appearance;
  if (ReadInt(object, "Appearance", appearance) && (appearance < 0 || appearance > 255)) {
    return Refuse(why, what + " has glyph " + std::to_string(appearance) + ", outside 0-255");
  }
  entity.appearance = static_cast<unsigned char>(appearance);
  int color = entity.color;
  if (ReadInt(object, "Color", color) && (color < 0 || color > 15)) {
    return Refuse(why, what + " has colour " + std::to_string(color) + ", outside 0-15");
  }
  entity.color = static_cast<RKColors>(color);
  const Value* name = object.Find("Name");
  if (name != nullptr && name->IsString()) {
    if (name->AsString().size() > MAX_NAME_BYTES) {
      return Refuse(why, what + " has a name of " + std::to_string(name->AsString().size()) +
                             " bytes, at most " + std::to_string(MAX_NAME_BYTES));
    }
    entity.name = name->AsString();
  }
  entity.blocks = ReadEntityFlag(object, "Blocks");
  entity.visible = ReadEntityFlag(object, "Visible");
  entity.map = map;
  return true;
}

bool ReadEquippable(const Value& object, RKEntity& entity, const std::string& what,
                    std::string& why) {
  auto* equippable = new RKEquippable();
  equippable->owner = nullptr;
  equippable->slot = MainHand;
  equippable->powerBonus = 0;
  equippable->defenseBonus = 0;
  equippable->maxHPBonus = 0;
  int slot = 0;
  if (ReadInt(object, "Slot", slot)) {
    equippable->slot = static_cast<RKEquipmentSlot>(static_cast<std::uint32_t>(slot));
  }
  ReadInt(object, "PowerBonus", equippable->powerBonus);
  ReadInt(object, "DefenseBonus", equippable->defenseBonus);
  ReadInt(object, "MaxHPBonus", equippable->maxHPBonus);
  entity.SetEquippable(equippable);
  if (!IsPlausibleStat(equippable->powerBonus) || !IsPlausibleStat(equippable->defenseBonus) ||
      !IsPlausibleStat(equippable->maxHPBonus)) {
    return Refuse(why, what + " has bonuses no game reaches");
  }
  return true;
}

// Effects are not saved: an item gets its effect back from the kind its name names.
void RestoreItemEffect(RKEntity& entity) {
  const RKKind* kind = FindKind(entity.name);
  if (kind == nullptr || kind->use == RKUseEffect::None) {
    return;
  }
  // An equippable already brought an item without effect; give that one the effect.
  if (entity.item == nullptr) {
    entity.item = new RKItem();
  }
  entity.item->Init(UseFunctionOf(kind->use, useFuncVec), &entity);
}

bool IsPlayer(const RKEntity& entity) { return entity.name == KindOf(RKKindId::Player).name; }

bool ReadFighter(const Value& object, RKEntity& entity, RKLoadedGame& game, const std::string& what,
                 std::string& why) {
  auto* fighter = new RKFighter();
  bool plausible = true;
  for (const RKFighterField& field : FIGHTER_FIELDS) {
    int value = 0;
    if (ReadInt(object, field.key, value)) {
      plausible = plausible && IsPlausibleStat(value);
      (fighter->*field.set)(value, true);
    }
  }
  if (IsPlayer(entity)) {
    fighter->deathFunction = loadEntries.playerDeath;
    entity.SetEquipment(new RKEquipment());
    game.player = &entity;
  } else {
    // Confusion is not saved: every guard comes back with its normal behaviour.
    fighter->deathFunction = funcVec[0];
    entity.ai = new RKBasicEnemy();
    entity.ai->owner = &entity;
  }
  fighter->owner = &entity;
  entity.fighter = fighter;
  game.map->TileAt(entity.x, entity.y)->blocked = true;
  if (!plausible) {
    return Refuse(why, what + " has fighter statistics no game reaches");
  }
  // Hit points never leave 0..maximum in play (healing stops at the maximum). The player's
  // upper bound waits for the pack, whose pieces may add to the maximum.
  const int maxHP = fighter->GetMaxHP(true);
  if (maxHP < 1) {
    return Refuse(why,
                  what + " has a maximum of " + std::to_string(maxHP) + " hit points, at least 1");
  }
  if (fighter->hp < 0) {
    return Refuse(why, what + " has " + std::to_string(fighter->hp) + " hit points, below 0");
  }
  if (&entity != game.player && fighter->hp > maxHP) {
    return Refuse(why, what + " has " + std::to_string(fighter->hp) + " hit points, at most " +
                           std::to_string(maxHP));
  }
  return true;
}

bool ReadMap(const Value& root, RKMap& map, std::string& why) {
  const Value* width = root.Find("Width");
  const Value* height = root.Find("Height");
  // The grid is fixed: any other size would leave cells the game looks up missing.
  if (width == nullptr || !width->IsNumber() || FileNumberToInt(width->AsNumber()) != MAP_WIDTH ||
      height == nullptr || !height->IsNumber() ||
      FileNumberToInt(height->AsNumber()) != MAP_HEIGHT) {
    return Refuse(why, "\"Width\" and \"Height\" are not 80 and 40");
  }
  const Value* cells = root.Find("Map");
  if (cells == nullptr || !cells->IsArray()) {
    return Refuse(why, "\"Map\" is not a list");
  }
  const std::size_t count = CountObjects(cells->AsArray());
  if (count != MAP_CELLS) {
    return Refuse(
        why, "the map holds " + std::to_string(count) + " cells, not " + std::to_string(MAP_CELLS));
  }
  for (const Value& cell : cells->AsArray()) {
    if (!cell.IsObject()) {
      continue;
    }
    auto* tile = new RKTile();
    tile->blocked = ReadTileFlag(cell, "b");
    tile->blockSight = ReadTileFlag(cell, "bs");
    tile->explored = ReadTileFlag(cell, "e");
    map.tiles.push_back(tile);
  }
  map.fov.clear();
  for (const RKTile* tile : map.tiles) {
    map.fov.push_back(tile->blockSight);
  }
  return true;
}

bool ReadEntities(const Value& root, RKLoadedGame& game, std::string& why) {
  if (root.Find("NumEntities") == nullptr) {
    return Refuse(why, Quoted("NumEntities") + " is missing");
  }
  const Value* list = root.Find("Entities");
  int players = 0;
  if (list != nullptr && list->IsArray()) {
    const std::size_t count = CountObjects(list->AsArray());
    if (count > MAX_ENTITIES) {
      return Refuse(why, "the floor holds " + std::to_string(count) + " entities, at most " +
                             std::to_string(MAX_ENTITIES));
    }
    std::size_t index = 0;
    for (const Value& object : list->AsArray()) {
      const std::string what = "entity " + std::to_string(index++);
      if (!object.IsObject()) {
        continue;
      }
      auto* entity = new RKEntity();
      game.entities.push_back(entity);
      if (!ReadEntityBase(object, *entity, game.map, what, why)) {
        return false;
      }
      if (!InsideMap(entity->x, entity->y)) {
        return Refuse(why, what + " stands outside the map");
      }
      if (IsPlayer(*entity)) {
        ++players;
      }
      if (!CheckKindParts(object, *entity, false, what, why) ||
          !CheckStairs(*entity, game.map->currentFloor, what, why)) {
        return false;
      }
      if (ReadEntityFlag(object, "Equippable") && !ReadEquippable(object, *entity, what, why)) {
        return false;
      }
      if (ReadEntityFlag(object, "Fighter") && (!ReadFighter(object, *entity, game, what, why) ||
                                                !CheckFighterKind(*entity, what, why))) {
        return false;
      }
      RestoreItemEffect(*entity);
    }
  }
  // Floor changes keep the one entity called "Player"; it must exist and be able to fight.
  if (players != 1) {
    return Refuse(why, players == 0 ? "there is no player"
                                    : "there are " + std::to_string(players) + " players");
  }
  if (game.player == nullptr) {
    return Refuse(why, "the player cannot fight");
  }
  return true;
}

bool ReadInventory(const Value& root, RKLoadedGame& game, std::string& why) {
  if (root.Find("NumInventoryItems") == nullptr) {
    return Refuse(why, Quoted("NumInventoryItems") + " is missing");
  }
  const Value* list = root.Find("InventoryItems");
  if (list != nullptr && list->IsArray()) {
    // The pack takes no more: the inventory menu has a letter for 26 lines only.
    const std::size_t count = CountObjects(list->AsArray());
    if (count > MAX_INVENTORY) {
      return Refuse(why, "pack holds " + std::to_string(count) + " items, at most " +
                             std::to_string(MAX_INVENTORY));
    }
    // Saves of older versions do not say which pieces are worn: there every piece is put on in
    // file order, so of two for one slot the later one ends up worn.
    const bool wornSaved = std::any_of(list->AsArray().begin(), list->AsArray().end(),
                                       [](const Value& v) { return v.Find("Worn") != nullptr; });
    RKEquipment& equipment = *game.player->equipment;
    std::size_t index = 0;
    for (const Value& object : list->AsArray()) {
      const std::string what = "pack item " + std::to_string(index++);
      if (!object.IsObject()) {
        continue;
      }
      auto* entity = new RKEntity();
      game.inventory.push_front(entity);
      entity->order = ReadOrder(object);
      if (!ReadEntityBase(object, *entity, game.map, what, why) ||
          !CheckKindParts(object, *entity, true, what, why)) {
        return false;
      }
      RestoreItemEffect(*entity);
      if (ReadEntityFlag(object, "Equippable")) {
        if (!ReadEquippable(object, *entity, what, why)) {
          return false;
        }
        if (!wornSaved) {
          equipment.ToggleEquip(entity);
        } else if (ReadEntityFlag(object, "Worn")) {
          RKEntity* taken =
              entity->equippable->slot == MainHand ? equipment.mainHand : equipment.offHand;
          if (taken != nullptr) {
            return Refuse(why, what + " is worn in " + SlotName(entity->equippable->slot) +
                                   ", which holds another piece");
          }
          equipment.ToggleEquip(entity);
        }
      }
    }
  }
  game.inventory.sort([](const RKEntity* a, const RKEntity* b) { return a->order < b->order; });
  for (RKEntity* entity : game.inventory) {
    entity->order = 0;
  }
  // A piece that adds to the maximum lets the player hold more hit points than the bare
  // maximum (healed while wearing it).
  const RKFighter& fighter = *game.player->fighter;
  const int bound = fighter.GetMaxHP(true) + std::max(0, game.player->equipment->GetMaxHPBonus());
  if (fighter.hp > bound) {
    return Refuse(why, "the player has " + std::to_string(fighter.hp) + " hit points, at most " +
                           std::to_string(bound));
  }
  return true;
}

bool ReadMessages(const Value& root, std::vector<std::string>& lines, std::string& why) {
  const Value* messages = root.Find("GameMessages");
  if (root.Find("NumGameMessages") == nullptr || messages == nullptr) {
    return Refuse(why,
                  Quoted(messages == nullptr ? "GameMessages" : "NumGameMessages") + " is missing");
  }
  if (!messages->IsArray()) {
    return true;
  }
  const std::size_t count = CountObjects(messages->AsArray());
  if (count > SAVED_LOG_LINES) {
    return Refuse(why, "the log holds " + std::to_string(count) + " lines, at most " +
                           std::to_string(SAVED_LOG_LINES));
  }
  std::vector<std::pair<int, std::string>> ordered;
  std::size_t index = 0;
  for (const Value& object : messages->AsArray()) {
    const std::size_t line = index++;
    if (!object.IsObject()) {
      continue;
    }
    const Value* text = object.Find("Message");
    std::string shown =
        text != nullptr && text->IsString() ? UnescapeSaveMessage(text->AsString()) : std::string();
    if (shown.size() > MAX_LOG_LINE_BYTES) {
      return Refuse(why, "log line " + std::to_string(line) + " has " +
                             std::to_string(shown.size()) + " bytes, at most " +
                             std::to_string(MAX_LOG_LINE_BYTES));
    }
    ordered.emplace_back(ReadOrder(object), std::move(shown));
  }
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& entry : ordered) {
    lines.push_back(std::move(entry.second));
  }
  return true;
}

// A save holds a running game: its player alive or defeated. Any other state (the menus') would
// start a game in which no key does anything.
bool ReadState(const Value& root, int& state, std::string& why) {
  const Value* saved = root.Find("GameState");
  if (saved == nullptr) {
    return Refuse(why, Quoted("GameState") + " is missing");
  }
  if (!saved->IsNumber()) {
    return Refuse(why, Quoted("GameState") + " is not a number");
  }
  const int value = FileNumberToInt(saved->AsNumber());
  if (value != Playing && value != PlayerDead) {
    return Refuse(why, "\"GameState\" is " + std::to_string(value) +
                           ", neither 0 (playing) nor 1 (player defeated)");
  }
  state = value;
  return true;
}

// Parses the game below the signature and version into game, lines, floor and state.
bool ReadGame(const Value& root, RKLoadedGame& game, std::vector<std::string>& lines, int& state,
              std::string& why) {
  const Value* floor = root.Find("CurrentFloor");
  if (floor == nullptr) {
    return Refuse(why, Quoted("CurrentFloor") + " is missing");
  }
  if (floor->IsNumber()) {
    // The panel and the floor changes show FloorsLeft of it, which a number far outside the
    // floors would overflow.
    const int number = FileNumberToInt(floor->AsNumber());
    if (number < 1 || number > TOP_FLOOR) {
      return Refuse(
          why, "floor " + std::to_string(number) + " lies outside 1-" + std::to_string(TOP_FLOOR));
    }
    game.map->currentFloor = number;
  }
  return ReadMap(root, *game.map, why) && ReadEntities(root, game, why) &&
         ReadInventory(root, game, why) && ReadMessages(root, lines, why) &&
         ReadState(root, state, why);
}

// Ends the running game, with the tables a loaded game runs on filled anew.
void ResetGame() {
  EndGame();
  loadEntries.fillRegistries();
}

// What a rejected file leaves: no game, and a map that is all wall, so that nothing that still
// looks at theMap can step outside its cells.
void InstallEmptyGame() {
  theMap = new RKMap();
  for (int index = 0; index < MAP_CELLS; ++index) {
    auto* tile = new RKTile();
    tile->Init(true, false);
    theMap->tiles.push_back(tile);
    theMap->fov.push_back(false);
  }
  if (message != nullptr) {
    message->messages.clear();
  }
}

}  // namespace

std::string EscapeSaveMessage(const std::string& line) {
  // Backslashes are doubled so that one written before an escape's letters reads back as
  // itself. Saves written before they were doubled still read as they always did.
  static const char HEX[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(line.size());
  for (char c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      escaped += "\\\\";
    } else if (byte < 128) {
      escaped += c;
    } else {
      escaped += "\\u00";
      escaped += HEX[byte >> 4];
      escaped += HEX[byte & 0x0F];
    }
  }
  return escaped;
}

std::string UnescapeSaveMessage(const std::string& text) {
  // The same two escapes a language file uses for the font's bytes.
  return RKLocalization::NormalizeText(text);
}

bool SaveGame(zokCSON::Error* error) { return SaveGameTo(SAVE_FILE, error); }

namespace {

// The running game as the document a save holds; false (with *error) when none is running.
bool SavedGame(Value& root, zokCSON::WriteOptions& options, zokCSON::Error* error) {
  if (theMap == nullptr || theMap->tiles.size() != MAP_CELLS) {
    if (error != nullptr) {
      *error = {zokCSON::ErrorCode::IoError, 1, 1, "No game is running"};
    }
    return false;
  }
  root = Value::MakeObject();
  root["Signature"] = Value(SAVEGAMESIG);
  root["Version"] = Value(GAMEVERSION);
  root["CurrentFloor"] = Value(theMap->currentFloor);
  root["Width"] = Value(MAP_WIDTH);
  root["Height"] = Value(MAP_HEIGHT);
  root["Map"] = WriteMap();
  root["NumEntities"] = Value(static_cast<double>(entities.size()));
  root["Entities"] = WriteEntities();
  root["NumInventoryItems"] = Value(static_cast<double>(inventory.size()));
  root["InventoryItems"] = WriteInventory();
  std::size_t lineCount = 0;
  Value lines = WriteMessages(lineCount);
  root["NumGameMessages"] = Value(static_cast<double>(lineCount));
  root["GameMessages"] = std::move(lines);
  root["GameState"] = Value(gameState);

  options.indent = 2;
  options.sortKeys = false;
  return true;
}

}  // namespace

bool SaveGameTo(const std::string& path, zokCSON::Error* error) {
  Value root;
  zokCSON::WriteOptions options;
  // The library writes a temporary file and renames it over the old save, so a failed or
  // interrupted save never costs the player the previous one. In a web page the save is the
  // player's only once the browser has stored it.
  return SavedGame(root, options, error) && zokCSON::WriteFile(path, root, options, error) &&
         KeepWrittenFiles(error);
}

bool SaveGameText(std::string& text, zokCSON::Error* error) {
  Value root;
  zokCSON::WriteOptions options;
  return SavedGame(root, options, error) && zokCSON::WriteText(root, text, options, error);
}

int LoadGame(std::string& savedVersion) { return LoadGameFrom(SAVE_FILE, savedVersion); }

namespace {

// LoadGameFrom without a word on the console: every refusal says in why what is wrong.
int ReadSaveFile(const std::string& path, std::string& savedVersion, std::string& why) {
  std::error_code unknownSize;
  const std::uintmax_t size = std::filesystem::file_size(path, unknownSize);
  if (!unknownSize && size > MAX_SAVE_BYTES) {
    why = "the file has " + std::to_string(size) + " bytes, at most " +
          std::to_string(MAX_SAVE_BYTES);
    return LoadFailed;
  }
  Value root;
  zokCSON::Error error;
  if (zokCSON::ParseFile(path, root, &error) != zokCSON::ErrorCode::Ok) {
    why = path + ":" + std::to_string(error.line) + ":" + std::to_string(error.column) + ": " +
          error.message;
    return LoadFailed;
  }
  if (!root.IsObject()) {
    why = "the file holds no object";
    return LoadFailed;
  }
  const Value* signature = root.Find("Signature");
  if (signature == nullptr) {
    why = Quoted("Signature") + " is missing";
    return LoadFailed;
  }
  if (!signature->IsString() || signature->AsString() != SAVEGAMESIG) {
    why = "it is no saved game of this game (its signature is not " + Quoted(SAVEGAMESIG.c_str()) +
          ")";
    return LoadBadSignature;
  }
  const Value* version = root.Find("Version");
  if (version == nullptr) {
    why = Quoted("Version") + " is missing";
    return LoadFailed;
  }
  if (version->IsString()) {
    savedVersion = version->AsString();
  }
  if (savedVersion != GAMEVERSION) {
    why = "it was saved by version " + (savedVersion.empty() ? "(none)" : savedVersion) +
          ", this is version " + GAMEVERSION;
    return LoadBadVersion;
  }

  // From here on the running game is replaced, whether or not the rest of the file is usable.
  ResetGame();
  RKLoadedGame game;
  game.map = new RKMap();
  std::vector<std::string> lines;
  int state = gameState;
  if (!ReadGame(root, game, lines, state, why)) {
    InstallEmptyGame();
    return LoadFailed;
  }

  theMap = game.map;
  game.map = nullptr;
  entities.swap(game.entities);
  inventory.swap(game.inventory);
  player = game.player;
  if (message != nullptr) {
    message->messages.clear();
    for (const std::string& line : lines) {
      message->SetMessage(line, false);
    }
  }
  playerAction = TurnTaken;
  gameState = state;
  gameOver = false;
  return LoadOk;
}

}  // namespace

int LoadGameFrom(const std::string& path, std::string& savedVersion) {
  std::string why;
  const int result = ReadSaveFile(path, savedVersion, why);
  if (result == LoadFailed) {
    // Every refusal that reads as "no saved game" still says on the console why.
    std::cerr << "Saved game not loaded: " << why << std::endl;
  } else if (result == LoadBadSignature) {
    std::cout << "Save game signature invalid!" << std::endl;
  } else if (result == LoadBadVersion) {
    std::cout << "Save game version doesn't match! (Save Game Version: " << savedVersion
              << " / Game Version: " << GAMEVERSION << ")" << std::endl;
  }
  return result;
}

std::string CheckSaveFile(const std::string& path) {
  std::string savedVersion;
  std::string why;
  const int stateBefore = gameState;
  ReadSaveFile(path, savedVersion, why);
  // Nothing of the file stays: the main menu's Continue loads the save anew.
  ResetGame();
  InstallEmptyGame();
  gameState = stateBefore;
  return why;
}
