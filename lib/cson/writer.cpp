#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "cson/cson.h"
#include "cson/parser.h"

namespace zokCSON::detail {

namespace {

// Spaces per level. Below 1 a nested block could not be told from its parent when read back,
// so such a setting writes one space per level.
int IndentWidth(const WriteOptions& options) { return std::max(1, options.indent); }

bool IsIdentifierKey(std::string_view key) {
  if (key.empty() || (BYTE_CLASS[static_cast<unsigned char>(key[0])] & IdentStart) == 0) {
    return false;
  }
  for (char c : key) {
    if ((BYTE_CLASS[static_cast<unsigned char>(c)] & IdentPart) == 0) {
      return false;
    }
  }
  return true;
}

constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

bool IsSimpleArray(const Value::Array& array) {
  if (array.size() > 3) {
    return false;
  }
  return std::all_of(array.begin(), array.end(), [](const Value& v) {
    if (v.IsString()) {
      const std::string& s = v.AsString();
      return s.size() <= 32 && s.find('\n') == std::string::npos;
    }
    return v.IsNull() || v.IsBool() || v.IsNumber();
  });
}

// A string with a line feed goes between triple quotes unless the reader would cut it short
// (three quotes in a row, a quote at the end) or it holds U+FEFF, which only the escape carries.
bool FitsTripleQuotes(const std::string& s) {
  return s.find(R"(""")") == std::string::npos && s.back() != '"' &&
         s.find(BYTE_ORDER_MARK) == std::string::npos;
}

// The first fault of each kind met while walking a tree that WriteFile is asked to write.
struct Faults {
  bool tooDeep = false;
  bool nonFinite = false;
  bool badUtf8 = false;
};

// Walks the tree with a work list instead of recursion, so a tree of any depth is safe to check.
// Stops descending below MAX_DEPTH levels when limitDepth is set (the tree is refused then).
Faults FindFaults(const Value& root, bool checkStrings, bool limitDepth) {
  Faults faults;
  std::vector<std::pair<const Value*, int>> work;
  work.emplace_back(&root, 0);
  while (!work.empty()) {
    auto [value, level] = work.back();
    work.pop_back();
    switch (value->GetKind()) {
      case Value::Kind::Number:
        if (!std::isfinite(value->AsNumber())) {
          faults.nonFinite = true;
        }
        break;
      case Value::Kind::String:
        if (checkStrings && !IsValidUtf8(value->AsString())) {
          faults.badUtf8 = true;
        }
        break;
      case Value::Kind::Array:
      case Value::Kind::Object:
        if (level >= MAX_DEPTH) {
          faults.tooDeep = true;
          if (limitDepth) {
            return faults;
          }
        }
        if (value->IsArray()) {
          for (const Value& element : value->AsArray()) {
            work.emplace_back(&element, level + 1);
          }
        } else {
          for (const auto& [key, member] : value->AsObject()) {
            if (checkStrings && !IsValidUtf8(key)) {
              faults.badUtf8 = true;
            }
            work.emplace_back(&member, level + 1);
          }
        }
        break;
      default:
        break;
    }
  }
  return faults;
}

void SetError(Error* error, ErrorCode code, const char* message) {
  if (error != nullptr) {
    error->code = code;
    error->line = 1;
    error->column = 1;
    error->message = message;
  }
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  return FindInvalidUtf8(text, 0, true) == std::string_view::npos;
}

bool ValidateFiniteNumbers(const Value& value, Error* error) {
  if (FindFaults(value, false, false).nonFinite) {
    SetError(error, ErrorCode::InvalidNumber, "Non-finite number value");
    return false;
  }
  return true;
}

bool ValidateWritable(const Value& value, Error* error) {
  Faults faults = FindFaults(value, true, true);
  if (faults.tooDeep) {
    SetError(error, ErrorCode::TooDeep, "Nesting too deep");
    return false;
  }
  if (faults.nonFinite) {
    SetError(error, ErrorCode::InvalidNumber, "Non-finite number value");
    return false;
  }
  if (faults.badUtf8) {
    SetError(error, ErrorCode::InvalidUtf8, "Invalid UTF-8 encoding");
    return false;
  }
  return true;
}

std::vector<ObjectItem> OrderedObjectItems(const Value::Object& object, bool sortKeys) {
  std::vector<ObjectItem> items;
  items.reserve(object.size());
  for (const auto& [key, member] : object) {
    items.emplace_back(key, &member);
  }
  if (sortKeys) {
    // string_view compares as unsigned bytes (char_traits<char>), a prefix first.
    std::sort(items.begin(), items.end(),
              [](const ObjectItem& a, const ObjectItem& b) { return a.first < b.first; });
  }
  return items;
}

namespace {

// Bytes that WriteStringQuoted does not copy as they are: the five escaped ones, and the first
// byte of U+FEFF, which read raw would be taken for a stray byte-order mark.
constexpr auto NEEDS_ESCAPE = [] {
  std::array<bool, 256> table{};
  for (unsigned char c : {'\t', '\n', '\r', '"', '\\', '\xEF'}) {
    table[c] = true;
  }
  return table;
}();

// The writer's steps over one output string. A checked writer (WriteText's) also looks for what
// would make the text unreadable, which no earlier walk of the tree has then ruled out: a
// non-finite number, a string or key that is not UTF-8, nesting deeper than MAX_DEPTH. At the
// first such fault it stops, sets faulted, and leaves the text unfinished.
class Writer {
 public:
  Writer(std::string& out, const WriteOptions& options, bool checked)
      : out(out), used(out.size()), options(options), checked(checked) {}
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;
  // The text ends where the writing stopped.
  ~Writer() { out.resize(used); }

