#include "ui/banner.h"

#include <iterator>
#include <list>
#include <string>
#include <vector>

#include "app/frames.h"
#include "app/globals.h"
#include "core/globals.h"
#include "input/globals.h"
#include "input/input.h"
#include "localization/kindtexts.h"
#include "localization/localization.h"
#include "ui/font.h"
#include "ui/globals.h"
#include "ui/menu.h"
#include "ui/optionsmenu.h"
#include "ui/screen.h"

namespace {

constexpr int BANNER_ROWS = 16;
constexpr int BANNER_TOP = 8;
constexpr int BANNER_WIDTH = 520;  // columns 0-64; the last letter's dot reaches past it
constexpr int NOTICE_Y = 144;
const std::string NOTICE = "TOWER VAULT KEEPER";

// The block letters, one string per cell row; "#" is ink, a blank leaves the cell alone.
// clang-format off
const char* const LETTER_T[BANNER_ROWS] = {
    "###############",
    "###############",
    "###############",
    "     #####     ",
    "     #####     ",
    "     #####     ",
    "     #####     ",
    "     #####     ",
    "     #####     ",
    "     #####     ",
    "     #####     ",
    "     #####     ",
    "     #####     ",
    "     #####     ",
    "     #####     ",
    "     #####     ",
};
const char* const LETTER_V[BANNER_ROWS] = {
    "#####               #####",
    "#####               #####",
    " #####             ##### ",
    "  #####           #####  ",
    "  #####           #####  ",
    "   #####         #####   ",
    "    #####       #####    ",
    "    #####       #####    ",
    "     #####     #####     ",
    "      #####   #####      ",
    "      #####   #####      ",
    "       ##### #####       ",
    "        #########        ",
    "        #########        ",
    "         #######         ",
    "          #####          ",
};
const char* const LETTER_K[BANNER_ROWS] = {
    "####       ####",
    "####      #### ",
    "####     ####  ",
    "####    ####   ",
    "####   ####    ",
    "####  ####     ",
    "#### ####      ",
    "########       ",
    "########       ",
    "#### ####      ",
    "####  ####     ",
    "####   ####    ",
    "####    ####   ",
    "####     ####  ",
    "####      #### ",
    "####       ####",
};
// clang-format on

// The diamond dot after each letter, in the letter's bottom three rows.
const char* const DOT[3] = {
    " # ",
    "# #",
    " # ",
};

struct RKBannerLetter {
  const char* const* rows;
  int firstColumn;
  int width;
  RKColors colour;
};

// letter     first column  width  colour
const RKBannerLetter BANNER[] = {
    {LETTER_T, 0, 15, Red},
    {LETTER_V, 20, 25, Green},
    {LETTER_K, 50, 15, Blue},
};

const char* const HELP_BLANK = "\\n";  // the line-break escape: an empty row in the box

// The help box, top to bottom: a text, an empty row (HELP_BLANK), the help lines of the
// kinds table listed in one section of the box, or the current key bindings.
struct RKHelpLine {
  const char* key;
  RKKindText kinds = RKKindText::None;
  bool keyBindings = false;
};
const RKHelpLine HELP_LINES[] = {
    {"help.mapHeader"},
    {HELP_BLANK},
    {"help.wall"},
    {"help.floor"},
    {nullptr, RKKindText::MapHelp},  // the stairs and the exit
    {HELP_BLANK},
    {"help.charactersHeader"},
    {HELP_BLANK},
    {nullptr, RKKindText::CharacterHelp},  // the player, the guards, the items
    {HELP_BLANK},
    {"help.miscHeader"},
    {HELP_BLANK},
    {"help.mouse"},
    {HELP_BLANK},
    {"help.keysHeader"},
    {HELP_BLANK},
    {nullptr, RKKindText::None, true},  // as the options menu shows them
    {HELP_BLANK},
    {HELP_BLANK},
    {"menu.help.returnMainMenu"},
};

}  // namespace

void Header() {
  SDL_FillSurfaceRect(screen, nullptr, SDL_MapSurfaceRGBA(screen, 0, 0, 0, 255));
  const int originX = (screen->w - BANNER_WIDTH) / 2;
  // Each row is one string from the banner's left edge: the lead-in blanks of the later
  // letters draw nothing, so the letters already drawn stay untouched.
  for (const RKBannerLetter& letter : BANNER) {
    for (int row = 0; row < BANNER_ROWS; ++row) {
      std::string text = std::string(letter.firstColumn, ' ') + letter.rows[row];
      text.resize(letter.firstColumn + letter.width, ' ');
      int dotRow = row - (BANNER_ROWS - 3);
      if (dotRow >= 0) {
        // One empty column between the letter and its dot.
        text += std::string(" ") + DOT[dotRow];
      }
      font->DrawString(screen, text, originX, BANNER_TOP + GLYPH_SIZE * row, letter.colour);
    }
  }
  font->DrawString(screen, NOTICE, (screen->w - GLYPH_SIZE * static_cast<int>(NOTICE.size())) / 2,
                   NOTICE_Y, Yellow);
}

void HelpScreen() {
  RestartFrameDeadline();
  bool closed = false;
  while (!closed && !quitRequested) {
    option.clear();
    for (const RKHelpLine& line : HELP_LINES) {
      if (line.kinds != RKKindText::None) {
        for (const char* key : KindTextKeys(line.kinds)) option.push_back(gLocalization->T(key));
      } else if (line.keyBindings) {
        std::vector<std::string> bindings;
        AppendKeyBindingLines(bindings);
        option.insert(option.end(), bindings.begin(), bindings.end());
      } else {
        option.push_back(line.key == HELP_BLANK ? std::string(HELP_BLANK) : PromptText(line.key));
      }
    }
    int noSelection = -1;
    closed =
        MenuConfirmed(gLocalization->T("menu.help.header"), option, NARROW_BOX, noSelection, true);
    RestartFrameDeadline();
    FinishFrame();
  }
}
