#include "cson/parser.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace zokCSON {

namespace {

using detail::BYTE_CLASS;
using detail::Digit;
using detail::IdentStart;

bool IsIdentStart(unsigned char c) { return (BYTE_CLASS[c] & IdentStart) != 0; }
bool IsIdentPart(unsigned char c) { return (BYTE_CLASS[c] & detail::IdentPart) != 0; }
bool IsDigit(unsigned char c) { return (BYTE_CLASS[c] & Digit) != 0; }

}  // namespace

// --- UTF-8 validation -------------------------------------------------------------------------

std::size_t detail::FindInvalidUtf8(std::string_view text, std::size_t start, bool allowFeff) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = start;
  while (i < n) {
    // ASCII runs are the bulk of every file: check eight bytes at a time.
    while (n - i >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p + i, 8);
      if ((word & 0x8080808080808080ull) != 0) {
        break;
      }
      i += 8;
    }
    if (i >= n) {
      break;
    }
    unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t left = n - i;
    auto cont = [&](std::size_t k) { return (p[i + k] & 0xC0) == 0x80; };
    if (c >= 0xC2 && c <= 0xDF) {
      if (left < 2 || !cont(1)) {
        return i;
      }
      i += 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      if (left < 3 || !cont(1) || !cont(2)) {
        return i;
      }
      unsigned char c1 = p[i + 1];
      if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0) ||
          (!allowFeff && c == 0xEF && c1 == 0xBB && p[i + 2] == 0xBF)) {
        return i;
      }
      i += 3;
    } else if (c >= 0xF0 && c <= 0xF4) {
      if (left < 4 || !cont(1) || !cont(2) || !cont(3)) {
        return i;
      }
      unsigned char c1 = p[i + 1];
      if ((c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 >= 0x90)) {
        return i;
      }
      i += 4;
    } else {
      // Continuation bytes, the overlong leads C0 and C1, and leads beyond U+10FFFF.
      return i;
    }
  }
  return std::string_view::npos;
}

ErrorCode Parser::CheckUtf8() {
  std::size_t start = 0;
  if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF &&
      static_cast<unsigned char>(text[1]) == 0xBB && static_cast<unsigned char>(text[2]) == 0xBF) {
    start = 3;
  }
  std::size_t bad = detail::FindInvalidUtf8(text, start, false);
  if (bad != std::string_view::npos) {
    // Everything before the fault is well-formed, so characters are the bytes that do not
    // continue a sequence.
    std::uint64_t atLine = 1;
    std::uint64_t atColumn = 1;
    for (std::size_t i = start; i < bad; ++i) {
      auto c = static_cast<unsigned char>(text[i]);
      if (c == '\n') {
        ++atLine;
        atColumn = 1;
      } else if ((c & 0xC0) != 0x80) {
        ++atColumn;
      }
    }
    return FailAt(ErrorCode::InvalidUtf8, atLine, atColumn, "Invalid UTF-8 encoding");
  }
  pos = start;
  return ErrorCode::Ok;
}

// --- Numbers ----------------------------------------------------------------------------------
//
// Three converters: ParseNumber reads every literal, with a quick sum of the digits for what the
// game writes and ConvertNumber for the rest (exponents, long mantissas); the quick path for
// objects of a repeated shape (at the end) reads its plain numbers itself, as ParseNumber's
// quick sum does.

