#include "persistence/savegame.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <list>
#include <utility>
#include <vector>

#include "core/message.h"
#include "cson/cson.h"
#include "dungeon/map.h"
#include "game/frames.h"
#include "game/globals.h"
#include "game/progression.h"
#include "game/turnloop.h"
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

namespace {

// A game the program writes takes about 100 KB, and the loader's bounds allow a few hundred;
// anything far larger is refused before the reader builds a tree of it.
constexpr std::uintmax_t MAX_SAVE_BYTES = std::uintmax_t{4} * 1024 * 1024;
constexpr std::size_t SAVED_LOG_LINES = 6;

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A backslash, "u" and four hex digits starting at pos, all inside the text.
bool IsUnicodeEscapeAt(const std::string& text, std::size_t pos) {
  if (pos + 6 > text.size() || text[pos] != '\\' || text[pos + 1] != 'u') {
    return false;
  }
  for (std::size_t i = pos + 2; i < pos + 6; ++i) {
    if (!IsHexDigit(text[i])) {
      return false;
    }
  }
  return true;
}

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

Value WriteInventory() {
  Value list = Value::MakeArray();
  int order = 1;
  for (const RKEntity* entity : inventory) {
    Value object = Value::MakeObject();
    object["Order"] = Value(order++);
    WriteEntityKeys(*entity, object);
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
constexpr std::size_t MAX_NAME_BYTES = 256;  // real names have at most 30
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
// the sums of combat and levelling (power minus defence, 200 + 150 x level); such a file is
// refused rather than played.
constexpr int STAT_LIMIT = 1000000;

bool IsPlausibleStat(int value) { return value >= -STAT_LIMIT && value <= STAT_LIMIT; }

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
    fighter->deathFunction = PlayerDeath;
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
      if (ReadEntityFlag(object, "Equippable") && !ReadEquippable(object, *entity, what, why)) {
        return false;
      }
      if (ReadEntityFlag(object, "Fighter") && !ReadFighter(object, *entity, game, what, why)) {
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
    std::size_t index = 0;
    for (const Value& object : list->AsArray()) {
      const std::string what = "pack item " + std::to_string(index++);
      if (!object.IsObject()) {
        continue;
      }
      auto* entity = new RKEntity();
      game.inventory.push_front(entity);
      entity->order = ReadOrder(object);
      if (!ReadEntityBase(object, *entity, game.map, what, why)) {
        return false;
      }
      RestoreItemEffect(*entity);
      if (ReadEntityFlag(object, "Equippable")) {
        if (!ReadEquippable(object, *entity, what, why)) {
          return false;
        }
        // Which piece was worn is not saved: every piece is put on in file order, so of two
        // for one slot the later one ends up worn.
        game.player->equipment->ToggleEquip(entity);
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

// Ends the running game: no entities, no player, a new map without a floor.
void ResetGame() {
  DeleteEntities(entities);
  DeleteEntities(inventory);
  player = nullptr;
  inventoryMessages.clear();
  FillRegistries();
  playerMovedOrAttacked = false;
  delete theMap;
  theMap = nullptr;
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
  for (std::size_t pos = 0; pos < line.size(); ++pos) {
    if (IsUnicodeEscapeAt(line, pos)) {
      return line;
    }
  }
  static const char HEX[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(line.size());
  for (char c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 128) {
      escaped += c;
      continue;
    }
    escaped += "\\u00";
    escaped += HEX[byte >> 4];
    escaped += HEX[byte & 0x0F];
  }
  return escaped;
}

std::string UnescapeSaveMessage(const std::string& text) {
  // The same two escapes a language file uses for the font's bytes.
  return RKLocalization::NormalizeText(text);
}

bool SaveGame(zokCSON::Error* error) { return SaveGameTo(SAVE_FILE, error); }

bool SaveGameTo(const std::string& path, zokCSON::Error* error) {
  if (theMap == nullptr || theMap->tiles.size() != MAP_CELLS) {
    if (error != nullptr) {
      *error = {zokCSON::ErrorCode::IoError, 1, 1, "No game is running"};
    }
    return false;
  }
  Value root = Value::MakeObject();
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

  zokCSON::WriteOptions options;
  options.indent = 2;
  options.sortKeys = false;
  // The library writes a temporary file and renames it over the old save, so a failed or
  // interrupted save never costs the player the previous one. In a web page the save is the
  // player's only once the browser has stored it.
  return zokCSON::WriteFile(path, root, options, error) && KeepWrittenFiles(error);
}

int LoadGame(std::string& savedVersion) { return LoadGameFrom(SAVE_FILE, savedVersion); }

int LoadGameFrom(const std::string& path, std::string& savedVersion) {
  // Every refusal that reads as "no saved game" still says on the console why.
  auto failed = [](const std::string& why) {
    std::cerr << "Saved game not loaded: " << why << std::endl;
    return LoadFailed;
  };
  std::error_code unknownSize;
  const std::uintmax_t size = std::filesystem::file_size(path, unknownSize);
  if (!unknownSize && size > MAX_SAVE_BYTES) {
    return failed("the file has " + std::to_string(size) + " bytes, at most " +
                  std::to_string(MAX_SAVE_BYTES));
  }
  Value root;
  zokCSON::Error error;
  if (zokCSON::ParseFile(path, root, &error) != zokCSON::ErrorCode::Ok) {
    return failed(path + ":" + std::to_string(error.line) + ":" + std::to_string(error.column) +
                  ": " + error.message);
  }
  if (!root.IsObject()) {
    return failed("the file holds no object");
  }
  const Value* signature = root.Find("Signature");
  if (signature == nullptr) {
    return failed(Quoted("Signature") + " is missing");
  }
  if (!signature->IsString() || signature->AsString() != SAVEGAMESIG) {
    std::cout << "Save game signature invalid!" << std::endl;
    return LoadBadSignature;
  }
  const Value* version = root.Find("Version");
  if (version == nullptr) {
    return failed(Quoted("Version") + " is missing");
  }
  if (version->IsString()) {
    savedVersion = version->AsString();
  }
  if (savedVersion != GAMEVERSION) {
    std::cout << "Save game version doesn't match! (Save Game Version: " << savedVersion
              << " / Game Version: " << GAMEVERSION << ")" << std::endl;
    return LoadBadVersion;
  }

  // From here on the running game is replaced, whether or not the rest of the file is usable.
  ResetGame();
  RKLoadedGame game;
  game.map = new RKMap();
  std::vector<std::string> lines;
  int state = gameState;
  std::string why;
  if (!ReadGame(root, game, lines, state, why)) {
    InstallEmptyGame();
    return failed(why);
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
