#pragma once
// Every key the game looks up in a language's catalogue, with the number of tokens ("{0}",
// "{1}", ...) the game fills into its text and where the text is shown. A language file is
// complete when it holds exactly these keys; the tests hold every shipped file to this table.
// A new lookup in the game needs its row here, or no test will ask the translators for it.

#include <cstddef>
#include <cstdint>
#include <iterator>

// Where a text reaches the player: it decides how long a line of it may be.
enum class RKTextUse : std::uint8_t {
  Log,        // posted to the message log: capitalised and wrapped at 57 columns
  Menu,       // the header or one line of a framed box; should fit on one line
  Inventory,  // a prompt or item line of the inventory box: capitalised, wrapped at 70 columns
  Help,       // one line of the help box, may colour its map symbol
  Hud,        // drawn in the heads-up panel's narrow left box or name strip
  Name,       // an entity's display name: a token of other texts
  Word,       // a short word filled into a menu line (on, off, yes, no)
};

struct RKCatalogueKey {
  const char* key;
  int tokens;  // the game fills {0} .. {tokens - 1}
  RKTextUse use;
};

// clang-format off
inline constexpr RKCatalogueKey catalogueKeys[] = {
  // key                                        tokens  use
  // The heads-up panel.
  {"hud.hp",                                    0, RKTextUse::Hud},
  {"hud.floor",                                 1, RKTextUse::Hud},     // floors left: 10 .. 1
  {"hud.namesSeparator",                        0, RKTextUse::Hud},
  // Entity names.
  {"entity.player",                             0, RKTextUse::Name},
  {"entity.baton",                              0, RKTextUse::Name},
  {"entity.guard",                              0, RKTextUse::Name},
  {"entity.eliteGuard",                         0, RKTextUse::Name},
  {"entity.firstAidKit",                        0, RKTextUse::Name},
  {"entity.taser",                              0, RKTextUse::Name},
  {"entity.riotShield",                         0, RKTextUse::Name},
  {"entity.tranquilizerGun",                    0, RKTextUse::Name},
  {"entity.stunGrenade",                        0, RKTextUse::Name},
  {"entity.pepperSpray",                        0, RKTextUse::Name},
  {"entity.stairs",                             0, RKTextUse::Name},
  {"entity.exit",                               0, RKTextUse::Name},
  {"entity.unconsciousPrefix",                  1, RKTextUse::Name},    // base name
  // The message log.
  {"message.objective",                         0, RKTextUse::Log},
  {"message.heal",                              0, RKTextUse::Log},
  {"message.fullHealth",                        0, RKTextUse::Log},
  {"message.pepperPrompt",                      0, RKTextUse::Log},
  {"message.pepperHit",                         1, RKTextUse::Log},     // target
  {"message.tranquilizerHit",                   2, RKTextUse::Log},     // target, damage
  {"message.noTranquilizerTarget",              0, RKTextUse::Log},
  {"message.stunPrompt",                        0, RKTextUse::Log},
  {"message.stunHit",                           2, RKTextUse::Log},     // target, damage
  {"message.stunExplode",                       1, RKTextUse::Log},     // radius
  {"message.defeated",                          0, RKTextUse::Log},
  {"message.enemyUnconscious",                  1, RKTextUse::Log},     // guard
  {"message.enemyUnconsciousXp",                2, RKTextUse::Log},     // guard, experience
  {"message.floorChange",                       1, RKTextUse::Log},     // floors left
  {"message.recharge",                          0, RKTextUse::Log},
  {"message.equipped",                          1, RKTextUse::Log},     // item
  {"message.dequipped",                         1, RKTextUse::Log},     // item
  {"message.attackHit",                         3, RKTextUse::Log},     // attacker, target, damage
  {"message.attackNoEffect",                    2, RKTextUse::Log},     // attacker, target
  {"message.confusionEnded",                    1, RKTextUse::Log},     // guard
  {"message.itemPickedUp",                      1, RKTextUse::Log},     // item
  {"message.inventoryFull",                     1, RKTextUse::Log},     // item
  {"message.itemDropped",                       1, RKTextUse::Log},     // item
  {"message.itemCantUse",                       1, RKTextUse::Log},     // item
  {"menu.levelUp.message",                      1, RKTextUse::Log},     // new level
  // The inventory box.
  {"inventory.header",                          0, RKTextUse::Menu},
  {"inventory.empty",                           0, RKTextUse::Inventory},
  {"inventory.itemEquipped",                    1, RKTextUse::Inventory},  // item
  {"inventory.dropPrompt",                      0, RKTextUse::Inventory},
  {"inventory.usePrompt",                       0, RKTextUse::Inventory},
  // Level-up, character information and the ending.
  {"menu.levelUp.header",                       0, RKTextUse::Menu},
  {"menu.levelUp.vitality",                     1, RKTextUse::Menu},    // new maximum hit points
  {"menu.levelUp.strength",                     1, RKTextUse::Menu},    // new attack
  {"menu.levelUp.agility",                      1, RKTextUse::Menu},    // new defense
  {"characterInfo.header",                      0, RKTextUse::Menu},
  {"characterInfo.maxHp",                       1, RKTextUse::Menu},
  {"characterInfo.attack",                      1, RKTextUse::Menu},
  {"characterInfo.defense",                     1, RKTextUse::Menu},
  {"characterInfo.experience",                  1, RKTextUse::Menu},
  {"characterInfo.experienceToLevel",           1, RKTextUse::Menu},
  {"ending.header",                             0, RKTextUse::Menu},
  {"ending.message",                            0, RKTextUse::Menu},
  // The main menu and a saved game that cannot be continued.
  {"menu.main.header",                          1, RKTextUse::Menu},    // game version
  {"menu.main.newGame",                         0, RKTextUse::Menu},
  {"menu.main.loadGame",                        0, RKTextUse::Menu},
  {"menu.main.options",                         0, RKTextUse::Menu},
  {"menu.main.help",                            0, RKTextUse::Menu},
  {"menu.main.quit",                            0, RKTextUse::Menu},
  {"menu.loadingFailed.header",                 0, RKTextUse::Menu},
  {"menu.loadingFailed.returnMainMenu",         0, RKTextUse::Menu},
  {"menu.loadingFailed.noSave",                 0, RKTextUse::Menu},
  {"menu.loadingFailed.badSignature",           0, RKTextUse::Menu},
  {"menu.loadingFailed.badVersion",             2, RKTextUse::Menu},    // saved, running version
  // A save that could not be written: the game (or the options menu) goes on.
  {"menu.saveFailed.header",                    0, RKTextUse::Menu},
  {"menu.saveFailed.game",                      1, RKTextUse::Menu},    // reason
  {"menu.saveFailed.settings",                  1, RKTextUse::Menu},    // reason
  {"menu.saveFailed.cannotCreate",              0, RKTextUse::Menu},    // a reason
  {"menu.saveFailed.cannotWrite",               0, RKTextUse::Menu},    // a reason
  {"menu.saveFailed.refused",                   0, RKTextUse::Menu},    // a reason
  {"menu.saveFailed.pressKey",                  0, RKTextUse::Menu},
  // The help box.
  {"menu.help.header",                          0, RKTextUse::Menu},
  {"menu.help.returnMainMenu",                  0, RKTextUse::Help},
  {"help.mapHeader",                            0, RKTextUse::Help},
  {"help.wall",                                 0, RKTextUse::Help},
  {"help.floor",                                0, RKTextUse::Help},
  {"help.stairsExit",                           0, RKTextUse::Help},
  {"help.stairsPrev",                           0, RKTextUse::Help},
  {"help.charactersHeader",                     0, RKTextUse::Help},
  {"help.player",                               0, RKTextUse::Help},
  {"help.baton",                                0, RKTextUse::Help},
  {"help.guard",                                0, RKTextUse::Help},
  {"help.eliteGuard",                           0, RKTextUse::Help},
  {"help.firstAidKit",                          0, RKTextUse::Help},
  {"help.taser",                                0, RKTextUse::Help},
  {"help.riotShield",                           0, RKTextUse::Help},
  {"help.tranquilizerGun",                      0, RKTextUse::Help},
  {"help.stunGrenade",                          0, RKTextUse::Help},
  {"help.pepperSpray",                          0, RKTextUse::Help},
  {"help.unconscious",                          0, RKTextUse::Help},
  {"help.miscHeader",                           0, RKTextUse::Help},
  {"help.mouse",                                0, RKTextUse::Help},
  // The options menu.
  {"menu.options.header",                       0, RKTextUse::Menu},
  {"options.fullscreen",                        1, RKTextUse::Menu},    // yes or no
  {"options.music",                             1, RKTextUse::Menu},    // on or off
  {"options.musicVolume",                       1, RKTextUse::Menu},    // 0 .. 100
  {"options.language",                          1, RKTextUse::Menu},    // language name
  {"options.saveChanges",                       0, RKTextUse::Menu},
  {"options.discardChanges",                    0, RKTextUse::Menu},
  {"options.restoreDefault",                    0, RKTextUse::Menu},
  {"options.keybinding.moveUp",                 0, RKTextUse::Menu},    // the key's name follows
  {"options.keybinding.moveDown",               0, RKTextUse::Menu},
  {"options.keybinding.moveLeft",               0, RKTextUse::Menu},
  {"options.keybinding.moveRight",              0, RKTextUse::Menu},
  {"options.keybinding.take",                   0, RKTextUse::Menu},
  {"options.keybinding.use",                    0, RKTextUse::Menu},
  {"options.keybinding.drop",                   0, RKTextUse::Menu},
  {"options.keybinding.characterInfo",          0, RKTextUse::Menu},
  {"options.keybinding.inventory",              0, RKTextUse::Menu},
  {"options.changeKey.prompt",                  0, RKTextUse::Menu},
  {"options.changeKey.moveUp",                  0, RKTextUse::Menu},
  {"options.changeKey.moveDown",                0, RKTextUse::Menu},
  {"options.changeKey.moveLeft",                0, RKTextUse::Menu},
  {"options.changeKey.moveRight",               0, RKTextUse::Menu},
  {"options.changeKey.take",                    0, RKTextUse::Menu},
  {"options.changeKey.use",                     0, RKTextUse::Menu},
  {"options.changeKey.drop",                    0, RKTextUse::Menu},
  {"options.changeKey.characterInfo",           0, RKTextUse::Menu},
  {"options.changeKey.inventory",               0, RKTextUse::Menu},
  {"options.changeMusicVolume.header",          0, RKTextUse::Menu},
  {"options.changeMusicVolume.value",           1, RKTextUse::Menu},    // 0 .. 100
  {"options.changeMusicVolume.leftRight",       0, RKTextUse::Menu},
  {"options.changeMusicVolume.return",          0, RKTextUse::Menu},
  {"common.on",                                 0, RKTextUse::Word},
  {"common.off",                                0, RKTextUse::Word},
  {"common.yes",                                0, RKTextUse::Word},
  {"common.no",                                 0, RKTextUse::Word},
};
// clang-format on

inline constexpr std::size_t catalogueKeyCount = std::size(catalogueKeys);