  bool faulted = false;

  void Write(const zokCSON::Value& value, int depth, WriteContext context) {
    if (faulted) {
      return;
    }
    if (value.IsString()) {
      const std::string& s = value.AsString();
      if (s.find('\n') != std::string::npos && FitsTripleQuotes(s)) {
        if (checked && !IsValidUtf8(s)) {
          faulted = true;
          return;
        }
        Put(R"(""")");
        Put(s);
        Put(R"(""")");
      } else {
        WriteString(s);
      }
      return;
    }
    if (value.IsObject()) {
      WriteObject(value.AsObject(), depth, context, true);
      return;
    }
    if (!value.IsArray()) {
      WriteScalar(value);
      return;
    }
    const Value::Array& array = value.AsArray();
    if (!Enter()) {
      return;
    }
    if (array.empty()) {
      Put("[]");
      --level;
      return;
    }
    if (IsSimpleArray(array)) {
      Put('[');
      for (std::size_t i = 0; i < array.size(); ++i) {
        if (i > 0) {
          Put(", ");
        }
        Write(array[i], depth, WriteContext::InArray);
      }
      Put(']');
      --level;
      return;
    }
    if (context != WriteContext::InArray) {
      Indent(depth);
    }
    Put("[\n");
    for (std::size_t i = 0; i < array.size() && !faulted; ++i) {
      if (i > 0) {
        Put('\n');
      }
      Indent(depth + 1);
      if (array[i].IsObject()) {
        WriteObject(array[i].AsObject(), depth + 1, WriteContext::InArray, false);
      } else {
        Write(array[i], depth + 1, WriteContext::InArray);
      }
    }
    Put('\n');
    Indent(depth);
    Put(']');
    --level;
  }

  void WriteObject(const Value::Object& object, int depth, WriteContext context, bool indentFirst) {
    if (faulted || !Enter()) {
      return;
    }
    if (object.empty()) {
      if (indentFirst && context != WriteContext::InArray) {
        Indent(depth);
      }
      Put("{}");
    } else if (options.sortKeys) {
      WriteMembers(OrderedObjectItems(object, true), depth, context, indentFirst);
    } else {
      // The map's own order needs no list of its members.
      WriteMembers(object, depth, context, indentFirst);
    }
    --level;
  }

