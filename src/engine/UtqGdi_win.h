// Owners of GDI objects, device contexts and icons: each releases its handle on every way out.
#pragma once

#include <windows.h>

// Owns one GDI object or icon handle.
template <typename H, BOOL(WINAPI* Free)(H)> class TGdiHandle {
public:
  TGdiHandle() = default;
  explicit TGdiHandle(H h) : FHandle(h) {}
  TGdiHandle(const TGdiHandle&) = delete;
  TGdiHandle& operator=(const TGdiHandle&) = delete;
  ~TGdiHandle() { Reset(); }
  void Reset(H h = nullptr) {
    if (FHandle != nullptr) Free(FHandle);
    FHandle = h;
  }
  H Get() const { return FHandle; }
  H Release() {
    H h = FHandle;
    FHandle = nullptr;
    return h;
  }

private:
  H FHandle = nullptr;
};

namespace NGdiFree {
inline BOOL WINAPI Bitmap(HBITMAP h) { return DeleteObject(h); }
inline BOOL WINAPI Palette(HPALETTE h) { return DeleteObject(h); }
inline BOOL WINAPI MemoryDc(HDC h) { return DeleteDC(h); }
} // namespace NGdiFree
using TBitmap = TGdiHandle<HBITMAP, NGdiFree::Bitmap>;
using TPaletteObject = TGdiHandle<HPALETTE, NGdiFree::Palette>;
using TMemoryDc = TGdiHandle<HDC, NGdiFree::MemoryDc>;
using TIcon = TGdiHandle<HCURSOR, DestroyIcon>;

// A window's DC from GetDC (the screen's for no window), released with ReleaseDC.
class TWindowDc {
public:
  explicit TWindowDc(HWND window = nullptr) : FWindow(window), FDc(GetDC(window)) {}
  TWindowDc(const TWindowDc&) = delete;
  TWindowDc& operator=(const TWindowDc&) = delete;
  ~TWindowDc() {
    if (FDc != nullptr) ReleaseDC(FWindow, FDc);
  }
  HDC Get() const { return FDc; }

private:
  HWND FWindow;
  HDC FDc;
};
using TScreenDc = TWindowDc;

// Selects an object into a DC for as long as it lives.
class TSelection {
public:
  TSelection(HDC dc, HGDIOBJ object) : FDc(dc), FOld(SelectObject(dc, object)) {}
  TSelection(const TSelection&) = delete;
  TSelection& operator=(const TSelection&) = delete;
  ~TSelection() {
    if (FOld != nullptr) SelectObject(FDc, FOld);
  }

private:
  HDC FDc;
  HGDIOBJ FOld;
};

// A memory DC compatible with the screen with one bitmap selected into it.
class TBitmapDc {
public:
  explicit TBitmapDc(HBITMAP bitmap)
      : FDc(CreateCompatibleDC(nullptr)), FSelection(FDc.Get(), bitmap) {}
  HDC Get() const { return FDc.Get(); }

private:
  TMemoryDc FDc;
  TSelection FSelection;
};

// Selects a logical palette into a DC for as long as it lives.
class TPaletteSelection {
public:
  TPaletteSelection(HDC dc, HPALETTE palette, BOOL background)
      : FDc(dc), FOld(SelectPalette(dc, palette, background)) {}
  TPaletteSelection(const TPaletteSelection&) = delete;
  TPaletteSelection& operator=(const TPaletteSelection&) = delete;
  ~TPaletteSelection() {
    if (FOld != nullptr) SelectPalette(FDc, FOld, TRUE);
  }

private:
  HDC FDc;
  HPALETTE FOld;
};
