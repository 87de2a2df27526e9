// The reader: texts that read to a value, and texts that fail at an exact place.
#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "test_util.h"

namespace {

using namespace csontest;
using namespace std::string_literals;
using zokCSON::Error;
using zokCSON::ErrorCode;
using zokCSON::ParseText;

struct ReadCase {
  const char* name;
  std::string text;
  Value expected;
};

class ReadsTo : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadsTo, Value) {
  const ReadCase& row = GetParam();
  Value out = "untouched";
  Error error;
  error.code = ErrorCode::IoError;
  ASSERT_EQ(ParseText(row.text, out, &error), ErrorCode::Ok)
      << error.line << ":" << error.column << " " << error.message;
  EXPECT_EQ(out, row.expected);
  EXPECT_EQ(error.code, ErrorCode::Ok);
  EXPECT_EQ(error.line, 1u);
  EXPECT_EQ(error.column, 1u);
}

const double INF = std::numeric_limits<double>::infinity();

// clang-format off
INSTANTIATE_TEST_SUITE_P(Documents, ReadsTo, ::testing::Values(
    ReadCase{"Empty", "", Value()},
    ReadCase{"OnlyBlanksAndComments", "\n  # note\n\n# more", Value()},
    ReadCase{"ByteOrderMarkOnly", "\xEF\xBB\xBF", Value()},
    ReadCase{"ByteOrderMarkIsInvisible", "\xEF\xBB\xBF" "a: 1\n  b: 2", Obj({{"a", 1}, {"b", 2}})},
    ReadCase{"Number", "42", 42},
    ReadCase{"BareWord", "hello", "hello"},
    ReadCase{"SingleQuoted", "'hello'", "hello"},
    ReadCase{"IndentedFirstLine", "    a: 1\n    b: 2", Obj({{"a", 1}, {"b", 2}})},
    ReadCase{"TabsBeforeFirstLine", "\t a: 1", Obj({{"a", 1}})}
), RowName<ReadCase>);

INSTANTIATE_TEST_SUITE_P(Scalars, ReadsTo, ::testing::Values(
    ReadCase{"True", "true", true},
    ReadCase{"False", "false", false},
    ReadCase{"Null", "null", Value()},
    ReadCase{"CapitalTrueIsAWord", "True", "True"},
    ReadCase{"NullablePrefixIsAWord", "nullable", "nullable"},
    ReadCase{"WordWithDashAndDigit", "hello-world_2", "hello-world_2"},
    ReadCase{"LeadingPointAfterSign", "-.5", -0.5},
    ReadCase{"TrailingPoint", "1.", 1.0},
    ReadCase{"LeadingZeros", "007", 7},
    ReadCase{"PlusSign", "+3", 3},
    ReadCase{"CapitalExponent", "2E-3", 0.002},
    ReadCase{"Fraction", "-12.375e1", -123.75},
    ReadCase{"ShortDecimal", "0.1", 0.1},
    ReadCase{"SixDecimals", "-123456.789123", -123456.789123},
    ReadCase{"FifteenDigits", "98765.4321098765", 98765.4321098765},
    ReadCase{"SixteenDigits", "1234567890.123456", 1234567890.123456},
    ReadCase{"ManyDecimals", "0.30000000000000004", 0.30000000000000004},
    ReadCase{"LongInteger", "12345678901234567890", 12345678901234567890.0},
    ReadCase{"Overflow", "1e999", INF},
    ReadCase{"NegativeOverflow", "-1e999", -INF},
    ReadCase{"OverflowWithoutExponent", std::string(400, '9'), INF},
    ReadCase{"Underflow", "1e-999", 0.0},
    ReadCase{"RawTabKept", "\"a\tb\"", "a\tb"},
    ReadCase{"HashInString", "'a # b'", "a # b"},
    ReadCase{"Escapes", R"("\\ \n \r \t \"")", "\\ \n \r \t \""},
    ReadCase{"EscapedApostrophe", R"('it\'s')", "it's"},
    ReadCase{"OtherQuoteUnescaped", R"('say "hi"')", "say \"hi\""},
    ReadCase{"UnicodeTwoBytes", R"("\u00e9")", "\xC3\xA9"},
    ReadCase{"UnicodeUpperHex", R"("\u00C9\u20AC")", "\xC3\x89\xE2\x82\xAC"},
    ReadCase{"SurrogatePair", R"("\uD83D\uDE00")", "\xF0\x9F\x98\x80"},
    ReadCase{"UnicodeNul", R"("a\u0000b")", std::string("a\0b", 3)},
    ReadCase{"EscapedByteOrderMark", R"("\uFEFF")", "\xEF\xBB\xBF"},
    ReadCase{"TripleQuotedCrLf", "\"\"\"a\r\nb\r\nc\"\"\"", "a\r\nb\r\nc"},
    ReadCase{"TripleQuotedVerbatim", "\"\"\"\n  x \\n # y\n\"\"\"", "\n  x \\n # y\n"},
    ReadCase{"TripleQuotedHoldsQuotes", "\"\"\"a \"\" b\"\"\"", "a \"\" b"}
), RowName<ReadCase>);

