// The language files that ship with the game, held to the table of keys the game looks up and
// to what the screen can show: every text present, tokens in place, colour codes the font
// understands, letters the font has, and lines that fit where they are drawn.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <list>
#include <set>
#include <string>
#include <vector>

#include "core/layout.h"
#include "core/message.h"
#include "localization/catalogue.h"
#include "localization/localization.h"
#include "world/kinds.h"

namespace {

const std::string DATA_DIR = TVK_DATA_DIR;

// The shipped list, with every file path made absolute so the tests need no working folder.
RKLocalization ShippedList() {
  RKLocalization localization;
  EXPECT_TRUE(localization.LoadLanguageList(DATA_DIR + "/languages/languages.cson"));
  for (RKLanguageEntry& entry : localization.availableLanguages) {
    entry.file = DATA_DIR + "/" + entry.file;
  }
  return localization;
}

// Runs check on every shipped language, loaded into its own service.
template <class Check>
void ForEveryLanguage(Check check) {
  const RKLocalization list = ShippedList();
  ASSERT_FALSE(list.GetAvailableLanguages().empty());
  for (const RKLanguageEntry& entry : list.GetAvailableLanguages()) {
    SCOPED_TRACE("language " + entry.code);
    RKLocalization language = list;
    ASSERT_TRUE(language.LoadLanguageByCode(entry.code));
    check(language, entry);
  }
}

// Bytes of a text that reach the screen: colour codes take no room, the rest one cell each.
std::size_t VisibleLength(const std::string& text) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "^C") == 0) {
      i += 2;
      while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
      if (i < text.size() && (text[i] == '^' || text[i] == '|')) continue;
      --i;
      continue;
    }
    ++length;
  }
  return length;
}

// The longest display name in the language: the widest thing a name token can receive.
std::string LongestName(const RKLocalization& language) {
  std::string longest;
  for (const auto& [name, key] : language.entityNameKeys) {
    const std::string shown = language.LocalizeEntityName(name);
    if (shown.size() > longest.size()) longest = shown;
  }
  return longest;
}

// The key's text with every token filled by the longest name, so that a line that fits here
// fits with any argument the game passes (numbers and versions are shorter).
std::string WidestText(const RKLocalization& language, const RKCatalogueKey& row) {
  return language.TFormat(row.key,
                          std::vector<std::string>(TokenCount(row), LongestName(language)));
}

std::list<std::string> Wrap(const std::string& text, unsigned width) {
  RKMessage wrapper;
  std::list<std::string> lines;
  wrapper.WordWarp(text, lines, width, true);
  return lines;
}

bool IsCapitalised(RKTextUse use) {
  // Log lines, names (which appear in log lines) and the inventory box are upper-cased by the
  // game, a-z only.
  return TextPlace(use).capitalised;
}

TEST(ShippedLanguages, ListOffersEnglishByDefaultWithAsciiNamesAndUniqueCodes) {
  const RKLocalization list = ShippedList();
  EXPECT_EQ(list.GetDefaultLanguageCode(), "en");
  EXPECT_GE(list.GetAvailableLanguages().size(), 5u);
  std::set<std::string> codes;
  for (const RKLanguageEntry& entry : list.GetAvailableLanguages()) {
    SCOPED_TRACE(entry.code);
    EXPECT_TRUE(codes.insert(entry.code).second) << "listed twice";
    ASSERT_FALSE(entry.name.empty());
    for (char c : entry.name) {
      // Names beyond ASCII are written as escapes, like the texts.
      EXPECT_TRUE(c >= 32 && c <= 126) << entry.name;
    }
  }
}

