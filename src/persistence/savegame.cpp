#include "persistence/savegame.h"

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <list>
#include <utility>
#include <vector>

#include "cson/cson.h"
#include "dungeon/map.h"
#include "game/globals.h"
#include "game/progression.h"
#include "game/turnloop.h"
#include "localization/localization.h"
#include "persistence/settings.h"
#include "ui/message.h"
#include "world/basicenemy.h"
#include "world/entity.h"
#include "world/equipment.h"
#include "world/fighter.h"
#include "world/item.h"
#include "world/tile.h"

using zokCSON::Value;

namespace {

const char* const SAVE_FILE = "game.sav";
constexpr std::size_t SAVED_LOG_LINES = 6;

// Items get their effect back from their name: index into useFuncVec.
struct RKItemEffectByName {
  const char* name;
  std::size_t useFunction;
};
const RKItemEffectByName ITEM_EFFECTS[] = {
    // name                 useFuncVec entry
    {"First Aid Kit",       0},
    {"Tranquilizer Gun",    1},
    {"Stun Grenade",        2},
    {"Pepper Spray",        3},
};

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
    {"MaxHP", &RKFighter::SetMaxHP}, {"HP", &RKFighter::SetHP},
    {"Defense", &RKFighter::SetDefense}, {"Power", &RKFighter::SetPower},
    {"Level", &RKFighter::SetLevel}, {"XP", &RKFighter::SetXP},
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

// Position, glyph, colour, name and flags. False when the glyph or colour lies outside the
// font: drawing it would read past the glyph sheets.
bool ReadEntityBase(const Value& object, RKEntity& entity, RKMap* map) {
  ReadInt(object, "X", entity.x);
  ReadInt(object, "Y", entity.y);
  int appearance = entity.appearance;
  if (ReadInt(object, "Appearance", appearance) && (appearance < 0 || appearance > 255)) {
    return false;
  }
  entity.appearance = static_cast<unsigned char>(appearance);
  int color = entity.color;
  if (ReadInt(object, "Color", color) && (color < 0 || color > 15)) {
    return false;
  }
  entity.color = static_cast<RKColors>(color);
  const Value* name = object.Find("Name");
  if (name != nullptr && name->IsString()) {
    entity.name = name->AsString();
  }
  entity.blocks = ReadEntityFlag(object, "Blocks");
  entity.visible = ReadEntityFlag(object, "Visible");
  entity.map = map;
  return true;
}

bool ReadEquippable(const Value& object, RKEntity& entity) {
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
  return IsPlausibleStat(equippable->powerBonus) && IsPlausibleStat(equippable->defenseBonus) &&
         IsPlausibleStat(equippable->maxHPBonus);
}

void RestoreItemEffect(RKEntity& entity) {
  for (const RKItemEffectByName& effect : ITEM_EFFECTS) {
    if (entity.name == effect.name) {
      // An equippable already brought an item without effect; give that one the effect.
      if (entity.item == nullptr) {
        entity.item = new RKItem();
      }
      entity.item->Init(useFuncVec[effect.useFunction], &entity);
      return;
    }
  }
}

bool ReadFighter(const Value& object, RKEntity& entity, RKLoadedGame& game) {
  auto* fighter = new RKFighter();
  bool plausible = true;
  for (const RKFighterField& field : FIGHTER_FIELDS) {
    int value = 0;
    if (ReadInt(object, field.key, value)) {
      plausible = plausible && IsPlausibleStat(value);
      (fighter->*field.set)(value, true);
    }
  }
  if (entity.name == "Player") {
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
  return plausible;
}

bool ReadMap(const Value& root, RKMap& map) {
  const Value* width = root.Find("Width");
  const Value* height = root.Find("Height");
  // The grid is fixed: any other size would leave cells the game looks up missing.
  if (width == nullptr || !width->IsNumber() || FileNumberToInt(width->AsNumber()) != MAP_WIDTH ||
      height == nullptr || !height->IsNumber() ||
      FileNumberToInt(height->AsNumber()) != MAP_HEIGHT) {
    return false;
  }
  const Value* cells = root.Find("Map");
  if (cells == nullptr || !cells->IsArray()) {
    return false;
  }
  for (const Value& cell : cells->AsArray()) {
    if (!cell.IsObject()) {
      continue;
    }
    if (map.tiles.size() == MAP_CELLS) {
      return false;
    }
    auto* tile = new RKTile();
    tile->blocked = ReadTileFlag(cell, "b");
    tile->blockSight = ReadTileFlag(cell, "bs");
    tile->explored = ReadTileFlag(cell, "e");
    map.tiles.push_back(tile);
  }
  if (map.tiles.size() != MAP_CELLS) {
    return false;
  }
  map.fov.clear();
  for (const RKTile* tile : map.tiles) {
    map.fov.push_back(tile->blockSight);
  }
  return true;
}

bool ReadEntities(const Value& root, RKLoadedGame& game) {
  if (root.Find("NumEntities") == nullptr) {
    return false;
  }
  const Value* list = root.Find("Entities");
  int players = 0;
  if (list != nullptr && list->IsArray()) {
    for (const Value& object : list->AsArray()) {
      if (!object.IsObject()) {
        continue;
      }
      auto* entity = new RKEntity();
      game.entities.push_back(entity);
      if (!ReadEntityBase(object, *entity, game.map) || !InsideMap(entity->x, entity->y)) {
        return false;
      }
      if (entity->name == "Player") {
        ++players;
      }
      if (ReadEntityFlag(object, "Equippable") && !ReadEquippable(object, *entity)) {
        return false;
      }
      if (ReadEntityFlag(object, "Fighter") && !ReadFighter(object, *entity, game)) {
        return false;
      }
      RestoreItemEffect(*entity);
    }
  }
  // Floor changes keep the one entity called "Player"; it must exist and be able to fight.
  return players == 1 && game.player != nullptr;
}

bool ReadInventory(const Value& root, RKLoadedGame& game) {
  if (root.Find("NumInventoryItems") == nullptr) {
    return false;
  }
  const Value* list = root.Find("InventoryItems");
  if (list != nullptr && list->IsArray()) {
    for (const Value& object : list->AsArray()) {
      if (!object.IsObject()) {
        continue;
      }
      auto* entity = new RKEntity();
      game.inventory.push_front(entity);
      entity->order = ReadOrder(object);
      if (!ReadEntityBase(object, *entity, game.map)) {
        return false;
      }
      RestoreItemEffect(*entity);
      if (ReadEntityFlag(object, "Equippable")) {
        if (!ReadEquippable(object, *entity)) {
          return false;
        }
        // Which piece was worn is not saved: every piece is put on in file order, so of two
        // for one slot the later one ends up worn.
        game.player->equipment->ToggleEquip(entity);
      }
    }
  }
  game.inventory.sort(
      [](const RKEntity* a, const RKEntity* b) { return a->order < b->order; });
  for (RKEntity* entity : game.inventory) {
    entity->order = 0;
  }
  return true;
}

bool ReadMessages(const Value& root, std::vector<std::string>& lines) {
  const Value* messages = root.Find("GameMessages");
  if (root.Find("NumGameMessages") == nullptr || messages == nullptr) {
    return false;
  }
  if (!messages->IsArray()) {
    return true;
  }
  std::vector<std::pair<int, std::string>> ordered;
  for (const Value& object : messages->AsArray()) {
    if (!object.IsObject()) {
      continue;
    }
    const Value* text = object.Find("Message");
    ordered.emplace_back(ReadOrder(object), text != nullptr && text->IsString()
                                                ? UnescapeSaveMessage(text->AsString())
                                                : std::string());
  }
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& entry : ordered) {
    lines.push_back(std::move(entry.second));
  }
  return true;
}

// Parses the game below the signature and version into game, lines, floor and state.
bool ReadGame(const Value& root, RKLoadedGame& game, std::vector<std::string>& lines,
              int& state) {
  const Value* floor = root.Find("CurrentFloor");
  if (floor == nullptr) {
    return false;
  }
  if (floor->IsNumber()) {
    // Floors run from 1 to 10; the panel shows 11 - floor and the floor changes count from it,
    // so a number far outside would overflow there.
    const int number = FileNumberToInt(floor->AsNumber());
    if (number < 1 || number > TOP_FLOOR) {
      return false;
    }
    game.map->currentFloor = number;
  }
  if (!ReadMap(root, *game.map) || !ReadEntities(root, game) || !ReadInventory(root, game) ||
      !ReadMessages(root, lines)) {
    return false;
  }
  const Value* savedState = root.Find("GameState");
  if (savedState != nullptr && savedState->IsNumber()) {
    state = FileNumberToInt(savedState->AsNumber());
  }
  return true;
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

bool SaveGame() {
  if (theMap == nullptr || theMap->tiles.size() != MAP_CELLS) {
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
  // interrupted save never costs the player the previous one.
  return zokCSON::WriteFile(SAVE_FILE, root, options, nullptr);
}

int LoadGame(std::string& savedVersion) {
  Value root;
  if (zokCSON::ParseFile(SAVE_FILE, root, nullptr) != zokCSON::ErrorCode::Ok || !root.IsObject()) {
    return LoadFailed;
  }
  const Value* signature = root.Find("Signature");
  if (signature == nullptr) {
    return LoadFailed;
  }
  if (!signature->IsString() || signature->AsString() != SAVEGAMESIG) {
    std::cout << "Save game signature invalid!" << std::endl;
    return LoadBadSignature;
  }
  const Value* version = root.Find("Version");
  if (version == nullptr) {
    return LoadFailed;
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
  if (!ReadGame(root, game, lines, state)) {
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

bool SaveGameOrShowFailure() { return SaveGame(); }
