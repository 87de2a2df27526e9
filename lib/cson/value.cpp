#include "cson/cson.h"

namespace zokCSON {

#if defined(__GLIBCXX__)
// With libstdc++ a value's place lives in bytes its content leaves unused: it costs no memory.
static_assert(
    sizeof(Value) ==
    sizeof(std::variant<std::monostate, bool, double, std::string, Value::Array, Value::Object>));
#endif

const char* ErrorCodeName(ErrorCode code) {
  static const char* const NAMES[] = {
      "Ok",
      "UnexpectedCharacter",
      "UnexpectedEnd",
      "InvalidNumber",
      "InvalidEscape",
      "InvalidUtf8",
      "UnterminatedString",
      "UnterminatedTripleString",
      "TabIndentation",
      "BadIndentation",
      "IoError",
      "TooDeep",
  };
  auto index = static_cast<std::size_t>(code);
  return index < std::size(NAMES) ? NAMES[index] : "Unknown";
}

void Error::Clear() {
  code = ErrorCode::Ok;
  line = 1;
  column = 1;
  message.clear();
  file.clear();
}

namespace {

// Moves the non-empty arrays and objects directly below v onto the work list, so that v's own
// destruction no longer reaches down into them.
void DetachContainers(Value& v, std::vector<Value>& work) {
  auto take = [&work](Value& child) {
    if ((child.IsArray() || child.IsObject()) && child.Size() > 0) {
      work.push_back(std::move(child));
    }
  };
  if (v.IsArray()) {
    for (Value& child : v.AsArray()) {
      take(child);
    }
  } else if (v.IsObject()) {
    for (auto& member : v.AsObject()) {
      take(member.second);
    }
  }
}

thread_local int destroyNesting = 0;

}  // namespace

void Value::ReleaseContainer() {
  if (Size() == 0) {
    return;
  }
  // Ordinary trees are torn down by plain recursion. Past a few hundred levels (only a Value
  // built by hand can get there) the rest is flattened into a work list instead, so that no
  // tree, however deep, can overflow the stack.
  if (destroyNesting >= 2 * MAX_DEPTH) {
    std::vector<Value> work;
    DetachContainers(*this, work);
    while (!work.empty()) {
      Value next = std::move(work.back());
      work.pop_back();
      DetachContainers(next, work);
    }
    return;
  }
  ++destroyNesting;
  data.emplace<std::monostate>();
  --destroyNesting;
}

const Value* Value::Find(std::string_view key) const {
  if (!IsObject()) {
    return nullptr;
  }
  const Object& object = AsObject();
  auto it = object.find(std::string(key));
  return it == object.end() ? nullptr : &it->second;
}

Value* Value::Find(std::string_view key) {
  return const_cast<Value*>(static_cast<const Value*>(this)->Find(key));
}

Value& Value::operator[](const std::string& key) {
  if (IsNull()) {
    data.emplace<Object>();
  }
  return AsObject()[key];
}

Value& Value::Append(Value v) {
  if (IsNull()) {
    data.emplace<Array>();
  }
  Array& array = AsArray();
  array.push_back(std::move(v));
  return array.back();
}

std::size_t Value::Size() const {
  if (IsArray()) {
    return AsArray().size();
  }
  if (IsObject()) {
    return AsObject().size();
  }
  return 0;
}

}  // namespace zokCSON
