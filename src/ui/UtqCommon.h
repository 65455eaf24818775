// Arithmetic shared by the player's windows.
#pragma once

#include <cstdint>

struct TPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;
};

struct TRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;
};

// A rectangle from a corner and signed extents, with both corners inside it: a negative width
// or height reaches left of or above the corner.
TRect MakeRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);

// Style flags of CreateFontByName.
enum : std::uint32_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
