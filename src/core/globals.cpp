#include "core/globals.h"

// The standard 16-colour EGA palette, in RKColors order.
const RKColor EGAColors[16] = {
    {0x00, 0x00, 0x00, 0}, {0x00, 0x00, 0xAA, 0}, {0x00, 0xAA, 0x00, 0}, {0x00, 0xAA, 0xAA, 0},
    {0xAA, 0x00, 0x00, 0}, {0xAA, 0x00, 0xAA, 0}, {0xAA, 0x55, 0x00, 0}, {0xAA, 0xAA, 0xAA, 0},
    {0x55, 0x55, 0x55, 0}, {0x55, 0x55, 0xFF, 0}, {0x55, 0xFF, 0x55, 0}, {0x55, 0xFF, 0xFF, 0},
    {0xFF, 0x55, 0x55, 0}, {0xFF, 0x55, 0xFF, 0}, {0xFF, 0xFF, 0x55, 0}, {0xFF, 0xFF, 0xFF, 0},
};
const std::string SAVEGAMESIG = "TVKSG";
const std::string GAMEVERSION = "0.4";

int gameState;
bool gameOver;
int playerAction;
bool playerMovedOrAttacked;
RKEntity* player = nullptr;
RKMap* theMap = nullptr;
std::list<RKEntity*> entities;
std::list<RKEntity*>::iterator entityIterator;
std::list<RKEntity*> inventory;
std::list<RKEntity*>::iterator inventoryIterator;
std::list<std::string> inventoryMessages;
std::vector<UseFunction> useFuncVec;
std::vector<DeathFunction> funcVec;
RKMessage* message = nullptr;
RKLocalization* gLocalization = nullptr;

void ResetGameState() {
  gameState = InMenus;
  gameOver = false;
  playerAction = TurnTaken;
  playerMovedOrAttacked = false;
  player = nullptr;
  theMap = nullptr;
  entities.clear();
  entityIterator = entities.end();
  inventory.clear();
  inventoryIterator = inventory.end();
  inventoryMessages.clear();
  useFuncVec.clear();
  funcVec.clear();
  message = nullptr;
  gLocalization = nullptr;
}

namespace {
// A program starts with the values ResetGameState gives.
[[maybe_unused]] const bool STARTED = (ResetGameState(), true);
}  // namespace
