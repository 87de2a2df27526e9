#pragma once
// Framed dialog boxes: the general menu with a title bar and an optional highlighted line,
// the message box, and the lettered inventory menu. Every box is drawn into the shared
// inventoryPanel and shown centred over whatever the screen holds.

#include <list>
#include <string>

class RKItem;

// Shows the box of the options (which become `option`, the lines shown) and returns after one
// press or a close request; lastInput then says which. True when a line was confirmed (only
// with a selection, i.e. selected != -1) or, with captureKey, when any key or button but F2
// was pressed (a key is then in selectedKey). Up and Down move `selected` among the options
// with wrap-around and return false; F2 toggles the relative mouse mode and returns false.
// `width` is only a fallback wrap width. False too when the box surface cannot be made.
bool MenuConfirmed(const std::string& header, const std::list<std::string>& options, int width,
                   int& selected, bool captureKey);

// The general menu without a selection and without key capture.
bool MSGBox(const std::string& header, const std::list<std::string>& lines, int width);

// The inventory prompt: `lines` holds the prompt on entry; the options of the global `option`
// list (at most 26) are appended to it labelled (a), (b), ... unless the inventory is empty.
// Returns the index of the option chosen by its letter, or by the marker that Up and Down (the
// arrows, a pad) move and Confirm picks; -1 for any other press, a close request (which sets
// quitRequested), too many options, or a failure. A pad's marker starts on the first option.
int InventoryChoice(std::list<std::string>& lines);

// The drawing half of the inventory prompt: appends the options to `lines` and draws the box
// into inventoryPanel, where Render shows it while showInventory is set, the option at `marked`
// (-1: none) in the marker's colour. False, with nothing drawn, for more than 26 options or when
// the box surface cannot be made.
bool DrawInventoryBox(std::list<std::string>& lines, int marked = -1);

// Fills `option` with the pack's labels, the last entity first (letter a names it), worn pieces
// marked; the empty-pack text alone when nothing is carried.
void ListInventory();

// Lets the player pick an item of the inventory under the prompt in `lines`, the box shown
// over the map meanwhile (showInventory). Returns the chosen entity's item component, with
// inventoryIterator left on that entity, or null.
RKItem* InventoryMenu(std::list<std::string>& lines);

// Number of characters of the text that are drawn: colour codes and the "\n" line-break
// escape count nothing.
unsigned GetVisibleTextLength(const std::string& text);

// The largest of extra + visible length over the lines; 0 for no lines.
unsigned GetMaxVisibleLength(const std::list<std::string>& lines, unsigned extra);

// The longest start of the text that draws at most `columns` characters. A colour code is kept
// only when the character it colours is kept too.
std::string CutToVisibleLength(const std::string& text, unsigned columns);
