#include "tqControls.h"

void TControlGeometry::StoreLeft(std::int32_t v) {
  if (FAnchors & akRight) FWidth += FLeft - v;
  FLeft = v;
}

void TControlGeometry::StoreTop(std::int32_t v) {
  if (FAnchors & akBottom) FHeight += FTop - v;
  FTop = v;
}

void TControlGeometry::StoreWidth(std::int32_t v) {
  if (FAnchors & akRight) FRightSpace -= v - FWidth;
  FWidth = v;
}

void TControlGeometry::StoreHeight(std::int32_t v) {
  if (FAnchors & akBottom) FBottomSpace -= v - FHeight;
  FHeight = v;
}

void TControlGeometry::StoreSizingRect(std::int32_t left, std::int32_t top, std::int32_t right,
                                       std::int32_t bottom) {
  FLeft = left;
  FTop = top;
  FWidth = right - left + 1;
  FHeight = bottom - top + 1;
}
