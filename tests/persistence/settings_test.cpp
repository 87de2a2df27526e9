// The settings file "game.cfg": how each member reads, what is written, and the round trip.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/globals.h"
#include "localization/localization.h"
#include "persistence/globals.h"
#include "persistence/keybindings.h"
#include "persistence/settings.h"
#include "play/lifecycle.h"
#include "support/harness.h"

namespace {

// The nine default scancodes in action order.
const std::vector<int> DEFAULT_KEYS = {82, 81, 80, 79, 10, 44, 7, 6, 12};

std::vector<int> BoundKeys() {
  std::vector<int> keys;
  for (const auto& [action, key] : keyboard) keys.push_back(key);
  return keys;
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::vector<std::string> lines;
  std::string line;
  std::istringstream split(text.str());
  while (std::getline(split, line)) lines.push_back(line);
  if (!text.str().empty() && text.str().back() == '\n') lines.push_back("<line end at the end>");
  return lines;
}

// Start-up's situation: an empty key table and the settings' start values, in a folder of its
// own with the language service present.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::make_unique<RunFolder>();
    ResetProgramState();
    gLocalization = new RKLocalization();
  }
  void TearDown() override {
    delete gLocalization;
    gLocalization = nullptr;
    keyboard.clear();
    folder.reset();
  }
  static void WriteConfig(const std::string& text) { std::ofstream("game.cfg") << text; }

  std::unique_ptr<RunFolder> folder;
};

TEST_F(SettingsTest, VolumeConversions) {
  struct RKCase {
    const char* value;
    int start, expected;
  };
  const RKCase cases[] = {
      {"150", 75, 100},        {"-5", 75, 0},          {"42.9", 75, 42},
      {"-0.9", 75, 0},         {"true", 75, 100},      {"false", 75, 0},
      {"\"loud\"", 60, 60},    {"\"loud\"", 300, 100},  // kept, but still clamped
      {"1e12", 75, 0},         {"-1e12", 75, 0},       {"2147483648", 75, 0},
      {"2147483647", 75, 100},
  };
  for (const RKCase& c : cases) {
    SCOPED_TRACE(c.value);
    musicVolume = c.start;
    WriteConfig(std::string("MusicVolume: ") + c.value + "\n");
    EXPECT_TRUE(LoadGameSettings());
    EXPECT_EQ(musicVolume, c.expected);
  }
}

TEST_F(SettingsTest, SwitchesReadBooleansAndNumbers) {
  struct RKCase {
    const char* value;
    bool start, expected;
  };
  const RKCase cases[] = {
      {"0", true, false},    {"2", false, true},     {"-0.5", false, true},
      {"true", false, true}, {"\"no\"", true, true}, {"\"yes\"", false, false},
  };
  for (const RKCase& c : cases) {
    SCOPED_TRACE(c.value);
    fullscreen = c.start;
    musicEnabled = c.start;
    WriteConfig(std::string("Fullscreen: ") + c.value + "\nMusic: " + c.value + "\n");
    EXPECT_TRUE(LoadGameSettings());
    EXPECT_EQ(fullscreen, c.expected);
    EXPECT_EQ(musicEnabled, c.expected);
  }
}