namespace {

// With at most 15 digits a decimal's digits are exact as a double, and so is a power of ten up
// to 10^22: one division then rounds exactly as the general conversion would.
constexpr int MAX_EXACT_DIGITS = 15;

double ExactDecimal(std::uint64_t digits, int decimals) {
  static constexpr double POWERS_OF_TEN[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  // Fewer than 16 digits fit a signed integer, whose conversion is one instruction.
  return static_cast<double>(static_cast<std::int64_t>(digits)) / POWERS_OF_TEN[decimals];
}

// Converts a taken number literal (sign, digits, one ".", one exponent) as strtod would, in the
// C locale whatever the program's locale is. False when the conversion stops before the end.
bool ConvertNumber(std::string_view taken, double& out) {
  std::string_view body = taken;
  bool negative = false;
  if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
    negative = body[0] == '-';
    body.remove_prefix(1);
  }
  if (!body.empty() && body.size() <= MAX_EXACT_DIGITS + 1) {
    std::uint64_t n = 0;
    int digits = 0;
    int decimals = 0;
    bool point = false;
    bool plain = true;
    for (char ch : body) {
      auto c = static_cast<unsigned char>(ch);
      if (IsDigit(c)) {
        n = n * 10 + (c - '0');
        ++digits;
        decimals += point ? 1 : 0;
      } else if (c == '.' && !point) {
        point = true;
      } else {
        plain = false;
        break;
      }
    }
    if (plain && digits > 0 && digits <= MAX_EXACT_DIGITS) {
      double v = ExactDecimal(n, decimals);
      out = negative ? -v : v;
      return true;
    }
  }
  // from_chars takes no "+", and its own "-" must not follow another sign.
  if (body.empty() || body[0] == '-' || body[0] == '+') {
    return false;
  }
  double v = 0;
  auto result =
      std::from_chars(body.data(), body.data() + body.size(), v, std::chars_format::general);
  if (result.ptr != body.data() + body.size()) {
    return false;
  }
  if (result.ec == std::errc::result_out_of_range) {
    // strtod gives infinity for an overflow and zero for an underflow. The decimal exponent
    // of the first significant digit tells them apart: out of range and at least 10^0 means
    // too large.
    std::int64_t exponent = 0;
    std::int64_t firstDigit = -1;
    std::int64_t pointAt = -1;
    std::size_t i = 0;
    for (; i < body.size() && body[i] != 'e' && body[i] != 'E'; ++i) {
      if (body[i] == '.') {
        pointAt = static_cast<std::int64_t>(i);
      } else if (body[i] != '0' && firstDigit < 0) {
        firstDigit = static_cast<std::int64_t>(i);
      }
    }
    std::int64_t mantissaEnd = static_cast<std::int64_t>(i);
    if (pointAt < 0) {
      pointAt = mantissaEnd;
    }
    if (i < body.size()) {
      ++i;
      bool expNegative = false;
      if (i < body.size() && (body[i] == '+' || body[i] == '-')) {
        expNegative = body[i] == '-';
        ++i;
      }
      for (; i < body.size(); ++i) {
        if (exponent < 1'000'000'000) {
          exponent = exponent * 10 + (body[i] - '0');
        }
      }
      if (expNegative) {
        exponent = -exponent;
      }
    }
    std::int64_t magnitude = firstDigit < pointAt ? pointAt - firstDigit - 1 : pointAt - firstDigit;
    v = magnitude + exponent >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  out = negative ? -v : v;
  return true;
}

}  // namespace

ErrorCode Parser::ParseNumber(Value& out) {
  const char* const begin = text.data() + pos;
  const char* const end = text.data() + text.size();
  const char* p = begin;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  // Digits with at most one point, gathered as an integer while they are scanned: what the game
  // writes ("12.0", "0.5") needs no second look. Past 19 digits the integer wraps, but then it
  // is not used.
  std::uint64_t mantissa = 0;
  const char* digitsStart = p;
  while (p < end && IsDigit(static_cast<unsigned char>(*p))) {
    mantissa = mantissa * 10 + static_cast<unsigned char>(*p - '0');
    ++p;
  }
  bool point = p < end && *p == '.';
  int decimals = 0;
  if (point) {
    const char* fraction = ++p;
    while (p < end && IsDigit(static_cast<unsigned char>(*p))) {
      mantissa = mantissa * 10 + static_cast<unsigned char>(*p - '0');
      ++p;
    }
    decimals = static_cast<int>(p - fraction);
  }
  const auto digits = static_cast<int>(p - digitsStart) - (point ? 1 : 0);
  const bool exponent = p < end && (*p == 'e' || *p == 'E');
  if (exponent) {
    // The rest of the literal, taken as always: one exponent with its sign, and the point if
    // none came yet; the general conversion below judges what was taken.
    ++p;
    if (p < end && (*p == '+' || *p == '-')) {
      ++p;
    }
    for (; p < end; ++p) {
      if (*p == '.' && !point) {
        point = true;
      } else if (!IsDigit(static_cast<unsigned char>(*p))) {
        break;
      }
    }
  }
  const auto length = static_cast<std::uint64_t>(p - begin);
  pos += length;
  column += length;
  double number = 0;
  if (!exponent && digits > 0 && digits <= MAX_EXACT_DIGITS) {
    number = ExactDecimal(mantissa, decimals);
    number = negative ? -number : number;
  } else if (!ConvertNumber(std::string_view(begin, length), number)) {
    return Fail(ErrorCode::InvalidNumber, "Invalid number literal");
  }
  Set(out, number);
  return ErrorCode::Ok;
}

// --- Objects and arrays being built -----------------------------------------------------------

namespace {

// Most objects in the game's files are small (a map tile, a key binding). Kept in the hash map's
// one built-in bucket while they are read, they need no bucket array at all; larger ones are
// spread over proper buckets once complete.
constexpr float BUILD_LOAD_FACTOR = 16.0f;
constexpr std::size_t SMALL_OBJECT = 16;

void StartObject(Value::Object& object) { object.max_load_factor(BUILD_LOAD_FACTOR); }

void FinishObject(Value::Object& object) {
  object.max_load_factor(1.0f);
  if (object.size() > SMALL_OBJECT) {
    object.rehash(0);
  }
}

// The member's value is read straight into its place, and its key is built in the map's own
// node from the text. A repeated key is read into scratch and dropped, as the first pair with a
// key wins.
Value& MemberSlot(Value::Object& object, std::string_view key, Value& scratch) {
  auto [it, inserted] =
      object.emplace(std::piecewise_construct, std::forward_as_tuple(key), std::tuple<>());
  if (inserted) {
    return it->second;
  }
  scratch = Value();
  return scratch;
}

// A long multiline array (a map's tiles) grows step by step, and every step moves all its
// elements. After its first elements it reserves room for as many more as the rest of the text
// would hold of elements of their length: too many when the array is not the last thing in the
// text, but capped, and only ever a reservation.
constexpr std::size_t RESERVE_AFTER = 64;

void ReserveLikeTheFirst(Value::Array& array, std::uint64_t bytesOfFirst, std::uint64_t bytesLeft) {
  constexpr std::uint64_t MAX_RESERVED = 1 << 16;
  const std::uint64_t perElement = std::max<std::uint64_t>(1, bytesOfFirst / RESERVE_AFTER);
  array.reserve(
      static_cast<std::size_t>(std::min(MAX_RESERVED, RESERVE_AFTER + bytesLeft / perElement)));
}

// The bytes that end a run of ordinary bytes in a quoted string: its delimiter, a backslash and
// the line ends.
constexpr std::array<bool, 256> QuotedStops(unsigned char delimiter) {
  std::array<bool, 256> table{};
  for (unsigned char c : {delimiter, static_cast<unsigned char>('\\'),
                          static_cast<unsigned char>('\n'), static_cast<unsigned char>('\r')}) {
    table[c] = true;
  }
  return table;
}
constexpr auto DOUBLE_QUOTED_STOPS = QuotedStops('"');
constexpr auto SINGLE_QUOTED_STOPS = QuotedStops('\'');

// Keys are mostly a few bytes: compared without a call.
bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) {
      return false;
    }
  }
  return true;
}

