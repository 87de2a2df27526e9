#include "core/colorcode.h"

namespace {

constexpr int PALETTE_SIZE = 16;

// The colour number in text[begin, end); -1 when no digit is found or the value is not a
// palette index, so that a typo in a translation can never pick a colour that does not exist.
// Reads in place: drawing allocates nothing.
int ParseColorNumber(std::string_view text, std::size_t begin, std::size_t end) {
  std::size_t i = begin;
  while (i < end && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
    ++i;
  }
  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == end || text[i] < '0' || text[i] > '9') {
    return -1;
  }
  int value = 0;
  for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value >= PALETTE_SIZE) {
      return -1;  // stopping here also keeps a run of digits from overflowing
    }
  }
  return negative && value != 0 ? -1 : value;
}

}  // namespace

RKColorCode ReadColorCode(std::string_view text, std::size_t start) {
  const std::size_t terminator = text.find_first_of("^|", start + 2);
  if (terminator == std::string_view::npos) {
    return {terminator, -1};
  }
  return {terminator, ParseColorNumber(text, start + 2, terminator)};
}

int VisibleCells(std::string_view text) {
  int cells = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t code = ColorCodeLength(text, i);
    i += code > 0 ? code : 1;
    cells += code > 0 ? 0 : 1;
  }
  return cells;
}

std::size_t ColorCodeLength(std::string_view text, std::size_t at) {
  if (at + 1 >= text.size() || text[at] != '^' || text[at + 1] != 'C') {
    return 0;
  }
  const RKColorCode code = ReadColorCode(text, at);
  return code.color >= 0 ? code.terminator + 1 - at : 0;
}
