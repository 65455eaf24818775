// The recorded cursor over the picture: which boxes of the picture it touches and where they go
// in the window, and what the picture under it needs put back.
//
// The cursor is drawn onto the picture only while the picture is shown and lifted before the
// next frame is applied, so it never enters the accumulated picture.
#pragma once

#include "UtqDisplay.h"

#include <cstdint>

struct TBox {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
};
bool operator==(const TBox& a, const TBox& b);

// The picture boxes to copy when the cursor moves from (oldLeft, oldTop) to (left, top): one
// box, the union, when the two overlap or touch, else the old box and then the new one.
struct TCursorArea {
  std::int32_t Count = 0;
  TBox Boxes[2];
};
TCursorArea CursorArea(std::int32_t oldLeft, std::int32_t oldTop, std::int32_t left,
                       std::int32_t top, std::int32_t boxWidth, std::int32_t boxHeight);

// Where a box of the picture lands in the window under a placement.
TBox BoxInWindow(const TBox& box, const TPicturePlacement& placement);

// The cursor boxes of the overlay, in picture pixels. Owned by the tick while the timer runs;
// the main thread resets them at a segment start, with the timer stopped.
struct TCursorBoxes {
  std::int32_t Left = 0, Top = 0;       // the box of the current step
  std::int32_t OldLeft = 0, OldTop = 0; // the box of the step before, for the copy to the window
  // Where the picture was last saved and the shape drawn over it. Only a box that holds a
  // drawn shape is put back: after a step without a shape nothing was drawn, and the frames
  // applied since have changed the picture under the old box, so writing the saved pixels back
  // would leave stale ones in the picture that every later frame is a difference against.
  bool Drawn = false;
  std::int32_t DrawnLeft = 0, DrawnTop = 0;

  // Off the picture, nothing drawn: the first restore and present touch nothing visible.
  void Reset(std::int32_t boxWidth, std::int32_t boxHeight);
  // A step with a shape whose hot spot (x, y) is at (hotX, hotY) in it.
  void MoveTo(std::int32_t x, std::int32_t y, std::int32_t hotX, std::int32_t hotY);
  // The picture under the current box was saved and the shape drawn over it.
  void MarkDrawn();
  // The box to put back, if any; afterwards nothing is drawn.
  bool TakeDrawn(std::int32_t& left, std::int32_t& top);
  // The new box becomes the old one.
  void Commit();
};