// Keeps the parser's nesting counter right on every way out of a level.
struct LevelGuard {
  int& depth;
  ~LevelGuard() { --depth; }
};

}  // namespace

// --- The grammar ------------------------------------------------------------------------------

Parser::Parser(std::string_view input, std::vector<KeyPosition>* keys)
    : text(input), listedKeys(keys) {}

// Advances over count bytes (all present), keeping line and column right.
void Parser::AdvanceBy(std::uint64_t count) {
  const char* start = text.data() + pos;
  const char* end = start + count;
  const char* lastLineFeed = nullptr;
  const char* p = start;
  while (const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
    lastLineFeed = static_cast<const char*>(found);
    p = lastLineFeed + 1;
    ++line;
  }
  if (lastLineFeed != nullptr) {
    column = static_cast<std::uint64_t>(end - lastLineFeed);
  } else {
    column += count;
  }
  pos += count;
}

// Advances up to and including the next LF, or to the end of the input.
void Parser::SkipPastLineFeed() {
  const void* found = std::memchr(text.data() + pos, '\n', text.size() - pos);
  if (found == nullptr) {
    column += text.size() - pos;
    pos = text.size();
    return;
  }
  pos = static_cast<std::uint64_t>(static_cast<const char*>(found) - text.data()) + 1;
  ++line;
  column = 1;
}

// True when the cursor stands on a line's first byte after its indentation.
bool Parser::AtContentLineStart() const {
  std::uint64_t i = pos;
  while (i > 0 && text[i - 1] == ' ') {
    --i;
  }
  return i == 0 || text[i - 1] == '\n';
}

ErrorCode Parser::Fail(ErrorCode code, const char* message) {
  return FailAt(code, line, column, message);
}

ErrorCode Parser::FailAt(ErrorCode code, std::uint64_t atLine, std::uint64_t atColumn,
                         const char* message) {
  lastError.code = code;
  lastError.line = atLine;
  lastError.column = atColumn;
  lastError.message = message;
  return code;
}

// Opens one more level of nesting at the cursor, the byte that opens it.
ErrorCode Parser::EnterLevel() {
  if (depth >= MAX_DEPTH) {
    return Fail(ErrorCode::TooDeep, "Nesting too deep");
  }
  ++depth;
  return ErrorCode::Ok;
}

void Parser::SkipInlineSpacesFrom() {
  std::uint64_t start = pos;
  const std::uint64_t size = text.size();
  while (pos < size && (text[pos] == ' ' || text[pos] == '\t')) {
    ++pos;
  }
  column += pos - start;
}

void Parser::SkipWhitespaceAndCommentsFrom() {
  const std::uint64_t size = text.size();
  while (pos < size) {
    char c = text[pos];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++pos;
      ++column;
    } else if (c == '\n') {
      ++pos;
      ++line;
      column = 1;
    } else if (c == '#') {
      SkipPastLineFeed();
    } else {
      return;
    }
  }
}

ErrorCode Parser::NextContentLine(bool& found) {
  found = false;
  if (AtEnd()) {
    return ErrorCode::Ok;
  }
  bool finishLine = column != 1;
  for (;;) {
    if (finishLine) {
      SkipPastLineFeed();
      if (AtEnd()) {
        return ErrorCode::Ok;
      }
      finishLine = false;
    }
    int n = 0;
    while (!AtEnd() && text[pos] == ' ') {
      ++pos;
      ++column;
      ++n;
    }
    if (AtEnd()) {
      return ErrorCode::Ok;
    }
    char c = text[pos];
    if (c == '\t') {
      return FailAt(ErrorCode::TabIndentation, line, static_cast<std::uint64_t>(n) + 1,
                    "Tabs are not allowed in indentation");
    }
    if (c == '#') {
      SkipPastLineFeed();
      if (AtEnd()) {
        return ErrorCode::Ok;
      }
      continue;
    }
    if (c == '\r') {
      Advance();
      Match('\n');
      if (AtEnd()) {
        return ErrorCode::Ok;
      }
      finishLine = column != 1;
      continue;
    }
    if (c == '\n') {
      Advance();
      continue;
    }
    // Anything else, a NUL byte included, is content: a NUL can begin no value or key, so
    // such a line fails where it is read, at the NUL.
    // The same indentation as the open level was checked when that level opened.
    if (n == indentStack.back()) {
      found = true;
      return ErrorCode::Ok;
    }
    if (n > 0) {
      if (baseIndent == 0) {
        baseIndent = n;
      } else if (n % baseIndent != 0) {
        return FailAt(ErrorCode::BadIndentation, line, static_cast<std::uint64_t>(n) + 1,
                      "Indentation is not a multiple of base indent width");
      }
    }
    if (n > indentStack.back()) {
      indentStack.push_back(n);
    } else if (n < indentStack.back()) {
      while (indentStack.back() > n) {
        indentStack.pop_back();
      }
      if (indentStack.back() != n) {
        return FailAt(ErrorCode::BadIndentation, line, static_cast<std::uint64_t>(n) + 1,
                      "Dedent does not match any previous indent level");
      }
    }
    found = true;
    return ErrorCode::Ok;
  }
}

