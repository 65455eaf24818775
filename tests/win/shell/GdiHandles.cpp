#include "GdiHandles.h"

#include <windows.h>

#include <vector>

int FreeGdiHandles() {
  std::vector<HBRUSH> made;
  made.reserve(70000);
  for (int i = 0; i < 200000; ++i) {
    HBRUSH b = CreateSolidBrush(RGB(i & 0xFF, 1, 2));
    if (b == nullptr) break;
    made.push_back(b);
  }
  for (HBRUSH b : made) DeleteObject(b);
  return static_cast<int>(made.size());
}
