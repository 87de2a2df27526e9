// tvk-lang's rules: a clean language file made from the key table, spoiled one fault at a
// time, must draw exactly the report that names the fault at its place; the shipped files are
// clean; the template of a new language and its line in the list.

#include "langtool/langcheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cson/cson.h"
#include "localization/catalogue.h"
#include "localization/localization.h"
#include "support/runfolder.h"

namespace {

const std::string DATA_DIR = TVK_DATA_DIR;

// A complete language file written from the key table, every text "Ok" and its tokens, so
// that it is clean. Texts can be replaced (the value as written between the quotes, or a whole
// value with `raw`), keys left out, and lines added at the end. Remembers where each text
// starts.
class RKLanguageFixture {
 public:
  std::map<std::string, std::string> texts;  // key -> text between quotes
  std::map<std::string, std::string> raw;    // key -> whole value as written
  std::vector<std::string> omitted;
  std::string extra;

  std::string Write() {
    // Sorted by the parts of their keys, so that every object's members are written together.
    std::vector<std::pair<std::vector<std::string>, const RKCatalogueKey*>> rows;
    for (const RKCatalogueKey& row : CATALOGUE_KEYS) {
      std::vector<std::string> parts;
      std::stringstream split(row.key);
      for (std::string part; std::getline(split, part, '.');) parts.push_back(part);
      rows.push_back({parts, &row});
    }
    std::sort(rows.begin(), rows.end());
    std::string out = "# made by the test\n";
    std::vector<std::string> open;
    for (auto [parts, rowPointer] : rows) {
      const RKCatalogueKey& row = *rowPointer;
      if (std::find(omitted.begin(), omitted.end(), row.key) != omitted.end()) continue;
      const std::string leaf = parts.back();
      parts.pop_back();
      std::size_t same = 0;
      while (same < open.size() && same < parts.size() && open[same] == parts[same]) ++same;
      for (std::size_t depth = same; depth < parts.size(); ++depth) {
        out += std::string(2 * depth, ' ') + parts[depth] + ":\n";
      }
      open = parts;
      const std::string prefix = std::string(2 * parts.size(), ' ') + leaf + ": ";
      std::string value;
      if (raw.count(row.key)) {
        value = raw[row.key];
      } else if (texts.count(row.key)) {
        value = "\"" + texts[row.key] + "\"";
      } else {
        value = "\"Ok";
        for (int i = 0; i < TokenCount(row); ++i) value += " {" + std::to_string(i) + "}";
        value += "\"";
      }
      line[row.key] = Lines(out) + 1;
      column[row.key] = prefix.size() + 1;
      out += prefix + value + "\n";
    }
    return out + extra;
  }

  std::map<std::string, std::uint64_t> line, column;

