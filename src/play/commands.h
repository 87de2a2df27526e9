#pragma once
// The player commands that cost no turn; ExecuteKeyAction runs them for their keys.

// Picks up the first item lying on the player's cell; silent, and false, when there is none.
bool TakeCommand();
// Uses the stairs or the exit on the player's cell; silent when there are none.
void UseStairsCommand();
// Asks which item to drop and drops it on the player's cell.
void DropCommand();
// Shows the character information box.
void CharacterInfoCommand();
// Asks which item to use or to put on or take off, and does it.
void InventoryCommand();
