// Owners of the Win32 handles the shell makes: each releases its handle in the way the
// handle was obtained, on every way out of the scope that holds it.
#pragma once

#include <windows.h>

#include <utility>

// A device context from GetDC, released to its window.
class TScopedGetDC {
public:
  explicit TScopedGetDC(HWND window) : FWindow(window), FDc(GetDC(window)) {}
  TScopedGetDC(const TScopedGetDC&) = delete;
  TScopedGetDC& operator=(const TScopedGetDC&) = delete;
  ~TScopedGetDC() {
    if (FDc != nullptr) ReleaseDC(FWindow, FDc);
  }
  HDC Get() const { return FDc; }

private:
  HWND FWindow;
  HDC FDc;
};

// BeginPaint and EndPaint around the painting of a window.
class TScopedPaint {
public:
  explicit TScopedPaint(HWND window) : FWindow(window) { FDc = BeginPaint(window, &FPaint); }
  TScopedPaint(const TScopedPaint&) = delete;
  TScopedPaint& operator=(const TScopedPaint&) = delete;
  ~TScopedPaint() { EndPaint(FWindow, &FPaint); }
  HDC Get() const { return FDc; }
  const RECT& Area() const { return FPaint.rcPaint; }

private:
  HWND FWindow;
  PAINTSTRUCT FPaint{};
  HDC FDc;
};

// A memory device context from CreateCompatibleDC.
class TMemoryDC {
public:
  explicit TMemoryDC(HDC compatibleWith) : FDc(CreateCompatibleDC(compatibleWith)) {}
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  ~TMemoryDC() {
    if (FDc != nullptr) DeleteDC(FDc);
  }
  HDC Get() const { return FDc; }

private:
  HDC FDc;
};

// An object selected into a device context, and the one it replaced put back.
class TScopedSelect {
public:
  TScopedSelect(HDC dc, HGDIOBJ object) : FDc(dc), FOld(SelectObject(dc, object)) {}
  TScopedSelect(const TScopedSelect&) = delete;
  TScopedSelect& operator=(const TScopedSelect&) = delete;
  ~TScopedSelect() {
    if (FOld != nullptr && FOld != HGDI_ERROR) SelectObject(FDc, FOld);
  }

private:
  HDC FDc;
  HGDIOBJ FOld;
};

// A GDI object (pen, brush, font, bitmap, palette) that this owner deletes.
template <class THandle> class TGdiObject {
public:
  TGdiObject() = default;
  explicit TGdiObject(THandle handle) : FHandle(handle) {}
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;
  TGdiObject(TGdiObject&& other) noexcept : FHandle(std::exchange(other.FHandle, nullptr)) {}
  TGdiObject& operator=(TGdiObject&& other) noexcept {
    Reset(std::exchange(other.FHandle, nullptr));
    return *this;
  }
  ~TGdiObject() { Reset(nullptr); }
  THandle Get() const { return FHandle; }
  void Reset(THandle handle) {
    if (FHandle != nullptr && FHandle != handle) DeleteObject(FHandle);
    FHandle = handle;
  }

private:
  THandle FHandle = nullptr;
};

// A library from LoadLibraryA, freed with FreeLibrary.
class TLibrary {
public:
  explicit TLibrary(const char* name) : FModule(LoadLibraryA(name)) {}
  TLibrary(const TLibrary&) = delete;
  TLibrary& operator=(const TLibrary&) = delete;
  ~TLibrary() {
    if (FModule != nullptr) FreeLibrary(FModule);
  }
  HMODULE Get() const { return FModule; }

private:
  HMODULE FModule;
};

// A global atom from GlobalAddAtomA, deleted with GlobalDeleteAtom.
class TGlobalAtom {
public:
  explicit TGlobalAtom(const char* name) : FAtom(GlobalAddAtomA(name)) {}
  TGlobalAtom(const TGlobalAtom&) = delete;
  TGlobalAtom& operator=(const TGlobalAtom&) = delete;
  ~TGlobalAtom() {
    if (FAtom != 0) GlobalDeleteAtom(FAtom);
  }
  ATOM Get() const { return FAtom; }

private:
  ATOM FAtom;
};