 private:
  static std::uint64_t Lines(const std::string& text) {
    return static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n'));
  }
};

std::string Describe(const std::vector<RKLangIssue>& issues) {
  std::string text;
  for (const RKLangIssue& issue : issues) {
    text += std::to_string(issue.line) + ":" + std::to_string(issue.column) +
            (issue.error ? " error: " : " warning: ") + issue.message + "\n";
  }
  return text.empty() ? "(none)" : text;
}

TEST(LangCheck, TheFixtureIsClean) {
  RKLanguageFixture file;
  const std::vector<RKLangIssue> issues = CheckLanguageText(file.Write());
  EXPECT_TRUE(issues.empty()) << Describe(issues);
}

// Each row spoils one text and expects exactly one report, at the text's start plus `offset`
// columns (the offending character's place), or nothing at all when `message` is empty.
TEST(LangCheck, EachFaultIsReportedOnceAtItsPlace) {
  struct RKCase {
    const char* name;
    const char* key;
    std::string text;  // between the quotes, as written in the file
    bool error;
    int offset;  // columns from the opening quote; -1: anywhere on the text's line
    const char* message;
  };
  const std::string w57(57, 'W'), w58(58, 'W'), a72(72, 'a'), a73(73, 'a');
  const std::string manyWords = "ok ok ok ok ok ok ok ok ok ok ok ok ok ok ok ok ok ok ok ok ";
  // 99 cells: 20 words of four letters; the help box wraps them onto two lines.
  std::string help99 = "word";
  for (int i = 1; i < 20; ++i) help99 += " word";
  const RKCase cases[] = {
      // Tokens: those the game fills, no other.
      {"a token the game fills is left out", "message.attackHit", "Ok {0} {2}", true, 0,
       "lacks {1} (target), which the English text has"},
      {"a token the game never fills", "message.heal", "Ok {1}", true, 4,
       "{1} is not filled by the game and shows as written: this text gets no tokens"},
      {"a token number with a leading zero", "message.pepperHit", "{0} {00}", true, 5,
       "{00} is not a token and shows as written: write {0}"},
      {"a token used twice is fine", "message.pepperHit", "{0}, {0}!", false, 0, ""},
      // Characters the font cannot show, and how they were written.
      {"a letter stored as UTF-8", "menu.main.help", "Caf\xC3\xA9", true, 4,
       "\"\xC3\xA9\" (U+00E9) is stored as UTF-8 and shows as 2 wrong glyphs: write it as "
       "\\\\u00e9"},
      {"an escape with a single backslash is UTF-8 too", "menu.main.help", "Caf\\u00e9", true, 4,
       "stored as UTF-8"},
      {"a code point beyond Latin-1", "menu.main.help", "Euro \\\\u20ac", true, 6,
       "\"\xE2\x82\xAC\" (U+20AC) has no glyph in the font and shows as \"?\""},
      {"a letter whose place holds a frame piece", "menu.main.help", "\\\\u00c9t\\\\u00e9", true, 1,
       "\"\xC3\x89\" (U+00C9) has no glyph in the font: its place holds a frame piece"},
      {"a control character", "menu.main.help", "Tab\\there", true, 4,
       "control character (U+0009) has no glyph in the font"},
      {"an accented letter outside capitals is fine", "menu.main.help", "\\\\u00e9t\\\\u00e9",
       false, 0, ""},
      // Texts shown in capitals.
      {"a small letter with a capital in the font", "message.heal", "Gro\\\\u00e4", true, 4,
       "\"\xC3\xA4\" stays small when the game writes this text in capitals: write its capital "
       "\\\\u00c4"},
      {"a small letter without a capital in the font", "entity.guard", "Gard\\\\u00e9", true, 5,
       "\"\xC3\xA9\" stays small when the game writes this text in capitals, and the font has no "
       "capital of it: write E"},
      {"a sharp s in capitals", "message.heal", "Gro\\\\u00df", false, 4,
       "stays small in capitals and has no capital in the font: SS may read better"},
      {"a capital accented letter in capitals is fine", "message.heal", "\\\\u00c4RGER", false, 0,
       ""},
      // Colour codes.
      {"a colour code without its number", "help.wall", "^C^# Wall", true, 1,
       "\"^C\" needs a colour number from 0 to 15, or it shows as written"},
      {"a colour beyond the palette", "help.wall", "^C16^# Wall", true, 1,
       "colour 16 does not exist (0 to 15): the code shows as written"},
      {"a colour code without its terminator", "help.wall", "^C12# Wall", true, 1,
       "\"^C12\" needs \"^\" (one character) or \"|\" (the rest) after its number"},
      {"a colour code at the very end", "ending.message", "Free ^C12^", true, 6,
       "\"^C12^\" at the end colours nothing"},
      // Room: each place, at its limit and one cell past it.
      {"a menu line fills the room \"> \" and \" <\" leave", "menu.main.quit", a72, false, 0, ""},
      {"a menu line one cell too long", "menu.main.quit", a73, true, 0,
       "too long for the menu line: 73 cells, where 72 fit (\"> \" and \" <\" go around it when "
       "chosen)"},
      {"a box line of the screen's width", "ending.message", std::string(76, 'a'), false, 0, ""},
      {"a box line wider than the screen", "ending.message", std::string(77, 'a'), true, 0,
       "77 cells, where 76 fit"},
      {"a box breaks its lines where asked", "ending.message",
       std::string(70, 'a') + "\\\\n" + std::string(70, 'a'), false, 0, ""},
      {"an options line leaves room for the key's name", "options.keybinding.take",
       std::string(61, 'a'), true, 0, "61 cells, where 60 fit"},
      {"a value token counts at its widest", "options.musicVolume", std::string(69, 'a') + "{0}",
       true, 0, "too long for the menu line: 73 cells with its tokens filled in, where 72 fit"},
      {"the hit point label leaves room for its numbers", "hud.hp", "Lebenspunkte", true, 0,
       "too long for the hit point bar: 12 cells, where 11 fit (\": 999/999\" follows it)"},
      {"the floor fits the left box", "hud.floor", "Stockwerk Nummer {0}", true, 0,
       "21 cells with its tokens filled in, where 20 fit"},
      {"a name longer than half the names strip", "entity.taser", std::string(39, 'a'), true, 0,
       "39 cells, where 38 fit"},
      {"a log word as wide as the log", "message.heal", w57, false, 0, ""},
      {"a log word wider than the log", "message.heal", w58, true, 0,
       "is longer than the 57 cells of the message log and runs past its edge"},
      {"a log line breaks into a third line", "message.heal", manyWords + manyWords, false, 0,
       "takes 3 lines of the message log: keep it to 2"},
      {"a log message longer than the log", "message.heal",
       manyWords + manyWords + manyWords + manyWords + manyWords + manyWords + manyWords, true, 0,
       "takes 8 lines: the message log shows 6"},
      {"a line break in the log", "message.heal", "One\\\\nTwo", true, 0,
       "\\n is shown as written here: the message log has no line breaks"},
      {"a prompt of three lines", "inventory.usePrompt", manyWords + manyWords + manyWords, false,
       0, "takes 3 lines of the inventory prompt: keep it to 2"},
      {"a help line the box wraps onto two lines", "help.wall", help99, false, 0, ""},
      {"a help line of three lines", "help.wall", help99 + " " + help99, false, 0,
       "takes 3 lines of the help box: keep it to 2"},
      {"a help word wider than the box", "help.wall", std::string(77, 'a'), true, 0,
       "is longer than the 76 cells of the help box and runs past its edge"},
      {"a help line whose colour codes make it break", "help.wall", "^C1^# " + std::string(74, 'a'),
       true, 0, "breaks in two in the help box"},
      // Empty texts.
      {"an empty text", "menu.main.quit", "", false, 0, "\"menu.main.quit\" is empty"},
  };
  for (const RKCase& c : cases) {
    SCOPED_TRACE(c.name);
    RKLanguageFixture file;
    file.texts[c.key] = c.text;
    const std::vector<RKLangIssue> issues = CheckLanguageText(file.Write());
    if (std::string(c.message).empty()) {
      EXPECT_TRUE(issues.empty()) << Describe(issues);
      continue;
    }
    ASSERT_EQ(issues.size(), 1u) << Describe(issues);
    EXPECT_EQ(issues[0].error, c.error);
    EXPECT_EQ(issues[0].line, file.line[c.key]);
    if (c.offset >= 0) {
      EXPECT_EQ(issues[0].column, file.column[c.key] + c.offset);
    }
    EXPECT_NE(issues[0].message.find(c.message), std::string::npos) << issues[0].message;
  }
}

TEST(LangCheck, KeysMissingUnknownTwiceOrNotTexts) {
  {
    SCOPED_TRACE("missing: at the object that should hold it");
    RKLanguageFixture file;
    file.omitted = {"menu.main.quit"};
    const std::string text = file.Write();
    const std::vector<RKLangIssue> issues = CheckLanguageText(text);
    ASSERT_EQ(issues.size(), 1u) << Describe(issues);
    EXPECT_TRUE(issues[0].error);
    EXPECT_EQ(issues[0].message, "missing \"menu.main.quit\" (menu line)");
    EXPECT_EQ(issues[0].line, file.line["menu.main.header"] - 1);  // "  main:"
    EXPECT_EQ(issues[0].column, 3u);
  }
  {
    SCOPED_TRACE("unknown: a warning at the key");
    RKLanguageFixture file;
    file.extra = "extra:\n  quit: \"Quit\"\n";
    const std::vector<RKLangIssue> issues = CheckLanguageText(file.Write());
    ASSERT_GE(issues.size(), 1u) << Describe(issues);
    const RKLangIssue& unknown = issues.back();
    EXPECT_FALSE(unknown.error);
    EXPECT_EQ(unknown.message, "unknown key \"extra.quit\": the game never shows it");
  }
  {
    SCOPED_TRACE("written twice in one object");
    RKLanguageFixture file;
    file.raw["common.no"] = "\"No\"\n  no: \"Nope\"";
    const std::vector<RKLangIssue> issues = CheckLanguageText(file.Write());
    ASSERT_EQ(issues.size(), 1u) << Describe(issues);
    EXPECT_TRUE(issues[0].error);
    EXPECT_EQ(issues[0].line, file.line["common.no"] + 1);
    EXPECT_EQ(issues[0].message,
              "\"common.no\" is written again: the game keeps the first and ignores this one");
  }
  for (const char* value : {"12", "true", "[\"Yes\"]"}) {
    SCOPED_TRACE(std::string("not a text: ") + value);
    RKLanguageFixture file;
    file.raw["common.yes"] = value;
    const std::vector<RKLangIssue> issues = CheckLanguageText(file.Write());
    ASSERT_EQ(issues.size(), 1u) << Describe(issues);
    EXPECT_EQ(issues[0].message, "\"common.yes\" must be a text in quotes");
    EXPECT_EQ(issues[0].line, file.line["common.yes"]);
  }
}

TEST(LangCheck, AFileThatDoesNotReadIsOneErrorAtTheReadersPlace) {
  struct RKUnread {
    const char* text;
    std::uint64_t line, column;
    const char* message;
  };
  const RKUnread cases[] = {
      {"hud:\n  hp: \"HP\n", 3, 1, "Newline in string literal"},
      // The reader gives this one no words of its own; found by the fuzz target.
      {"hud:\n  hp: \"HP \\", 2, 12, "the file does not read: UnterminatedString"},
  };
  for (const RKUnread& c : cases) {
    SCOPED_TRACE(c.text);
    const std::vector<RKLangIssue> issues = CheckLanguageText(c.text);
    ASSERT_EQ(issues.size(), 1u) << Describe(issues);
    EXPECT_TRUE(issues[0].error);
    EXPECT_EQ(issues[0].line, c.line);
    EXPECT_EQ(issues[0].column, c.column);
    EXPECT_EQ(issues[0].message, c.message);
  }
}

TEST(LangCheck, TheLanguageListIsCheckedAsAList) {
  const std::string list =
      "default: \"xx\"\n"
      "languages: [\n"
      "  {code: \"en\", name: \"English\", file: \"languages/en.cson\"}\n"
      "  {code: \"en\", name: \"Again\", file: \"languages/en2.cson\"}\n"
      "  {code: \"ru\", name: \"\\\\u0420\", file: \"languages/ru.cson\"}\n"
      "  {name: \"Nothing\"}\n"
      "  {code: \"seventeen-bytes-x\", name: \"X\", file: \"languages/x.cson\"}\n"
      "  {code: \"pt\", name: \"Portugu\\\\u00eas Portugu\\\\u00eas!!\", file: "
      "\"languages/pt.cson\"}\n"
      "]\n";
  const std::vector<RKLangIssue> issues = CheckLanguageText(list);
  ASSERT_EQ(issues.size(), 6u) << Describe(issues);
  EXPECT_EQ(issues[0].line, 1u);
  EXPECT_EQ(issues[0].message, "the default \"xx\" is not in the list");
  EXPECT_EQ(issues[1].line, 4u);
  EXPECT_EQ(issues[1].message, "\"en\" is listed twice: the game uses the first");
  EXPECT_EQ(issues[2].line, 5u);
  EXPECT_NE(issues[2].message.find("the name of \"ru\": "), std::string::npos);
  EXPECT_EQ(issues[3].line, 6u);
  EXPECT_EQ(issues[3].message,
            "a language needs a code and a file, or the game leaves it out of the list");
  // The game's own limits, at the value that breaks them.
  EXPECT_EQ(Describe({issues[4], issues[5]}),
            "7:10 error: a language's code has 17 bytes, at most 16: a code is a short tag such "
            "as \"pt-BR\"; the game leaves the language out\n"
            "8:22 error: the name of \"pt\" takes 21 characters, at most 20: it must fit its line "
            "in the options menu; the game leaves the language out\n");

  const std::string padded = list + std::string(MAX_LANGUAGE_LIST_BYTES, '#');
  const std::vector<RKLangIssue> oversized = CheckLanguageText(padded);
  ASSERT_FALSE(oversized.empty());
  EXPECT_EQ(Describe({oversized[0]}),
            "1:1 error: " + std::to_string(padded.size()) +
                " bytes, at most 65536: a list of languages takes a few hundred bytes\n");
}

TEST(LangCheck, ShippedFilesAreClean) {
  RKLocalization list;
  ASSERT_TRUE(list.LoadLanguageList(DATA_DIR + "/languages/languages.cson"));
  std::vector<std::string> files = {"languages/languages.cson"};
  for (const RKLanguageEntry& entry : list.GetAvailableLanguages()) files.push_back(entry.file);
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    const std::vector<RKLangIssue> issues = CheckLanguageText(ReadText(DATA_DIR + "/" + file));
    EXPECT_TRUE(issues.empty()) << Describe(issues);
  }
}

