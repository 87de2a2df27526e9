// Reading the music definition: what start-up accepts, what it refuses and what it says.

#include <string>
#include <vector>

#include "music_fixture.h"

namespace {

struct DefinitionCase {
  const char* name;
  const char* text;  // "" writes no file at all
  bool loads;
  const char* stderrStart;  // the messages start with this; the whole text when exact
  bool exact;
  std::size_t patterns;  // how many stay loaded afterwards
};

const std::string CALM = R"({patternName: "calm", fileName: "a.wav", type: "Zone"})";
const std::string ALERT = R"({patternName: "alert", fileName: "b.wav", type: "Zone"})";

const std::string TWO = "patterns: [\n  " + CALM + "\n  " + ALERT + "\n]\n";
const std::string NUMBER_AMONG_THEM = "patterns: [\n  " + CALM + "\n  42\n  " + ALERT + "\n]\n";
const std::string LOWER_CASE_ZONE =
    "patterns: [\n  " + CALM +
    "\n  {patternName: \"alert\", fileName: \"b.wav\", type: \"zone\"}\n]\n";
const std::string NO_TYPE =
    "patterns: [\n  " + CALM + "\n  {patternName: \"alert\", fileName: \"b.wav\"}\n]\n";
const std::string MISSING_AUDIO =
    "patterns: [\n  " + CALM +
    "\n  {patternName: \"alert\", fileName: \"nowhere.ogg\", type: \"Fill\"}\n]\n";
const std::string ONLY_ONE = "patterns: [\n  " + CALM + "\n]\n";
// A successor that names no pattern ended the program ten seconds into play, the game lost.
const std::string UNKNOWN_NEXT =
    "patterns: [\n  {patternName: \"calm\", nextPatternName: \"calmm\", fileName: \"a.wav\", "
    "type: \"Zone\"}\n  " +
    ALERT + "\n]\n";
const std::string KNOWN_NEXT =
    "patterns: [\n  {patternName: \"calm\", nextPatternName: \"alert\", fileName: \"a.wav\", "
    "type: \"Zone\"}\n  " +
    ALERT + "\n]\n";
// A folder where the audio should be is refused before the decoder sees it.
const std::string AUDIO_FOLDER =
    "patterns: [\n  " + CALM + "\n  {patternName: \"alert\", fileName: \".\", type: \"Zone\"}\n]\n";

// clang-format off
const DefinitionCase CASES[] = {
  // name                   text                               loads  stderr starts with                                         exact  patterns
  {"TwoPatterns",           TWO.c_str(),                       true,  "",                                                        true,  2},
  {"NumberIsSkipped",       NUMBER_AMONG_THEM.c_str(),         true,  "",                                                        true,  2},
  {"LowerCaseZone",         LOWER_CASE_ZONE.c_str(),           false, "Given pattern type is unknown! (pattern \"alert\", type \"zone\")\n", true, 1},
  {"TypeMissing",           NO_TYPE.c_str(),                   false, "Given pattern type is unknown! (pattern \"alert\", type \"\")\n", true, 1},
  {"AudioFileMissing",      MISSING_AUDIO.c_str(),             false, "Failed to load music! SDL_mixer Error: ",                 false, 1},
  {"RootIsArray",           "[1, 2]\n",                        false, "Invalid music definition data!\n",                        true,  0},
  {"PatternsMissing",       "tracks: []\n",                    false, "Music definition is missing patterns!\n",                 true,  0},
  {"PatternsNotArray",      "patterns: \"calm\"\n",            false, "Music patterns data is invalid!\n",                       true,  0},
  {"NoFile",                "",                                false, "Failed to load music definition file!\nCSON error: ",     false, 0},
  {"SyntaxError",           "patterns: [\"calm\n",             false, "Failed to load music definition file!\nCSON error: ",     false, 0},
  {"OnlyOnePattern",        ONLY_ONE.c_str(),                  false, "Music definition needs at least two patterns!\n",         true,  1},
  {"UnknownSuccessor",      UNKNOWN_NEXT.c_str(),              false, "Music pattern \"calm\" names an unknown next pattern \"calmm\"! (test_def.cson)\n", true, 2},
  {"KnownSuccessor",        KNOWN_NEXT.c_str(),                true,  "",                                                        true,  2},
  {"AudioIsAFolder",        AUDIO_FOLDER.c_str(),              false, "Failed to load music! SDL_mixer Error: . is missing or not a regular file (.)\n", true, 1},
};
// clang-format on

// A mixer and two short tones, a.wav and b.wav, in the run folder.
class MusicDefinitionFields : public MusicTest {
 protected:
  void SetUp() override {
    MusicTest::SetUp();
    OpenAudio();
    WriteToneWav(folder->Path() / "a.wav", 0.5, 440.0, 0.3);
    WriteToneWav(folder->Path() / "b.wav", 0.5, 660.0, 0.3);
  }
};

class MusicDefinition : public MusicDefinitionFields,
                        public ::testing::WithParamInterface<DefinitionCase> {};

TEST_P(MusicDefinition, LoadsOrSaysWhy) {
  const DefinitionCase& c = GetParam();
  if (std::string(c.text).empty()) std::filesystem::remove(folder->Path() / "test_def.cson");

  ::testing::internal::CaptureStderr();
  const bool loaded =
      std::string(c.text).empty() ? LoadMusicDefinition("test_def.cson") : LoadDefinition(c.text);
  const std::string said = ::testing::internal::GetCapturedStderr();

  EXPECT_EQ(loaded, c.loads);
  if (c.exact) {
    EXPECT_EQ(said, c.stderrStart);
  } else {
    EXPECT_EQ(said.rfind(c.stderrStart, 0), 0u) << said;
    EXPECT_GT(said.size(), std::string(c.stderrStart).size()) << "the cause is missing: " << said;
  }
  EXPECT_EQ(musicPattern.patterns.size(), c.patterns);
}

INSTANTIATE_TEST_SUITE_P(Cases, MusicDefinition, ::testing::ValuesIn(CASES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MusicDefinitionFields, TextsThatAreNotStringsReadAsEmpty) {
  ASSERT_TRUE(LoadDefinition(R"(patterns: [
  {patternName: "calm", nextPatternName: 7, fileName: "a.wav", type: "Zone", tempo: 80}
  {patternName: true, nextPatternName: "calm", fileName: "b.wav", type: "Fill"}
]
)"));
  ASSERT_EQ(musicPattern.patterns.size(), 2u);
  const auto* calm = musicPattern.patterns[0];
  const auto* fill = musicPattern.patterns[1];
  EXPECT_EQ(calm->patternName, "calm");
  EXPECT_EQ(calm->nextPatternName, "");
  EXPECT_EQ(calm->type, RKMusicPatternSystem::Zone);
  EXPECT_NE(calm->audio, nullptr);
  EXPECT_EQ(fill->patternName, "");
  EXPECT_EQ(fill->nextPatternName, "calm");
  EXPECT_EQ(fill->type, RKMusicPatternSystem::Fill);
}

// A second start-up in the same process (the tests do this all the time) must not pile the
// patterns of both loads into one list.
TEST_F(MusicDefinitionFields, LoadingAgainReplacesTheEarlierPatterns) {
  ASSERT_TRUE(LoadDefinition(TWO));
  musicPattern.SetNextMusicPattern("alert");
  ASSERT_TRUE(LoadDefinition(TWO));
  EXPECT_EQ(musicPattern.patterns.size(), 2u);
  EXPECT_EQ(musicPattern.queuedPattern, nullptr);
}

// The music the game ships: every file loads, lasts the 12 s the generator makes, and every
// successor named in the definition exists.
TEST_F(MusicTest, ShippedMusicLoadsWithItsLengthsAndSuccessors) {
  OpenAudio();
  ASSERT_TRUE(LoadMusicDefinition("music/music_def.cson"));
  ASSERT_GE(musicPattern.patterns.size(), 2u);
  EXPECT_EQ(musicPattern.patterns[0]->patternName, "calm");
  EXPECT_EQ(musicPattern.patterns[1]->patternName, "alert");
  for (const auto* entry : musicPattern.patterns) {
    SCOPED_TRACE(entry->patternName);
    const Sint64 frames = MIX_GetAudioDuration(entry->audio);
    EXPECT_EQ(frames, 12 * RATE);
    const Sint64 ms = MIX_AudioFramesToMS(entry->audio, frames);
    EXPECT_GE(ms, 8000);
    EXPECT_LE(ms, 16000);
    if (!entry->nextPatternName.empty()) {
      EXPECT_NO_THROW(musicPattern.SetNextMusicPattern(entry->nextPatternName));
    }
  }
}

}  // namespace
