#include "UtqOverlay.h"

#include <algorithm>
#include <cstdlib>

bool operator==(const TBox& a, const TBox& b) {
  return a.Left == b.Left && a.Top == b.Top && a.Width == b.Width && a.Height == b.Height;
}

TCursorArea CursorArea(std::int32_t oldLeft, std::int32_t oldTop, std::int32_t left,
                       std::int32_t top, std::int32_t boxWidth, std::int32_t boxHeight) {
  const std::int32_t dx = std::abs(left - oldLeft), dy = std::abs(top - oldTop);
  TCursorArea area;
  if (dx < boxWidth && dy < boxHeight) {
    area.Count = 1;
    area.Boxes[0] = TBox{std::min(left, oldLeft), std::min(top, oldTop), boxWidth + dx,
                         boxHeight + dy};
  } else {
    area.Count = 2;
    area.Boxes[0] = TBox{oldLeft, oldTop, boxWidth, boxHeight};
    area.Boxes[1] = TBox{left, top, boxWidth, boxHeight};
  }
  return area;
}

TBox BoxInWindow(const TBox& box, const TPicturePlacement& p) {
  if (!p.Stretched) return TBox{p.ImageLeft + box.Left, p.ImageTop + box.Top, box.Width, box.Height};
  const double s = p.Scale;
  return TBox{RoundHalfEven(box.Left * s + p.ImageLeft), RoundHalfEven(box.Top * s + p.ImageTop),
              RoundHalfEven(box.Width * s), RoundHalfEven(box.Height * s)};
}

void TCursorBoxes::Reset(std::int32_t boxWidth, std::int32_t boxHeight) {
  Left = OldLeft = DrawnLeft = -boxWidth;
  Top = OldTop = DrawnTop = -boxHeight;
  Drawn = false;
}

void TCursorBoxes::MoveTo(std::int32_t x, std::int32_t y, std::int32_t hotX, std::int32_t hotY) {
  Left = x - hotX;
  Top = y - hotY;
}

void TCursorBoxes::MarkDrawn() {
  Drawn = true;
  DrawnLeft = Left;
  DrawnTop = Top;
}

bool TCursorBoxes::TakeDrawn(std::int32_t& left, std::int32_t& top) {
  if (!Drawn) return false;
  Drawn = false;
  left = DrawnLeft;
  top = DrawnTop;
  return true;
}

void TCursorBoxes::Commit() {
  OldLeft = Left;
  OldTop = Top;
}
