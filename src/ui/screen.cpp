#include "ui/screen.h"

#include "game/globals.h"

void FillBlack(SDL_Surface* surface, const SDL_Rect* rect) {
  if (surface != nullptr) {
    SDL_FillSurfaceRect(surface, rect, SDL_MapSurfaceRGBA(surface, 0, 0, 0, 255));
  }
}

void PresentScreen() {
  SDL_UpdateTexture(texture, nullptr, screen->pixels, screen->pitch);
  SDL_RenderClear(renderer);
  SDL_RenderTexture(renderer, texture, nullptr, nullptr);
  SDL_RenderPresent(renderer);
}

void SetMenuLines(const std::vector<std::string>& lines, int selected) {
  option.clear();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    option.push_back(static_cast<int>(i) == selected ? "> " + lines[i] + " <" : lines[i]);
  }
}