INSTANTIATE_TEST_SUITE_P(Objects, ReadsTo, ::testing::Values(
    ReadCase{"BlanksBeforeColon", "name  : 1", Obj({{"name", 1}})},
    ReadCase{"PairsOnOneLine", "a: 1, b: 2", Obj({{"a", 1}, {"b", 2}})},
    ReadCase{"CommaEndsLine", "a: 1,\nb: 2", Obj({{"a", 1}, {"b", 2}})},
    ReadCase{"FirstKeyWins", "a: 1\nb: 2\na: [3, 4]", Obj({{"a", 1}, {"b", 2}})},
    ReadCase{"QuotedKeyAfterFirst", "a: 1\n\"b c\": 2\n'd': 3", Obj({{"a", 1}, {"b c", 2}, {"d", 3}})},
    ReadCase{"CommentsAndBlankLines", "a: 1 # one\n\n  # indented comment\nb: 2", Obj({{"a", 1}, {"b", 2}})},
    ReadCase{"CrLfLines", "a: 1\r\nb:\r\n  c: 2\r\n", Obj({{"a", 1}, {"b", Obj({{"c", 2}})}})},
    ReadCase{"BlockScalar", "a:\n  42", Obj({{"a", 42}})},
    ReadCase{"BlockAfterComment", "a: # note\n  42", Obj({{"a", 42}})},
    ReadCase{"NestedBlocks", "a:\n  b: 1\n  c:\n    d: 2\ne: 3",
             Obj({{"a", Obj({{"b", 1}, {"c", Obj({{"d", 2}})}})}, {"e", 3}})},
    ReadCase{"LevelsSkipAUnit", "a:\n  b:\n      c: 1\n  d: 2", Obj({{"a", Obj({{"b", Obj({{"c", 1}})}, {"d", 2}})}})},
    ReadCase{"DeeperLineJoinsObject", "a: 1\n    b: 2", Obj({{"a", 1}, {"b", 2}})},
    ReadCase{"InlineBlockObjectTakesFollowingPairs", "a: b: 1\nc: 2", Obj({{"a", Obj({{"b", 1}, {"c", 2}})}})},
    ReadCase{"InlineObject", "{a: 1, 'b': {}, \"c\": [true]}", Obj({{"a", 1}, {"b", Obj({})}, {"c", Arr({true})}})},
    ReadCase{"InlineObjectOverLines", "{\n  a: 1, # one\n  # between\n  b: 2\n}", Obj({{"a", 1}, {"b", 2}})},
    ReadCase{"InlineObjectAfterKey", "p: {x: 1, y: 2}\nq: 3", Obj({{"p", Obj({{"x", 1}, {"y", 2}})}, {"q", 3}})},
    ReadCase{"QuotedStringBeforeColonIsValue", "a: \"x\"", Obj({{"a", "x"}})}
), RowName<ReadCase>);

