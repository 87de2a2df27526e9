// The language steps of the real start-up: the game comes up in the chosen language, falls
// back to the default one, and keeps running on keys when no language can be read.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/globals.h"
#include "core/globals.h"
#include "core/message.h"
#include "localization/localization.h"
#include "play/lifecycle.h"
#include "support/harness.h"

namespace {

namespace fs = std::filesystem;

class StartUpLanguage : public HeadlessGame {
 protected:
  // Each case arranges its files before starting the game itself.
  void SetUp() override {}
};

TEST_F(StartUpLanguage, ComesUpInTheChosenLanguageOrFallsBack) {
  using Files = std::vector<std::pair<std::string, std::optional<std::string>>>;  // none: delete
  struct Row {
    const char* name;
    Files files;
    std::string code;
    std::string newGame;  // what the main menu's first line reads
  };
  const Row rows[] = {
      {"shipped files", {}, "en", "New game"},
      {"settings choose German", {{"game.cfg", "Language: \"de\"\n"}}, "de", "Neues Spiel"},
      {"chosen language unreadable: the default instead",
       {{"game.cfg", "Language: \"de\"\n"}, {"languages/de.cson", "menu: {\n"}},
       "en",
       "New game"},
      {"chosen language not listed: the default instead",
       {{"game.cfg", "Language: \"xx\"\n"}},
       "en",
       "New game"},
      {"default language file missing: keys",
       {{"languages/en.cson", std::nullopt}},
       "en",
       "menu.main.newGame"},
      {"no language list: keys",
       {{"languages/languages.cson", std::nullopt}},
       "en",
       "menu.main.newGame"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    folder.reset();
    folder = std::make_unique<RunFolder>();
    for (const auto& [path, text] : row.files) {
      if (text) {
        std::ofstream(folder->Path() / path, std::ios::binary) << *text;
      } else {
        fs::remove(folder->Path() / path);
      }
    }
    ASSERT_TRUE(StartGame());
    ASSERT_NE(gLocalization, nullptr);
    EXPECT_EQ(gLocalization->GetCurrentLanguageCode(), row.code);
    EXPECT_EQ(gLocalization->T("menu.main.newGame"), row.newGame);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->surface, panel) << "the log draws into the panel";
    QuitGame();
    started = false;
  }
}

}  // namespace
