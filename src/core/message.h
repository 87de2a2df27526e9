#pragma once
// The message log: every event of play becomes one or more capitalised lines at the front of
// the list, and the heads-up panel shows the six newest. Its word wrapper also serves the
// menus and the inventory prompts.

#include <list>
#include <string>

#include "core/types.h"

struct SDL_Surface;
class RKFont;

class RKMessage {
 public:
  std::list<std::string> messages;  // every line of the current game, newest first
  SDL_Surface* surface = nullptr;   // where GetMessages draws; not owned

  // Keeps the surface to draw on; false when it is null.
  bool Init(SDL_Surface* target);
  // Capitalises text (a-z only, every other byte as it is) and wraps it into the log's
  // LOG_COLUMNS cells. With order false, the usual case, a wrapped message's last line ends up
  // first.
  void SetMessage(std::string text, bool order);
  // Breaks text at white space into lines of at most width / 8 bytes and adds them to lines:
  // appended in reading order when order is true, each pushed to the front when false. A word
  // longer than a line stays whole on a line of its own, or with breakLongWords (the log's
  // lines, which the saved game bounds) is broken at the line's end. Backslash + "n" in a word
  // becomes a line feed.
  void WordWarp(const std::string& text, std::list<std::string>& lines, unsigned width, bool order,
                bool breakLongWords = false) const;
  // Replaces every occurrence of search, never searching inside an inserted replacement. An
  // empty search text leaves the text as it is.
  void ReplaceAll(std::string& text, const std::string& search,
                  const std::string& replacement) const;
  // Draws up to the six newest lines at (x, y), 8 pixels apart. With fade the newest two are
  // white, the next two light grey and the oldest two dark grey, and color is not used.
  // Drawing needs the font: this one is defined with the screens, in ui/logdrawing.cpp.
  void GetMessages(int x, int y, RKFont* font, RKColors color, bool fade) const;
};
