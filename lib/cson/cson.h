// zokCSON: the CSON value model, reader and writer. Needs nothing but the standard library.
//
// Every data file of the game (settings, save game, language catalogues, music definition)
// is read with ParseFile and written with WriteFile; the game works on the Value trees.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

namespace zokCSON {

class Parser;

// What went wrong in a read or a write. The numbers are part of the format's contract.
enum class ErrorCode : std::uint8_t {
  Ok = 0,
  UnexpectedCharacter = 1,
  UnexpectedEnd = 2,
  InvalidNumber = 3,
  InvalidEscape = 4,
  InvalidUtf8 = 5,
  UnterminatedString = 6,
  UnterminatedTripleString = 7,
  TabIndentation = 8,
  BadIndentation = 9,
  IoError = 10,
  TooDeep = 11,
};

// The enumerator's own name ("UnexpectedCharacter", ...); "Unknown" for a value outside the list.
const char* ErrorCodeName(ErrorCode code);

// Objects and arrays may nest this deep and no deeper, in the reader and in the writer; the
// level that opens one more fails with TooDeep. Hostile files then cannot exhaust the stack.
inline constexpr int MAX_DEPTH = 256;

// Where and why a read or a write failed. A cleared record is { Ok, 1, 1, "", "" }; errors that
// have no place in a text (files, refused values) stand at 1:1. Columns count bytes, except for
// InvalidUtf8, whose column counts the characters before the fault (bytes would land inside
// one). file is the path given to ParseFile, ReadFileText, WriteFile or WriteFileText when one of
// them failed; empty for a text in memory.
struct Error {
  ErrorCode code = ErrorCode::Ok;
  std::uint64_t line = 1;
  std::uint64_t column = 1;
  std::string message;
  std::string file{};  // so that records written as {code, line, column, message} need none

  void Clear();
};

// A place in a text: 1-based line and column, the column counted in bytes. {0, 0} is no place
// (a value built by code).
struct Position {
  std::uint64_t line = 0;
  std::uint64_t column = 0;

  bool Known() const { return line != 0; }
  auto operator<=>(const Position&) const = default;
};

struct WriteOptions {
  int indent = 2;         // spaces per nesting level; never negative
  bool sortKeys = false;  // members in ascending byte order of their keys instead of hash order
};

// One CSON value: null, boolean, number, string, array or object, owning everything below it.
// The kinds' order is fixed: GetKind() and Index() give 0 for null up to 5 for object.
class Value {
 public:
  enum class Kind : std::uint8_t { Null = 0, Boolean, Number, String, Array, Object };
  using Array = std::vector<Value>;
  using Object = std::unordered_map<std::string, Value>;

  Value() = default;
  Value(std::nullptr_t) {}
  Value(bool b) : data(b) {}
  Value(double n) : data(n) {}
  Value(int n) : data(static_cast<double>(n)) {}
  // Any other arithmetic type (unsigned, long, float, ...) is a number too.
  template <class T>
    requires(std::is_arithmetic_v<T> && !std::is_same_v<T, bool>)
  Value(T n) : data(static_cast<double>(n)) {}
  Value(std::string s) : data(std::move(s)) {}
  Value(std::string_view s) : data(std::string(s)) {}
  Value(const char* s) : data(std::string(s)) {}
  Value(Array a) : data(std::move(a)) {}
  Value(Object o) : data(std::move(o)) {}

  Value(const Value&) = default;
  Value(Value&&) noexcept = default;
  Value& operator=(const Value&) = default;
  Value& operator=(Value&&) noexcept = default;
  // Tears very deep trees down without deep recursion. The kinds are checked before each
  // access, so only the work list a tree past 512 levels takes can throw (out of memory),
  // which ends the program as in any other destructor.
  // NOLINTNEXTLINE(bugprone-exception-escape)
  ~Value() {
    // Scalars and emptied (moved-from) containers need nothing beyond the members' own.
    const Array* a = std::get_if<Array>(&data);
    const Object* o = std::get_if<Object>(&data);
    if ((a != nullptr && !a->empty()) || (o != nullptr && !o->empty())) {
      ReleaseContainer();
    }
  }

