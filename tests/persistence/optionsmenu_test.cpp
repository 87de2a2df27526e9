// The options menu, driven by keys through the real start-up, and its language helpers.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/globals.h"
#include "localization/localization.h"
#include "persistence/globals.h"
#include "persistence/settings.h"
#include "support/harness.h"
#include "ui/globals.h"
#include "ui/optionsmenu.h"

namespace {

// Line numbers of the menu.
constexpr int MOVE_UP_LINE = 0;
constexpr int VOLUME_LINE = 11;
constexpr int LANGUAGE_LINE = 12;
constexpr int RESTORE_LINE = 13;
constexpr int SAVE_LINE = 14;
constexpr int DISCARD_LINE = 15;

class OptionsMenuTest : public HeadlessGame {
 protected:
  // Moves the highlight from `from` to `to` with the down arrow and confirms the line there.
  static void Choose(InputScript& script, int& at, int line) {
    for (; at != line; at = (at + 1) % 16) script.Key(SDL_SCANCODE_DOWN);
    script.Key(SDL_SCANCODE_RETURN);
  }

  // Runs the menu under the script, which must reach a leaving line: a menu still waiting for
  // a key when the script has run out fails the test.
  static void Run(InputScript& script) {
    script.Start();
    OptionsMenu();
    script.Stop();
  }

