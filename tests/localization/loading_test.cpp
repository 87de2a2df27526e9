// Reading the language list and language files: what is taken, what is skipped, and that a
// failure never leaves the game without the texts it had.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "localization/catalogue.h"
#include "localization/localization.h"

namespace {

namespace fs = std::filesystem;

// A scratch folder for the files one test writes.
class LanguageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device seed;
    folder = fs::temp_directory_path() / ("tvk-loc-" + std::to_string(seed()));
    fs::create_directories(folder);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
  std::string Write(const std::string& name, const std::string& text) {
    const fs::path path = folder / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }
  std::string Path(const std::string& name) const { return (folder / name).string(); }

  fs::path folder;
};

std::vector<std::string> Codes(const RKLocalization& localization) {
  std::vector<std::string> codes;
  for (const RKLanguageEntry& entry : localization.GetAvailableLanguages()) {
    codes.push_back(entry.code);
  }
  return codes;
}

std::map<std::string, std::string> Catalogue(const RKLocalization& localization) {
  return {localization.translations.begin(), localization.translations.end()};
}

TEST_F(LanguageFiles, ListReadingTakesUsableEntriesAndTheDefault) {
  struct Row {
    const char* name;
    std::optional<std::string> text;  // none: the file does not exist
    bool result;
    std::vector<std::string> codes;
    std::string defaultCode;
    std::string currentCode;
  };
  const Row rows[] = {
      {"no default keeps the codes",
       "languages: [\n  {code: \"de\", file: \"de.cson\"}\n"
       "  {code: \"fr\", file: \"fr.cson\"}\n]\n",
       true,
       {"de", "fr"},
       "en",
       "en"},
      {"default becomes default and current",
       "default: \"de\"\nlanguages: [{code: \"en\", file: \"en.cson\"}, {code: \"de\", file: "
       "\"de.cson\"}]\n",
       true,
       {"en", "de"},
       "de",
       "de"},
      {"empty default picks the first language",
       "default: \"\"\nlanguages: [{code: \"fr\", file: \"fr.cson\"}, {code: \"de\", file: "
       "\"de.cson\"}]\n",
       true,
       {"fr", "de"},
       "fr",
       "fr"},
      {"default of another kind is ignored",
       "default: 7\nlanguages: [{code: \"de\", file: \"de.cson\"}]\n",
       true,
       {"de"},
       "en",
       "en"},
      {"languages as an object fails after taking the default",
       "default: \"de\"\nlanguages: {code: \"de\", file: \"de.cson\"}\n",
       false,
       {},
       "de",
       "de"},
      {"no languages fails", "default: \"de\"\n", false, {}, "de", "de"},
      {"empty language array fails", "languages: []\n", false, {}, "en", "en"},
      {"entries without code or file, empty ones and non-objects are skipped",
       "languages: [{name: \"No code\", file: \"x.cson\"}, {code: \"xx\", name: \"No file\"}, "
       "{code: \"\", file: \"x.cson\"}, {code: \"yy\", file: \"\"}, {code: 5, file: \"x.cson\"}, "
       "\"de\", [1], {code: \"it\", file: \"it.cson\"}]\n",
       true,
       {"it"},
       "en",
       "en"},
      {"duplicate codes are both listed",
       "languages: [{code: \"de\", file: \"a.cson\"}, {code: \"de\", file: \"b.cson\"}]\n",
       true,
       {"de", "de"},
       "en",
       "en"},
      {"missing file", std::nullopt, false, {}, "en", "en"},
      {"malformed file", "languages: [\n  {code: \"de\"\n", false, {}, "en", "en"},
      {"top level of another kind", "[1, 2]\n", false, {}, "en", "en"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RKLocalization localization;
    // A list read earlier never survives a new read, whatever its outcome.
    localization.availableLanguages = {{"old", "Old", "old.cson"}};
    const std::string path = row.text ? Write("list.cson", *row.text) : Path("absent.cson");
    EXPECT_EQ(localization.LoadLanguageList(path), row.result);
    EXPECT_EQ(Codes(localization), row.codes);
    EXPECT_EQ(localization.GetDefaultLanguageCode(), row.defaultCode);
    EXPECT_EQ(localization.GetCurrentLanguageCode(), row.currentCode);
    fs::remove(Path("list.cson"));
  }
}

TEST_F(LanguageFiles, ListEntryKeepsItsNameAndFileAsWritten) {
  RKLocalization localization;
  ASSERT_TRUE(localization.LoadLanguageList(
      Write("list.cson",
            "languages: [{code: \"de\", name: \"Deutsch\", file: \"languages/de.cson\", extra: 1}, "
            "{code: \"fr\", file: \"fr.cson\"}, {code: \"it\", name: 3, file: \"it.cson\"}]\n")));
  const std::vector<RKLanguageEntry>& list = localization.GetAvailableLanguages();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].name, "Deutsch");
  EXPECT_EQ(list[0].file, "languages/de.cson");
  EXPECT_EQ(list[1].name, "");
  EXPECT_EQ(list[2].name, "");
}

