#pragma once
// The title picture behind the main and options menus, and the help box.

// Clears the screen to black and paints the block-letter "TVK" banner with its notice line.
// Nothing is presented: the menu shown next presents the screen with its box on top.
void Header();

// Shows the help box until a key other than F2 is pressed (the key is left in selectedKey) or
// the window is asked to close.
void HelpScreen();