  static Value MakeArray() { return Value(Array{}); }
  static Value MakeObject() { return Value(Object{}); }

  Kind GetKind() const { return static_cast<Kind>(data.index()); }
  std::size_t Index() const { return data.index(); }
  bool IsNull() const { return data.index() == 0; }
  bool IsBool() const { return data.index() == 1; }
  bool IsNumber() const { return data.index() == 2; }
  bool IsString() const { return data.index() == 3; }
  bool IsArray() const { return data.index() == 4; }
  bool IsObject() const { return data.index() == 5; }

  // The content; the wrong kind throws std::bad_variant_access.
  bool AsBool() const { return std::get<bool>(data); }
  double AsNumber() const { return std::get<double>(data); }
  const std::string& AsString() const { return std::get<std::string>(data); }
  std::string& AsString() { return std::get<std::string>(data); }
  const Array& AsArray() const { return std::get<Array>(data); }
  Array& AsArray() { return std::get<Array>(data); }
  const Object& AsObject() const { return std::get<Object>(data); }
  Object& AsObject() { return std::get<Object>(data); }

  // The content when the kind matches, else the fallback: for optional settings and fields.
  bool BoolOr(bool fallback) const { return IsBool() ? AsBool() : fallback; }
  double NumberOr(double fallback) const { return IsNumber() ? AsNumber() : fallback; }
  std::string StringOr(std::string fallback) const { return IsString() ? AsString() : fallback; }

  // The member with this key; null when missing or when this is not an object. Never inserts.
  const Value* Find(std::string_view key) const;
  Value* Find(std::string_view key);

  // Get-or-insert: a missing member is inserted as null. A null value becomes an empty object
  // first; any other non-object kind throws std::bad_variant_access.
  Value& operator[](const std::string& key);
  // Element i of an array (unchecked, like std::vector).
  const Value& operator[](std::size_t i) const { return AsArray()[i]; }
  Value& operator[](std::size_t i) { return AsArray()[i]; }

  // Appends to an array and returns the new element. A null value becomes an empty array
  // first; any other non-array kind throws std::bad_variant_access.
  Value& Append(Value v);

  // Elements of an array, members of an object; 0 for every other kind.
  std::size_t Size() const;

  // Where the value starts in the text it was read from: its first byte (an object written as
  // indented lines starts at its first key). No place ({0, 0}) for a value built by code, and for
  // one past line or column 16,777,215. Copies keep it; comparisons ignore it.
  static constexpr std::uint64_t MAX_LINE = 0xFFFFFF;
  static constexpr std::uint64_t MAX_COLUMN = 0xFFFFFF;
  Position Where() const {
    return {lineAndColumnHigh & 0xFFFFFFu, columnLow | ((lineAndColumnHigh >> 24) << 16)};
  }

  // Deep equality: same kind and content (objects regardless of member order).
  bool operator==(const Value& other) const { return data == other.data; }

 private:
  friend class Parser;  // builds values in place while reading

  void ReleaseContainer();
  void SetWhere(std::uint64_t atLine, std::uint64_t atColumn) {
    if (atLine > MAX_LINE || atColumn > MAX_COLUMN) {
      atLine = 0;
      atColumn = 0;
    }
    SetWhereInRange(static_cast<std::uint32_t>(atLine), static_cast<std::uint32_t>(atColumn));
  }
  // For a place known to be within MAX_LINE and MAX_COLUMN. Two stores: the reader makes one
  // for nearly every value it reads.
  void SetWhereInRange(std::uint32_t atLine, std::uint32_t atColumn) {
    columnLow = static_cast<std::uint16_t>(atColumn);
    lineAndColumnHigh = atLine | ((atColumn >> 16) << 24);
  }

