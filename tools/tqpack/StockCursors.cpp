#include "StockCursors.h"

#include "writer/MovieLayout.h"

namespace NQuillo {

namespace {

constexpr int32_t Side = 32;

std::vector<std::string> Padded(std::vector<std::string> rows) {
  for (std::string& row : rows)
    row.resize(Side, '.');
  rows.resize(Side, std::string(Side, '.'));
  return rows;
}

TCursorShape Arrow() {
  return TCursorShape::FromArt(
      Padded({
          "#",           "##",           "#o#",         "#oo#",        "#ooo#",
          "#oooo#",      "#ooooo#",      "#oooooo#",    "#ooooooo#",   "#oooooooo#",
          "#ooooooooo#", "#oooooo#####", "#ooo#oo#",    "#oo#.#oo#",   "#o#..#oo#",
          "##....#oo#",  "#.....#oo#",   ".......#oo#", ".......#oo#", "........##",
      }),
      0, 0);
}

TCursorShape IBeam() {
  std::vector<std::string> rows = {"~~~.~~~"};
  for (int i = 0; i < 14; ++i)
    rows.push_back("...~...");
  rows.push_back("~~~.~~~");
  std::vector<std::string> art;
  for (const std::string& row : rows)
    art.push_back("............" + row);
  std::vector<std::string> shifted(8, "");
  shifted.insert(shifted.end(), art.begin(), art.end());
  return TCursorShape::FromArt(Padded(shifted), 15, 15);
}

TCursorShape Hand() {
  return TCursorShape::FromArt(Padded({
                                   ".....##",
                                   "....#oo#",
                                   "....#oo#",
                                   "....#oo#",
                                   "....#oo#",
                                   "....#oo###",
                                   "....#oo#oo###",
                                   "....#oo#oo#oo##",
                                   ".##.#oo#oo#oo#o#",
                                   "#oo##oooooooo#oo#",
                                   "#ooo#oooooooooooo#",
                                   ".#oooooooooooooooo#",
                                   "..#ooooooooooooooo#",
                                   "..#oooooooooooooo#",
                                   "...#ooooooooooooo#",
                                   "...#oooooooooooo#",
                                   "....#ooooooooooo#",
                                   "....#ooooooooooo#",
                                   ".....#oooooooooo#",
                                   ".....############",
                               }),
                               5, 0);
}

// Counter-clockwise from the positive x axis, with y growing downwards.
int Octant(int32_t dx, int32_t dy) {
  if (dy <= 0 && dx > 0) return -dy < dx ? 0 : 1;
  if (dy < 0 && dx <= 0) return -dx < -dy ? 2 : 3;
  if (dy >= 0 && dx < 0) return dy < -dx ? 4 : 5;
  return dx < dy ? 6 : 7;
}

// A ring of eight coloured sectors around the hot spot; turn rotates the colours.
TCursorShape Busy(int turn) {
  static const uint32_t Colours[8] = {0x1E5AC8, 0x2A78DC, 0x3C96E6, 0x50B4F0,
                                      0x64D2F8, 0x3CBE8C, 0x28A050, 0x1E7832};
  TCursorShape shape;
  shape.Width = Side;
  shape.Height = Side;
  shape.HotX = 11;
  shape.HotY = 11;
  shape.ColourBits = 32;
  shape.AndMask.assign(Side * Side, 1);
  shape.Colour.assign(Side * Side, 0);
  for (int32_t y = 0; y < 23; ++y)
    for (int32_t x = 0; x < 23; ++x) {
      const int32_t dx = x - 11;
      const int32_t dy = y - 11;
      const int32_t d2 = dx * dx + dy * dy;
      if (d2 > 121) continue;
      const size_t i = static_cast<size_t>(y * Side + x);
      shape.AndMask[i] = 0;
      if (d2 > 100 || d2 < 25) continue; // black rims inside and out
      shape.Colour[i] = Colours[(Octant(dx, dy) + turn) % 8];
    }
  return shape;
}

TCursorShape Pen() {
  return TCursorShape::FromArt(Padded({
                                   "##",
                                   "#rr#",
                                   ".#rrr#",
                                   "..#yyy#",
                                   "...#yyy#",
                                   "....#yyy#",
                                   ".....#yyy#",
                                   "......#yyy#",
                                   ".......#yyy#",
                                   "........#yyy#",
                                   ".........#yyyy#",
                                   "..........#yyww#",
                                   "...........#wwww#",
                                   "............#ww#",
                                   ".............##",
                               }),
                               0, 0, 24, {"rC83232", "yE6BE3C", "wF0F0F0"});
}

} // namespace

const std::vector<std::string>& StockCursorNames() {
  static const std::vector<std::string> names = {"arrow", "ibeam", "hand",  "busy0",
                                                 "busy1", "busy2", "busy3", "pen"};
  return names;
}

TCursorShape StockCursor(const std::string& name) {
  if (name == "arrow") return Arrow();
  if (name == "ibeam") return IBeam();
  if (name == "hand") return Hand();
  if (name == "busy" || name == "busy0") return Busy(0);
  if (name == "busy1") return Busy(1);
  if (name == "busy2") return Busy(2);
  if (name == "busy3") return Busy(3);
  if (name == "pen") return Pen();
  throw TMovieError("unknown cursor shape \"" + name + "\"");
}

} // namespace NQuillo
