// The writer: exact output text, and the promise that everything it accepts reads back equal.
#include <cmath>
#include <limits>
#include <string>

#include "test_util.h"

namespace {

using namespace csontest;
using zokCSON::Error;
using zokCSON::ErrorCode;
using zokCSON::WriteOptions;

std::string Write(const Value& value, bool sortKeys = true, int indent = 2) {
  WriteOptions options;
  options.indent = indent;
  options.sortKeys = sortKeys;
  std::string text;
  Error error;
  EXPECT_TRUE(zokCSON::WriteText(value, text, options, &error)) << error.message;
  return text;
}

void ExpectText(const std::string& actual, const std::string& expected) {
  EXPECT_EQ(actual, expected) << FirstDifference(actual, expected);
}

TEST(Writer, ExampleDocumentLineByLine) {
  Value doc = Obj({
      {"name", "Bob"},
      {"hp", 10},
      {"pos", Obj({{"x", 1}, {"y", 2}})},
      {"tags", Arr({"a", "b"})},
      {"items", Arr({1, 2, 3, 4})},
      {"list", Arr({Obj({{"a", 1}}), Obj({{"b", 2}})})},
      {"none", Arr({})},
      {"empty", Obj({})},
      {"text", "line1\nline2"},
  });
  ExpectText(Write(doc),
             "empty: \n"
             "  {}\n"
             "hp: 10.0\n"
             "items: \n"
             "  [\n"
             "    1.0\n"
             "    2.0\n"
             "    3.0\n"
             "    4.0\n"
             "  ]\n"
             "list: \n"
             "  [\n"
             "    {a: 1.0}\n"
             "    {b: 2.0}\n"
             "  ]\n"
             "name: \"Bob\"\n"
             "none: []\n"
             "pos: \n"
             "  x: 1.0\n"
             "  y: 2.0\n"
             "tags: [\"a\", \"b\"]\n"
             "text: \"\"\"line1\n"
             "line2\"\"\"");
}

struct TextCase {
  const char* name;
  Value value;
  std::string text;
};

class WritesAs : public ::testing::TestWithParam<TextCase> {};

TEST_P(WritesAs, Text) { ExpectText(Write(GetParam().value), GetParam().text); }

const std::string STRING_32(32, 'x');
const std::string STRING_33(33, 'x');

// clang-format off
INSTANTIATE_TEST_SUITE_P(Numbers, WritesAs, ::testing::Values(
    TextCase{"Whole", 75, "75.0"},
    TextCase{"NegativeHalf", -0.5, "-0.5"},
    TextCase{"TwoDecimals", 2.25, "2.25"},
    TextCase{"NegativeWhole", -3, "-3.0"},
    TextCase{"RoundsToSixDecimals", 0.1234567, "0.123457"},
    TextCase{"ManyDecimals", 123456.7891234, "123456.789123"},
    TextCase{"TooSmall", 1e-7, "0.0"},
    TextCase{"TooSmallNegative", -1e-7, "-0.0"},
    TextCase{"NegativeZero", -0.0, "-0.0"},
    TextCase{"NoExponent", 1e20, "100000000000000000000.0"},
    TextCase{"HalfAboveTwoToThe51", 2251799813685248.5, "2251799813685248.5"}
), RowName<TextCase>);

INSTANTIATE_TEST_SUITE_P(Scalars, WritesAs, ::testing::Values(
    TextCase{"EmptyObject", Obj({}), "{}"},
    TextCase{"EmptyArray", Arr({}), "[]"},
    TextCase{"EmptyString", "", "\"\""},
    TextCase{"Boolean", true, "true"},
    TextCase{"Null", Value(), "null"},
    TextCase{"FourEscapes", "\t\r\\\"", R"("\t\r\\\"")"},
    TextCase{"ApostropheAndControlByteRaw", "'\x01#", "\"'\x01#\""},
    TextCase{"ByteOrderMarkEscaped", "a\xEF\xBB\xBFz", R"("a\uFEFFz")"},
    TextCase{"TripleQuotedWhenLineFeed", "a\n\"b\" \\ \r", "\"\"\"a\n\"b\" \\ \r\"\"\""},
    TextCase{"ThreeQuotesForceEscapes", "a\n\"\"\"", R"("a\n\"\"\"")"},
    TextCase{"EndingQuoteForcesEscapes", "a\n\"", R"("a\n\"")"},
    TextCase{"MarkWithLineFeedForcesEscapes", "\xEF\xBB\xBF\n", R"("\uFEFF\n")"}
), RowName<TextCase>);

INSTANTIATE_TEST_SUITE_P(Arrays, WritesAs, ::testing::Values(
    TextCase{"ThreeNumbersOnOneLine", Arr({1, 2, 3}), "[1.0, 2.0, 3.0]"},
    TextCase{"FourNumbersOnePerLine", Arr({1, 2, 3, 4}), "[\n  1.0\n  2.0\n  3.0\n  4.0\n]"},
    TextCase{"ShortStringsOnOneLine", Arr({STRING_32, STRING_32, STRING_32}), "[\"" + STRING_32 + "\", \"" + STRING_32 + "\", \"" + STRING_32 + "\"]"},
    TextCase{"LongStringOnePerLine", Arr({STRING_33}), "[\n  \"" + STRING_33 + "\"\n]"},
    TextCase{"LineFeedStringOnePerLine", Arr({"a\nb"}), "[\n  \"\"\"a\nb\"\"\"\n]"},
    TextCase{"ObjectsInline", Arr({Obj({{"k", Arr({1, 2, 3, 4})}, {"s", "a\nb"}})}), "[\n  {k: [1.0, 2.0, 3.0, 4.0], s: \"a\\nb\"}\n]"},
    TextCase{"NestedArrays", Arr({Arr({1}), Arr({1, 2, 3, 4}), Arr({})}), "[\n  [1.0]\n  [\n    1.0\n    2.0\n    3.0\n    4.0\n  ]\n  []\n]"},
    TextCase{"ScalarsMixed", Arr({Value(), false, "x"}), R"([null, false, "x"])"}
), RowName<TextCase>);

INSTANTIATE_TEST_SUITE_P(Keys, WritesAs, ::testing::Values(
    TextCase{"SortedByBytes", Obj({{"B", 1}, {"a", 2}, {"A", 3}}), "A: 3.0\nB: 1.0\na: 2.0"},
    TextCase{"KeywordAndDashBare", Obj({{"true", 1}, {"first-name", 2}, {"_x", 3}}), "_x: 3.0\nfirst-name: 2.0\ntrue: 1.0"},
    TextCase{"OthersQuoted", Obj({{"a", Arr({Obj({{"has space", 1}, {"a.b", 2}, {"\xC3\xA9", 3}, {"1a", 4}, {"-a", 5}, {"", 6}})})}}),
             "a: \n  [\n    {\"\": 6.0, \"-a\": 5.0, \"1a\": 4.0, \"a.b\": 2.0, \"has space\": 1.0, \"\xC3\xA9\": 3.0}\n  ]"},
    TextCase{"QuotedKeyAfterFirstInBlock", Obj({{"a", 1}, {"b c", 2}}), "a: 1.0\n\"b c\": 2.0"},
    TextCase{"QuotedFirstKeyGoesInline", Obj({{"a b", 1}, {"c", 2}}), "{\"a b\": 1.0, c: 2.0}"},
    TextCase{"QuotedFirstKeyNested", Obj({{"p", Obj({{"1", "x"}})}}), "p: \n  {\"1\": \"x\"}"}
), RowName<TextCase>);
// clang-format on

// Everything the writer accepts must read back to the same value.
TEST(WriterRoundTrip, AwkwardValuesReadBackEqual) {
  const Value rows[] = {
      Obj({{"triple", "x\n\"\"\"y"},
           {"endQuote", "x\n\""},
           {"startQuote", "\"\n"},
           {"crlf", "a\r\nb"}}),
      Obj({{"mark", "\xEF\xBB\xBF"}, {"\xEF\xBB\xBF key", Arr({"\xEF\xBB\xBF\n"})}}),
      Obj({{"9lives", 1}, {"x", Obj({{"", Obj({{"y z", 2}})}})}}),
      Obj({{"a", Arr({Arr({Arr({1, 2, 3, 4}), Obj({})}), "s\nt",
                      Obj({{"k", Arr({"u\nv", Obj({{"#", 1}})})}})})}}),
      Obj({{"nul", std::string("a\0b", 3)},
           {"hash", "# not a comment"},
           {"word", "true"},
           {"num", "1.0"}}),
      Arr({Obj({{"a", 1}}), Obj({}), Arr({}), -0.25, "tab\there"}),
      Obj({{"empty", Obj({})},
           {"none", Arr({})},
           {"deep", Obj({{"deeper", Obj({{"deepest", Arr({1, 2, 3, 4})}})}})}}),
      NestedArrays(zokCSON::MAX_DEPTH - 1),
      "just a string",
  };
  for (bool sortKeys : {false, true}) {
    for (int indent : {2, 4, 1}) {
      for (const Value& row : rows) {
        std::string text = Write(row, sortKeys, indent);
        SCOPED_TRACE(text.substr(0, 200));
        Value back;
        Error error;
        ASSERT_EQ(zokCSON::ParseText(text, back, &error), ErrorCode::Ok)
            << error.line << ":" << error.column << " " << error.message;
        EXPECT_EQ(back, row);
      }
    }
  }
}

// One space per level still reads back; zero would flatten nested blocks into their parent.
TEST(WriterRoundTrip, IndentBelowOneStillNests) {
  Value doc = Obj({{"a", Obj({{"b", 1}})}, {"c", Arr({1, 2, 3, 4})}});
  ExpectText(Write(doc, true, 0), "a: \n b: 1.0\nc: \n [\n  1.0\n  2.0\n  3.0\n  4.0\n ]");
}

TEST(WriterRefuses, ValuesThatCannotReadBack) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    const char* name;
    Value value;
    ErrorCode code;
    const char* message;
  };
  const Row rows[] = {
      {"NaNInArray", Arr({1, nan}), ErrorCode::InvalidNumber, "Non-finite number value"},
      {"InfinityThreeLevelsDown", Obj({{"a", Obj({{"b", Obj({{"c", -inf}})}})}}),
       ErrorCode::InvalidNumber, "Non-finite number value"},
      {"BadUtf8String", Arr({"ok", "\xC0\x80"}), ErrorCode::InvalidUtf8, "Invalid UTF-8 encoding"},
      {"BadUtf8Key", Obj({{"a\xFF", 1}}), ErrorCode::InvalidUtf8, "Invalid UTF-8 encoding"},
      {"EncodedSurrogate", Value("\xED\xA0\x80"), ErrorCode::InvalidUtf8, "Invalid UTF-8 encoding"},
      {"TooDeep", NestedArrays(zokCSON::MAX_DEPTH + 1), ErrorCode::TooDeep, "Nesting too deep"},
      {"FarTooDeep", NestedArrays(1'000'000), ErrorCode::TooDeep, "Nesting too deep"},
      {"EmptyObjectTooDeep",
       [] {
         Value v = NestedArrays(zokCSON::MAX_DEPTH);
         Value* inner = &v;
         while ((*inner)[std::size_t{0}].IsArray()) {
           inner = &(*inner)[std::size_t{0}];
         }
         (*inner)[std::size_t{0}] = Value::MakeObject();
         return v;
       }(),
       ErrorCode::TooDeep, "Nesting too deep"},
      // Several faults: the nesting counts first, then numbers, then UTF-8, wherever they stand.
      {"NumberRanksBeforeUtf8", Arr({"\xFF", nan}), ErrorCode::InvalidNumber,
       "Non-finite number value"},
      {"DepthRanksBeforeNumber", Arr({nan, NestedArrays(zokCSON::MAX_DEPTH)}), ErrorCode::TooDeep,
       "Nesting too deep"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string text = "old";
    Error error;
    EXPECT_FALSE(zokCSON::WriteText(row.value, text, WriteOptions(), &error));
    EXPECT_EQ(error.code, row.code);
    EXPECT_EQ(error.line, 1u);
    EXPECT_EQ(error.column, 1u);
    EXPECT_EQ(error.message, row.message);
    EXPECT_EQ(text, "old");
    EXPECT_FALSE(zokCSON::WriteText(row.value, text, WriteOptions(), nullptr));
  }
  EXPECT_TRUE(zokCSON::detail::ValidateFiniteNumbers(Arr({"\xFF", 1}), nullptr));
  EXPECT_FALSE(zokCSON::detail::ValidateFiniteNumbers(Arr({Arr({nan})}), nullptr));
}

TEST(Writer, MaxDepthWritesAndReadsBack) {
  Value deepest = NestedArrays(zokCSON::MAX_DEPTH);
  std::string text = Write(deepest);
  Value back;
  ASSERT_EQ(zokCSON::ParseText(text, back, nullptr), ErrorCode::Ok);
  EXPECT_EQ(back, deepest);
}

}  // namespace
