// Counting the characters of a text that are actually drawn.

#include <gtest/gtest.h>

#include <list>
#include <string>

#include "ui/menu.h"

namespace {

struct LengthCase {
  const char* name;
  std::string text;
  unsigned expected;
};

// clang-format off
const LengthCase LENGTH_CASES[] = {
    // name                              text                 drawn
    {"empty text",                       "",                  0},
    {"plain letters",                    "abc",               3},
    {"a lone caret is drawn",            "^",                 1},
    {"caret before another letter",      "^x",                2},
    {"one-shot code colours one letter", "^C14^ABC",          3},
    {"sticky code",                      "^C12|ab",           2},
    {"sticky then one-shot code",        "^C12|A^C10^BC",     3},
    {"code read as the font reads it",   "^C +015^x",         1},
    // What makes no code is drawn as written, and takes its room.
    {"code cut off after its digits",    "ab^C12",            6},
    {"code cut off after the C",         "ab^C",              4},
    {"colour that does not exist",       "^C99^x",            6},
    {"line-break escape counts nothing", "one\\ntwo",         6},
    {"trailing backslash counts",        "a\\",               2},
    {"backslash before another letter",  "a\\tb",             4},
    {"a real line feed counts",          "a\nb",              3},
};
// clang-format on

TEST(GetVisibleTextLength, CountsOnlyDrawnCharacters) {
  for (const LengthCase& row : LENGTH_CASES) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(GetVisibleTextLength(row.text), row.expected);
  }
}

TEST(GetMaxVisibleLength, AddsExtraToTheLongestLine) {
  EXPECT_EQ(GetMaxVisibleLength({}, 4), 0u);
  EXPECT_EQ(GetMaxVisibleLength({"ab", "^C1^xyz", "q"}, 0), 3u);
  EXPECT_EQ(GetMaxVisibleLength({"ab", "^C1^xyz", "q"}, 4), 7u);
}

}  // namespace
