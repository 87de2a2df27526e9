// The message log as the heads-up panel shows it. The log itself, its lines and their
// wrapping, is rules code in core/message.cpp; only the drawing needs the font.

#include <cstddef>
#include <iterator>

#include "core/layout.h"
#include "core/message.h"
#include "ui/font.h"

namespace {

// Colours of the six drawn lines when they fade with age, newest first.
constexpr RKColors FADE_COLORS[] = {White, White, LightGray, LightGray, DarkGray, DarkGray};
static_assert(std::size(FADE_COLORS) == LOG_SHOWN_LINES);

}  // namespace

void RKMessage::GetMessages(int x, int y, RKFont* font, RKColors color, bool fade) const {
  if (font == nullptr || surface == nullptr) {
    return;  // nothing to draw with until start-up has made both
  }
  std::size_t k = 0;
  for (auto line = messages.begin(); line != messages.end() && k < std::size(FADE_COLORS);
       ++line, ++k) {
    const RKColors lineColor = fade ? FADE_COLORS[k] : color;
    font->DrawString(surface, *line, x, y + GLYPH_SIZE * static_cast<int>(k), lineColor);
  }
}