ErrorCode Parser::ParseStringDouble(Value& out) {
  if (AtEnd() || Peek() != '"') {
    return Fail(ErrorCode::IoError, "");
  }
  std::string collected;
  ErrorCode code = ParseQuoted('"', collected);
  if (code == ErrorCode::Ok) {
    Set(out, std::move(collected));
  }
  return code;
}

ErrorCode Parser::ParseStringSingle(Value& out) {
  if (AtEnd() || Peek() != '\'') {
    return Fail(ErrorCode::IoError, "");
  }
  std::string collected;
  ErrorCode code = ParseQuoted('\'', collected);
  if (code == ErrorCode::Ok) {
    Set(out, std::move(collected));
  }
  return code;
}

// The body of both quoted forms; the cursor is on the opening delimiter.
ErrorCode Parser::ParseQuoted(unsigned char delimiter, std::string& collected) {
  Advance();
  const std::size_t size = text.size();
  for (;;) {
    // Ordinary bytes are taken as a run: none of them moves to a new line.
    const auto& stops = delimiter == '"' ? DOUBLE_QUOTED_STOPS : SINGLE_QUOTED_STOPS;
    std::uint64_t runEnd = pos;
    while (runEnd < size && !stops[static_cast<unsigned char>(text[runEnd])]) {
      ++runEnd;
    }
    collected.append(text.data() + pos, runEnd - pos);
    column += runEnd - pos;
    pos = runEnd;

    if (AtEnd()) {
      return Fail(ErrorCode::UnterminatedString, "Unterminated string literal");
    }
    unsigned char c = Peek();
    Advance();
    if (c == delimiter) {
      return ErrorCode::Ok;
    }
    if (c == '\n' || c == '\r') {
      return Fail(ErrorCode::UnterminatedString, "Newline in string literal");
    }
    // A backslash.
    if (AtEnd()) {
      return Fail(ErrorCode::UnterminatedString, "");
    }
    unsigned char e = Peek();
    Advance();
    switch (e) {
      case '\\':
        collected += '\\';
        break;
      case 'n':
        collected += '\n';
        break;
      case 'r':
        collected += '\r';
        break;
      case 't':
        collected += '\t';
        break;
      case 'u': {
        ErrorCode code = ParseUnicodeEscape(collected);
        if (code != ErrorCode::Ok) {
          return code;
        }
        break;
      }
      default:
        if (e != delimiter) {
          return Fail(ErrorCode::InvalidEscape, "Invalid escape in string");
        }
        collected += static_cast<char>(e);
        break;
    }
  }
}

ErrorCode Parser::ReadHex4(std::uint32_t& value) {
  value = 0;
  for (int i = 0; i < 4; ++i) {
    if (AtEnd()) {
      return Fail(ErrorCode::InvalidEscape, "Incomplete unicode escape");
    }
    int digit = HexDigitValue(static_cast<char>(Peek()));
    Advance();
    if (digit < 0) {
      return Fail(ErrorCode::InvalidEscape, "Invalid hex in unicode escape");
    }
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return ErrorCode::Ok;
}

// The cursor is just past "\u".
ErrorCode Parser::ParseUnicodeEscape(std::string& collected) {
  std::uint32_t high = 0;
  ErrorCode code = ReadHex4(high);
  if (code != ErrorCode::Ok) {
    return code;
  }
  if (high >= 0xDC00 && high <= 0xDFFF) {
    return Fail(ErrorCode::InvalidEscape, "Unpaired surrogate");
  }
  if (high < 0xD800 || high > 0xDBFF) {
    AppendUtf8(high, collected);
    return ErrorCode::Ok;
  }
  if (text.size() - pos < 2 || text[pos] != '\\' || text[pos + 1] != 'u') {
    return Fail(ErrorCode::InvalidEscape, "Unpaired surrogate");
  }
  AdvanceBy(2);
  std::uint32_t low = 0;
  code = ReadHex4(low);
  if (code != ErrorCode::Ok) {
    return code;
  }
  if (low < 0xDC00 || low > 0xDFFF) {
    return Fail(ErrorCode::InvalidEscape, "Invalid low surrogate");
  }
  AppendUtf8(0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00), collected);
  return ErrorCode::Ok;
}

ErrorCode Parser::ParseTripleString(Value& out) {
  if (text.substr(pos, 3) != R"(""")") {
    return Fail(ErrorCode::IoError, "");
  }
  AdvanceBy(3);
  std::size_t close = text.find(R"(""")", pos);
  if (close == std::string_view::npos) {
    AdvanceBy(text.size() - pos);
    return Fail(ErrorCode::UnterminatedTripleString, "Unterminated triple string literal");
  }
  std::string collected(text.substr(pos, close - pos));
  AdvanceBy(close + 3 - pos);
  Set(out, std::move(collected));
  return ErrorCode::Ok;
}