INSTANTIATE_TEST_SUITE_P(Arrays, ReadsTo, ::testing::Values(
    ReadCase{"InlineEmpty", "[ ]", Arr({})},
    ReadCase{"InlineTrailingComma", "[1, 2,]", Arr({1, 2})},
    ReadCase{"InlineOverLines", "[1, # one\n 2\n , 3]", Arr({1, 2, 3})},
    ReadCase{"MultilineClosedOnDedent", "a: [\n  1\n  2\n]\nb: 3", Obj({{"a", Arr({1, 2})}, {"b", 3}})},
    ReadCase{"MultilineWithoutBracketContinuesObject", "a: [\n  1\n  2\nb: 3", Obj({{"a", Arr({1, 2})}, {"b", 3}})},
    ReadCase{"NestedMultilineWithoutBracket", "x:\n  a: [\n    1\n  b: 2\nc: 3",
             Obj({{"x", Obj({{"a", Arr({1})}, {"b", 2}})}, {"c", 3}})},
    ReadCase{"MultilineCommasAndComments", "[\n  1, 2 # two\n  3,\n  4\n]", Arr({1, 2, 3, 4})},
    ReadCase{"MultilineBlankToEnd", "a: [\n\n  # nothing\n", Obj({{"a", Arr({})}})},
    ReadCase{"MultilineEmptyBracket", "[\n]", Arr({})},
    ReadCase{"DoubleBracketClosesOne", "[\n  [\n    1]]", Arr({Arr({1})})},
    ReadCase{"KeyLinesFormOneElement", "[\n  a: 1\n  b: 2\n]", Arr({Obj({{"a", 1}, {"b", 2}})})},
    ReadCase{"DeeperElementsAccepted", "[\n  1\n    2\n]", Arr({1, 2})},
    ReadCase{"ElementsOfEveryKind", "[\n  'a'\n  {k: v}\n  [1]\n  null\n]", Arr({"a", Obj({{"k", "v"}}), Arr({1}), Value()})}
), RowName<ReadCase>);
// Objects side by side in an array are read as copies of the one before when their keys repeat:
// every way the next one can differ must still give exactly its own members.
Value ObjectOfKeys(int count, int value)
{
    Value object = Value::MakeObject();
    for (int i = 0; i < count; ++i) {
        object["k" + std::to_string(i)] = value;
    }
    return object;
}

std::string InlineObjectOfKeys(int count, int value)
{
    std::string text = "{";
    for (int i = 0; i < count; ++i) {
        text += (i > 0 ? ", k" : "k") + std::to_string(i) + ": " + std::to_string(value);
    }
    return text + "}";
}

// A long multiline array reserves room after its first elements, from their length.
std::string LongArrayText(int count)
{
    std::string text = "a: [\n";
    for (int i = 0; i < count; ++i) {
        text += i % 10 == 0 ? "  {x: " + std::to_string(i) + ", y: [1, 2]}\n" : "  " + std::to_string(i) + "\n";
    }
    return text + "]\nb: 1";
}

Value LongArrayValue(int count)
{
    Value array = Value::MakeArray();
    for (int i = 0; i < count; ++i) {
        array.Append(i % 10 == 0 ? Obj({{"x", i}, {"y", Arr({1, 2})}}) : Value(i));
    }
    return Obj({{"a", array}, {"b", 1}});
}

INSTANTIATE_TEST_SUITE_P(LongArrays, ReadsTo, ::testing::Values(
    ReadCase{"JustBeforeReserving", LongArrayText(64), LongArrayValue(64)},
    ReadCase{"PastReserving", LongArrayText(65), LongArrayValue(65)},
    ReadCase{"Thousands", LongArrayText(5000), LongArrayValue(5000)}
), RowName<ReadCase>);