TEST(LangTemplate, HoldsEveryKeyWithItsEnglishTextAndPassesTheCheck) {
  const std::string english = ReadText(DATA_DIR + "/languages/en.cson");
  std::string text, why;
  ASSERT_TRUE(MakeLanguageTemplate(english, "xx", "Test", text, why)) << why;
  const std::vector<RKLangIssue> issues = CheckLanguageText(text);
  EXPECT_TRUE(issues.empty()) << Describe(issues);

  RKLocalization fromTemplate, fromEnglish;
  zokCSON::Value made, original;
  ASSERT_EQ(zokCSON::ParseText(text, made, nullptr), zokCSON::ErrorCode::Ok);
  ASSERT_EQ(zokCSON::ParseText(english, original, nullptr), zokCSON::ErrorCode::Ok);
  fromTemplate.FlattenTranslations(made.AsObject(), "");
  fromEnglish.FlattenTranslations(original.AsObject(), "");
  EXPECT_EQ(fromTemplate.translations, fromEnglish.translations);
  // The comment above a text gives its place, its room and its tokens.
  EXPECT_NE(text.find("  # message log, in capitals: lines of 57 cells, at most 2 lines; {0} "
                      "attacker, {1} target, {2} damage\n  attackHit: \"{0} hit {1} for {2}.\"\n"),
            std::string::npos)
      << text;
}

