// Lookup with its fallbacks, token filling, localized entity names and the escapes of
// catalogue texts.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "localization/localization.h"

namespace {

using Catalogue = std::vector<std::pair<std::string, std::string>>;

RKLocalization WithCatalogue(const Catalogue& catalogue) {
  RKLocalization localization;
  for (const auto& [key, text] : catalogue) {
    localization.translations[key] = text;
  }
  return localization;
}

TEST(Lookup, FallsBackToTheKeyTheFallbackOrNothingElse) {
  const RKLocalization localization =
      WithCatalogue({{"menu.main.quit", "Quit"}, {"hud.namesSeparator", ""}});
  struct Row {
    const char* name;
    std::string key;
    std::string viaT;         // T(key)
    std::string viaFallback;  // TranslateKeyOrFallback(key, "fallback")
  };
  const Row rows[] = {
      {"found key", "menu.main.quit", "Quit", "Quit"},
      {"missing key", "menu.main.qiut", "menu.main.qiut", "fallback"},
      {"empty text is still found", "hud.namesSeparator", "", ""},
      {"keys are case-sensitive", "Menu.main.quit", "Menu.main.quit", "fallback"},
      {"keys are not trimmed", "menu.main.quit ", "menu.main.quit ", "fallback"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(localization.T(row.key), row.viaT);
    EXPECT_EQ(localization.TranslateKeyOrFallback(row.key, "fallback"), row.viaFallback);
  }
}

TEST(Lookup, FormatFillsTheFoundTextAndShowsAMissingKeyAsItIs) {
  const RKLocalization localization = WithCatalogue({{"hud.floor", "Floor {0}"}});
  EXPECT_EQ(localization.TFormat("hud.floor", {"10"}), "Floor 10");
  EXPECT_EQ(localization.TFormat("message.floorChange", {"9"}), "message.floorChange");
}

TEST(ReplaceTokens, FillsNumberedTokensInArgumentOrder) {
  const RKLocalization localization;
  const std::vector<std::string> eleven = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"};
  struct Row {
    const char* name;
    std::string text;
    std::vector<std::string> args;
    std::string expected;
  };
  const Row rows[] = {
      {"every occurrence of a repeated token",
       "{0} hit {1}, {0} again",
       {"Guard", "You"},
       "Guard hit You, Guard again"},
      {"token arriving in an earlier argument is filled later", "[{0}]", {"x{1}y", "Z"}, "[xZy]"},
      {"argument holding its own token is inserted once", "{0}-{0}", {"<{0}>"}, "<{0}>-<{0}>"},
      {"token without an argument stays as written", "{0} {1} {2}", {"a", "b"}, "a b {2}"},
      {"no arguments leave the text alone", "{0} stays", {}, "{0} stays"},
      {"token 10 is not token 1 followed by 0", "{10}{1}", eleven, "kb"},
      {"braces that are no token are text", "{} {x} {-1} {0", {"A"}, "{} {x} {-1} {0"},
      {"a name between braces is text", "{name} {0}", {"A"}, "{name} A"},
      {"empty argument removes the token", "a{0}b", {""}, "ab"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(localization.ReplaceTokens(row.text, row.args), row.expected);
  }
}

TEST(LocalizeEntityName, TranslatesKnownNamesAndAppliesTheUnconsciousPrefix) {
  const Catalogue german = {{"entity.guard", "Wachmann"},
                            {"entity.eliteGuard", "Elite-Wachmann"},
                            {"entity.unconsciousPrefix", "{0} (bewusstlos)"}};
  const Catalogue withoutPrefix = {{"entity.guard", "Wachmann"}};
  const Catalogue noToken = {{"entity.guard", "W"}, {"entity.unconsciousPrefix", "KO"}};
  const Catalogue twoTokens = {{"entity.guard", "W"}, {"entity.unconsciousPrefix", "{0}+{0}"}};
  struct Row {
    const char* name;
    const Catalogue& catalogue;
    std::string input;
    std::string expected;
  };
  const Catalogue none;
  const Row rows[] = {
      {"known name", german, "Guard", "Wachmann"},
      {"known name without its key keeps English", german, "Stairs", "Stairs"},
      {"unknown name unchanged", german, "Dragon", "Dragon"},
      {"prefix with a known base", german, "Unconscious Guard", "Wachmann (bewusstlos)"},
      {"prefix with a two-word base", german, "Unconscious Elite Guard",
       "Elite-Wachmann (bewusstlos)"},
      {"prefix with an unknown base", german, "Unconscious Dragon", "Dragon (bewusstlos)"},
      {"prefix applies recursively", german, "Unconscious Unconscious Guard",
       "Wachmann (bewusstlos) (bewusstlos)"},
      {"prefix alone gives an empty base", german, "Unconscious ", " (bewusstlos)"},
      {"prefix needs its blank", german, "Unconscious", "Unconscious"},
      {"prefix is case-sensitive", german, "unconscious Guard", "unconscious Guard"},
      {"without the prefix key the whole name stays English", withoutPrefix, "Unconscious Guard",
       "Unconscious Guard"},
      {"empty catalogue keeps English names", none, "Unconscious Elite Guard",
       "Unconscious Elite Guard"},
      {"empty catalogue, plain name", none, "Player", "Player"},
      {"prefix text without the token is the whole name", noToken, "Unconscious Unconscious Guard",
       "KO"},
      {"prefix text with the token twice doubles per prefix", twoTokens,
       "Unconscious Unconscious Guard", "W+W+W+W"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(WithCatalogue(row.catalogue).LocalizeEntityName(row.input), row.expected);
  }
}

// A pack item named with 20,000 prefixes killed the sanitizer build when the pack opened: every
// prefix cost a recursion and a copy of the rest of the name. 100,000 prefixes now take one pass.
TEST(LocalizeEntityName, ThousandsOfPrefixesTakeOnePass) {
  constexpr std::size_t PREFIXES = 100000;
  std::string name;
  for (std::size_t i = 0; i < PREFIXES; ++i) name += "Unconscious ";
  name += "Guard";
  std::string expected = "Wachmann";
  for (std::size_t i = 0; i < PREFIXES; ++i) expected += " (bewusstlos)";
  const RKLocalization german = WithCatalogue(
      {{"entity.guard", "Wachmann"}, {"entity.unconsciousPrefix", "{0} (bewusstlos)"}});
  EXPECT_EQ(german.LocalizeEntityName(name), expected);

  // A prefix text that holds the token twice doubles the name with every prefix: it stops
  // growing once it is longer than any screen shows.
  const RKLocalization doubling =
      WithCatalogue({{"entity.guard", "W"}, {"entity.unconsciousPrefix", "{0}{0}"}});
  EXPECT_LT(doubling.LocalizeEntityName(name).size(), 10000u);
}

TEST(NormalizeText, TurnsCodePointEscapesIntoFontBytes) {
  const RKLocalization localization;
  struct Row {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Row rows[] = {
      {"code point below 256 becomes its byte", "caf\\u00e9", "caf\xE9"},
      {"upper-case hex digits", "\\u00C4rger", "\xC4rger"},
      {"last one-byte code", "\\u00ff", "\xFF"},
      {"first code the font cannot show", "\\u0100", "?"},
      {"code point far beyond the font", "\\u263a!", "?!"},
      {"ASCII through an escape", "\\u0041BC", "ABC"},
      {"doubled backslash becomes one", "a\\\\b", "a\\b"},
      {"doubled backslash protects an escape", "\\\\u00e9", "\\u00e9"},
      {"backslash n is left for the word wrapper", "a\\nb", "a\\nb"},
      {"too few digits at the end", "x\\u12", "x\\u12"},
      {"non-hex digit", "\\u12g4", "\\u12g4"},
      {"lone backslash at the end", "a\\", "a\\"},
      {"backslash before a blank", "\\ x", "\\ x"},
      {"two escapes in a row", "\\u00e4\\u00df", "\xE4\xDF"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(localization.NormalizeText(row.text), row.expected);
  }
}

TEST(StartsWith, ComparesTheBeginningByteForByte) {
  const RKLocalization localization;
  struct Row {
    const char* text;
    const char* prefix;
    bool expected;
  };
  const Row rows[] = {
      {"", "", true},       {"abc", "", true},   {"abc", "ab", true}, {"abc", "abc", true},
      {"ab", "abc", false}, {"abc", "b", false}, {"Abc", "a", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.text) + " / " + row.prefix);
    EXPECT_EQ(localization.StartsWith(row.text, row.prefix), row.expected);
  }
}

}  // namespace