INSTANTIATE_TEST_SUITE_P(SiblingObjects, ReadsTo, ::testing::Values(
    ReadCase{"SameKeys", "[\n  {a: 1, b: 2}\n  {a: 3, b: 4}\n  {a: 5, b: 6}\n]",
             Arr({Obj({{"a", 1}, {"b", 2}}), Obj({{"a", 3}, {"b", 4}}), Obj({{"a", 5}, {"b", 6}})})},
    ReadCase{"OtherOrder", "[{a: 1, b: 2}, {b: 3, a: 4}]", Arr({Obj({{"a", 1}, {"b", 2}}), Obj({{"a", 4}, {"b", 3}})})},
    ReadCase{"FewerKeys", "[{a: 1, b: 2}, {a: 3}, {b: 4}]",
             Arr({Obj({{"a", 1}, {"b", 2}}), Obj({{"a", 3}}), Obj({{"b", 4}})})},
    ReadCase{"MoreKeys", "[{a: 1}, {a: 2, b: 3}, {a: 4, b: 5}]",
             Arr({Obj({{"a", 1}}), Obj({{"a", 2}, {"b", 3}}), Obj({{"a", 4}, {"b", 5}})})},
    ReadCase{"OtherKey", "[{a: 1, b: 2}, {a: 3, c: 4}]", Arr({Obj({{"a", 1}, {"b", 2}}), Obj({{"a", 3}, {"c", 4}})})},
    ReadCase{"RepeatedKeyFirstWins", "[{a: 1, b: 2}, {a: 3, a: 4, b: 5, b: 6}]",
             Arr({Obj({{"a", 1}, {"b", 2}}), Obj({{"a", 3}, {"b", 5}})})},
    ReadCase{"RepeatedKeyInModel", "[{a: 1, a: 2}, {a: 3, a: 4}]", Arr({Obj({{"a", 1}}), Obj({{"a", 3}})})},
    ReadCase{"EmptyBetween", "[{a: 1}, {}, {a: 2}]", Arr({Obj({{"a", 1}}), Obj({}), Obj({{"a", 2}})})},
    ReadCase{"OtherValueBetween", "[{a: 1}, 5, {a: 2}]", Arr({Obj({{"a", 1}}), 5, Obj({{"a", 2}})})},
    ReadCase{"ValueBecomesContainer", "[{a: 1, b: 2}, {a: [{x: 1}, {x: 2}], b: {y: 3}}, {a: 4, b: 5}]",
             Arr({Obj({{"a", 1}, {"b", 2}}), Obj({{"a", Arr({Obj({{"x", 1}}), Obj({{"x", 2}})})}, {"b", Obj({{"y", 3}})}}),
                  Obj({{"a", 4}, {"b", 5}})})},
    ReadCase{"StringValues", "[{a: 'x', b: 1}, {a: 'y', b: 2}, {a: 3, b: 'z'}]",
             Arr({Obj({{"a", "x"}, {"b", 1}}), Obj({{"a", "y"}, {"b", 2}}), Obj({{"a", 3}, {"b", "z"}})})},
    ReadCase{"QuotedKeys", "[{'a': 1, \"b c\": 2}, {'a': 3, \"b c\": 4}, {a: 5, 'b c': 6}]",
             Arr({Obj({{"a", 1}, {"b c", 2}}), Obj({{"a", 3}, {"b c", 4}}), Obj({{"a", 5}, {"b c", 6}})})},
    ReadCase{"KindsOfScalar", "[{a: null, b: true}, {a: false, b: null}]",
             Arr({Obj({{"a", Value()}, {"b", true}}), Obj({{"a", false}, {"b", Value()}})})},
    ReadCase{"ManyKeys", "[" + InlineObjectOfKeys(20, 1) + ", " + InlineObjectOfKeys(20, 2) + ", " + InlineObjectOfKeys(19, 3) + "]",
             Arr({ObjectOfKeys(20, 1), ObjectOfKeys(20, 2), ObjectOfKeys(19, 3)})},
    // Each element copies the one before, and a copy of a hash map may walk in another order
    // than its original (libc++): every element's values still go to its own keys.
    ReadCase{"ManyAlikeOnLines",
             "[\n  {p: \"a\", n: \"b\", f: \"c\", t: \"d\"}\n  {p: \"e\", n: \"f\", f: \"g\", t: \"h\"}\n"
             "  {p: \"i\", n: \"j\", f: \"k\", t: \"l\"}\n  {p: \"m\", n: \"n\", f: \"o\", t: \"p\"}\n]",
             Arr({Obj({{"p", "a"}, {"n", "b"}, {"f", "c"}, {"t", "d"}}), Obj({{"p", "e"}, {"n", "f"}, {"f", "g"}, {"t", "h"}}),
                  Obj({{"p", "i"}, {"n", "j"}, {"f", "k"}, {"t", "l"}}), Obj({{"p", "m"}, {"n", "n"}, {"f", "o"}, {"t", "p"}})})},
    ReadCase{"ManyAlikeSpacedApart",
             "[{x: 1, y: 2, z: 3}, {x:4,y:5,z:6}, { x : 7 , y : 8 , z : 9 },\n {x: 10,\n y: 11, z: 12}, {x: 13, y: 14, z: 15}]",
             Arr({Obj({{"x", 1}, {"y", 2}, {"z", 3}}), Obj({{"x", 4}, {"y", 5}, {"z", 6}}), Obj({{"x", 7}, {"y", 8}, {"z", 9}}),
                  Obj({{"x", 10}, {"y", 11}, {"z", 12}}), Obj({{"x", 13}, {"y", 14}, {"z", 15}})})},
    ReadCase{"NestedArraysKeepTheirOwn", "[[{a: 1}, {a: 2}], [{b: 3}, {b: 4}], {a: 5}]",
             Arr({Arr({Obj({{"a", 1}}), Obj({{"a", 2}})}), Arr({Obj({{"b", 3}}), Obj({{"b", 4}})}), Obj({{"a", 5}})})}
), RowName<ReadCase>);
// clang-format on

struct FailCase {
  const char* name;
  std::string text;
  ErrorCode code;
  std::uint64_t line;
  std::uint64_t column;
  const char* message;
};

class FailsWith : public ::testing::TestWithParam<FailCase> {};

