#include "ui/menu.h"

#include <algorithm>
#include <cctype>
#include <iostream>
#include <iterator>
#include <limits>
#include <string_view>
#include <vector>

#include "app/frames.h"
#include "app/globals.h"
#include "app/window.h"
#include "core/colorcode.h"
#include "core/globals.h"
#include "core/glyphs.h"
#include "core/layout.h"
#include "core/message.h"
#include "input/globals.h"
#include "input/input.h"
#include "localization/localization.h"
#include "music/music.h"
#include "ui/font.h"
#include "ui/globals.h"
#include "ui/render.h"
#include "ui/screen.h"
#include "world/entity.h"
#include "world/equipment.h"
#include "world/item.h"

namespace {

constexpr int MENU_WAIT_SLICE_MS = 16;  // short, so the menu music fade keeps moving

// Width in cells used to centre a line: its bytes, less a leading colour code (the
// terminator stays counted, as the code's coloured character takes its place).
int CentringLength(const std::string& line) {
  const std::size_t code = ColorCodeLength(line, 0);
  return static_cast<int>(line.size() - (code > 0 ? code - 1 : 0));
}

// Where the text's first `cells` drawn characters end (all of it when it has fewer), with the
// number of them in `count`. Walks the text as the font draws it: a colour code takes no
// room, nor does the escape backslash + "n" that the menus' wrapping turns into a line break.
std::size_t VisibleEnd(std::string_view text, unsigned cells, unsigned& count) {
  count = 0;
  std::size_t i = 0;
  while (i < text.size() && count < cells) {
    if (text.substr(i, 2) == "\\n") {
      i += 2;
    } else if (const std::size_t code = ColorCodeLength(text, i); code > 0) {
      i += code;
    } else {
      ++count;
      ++i;
    }
  }
  return i;
}

// Makes inventoryPanel a width x height box, keeping the surface when it already fits.
bool SizeBoxSurface(int width, int height) {
  if (inventoryPanel != nullptr && inventoryPanel->w == width && inventoryPanel->h == height) {
    return true;
  }
  if (inventoryPanel != nullptr) {
    SDL_DestroySurface(inventoryPanel);
    inventoryPanel = nullptr;
  }
  inventoryPanel = CreateRGBSurface(width, height);
  if (inventoryPanel == nullptr) {
    std::cout << "Couldn't create new surface for HUD: " << SDL_GetError() << std::endl;
    return false;
  }
  FillBlack(inventoryPanel);
  return true;
}

// The title row of a box whose content is `contentWidth` pixels wide: corners, the white
// bar over the content and the title in black on it. Without corners the row is the top
// of the side bars (a box without a header).
void DrawTitleRow(const std::string& title, int contentWidth, bool corners) {
  int boxWidth = contentWidth + 32;
  unsigned char left = corners ? GLYPH_TOP_LEFT : GLYPH_VERTICAL;
  unsigned char right = corners ? GLYPH_TOP_RIGHT : GLYPH_VERTICAL;
  font->DrawChar(inventoryPanel, left, 0, 0, White);
  font->DrawChar(inventoryPanel, GLYPH_HORIZONTAL, GLYPH_SIZE, 0, White);
  for (int x = 2 * GLYPH_SIZE; x <= contentWidth + GLYPH_SIZE; x += GLYPH_SIZE) {
    font->DrawChar(inventoryPanel, GLYPH_BLOCK, x, 0, White);
  }
  font->DrawChar(inventoryPanel, GLYPH_HORIZONTAL, contentWidth + 2 * GLYPH_SIZE, 0, White);
  font->DrawChar(inventoryPanel, right, contentWidth + 3 * GLYPH_SIZE, 0, White);
  const std::string& text = title;
  font->DrawString(inventoryPanel, text,
                   (boxWidth - GLYPH_SIZE * static_cast<int>(text.size())) / 2, 0, Black);
}

// Side bars on the rows firstY..lastY and the bottom row at bottomY.
void DrawSidesAndBottom(int firstY, int lastY, int bottomY, int contentWidth) {
  for (int y = firstY; y <= lastY; y += GLYPH_SIZE) {
    font->DrawChar(inventoryPanel, GLYPH_VERTICAL, 0, y, White);
    font->DrawChar(inventoryPanel, GLYPH_VERTICAL, contentWidth + 3 * GLYPH_SIZE, y, White);
  }
  font->DrawChar(inventoryPanel, GLYPH_BOTTOM_LEFT, 0, bottomY, White);
  for (int x = GLYPH_SIZE; x <= contentWidth + 2 * GLYPH_SIZE; x += GLYPH_SIZE) {
    font->DrawChar(inventoryPanel, GLYPH_HORIZONTAL, x, bottomY, White);
  }
  font->DrawChar(inventoryPanel, GLYPH_BOTTOM_RIGHT, contentWidth + 3 * GLYPH_SIZE, bottomY, White);
}

// Centres the line by its bytes; the general menu leaves a leading colour code out of that
// count (leadingCodeTakesRoom false), the inventory menu counts every byte.
void DrawCentredLine(const std::string& line, int boxWidth, int y, RKColors colour,
                     bool leadingCodeTakesRoom) {
  const std::string& text = line;
  int length = leadingCodeTakesRoom ? static_cast<int>(text.size()) : CentringLength(text);
  font->DrawString(inventoryPanel, text, (boxWidth - GLYPH_SIZE * length) / 2, y, colour);
}

// The widest wrap the screen allows for lines of up to `longest` visible characters;
// `fallback` when that comes to nothing.
int WrapWidth(unsigned longest, int fallback) {
  int wanted = GLYPH_SIZE * static_cast<int>(longest);
  int room = screen->w - (SCREEN_COLUMNS - BOX_TEXT_COLUMNS) * GLYPH_SIZE;
  int wrap = room > 0 ? std::min(wanted, room) : wanted;
  return wrap > 0 ? wrap : fallback;
}

// Lines a box can show in `height` pixels when its lines start at firstLineY and its bottom
// takes `below` pixels.
std::size_t LineRoom(int height, int firstLineY, int below) {
  const int room = (height - firstLineY - below) / GLYPH_SIZE;
  return room > 0 ? static_cast<std::size_t>(room) : 1;
}

// Appends the lines to `out`, a line that draws more than `columns` characters (a word longer
// than the line, such as a name read from a file) broken into pieces, no more than `room` lines
// in all. Each piece is walked once, so that the cost follows what is kept, never the length
// of what is left out. Without the breaking a long label asked for a box surface wider than
// any screen, which could not be made or drawn.
void AppendBroken(const std::list<std::string>& lines, unsigned columns, std::size_t room,
                  std::list<std::string>& out) {
  columns = std::max(columns, 1u);
  for (const std::string& line : lines) {
    std::size_t start = 0;
    do {
      if (room == 0) {
        return;
      }
      unsigned count = 0;
      const std::size_t end =
          start + VisibleEnd(std::string_view(line).substr(start), columns, count);
      if (count == 0 && start > 0) {  // nothing but colour codes left: nothing to show either
        break;
      }
      out.push_back(line.substr(start, end - start));
      --room;
      start = end;
    } while (start < line.size());
  }
}

// The lines of a box that shows at most maxLines of them: each group holds the lines one text
// wrapped into, and gets the room left once every later group has a line of its own. A text
// too long for the box is cut short, never pushing the texts after it out of view.
std::list<std::string> FitToBox(const std::vector<std::list<std::string>>& groups, unsigned columns,
                                std::size_t maxLines) {
  std::list<std::string> lines;
  std::size_t groupsAfter = groups.size();
  for (const std::list<std::string>& group : groups) {
    --groupsAfter;
    const std::size_t left = maxLines - std::min(maxLines, lines.size());
    AppendBroken(group, columns,
                 left > groupsAfter ? left - groupsAfter : std::min<std::size_t>(left, 1), lines);
  }
  return lines;
}

// A title never widens its box past the screen.
std::string FitTitle(const std::string& title) {
  return title.size() > BOX_TEXT_COLUMNS ? title.substr(0, BOX_TEXT_COLUMNS) : title;
}

}  // namespace

