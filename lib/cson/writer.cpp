#include <algorithm>
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
int IndentWidth(const WriteOptions& options)
{
    return std::max(1, options.indent);
}

void AppendIndent(std::string& out, int depth, const WriteOptions& options)
{
    out.append(static_cast<std::size_t>(depth) * static_cast<std::size_t>(IndentWidth(options)),
               ' ');
}

bool IsIdentifierKey(std::string_view key)
{
    auto letter = [](unsigned char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    };
    if (key.empty() || !letter(static_cast<unsigned char>(key[0]))) {
        return false;
    }
    return std::all_of(key.begin(), key.end(), [&](char ch) {
        auto c = static_cast<unsigned char>(ch);
        return letter(c) || (c >= '0' && c <= '9') || c == '-';
    });
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsSimpleArray(const Value::Array& array)
{
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
bool FitsTripleQuotes(const std::string& s)
{
    return s.find(R"(""")") == std::string::npos && s.back() != '"' &&
           s.find(kByteOrderMark) == std::string::npos;
}

void WriteKey(std::string_view key, std::string& out)
{
    if (IsIdentifierKey(key)) {
        out.append(key);
    } else {
        WriteStringQuoted(key, out);
    }
}

void WriteScalar(const Value& value, std::string& out)
{
    switch (value.GetKind()) {
    case Value::Kind::Null: out.append("null"); break;
    case Value::Kind::Boolean: out.append(value.AsBool() ? "true" : "false"); break;
    case Value::Kind::Number: WriteNumber(value.AsNumber(), out); break;
    case Value::Kind::String: WriteStringQuoted(value.AsString(), out); break;
    default: break;
    }
}

// The first fault of each kind met while walking a tree that WriteFile is asked to write.
struct Faults {
    bool tooDeep = false;
    bool nonFinite = false;
    bool badUtf8 = false;
};

// Walks the tree with a work list instead of recursion, so a tree of any depth is safe to check.
// Stops descending below kMaxDepth levels when limitDepth is set (the tree is refused then).
Faults FindFaults(const Value& root, bool checkStrings, bool limitDepth)
{
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
            if (level >= kMaxDepth) {
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

void SetError(Error* error, ErrorCode code, const char* message)
{
    if (error != nullptr) {
        error->code = code;
        error->line = 1;
        error->column = 1;
        error->message = message;
    }
}

} // namespace

bool IsValidUtf8(std::string_view text)
{
    return FindInvalidUtf8(text, 0, true) == std::string_view::npos;
}

bool ValidateFiniteNumbers(const Value& value, Error* error)
{
    if (FindFaults(value, false, false).nonFinite) {
        SetError(error, ErrorCode::InvalidNumber, "Non-finite number value");
        return false;
    }
    return true;
}

bool ValidateWritable(const Value& value, Error* error)
{
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

std::vector<ObjectItem> OrderedObjectItems(const Value::Object& object, bool sortKeys)
{
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

void WriteNumber(double number, std::string& out)
{
    // Whole numbers are what the game writes most: no general conversion needed for them.
    if (number == std::trunc(number) && std::fabs(number) < 9007199254740992.0) {
        char digits[24];
        auto end =
            std::to_chars(digits, digits + sizeof digits, static_cast<long long>(number)).ptr;
        if (std::signbit(number) && number == 0) {
            out += '-';
        }
        out.append(digits, end);
        out.append(".0");
        return;
    }
    // Fixed point with six decimals, as "%f" in the C locale, whatever the program's locale.
    char buffer[std::numeric_limits<double>::max_exponent10 + 32];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::fixed, 6);
    char* end = result.ptr;
    while (end[-1] == '0' && end[-2] != '.') {
        --end;
    }
    out.append(buffer, end);
}

void WriteStringQuoted(std::string_view text, std::string& out)
{
    out += '"';
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* escape = nullptr;
        std::size_t length = 1;
        switch (text[i]) {
        case '\t': escape = "\\t"; break;
        case '\n': escape = "\\n"; break;
        case '\r': escape = "\\r"; break;
        case '"': escape = "\\\""; break;
        case '\\': escape = "\\\\"; break;
        case '\xEF':
            // U+FEFF read raw would be taken for a stray byte-order mark.
            if (text.substr(i, 3) == kByteOrderMark) {
                escape = "\\uFEFF";
                length = 3;
            }
            break;
        default: break;
        }
        if (escape != nullptr) {
            out.append(text.data() + runStart, i - runStart);
            out.append(escape);
            i += length - 1;
            runStart = i + 1;
        }
    }
    out.append(text.data() + runStart, text.size() - runStart);
    out += '"';
}

void WriteValueInline(const Value& value, std::string& out, const WriteOptions& options)
{
    if (value.IsArray()) {
        out += '[';
        bool first = true;
        for (const Value& element : value.AsArray()) {
            if (!first) {
                out.append(", ");
            }
            first = false;
            WriteValueInline(element, out, options);
        }
        out += ']';
    } else if (value.IsObject()) {
        WriteObject(value.AsObject(), out, 0, options, WriteContext::InArray, false);
    } else {
        WriteScalar(value, out);
    }
}

void WriteValue(const Value& value, std::string& out, int depth, const WriteOptions& options,
                WriteContext context)
{
    if (value.IsString()) {
        const std::string& s = value.AsString();
        if (s.find('\n') != std::string::npos && FitsTripleQuotes(s)) {
            out.append(R"(""")");
            out.append(s);
            out.append(R"(""")");
        } else {
            WriteStringQuoted(s, out);
        }
        return;
    }
    if (value.IsObject()) {
        WriteObject(value.AsObject(), out, depth, options, context, true);
        return;
    }
    if (!value.IsArray()) {
        WriteScalar(value, out);
        return;
    }
    const Value::Array& array = value.AsArray();
    if (array.empty()) {
        out.append("[]");
        return;
    }
    if (IsSimpleArray(array)) {
        out += '[';
        for (std::size_t i = 0; i < array.size(); ++i) {
            if (i > 0) {
                out.append(", ");
            }
            WriteValue(array[i], out, depth, options, WriteContext::InArray);
        }
        out += ']';
        return;
    }
    if (context != WriteContext::InArray) {
        AppendIndent(out, depth, options);
    }
    out.append("[\n");
    for (std::size_t i = 0; i < array.size(); ++i) {
        if (i > 0) {
            out += '\n';
        }
        AppendIndent(out, depth + 1, options);
        if (array[i].IsObject()) {
            WriteObject(array[i].AsObject(), out, depth + 1, options, WriteContext::InArray, false);
        } else {
            WriteValue(array[i], out, depth + 1, options, WriteContext::InArray);
        }
    }
    out += '\n';
    AppendIndent(out, depth, options);
    out += ']';
}

void WriteObject(const Value::Object& object, std::string& out, int depth,
                 const WriteOptions& options, WriteContext context, bool indentFirst)
{
    if (object.empty()) {
        if (indentFirst && context != WriteContext::InArray) {
            AppendIndent(out, depth, options);
        }
        out.append("{}");
        return;
    }
    std::vector<ObjectItem> items = OrderedObjectItems(object, options.sortKeys);
    // A block object is recognised by an identifier before its first colon; one whose first key
    // needs quotes would not read back, so it goes out in braces, which take any key.
    bool inlineForm = context == WriteContext::InArray || !IsIdentifierKey(items.front().first);
    if (indentFirst && context != WriteContext::InArray) {
        AppendIndent(out, depth, options);
    }
    if (inlineForm) {
        out += '{';
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (i > 0) {
                out.append(", ");
            }
            WriteKey(items[i].first, out);
            out.append(": ");
            WriteValueInline(*items[i].second, out, options);
        }
        out += '}';
        return;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            out += '\n';
            AppendIndent(out, depth, options);
        }
        WriteKey(items[i].first, out);
        out.append(": ");
        const Value& member = *items[i].second;
        bool nextLine = member.IsObject() || (member.IsArray() && !IsSimpleArray(member.AsArray()));
        if (nextLine) {
            out += '\n';
            WriteValue(member, out, depth + 1, options, WriteContext::AfterKey);
        } else {
            WriteValue(member, out, depth, options, WriteContext::AfterKey);
        }
    }
}

} // namespace zokCSON::detail

namespace zokCSON {

bool WriteText(const Value& value, std::string& out, const WriteOptions& options, Error* error)
{
    if (!detail::ValidateWritable(value, error)) {
        return false;
    }
    out.clear();
    detail::WriteValue(value, out, 0, options, detail::WriteContext::TopLevel);
    if (error != nullptr) {
        error->Clear();
    }
    return true;
}

} // namespace zokCSON
