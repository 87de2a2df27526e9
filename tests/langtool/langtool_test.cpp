// The tvk-lang program as a translator runs it: its report lines and exit codes, the shipped
// files passing it, and a new language made, checked and loaded by the game.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "localization/localization.h"
#include "support/runfolder.h"

namespace {

namespace fs = std::filesystem;

struct RKRun {
  int status;
  std::string output;  // standard output and standard error together
};

// Runs tvk-lang with the arguments (already quoted for the shell) in the current folder.
RKRun TvkLang(const std::string& arguments) {
  const std::string command =
      "\"" + std::string(TVK_LANG_PATH) + "\" " + arguments + " >tvk-lang.out 2>&1";
  const int raw = std::system(command.c_str());
  std::ifstream in("tvk-lang.out");
  std::stringstream output;
  output << in.rdbuf();
  fs::remove("tvk-lang.out");
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, output.str()};
}

class LangTool : public ::testing::Test {
 protected:
  void SetUp() override { folder = std::make_unique<RunFolder>(); }
  std::unique_ptr<RunFolder> folder;  // a copy of the data files, the working folder
};

TEST_F(LangTool, ShippedLanguagesPassWithoutAWord) {
  const RKRun run = TvkLang("check languages/*.cson");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output, "");
}

TEST_F(LangTool, ReportsAsFileLineColumnAndFailsOnErrorsOnly) {
  std::string english = ReadText("languages/en.cson");
  english.replace(english.find("\"Quit\""), 6, "\"Quit {0}\"");
  std::ofstream("broken.cson") << english;
  std::ofstream("warned.cson") << ReadText("languages/en.cson") << "extra: \"never shown\"\n";

  RKRun run = TvkLang("check languages/en.cson broken.cson");
  EXPECT_EQ(run.status, 1);
  const std::size_t line =
      1 + std::count(english.begin(), english.begin() + static_cast<long>(english.find("Quit {0}")),
                     '\n');
  EXPECT_EQ(run.output, "broken.cson:" + std::to_string(line) +
                            ":17: error: {0} is not filled by the game and shows as written: "
                            "this text gets no tokens\n");

  run = TvkLang("check warned.cson");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.output.find("warned.cson:"), std::string::npos);
  EXPECT_NE(run.output.find(": warning: unknown key \"extra\""), std::string::npos) << run.output;

  run = TvkLang("check missing.cson languages/en.cson");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.output, "tvk-lang: missing.cson: cannot be read\n");

  for (const char* arguments : {"", "check", "new xx", "make xx Name"}) {
    SCOPED_TRACE(arguments);
    run = TvkLang(arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.output.rfind("usage: tvk-lang check FILE...", 0), 0u) << run.output;
  }
}

// The game refuses a file with a text longer than any box shows; the checker says the same, at
// the text's place, and leaves its other checks (which take long on such a text) aside.
TEST_F(LangTool, ATextTooLongForTheGameIsAnErrorAtItsLine) {
  std::string english = ReadText("languages/en.cson");
  const std::string quit = "\"Quit\"";
  english.replace(english.find(quit), quit.size(),
                  "\"" + std::string(MAX_LANGUAGE_TEXT_BYTES + 1, 'Q') + "\"");
  std::ofstream("long.cson") << english;
  const std::size_t line =
      1 +
      std::count(english.begin(), english.begin() + static_cast<long>(english.find("QQQ")), '\n');
  const std::size_t column = english.find("QQQ") - english.rfind('\n', english.find("QQQ"));
  const RKRun run = TvkLang("check long.cson");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, "long.cson:" + std::to_string(line) + ":" + std::to_string(column - 1) +
                            ": error: \"menu.main.quit\" has 513 bytes, at most 512: no box or "
                            "line of the game shows that much\n");
}

TEST_F(LangTool, ANewLanguageIsCompleteCleanAndLoadsInTheGame) {
  const std::string list = ReadText("languages/languages.cson");
  RKRun run = TvkLang("new pt 'Portugu\xC3\xAAs'");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output.find("tvk-lang: wrote languages/pt.cson"), 0u) << run.output;

  run = TvkLang("check languages/*.cson");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output, "");

  RKLocalization game;
  ASSERT_TRUE(game.LoadLanguageList("languages/languages.cson"));
  EXPECT_EQ(game.GetAvailableLanguages().back().code, "pt");
  EXPECT_EQ(RKLocalization::NormalizeText(game.GetAvailableLanguages().back().name),
            "Portugu\xEAs");
  ASSERT_TRUE(game.LoadLanguageByCode("pt"));
  EXPECT_EQ(game.T("menu.main.quit"), "Quit");

  // Asked again, or asked badly: nothing is written and nothing changes.
  const std::string made = ReadText("languages/pt.cson");
  const std::string listed = ReadText("languages/languages.cson");
  struct RKRefusal {
    const char* arguments;
    const char* says;
  };
  const RKRefusal refusals[] = {
      {"new pt Again", "languages/pt.cson exists already"},
      {"new ../pt Sneaky", "cannot be a language code"},
      {"new ru '\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9'",
       "has characters the game's font cannot show"},
      {"new ru 'Bahasa Indonesia Baku'", "the name of \"ru\" takes 21 characters, at most 20"},
      {"new pt-BR-and-seventeen Long", "use at most 16 letters, digits, - and _"},
  };
  for (const RKRefusal& refusal : refusals) {
    SCOPED_TRACE(refusal.arguments);
    run = TvkLang(refusal.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find(refusal.says), std::string::npos) << run.output;
  }
  EXPECT_EQ(ReadText("languages/pt.cson"), made);
  EXPECT_EQ(ReadText("languages/languages.cson"), listed);
  EXPECT_FALSE(fs::exists("languages/ru.cson"));
  EXPECT_NE(listed, list);
}

// In a player's folder languages/ links to the installed texts, which belong to the package.
TEST_F(LangTool, NewWritesNothingThroughALinkToTheInstalledTexts) {
  fs::create_directory("player");
  fs::create_directory_symlink(fs::absolute("languages"), "player/languages");
  const std::string listBefore = ReadText("languages/languages.cson");
  fs::current_path("player");
  const RKRun run = TvkLang("new pt Portugues");
  fs::current_path("..");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.output.find("make it a folder of your own first"), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists("languages/pt.cson"));
  EXPECT_EQ(ReadText("languages/languages.cson"), listBefore);
}

// Only regular files are checked: a folder or a device is a file error, never read as text.
TEST_F(LangTool, CheckReadsOnlyRegularFiles) {
  for (const char* path : {"languages", "/dev/zero"}) {
    SCOPED_TRACE(path);
    const RKRun run = TvkLang(std::string("check ") + path);
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_NE(run.output.find("cannot be read"), std::string::npos) << run.output;
  }
}

TEST_F(LangTool, NewOutsideTheDataFolderSaysWhereToRunIt) {
  fs::create_directory("elsewhere");
  fs::current_path("elsewhere");
  const RKRun run = TvkLang("new pt Portugues");
  fs::current_path("..");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.output.find("run tvk-lang new in the folder that holds languages/"),
            std::string::npos)
      << run.output;
}

}  // namespace
