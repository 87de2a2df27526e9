// Small helpers shared by the CSON tests: building values tersely and reading texts.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "cson/cson.h"

namespace csontest {

using zokCSON::Value;

inline Value Arr(std::initializer_list<Value> elements) { return Value(Value::Array(elements)); }

inline Value Obj(std::initializer_list<std::pair<const std::string, Value>> members) {
  return Value(Value::Object(members));
}

// A value nested `levels` arrays deep around a 1.
inline Value NestedArrays(int levels) {
  Value v = 1;
  for (int i = 0; i < levels; ++i) {
    Value outer = Value::MakeArray();
    outer.Append(std::move(v));
    v = std::move(outer);
  }
  return v;
}

// The first line and column where two texts differ, for golden-text failures.
inline std::string FirstDifference(const std::string& actual, const std::string& expected) {
  std::size_t line = 1;
  std::size_t column = 1;
  for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
    if (i >= actual.size() || i >= expected.size() || actual[i] != expected[i]) {
      return "first difference at " + std::to_string(line) + ":" + std::to_string(column);
    }
    if (actual[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "texts are equal";
}

// A readable name for a parameterised row.
template <class Row>
std::string RowName(const ::testing::TestParamInfo<Row>& info) {
  return info.param.name;
}

}  // namespace csontest
