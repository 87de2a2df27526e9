#pragma once
// The rectangle rooms are made of: borders included, so Init(x, y, w, h) spans w + 1 columns
// and h + 1 rows and its border lines stay wall.

#include <utility>

class RKRect {
 public:
  int x1 = 0;  // left column
  int x2 = 0;  // right column
  int y1 = 0;  // top row
  int y2 = 0;  // bottom row

  void Init(int x, int y, int w, int h) {
    x1 = x;
    y1 = y;
    x2 = x + w;
    y2 = y + h;
  }

  // The centre cell, rounded toward zero.
  std::pair<int, int> Center() const { return {(x1 + x2) / 2, (y1 + y2) / 2}; }

  // Inclusive on every side: rectangles that share only a border line or a corner intersect,
  // which keeps a wall between any two rooms.
  bool Intersect(const RKRect& other) const {
    return x1 <= other.x2 && x2 >= other.x1 && y1 <= other.y2 && y2 >= other.y1;
  }
};
