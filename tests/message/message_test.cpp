// The message log: wrapping and its fit rule, the order lines land in, and capitals. How the
// panel draws it is in the render suite.

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "core/message.h"
#include "core/types.h"

namespace {

using Lines = std::list<std::string>;

// 1,100 bytes at 58 a line of 464 pixels: 18 full lines and the 56 left.
Lines LongWordLines() {
  Lines lines(18, std::string(58, 'x'));
  lines.push_back(std::string(56, 'x'));
  return lines;
}

TEST(WordWarp, BreaksAtBlanksWhereTheNextWordNoLongerFits) {
  const std::string a56(56, 'a'), a57(57, 'a'), x70(70, 'x');
  struct Row {
    const char* name;
    std::string text;
    unsigned width;
    Lines expected;
  };
  const Row rows[] = {
      {"56 + blank + 1 fills the 58 columns of 464 pixels", a56 + " b", 464, {a56 + " b"}},
      {"57 + blank + 1 does not fit", a57 + " b", 464, {a57, "b"}},
      {"a word longer than a line stays whole", x70, 464, {x70}},
      {"a long word after a short one goes to its own line",
       "hi " + x70 + " yo",
       464,
       {"hi", x70, "yo"}},
      {"blank-only text adds nothing", " \t \n  \r ", 464, {}},
      {"empty text adds nothing", "", 464, {}},
      {"runs of blanks become one", "  a \t\t b\n\nc  ", 464, {"a b c"}},
      {"backslash n becomes a line feed", "one\\ntwo three", 464, {"one\ntwo three"}},
      {"colour codes count as bytes",
       "^C14^x " + std::string(52, 'y'),
       464,
       {"^C14^x", std::string(52, 'y')}},
      {"70 columns at 560 pixels",
       std::string(68, 'd') + " e f",
       560,
       {std::string(68, 'd') + " e", "f"}},
  };
  const RKMessage log;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Lines lines;
    log.WordWarp(row.text, lines, row.width, true);
    EXPECT_EQ(lines, row.expected);
  }
}

// A single long word once made a log line the saved game's loader refused: the log breaks it.
TEST(WordWarp, TheLogBreaksAWordLongerThanALineAtTheLinesEnd) {
  const std::string x58(58, 'x'), x12(12, 'x');
  struct Row {
    const char* name;
    std::string text;
    Lines expected;
  };
  const Row rows[] = {
      {"a word of a whole line stays whole", x58, {x58}},
      {"a word longer than a line", std::string(70, 'x'), {x58, x12}},
      {"after a short one, it starts its own line",
       "hi " + std::string(70, 'x') + " yo",
       {"hi", x58, x12 + " yo"}},
      {"a word of 1,100 bytes fills whole lines", std::string(1100, 'x'), LongWordLines()},
  };
  const RKMessage log;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Lines lines;
    log.WordWarp(row.text, lines, 464, true, true);
    EXPECT_EQ(lines, row.expected);
  }
}

TEST(WordWarp, OrderFlagAppendsInReadingOrderOrPushesEachLineToTheFront) {
  const RKMessage log;
  const std::string text = "alpha beta gamma";  // three lines at 48 pixels
  Lines appended = {"old"};
  log.WordWarp(text, appended, 48, true);
  EXPECT_EQ(appended, (Lines{"old", "alpha", "beta", "gamma"}));
  Lines pushed = {"old"};
  log.WordWarp(text, pushed, 48, false);
  EXPECT_EQ(pushed, (Lines{"gamma", "beta", "alpha", "old"}));
}

TEST(ReplaceAll, ReplacesEveryOccurrenceWithoutRescanningTheReplacement) {
  struct Row {
    const char* name;
    std::string text, search, replacement, expected;
  };
  const Row rows[] = {
      {"replacement containing the search text", "aaa", "a", "aa", "aaaaaa"},
      {"empty search leaves the text alone", "abc", "", "x", "abc"},
      {"no occurrence", "abc", "z", "x", "abc"},
      {"removal does not join into a new match", "aabb", "ab", "", "ab"},
      {"line-break escape", "a\\nb\\n", "\\n", "\n", "a\nb\n"},
  };
  const RKMessage log;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string text = row.text;
    log.ReplaceAll(text, row.search, row.replacement);
    EXPECT_EQ(text, row.expected);
  }
}

TEST(SetMessage, CapitalisesOnlyTheLettersAToZ) {
  RKMessage log;
  std::string high;
  for (int c = 0x80; c <= 0xFF; ++c) {
    if (c != 0x85 && c != 0xA0) high += static_cast<char>(c);
  }
  log.SetMessage("hit 3, ^c12^q {0} \\n " + high.substr(0, 20), false);
  log.SetMessage(high.substr(20, 50), false);
  log.SetMessage(high.substr(70), false);
  EXPECT_EQ(log.messages, (Lines{high.substr(70), high.substr(20, 50),
                                 "HIT 3, ^C12^Q {0} \\N " + high.substr(0, 20)}));
}

TEST(SetMessage, NewestLineComesFirstAndAWrappedMessageReadsBottomUp) {
  RKMessage log;
  log.SetMessage("first", false);
  const std::string longWord(52, 'W');
  log.SetMessage("second " + std::string(52, 'w') + " end", false);
  EXPECT_EQ(log.messages, (Lines{longWord + " END", "SECOND", "FIRST"}));
}

TEST(SetMessage, WrapsAtTheFiftySevenCellsOfThePanelsRightBox) {
  RKMessage log;
  const std::string a55(55, 'A'), a56(56, 'A');
  log.SetMessage(a55 + " b", false);
  EXPECT_EQ(log.messages, (Lines{a55 + " B"})) << "57 characters fit";
  log.messages.clear();
  log.SetMessage(a56 + " b", false);
  EXPECT_EQ(log.messages, (Lines{"B", a56})) << "a 58th character would cover the border";
}

TEST(MessageInit, NeedsASurface) {
  RKMessage log;
  EXPECT_FALSE(log.Init(nullptr));
}

}  // namespace