// An identifier key is a view of the text; a quoted one is collected into quoted, which the view
// then shows.
ErrorCode Parser::ParseKey(std::string& quoted, std::string_view& key) {
  SkipInlineSpaces();
  if (AtEnd()) {
    return Fail(ErrorCode::UnexpectedCharacter, "Expected identifier or string as key");
  }
  unsigned char c = Peek();
  if (IsIdentStart(c)) {
    key = ReadIdentifier();
    return ErrorCode::Ok;
  }
  if (c == '"' || c == '\'') {
    quoted.clear();
    ErrorCode code = ParseQuoted(c, quoted);
    key = quoted;
    return code;
  }
  return Fail(ErrorCode::UnexpectedCharacter, "Expected identifier or string as key");
}

ErrorCode Parser::ParseValue(Value& out) {
  SkipWhitespaceAndComments();
  if (AtEnd()) {
    return Fail(ErrorCode::UnexpectedEnd, "Unexpected end of input while parsing value");
  }
  out.SetWhere(line, column);
  unsigned char c = Peek();
  switch (c) {
    case '{':
      return ParseInlineObject(out);
    case '[':
      return ParseArray(out);
    case '"':
      if (text.substr(pos, 3) == R"(""")") {
        return ParseTripleString(out);
      }
      return ParseStringDouble(out);
    case '\'':
      return ParseStringSingle(out);
    case '+':
    case '-':
      return ParseNumber(out);
    default:
      break;
  }
  if (IsDigit(c)) {
    return ParseNumber(out);
  }
  if (IsIdentStart(c)) {
    return parseIdentifierOrIndentedObject(out);
  }
  return Fail(ErrorCode::UnexpectedCharacter, "Unexpected character while parsing value");
}

ErrorCode Parser::parseIdentifierOrIndentedObject(Value& out) {
  if (AtEnd() || !IsIdentStart(Peek())) {
    return Fail(ErrorCode::IoError, "");
  }
  std::uint64_t startPos = pos;
  std::uint64_t startColumn = column;
  std::string_view word = ReadIdentifier();
  SkipInlineSpaces();
  if (AtEnd() || Peek() != ':') {
    if (word == "true") {
      Set(out, true);
    } else if (word == "false") {
      Set(out, false);
    } else if (word == "null") {
      Set(out, std::monostate());
    } else {
      Set(out, std::string(word));
    }
    return ErrorCode::Ok;
  }
  // An identifier and a colon open a block object; the same line holds no line feed, so only
  // the position and the column go back.
  pos = startPos;
  column = startColumn;
  return ParseBlockObject(out);
}

ErrorCode Parser::ParseBlockObject(Value& out) {
  if (ErrorCode code = EnterLevel(); code != ErrorCode::Ok) {
    return code;
  }
  LevelGuard guard{depth};
  const int d = indentStack.back();
  const Position objectAt = Here();
  Value::Object& object = Make<Value::Object>(out);
  StartObject(object);
  std::string quoted;
  std::string_view key;
  Value scratch;
  bool found = false;
  for (;;) {
    // Pair start.
    SkipInlineSpaces();
    if (AtEnd()) {
      break;
    }
    unsigned char c = Peek();
    if (c == '\n' || c == '\r' || c == '#') {
      if (ErrorCode code = NextContentLine(found); code != ErrorCode::Ok) {
        return code;
      }
      if (!found || indentStack.back() < d) {
        break;
      }
      continue;
    }
    if (!IsIdentStart(c) && c != '"' && c != '\'') {
      break;
    }
    const Position keyAt = Here();
    if (ErrorCode code = ParseKey(quoted, key); code != ErrorCode::Ok) {
      return code;
    }
    SkipInlineSpaces();
    if (!Match(':')) {
      return Fail(ErrorCode::UnexpectedCharacter, "Expected ':' in object pair");
    }
    SkipInlineSpaces();

    Value& member = MemberSlot(object, key, scratch);
    if (listedKeys != nullptr) {
      NoteKey(objectAt, key, keyAt, &member == &scratch);
    }
    if (!AtEnd() && (Peek() == '#' || Peek() == '\r' || Peek() == '\n')) {
      // Block value on the following, deeper lines.
      if (ErrorCode code = EndLine(found); code != ErrorCode::Ok) {
        return code;
      }
      if (!found) {
        return Fail(ErrorCode::BadIndentation, "Expected indented block after ':'");
      }
      if (indentStack.back() <= d) {
        return Fail(ErrorCode::BadIndentation, "Expected deeper indentation for block value");
      }
      if (ErrorCode code = ParseValue(member); code != ErrorCode::Ok) {
        return code;
      }
      if (indentStack.back() < d) {
        break;
      }
      continue;
    }

    // Inline value on this line.
    std::uint64_t valueLine = line;
    if (ErrorCode code = ParseValue(member); code != ErrorCode::Ok) {
      return code;
    }
    // A multiline array left open ends at a dedent, on the start of a later content line:
    // that line goes on as after a line end, so the dedented pairs still belong here.
    if (line != valueLine && !AtEnd() && AtContentLineStart()) {
      if (indentStack.back() < d) {
        break;
      }
      continue;
    }
    SkipInlineSpaces();
    if (AtEnd()) {
      break;
    }
    c = Peek();
    if (c == ',') {
      Advance();
      SkipInlineSpaces();
      continue;
    }
    if (c == '#' || c == '\r' || c == '\n') {
      if (ErrorCode code = EndLine(found); code != ErrorCode::Ok) {
        return code;
      }
      if (!found || indentStack.back() < d) {
        break;
      }
      continue;
    }
    break;
  }
  FinishObject(object);
  return ErrorCode::Ok;
}