TEST_P(FailsWith, CodeAndPlace) {
  const FailCase& row = GetParam();
  Value out = "untouched";
  Error error;
  EXPECT_EQ(ParseText(row.text, out, &error), row.code);
  EXPECT_EQ(error.code, row.code);
  EXPECT_EQ(error.line, row.line);
  EXPECT_EQ(error.column, row.column);
  EXPECT_EQ(error.message, row.message);
  EXPECT_EQ(out, Value("untouched")) << "a failed read must leave the value alone";
}

constexpr auto UTF8 = ErrorCode::InvalidUtf8;
constexpr auto CHAR = ErrorCode::UnexpectedCharacter;
constexpr auto ESC = ErrorCode::InvalidEscape;
constexpr auto INDENT = ErrorCode::BadIndentation;
constexpr auto STR = ErrorCode::UnterminatedString;
const char* const BAD_UTF8 = "Invalid UTF-8 encoding";
const char* const TRAILING = "Trailing characters after top-level value";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Utf8, FailsWith, ::testing::Values(
    FailCase{"OverlongNul", "ab\xC0\x80", UTF8, 1, 3, BAD_UTF8},
    FailCase{"EncodedSurrogate", "\xED\xA0\x80", UTF8, 1, 1, BAD_UTF8},
    FailCase{"BeyondLastCodePoint", "x\xF4\x90\x80\x80", UTF8, 1, 2, BAD_UTF8},
    FailCase{"StrayContinuation", "a\n\x80", UTF8, 2, 1, BAD_UTF8},
    FailCase{"CutShortAtEnd", "'\xE2\x82", UTF8, 1, 2, BAD_UTF8},
    FailCase{"ColumnCountsCharacters", "a\n\xC3\xA9\xE2\x82\xAC\xFF", UTF8, 2, 3, BAD_UTF8},
    FailCase{"MarkInTheMiddle", "a: \"x\xEF\xBB\xBF\"", UTF8, 1, 6, BAD_UTF8},
    FailCase{"SecondMark", "\xEF\xBB\xBF\xEF\xBB\xBF", UTF8, 1, 1, BAD_UTF8},
    // Reader errors count bytes: the two-byte character puts this one a column further right.
    FailCase{"ReaderColumnCountsBytes", "'\xC3\xA9' x", CHAR, 1, 6, TRAILING}
), RowName<FailCase>);

INSTANTIATE_TEST_SUITE_P(Indentation, FailsWith, ::testing::Values(
    FailCase{"NotAMultiple", "a:\n  b:\n    c: 1\n   d: 2", INDENT, 4, 4, "Indentation is not a multiple of base indent width"},
    FailCase{"DedentToUnopenedLevel", "a:\n  b: 1\nc:\n    d: 1\n  e: 2", INDENT, 5, 3, "Dedent does not match any previous indent level"},
    FailCase{"TabOnCommentLine", "a:\n  \t# note\n  b: 1", ErrorCode::TabIndentation, 2, 3, "Tabs are not allowed in indentation"},
    FailCase{"TabOnContentLine", "a: 1\n\tb: 2", ErrorCode::TabIndentation, 2, 1, "Tabs are not allowed in indentation"},
    FailCase{"NoBlockAfterColon", "a:\n\n  # only a comment\n", INDENT, 4, 1, "Expected indented block after ':'"},
    FailCase{"BlockNotDeeper", "a:\nb: 1", INDENT, 2, 1, "Expected deeper indentation for block value"},
    FailCase{"NestedBlockNotDeeper", "a:\n  b:\n  c: 1", INDENT, 3, 3, "Expected deeper indentation for block value"}
), RowName<FailCase>);