  // The place lives in the bytes the variant leaves unused after its index (with libstdc++:
  // a Value stays 64 bytes; libc++ keeps no such room, and there it grows by 8).
  [[no_unique_address]] std::variant<std::monostate, bool, double, std::string, Array, Object> data;
  std::uint16_t columnLow = 0;
  std::uint32_t lineAndColumnHigh = 0;  // the line in the low 24 bits, the column's high 8 above
};

// An owning file handle that closes with fclose; empty when opening failed.
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file whose path and mode are UTF-8 (as for fopen); an empty handle on failure.
FileHandle OpenFileUTF8(const std::string& path, const std::string& mode);

// Reads the whole file into text, as it is. Only a regular file is read: anything else that
// exists (a folder, a device, a pipe) is refused with IoError "Not a regular file" before it is
// opened; other failures are IoError too. text is untouched on failure.
ErrorCode ReadFileText(const std::string& path, std::string& text, Error* error);

// Reads the whole file as one CSON document. On success out holds the document and *error is
// cleared; on failure out is untouched and *error (when given) says what and where. Only a
// regular file is read: anything else that exists (a folder, a device, a pipe) is refused with
// IoError "Not a regular file" before it is opened.
ErrorCode ParseFile(const std::string& path, Value& out, Error* error);

// The same for a text in memory (the buffer need only outlive the call).
ErrorCode ParseText(std::string_view text, Value& out, Error* error);

// A member's key as the reader met it: the object it belongs to (by where that object starts,
// as Value::Where gives it), the key and where it starts (its quote, for a quoted key). A key
// written again in the same object is met again, marked repeated: the reader keeps the first
// pair and drops the later ones.
struct KeyPosition {
  Position object;
  std::string key;
  Position at;
  bool repeated = false;
};

// ParseText for tools that point at keys: also lists every key read, in the order of the text,
// in *keys (replaced; when given). On failure *keys holds the keys read before the fault.
ErrorCode ParseText(std::string_view text, Value& out, Error* error,
                    std::vector<KeyPosition>* keys);

// Writes value as a CSON document, replacing the file only once the new text is complete: the
// text goes to a temporary file in the same folder that is then renamed over the target, so a
// refused value or a failed write leaves the old file whole. Refused before anything is created:
// a non-finite number (InvalidNumber), a string or key that is not UTF-8 (InvalidUtf8), nesting
// deeper than MAX_DEPTH (TooDeep), all at 1:1.
bool WriteFile(const std::string& path, const Value& value, const WriteOptions& options,
               Error* error);

// Writes a text that is already complete (a file edited as text, say) the same safe way.
bool WriteFileText(const std::string& path, std::string_view text, Error* error);

// The text WriteFile would write, into out (replaced); false with *error filled when refused.
bool WriteText(const Value& value, std::string& out, const WriteOptions& options, Error* error);

namespace detail {

enum class WriteContext : std::uint8_t { TopLevel = 0, AfterKey = 1, InArray = 2 };

// True when every number in the tree is finite; otherwise fills *error with
// { InvalidNumber, 1, 1, "Non-finite number value" }.
bool ValidateFiniteNumbers(const Value& value, Error* error);

// True when the tree can be written and read back: finite numbers, UTF-8 strings and keys, and no
// deeper than MAX_DEPTH. Otherwise fills *error with the first fault found (code at 1:1).
bool ValidateWritable(const Value& value, Error* error);

// True when the bytes are well-formed UTF-8 (the reader's rules, U+FEFF allowed).
bool IsValidUtf8(std::string_view text);

using ObjectItem = std::pair<std::string_view, const Value*>;

// An object's members in iteration order, or in ascending byte order of their keys when sortKeys.
std::vector<ObjectItem> OrderedObjectItems(const Value::Object& object, bool sortKeys);

// The writer's steps; each appends to out and never fails (the value has been validated).
void WriteValue(const Value& value, std::string& out, int depth, const WriteOptions& options,
                WriteContext context);
void WriteObject(const Value::Object& object, std::string& out, int depth,
                 const WriteOptions& options, WriteContext context, bool indentFirst);
void WriteValueInline(const Value& value, std::string& out, const WriteOptions& options);
void WriteStringQuoted(std::string_view text, std::string& out);
// A number in fixed-point form with at least one and at most six decimals ("75.0", "0.123457").
void WriteNumber(double number, std::string& out);

}  // namespace detail

}  // namespace zokCSON