ErrorCode Parser::ParseInlineObject(Value& out, Shape* shape, const Value::Object* model) {
  if (AtEnd() || Peek() != '{') {
    return Fail(ErrorCode::IoError, "");
  }
  if (ErrorCode code = EnterLevel(); code != ErrorCode::Ok) {
    return code;
  }
  LevelGuard guard{depth};
  const std::uint64_t openLine = line;
  const Position objectAt = Here();
  Advance();
  SkipWhitespaceAndComments();
  if (Match('}')) {
    Make<Value::Object>(out);
    if (shape != nullptr) {
      shape->usable = false;
    }
    return ErrorCode::Ok;
  }
  const std::uint64_t firstKey = pos;
  // Following the model: the next key expected is keys[followed], whose copied member is
  // members[followed].
  const bool copied = model != nullptr;
  Value::Object& object =
      copied ? out.data.emplace<Value::Object>(*model) : Make<Value::Object>(out);
  bool following = copied;
  std::size_t followed = 0;
  if (copied && !FindMembers(*shape, object)) {
    object.clear();
    following = false;
  }
  if (following) {
    if (ReadLikeModel(*shape)) {
      return ErrorCode::Ok;
    }
  } else {
    StartObject(object);
  }
  if (shape != nullptr) {
    shape->read.clear();
    shape->spans.clear();
  }
  // Stops following: the model's keys not read yet go, and the object goes on as any other.
  auto leaveModel = [&] {
    for (std::size_t i = followed; i < shape->keys.size(); ++i) {
      object.erase(std::string(shape->keys[i]));
    }
    shape->read.assign(shape->keys.begin(),
                       shape->keys.begin() + static_cast<std::ptrdiff_t>(followed));
    StartObject(object);
    following = false;
  };
  bool plain = true;     // every value null, a boolean, a number or a string
  bool viewable = true;  // every key a view of the text
  std::string quoted;
  std::string_view key;
  Value scratch;
  for (;;) {
    const Position keyAt = Here();
    if (ErrorCode code = ParseKey(quoted, key); code != ErrorCode::Ok) {
      return code;
    }
    SkipWhitespaceAndComments();
    if (!Match(':')) {
      return Fail(ErrorCode::UnexpectedCharacter, "Expected ':' in object");
    }
    SkipWhitespaceAndComments();
    if (shape != nullptr) {
      shape->spans.push_back(pos);
    }
    Value* member = nullptr;
    if (following && followed < shape->keys.size() && SameKey(key, shape->keys[followed])) {
      member = shape->members[followed];
      ++followed;
    } else {
      if (following) {
        leaveModel();
      }
      if (shape != nullptr) {
        viewable = viewable && key.data() != quoted.data();
        shape->read.push_back(key);
      }
      member = &MemberSlot(object, key, scratch);
    }
    if (listedKeys != nullptr) {
      NoteKey(objectAt, key, keyAt, member == &scratch);
    }
    if (ErrorCode code = ParseValue(*member); code != ErrorCode::Ok) {
      return code;
    }
    plain = plain && (member == &scratch || member->Index() <= 3);
    if (shape != nullptr) {
      shape->spans.push_back(pos);
    }
    SkipWhitespaceAndComments();
    if (Match('}')) {
      break;
    }
    if (!Match(',')) {
      return Fail(ErrorCode::UnexpectedCharacter, "Expected ',' or '}' in object");
    }
    SkipWhitespaceAndComments();
  }
  if (following && followed < shape->keys.size()) {
    leaveModel();
  }
  FinishObject(object);
  if (shape == nullptr) {
    return ErrorCode::Ok;
  }
  if (following) {
    // The same shape again: keys and places hold.
    shape->usable = plain;
    return ErrorCode::Ok;
  }
  // A new shape, when this object can be copied as one: every key read once and kept, and few
  // enough for the map's one bucket.
  shape->usable =
      plain && viewable && shape->read.size() == object.size() && object.size() <= SMALL_OBJECT;
  if (shape->usable) {
    shape->keys.swap(shape->read);
    shape->places.clear();
    for (std::string_view wanted : shape->keys) {
      std::size_t place = 0;
      for (const auto& member : object) {
        if (member.first == wanted) {
          break;
        }
        ++place;
      }
      shape->places.push_back(place);
    }
    shape->between.clear();
    if (line == openLine) {
      std::uint64_t from = firstKey;
      for (std::size_t i = 0; i < shape->spans.size(); i += 2) {
        shape->between.push_back(text.substr(from, shape->spans[i] - from));
        from = shape->spans[i + 1];
      }
      shape->between.push_back(text.substr(from, pos - from));
    }
  }
  return ErrorCode::Ok;
}

// One element of an array: an inline object may follow the shape of the one before it.
ErrorCode Parser::ParseElement(Value::Array& array, Shape& shape) {
  Value& element = array.emplace_back();
  SkipWhitespaceAndComments();
  // Listing keys takes the general path: the quick one reads no key.
  if (AtEnd() || Peek() != '{' || listedKeys != nullptr) {
    shape.usable = false;
    return ParseValue(element);
  }
  element.SetWhere(line, column);
  const Value::Object* model = shape.usable ? &array[array.size() - 2].AsObject() : nullptr;
  return ParseInlineObject(element, &shape, model);
}

