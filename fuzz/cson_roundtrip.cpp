// Read -> write -> read: every document that reads and that the writer accepts must read back
// to the same value (numbers as the writer rounds them), and writing that again must give the
// same text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cson/cson.h"

namespace {

using zokCSON::Value;

std::string NumberText(double n) {
  std::string text;
  zokCSON::detail::WriteNumber(n, text);
  return text;
}

// Equal as the writer sees them: numbers compare by their written text.
bool SameAsWritten(const Value& a, const Value& b) {
  if (a.GetKind() != b.GetKind()) {
    return false;
  }
  switch (a.GetKind()) {
    case Value::Kind::Number:
      return NumberText(a.AsNumber()) == NumberText(b.AsNumber());
    case Value::Kind::Array: {
      const Value::Array& x = a.AsArray();
      const Value::Array& y = b.AsArray();
      if (x.size() != y.size()) {
        return false;
      }
      for (std::size_t i = 0; i < x.size(); ++i) {
        if (!SameAsWritten(x[i], y[i])) {
          return false;
        }
      }
      return true;
    }
    case Value::Kind::Object: {
      if (a.Size() != b.Size()) {
        return false;
      }
      for (const auto& [key, member] : a.AsObject()) {
        const Value* other = b.Find(key);
        if (other == nullptr || !SameAsWritten(member, *other)) {
          return false;
        }
      }
      return true;
    }
    default:
      return a == b;
  }
}

[[noreturn]] void Fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "round trip: %s\n--- written text ---\n%s\n---\n", what, text.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  Value first;
  if (zokCSON::ParseText(input, first, nullptr) != zokCSON::ErrorCode::Ok) {
    return 0;
  }
  for (bool sortKeys : {true, false}) {
    zokCSON::WriteOptions options;
    options.sortKeys = sortKeys;
    std::string text;
    zokCSON::Error error;
    if (!zokCSON::WriteText(first, text, options, &error)) {
      // The reader takes 1e999 as infinity, which has no written form; nothing else may be refused.
      if (error.code != zokCSON::ErrorCode::InvalidNumber) {
        Fail(error.message.c_str(), input.data() == nullptr ? std::string() : std::string(input));
      }
      return 0;
    }
    Value second;
    zokCSON::Error readError;
    if (zokCSON::ParseText(text, second, &readError) != zokCSON::ErrorCode::Ok) {
      Fail(readError.message.c_str(), text);
    }
    if (!SameAsWritten(first, second)) {
      Fail("value changed", text);
    }
    std::string again;
    if (sortKeys && (!zokCSON::WriteText(second, again, options, nullptr) || again != text)) {
      Fail("text changed on the second write", text);
    }
  }
  return 0;
}