INSTANTIATE_TEST_SUITE_P(Strings, FailsWith, ::testing::Values(
    FailCase{"Unterminated", "\"ab", STR, 1, 4, "Unterminated string literal"},
    FailCase{"LineFeedInside", "a: \"x\ny\"", STR, 2, 1, "Newline in string literal"},
    FailCase{"CarriageReturnInside", "'x\ry'", STR, 1, 4, "Newline in string literal"},
    FailCase{"BackslashAtEnd", "\"a\\", STR, 1, 4, ""},
    FailCase{"SlashEscape", R"("\/")", ESC, 1, 4, "Invalid escape in string"},
    FailCase{"NulEscape", R"('\0')", ESC, 1, 4, "Invalid escape in string"},
    FailCase{"ApostropheInDoubleQuotes", R"("\'")", ESC, 1, 4, "Invalid escape in string"},
    FailCase{"QuoteInSingleQuotes", R"('\"')", ESC, 1, 4, "Invalid escape in string"},
    FailCase{"BackslashLineFeed", "\"\\\n\"", ESC, 2, 1, "Invalid escape in string"},
    FailCase{"LoneLowSurrogate", R"("\uDE00")", ESC, 1, 8, "Unpaired surrogate"},
    FailCase{"HighSurrogateThenLetter", R"("\uD83Dx")", ESC, 1, 8, "Unpaired surrogate"},
    FailCase{"HighSurrogateAtEnd", R"("\uD83D)", ESC, 1, 8, "Unpaired surrogate"},
    FailCase{"BadLowSurrogate", R"("\uD83D\u0041")", ESC, 1, 14, "Invalid low surrogate"},
    FailCase{"IncompleteUnicode", R"("\u12)", ESC, 1, 6, "Incomplete unicode escape"},
    FailCase{"BadHex", R"("\u12G4")", ESC, 1, 7, "Invalid hex in unicode escape"},
    FailCase{"LineFeedInHex", "\"\\u1\n", ESC, 2, 1, "Invalid hex in unicode escape"},
    FailCase{"UnterminatedTriple", "\"\"\"abc\nde", ErrorCode::UnterminatedTripleString, 2, 3, "Unterminated triple string literal"},
    FailCase{"TripleQuoteKey", "a: 1\n\"\"\": 2", CHAR, 2, 3, "Expected ':' in object pair"}
), RowName<FailCase>);

INSTANTIATE_TEST_SUITE_P(Numbers, FailsWith, ::testing::Values(
    FailCase{"ExponentWithoutDigits", "1e", ErrorCode::InvalidNumber, 1, 3, "Invalid number literal"},
    FailCase{"SignedExponentWithoutDigits", "a: 1e+", ErrorCode::InvalidNumber, 1, 7, "Invalid number literal"},
    FailCase{"LonePlus", "+", ErrorCode::InvalidNumber, 1, 2, "Invalid number literal"},
    FailCase{"LoneMinus", "[-]", ErrorCode::InvalidNumber, 1, 3, "Invalid number literal"},
    FailCase{"LeadingPoint", ".5", CHAR, 1, 1, "Unexpected character while parsing value"},
    FailCase{"SecondPoint", "1.2.3", CHAR, 1, 4, TRAILING},
    FailCase{"PointAfterExponent", "1e5.3", ErrorCode::InvalidNumber, 1, 6, "Invalid number literal"},
    FailCase{"PointAfterSign", "[-.]", ErrorCode::InvalidNumber, 1, 4, "Invalid number literal"},
    FailCase{"HexLiteral", "0x1F", CHAR, 1, 2, TRAILING}
), RowName<FailCase>);

INSTANTIATE_TEST_SUITE_P(Structure, FailsWith, ::testing::Values(
    FailCase{"ErrorInObjectAfterASibling", "[{a: 1}, {a: 2 b}]", CHAR, 1, 16, "Expected ',' or '}' in object"},
    FailCase{"ErrorAfterAnElementLikeTheOneBefore", "[\n  {a: 1, b: 'x'}\n  {a: 2, b: \"y\"} x\n]", CHAR, 3, 18,
             "Expected ',' or ']' or newline in multiline array"},
    FailCase{"ErrorAfterElementsAlikeOverLines", "[\n  {a: 1,\n b: 2}\n  {a: 3,\n b: 4}\n  1 2\n]", CHAR, 6, 5,
             "Expected ',' or ']' or newline in multiline array"},
    FailCase{"QuotedKeyAtStart", "\"k\": 1", CHAR, 1, 4, TRAILING},
    FailCase{"StrayAfterInlineValue", "a: 1 2", CHAR, 1, 6, TRAILING},
    FailCase{"CloseBraceAsValue", "a: }", CHAR, 1, 4, "Unexpected character while parsing value"},
    FailCase{"EndAfterColon", "a: ", ErrorCode::UnexpectedEnd, 1, 4, "Unexpected end of input while parsing value"},
    FailCase{"BlockKeyWithoutColon", "a: 1\nb 2", CHAR, 2, 3, "Expected ':' in object pair"},
    FailCase{"InlineCommaBeforeBrace", "{a: 1,}", CHAR, 1, 7, "Expected identifier or string as key"},
    FailCase{"InlineKeyWithoutColon", "{a 1}", CHAR, 1, 4, "Expected ':' in object"},
    FailCase{"InlineMissingComma", "{a: 1 b: 2}", CHAR, 1, 7, "Expected ',' or '}' in object"},
    FailCase{"InlineObjectCutOff", "{a: 1", CHAR, 1, 6, "Expected ',' or '}' in object"},
    FailCase{"InlineArrayCutOff", "[1, 2", CHAR, 1, 6, "Expected ',' or ']' in inline array"},
    FailCase{"InlineArrayCutAfterComma", "[1,", ErrorCode::UnexpectedEnd, 1, 4, "Unexpected end of input while parsing value"},
    FailCase{"InlineArrayMissingComma", "[1 2]", CHAR, 1, 4, "Expected ',' or ']' in inline array"},
    FailCase{"MultilineMissingSeparator", "[\n  1 2\n]", CHAR, 2, 5, "Expected ',' or ']' or newline in multiline array"},
    FailCase{"MultilineCutAfterElement", "[\n  1", CHAR, 2, 4, "Expected ',' or ']' or newline in multiline array"},
    FailCase{"MultilineExtraBracket", "[\n  1]]", CHAR, 2, 5, TRAILING},
    // A NUL byte is no blank: a line that starts with one (after its indentation) fails there.
    FailCase{"NulAfterIndentation", "a:\n  \0"s, CHAR, 2, 3, "Unexpected character while parsing value"},
    FailCase{"NulLineAfterPairs", "a: 1\n\0 b: 2"s, CHAR, 2, 1, TRAILING},
    FailCase{"NulAlone", "\0"s, CHAR, 1, 1, "Unexpected character while parsing value"}
), RowName<FailCase>);
// clang-format on

// An element of an array written like the one before it is read by a shortcut. Whatever the
// element holds, it must read as the same element alone does, and fail where and as that fails.
TEST(ReaderSiblings, ElementAfterALikeOneReadsAsAlone) {
  const std::string model = "{k: 1.0, kk: \"s\", b: true}";
  auto readAlone = [](const std::string& text, Error& error) {
    Value value;
    ParseText(text, value, &error);
    return value;
  };
  // The text ends right after the last byte, so that reading past it shows under ASan.
  auto read = [](const std::string& text, Value& out, Error& error) {
    std::vector<char> exact(text.begin(), text.end());
    return ParseText(std::string_view(exact.data(), exact.size()), out, &error);
  };
  const std::string reads[] = {
      // The shortcut's own form and each kind of value it takes.
      "{k: 2.5, kk: \"t u\", b: false}",
      "{k: -0.25, kk: \"\", b: null}",
      "{k: 123456789012345, kk: \"\xC3\xA9\", b: true}",
      "{k: 007., kk: \"x\", b: true}",
      "{k:2,kk:\"x\",b:true}",
      "{k:-2, kk: \"x\", b: true}",
      "{k :  2 ,  kk:\"x\"  , b : true }",
      // What it leaves to the general reading.
      "{k: 1234567890123456, kk: \"x\", b: true}",
      "{k: 1e3, kk: \"x\", b: true}",
      "{k: +1, kk: \"x\", b: true}",
      "{k: -.5, kk: \"x\", b: true}",
      "{k: 1, kk: \"a\\\"b\\u00e9\", b: true}",
      "{k: 1, kk: 'x', b: true}",
      "{k: 1, kk: \"\"\"x\"\"\", b: true}",
      "{k: 1, kk: word, b: truex}",
      "{k: 1, kk: \"x\", b: true: 1}",
      "{k: [1, 2], kk: {z: 1}, b: true}",
      "{k: 1,\tkk: \"x\", b: true}",
      "{k: 1, # note\n kk: \"x\",\n b: true}",
      "{k: 1,\n kk: \"x\", b: true}",
      "{ k\t:1 ,kk:\"x\",b :false\t}",
      "{kk: \"x\", k: 1, b: true}",
      "{k: 1, kk: \"x\"}",
      "{k: 1, kk: \"x\", b: true, c: 2}",
      "{k: 1, k: 2, kk: \"x\", b: true}",
      "{kx: 1, kk: \"x\", b: true}",
      "{\"k\": 1, kk: \"x\", b: true}",
  };
  for (const std::string& element : reads) {
    SCOPED_TRACE(element);
    Error error;
    const Value first = readAlone(model, error);
    const Value like = readAlone(element, error);
    ASSERT_EQ(error.code, ErrorCode::Ok) << error.message;
    // After the model, then after one like itself (a number in between ends the model).
    const Value expected = Arr({first, like, like, 0, like, like, first});
    Value out;
    const std::string text = "[\n  " + model + "\n  " + element + "\n  " + element + "\n  0\n  " +
                             element + "\n  " + element + "\n  " + model + "\n]";
    ASSERT_EQ(read(text, out, error), ErrorCode::Ok)
        << error.line << ":" << error.column << " " << error.message;
    EXPECT_EQ(out, expected);
  }
  // Each fails as the last thing in the text, on its third line after two spaces.
  const std::string fails[] = {
      "{k: 1, kk: \"x\", b: true x}",
      "{k: 1, kk: \"x\" b: true}",
      "{k: 1 kk: \"x\", b: true}",
      "{k: 1, kk: \"x\", b: tru",
      "{k: 1, kk: \"x\", b: true",
      "{k: 1, kk: \"x",
      "{k: 1e, kk: \"x\", b: true}",
      "{k: 1, kk: \"x\\q\", b: 1}",
      "{k: 1, kk: \"x\", b:",
      "{k: 1, kk: \"x\", b",
      "{k",
      "{k: 1, kk: \"x\", b: -}",
      "{k: 1, kk: \"x\\, b: true}",
      "{k: 1, kk: \"x\", b: ",
  };
  for (const std::string& element : fails) {
    SCOPED_TRACE(element);
    Error alone;
    readAlone(element, alone);
    ASSERT_NE(alone.code, ErrorCode::Ok);
    ASSERT_EQ(alone.line, 1u);
    Value out;
    Error error;
    EXPECT_EQ(read("[\n  " + model + "\n  " + element, out, error), alone.code);
    EXPECT_EQ(error.message, alone.message);
    EXPECT_EQ(error.line, 3u);
    EXPECT_EQ(error.column, alone.column + 2);
  }
  // Equal values do not tell a negative zero from zero.
  Value out;
  Error error;
  ASSERT_EQ(read("[{k: 1.0}, {k: -0.0}]", out, error), ErrorCode::Ok);
  EXPECT_TRUE(std::signbit(out[1].Find("k")->AsNumber()));
}

// Nesting is capped so that hostile files cannot exhaust the stack.
TEST(ReaderDepth, LimitIsExactAndPositionedOnTheOpeningByte) {
  struct Row {
    const char* name;
    std::string text;
    ErrorCode code;
    std::uint64_t line, column;
  };
  auto blockObjects = [](int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i) {
      text += std::string(static_cast<std::size_t>(i) * 2, ' ') + "a:\n";
    }
    return text + std::string(static_cast<std::size_t>(levels) * 2, ' ') + "1";
  };
  auto repeat = [](const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
      text += piece;
    }
    return text;
  };
  const Row rows[] = {
      {"ArraysAtLimit", std::string(256, '[') + std::string(256, ']'), ErrorCode::Ok, 1, 1},
      {"ArraysPastLimit", std::string(257, '[') + std::string(257, ']'), ErrorCode::TooDeep, 1,
       257},
      {"InlineObjectsPastLimit", "x: " + repeat("{a:", 300), ErrorCode::TooDeep, 1, 769},
      {"BlockObjectsAtLimit", blockObjects(256), ErrorCode::Ok, 1, 1},
      {"BlockObjectsPastLimit", blockObjects(257), ErrorCode::TooDeep, 257, 513},
      {"MillionBrackets", std::string(1'000'000, '['), ErrorCode::TooDeep, 1, 257},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Value out;
    Error error;
    EXPECT_EQ(ParseText(row.text, out, &error), row.code);
    EXPECT_EQ(error.line, row.line);
    EXPECT_EQ(error.column, row.column);
    if (row.code == ErrorCode::TooDeep) {
      EXPECT_EQ(error.message, "Nesting too deep");
    }
  }
}

TEST(Reader, NullErrorPointerIsAllowed) {
  Value out;
  EXPECT_EQ(ParseText("[1,", out, nullptr), ErrorCode::UnexpectedEnd);
  EXPECT_EQ(ParseText("a: 1", out, nullptr), ErrorCode::Ok);
  EXPECT_EQ(out, Obj({{"a", 1}}));
}

// The text need not end in a NUL: nothing may be read past its last byte.
TEST(Reader, ReadsNothingPastTheEnd) {
  const char* texts[] = {"a: 1\n  ", "\"\\u00", "[\n  1,", "a:\n  b", "1e", "'x", "# c", "\"\"\""};
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    std::string_view view(text);
    std::vector<char> exact(view.begin(), view.end());
    Value out;
    ParseText(std::string_view(exact.data(), exact.size()), out, nullptr);
  }
}

}  // namespace
