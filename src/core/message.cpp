#include "core/message.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

#include "core/layout.h"

namespace {

constexpr unsigned LOG_WIDTH = LOG_COLUMNS * GLYPH_SIZE;

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
  WordWarp(text, messages, LOG_WIDTH, order, true);
}

void RKMessage::WordWarp(const std::string& text, std::list<std::string>& lines, unsigned width,
                         bool order, bool breakLongWords) const {
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
    // A log word longer than a whole line is broken at the line's end like any other text.
    const std::size_t capacity = std::max<std::size_t>(1, width / 8);
    if (breakLongWords && word.size() > capacity) {
      if (!line.empty()) {
        emit(line);
        line.clear();
      }
      while (word.size() > capacity) {
        emit(word.substr(0, capacity));
        word.erase(0, capacity);
      }
    }
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