TEST(ShippedLanguages, EveryFilePassesTheCheckTool) {
  const std::string tool = CSON_TOOL_PATH;
  if (tool.empty()) {
    GTEST_SKIP() << "the cson tool is not built";
  }
  const RKLocalization list = ShippedList();
  std::string command = "\"" + tool + "\" check \"" + DATA_DIR + "/languages/languages.cson\"";
  for (const RKLanguageEntry& entry : list.GetAvailableLanguages()) {
    command += " \"" + entry.file + "\"";
  }
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

TEST(ShippedLanguages, EveryFileHoldsExactlyTheKeysTheGameLooksUp) {
  std::set<std::string> wanted;
  for (const RKCatalogueKey& row : CATALOGUE_KEYS) {
    EXPECT_TRUE(wanted.insert(row.key).second) << row.key << " is in the table twice";
  }
  ForEveryLanguage([&wanted](const RKLocalization& language, const RKLanguageEntry&) {
    for (const std::string& key : wanted) {
      EXPECT_TRUE(language.translations.count(key)) << "missing: " << key;
    }
    for (const auto& [key, text] : language.translations) {
      EXPECT_TRUE(wanted.count(key)) << "stray: " << key;
    }
  });
}

TEST(ShippedLanguages, EveryTextCarriesExactlyTheTokensItsKeyReceives) {
  ForEveryLanguage([](const RKLocalization& language, const RKLanguageEntry&) {
    for (const RKCatalogueKey& row : CATALOGUE_KEYS) {
      SCOPED_TRACE(row.key);
      const std::string text = language.T(row.key);
      for (int i = 0; i < TokenCount(row); ++i) {
        EXPECT_NE(text.find("{" + std::to_string(i) + "}"), std::string::npos)
            << "token " << i << " missing in: " << text;
      }
      // A token beyond the arguments would reach the screen as written.
      for (int i = TokenCount(row); i < 10; ++i) {
        EXPECT_EQ(text.find("{" + std::to_string(i) + "}"), std::string::npos)
            << "token " << i << " never filled in: " << text;
      }
    }
  });
}

TEST(ShippedLanguages, ColourCodesAreWellFormed) {
  ForEveryLanguage([](const RKLocalization& language, const RKLanguageEntry&) {
    for (const auto& [key, text] : language.translations) {
      for (std::size_t at = text.find("^C"); at != std::string::npos;
           at = text.find("^C", at + 1)) {
        SCOPED_TRACE(key + ": " + text);
        std::size_t end = at + 2;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        const std::string digits = text.substr(at + 2, end - at - 2);
        ASSERT_FALSE(digits.empty()) << "colour code without a number";
        ASSERT_LE(digits.size(), 2u);
        EXPECT_LE(std::stoi(digits), 15) << "no such palette colour";
        ASSERT_LT(end, text.size()) << "colour code runs to the end";
        EXPECT_TRUE(text[end] == '^' || text[end] == '|') << "colour code without terminator";
        EXPECT_LT(end + 1, text.size()) << "colour code colours nothing";
      }
    }
  });
}

TEST(ShippedLanguages, EveryByteHasAGlyphThatShowsTheIntendedLetter) {
  ForEveryLanguage([](const RKLocalization& language, const RKLanguageEntry&) {
    for (const RKCatalogueKey& row : CATALOGUE_KEYS) {
      SCOPED_TRACE(row.key);
      const std::string text = language.T(row.key);
      for (unsigned char c : text) {
        // 128-159 and control codes are blank in the font; 185-188, 200-205 and 219 are
        // frame pieces and the block, so the Latin-1 letters there cannot be shown.
        const bool frame = (c >= 185 && c <= 188) || (c >= 200 && c <= 205) || c == 219;
        EXPECT_TRUE((c >= 32 && c <= 126) || (c >= 160 && !frame))
            << "byte " << int(c) << " in: " << text;
        // Capitalising leaves bytes above 127 alone: a small accented letter would stay small.
        if (IsCapitalised(row.use)) {
          EXPECT_FALSE(c >= 0xE0 && c != 0xF7 && c != 0xFF)
              << "small letter " << int(c) << " in a capitalised text: " << text;
        }
      }
    }
  });
}

TEST(ShippedLanguages, LinesFitWhereTheGameDrawsThem) {
  ForEveryLanguage([](const RKLocalization& language, const RKLanguageEntry&) {
    for (const RKCatalogueKey& row : CATALOGUE_KEYS) {
      SCOPED_TRACE(row.key);
      const std::string text = WidestText(language, row);
      const RKTextPlace& place = TextPlace(row.use);
      const auto room = static_cast<std::size_t>(place.columns - place.added);
      switch (row.use) {
        case RKTextUse::Log: {
          // Capitalising turns backslash + n into backslash + N, shown as two characters.
          EXPECT_EQ(text.find("\\n"), std::string::npos) << text;
          const std::list<std::string> lines = Wrap(text, LOG_COLUMNS * 8);
          // The panel shows six lines and a turn may post several messages.
          EXPECT_LE(lines.size(), 2u) << text;
          for (const std::string& line : lines) EXPECT_LE(line.size(), room) << line;
          break;
        }
        case RKTextUse::Prompt:
        case RKTextUse::Item: {
          // Prompts wrap at their own width; an item line gets "(a) " in front of it.
          const std::list<std::string> lines = Wrap(text, PROMPT_COLUMNS * 8);
          EXPECT_LE(lines.size(), 2u) << text;
          for (const std::string& line : lines) {
            EXPECT_LE(VisibleLength(line), room) << line;
          }
          break;
        }
        case RKTextUse::Sentence: {
          const std::list<std::string> lines = Wrap(text, BOX_TEXT_COLUMNS * 8);
          EXPECT_LE(lines.size(), 2u) << text;
          for (const std::string& line : lines) EXPECT_LE(VisibleLength(line), room) << line;
          break;
        }
        case RKTextUse::Box:
        case RKTextUse::Choice:
        case RKTextUse::KeyLabel:
          // Room for the "> " and " <" of the selected line, or the key's name, on one line.
          EXPECT_LE(VisibleLength(text), room) << text;
          break;
        case RKTextUse::HpLabel:
        case RKTextUse::Hud:
          // The left box of the panel; the bar's label adds ": 999/999".
          EXPECT_LE(VisibleLength(language.TFormat(row.key, {"10"})), room) << text;
          break;
        case RKTextUse::Separator: {
          const std::string two = LongestName(language) + text + LongestName(language);
          EXPECT_LE(VisibleLength(two), room) << two;
          break;
        }
        case RKTextUse::Name:
        case RKTextUse::Word:
          EXPECT_LE(VisibleLength(text), room) << text;
          break;
        case RKTextUse::Help:
          break;  // measured as a whole box below
      }
    }
  });
}

TEST(ShippedLanguages, HelpLinesNeverWrapInTheirBox) {
  ForEveryLanguage([](const RKLocalization& language, const RKLanguageEntry&) {
    // The box wraps at the widest visible line, but the wrapper counts colour codes too: a
    // coloured line must not be longer in bytes than the widest line is on screen.
    std::size_t widest = VisibleLength(language.T("menu.help.header"));
    for (const RKCatalogueKey& row : CATALOGUE_KEYS) {
      if (row.use == RKTextUse::Help) {
        widest = std::max(widest, VisibleLength(language.T(row.key)));
      }
    }
    EXPECT_LE(widest, 76u) << "wider than the screen";
    for (const RKCatalogueKey& row : CATALOGUE_KEYS) {
      if (row.use != RKTextUse::Help) continue;
      SCOPED_TRACE(row.key);
      const std::string text = language.T(row.key);
      EXPECT_EQ(Wrap(text, static_cast<unsigned>(std::min<std::size_t>(8 * widest, 608))).size(),
                1u)
          << text;
    }
  });
}

TEST(ShippedLanguages, HelpShowsEveryMapSymbolInItsOwnColour) {
  struct Row {
    const char* key;
    char glyph;
    int colour;  // as the map draws it
  };
  const Row rows[] = {
      {"help.wall", '#', 1},
      {"help.floor", '.', 15},
      {"help.stairsExit", '<', 15},
      {"help.stairsExit", '<', 4},
      {"help.stairsPrev", '>', 15},
      {"help.player", '@', 10},
      {"help.baton", '-', 3},
      {"help.guard", 'g', 9},
      {"help.eliteGuard", 'E', 2},
      {"help.firstAidKit", '!', 5},
      {"help.taser", '\\', 8},
      {"help.riotShield", '[', 7},
      {"help.tranquilizerGun", '}', 10},
      {"help.stunGrenade", '?', 14},
      {"help.pepperSpray", '}', 12},
      {"help.unconscious", '%', 9},
  };
  ForEveryLanguage([&rows](const RKLocalization& language, const RKLanguageEntry&) {
    for (const Row& row : rows) {
      SCOPED_TRACE(row.key);
      const std::string coloured = "^C" + std::to_string(row.colour) + "^" + row.glyph;
      EXPECT_NE(language.T(row.key).find(coloured), std::string::npos) << language.T(row.key);
    }
  });
}

// Every row of the kinds table is named and explained in every language: its display name
// from its own key, and its help line showing its glyph in its colour, as the map draws it.
TEST(ShippedLanguages, EveryKindHasItsNameAndItsHelpLine) {
  ForEveryLanguage([](const RKLocalization& language, const RKLanguageEntry&) {
    for (const RKKind& kind : KIND_TABLE) {
      SCOPED_TRACE(kind.name);
      if (*kind.nameKey != '\0') {
        ASSERT_TRUE(language.translations.count(kind.nameKey)) << "missing: " << kind.nameKey;
        EXPECT_EQ(language.LocalizeEntityName(kind.name), language.T(kind.nameKey));
      }
      if (*kind.helpKey != '\0') {
        ASSERT_TRUE(language.translations.count(kind.helpKey)) << "missing: " << kind.helpKey;
        const std::string looks = "^C" + std::to_string(kind.color) + "^" + char(kind.glyph);
        EXPECT_NE(language.T(kind.helpKey).find(looks), std::string::npos)
            << language.T(kind.helpKey);
      }
    }
  });
}

}  // namespace
