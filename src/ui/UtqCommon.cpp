#include "UtqCommon.h"

TRect MakeRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  TRect r;
  if (w >= 0) {
    r.Left = x;
    r.Right = x + w - 1;
  } else {
    r.Right = x;
    r.Left = x + w + 1;
  }
  if (h >= 0) {
    r.Top = y;
    r.Bottom = y + h - 1;
  } else {
    r.Bottom = y;
    r.Top = y + h + 1;
  }
  return r;
}
