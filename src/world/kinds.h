#pragma once
// Every kind of thing that stands on a floor or lies in the pack, one row each: how it looks,
// whether it blocks, how it fights, what it adds when worn, what using it does, how often rooms
// get it and the keys of what the player reads about it. Floor generation, a new game, the
// saved game's loader, the name lookup, the catalogue of texts and the help box all take their
// kinds from this table; NewEntity makes an entity of a row.
//
// A new usable item takes: its row here, with its id and, for a new effect, an RKUseEffect; the
// effect's function in play/effects, with its case in UseFunctionFor; and its name and help
// line in every language file. Room population, the item-use registry, the saved game, the
// name lookup, the catalogue of keys and the help box follow the table by themselves.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "core/types.h"
#include "world/equipment.h"

class RKEntity;
class RKMap;

// One per row of the table, in the table's order.
enum class RKKindId : std::uint8_t {
  Player,
  Baton,
  Guard,
  EliteGuard,
  FirstAidKit,
  Taser,
  RiotShield,
  TranquilizerGun,
  StunGrenade,
  PepperSpray,
  UnconsciousGuard,
  StairsUp,
  Exit,
  StairsDown,
};

// Which components an entity of the kind is made with.
enum class RKKindRole : std::uint8_t {
  Player,     // a fighter and an equipment to wear pieces with
  Guard,      // a fighter and a guard's behaviour
  Usable,     // an item whose use function is the row's effect
  Equipment,  // an equippable, and with it an item without use function
  Fixture,    // none: the stairs, the exit, the decoration
};

// What using an item does. Each effect is a function of the game (play/effects); the item-use
// registry holds them in the order of the usable rows, and population and the saved game find
// an item's function there by its place.
enum class RKUseEffect : std::uint8_t {
  None,
  FirstAidKit,
  TranquilizerGun,
  StunGrenade,
  PepperSpray,
};

// Where the help box lists a kind's line.
enum class RKHelpSection : std::uint8_t { None, Map, Characters };

struct RKFighterNumbers {
  int hp = 0;  // hit points and their maximum
  int defense = 0;
  int power = 0;
  int level = 0;
  int xp = 0;  // the player's experience, or what knocking out the guard is worth
};

// What a piece adds to its wearer while worn.
struct RKWornNumbers {
  RKEquipmentSlot slot = MainHand;
  int power = 0;
  int defense = 0;
  int maxHP = 0;
};

// A kind's weight in a room's lottery from a floor on: an entry (weight, first floor) of a
// floor table. A kind has up to three; unused ones have weight 0.
struct RKChanceStep {
  int weight = 0;
  int firstFloor = 0;
};
constexpr std::size_t MAX_CHANCE_STEPS = 3;

struct RKKind {
  RKKindId id = RKKindId::Player;
  const char* name = "";  // canonical English name: saved, compared, and the key of the shown name
  unsigned char glyph = ' ';
  RKColors color = Black;
  bool blocks = false;
  bool visible = false;  // stays drawn on an explored cell out of view
  RKKindRole role = RKKindRole::Fixture;
  RKFighterNumbers fighter;             // Player and Guard
  RKWornNumbers worn;                   // Equipment
  RKUseEffect use = RKUseEffect::None;  // Usable
  // The name a room's lottery draws: guards in the guards' lottery, items in the items'; empty
  // for a kind no room gets.
  const char* lottery = "";
  RKChanceStep chances[MAX_CHANCE_STEPS] = {};
  // Catalogue keys. Without a name key the name is shown as it is, or through the prefix rule
  // of "Unconscious " names; without a help key the help box does not list the kind.
  const char* nameKey = "";
  const char* helpKey = "";
  RKHelpSection help = RKHelpSection::None;
};

