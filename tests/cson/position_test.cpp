// Where each value and key of a text starts, as the reader records it for the tools that point
// at them.
#include <string>
#include <vector>

#include "test_util.h"

namespace {

using namespace csontest;
using zokCSON::ErrorCode;
using zokCSON::KeyPosition;
using zokCSON::ParseText;
using zokCSON::Position;

// Every kind of value, objects in both forms, a string over two lines, a quoted key, a key
// written twice, and a long array of one shape (whose later elements the reader takes the quick
// way, over copies of the first).
const char* const DOCUMENT =
    "# a comment\n"                      // 1
    "name: \"Kim\"\n"                    // 2
    "hp: 12.5\n"                         // 3
    "flags: [true, null, 'x']\n"         // 4
    "inner:\n"                           // 5
    "  deep: \"\"\"a\n"                  // 6
    "b\"\"\"\n"                          // 7
    "  list: [\n"                        // 8
    "    {x: 1, y: -2.0}\n"              // 9
    "    {x: 3, y: 4.0}\n"               // 10
    "    {x: 5, y: 6.0}\n"               // 11
    "  ]\n"                              // 12
    "\"say it\": {a: \"\\u00e9\\t\"}\n"  // 13
    "name: \"again\"\n"                  // 14
    "after: word\n";                     // 15

// The value at a path of keys and array indices: "inner.list.2.y".
const Value& At(const Value& root, const std::string& path) {
  const Value* at = &root;
  std::size_t start = 0;
  while (start <= path.size() && !path.empty()) {
    std::size_t dot = path.find('.', start);
    if (dot == std::string::npos) dot = path.size();
    const std::string part = path.substr(start, dot - start);
    at = at->IsArray() ? &(*at)[std::stoul(part)] : at->Find(part);
    EXPECT_NE(at, nullptr) << path;
    start = dot + 1;
  }
  return *at;
}

struct PlaceCase {
  const char* path;
  std::uint64_t line;
  std::uint64_t column;
};

TEST(CsonPositions, EachValueStartsWhereItIsWritten) {
  Value root;
  ASSERT_EQ(ParseText(DOCUMENT, root, nullptr), ErrorCode::Ok);
  const PlaceCase rows[] = {
      {"", 2, 1},  // a document of indented pairs starts at its first key
      {"name", 2, 7},
      {"hp", 3, 5},
      {"flags", 4, 8},
      {"flags.0", 4, 9},
      {"flags.1", 4, 15},
      {"flags.2", 4, 21},
      {"inner", 6, 3},
      {"inner.deep", 6, 9},
      {"inner.list", 8, 9},
      {"inner.list.0", 9, 5},
      {"inner.list.0.y", 9, 15},
      {"inner.list.1", 10, 5},
      {"inner.list.1.x", 10, 9},
      {"inner.list.1.y", 10, 15},
      {"inner.list.2", 11, 5},
      {"inner.list.2.x", 11, 9},
      {"inner.list.2.y", 11, 15},
      {"say it", 13, 11},
      {"say it.a", 13, 15},
      {"after", 15, 8},
  };
  for (const PlaceCase& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(At(root, row.path).Where(), (Position{row.line, row.column}));
  }
}

TEST(CsonPositions, KeysAreListedInTextOrderWithTheirObjectAndRepeats) {
  Value root;
  std::vector<KeyPosition> keys = {{{9, 9}, "stale", {9, 9}, true}};
  ASSERT_EQ(ParseText(DOCUMENT, root, nullptr, &keys), ErrorCode::Ok);
  std::vector<std::string> listed;
  for (const KeyPosition& key : keys) {
    listed.push_back(std::to_string(key.object.line) + ":" + std::to_string(key.object.column) +
                     " " + key.key + " " + std::to_string(key.at.line) + ":" +
                     std::to_string(key.at.column) + (key.repeated ? " again" : ""));
  }
  const std::vector<std::string> expected = {
      "2:1 name 2:1",    "2:1 hp 3:1",    "2:1 flags 4:1",       "2:1 inner 5:1",
      "6:3 deep 6:3",    "6:3 list 8:3",  "9:5 x 9:6",           "9:5 y 9:12",
      "10:5 x 10:6",     "10:5 y 10:12",  "11:5 x 11:6",         "11:5 y 11:12",
      "2:1 say it 13:1", "13:11 a 13:12", "2:1 name 14:1 again", "2:1 after 15:1",
  };
  EXPECT_EQ(listed, expected);
  // The pair kept is the first.
  EXPECT_EQ(root.Find("name")->AsString(), "Kim");
}

TEST(CsonPositions, BuiltValuesHaveNoPlaceAndCopiesKeepIt) {
  Value read;
  ASSERT_EQ(ParseText("\n  [1, 2]", read, nullptr), ErrorCode::Ok);
  EXPECT_EQ(read.Where(), (Position{2, 3}));
  EXPECT_EQ(read[1].Where(), (Position{2, 7}));
  const Value copy = read;
  EXPECT_EQ(copy[1].Where(), (Position{2, 7}));

  Value built = Arr({1, 2});
  EXPECT_FALSE(built.Where().Known());
  EXPECT_FALSE(built[1].Where().Known());
  EXPECT_EQ(built, read) << "places take no part in equality";
  read[1] = 5;
  EXPECT_FALSE(read[1].Where().Known()) << "a value assigned by code has no place";
}

}  // namespace
