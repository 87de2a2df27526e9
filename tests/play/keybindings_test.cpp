#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <iterator>

#include "core/globals.h"
#include "localization/localization.h"
#include "persistence/globals.h"
#include "persistence/keybindings.h"
#include "support/harness.h"

namespace {

using KeyBindings = HeadlessGame;

struct DefaultKey {
  RKActionTypes action;
  SDL_Scancode scancode;
};

// action               default scancode
const DefaultKey DEFAULTS[] = {
    {ActionMoveUp, SDL_SCANCODE_UP},     {ActionMoveDown, SDL_SCANCODE_DOWN},
    {ActionMoveLeft, SDL_SCANCODE_LEFT}, {ActionMoveRight, SDL_SCANCODE_RIGHT},
    {ActionTake, SDL_SCANCODE_G},        {ActionUse, SDL_SCANCODE_SPACE},
    {ActionDrop, SDL_SCANCODE_D},        {ActionCharacterInfo, SDL_SCANCODE_C},
    {ActionInventory, SDL_SCANCODE_I},
};

TEST_F(KeyBindings, DefaultsReplaceEverySetting) {
  fullscreen = false;
  musicEnabled = false;
  musicVolume = 3;
  gLocalization->SetLanguageCode("xx");
  keyboard.clear();
  keyboard[ActionTake] = SDL_SCANCODE_Q;
  keyboard[static_cast<RKActionTypes>(42)] = SDL_SCANCODE_Z;

  SetDefaultGameSettings();

  EXPECT_TRUE(fullscreen);
  EXPECT_TRUE(musicEnabled);
  EXPECT_EQ(musicVolume, 75);
  EXPECT_EQ(gLocalization->GetCurrentLanguageCode(), gLocalization->GetDefaultLanguageCode());
  ASSERT_EQ(keyboard.size(), std::size(DEFAULTS));
  auto binding = keyboard.begin();
  for (const DefaultKey& expected : DEFAULTS) {
    SCOPED_TRACE(testing::Message() << "action " << expected.action);
    EXPECT_EQ(binding->first, expected.action);
    EXPECT_EQ(binding->second, expected.scancode);
    ++binding;
  }
}

TEST_F(KeyBindings, LabelsNameTheBoundKey) {
  SetDefaultGameSettings();
  EXPECT_EQ(SetMenuOptionOfKeybinding(ActionMoveUp, "Move up: "), "Move up: Up");
  EXPECT_EQ(SetMenuOptionOfKeybinding(ActionUse, "Use: "), "Use: Space");
  EXPECT_EQ(SetMenuOptionOfKeybinding(ActionInventory, ""), "I");
}

TEST_F(KeyBindings, BindingAssignsTheKeyAndTheLabelShowsIt) {
  struct Row {
    const char* name;
    bool assign;
    SDL_Scancode bound;
    const char* text;
  };
  const Row rows[] = {
      {"assign", true, SDL_SCANCODE_W, "Move up: W"},
      {"only show", false, SDL_SCANCODE_UP, "Move up: Up"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SetDefaultGameSettings();
    if (row.assign) BindKey(ActionMoveUp, SDL_SCANCODE_W);

    EXPECT_EQ(SetMenuOptionOfKeybinding(ActionMoveUp, "Move up: "), row.text);
    EXPECT_EQ(keyboard[ActionMoveUp], row.bound);
  }
}

// A shared key would serve only one of its two actions: the one that had it takes the other's
// old key instead.
TEST_F(KeyBindings, AKeyTakenFromAnotherActionIsSwapped) {
  SetDefaultGameSettings();
  BindKey(ActionTake, SDL_SCANCODE_UP);
  EXPECT_EQ(keyboard[ActionTake], SDL_SCANCODE_UP);
  EXPECT_EQ(keyboard[ActionMoveUp], SDL_SCANCODE_G);
  // Its own key again changes nothing else.
  BindKey(ActionTake, SDL_SCANCODE_UP);
  EXPECT_EQ(keyboard[ActionMoveUp], SDL_SCANCODE_G);
}

TEST_F(KeyBindings, AMissingBindingShowsTheLabelAlone) {
  keyboard.clear();
  BindKey(ActionDrop, SDL_SCANCODE_W);
  EXPECT_EQ(SetMenuOptionOfKeybinding(ActionDrop, "Drop: "), "Drop: ");
  EXPECT_TRUE(keyboard.empty());
}

}  // namespace