  void WriteInline(const zokCSON::Value& value) {
    if (faulted) {
      return;
    }
    if (value.IsArray()) {
      if (!Enter()) {
        return;
      }
      Put('[');
      bool first = true;
      for (const zokCSON::Value& element : value.AsArray()) {
        if (!first) {
          Put(", ");
        }
        first = false;
        WriteInline(element);
      }
      Put(']');
      --level;
    } else if (value.IsObject()) {
      WriteObject(value.AsObject(), 0, WriteContext::InArray, false);
    } else {
      WriteScalar(value);
    }
  }

  void WriteString(std::string_view text) {
    if (checked && !IsValidUtf8(text)) {
      faulted = true;
      return;
    }
    Put('"');
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (!NEEDS_ESCAPE[static_cast<unsigned char>(text[i])]) {
        continue;
      }
      const char* escape = nullptr;
      std::size_t length = 1;
      switch (text[i]) {
        case '\t':
          escape = "\\t";
          break;
        case '\n':
          escape = "\\n";
          break;
        case '\r':
          escape = "\\r";
          break;
        case '"':
          escape = "\\\"";
          break;
        case '\\':
          escape = "\\\\";
          break;
        default:
          if (text.substr(i, 3) == BYTE_ORDER_MARK) {
            escape = "\\uFEFF";
            length = 3;
          }
          break;
      }
      if (escape != nullptr) {
        Put(text.substr(runStart, i - runStart));
        Put(escape);
        i += length - 1;
        runStart = i + 1;
      }
    }
    Put(text.substr(runStart));
    Put('"');
  }

  void WriteNumber(double number) {
    if (checked && !std::isfinite(number)) {
      faulted = true;
      return;
    }
    // A double in fixed point takes at most its largest exponent's digits, a sign, a point
    // and six decimals.
    constexpr std::size_t LONGEST = std::numeric_limits<double>::max_exponent10 + 32;
    char* const start = Room(LONGEST);
    char* end = start;
    // Whole numbers are what the game writes most: no general conversion needed for them.
    if (number == std::trunc(number) && std::fabs(number) < 9007199254740992.0) {
      if (std::signbit(number) && number == 0) {
        *end++ = '-';
      }
      end = std::to_chars(end, start + LONGEST, static_cast<long long>(number)).ptr;
      *end++ = '.';
      *end++ = '0';
    } else {
      // Fixed point with six decimals, as "%f" in the C locale, whatever the locale is.
      end = std::to_chars(start, start + LONGEST, number, std::chars_format::fixed, 6).ptr;
      while (end[-1] == '0' && end[-2] != '.') {
        --end;
      }
    }
    used += static_cast<std::size_t>(end - start);
  }

 private:
  // The text is written straight into out, which grows ahead of it and is cut to what was
  // written at the end: the many short pieces then cost no appends.
  std::string& out;
  std::size_t used;
  const WriteOptions& options;
  const bool checked;
  int level = 0;  // arrays and objects open around the value being written

  char* Room(std::size_t count) {
    if (out.size() - used < count) {
      out.resize(std::max(2 * out.size(), used + count + 256));
    }
    return out.data() + used;
  }
  void Put(char c) {
    *Room(1) = c;
    ++used;
  }
  void Put(std::string_view text) {
    std::memcpy(Room(text.size()), text.data(), text.size());
    used += text.size();
  }
  // A piece known when compiling ("null", ": "): copied without a call.
  template <std::size_t N>
  void Put(const char (&piece)[N]) {
    std::memcpy(Room(N - 1), piece, N - 1);
    used += N - 1;
  }

  // Opens one more array or object; a checked writer refuses the level past MAX_DEPTH.
  bool Enter() {
    if (checked && level >= MAX_DEPTH) {
      faulted = true;
      return false;
    }
    ++level;
    return true;
  }

  void Indent(int depth) {
    const std::size_t count =
        static_cast<std::size_t>(depth) * static_cast<std::size_t>(IndentWidth(options));
    char* room = Room(count);
    for (std::size_t i = 0; i < count; ++i) {
      room[i] = ' ';
    }
    used += count;
  }

