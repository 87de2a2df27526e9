#pragma once
// Every key the game looks up in a language's catalogue, with what the game fills into its
// tokens ("{0}", "{1}", ...) and where the text is shown, which decides how much room it has.
// A language file is complete when it holds exactly these keys; tvk-lang and the tests hold
// every language file to this table, and `tvk-lang new` writes its template from it, in the
// table's order (the order of the English file). A new lookup in the game needs its row here,
// or nothing will ask the translators for it. The display names and help lines of the kinds of
// things (world/kinds.h) come from the kinds table, in its order, where the rows below say.

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "core/layout.h"
#include "localization/kindtexts.h"

// Where a text reaches the player.
enum class RKTextUse : std::uint8_t {
  Log,        // posted to the message log
  HpLabel,    // names the hit point bar
  Hud,        // drawn in the panel's left box
  Separator,  // between the names under the mouse
  Name,       // an entity's display name: a token of log lines and inventory lines
  Box,        // the header or a line of a framed box
  Sentence,   // a sentence of a framed box, which the box breaks over its lines
  Choice,     // a line of a menu the player moves through
  KeyLabel,   // a line of the options menu that the bound key's name follows
  Prompt,     // the prompt above the inventory list
  Item,       // a line of the inventory list
  Help,       // a line of the help box
  Word,       // a word filled into an options line
};

// How much room a place gives. A text may take `columns` cells on one line, less the `added`
// cells the game draws beside it (as `beside` says); a text that wraps should stay within
// `lines` lines.
struct RKTextPlace {
  RKTextUse use;
  int columns;
  int added;
  int lines;
  bool capitalised;    // the game upper-cases a-z, and only a-z, before drawing it
  const char* where;   // for translators: in reports and the template's comments
  const char* beside;  // what takes the added cells; empty when nothing does
};

// The widest name of a key the player may bind ("Right Shift", "Keypad Enter"): a budget, since
// no language file names the keys. The widest name of a language in the options menu: the
// language list leaves out a language with a longer one ("Bahasa Indonesia" takes 16).
constexpr int KEY_NAME_COLUMNS = 12;
constexpr int LANGUAGE_NAME_COLUMNS = 20;
// A word filled into an options line: a budget that keeps those lines short.
constexpr int WORD_COLUMNS = 12;
// Room taken by "> " and " <" around the chosen line of a menu, and by "(a) " before an item.
constexpr int CHOICE_MARKS = 4;
constexpr int ITEM_LABEL = 4;
// What the hit point bar draws after its label: ": 999/999".
constexpr int HP_NUMBERS = 9;
// Two names share the strip under the map with the separator between them.
constexpr int NAME_COLUMNS = NAMES_COLUMNS / 2 - 1;

// clang-format off
inline constexpr RKTextPlace TEXT_PLACES[] = {
  // use                  columns            added                             lines capitals
  //   where                    beside
  {RKTextUse::Log,       LOG_COLUMNS,       0,                                2,    true,
     "message log",           ""},
  {RKTextUse::HpLabel,   HUD_BOX_COLUMNS,   HP_NUMBERS,                       1,    false,
     "hit point bar",         "\": 999/999\" follows it"},
  {RKTextUse::Hud,       HUD_BOX_COLUMNS,   0,                                1,    false,
     "panel's left box",      ""},
  {RKTextUse::Separator, NAMES_COLUMNS,     0,                                1,    false,
     "names under the map",   ""},
  {RKTextUse::Name,      NAME_COLUMNS,      0,                                1,    true,
     "entity name",           ""},
  {RKTextUse::Box,       BOX_TEXT_COLUMNS,  0,                                1,    false,
     "box",                   ""},
  {RKTextUse::Sentence,  BOX_TEXT_COLUMNS,  0,                                2,    false,
     "box sentence",          ""},
  {RKTextUse::Choice,    BOX_TEXT_COLUMNS,  CHOICE_MARKS,                     1,    false,
     "menu line",             "\"> \" and \" <\" go around it when chosen"},
  {RKTextUse::KeyLabel,  BOX_TEXT_COLUMNS,  CHOICE_MARKS + KEY_NAME_COLUMNS,  1,    false,
     "options line",          "the key's name follows it"},
  {RKTextUse::Prompt,    PROMPT_COLUMNS,    0,                                2,    true,
     "inventory prompt",      ""},
  {RKTextUse::Item,      BOX_TEXT_COLUMNS,  ITEM_LABEL,                       1,    true,
     "inventory line",        "\"(a) \" goes before it"},
  {RKTextUse::Help,      BOX_TEXT_COLUMNS,  0,                                2,    false,
     "help box",              ""},
  {RKTextUse::Word,      WORD_COLUMNS,      0,                                1,    false,
     "options word",          ""},
};
// clang-format on

