#pragma once
// The keys of the texts the kinds table's rows hold (world/kinds.h), as the catalogue of keys,
// the name lookup and the help box take them: each row keeps its own keys, and these say which
// of them is of which sort and list every key of a sort once.

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <vector>

#include "world/kinds.h"

// The sorts of catalogue key a row holds.
enum class RKKindText : std::uint8_t {
  None,
  Name,           // the display name
  MapHelp,        // the help line, for rows listed among the map's symbols
  CharacterHelp,  // the help line, for rows listed among the characters and items
};

// The row's key of that sort, or null when it has none.
constexpr const char* KindTextKey(const RKKind& kind, RKKindText text) {
  const char* key = nullptr;
  switch (text) {
    case RKKindText::None:
      break;
    case RKKindText::Name:
      key = kind.nameKey;
      break;
    case RKKindText::MapHelp:
      key = kind.help == RKHelpSection::Map ? kind.helpKey : nullptr;
      break;
    case RKKindText::CharacterHelp:
      key = kind.help == RKHelpSection::Characters ? kind.helpKey : nullptr;
      break;
  }
  return key != nullptr && *key != '\0' ? key : nullptr;
}

// Whether the row is the first of the table with its key of that sort: rows may share a key
// (both stairs are "entity.stairs"), and every list of keys names each once.
constexpr bool FirstWithKindTextKey(std::size_t row, RKKindText text) {
  const char* key = KindTextKey(KIND_TABLE[row], text);
  if (key == nullptr) return false;
  for (std::size_t earlier = 0; earlier < row; ++earlier) {
    const char* other = KindTextKey(KIND_TABLE[earlier], text);
    if (other != nullptr && std::string_view(other) == key) return false;
  }
  return true;
}

constexpr std::size_t KindTextKeyCount(RKKindText text) {
  std::size_t count = 0;
  for (std::size_t row = 0; row < std::size(KIND_TABLE); ++row) {
    if (FirstWithKindTextKey(row, text)) ++count;
  }
  return count;
}

// The keys of that sort over the whole table, each once, in the table's order.
std::vector<const char*> KindTextKeys(RKKindText text);