ErrorCode Parser::ParseArray(Value& out) {
  if (AtEnd() || Peek() != '[') {
    return Fail(ErrorCode::IoError, "");
  }
  if (ErrorCode code = EnterLevel(); code != ErrorCode::Ok) {
    return code;
  }
  LevelGuard guard{depth};
  Advance();
  SkipInlineSpaces();
  if (!AtEnd() && (Peek() == '\r' || Peek() == '\n')) {
    return ParseMultilineArray(out);
  }
  Value::Array& array = Make<Value::Array>(out);
  SkipWhitespaceAndComments();
  if (Match(']')) {
    return ErrorCode::Ok;
  }
  Shape shape;
  for (;;) {
    if (Match(']')) {
      break;
    }
    if (ErrorCode code = ParseElement(array, shape); code != ErrorCode::Ok) {
      return code;
    }
    SkipWhitespaceAndComments();
    if (Match(']')) {
      break;
    }
    if (!Match(',')) {
      return Fail(ErrorCode::UnexpectedCharacter, "Expected ',' or ']' in inline array");
    }
    SkipWhitespaceAndComments();
  }
  return ErrorCode::Ok;
}

// The cursor is on the line end right after "[".
ErrorCode Parser::ParseMultilineArray(Value& out) {
  Value::Array& array = Make<Value::Array>(out);
  bool found = false;
  if (ErrorCode code = EndLine(found); code != ErrorCode::Ok) {
    return code;
  }
  if (!found || Match(']')) {
    return ErrorCode::Ok;
  }
  const int w = indentStack.back();
  bool closed = false;
  Shape shape;
  const std::uint64_t firstElement = pos;
  for (;;) {
    if (Match(']')) {
      closed = true;
      break;
    }
    if (array.size() == RESERVE_AFTER) {
      ReserveLikeTheFirst(array, pos - firstElement, text.size() - pos);
    }
    if (ErrorCode code = ParseElement(array, shape); code != ErrorCode::Ok) {
      return code;
    }
    if (indentStack.back() < w) {
      break;
    }
    SkipInlineSpaces();
    if (AtEnd()) {
      return Fail(ErrorCode::UnexpectedCharacter,
                  "Expected ',' or ']' or newline in multiline array");
    }
    unsigned char c = Peek();
    if (c == ']') {
      Advance();
      closed = true;
      break;
    }
    if (c == ',') {
      Advance();
      SkipWhitespaceAndComments();
      continue;
    }
    if (c == '#' || c == '\r' || c == '\n') {
      if (ErrorCode code = EndLine(found); code != ErrorCode::Ok) {
        return code;
      }
      if (!found || indentStack.back() < w) {
        break;
      }
      continue;
    }
    return Fail(ErrorCode::UnexpectedCharacter,
                "Expected ',' or ']' or newline in multiline array");
  }
  if (!closed) {
    // Ended by a dedent or by the end of the input: the closing bracket is optional.
    Match(']');
  }
  return ErrorCode::Ok;
}

ErrorCode Parser::Parse(Value& out, Error* error) {
  lastError.Clear();
  auto fail = [&](ErrorCode code) {
    if (lastError.code == ErrorCode::Ok) {
      lastError.code = code;
      lastError.line = line;
      lastError.column = column;
      lastError.message.clear();
    }
    if (error != nullptr) {
      *error = lastError;
    }
    return code;
  };
  if (ErrorCode code = CheckUtf8(); code != ErrorCode::Ok) {
    return fail(code);
  }
  SkipWhitespaceAndComments();
  Value document;
  if (!AtEnd()) {
    if (ErrorCode code = ParseValue(document); code != ErrorCode::Ok) {
      return fail(code);
    }
    SkipWhitespaceAndComments();
    if (!AtEnd()) {
      Fail(ErrorCode::UnexpectedCharacter, "Trailing characters after top-level value");
      return fail(ErrorCode::UnexpectedCharacter);
    }
  }
  out = std::move(document);
  if (error != nullptr) {
    error->Clear();
  }
  return ErrorCode::Ok;
}

// --- Objects of a repeated shape, read the quick way ------------------------------------------

// Points the shape's members at the copy's, one for each of its keys. Where a key stands when
// the copy is walked is looked for only when it is not where it stood in the last copy. False
// when a key is missing, which a copy of an object of this shape never is.
bool Parser::FindMembers(Shape& shape, Value::Object& copy) {
  const std::size_t keys = shape.keys.size();
  std::array<Value::Object::value_type*, SMALL_OBJECT> walked;
  std::size_t count = 0;
  for (auto& member : copy) {
    if (count == SMALL_OBJECT) {
      return false;
    }
    walked[count++] = &member;
  }
  if (count != keys) {
    return false;
  }
  shape.members.resize(keys);
  for (std::size_t i = 0; i < keys; ++i) {
    std::size_t place = shape.places[i];
    if (!SameKey(walked[place]->first, shape.keys[i])) {
      place = 0;
      while (place < count && !SameKey(walked[place]->first, shape.keys[i])) {
        ++place;
      }
      if (place == count) {
        return false;
      }
      shape.places[i] = place;
    }
    shape.members[i] = &walked[place]->second;
  }
  return true;
}

