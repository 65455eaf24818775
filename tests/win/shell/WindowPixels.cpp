#include "WindowPixels.h"

#include "ui/tqScoped_win.h"

TWindowPixels CaptureClient(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  TWindowPixels out;
  out.Width = r.right;
  out.Height = r.bottom;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = out.Width;
  info.bmiHeader.biHeight = -out.Height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  TScopedGetDC dc(window);
  TGdiObject<HBITMAP> dib(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (dib.Get() == nullptr) return out;
  {
    TMemoryDC memory(dc.Get());
    TScopedSelect select(memory.Get(), dib.Get());
    BitBlt(memory.Get(), 0, 0, out.Width, out.Height, dc.Get(), 0, 0, SRCCOPY);
  }
  GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  out.Pixels.assign(p, p + out.Width * out.Height);
  return out;
}