TEST_F(LanguageFiles, LanguageFileFlattensNestedObjectsAndIgnoresEverythingElse) {
  RKLocalization localization;
  localization.availableLanguages = {
      {"de", "Deutsch",
       Write("de.cson",
             "menu:\n"
             "  main:\n"
             "    header: \"Haupt\\\\u00e9\"\n"
             "    deeper:\n"
             "      still: \"tief\"\n"
             "  count: 3\n"
             "  flag: true\n"
             "  nothing: null\n"
             "  list: [\"in an array\", {inside: \"also ignored\"}]\n"
             "hud:\n"
             "  hp: \"LP\"\n"
             "  empty: \"\"\n")}};
  localization.translations = {{"stale.key", "from before"}};
  ASSERT_TRUE(localization.LoadLanguageByCode("de"));
  const std::map<std::string, std::string> expected = {
      {"menu.main.header", "Haupt\xE9"},
      {"menu.main.deeper.still", "tief"},
      {"hud.hp", "LP"},
      {"hud.empty", ""},
  };
  EXPECT_EQ(Catalogue(localization), expected);
  EXPECT_EQ(localization.GetCurrentLanguageCode(), "de");
}

TEST_F(LanguageFiles, FlatteningUnderAPrefixReplacesTextsAlreadyStored) {
  RKLocalization localization;
  localization.translations = {{"menu.quit", "old"}, {"other", "kept"}};
  zokCSON::Value object = zokCSON::Value::MakeObject();
  object["quit"] = "new";
  object["sub"]["key"] = "x";
  localization.FlattenTranslations(object.AsObject(), "menu");
  const std::map<std::string, std::string> expected = {
      {"menu.quit", "new"}, {"menu.sub.key", "x"}, {"other", "kept"}};
  EXPECT_EQ(Catalogue(localization), expected);
}

