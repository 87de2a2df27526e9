// The CSON reader: one Parser reads one text once. ParseFile and ParseText are its only users.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "cson/cson.h"
#include "cson/utf8.h"

namespace zokCSON {

namespace detail {

// Byte classes of the reader, looked up once per byte in its hot loops.
enum : unsigned char {
  IdentStart = 1,  // ASCII letter or "_"
  IdentPart = 2,   // ASCII letter, digit, "_" or "-"
  Digit = 4,
};

inline constexpr auto BYTE_CLASS = [] {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c) {
    const auto byte = static_cast<char>(c);
    unsigned char bits = 0;
    if (IsIdentifierStart(byte)) {
      bits |= IdentStart;
    }
    if (IsIdentifierPart(byte)) {
      bits |= IdentPart;
    }
    if (c >= '0' && c <= '9') {
      bits |= Digit;
    }
    table[static_cast<std::size_t>(c)] = bits;
  }
  return table;
}();

// Offset of the first ill-formed UTF-8 sequence at or after start, or npos when there is none.
// Unless allowFeff, EF BB BF (U+FEFF) counts as ill-formed: in a text the byte-order mark may
// only stand at the very start, and the reader starts past it.
std::size_t FindInvalidUtf8(std::string_view text, std::size_t start, bool allowFeff);

}  // namespace detail

class Parser {
 public:
  // The text is not copied: it must outlive the parser. Every key read is listed in *keys when
  // given.
  explicit Parser(std::string_view input, std::vector<KeyPosition>* keys = nullptr);

  // Reads the whole text as one document. On failure out is untouched and *error (when given)
  // holds the code, line, column and message; on success *error is cleared.
  ErrorCode Parse(Value& out, Error* error);

 private:
  std::string_view text;
  std::uint64_t pos = 0;
  std::uint64_t line = 1;
  std::uint64_t column = 1;  // in bytes
  int baseIndent = 0;
  std::vector<int> indentStack{0};
  Error lastError;
  int depth = 0;  // arrays and objects open around the cursor
  std::vector<KeyPosition>* listedKeys = nullptr;

  Position Here() const { return {line, column}; }
  // Lists a key; the places are the cursor's (line, column) as taken at the object and the key.
  void NoteKey(Position object, std::string_view key, Position at, bool repeated) {
    auto inRange = [](Position p) {
      return p.line <= Value::MAX_LINE && p.column <= Value::MAX_COLUMN ? p : Position();
    };
    listedKeys->push_back({inRange(object), std::string(key), inRange(at), repeated});
  }

  bool AtEnd() const { return pos >= text.size(); }
  unsigned char Peek() const { return static_cast<unsigned char>(text[pos]); }
  void Advance() {
    if (AtEnd()) {
      return;
    }
    if (text[pos] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
    ++pos;
  }
  void AdvanceBy(std::uint64_t count);
  void SkipPastLineFeed();
  bool AtContentLineStart() const;

  ErrorCode Fail(ErrorCode code, const char* message);
  ErrorCode FailAt(ErrorCode code, std::uint64_t atLine, std::uint64_t atColumn,
                   const char* message);
  ErrorCode EnterLevel();

  ErrorCode CheckUtf8();
  // Most calls stand on a token already: that case costs one look at the byte.
  bool Match(unsigned char c) {
    if (AtEnd() || Peek() != c) {
      return false;
    }
    Advance();
    return true;
  }
  void SkipInlineSpaces() {
    if (!AtEnd() && (text[pos] == ' ' || text[pos] == '\t')) {
      SkipInlineSpacesFrom();
    }
  }
  void SkipWhitespaceAndComments() {
    // Most calls stand on a token, or on the one space before it.
    if (!AtEnd() && Peek() == ' ') {
      ++pos;
      ++column;
    }
    if (AtEnd() || (Peek() > ' ' && Peek() != '#')) {
      return;
    }
    SkipWhitespaceAndCommentsFrom();
  }
  void SkipInlineSpacesFrom();
  void SkipWhitespaceAndCommentsFrom();
  template <class T>
  static void Set(Value& out, T&& content) {
    out.data.emplace<std::decay_t<T>>(std::forward<T>(content));
  }
  // An empty array or object made in place, for the reader to fill.
  template <class T>
  static T& Make(Value& out) {
    return out.data.emplace<T>();
  }
  ErrorCode NextContentLine(bool& found);
  // Ends the line the cursor stands on, at a "#" comment or at its CR or LF, and moves on to the
  // next content line. Kept here so that each of its few callers gets the step inline: it runs
  // at every line end of a file.
  ErrorCode EndLine(bool& found) {
    if (Peek() == '#') {
      SkipPastLineFeed();
    } else {
      Match('\r');
      Match('\n');
    }
    return NextContentLine(found);
  }

  ErrorCode ParseStringDouble(Value& out);
  ErrorCode ParseStringSingle(Value& out);
  ErrorCode ParseQuoted(unsigned char delimiter, std::string& collected);
  ErrorCode ParseUnicodeEscape(std::string& collected);
  ErrorCode ReadHex4(std::uint32_t& value);
  ErrorCode ParseTripleString(Value& out);
  ErrorCode ParseKey(std::string& quoted, std::string_view& key);
  // Reads an identifier; the cursor is on its first byte, an identifier start.
  std::string_view ReadIdentifier() {
    const std::uint64_t start = pos;
    do {
      ++pos;
    } while (!AtEnd() && (detail::BYTE_CLASS[Peek()] & detail::IdentPart) != 0);
    column += pos - start;
    return text.substr(start, pos - start);
  }
  ErrorCode ParseNumber(Value& out);

  // Objects side by side in an array mostly repeat one shape: the same keys in the same order,
  // with plain values (map tiles, key bindings). The next such object starts as a copy of the
  // one before it, which takes over its keys' nodes and hash codes, and its values are read
  // over the copied ones. Hashing every key and looking for it among the others is otherwise
  // most of what a member costs. The first key that differs ends the shortcut for that object.
  // A copy of a hash map need not walk in the order of its original (libc++ reverses the
  // members of a bucket): where each key stands is checked on every copy.
  struct Shape {
    std::vector<std::string_view> keys;  // the last object's keys as read (views of the text)
    std::vector<std::size_t> places;     // where each of them came when the last copy was walked
    std::vector<std::string_view> read;  // the keys of the object being read, once it differs
    std::vector<Value*> members;         // the copy's member for each key, in the keys' order
    // The text around the values of the object the keys were read from, when it stood on
    // one line: from its first key to its first value, from each value to the next, and from
    // its last value through its closing brace. Empty when it did not.
    std::vector<std::string_view> between;
    std::vector<std::uint64_t> spans;  // where each value of the object being read starts and ends
    bool usable = false;  // the last element is an object of this shape with plain values
                          // (null, booleans, numbers and strings)
  };

  static bool FindMembers(Shape& shape, Value::Object& copy);
  bool ReadLikeModel(const Shape& shape);
  ErrorCode ParseValue(Value& out);
  ErrorCode parseIdentifierOrIndentedObject(Value& out);
  ErrorCode ParseBlockObject(Value& out);
  // shape, when given, is that of the array the object is an element of; model is the element
  // before it when the shape is usable.
  ErrorCode ParseInlineObject(Value& out, Shape* shape = nullptr,
                              const Value::Object* model = nullptr);
  ErrorCode ParseArray(Value& out);
  ErrorCode ParseMultilineArray(Value& out);
  ErrorCode ParseElement(Value::Array& array, Shape& shape);
};

}  // namespace zokCSON
