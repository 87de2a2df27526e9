#pragma once
// Colour codes in texts, read the one way the font draws them and every measure counts them:
// "^C", a colour number and a terminator, "^" (the one character after it takes the colour) or
// "|" (the rest of the text does). The number is read as a decimal integer: leading blanks and
// a sign are allowed and reading stops at the first non-digit. A "^C" that does not make a
// code with a colour of 0-15 is no code: the font draws its characters as they are, so they
// take room like any others.

#include <cstddef>
#include <string_view>

struct RKColorCode {
  std::size_t terminator;  // index of the "^" or "|"; npos when the text has none after "^C"
  int color;               // 0-15, or -1 when this is no code
};

// The code that the "^C" at `start` opens.
RKColorCode ReadColorCode(std::string_view text, std::size_t start);

// The bytes a code at `at` takes, from its "^" through its terminator (the coloured character
// after it is not part of them); 0 when no code starts there.
std::size_t ColorCodeLength(std::string_view text, std::size_t at);

// The cells the font draws the text in, one a byte: the colour codes take none.
int VisibleCells(std::string_view text);