// clang-format off
inline constexpr RKKind KIND_TABLE[] = {
  // id                         name                 glyph colour      blocks visible
  //   role                   fighter             worn                 use effect
  //   lottery         chances: (weight, from floor), ...
  //   name key                  help key                help section
  // fighter: {hp, defence, power, level, xp}; worn: {slot, power, defence, max HP}
  {RKKindId::Player,           "Player",            '@',  LightGreen, true,  true,
     RKKindRole::Player,    {100, 1, 2, 1, 0},  {},                  RKUseEffect::None,
     "",             {},
     "entity.player",          "help.player",          RKHelpSection::Characters},
  {RKKindId::Baton,            "Baton",             '-',  Cyan,       false, true,
     RKKindRole::Equipment, {},                 {MainHand, 2, 0, 0}, RKUseEffect::None,
     "",             {},
     "entity.baton",           "help.baton",           RKHelpSection::Characters},
  {RKKindId::Guard,            "Guard",             'g',  LightBlue,  true,  false,
     RKKindRole::Guard,     {20, 0, 4, 1, 35},  {},                  RKUseEffect::None,
     "Guard",        {{80, 1}},
     "entity.guard",           "help.guard",           RKHelpSection::Characters},
  {RKKindId::EliteGuard,       "Elite Guard",       'E',  Green,      true,  false,
     RKKindRole::Guard,     {30, 2, 8, 1, 100}, {},                  RKUseEffect::None,
     "Elite",        {{15, 3}, {30, 5}, {60, 7}},
     "entity.eliteGuard",      "help.eliteGuard",      RKHelpSection::Characters},
  {RKKindId::FirstAidKit,      "First Aid Kit",     '!',  Magenta,    false, true,
     RKKindRole::Usable,    {},                 {},                  RKUseEffect::FirstAidKit,
     "Heal",         {{35, 1}},
     "entity.firstAidKit",     "help.firstAidKit",     RKHelpSection::Characters},
  {RKKindId::Taser,            "Taser",             '\\', DarkGray,   false, true,
     RKKindRole::Equipment, {},                 {MainHand, 3, 0, 0}, RKUseEffect::None,
     "Taser",        {{5, 4}},
     "entity.taser",           "help.taser",           RKHelpSection::Characters},
  {RKKindId::RiotShield,       "Riot Shield",       '[',  LightGray,  false, true,
     RKKindRole::Equipment, {},                 {OffHand, 0, 1, 0},  RKUseEffect::None,
     "Shield",       {{15, 8}},
     "entity.riotShield",      "help.riotShield",      RKHelpSection::Characters},
  {RKKindId::TranquilizerGun,  "Tranquilizer Gun",  '}',  LightGreen, false, true,
     RKKindRole::Usable,    {},                 {},                  RKUseEffect::TranquilizerGun,
     "Tranquilizer", {{25, 4}},
     "entity.tranquilizerGun", "help.tranquilizerGun", RKHelpSection::Characters},
  {RKKindId::StunGrenade,      "Stun Grenade",      '?',  Yellow,     false, true,
     RKKindRole::Usable,    {},                 {},                  RKUseEffect::StunGrenade,
     "Stun",         {{25, 6}},
     "entity.stunGrenade",     "help.stunGrenade",     RKHelpSection::Characters},
  {RKKindId::PepperSpray,      "Pepper Spray",      '}',  LightRed,   false, true,
     RKKindRole::Usable,    {},                 {},                  RKUseEffect::PepperSpray,
     "Pepper",       {{10, 2}},
     "entity.pepperSpray",     "help.pepperSpray",     RKHelpSection::Characters},
  // Lies where the escape began, on the first floor; its line tells of every knocked-out guard.
  {RKKindId::UnconsciousGuard, "Unconscious Guard", '%',  LightBlue,  false, false,
     RKKindRole::Fixture,   {},                 {},                  RKUseEffect::None,
     "",             {},
     "",                       "help.unconscious",     RKHelpSection::Characters},
  // On the top floor the exit takes the place of the stairs up.
  {RKKindId::StairsUp,         "Stairs",            '<',  White,      false, true,
     RKKindRole::Fixture,   {},                 {},                  RKUseEffect::None,
     "",             {},
     "entity.stairs",          "help.stairsExit",      RKHelpSection::Map},
  {RKKindId::Exit,             "Exit",              '<',  Red,        false, true,
     RKKindRole::Fixture,   {},                 {},                  RKUseEffect::None,
     "",             {},
     "entity.exit",            "help.stairsExit",      RKHelpSection::Map},
  {RKKindId::StairsDown,       "Stairs",            '>',  White,      false, true,
     RKKindRole::Fixture,   {},                 {},                  RKUseEffect::None,
     "",             {},
     "entity.stairs",          "help.stairsPrev",      RKHelpSection::Map},
};
// clang-format on

constexpr bool KindTableFollowsIds() {
  for (std::size_t row = 0; row < std::size(KIND_TABLE); ++row) {
    if (static_cast<std::size_t>(KIND_TABLE[row].id) != row) return false;
  }
  return true;
}
static_assert(KindTableFollowsIds(), "the rows of KIND_TABLE must stand in RKKindId order");

constexpr const RKKind& KindOf(RKKindId id) { return KIND_TABLE[static_cast<std::size_t>(id)]; }

// The first row with that name, or null. Rows that share a name (the two stairs) differ only in
// their looks.
const RKKind* FindKind(const std::string& name);

// The use effects of the table, each once, in the order of the usable rows: the order of the
// item-use registry.
std::vector<RKUseEffect> UseEffectsInOrder();
// The effect's function from the item-use registry; null for no effect, or when the registry
// does not hold it.
UseFunction UseFunctionOf(RKUseEffect effect, const std::vector<UseFunction>& useFuncVec);

// A new entity of the kind at (x, y) on the map, with the components of its role: a fighter
// with the row's numbers that calls `death` when knocked out, a guard's behaviour, the player's
// equipment, an item that calls `use`, an equippable with the row's bonuses.
RKEntity* NewEntity(const RKKind& kind, int x, int y, RKMap* map, DeathFunction death = nullptr,
                    UseFunction use = nullptr);
