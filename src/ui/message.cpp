#include "ui/message.h"

#include <cstddef>
#include <iterator>

#include "ui/font.h"
#include "ui/layout.h"

namespace {

constexpr unsigned LOG_WIDTH = LOG_COLUMNS * GLYPH_SIZE;

// Colours of the six drawn lines when they fade with age, newest first.
constexpr RKColors FADE_COLORS[] = {White, White, LightGray, LightGray, DarkGray, DarkGray};
constexpr std::size_t SHOWN_LINES = std::size(FADE_COLORS);
static_assert(SHOWN_LINES == LOG_SHOWN_LINES);

// The blanks of the "C" locale, which is what separates words for a formatted stream read.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

bool RKMessage::Init(SDL_Surface* target) {
  surface = target;
  return surface != nullptr;
}

void RKMessage::SetMessage(std::string text, bool order) {
  // By hand rather than toupper, so that a locale set elsewhere can never touch the bytes
  // above 127, which are the font's accented letters and symbols.
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  WordWarp(text, messages, LOG_WIDTH, order);
}

void RKMessage::WordWarp(const std::string& text, std::list<std::string>& lines, unsigned width,
                         bool order) const {
  auto emit = [&lines, order](const std::string& line) {
    if (order) {
      lines.push_back(line);
    } else {
      lines.push_front(line);
    }
  };
  std::string line;
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && IsBlank(text[at])) {
      ++at;
    }
    if (at == text.size()) {
      break;
    }
    std::size_t end = at;
    while (end < text.size() && !IsBlank(text[end])) {
      ++end;
    }
    std::string word = text.substr(at, end - at);
    at = end;
    ReplaceAll(word, "\\n", "\n");
    // The blank before the word is counted even on an empty line, so a line never holds
    // more than width / 8 characters.
    if ((line.size() + word.size() + 1) * 8 > width && !line.empty()) {
      emit(line);
      line.clear();
    }
    if (line.empty()) {
      line = word;
    } else {
      line += ' ';
      line += word;
    }
  }
  if (!line.empty()) {
    emit(line);
  }
}

void RKMessage::ReplaceAll(std::string& text, const std::string& search,
                           const std::string& replacement) const {
  if (search.empty()) {
    return;
  }
  std::size_t at = text.find(search);
  while (at != std::string::npos) {
    text.replace(at, search.size(), replacement);
    at = text.find(search, at + replacement.size());
  }
}

void RKMessage::GetMessages(int x, int y, RKFont* font, RKColors color, bool fade) const {
  if (font == nullptr || surface == nullptr) {
    return;  // nothing to draw with until start-up has made both
  }
  std::size_t k = 0;
  for (auto line = messages.begin(); line != messages.end() && k < SHOWN_LINES; ++line, ++k) {
    const RKColors lineColor = fade ? FADE_COLORS[k] : color;
    font->DrawString(surface, *line, x, y + 8 * static_cast<int>(k), lineColor);
  }
}
