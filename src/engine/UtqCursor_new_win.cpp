#include "UtqCursor_new.h"

#include "UtqGdi_win.h"

namespace {
// The colour bits become a bitmap in the screen's format by way of a DIB section.
HBITMAP MakeColourBitmap(const TCursorBitmap& colour) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = colour.Width;
  info.bmiHeader.biHeight = -colour.Height; // rows run top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = colour.BitsPerPixel;
  info.bmiHeader.biCompression = BI_RGB;
  TScreenDc screen;
  TMemoryDc sourceDc(CreateCompatibleDC(screen.Get()));
  TMemoryDc targetDc(CreateCompatibleDC(screen.Get()));
  void* pixels = nullptr;
  TBitmap section(CreateDIBSection(sourceDc.Get(), &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
  if (sourceDc.Get() == nullptr || targetDc.Get() == nullptr || section.Get() == nullptr)
    return nullptr;
  TBitmap result(CreateBitmap(colour.Width, colour.Height, 1,
                              static_cast<UINT>(GetDeviceCaps(screen.Get(), BITSPIXEL)), nullptr));
  if (result.Get() == nullptr) return nullptr;
  CopyMemory(pixels, colour.Bits.data(), colour.Bits.size());
  {
    TSelection source(sourceDc.Get(), section.Get());
    TSelection target(targetDc.Get(), result.Get());
    BitBlt(targetDc.Get(), 0, 0, colour.Width, colour.Height, sourceDc.Get(), 0, 0, SRCCOPY);
  }
  return result.Release();
}
} // namespace

struct TtqCursor::TSystemCursor {
  TIcon Handle;
  TBitmap Mask;
  TBitmap Colour;
};

TtqCursor::TtqCursor() = default;
TtqCursor::~TtqCursor() = default;

int TtqCursor::LoadFromStream(TtqStream& stream) {
  Clear();
  const int result = ReadCursorRecord(stream, FRecord);
  if (result != CursorLoaded) {
    FRecord = TCursorRecord();
    return result;
  }
  auto made = std::make_unique<TSystemCursor>();
  ICONINFO icon{};
  icon.fIcon = FALSE;
  icon.xHotspot = static_cast<DWORD>(FRecord.HotX);
  icon.yHotspot = static_cast<DWORD>(FRecord.HotY);
  if (FRecord.Mask.Size > 0) {
    made->Mask.Reset(CreateBitmap(FRecord.Mask.Width, FRecord.Mask.Height, 1, 1,
                                  FRecord.Mask.Bits.data()));
    if (made->Mask.Get() == nullptr) return FRecord = TCursorRecord(), CursorNoBitmap;
  }
  icon.hbmMask = made->Mask.Get();
  if (!FRecord.Monochrome()) {
    made->Colour.Reset(MakeColourBitmap(FRecord.Colour));
    if (made->Colour.Get() == nullptr) return FRecord = TCursorRecord(), CursorNoBitmap;
    icon.hbmColor = made->Colour.Get();
  }
  made->Handle.Reset(CreateIconIndirect(&icon));
  FSystem = std::move(made);
  return CursorLoaded;
}

void TtqCursor::Clear() {
  FSystem.reset();
  FRecord = TCursorRecord();
}

bool TtqCursor::Empty() const { return FSystem == nullptr || FSystem->Handle.Get() == nullptr; }

void* TtqCursor::Handle() const { return FSystem ? FSystem->Handle.Get() : nullptr; }

void TtqCursor::Draw(void* dc, int x, int y) const {
  if (FSystem == nullptr) return;
  HDC target = static_cast<HDC>(dc);
  const int left = x - FRecord.HotX, top = y - FRecord.HotY;
  if (FRecord.Monochrome()) {
    DrawIcon(target, left, top, FSystem->Handle.Get());
    return;
  }
  // The classic composition: the mask clears with AND, the colour bits go on with XOR.
  TMemoryDc memory(CreateCompatibleDC(target));
  if (memory.Get() == nullptr) return;
  if (FSystem->Mask.Get() != nullptr) {
    TSelection mask(memory.Get(), FSystem->Mask.Get());
    BitBlt(target, left, top, FRecord.Mask.Width, FRecord.Mask.Height, memory.Get(), 0, 0, SRCAND);
  }
  TSelection colour(memory.Get(), FSystem->Colour.Get());
  BitBlt(target, left, top, FRecord.Colour.Width, FRecord.Colour.Height, memory.Get(), 0, 0,
         SRCINVERT);
}