unsigned GetVisibleTextLength(const std::string& text) {
  unsigned count = 0;
  VisibleEnd(text, std::numeric_limits<unsigned>::max(), count);
  return count;
}

unsigned GetMaxVisibleLength(const std::list<std::string>& lines, unsigned extra) {
  unsigned longest = 0;
  for (const std::string& line : lines) {
    longest = std::max(longest, extra + GetVisibleTextLength(line));
  }
  return longest;
}

std::string CutToVisibleLength(const std::string& text, unsigned columns) {
  unsigned count = 0;
  return text.substr(0, VisibleEnd(text, columns, count));
}

bool MenuConfirmed(const std::string& header, const std::list<std::string>& options, int width,
                   int& selected, bool captureKey) {
  FillBlack(inventoryPanel);
  if (&options != &option) {
    option = options;
  }

  unsigned longest = std::max(GetVisibleTextLength(header), GetMaxVisibleLength(options, 0));
  int wrap = WrapWidth(longest, width);
  // Wrapped into lists of their own first: a caller may hand inventoryMessages in as options.
  std::vector<std::list<std::string>> wrapped(options.size());
  auto group = wrapped.begin();
  for (const std::string& text : options) {
    message->WordWarp(text, *group++, static_cast<unsigned>(wrap), true);
  }
  const int firstLineY = header.empty() ? GLYPH_SIZE : 2 * GLYPH_SIZE;
  // The box fits where it is shown: above the heads-up panel while playing.
  const int room = gameState == Playing ? screen->h - HUD_HEIGHT : screen->h;
  inventoryMessages =
      FitToBox(wrapped, static_cast<unsigned>(wrap) / GLYPH_SIZE, LineRoom(room, firstLineY, 16));

  const std::string title = FitTitle(header);
  const int lineCount = static_cast<int>(inventoryMessages.size());
  const int contentWidth =
      GLYPH_SIZE * static_cast<int>(std::max<std::size_t>(
                       title.size(), GetMaxVisibleLength(inventoryMessages, 0)));
  const int boxWidth = contentWidth + 32;
  const int boxHeight = firstLineY + GLYPH_SIZE * lineCount + 16;
  if (!SizeBoxSurface(boxWidth, boxHeight)) {
    return false;
  }

  DrawTitleRow(title, contentWidth, !title.empty());
  int k = 0;
  for (const std::string& line : inventoryMessages) {
    DrawCentredLine(line, boxWidth, firstLineY + GLYPH_SIZE * k, k == selected ? Cyan : White,
                    false);
    ++k;
  }
  DrawSidesAndBottom(firstLineY - GLYPH_SIZE, firstLineY + GLYPH_SIZE * lineCount,
                     firstLineY + GLYPH_SIZE * lineCount + GLYPH_SIZE, contentWidth);

  // The level-up box is drawn over a snapshot of the game so it can be shown repeatedly.
  const bool overSnapshot =
      gLocalization != nullptr && header == gLocalization->T("menu.levelUp.header");
  const int screenHeight = gameState == Playing ? screen->h - HUD_HEIGHT : screen->h;
  SDL_Rect place{(screen->w - boxWidth) / 2, (screenHeight - boxHeight) / 2, boxWidth, boxHeight};
  const RKInputContext context = captureKey ? RKInputContext::Capture : RKInputContext::Menu;
  RKInput input;
  for (;;) {
    UpdateMenuMusicFade();
    if (overSnapshot) {
      SDL_BlitSurface(tempSurface, nullptr, screen, nullptr);
    }
    SDL_Rect target = place;
    SDL_BlitSurface(inventoryPanel, nullptr, screen, &target);
    PresentScreen();
    // Only the music's fade-in moves while a menu waits: without it nothing changes before
    // the next event, and the menu sleeps until then.
    if (!NextInput(input, context, MenuMusicFading() ? MENU_WAIT_SLICE_MS : NO_TIME_LIMIT)) {
      continue;
    }
    if (input.action == RKAction::Close) {
      return false;
    }
    if (input.action != RKAction::None) {
      break;
    }
  }

  const int optionCount = static_cast<int>(option.size());
  switch (input.action) {
    case RKAction::Captured:
      return true;
    case RKAction::Confirm:
      return selected != -1;
    case RKAction::Down:
      if (selected != -1) {
        ++selected;
        if (selected >= optionCount) {
          selected = 0;
        }
      }
      return false;
    case RKAction::Up:
      if (selected != -1) {
        if (selected <= 0) {
          selected = optionCount;
        }
        --selected;
      }
      return false;
    default:
      return false;
  }
}