constexpr const RKTextPlace& TextPlace(RKTextUse use) {
  for (const RKTextPlace& place : TEXT_PLACES) {
    if (place.use == use) return place;
  }
  return TEXT_PLACES[0];  // unreachable: every use has its row, which the tests check
}

// One key. `tokens` has one letter per token the game fills, in order {0}, {1}, ...:
//   N the display name of the player, a guard or an item   G a guard's display name
//   # a number   V a version ("0.4")   W a word of the common.* keys   L a language's name
//   R why a file could not be written: one of the menu.saveFailed reason texts
//   B the name of a pad's button: one of the pad.* button texts
struct RKCatalogueKey {
  const char* key;
  RKTextUse use;
  const char* tokens;
  const char* about;  // what the tokens hold, for translators; empty when there are none
};

constexpr int TokenCount(const RKCatalogueKey& row) {
  return static_cast<int>(std::string_view(row.tokens).size());
}

// A row as written below: one key, or, when `kinds` names a sort of key, the kinds table's keys
// of that sort in its stead, each once, in the kinds table's order and with this row's use.
struct RKCatalogueRow {
  const char* key;
  RKTextUse use;
  const char* tokens;
  const char* about;
  RKKindText kinds = RKKindText::None;
};

// clang-format off
inline constexpr RKCatalogueRow CATALOGUE_ROWS[] = {
  // key                                  use                   tokens what they hold
  {"hud.hp",                              RKTextUse::HpLabel,   "",    ""},
  {"hud.floor",                           RKTextUse::Hud,       "#",   "floors left (10 to 1)"},
  {"hud.namesSeparator",                  RKTextUse::Separator, "",    ""},
  // entity.player, entity.baton, ... entity.exit: the kinds' names
  {nullptr,                               RKTextUse::Name,      "",    "",  RKKindText::Name},
  {"entity.unconsciousPrefix",            RKTextUse::Name,      "G",   "the guard's name"},
  {"message.objective",                   RKTextUse::Log,       "",    ""},
  {"message.heal",                        RKTextUse::Log,       "",    ""},
  {"message.fullHealth",                  RKTextUse::Log,       "",    ""},
  {"message.pepperPrompt",                RKTextUse::Log,       "",    ""},
  {"message.pepperHit",                   RKTextUse::Log,       "N",   "the guard"},
  {"message.tranquilizerHit",             RKTextUse::Log,       "N#",  "the guard, the damage"},
  {"message.noTranquilizerTarget",        RKTextUse::Log,       "",    ""},
  {"message.stunPrompt",                  RKTextUse::Log,       "",    ""},
  {"message.stunHit",                     RKTextUse::Log,       "N#",  "the guard, the damage"},
  {"message.stunExplode",                 RKTextUse::Log,       "#",   "the blast's radius"},
  {"message.defeated",                    RKTextUse::Log,       "",    ""},
  {"message.enemyUnconscious",            RKTextUse::Log,       "N",   "the guard"},
  {"message.enemyUnconsciousXp",          RKTextUse::Log,       "N#",  "the guard, experience"},
  {"message.floorChange",                 RKTextUse::Log,       "#",   "floors left"},
  {"message.recharge",                    RKTextUse::Log,       "",    ""},
  {"message.equipped",                    RKTextUse::Log,       "N",   "the item"},
  {"message.dequipped",                   RKTextUse::Log,       "N",   "the item"},
  {"message.attackHit",                   RKTextUse::Log,       "NN#", "attacker, target, damage"},
  {"message.attackNoEffect",              RKTextUse::Log,       "NN",  "attacker, target"},
  {"message.confusionEnded",              RKTextUse::Log,       "N",   "the guard"},
  {"message.itemPickedUp",                RKTextUse::Log,       "N",   "the item"},
  {"message.inventoryFull",               RKTextUse::Log,       "N",   "the item"},
  {"message.itemDropped",                 RKTextUse::Log,       "N",   "the item"},
  {"message.itemCantUse",                 RKTextUse::Log,       "N",   "the item"},
  {"inventory.header",                    RKTextUse::Box,       "",    ""},
  {"inventory.empty",                     RKTextUse::Item,      "",    ""},
  {"inventory.itemEquipped",              RKTextUse::Item,      "N",   "the item"},
  {"inventory.dropPrompt",                RKTextUse::Prompt,    "",    ""},
  {"inventory.usePrompt",                 RKTextUse::Prompt,    "",    ""},
  {"characterInfo.header",                RKTextUse::Box,       "",    ""},
  {"characterInfo.maxHp",                 RKTextUse::Box,       "#",   "maximum hit points"},
  {"characterInfo.attack",                RKTextUse::Box,       "#",   "attack"},
  {"characterInfo.defense",               RKTextUse::Box,       "#",   "defence"},
  {"characterInfo.experience",            RKTextUse::Box,       "#",   "experience"},
  {"characterInfo.experienceToLevel",     RKTextUse::Box,       "#",   "experience for next level"},
  {"ending.header",                       RKTextUse::Box,       "",    ""},
  {"ending.message",                      RKTextUse::Box,       "",    ""},
  {"menu.main.header",                    RKTextUse::Box,       "V",   "the game's version"},
  {"menu.main.newGame",                   RKTextUse::Choice,    "",    ""},
  {"menu.main.loadGame",                  RKTextUse::Choice,    "",    ""},
  {"menu.main.options",                   RKTextUse::Choice,    "",    ""},
  {"menu.main.help",                      RKTextUse::Choice,    "",    ""},
  {"menu.main.quit",                      RKTextUse::Choice,    "",    ""},
  {"menu.loadingFailed.header",           RKTextUse::Box,       "",    ""},
  {"menu.loadingFailed.returnMainMenu",   RKTextUse::Box,       "",    ""},
  {"menu.loadingFailed.noSave",           RKTextUse::Box,       "",    ""},
  {"menu.loadingFailed.badSignature",     RKTextUse::Box,       "",    ""},
  {"menu.loadingFailed.badVersion",       RKTextUse::Box,       "VV",  "saved, running version"},
  {"menu.saveFailed.header",              RKTextUse::Box,       "",    ""},
  {"menu.saveFailed.game",                RKTextUse::Sentence,  "R",   "why"},
  {"menu.saveFailed.settings",            RKTextUse::Sentence,  "R",   "why"},
  {"menu.saveFailed.cannotCreate",        RKTextUse::Box,       "",    ""},
  {"menu.saveFailed.cannotWrite",         RKTextUse::Box,       "",    ""},
  {"menu.saveFailed.refused",             RKTextUse::Box,       "",    ""},
  {"menu.saveFailed.notKept",             RKTextUse::Box,       "",    ""},
  {"menu.saveFailed.pressKey",            RKTextUse::Box,       "",    ""},
  {"menu.levelUp.header",                 RKTextUse::Box,       "",    ""},
  {"menu.levelUp.message",                RKTextUse::Log,       "#",   "new level"},
  {"menu.levelUp.vitality",               RKTextUse::Choice,    "#",   "new maximum hit points"},
  {"menu.levelUp.strength",               RKTextUse::Choice,    "#",   "new attack"},
  {"menu.levelUp.agility",                RKTextUse::Choice,    "#",   "new defence"},
  {"menu.help.header",                    RKTextUse::Box,       "",    ""},
  {"menu.help.returnMainMenu",            RKTextUse::Help,      "",    ""},
  {"menu.options.header",                 RKTextUse::Box,       "",    ""},
  {"help.mapHeader",                      RKTextUse::Help,      "",    ""},
  {"help.wall",                           RKTextUse::Help,      "",    ""},
  {"help.floor",                          RKTextUse::Help,      "",    ""},
  // help.stairsExit, help.stairsPrev: the kinds' lines among the map's symbols
  {nullptr,                               RKTextUse::Help,      "",    "",  RKKindText::MapHelp},
  {"help.charactersHeader",               RKTextUse::Help,      "",    ""},
  // help.player, help.baton, ... help.unconscious: the kinds' lines among characters and items
  {nullptr,                               RKTextUse::Help,      "",    "",
     RKKindText::CharacterHelp},
  {"help.miscHeader",                     RKTextUse::Help,      "",    ""},
  {"help.mouse",                          RKTextUse::Help,      "",    ""},
  // under it, the key bindings as the options menu shows them
  {"help.keysHeader",                      RKTextUse::Help,      "",    ""},
  {"options.fullscreen",                  RKTextUse::Choice,    "W",   "yes or no"},
  {"options.music",                       RKTextUse::Choice,    "W",   "on or off"},
  {"options.musicVolume",                 RKTextUse::Choice,    "#",   "0 to 100"},
  {"options.language",                    RKTextUse::Choice,    "L",   "the language's name"},
  {"options.saveChanges",                 RKTextUse::Choice,    "",    ""},
  {"options.discardChanges",              RKTextUse::Choice,    "",    ""},
  {"options.restoreDefault",              RKTextUse::Choice,    "",    ""},
  {"options.keybinding.moveUp",           RKTextUse::KeyLabel,  "",    ""},
  {"options.keybinding.moveDown",         RKTextUse::KeyLabel,  "",    ""},
  {"options.keybinding.moveLeft",         RKTextUse::KeyLabel,  "",    ""},
  {"options.keybinding.moveRight",        RKTextUse::KeyLabel,  "",    ""},
  {"options.keybinding.take",             RKTextUse::KeyLabel,  "",    ""},
  {"options.keybinding.use",              RKTextUse::KeyLabel,  "",    ""},
  {"options.keybinding.drop",             RKTextUse::KeyLabel,  "",    ""},
  {"options.keybinding.characterInfo",    RKTextUse::KeyLabel,  "",    ""},
  {"options.keybinding.inventory",        RKTextUse::KeyLabel,  "",    ""},
  {"options.changeKey.prompt",            RKTextUse::Box,       "",    ""},
  {"options.changeKey.moveUp",            RKTextUse::Box,       "",    ""},
  {"options.changeKey.moveDown",          RKTextUse::Box,       "",    ""},
  {"options.changeKey.moveLeft",          RKTextUse::Box,       "",    ""},
  {"options.changeKey.moveRight",         RKTextUse::Box,       "",    ""},
  {"options.changeKey.take",              RKTextUse::Box,       "",    ""},
  {"options.changeKey.use",               RKTextUse::Box,       "",    ""},
  {"options.changeKey.drop",              RKTextUse::Box,       "",    ""},
  {"options.changeKey.characterInfo",     RKTextUse::Box,       "",    ""},
  {"options.changeKey.inventory",         RKTextUse::Box,       "",    ""},
  {"options.changeMusicVolume.header",    RKTextUse::Box,       "",    ""},
  {"options.changeMusicVolume.value",     RKTextUse::Box,       "#",   "0 to 100"},
  {"options.changeMusicVolume.leftRight", RKTextUse::Box,       "",    ""},
  {"options.changeMusicVolume.return",    RKTextUse::Box,       "",    ""},
  {"common.on",                           RKTextUse::Word,      "",    ""},
  {"common.off",                          RKTextUse::Word,      "",    ""},
  {"common.yes",                          RKTextUse::Word,      "",    ""},
  {"common.no",                           RKTextUse::Word,      "",    ""},
  // A pad's buttons by the labels it shows, and the texts that name them in place of keys
  // when the last press came from a pad.
  {"pad.a",                              RKTextUse::Word,      "",    ""},
  {"pad.b",                              RKTextUse::Word,      "",    ""},
  {"pad.x",                              RKTextUse::Word,      "",    ""},
  {"pad.y",                              RKTextUse::Word,      "",    ""},
  {"pad.cross",                          RKTextUse::Word,      "",    ""},
  {"pad.circle",                         RKTextUse::Word,      "",    ""},
  {"pad.square",                         RKTextUse::Word,      "",    ""},
  {"pad.triangle",                       RKTextUse::Word,      "",    ""},
  {"pad.dpadUp",                         RKTextUse::Word,      "",    ""},
  {"pad.dpadDown",                       RKTextUse::Word,      "",    ""},
  {"pad.dpadLeft",                       RKTextUse::Word,      "",    ""},
  {"pad.dpadRight",                      RKTextUse::Word,      "",    ""},
  {"pad.start",                          RKTextUse::Word,      "",    ""},
  {"pad.back",                           RKTextUse::Word,      "",    ""},
  {"pad.leftShoulder",                   RKTextUse::Word,      "",    ""},
  {"pad.rightShoulder",                  RKTextUse::Word,      "",    ""},
  {"pad.leftStick",                      RKTextUse::Word,      "",    ""},
  {"pad.rightStick",                     RKTextUse::Word,      "",    ""},
  {"pad.otherButton",                    RKTextUse::Word,      "",    ""},
  {"pad.stunPrompt",                     RKTextUse::Log,       "BB",  "the pad's confirm and cancel buttons"},
  {"pad.pepperPrompt",                   RKTextUse::Log,       "BB",  "the pad's confirm and cancel buttons"},
  {"pad.dropPrompt",                     RKTextUse::Prompt,    "BB",  "the pad's confirm and cancel buttons"},
  {"pad.usePrompt",                      RKTextUse::Prompt,    "BB",  "the pad's confirm and cancel buttons"},
  {"pad.pressButton",                    RKTextUse::Box,       "",    ""},
  {"pad.helpReturn",                     RKTextUse::Help,      "",    ""},
  {"pad.help",                           RKTextUse::Help,      "B",   "the pad's confirm button"},
  {"pad.helpHeader",                     RKTextUse::Help,      "",    ""},
  {"pad.keysHeader",                     RKTextUse::Help,      "",    ""},
  {"pad.changeKeyPrompt",                RKTextUse::Box,       "",    ""},
  {"pad.volumeReturn",                   RKTextUse::Box,       "",    ""},
};
// clang-format on

constexpr std::size_t CatalogueKeyCount() {
  std::size_t count = 0;
  for (const RKCatalogueRow& row : CATALOGUE_ROWS) {
    count += row.kinds == RKKindText::None ? 1 : KindTextKeyCount(row.kinds);
  }
  return count;
}

inline constexpr std::size_t CATALOGUE_KEY_COUNT = CatalogueKeyCount();

// Every key, the kinds' ones in place of the rows that stand for them.
inline constexpr std::array<RKCatalogueKey, CATALOGUE_KEY_COUNT> CATALOGUE_KEYS = [] {
  std::array<RKCatalogueKey, CATALOGUE_KEY_COUNT> keys{};
  std::size_t next = 0;
  for (const RKCatalogueRow& row : CATALOGUE_ROWS) {
    if (row.kinds == RKKindText::None) {
      keys[next++] = {row.key, row.use, row.tokens, row.about};
      continue;
    }
    for (std::size_t kind = 0; kind < std::size(KIND_TABLE); ++kind) {
      if (FirstWithKindTextKey(kind, row.kinds)) {
        keys[next++] = {KindTextKey(KIND_TABLE[kind], row.kinds), row.use, row.tokens, row.about};
      }
    }
  }
  return keys;
}();