TEST(LangTemplate, KeysTheEnglishFileLacksGetEmptyTexts) {
  std::string text, why;
  ASSERT_TRUE(MakeLanguageTemplate("hud:\n  hp: \"HP\"\n", "xx", "Test", text, why)) << why;
  EXPECT_NE(text.find("  hp: \"HP\"\n"), std::string::npos);
  EXPECT_NE(text.find("  floor: \"\"\n"), std::string::npos);
  EXPECT_FALSE(MakeLanguageTemplate("hud: [", "xx", "Test", text, why));
  EXPECT_NE(why.find("the English file does not read"), std::string::npos) << why;
}

TEST(LanguageList, ANewLanguageGoesOnALineOfItsOwnAtTheEndAndNowhereElse) {
  const std::string shipped = ReadText(DATA_DIR + "/languages/languages.cson");
  std::string list = shipped, why;
  ASSERT_TRUE(AddLanguageToList(list, "pt", "Portugu\\\\u00eas", "languages/pt.cson", why)) << why;
  const std::size_t close = shipped.rfind("\n]");
  ASSERT_NE(close, std::string::npos);
  EXPECT_EQ(list,
            shipped.substr(0, close + 1) +
                "  {code: \"pt\", name: \"Portugu\\\\u00eas\", file: \"languages/pt.cson\"}\n" +
                shipped.substr(close + 1));
  RKLocalization read;
  std::ofstream("list.cson") << list;
  ASSERT_TRUE(read.LoadLanguageList("list.cson"));
  std::remove("list.cson");
  EXPECT_EQ(read.GetAvailableLanguages().back().code, "pt");
  EXPECT_EQ(RKLocalization::NormalizeText(read.GetAvailableLanguages().back().name),
            "Portugu\xEAs");

  struct RKRefusal {
    const char* name;
    std::string list;
    const char* why;
  };
  const RKRefusal refusals[] = {
      {"the code is listed", list, "the language list already has pt"},
      {"one line for the whole list",
       "languages: [{code: \"en\", name: \"English\", file: \"languages/en.cson\"}]\n",
       "add this line to it: {code: \"pt\""},
      {"not a list", "languages: 3\n", "has no \"languages\" list"},
      {"does not read", "languages: [\n  {code: \n", "does not read"},
  };
  for (const RKRefusal& refusal : refusals) {
    SCOPED_TRACE(refusal.name);
    std::string text = refusal.list;
    EXPECT_FALSE(AddLanguageToList(text, "pt", "Portugues", "languages/pt.cson", why));
    EXPECT_EQ(text, refusal.list) << "left as it was";
    EXPECT_NE(why.find(refusal.why), std::string::npos) << why;
  }
}

TEST(LanguageList, NamesAreWrittenAsTheFontShowsThem) {
  struct RKName {
    const char* typed;  // UTF-8, as on a command line
    bool ok;
    const char* written;
  };
  const RKName names[] = {
      {"Italiano", true, "Italiano"},
      {"Espa\xC3\xB1ol", true, "Espa\\\\u00f1ol"},
      {"Say \"hi\" \\", true, "Say \\\"hi\\\" \\\\\\\\"},
      {"\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9", false, ""},  // no glyphs
      {"\xC3\x89tat", false, ""},  // its place holds a frame piece
      {"Bad \xC3", false, ""},     // not UTF-8
  };
  for (const RKName& name : names) {
    SCOPED_TRACE(name.typed);
    std::string written;
    EXPECT_EQ(EscapeForLanguageFile(name.typed, written), name.ok);
    if (name.ok) {
      EXPECT_EQ(written, name.written);
    }
  }
}

}  // namespace
