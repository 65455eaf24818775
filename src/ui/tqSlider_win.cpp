#include "tqSlider_win.h"

namespace {
// Made when the program starts and deleted when it ends, after the last slider.
TGdiObject<HBRUSH> SliderThumbBrush{CreateSolidBrush(0xE0E0E0)};

constexpr int TrackCentre = 10;
} // namespace

HBRUSH ThumbBrush() {
  return SliderThumbBrush.Get();
}

DWORD TtqSlider::GetStyle() {
  return WS_CHILD | WS_VISIBLE | WS_TABSTOP;
}

std::string TtqSlider::GetClassName() {
  return "tqSlider";
}

void TtqSlider::AfterCreate() {
  SetWidth(120);
  SetHeight(24);
  SetLeft(0);
  SetTop(0);
  FModel.Reset();
  FDragging = false;
  FThumbBitmap.Reset(nullptr);
  TtqControl::AfterCreate();
}

std::int32_t TtqSlider::PointerToThumb(LPARAM lParam) const {
  // A captured pointer left of the control has a negative x.
  const int x = static_cast<short>(LOWORD(lParam));
  return x - FModel.FThumbWidth / 2;
}

LRESULT TtqSlider::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_PAINT:
    Paint();
    return 0;
  case WM_LBUTTONDOWN:
    SetCapture(FHandle);
    FDragging = true;
    SetThumbPos(PointerToThumb(lParam));
    return 0;
  case WM_MOUSEMOVE:
    if (FDragging) SetThumbPos(PointerToThumb(lParam));
    return 0;
  case WM_LBUTTONUP:
    FDragging = false;
    ReleaseCapture();
    return 0;
  case WM_CAPTURECHANGED:
    // Capture taken away by the system (a menu, another window): the drag is over.
    FDragging = false;
    return 0;
  default:
    return TtqControl::WndProc(window, message, wParam, lParam);
  }
}

void TtqSlider::WMSize(WPARAM wParam, LPARAM lParam) {
  TtqControl::WMSize(wParam, lParam);
  SetThumbPos(PositionToThumb());
}

void TtqSlider::Invalidate() {
  InvalidateRect(FHandle, nullptr, TRUE);
}

void TtqSlider::Changed() {
  if (FOnChange) FOnChange(*this);
}

void TtqSlider::Paint() {
  RECT r{};
  GetClientRect(FHandle, &r);
  TScopedPaint paint(FHandle);
  HDC dc = paint.Get();
  FillRect(dc, &paint.Area(), FBrush);

  TScopedSelect pen(dc, FTrackPen);
  Rectangle(dc, r.left + 1, r.top + TrackCentre - 4, r.right - 1, r.top + TrackCentre + 4);

  TScopedSelect brush(dc, ThumbBrush());
  const int left = r.left + FModel.FThumbPos;
  const int top = r.top + TrackCentre - FModel.FThumbHeight / 2;
  Rectangle(dc, left, top, left + FModel.FThumbWidth, top + FModel.FThumbHeight);

  if (FThumbBitmap.Get() != nullptr) {
    TMemoryDC memory(nullptr);
    TScopedSelect picture(memory.Get(), FThumbBitmap.Get());
    BitBlt(dc, left + 1, top + 1, FModel.FThumbWidth - 2, FModel.FThumbHeight - 2, memory.Get(), 0,
           0, SRCCOPY);
  }
}
