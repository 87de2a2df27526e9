#pragma once
// How much room the screen gives each kind of text, in cells of one 8x8 glyph. The drawing code
// lays the heads-up panel and the boxes out with these, and tvk-lang measures every translation
// against them, so a text that passes the checker fits where the game draws it.

// Every glyph is 8x8 pixels, and so is every cell of the map and of every text row.
constexpr int GLYPH_SIZE = 8;

// The window: 640 pixels.
constexpr int SCREEN_COLUMNS = 80;
// The panel's left box, between its left wall and the divider: the hit point bar and the floor.
constexpr int HUD_BOX_COLUMNS = 20;
// The panel's right box, between the divider and the right wall: the message log.
constexpr int LOG_COLUMNS = SCREEN_COLUMNS - HUD_BOX_COLUMNS - 3;
// Lines of the log the panel shows at once, newest first.
constexpr int LOG_SHOWN_LINES = 6;
// The strip along the top of the panel that names what lies under the mouse: all but its walls.
constexpr int NAMES_COLUMNS = SCREEN_COLUMNS - 2;
// The text of a framed box: its frame and margins take two cells on either side.
constexpr int BOX_TEXT_COLUMNS = SCREEN_COLUMNS - 4;
// The prompt above the inventory list is wrapped at this width.
constexpr int PROMPT_COLUMNS = 70;
