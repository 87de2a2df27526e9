#pragma once
// What a still game costs: how often it lets the stepped clock move and how many frames it shows
// while no input comes. Every loop should sleep until input (or its music) needs it.

#include <cstdint>

#include "support/harness.h"
#include "ui/screen.h"

struct StillCosts {
  std::uint64_t wakeUps = 0;  // the game's waits (GameWaits) over the idle stretch
  std::uint64_t shown = 0;    // frames shown (FramesShown) over it
};

// Adds to the script an idle stretch of ms of the game's time, counted into `still`.
inline InputScript& IdleCounting(InputScript& script, int ms, StillCosts& still) {
  return script
      .Probe([&still] {
        still.wakeUps = GameWaits();
        still.shown = FramesShown();
      })
      .Idle(ms)
      .Probe([&still] {
        still.wakeUps = GameWaits() - still.wakeUps;
        still.shown = FramesShown() - still.shown;
      });
}