  void WriteKey(std::string_view key) {
    if (IsIdentifierKey(key)) {
      Put(key);
    } else {
      WriteString(key);
    }
  }

  void WriteScalar(const zokCSON::Value& value) {
    switch (value.GetKind()) {
      case Value::Kind::Null:
        Put("null");
        break;
      case Value::Kind::Boolean:
        value.AsBool() ? Put("true") : Put("false");
        break;
      case Value::Kind::Number:
        WriteNumber(value.AsNumber());
        break;
      case Value::Kind::String:
        WriteString(value.AsString());
        break;
      default:
        break;
    }
  }

  static std::string_view KeyOf(const ObjectItem& item) { return item.first; }
  static const zokCSON::Value& MemberOf(const ObjectItem& item) { return *item.second; }
  static std::string_view KeyOf(const Value::Object::value_type& item) { return item.first; }
  static const zokCSON::Value& MemberOf(const Value::Object::value_type& item) {
    return item.second;
  }

  // The members of a non-empty object, in the order of items.
  template <class Items>
  void WriteMembers(const Items& items, int depth, WriteContext context, bool indentFirst) {
    // A block object is recognised by an identifier before its first colon; one whose first
    // key needs quotes would not read back, so it goes out in braces, which take any key.
    bool inlineForm =
        context == WriteContext::InArray || !IsIdentifierKey(KeyOf(*std::begin(items)));
    if (indentFirst && context != WriteContext::InArray) {
      Indent(depth);
    }
    if (inlineForm) {
      Put('{');
      bool first = true;
      for (const auto& item : items) {
        if (!first) {
          Put(", ");
        }
        first = false;
        WriteKey(KeyOf(item));
        Put(": ");
        WriteInline(MemberOf(item));
      }
      Put('}');
      return;
    }
    bool first = true;
    for (const auto& item : items) {
      if (faulted) {
        return;
      }
      if (!first) {
        Put('\n');
        Indent(depth);
      }
      first = false;
      WriteKey(KeyOf(item));
      Put(": ");
      const zokCSON::Value& member = MemberOf(item);
      bool nextLine = member.IsObject() || (member.IsArray() && !IsSimpleArray(member.AsArray()));
      if (nextLine) {
        Put('\n');
        Write(member, depth + 1, WriteContext::AfterKey);
      } else {
        Write(member, depth, WriteContext::AfterKey);
      }
    }
  }
};

}  // namespace

void WriteNumber(double number, std::string& out) {
  Writer(out, WriteOptions(), false).WriteNumber(number);
}

void WriteStringQuoted(std::string_view text, std::string& out) {
  Writer(out, WriteOptions(), false).WriteString(text);
}

void WriteValueInline(const Value& value, std::string& out, const WriteOptions& options) {
  Writer(out, options, false).WriteInline(value);
}

void WriteValue(const Value& value, std::string& out, int depth, const WriteOptions& options,
                WriteContext context) {
  Writer(out, options, false).Write(value, depth, context);
}

void WriteObject(const Value::Object& object, std::string& out, int depth,
                 const WriteOptions& options, WriteContext context, bool indentFirst) {
  Writer(out, options, false).WriteObject(object, depth, context, indentFirst);
}

}  // namespace zokCSON::detail

namespace zokCSON {

bool WriteText(const Value& value, std::string& out, const WriteOptions& options, Error* error) {
  // One walk writes and checks at once; only a refused tree is walked again, to report its
  // fault the way ValidateWritable ranks them.
  std::string text;
  bool faulted = false;
  {
    detail::Writer writer(text, options, true);
    writer.Write(value, 0, detail::WriteContext::TopLevel);
    faulted = writer.faulted;
  }
  if (faulted) {
    detail::ValidateWritable(value, error);
    return false;
  }
  out = std::move(text);
  if (error != nullptr) {
    error->Clear();
  }
  return true;
}

}  // namespace zokCSON