  static std::vector<std::string> Lines() { return {option.begin(), option.end()}; }
};

TEST_F(OptionsMenuTest, CapturedKeyIsBoundAndSaved) {
  InputScript script;
  int at = 0;
  std::string firstLine, afterF2;
  SDL_Scancode boundAfterF2 = SDL_SCANCODE_UNKNOWN;
  Choose(script, at, MOVE_UP_LINE);
  script.Key(SDL_SCANCODE_W);
  script.Probe([&] { firstLine = option.front(); });
  // F2 frees the mouse and captures nothing: the binding just made stays.
  Choose(script, at, MOVE_UP_LINE);
  script.Key(SDL_SCANCODE_F2);
  script.Probe([&] {
    afterF2 = option.front();
    boundAfterF2 = keyboard[ActionMoveUp];
  });
  Choose(script, at, SAVE_LINE);
  Run(script);

  EXPECT_EQ(firstLine, "> Move up: W <");
  EXPECT_EQ(afterF2, "> Move up: W <");
  EXPECT_EQ(boundAfterF2, SDL_SCANCODE_W);
  EXPECT_EQ(keyboard[ActionMoveUp], SDL_SCANCODE_W);
  EXPECT_NE(ReadText("game.cfg").find("{\"0\": 26.0}"), std::string::npos);
}

// Escape in a capture keeps the key the action had; a key another action has goes over to
// this one, and the other takes this one's old key, so that every action keeps a key of its own.
TEST_F(OptionsMenuTest, CaptureCancelledByEscapeAndKeysSwappedWhenShared) {
  InputScript script;
  int at = 0;
  std::string afterEscape;
  const int takeLine = ActionTake;
  Choose(script, at, takeLine);
  script.Key(SDL_SCANCODE_ESCAPE);
  script.Probe([&] { afterEscape = Lines()[takeLine]; });
  // Take gets Drop's D; Drop gets Take's G.
  Choose(script, at, takeLine);
  script.Key(SDL_SCANCODE_D);
  Choose(script, at, SAVE_LINE);
  Run(script);

  EXPECT_EQ(afterEscape, "> Take: G <");
  EXPECT_EQ(keyboard[ActionTake], SDL_SCANCODE_D);
  EXPECT_EQ(keyboard[ActionDrop], SDL_SCANCODE_G);
  std::vector<std::string> lines;
  BuildOptionsMenuOptions(lines);
  EXPECT_EQ(lines[ActionTake], "Take: D");
  EXPECT_EQ(lines[ActionDrop], "Drop: G");
}

// A key SDL has no name for is shown by its number, and its binding reads back from the file.
TEST_F(OptionsMenuTest, AKeyWithoutANameIsShownByItsNumberAndKept) {
  const auto unnamed = static_cast<SDL_Scancode>(350);
  ASSERT_STREQ(SDL_GetScancodeName(unnamed), "");
  InputScript script;
  int at = 0;
  std::string shown;
  Choose(script, at, ActionInventory);
  script.Key(unnamed);
  script.Probe([&] { shown = Lines()[ActionInventory]; });
  Choose(script, at, SAVE_LINE);
  Run(script);

  EXPECT_EQ(shown, "> Inventory: #350 <");
  keyboard.clear();
  ASSERT_TRUE(LoadGameSettings());
  EXPECT_EQ(keyboard[ActionInventory], unnamed);
}

TEST_F(OptionsMenuTest, VolumeDialogStepsOncePerArrowWithinItsLimits) {
  struct RKCase {
    int start;
    SDL_Scancode arrow;
    int expected;
  };
  const RKCase cases[] = {
      {75, SDL_SCANCODE_RIGHT, 78},
      {99, SDL_SCANCODE_RIGHT, 100},
      {1, SDL_SCANCODE_LEFT, 0},
  };
  for (const RKCase& c : cases) {
    SCOPED_TRACE(c.start);
    musicVolume = c.start;
    InputScript script;
    int at = 0;
    std::vector<std::string> dialog, afterClose;
    Choose(script, at, VOLUME_LINE);
    for (int i = 0; i < 3; ++i) script.Key(c.arrow);
    script.Probe([&] { dialog = Lines(); });
    // Any other key closes the dialog; the menu is back.
    script.Key(SDL_SCANCODE_A);
    script.Probe([&] { afterClose = Lines(); });
    Choose(script, at, SAVE_LINE);
    Run(script);

    ASSERT_EQ(dialog.size(), 3u);
    EXPECT_EQ(dialog[0], "Volume: " + std::to_string(c.expected));
    ASSERT_EQ(afterClose.size(), 16u);
    EXPECT_EQ(afterClose[VOLUME_LINE], "> Music volume: " + std::to_string(c.expected) + " <");
    EXPECT_EQ(musicVolume, c.expected);
    EXPECT_NE(ReadText("game.cfg").find("MusicVolume: " + std::to_string(c.expected) + ".0"),
              std::string::npos);
  }
}

// A close in the dialog ends the menu at once, whether an arrow came before it or not: the
// volume keeps the arrows' steps and takes no step for the close.
TEST_F(OptionsMenuTest, CloseInTheVolumeDialogLeavesTheMenu) {
  for (const int arrows : {0, 1}) {
    SCOPED_TRACE(arrows);
    musicVolume = 50;
    InputScript script;
    int at = 0;
    Choose(script, at, VOLUME_LINE);
    for (int i = 0; i < arrows; ++i) script.Key(SDL_SCANCODE_RIGHT);
    script.Quit();
    // Without the close ending the menu, the script runs out while it waits and fails.
    Run(script);

    EXPECT_TRUE(quitRequested);
    EXPECT_EQ(musicVolume, 50 + arrows);
    quitRequested = false;
  }
}

TEST_F(OptionsMenuTest, LanguageCyclesThroughTheListAndBack) {
  InputScript script;
  int at = 0;
  std::vector<std::string> codes, lines;
  Choose(script, at, LANGUAGE_LINE);
  auto look = [&] {
    codes.push_back(gLocalization->GetCurrentLanguageCode());
    lines.push_back(option.back());
  };
  const std::vector<RKLanguageEntry> listed = gLocalization->GetAvailableLanguages();
  ASSERT_GE(listed.size(), 3u);
  script.Probe(look);
  for (std::size_t i = 1; i < listed.size(); ++i) script.Key(SDL_SCANCODE_RETURN).Probe(look);
  Choose(script, at, SAVE_LINE);
  Run(script);

  // One confirmation a language goes round the list, and every line follows at once.
  std::vector<std::string> round;
  for (std::size_t i = 1; i <= listed.size(); ++i) round.push_back(listed[i % listed.size()].code);
  EXPECT_EQ(codes, round);
  EXPECT_NE(lines[0], lines[1]);
  EXPECT_EQ(lines.back(), "Discard changes");
  EXPECT_NE(ReadText("game.cfg").find("Language: \"en\""), std::string::npos);
}

// A language whose file cannot be read kept the line from ever reaching the languages after it.
// It is passed over, and said so once however often it is passed.
TEST_F(OptionsMenuTest, LanguageLineSkipsALanguageWhoseFileCannotBeRead) {
  std::filesystem::remove("languages/de.cson");
  InputScript script;
  int at = 0;
  std::vector<std::string> codes;
  auto look = [&] { codes.push_back(gLocalization->GetCurrentLanguageCode()); };
  Choose(script, at, LANGUAGE_LINE);  // its confirmation is the first change
  script.Probe(look);
  const std::size_t count = gLocalization->GetAvailableLanguages().size();
  for (std::size_t i = 1; i < 2 * (count - 1); ++i) script.Key(SDL_SCANCODE_RETURN).Probe(look);
  Choose(script, at, SAVE_LINE);
  testing::internal::CaptureStderr();
  Run(script);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(codes, (std::vector<std::string>{"fr", "es", "it", "en", "fr", "es", "it", "en"}));
  const std::string said = "Language de skipped: its file cannot be read\n";
  EXPECT_NE(err.find(said), std::string::npos) << err;
  EXPECT_EQ(err.find(said), err.rfind(said)) << err;
}

TEST_F(OptionsMenuTest, DiscardBringsEverythingBack) {
  const std::string before = ReadText("game.cfg");
  InputScript script;
  int at = 0;
  Choose(script, at, MOVE_UP_LINE);
  script.Key(SDL_SCANCODE_W);
  Choose(script, at, VOLUME_LINE);
  script.Key(SDL_SCANCODE_LEFT);
  script.Key(SDL_SCANCODE_ESCAPE);
  Choose(script, at, LANGUAGE_LINE);
  Choose(script, at, DISCARD_LINE);
  Run(script);

  EXPECT_EQ(keyboard[ActionMoveUp], SDL_SCANCODE_UP);
  EXPECT_EQ(musicVolume, 75);
  EXPECT_EQ(gLocalization->GetCurrentLanguageCode(), "en");
  EXPECT_EQ(gLocalization->T("options.saveChanges"), "Save changes");
  EXPECT_EQ(ReadText("game.cfg"), before) << "discarding writes nothing";
}

TEST_F(OptionsMenuTest, RestoreDefaultsPutsBackTheDefaultSettings) {
  keyboard[ActionTake] = SDL_SCANCODE_T;
  musicVolume = 10;
  gLocalization->LoadLanguageByCode("fr");
  InputScript script;
  int at = 0;
  Choose(script, at, RESTORE_LINE);
  Run(script);

  EXPECT_EQ(keyboard[ActionTake], SDL_SCANCODE_G);
  EXPECT_EQ(keyboard.size(), 9u);
  EXPECT_EQ(musicVolume, 75);
  EXPECT_TRUE(fullscreen);
  EXPECT_EQ(gLocalization->GetCurrentLanguageCode(), "en");
  EXPECT_EQ(gLocalization->T("options.saveChanges"), "Save changes");
}

TEST(OptionsLanguageHelpers, FollowTheLanguageList) {
  RKLocalization localization;
  gLocalization = &localization;
  struct RKCase {
    std::vector<std::string> codes;
    std::string code, next, name;
  };
  const RKCase cases[] = {
      {{"en", "de", "fr"}, "en", "de", "name of en"},
      {{"en", "de", "fr"}, "fr", "en", "name of fr"},
      {{"en", "de", "fr"}, "xx", "en", "xx"},
      {{"en"}, "en", "en", "name of en"},
      {{}, "en", "en", "en"},
  };
  for (const RKCase& c : cases) {
    SCOPED_TRACE(c.code + " among " + std::to_string(c.codes.size()));
    localization.availableLanguages.clear();
    for (const std::string& code : c.codes) {
      localization.availableLanguages.push_back({code, "name of " + code, code + ".cson"});
    }
    EXPECT_EQ(GetNextLanguageCode(c.code), c.next);
    EXPECT_EQ(GetLanguageDisplayName(c.code), c.name);
  }
  // A name beyond ASCII is written like the texts and reaches the font as one glyph a letter.
  localization.availableLanguages = {{"es", "Espa\\u00f1ol", "languages/es.cson"}};
  EXPECT_EQ(GetLanguageDisplayName("es"), "Espa\xF1ol");
  gLocalization = nullptr;
}

// Saving the settings from the menu ignored a failed write. Now a box says why and the menu stays
// open, so that saving can be tried again (or the changes discarded).
TEST_F(OptionsMenuTest, ASaveThatCannotBeWrittenIsShownAndTheMenuStays) {
  std::filesystem::remove("game.cfg");
  std::filesystem::create_directory("game.cfg.tmp");
  const std::string box = gLocalization->TFormat(
      "menu.saveFailed.settings", {gLocalization->T("menu.saveFailed.cannotCreate")});
  bool boxShown = false;
  bool menuStayed = false;
  InputScript script;
  int at = 0;
  Choose(script, at, VOLUME_LINE);
  script.Key(SDL_SCANCODE_RIGHT).Key(SDL_SCANCODE_ESCAPE);  // 76
  Choose(script, at, SAVE_LINE);
  script.Wait().Probe([&] {
    boxShown = std::find(inventoryMessages.begin(), inventoryMessages.end(), box) !=
               inventoryMessages.end();
  });
  script.Key(SDL_SCANCODE_SPACE).Wait().Probe([&] {
    menuStayed = option.size() == 16;
    std::filesystem::remove("game.cfg.tmp");
  });
  script.Key(SDL_SCANCODE_RETURN);  // the save line is still highlighted
  testing::internal::CaptureStderr();
  Run(script);
  const std::string err = testing::internal::GetCapturedStderr();

  EXPECT_TRUE(boxShown) << "no box saying: " << box;
  EXPECT_TRUE(menuStayed);
  EXPECT_NE(err.find("game.cfg could not be written: "), std::string::npos) << err;
  EXPECT_NE(ReadText("game.cfg").find("MusicVolume: 76.0"), std::string::npos);
}

}  // namespace
