#pragma once
// Helpers shared by the menu suites: running a blocking screen against scripted input, and
// reading a drawn box back as a picture of characters.

#include <SDL3/SDL.h>

#include <string>
#include <utility>
#include <vector>

#include "app/globals.h"
#include "support/harness.h"

// Runs the blocking call while the script feeds its steps, and returns what the call returned.
template <class Call>
auto WithInput(InputScript& script, Call call) {
  script.Start();
  auto result = call();
  script.Stop();
  return result;
}

// One character per 8x8 cell of the region: the frame glyphs as + = | #, printable text as
// itself, a cell that no glyph matches (black text on the white title bar) as '*'.
inline std::vector<std::string> BoxPicture(SDL_Surface* surface, int x, int y, int cells,
                                           int rows) {
  std::vector<std::string> picture;
  for (int row = 0; row < rows; ++row) {
    std::string line;
    for (int cell = 0; cell < cells; ++cell) {
      int code = CellGlyph(surface, x + 8 * cell, y + 8 * row);
      switch (code) {
        case 186:
          line += '|';
          break;
        case 205:
          line += '=';
          break;
        case 187:
        case 188:
        case 200:
        case 201:
          line += '+';
          break;
        case 219:
          line += '#';
          break;
        case -1:
          line += '*';
          break;
        default:
          line += (code >= 32 && code < 127) ? static_cast<char>(code) : '?';
          break;
      }
    }
    picture.push_back(line);
  }
  return picture;
}

// The whole box last drawn into inventoryPanel.
inline std::vector<std::string> PanelPicture() {
  return BoxPicture(inventoryPanel, 0, 0, inventoryPanel->w / 8, inventoryPanel->h / 8);
}

inline void ClearSurface(SDL_Surface* surface) {
  SDL_FillSurfaceRect(surface, nullptr, SDL_MapSurfaceRGBA(surface, 0, 0, 0, 255));
}