bool MSGBox(const std::string& header, const std::list<std::string>& lines, int width) {
  int noSelection = -1;
  return MenuConfirmed(header, lines, width, noSelection, false);
}

bool DrawInventoryBox(std::list<std::string>& lines, int marked) {
  if (option.size() > MAX_INVENTORY) {
    std::cout << "Can't have a menu with more than 26 options!" << std::endl;
    return false;
  }
  FillBlack(inventoryPanel);

  // Room for the "(a) " label in front of every real item.
  const bool labelled = !inventory.empty();
  unsigned longest =
      std::max(GetMaxVisibleLength(lines, 0), GetMaxVisibleLength(option, labelled ? 4 : 0));
  int wrap = WrapWidth(longest, WIDE_MENU);
  char letter = 'a';
  const int firstOptionLine = static_cast<int>(lines.size());
  for (optionIterator = option.begin(); optionIterator != option.end(); ++optionIterator) {
    std::string text =
        labelled ? std::string("(") + letter + ") " + *optionIterator : *optionIterator;
    // An option keeps to one line of the widest box, so that all 26 letters stay in view
    // however long a name a file gave an item.
    message->WordWarp(CutToVisibleLength(text, BOX_TEXT_COLUMNS), lines,
                      static_cast<unsigned>(wrap), true);
    ++letter;
  }
  // Render shows this box above the heads-up panel.
  std::vector<std::list<std::string>> groups;
  for (std::string& line : lines) {
    groups.push_back({std::move(line)});
  }
  lines = FitToBox(groups, static_cast<unsigned>(wrap) / GLYPH_SIZE,
                   LineRoom(screen->h - HUD_HEIGHT, 2 * GLYPH_SIZE, 16));

  const std::string title = FitTitle(gLocalization->T("inventory.header"));
  const int lineCount = static_cast<int>(lines.size());
  const int contentWidth =
      GLYPH_SIZE * static_cast<int>(std::max(
                       {title.size(), static_cast<std::size_t>(GetMaxVisibleLength(lines, 0)),
                        static_cast<std::size_t>(GetMaxVisibleLength(inventoryMessages, 0))}));
  const int boxWidth = contentWidth + 32;
  const int boxHeight = GLYPH_SIZE * lineCount + 32;
  if (!SizeBoxSurface(boxWidth, boxHeight)) {
    return false;
  }

  DrawTitleRow(title, contentWidth, true);
  int k = 0;
  for (std::string& line : lines) {
    std::transform(line.begin(), line.end(), line.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const RKColors colour = marked >= 0 && k == firstOptionLine + marked ? Cyan : White;
    DrawCentredLine(line, boxWidth, 2 * GLYPH_SIZE + GLYPH_SIZE * k, colour, true);
    ++k;
  }
  DrawSidesAndBottom(GLYPH_SIZE, GLYPH_SIZE * lineCount + 2 * GLYPH_SIZE,
                     GLYPH_SIZE * lineCount + 3 * GLYPH_SIZE, contentWidth);
  return true;
}

int InventoryChoice(std::list<std::string>& lines) {
  const std::list<std::string> prompt = lines;
  const int optionCount = static_cast<int>(option.size());
  // The marker a pad moves; the letters need none, so it shows only once a pad or an arrow
  // key asks for it.
  int marked = lastDevice == RKDevice::Pad ? 0 : -1;
  RKInput input;
  for (;;) {
    lines = prompt;
    if (!DrawInventoryBox(lines, marked)) {
      return -1;
    }
    Render();
    if (!NextInput(input, RKInputContext::Inventory, NO_TIME_LIMIT)) {
      std::cout << "SDL_WaitEvent error: " << SDL_GetError() << std::endl;
      return -1;
    }
    switch (input.action) {
      case RKAction::None:
      case RKAction::ToggleMouse:  // F2 frees or captures the mouse; the list stays
        break;
      case RKAction::Down:
        marked = marked < 0 || marked + 1 >= optionCount ? 0 : marked + 1;
        break;
      case RKAction::Up:
        marked = marked <= 0 ? optionCount - 1 : marked - 1;
        break;
      case RKAction::Letter:
        return input.letter < optionCount ? input.letter : -1;
      case RKAction::Confirm:
        return marked;
      default:
        return -1;
    }
  }
}

void ListInventory() {
  option.clear();
  if (inventory.empty()) {
    option.push_back(gLocalization->T("inventory.empty"));
    return;
  }
  RKEntity* mainHand = nullptr;
  RKEntity* offHand = nullptr;
  if (player != nullptr && player->equipment != nullptr) {
    mainHand = player->equipment->mainHand;
    offHand = player->equipment->offHand;
  }
  // Newest first: letter a names the last entity of the inventory.
  for (inventoryIterator = inventory.begin(); inventoryIterator != inventory.end();
       ++inventoryIterator) {
    RKEntity* entity = *inventoryIterator;
    std::string label = entity->GetDisplayName();
    if (entity == mainHand || entity == offHand) {
      label = gLocalization->TFormat("inventory.itemEquipped", {label});
    }
    option.push_front(label);
  }
}

RKItem* InventoryMenu(std::list<std::string>& lines) {
  ListInventory();
  showInventory = true;
  int chosen = InventoryChoice(lines);
  showInventory = false;
  RestartFrameDeadline();
  if (chosen == -1 || inventory.empty()) {
    return nullptr;
  }
  inventoryIterator = std::prev(inventory.end(), chosen + 1);
  return (*inventoryIterator)->item;
}