TEST_F(SettingsTest, KeyboardElementsAndTheGapsBetweenThem) {
  struct RKCase {
    const char* name;
    const char* keyboard;
    std::vector<int> keys;
  };
  const RKCase cases[] = {
      {"absent", "", DEFAULT_KEYS},
      {"empty", "Keyboard: []\n", DEFAULT_KEYS},
      {"first two only",
       "Keyboard: [{\"0\": 26}, {\"1\": 4}]\n",
       {26, 4, 80, 79, 10, 44, 7, 6, 12}},
      // The key must be the element's own position; "1" at position 0 binds nothing there.
      {"wrong position",
       "Keyboard: [{\"1\": 26}, {\"1\": 4}]\n",
       {82, 4, 80, 79, 10, 44, 7, 6, 12}},
      {"skipped elements",
       "Keyboard: [5, {\"1\": 4}, null, {\"x\": 9, \"3\": 22}]\n",
       {82, 4, 80, 22, 10, 44, 7, 6, 12}},
      {"no key from other kinds",
       "Keyboard: [{\"0\": \"W\"}, {\"1\": true}, {\"2\": 26.9}]\n",
       {0, 1, 26, 79, 10, 44, 7, 6, 12}},
      {"outside SDL's range",
       "Keyboard: [{\"0\": 512}, {\"1\": -3}, {\"2\": 1e10}, {\"3\": 511}]\n",
       {0, 0, 0, 511, 10, 44, 7, 6, 12}},
      {"past the last action",
       "Keyboard: [{\"0\": 4}, {\"1\": 5}, {\"2\": 6}, {\"3\": 7}, {\"4\": 8}, {\"5\": 9}, {\"6\": "
       "10}, {\"7\": 11}, {\"8\": 12}, {\"9\": 13}, {\"10\": 14}]\n",
       {4, 5, 6, 7, 8, 9, 10, 11, 12}},
  };
  for (const RKCase& c : cases) {
    SCOPED_TRACE(c.name);
    keyboard.clear();
    WriteConfig(std::string("Music: true\n") + c.keyboard);
    EXPECT_TRUE(LoadGameSettings());
    EXPECT_EQ(BoundKeys(), c.keys);
  }
}

// The pad's buttons, a member the version before did not write: without it, or when it is no
// list, every action keeps its default button and the rest of the file still counts.
TEST_F(SettingsTest, PadButtonsAndTheirGaps) {
  // The default buttons in action order: the D-pad, the face buttons (take and the stairs share
  // the bottom one).
  const std::vector<int> defaults = {11, 12, 13, 14, 0, 0, 3, 1, 2};
  struct RKCase {
    const char* name;
    const char* pad;
    std::vector<int> buttons;
  };
  const RKCase cases[] = {
      {"absent", "", defaults},
      {"not a list", "Pad: 5\n", defaults},
      {"first two, one out of range",
       "Pad: [{\"0\": 9}, {\"1\": 99}]\n",
       {9, -1, 13, 14, 0, 0, 3, 1, 2}},
      {"no button from other kinds",
       "Pad: [{\"0\": \"A\"}, {\"1\": -1}]\n",
       {-1, -1, 13, 14, 0, 0, 3, 1, 2}},
  };
  for (const RKCase& c : cases) {
    SCOPED_TRACE(c.name);
    padButtons.clear();
    WriteConfig(std::string("MusicVolume: 10\n") + c.pad);
    EXPECT_TRUE(LoadGameSettings());
    EXPECT_EQ(musicVolume, 10);
    std::vector<int> buttons;
    for (const auto& [action, button] : padButtons) buttons.push_back(button);
    EXPECT_EQ(buttons, c.buttons);
  }
}

// A file that cannot be used is kept as game.cfg.bad with one line on standard error: one typo
// used to send every setting back to the defaults, and shut-down then overwrote the file.
TEST_F(SettingsTest, UnusableFilesReadAsFailuresAndAreKeptAside) {
  struct RKCase {
    const char* name;
    const char* text;  // null: no file
    bool volumeApplied;
    const char* reason;  // in the console line; null: nothing is printed or kept
  };
  const RKCase cases[] = {
      {"no file", nullptr, false, nullptr},
      {"not CSON", "Fullscreen: [\nMusicVolume: 10\n", false, "(3:1: Expected"},
      {"a list", "[1, 2]\n", false, "(it holds no object)"},
      // Members before the keyboard are applied; start-up's defaults then replace them.
      {"keyboard not a list", "MusicVolume: 10\nKeyboard: 5\nLanguage: \"xx\"\n", true,
       "(\"Keyboard\" is not a list)"},
  };
  for (const RKCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove("game.cfg");
    std::ofstream("game.cfg.bad") << "an older bad file";
    if (c.text != nullptr) WriteConfig(c.text);
    musicVolume = 75;
    gLocalization->SetLanguageCode("en");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadGameSettings());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(musicVolume, c.volumeApplied ? 10 : 75);
    EXPECT_EQ(gLocalization->GetCurrentLanguageCode(), "en");
    EXPECT_FALSE(std::filesystem::exists("game.cfg"));
    if (c.reason == nullptr) {
      EXPECT_EQ(err, "");
      EXPECT_EQ(ReadLines("game.cfg.bad"), std::vector<std::string>{"an older bad file"});
      continue;
    }
    std::ifstream kept("game.cfg.bad", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), c.text);
    EXPECT_EQ(err.rfind("game.cfg cannot be used ", 0), 0u) << err;
    EXPECT_NE(err.find(c.reason), std::string::npos) << err;
    EXPECT_NE(err.find("kept as game.cfg.bad"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  }
}

