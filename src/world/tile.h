#pragma once
// One cell of the floor grid.

// The blocked flag doubles as the occupancy mark of blocking entities: whoever moves, places or
// knocks out a blocking entity keeps it up to date, so movement never has to scan the entities.
class RKTile {
 public:
  bool blocked = false;     // nothing may move in: a wall, or a cell held by a blocking entity
  bool blockSight = false;  // rays of the field of view stop here
  bool explored = false;    // has been in view at least once

  // A cell that blocks movement always blocks sight as well; explored starts over.
  void Init(bool isBlocked, bool isBlockingSight) {
    blocked = isBlocked;
    blockSight = isBlocked || isBlockingSight;
    explored = false;
  }
};
