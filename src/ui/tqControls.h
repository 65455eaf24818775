// The stored rectangle of a child control and the anchoring of its setters.
#pragma once

#include <cstdint>

enum : std::uint8_t { akRight = 4, akBottom = 8 };

struct TControlGeometry {
  std::int32_t FLeft = 0;
  std::int32_t FTop = 0;
  std::int32_t FWidth = 0;
  std::int32_t FHeight = 0;
  std::int32_t FRightSpace = 0;  // kept right of the control while anchored
  std::int32_t FBottomSpace = 0; // kept below it
  std::uint8_t FAnchors = 0;

  // An anchored right edge stays put when the left edge moves, and the space kept right of
  // the control follows its width; the same for the bottom edge.
  void StoreLeft(std::int32_t v);
  void StoreTop(std::int32_t v);
  void StoreWidth(std::int32_t v);
  void StoreHeight(std::int32_t v);
  // WM_SIZING and WM_MOVING report a rectangle whose corners are both inside it.
  void StoreSizingRect(std::int32_t left, std::int32_t top, std::int32_t right,
                       std::int32_t bottom);
};