TEST_F(SettingsTest, WritesTheExactLines) {
  SetDefaultGameSettings();
  fullscreen = false;
  musicVolume = 42;
  gLocalization->SetLanguageCode("de");
  keyboard[ActionMoveUp] = SDL_SCANCODE_W;
  ASSERT_TRUE(SaveGameSettings());

  const std::vector<std::string> lines = ReadLines("game.cfg");
  ASSERT_EQ(lines.size(), 28u);
  // The two lists, each after its key line: the keys' scancodes and the pad's buttons, one
  // element per action in action order.
  const std::vector<std::string> keyboardBlock = {"  [",
                                                  "    {\"0\": 26.0}",
                                                  "    {\"1\": 81.0}",
                                                  "    {\"2\": 80.0}",
                                                  "    {\"3\": 79.0}",
                                                  "    {\"4\": 10.0}",
                                                  "    {\"5\": 44.0}",
                                                  "    {\"6\": 7.0}",
                                                  "    {\"7\": 6.0}",
                                                  "    {\"8\": 12.0}",
                                                  "  ]"};
  const std::vector<std::string> padBlock = {"  [",
                                             "    {\"0\": 11.0}",
                                             "    {\"1\": 12.0}",
                                             "    {\"2\": 13.0}",
                                             "    {\"3\": 14.0}",
                                             "    {\"4\": 0.0}",
                                             "    {\"5\": 0.0}",
                                             "    {\"6\": 3.0}",
                                             "    {\"7\": 1.0}",
                                             "    {\"8\": 2.0}",
                                             "  ]"};
  std::vector<std::string> members;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] != "Keyboard: " && lines[i] != "Pad: ") {
      members.push_back(lines[i]);
      continue;
    }
    const auto keyLine = lines.begin() + static_cast<std::ptrdiff_t>(i);
    const std::vector<std::string> block(keyLine + 1, keyLine + 12);
    EXPECT_EQ(block, lines[i] == "Pad: " ? padBlock : keyboardBlock) << lines[i];
    i += 11;
  }
  std::sort(members.begin(), members.end());
  EXPECT_EQ(members, (std::vector<std::string>{"Fullscreen: false", "Language: \"de\"",
                                               "Music: true", "MusicVolume: 42.0"}));
}

TEST_F(SettingsTest, WhatIsWrittenReadsBackTheSame) {
  SetDefaultGameSettings();
  fullscreen = false;
  musicEnabled = false;
  musicVolume = 3;
  gLocalization->SetLanguageCode("fr");
  keyboard[ActionDrop] = SDL_SCANCODE_X;
  keyboard[ActionInventory] = SDL_SCANCODE_UNKNOWN;
  const std::vector<int> keys = BoundKeys();
  ASSERT_TRUE(SaveGameSettings());

  SetDefaultGameSettings();
  keyboard.clear();
  ASSERT_TRUE(LoadGameSettings());
  EXPECT_FALSE(fullscreen);
  EXPECT_FALSE(musicEnabled);
  EXPECT_EQ(musicVolume, 3);
  EXPECT_EQ(gLocalization->GetCurrentLanguageCode(), "fr");
  EXPECT_EQ(BoundKeys(), keys);
}

TEST(FileNumberToInt, TruncatesAndMarksWhatDoesNotFit) {
  struct RKCase {
    double value;
    int expected;
  };
  const int outside = std::numeric_limits<int>::min();
  const RKCase cases[] = {
      {42.9, 42},
      {-42.9, -42},
      {2147483647.0, 2147483647},
      {2147483648.0, outside},
      {-2147483648.0, outside},
      {-2147483649.0, outside},
      {std::numeric_limits<double>::quiet_NaN(), outside},
      {std::numeric_limits<double>::infinity(), outside},
  };
  for (const RKCase& c : cases) {
    EXPECT_EQ(FileNumberToInt(c.value), c.expected) << c.value;
  }
}

}  // namespace