TEST_F(LanguageFiles, FailedLoadKeepsThePreviousLanguage) {
  struct Row {
    const char* name;
    std::string code;
    std::optional<std::string> text;  // the listed file's content; none: it does not exist
  };
  const Row rows[] = {
      {"unlisted code", "it", "a: \"b\"\n"},
      {"code differs in case", "DE", "a: \"b\"\n"},
      {"missing file", "de", std::nullopt},
      {"malformed file", "de", "menu:\n  main: \"unterminated\n"},
      {"top level is not an object", "de", "\"just a string\"\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(Path("de.cson"));
    RKLocalization localization;
    localization.availableLanguages = {{"en", "English", Write("en.cson", "hud:\n  hp: \"HP\"\n")},
                                       {"de", "Deutsch", Path("de.cson")}};
    ASSERT_TRUE(localization.LoadLanguageByCode("en"));
    if (row.text) {
      Write("de.cson", *row.text);
    }
    EXPECT_FALSE(localization.LoadLanguageByCode(row.code));
    EXPECT_EQ(localization.T("hud.hp"), "HP");
    EXPECT_EQ(localization.translations.size(), 1u);
    EXPECT_EQ(localization.GetCurrentLanguageCode(), "en");
  }
}

// A 512 MiB file took seconds before it was refused, and megabyte texts cost every frame far
// more than it has. Both are refused with the reason, the catalogue kept.
TEST_F(LanguageFiles, AFileOverItsSizeOrATextOverItsLengthIsRefusedWithTheReason) {
  const std::string longText(MAX_LANGUAGE_TEXT_BYTES + 1, 'x');
  struct Row {
    const char* name;
    std::string text;
    std::string said;  // after the file's path
  };
  const Row rows[] = {
      {"a file over the size limit", "a: \"b\"\n" + std::string(MAX_LANGUAGE_FILE_BYTES, '#'),
       ": " + std::to_string(MAX_LANGUAGE_FILE_BYTES + 7) + " bytes, at most " +
           std::to_string(MAX_LANGUAGE_FILE_BYTES) +
           ": a language file holds about 10 KB of texts, and reading one far larger would take "
           "seconds\n"},
      {"a text over the length limit", "a: \"b\"\nmenu:\n  long: \"" + longText + "\"\n",
       ":3: \"menu.long\" has 513 bytes, at most 512: no box or line of the game shows that "
       "much\n"},
      // Of two, the one written first is named, whichever the catalogue meets first.
      {"two texts over, a first", "a: \"" + longText + "\"\nb: \"" + longText + "x\"\n",
       ":1: \"a\" has 513 bytes, at most 512: no box or line of the game shows that much\n"},
      {"two texts over, b first", "b: \"" + longText + "x\"\na: \"" + longText + "\"\n",
       ":1: \"b\" has 514 bytes, at most 512: no box or line of the game shows that much\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RKLocalization localization;
    localization.availableLanguages = {{"en", "English", Write("en.cson", "hud:\n  hp: \"HP\"\n")},
                                       {"de", "Deutsch", Write("de.cson", row.text)}};
    ASSERT_TRUE(localization.LoadLanguageByCode("en"));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(localization.LoadLanguageByCode("de"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), Path("de.cson") + row.said);
    EXPECT_EQ(localization.T("hud.hp"), "HP");
    EXPECT_EQ(localization.GetCurrentLanguageCode(), "en");
  }
  // At the limit the text is taken.
  RKLocalization localization;
  localization.availableLanguages = {
      {"de", "Deutsch", Write("de.cson", "long: \"" + longText.substr(1) + "\"\n")}};
  EXPECT_TRUE(localization.LoadLanguageByCode("de"));
}

// A translator's slip in the list (a name pasted a thousand times, a sentence for a code) costs
// that language alone, and says where; a list far larger than any list is not read at all.
TEST_F(LanguageFiles, TheListLeavesOutAnEntryOverItsLimitsAndRefusesAFileOverItsSize) {
  const std::string longestName(LANGUAGE_NAME_COLUMNS, 'n');
  const std::string longestCode(MAX_LANGUAGE_CODE_BYTES, 'c');
  const std::string entries = "  {code: \"de\", file: \"de.cson\"}\n";
  struct Row {
    const char* name;
    std::string entry;  // the list's second line, between two usable entries
    std::vector<std::string> codes;
    std::string said;  // after the list's path; empty for nothing
  };
  const Row rows[] = {
      {"names and codes at their limits are taken",
       "  {code: \"" + longestCode + "\", name: \"" + longestName + "\", file: \"x.cson\"}\n",
       {"de", longestCode, "de"},
       ""},
      {"an escape is one character of the name",
       "  {code: \"es\", name: \"" + longestName.substr(1) + "\\\\u00f1\", file: \"es.cson\"}\n",
       {"de", "es", "de"},
       ""},
      {"a name one character over",
       "  {code: \"fr\", name: \"" + longestName + "n\", file: \"fr.cson\"}\n",
       {"de", "de"},
       ":3: the name of \"fr\" takes 21 characters, at most 20: it must fit its line in the "
       "options menu; the game leaves the language out\n"},
      {"a name as long as the list allows",
       "  {code: \"fr\", name: \"" + std::string(60000, 'n') + "\", file: \"fr.cson\"}\n",
       {"de", "de"},
       ":3: the name of \"fr\" takes 60000 characters, at most 20: it must fit its line in the "
       "options menu; the game leaves the language out\n"},
      {"a code one byte over",
       "  {code: \"" + longestCode + "c\", name: \"X\", file: \"x.cson\"}\n",
       {"de", "de"},
       ":3: a language's code has 17 bytes, at most 16: a code is a short tag such as "
       "\"pt-BR\"; the game leaves the language out\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RKLocalization localization;
    const std::string path =
        Write("list.cson", "languages: [\n" + entries + row.entry + entries + "]\n");
    testing::internal::CaptureStderr();
    const bool listed = localization.LoadLanguageList(path);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(listed);
    EXPECT_EQ(Codes(localization), row.codes);
    EXPECT_EQ(said, row.said.empty() ? "" : path + row.said);
  }

  RKLocalization localization;
  const std::string list = "languages: [\n" + entries + "]\n";
  const std::string path =
      Write("list.cson", list + "#" + std::string(MAX_LANGUAGE_LIST_BYTES - list.size() - 1, '#'));
  ASSERT_TRUE(localization.LoadLanguageList(path)) << "at the limit the list is read";
  std::ofstream(path, std::ios::app) << '#';
  testing::internal::CaptureStderr();
  EXPECT_FALSE(localization.LoadLanguageList(path));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            path + ": 65537 bytes, at most 65536: a list of languages takes a few hundred bytes\n");
  EXPECT_TRUE(Codes(localization).empty());
}

TEST_F(LanguageFiles, LoadingTakesTheFirstEntryOfACodeAndReplacesTheWholeCatalogue) {
  RKLocalization localization;
  localization.availableLanguages = {{"de", "Erste", Write("a.cson", "hud:\n  hp: \"A\"\n")},
                                     {"de", "Zweite", Write("b.cson", "hud:\n  hp: \"B\"\n")},
                                     {"xx", "Leer", Write("c.cson", "count: 3\n")}};
  ASSERT_TRUE(localization.LoadLanguageByCode("de"));
  EXPECT_EQ(localization.T("hud.hp"), "A");
  // A file without any text still loads: the game then shows keys.
  ASSERT_TRUE(localization.LoadLanguageByCode("xx"));
  EXPECT_TRUE(localization.translations.empty());
  EXPECT_EQ(localization.T("hud.hp"), "hud.hp");
  EXPECT_EQ(localization.GetCurrentLanguageCode(), "xx");
}

}  // namespace
