// A window's client pixels as the screen shows them, read back into a 32-bit DIB.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

struct TWindowPixels {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels; // 0x00RRGGBB, top row first
  std::uint32_t At(int x, int y) const {
    return Pixels[static_cast<std::size_t>(y * Width + x)] & 0xFFFFFF;
  }
};

TWindowPixels CaptureClient(HWND window);

// 0x00RRGGBB of a COLORREF.
constexpr std::uint32_t Rgb(COLORREF c) {
  return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}