// Reads the rest of an object, from its first key, that is written the way the game writes the
// elements of a long array: the text between its values the same, byte for byte, as in the object
// its shape was taken from (so the same keys in the same order, on one line), and each value
// plain (a number without exponent, true, false, null, or a double-quoted string without
// escapes). The values go over the copied ones. Most of a save is such elements (the map's
// tiles), and this way they cost a fraction of the general path. At anything else it gives up,
// with the cursor where it was, and the general path reads the object: what it reads and every
// failure are as if this had not been tried.
//
// The same text between the values reads as the same keys and separators, since a value ends
// where the general path ends it: the text after a value in the model starts with a blank, ","
// or "}", none of which a number or a word takes in, and after a word it holds no ":" before the
// next "," or "}".
bool Parser::ReadLikeModel(const Shape& shape) {
  if (shape.between.empty()) {
    return false;
  }
  const char* const begin = text.data() + pos;
  const char* const end = text.data() + text.size();
  const char* p = begin;
  // Moves past the same bytes as in the model; they are a few: compared without a call.
  auto skipSame = [&](std::string_view same) {
    if (static_cast<std::size_t>(end - p) <= same.size()) {
      return false;  // not even room for what must follow
    }
    for (char c : same) {
      if (*p != c) {
        return false;
      }
      ++p;
    }
    return true;
  };
  // The values' places are checked once, for the whole object: they stand on this line.
  if (line > Value::MAX_LINE ||
      column + static_cast<std::uint64_t>(end - begin) > Value::MAX_COLUMN) {
    return false;
  }
  const auto placeLine = static_cast<std::uint32_t>(line);
  const auto placeColumn = static_cast<std::uint32_t>(column);
  const std::size_t count = shape.keys.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (!skipSame(shape.between[i])) {
      return false;
    }
    Value& member = *shape.members[i];
    member.SetWhereInRange(placeLine, placeColumn + static_cast<std::uint32_t>(p - begin));
    const auto c = static_cast<unsigned char>(*p);
    if (IsDigit(c) || c == '-') {
      const bool negative = c == '-';
      p += negative ? 1 : 0;
      const char* const digitsStart = p;
      std::uint64_t mantissa = 0;
      while (p < end && IsDigit(static_cast<unsigned char>(*p))) {
        mantissa = mantissa * 10 + static_cast<unsigned char>(*p - '0');
        ++p;
      }
      const auto wholeDigits = p - digitsStart;
      const std::uint64_t whole = mantissa;
      int decimals = 0;
      unsigned fractionDigits = 0;  // any bit set: the fraction is not zero
      if (p < end && *p == '.') {
        const char* const fraction = ++p;
        while (p < end && IsDigit(static_cast<unsigned char>(*p))) {
          const auto digit = static_cast<unsigned char>(*p - '0');
          mantissa = mantissa * 10 + digit;
          fractionDigits |= digit;
          ++p;
        }
        decimals = static_cast<int>(p - fraction);
      }
      // An exponent, or anything else after the digits, fails the next comparison.
      if (wholeDigits == 0 || wholeDigits + decimals > MAX_EXACT_DIGITS) {
        return false;
      }
      // The game writes whole numbers as "12.0": their value is the whole part, exactly as
      // the division would give it, which is slow enough to show here.
      double number = fractionDigits == 0 ? static_cast<double>(static_cast<std::int64_t>(whole))
                                          : ExactDecimal(mantissa, decimals);
      number = negative ? -number : number;
      if (double* copied = std::get_if<double>(&member.data)) {
        *copied = number;
      } else {
        member.data.emplace<double>(number);
      }
    } else if (c == '"') {
      const char* const start = ++p;
      while (p < end && !DOUBLE_QUOTED_STOPS[static_cast<unsigned char>(*p)]) {
        ++p;
      }
      if (p == end || *p != '"') {
        return false;
      }
      if (std::string* copied = std::get_if<std::string>(&member.data)) {
        copied->assign(start, static_cast<std::size_t>(p - start));
      } else {
        member.data.emplace<std::string>(start, static_cast<std::size_t>(p - start));
      }
      ++p;
    } else if (IsIdentStart(c)) {
      const char* const start = p;
      do {
        ++p;
      } while (p < end && IsIdentPart(static_cast<unsigned char>(*p)));
      const std::string_view word(start, static_cast<std::size_t>(p - start));
      if (word == "true" || word == "false") {
        member.data.emplace<bool>(word == "true");
      } else if (word == "null") {
        member.data.emplace<std::monostate>();
      } else {
        return false;
      }
    } else {
      return false;
    }
  }
  // The last stretch ends with the closing brace, which may be the text's last byte.
  const std::string_view last = shape.between[count];
  if (static_cast<std::size_t>(end - p) < last.size() || std::string_view(p, last.size()) != last) {
    return false;
  }
  p += last.size();
  const auto length = static_cast<std::uint64_t>(p - begin);
  pos += length;
  column += length;
  return true;
}

ErrorCode ParseText(std::string_view text, Value& out, Error* error) {
  Parser parser(text);
  return parser.Parse(out, error);
}

ErrorCode ParseText(std::string_view text, Value& out, Error* error,
                    std::vector<KeyPosition>* keys) {
  if (keys != nullptr) {
    keys->clear();
  }
  Parser parser(text, keys);
  return parser.Parse(out, error);
}

}  // namespace zokCSON
