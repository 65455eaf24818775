// TtqSlider: the horizontal slider window. A flat track, a square thumb with a picture in it,
// dragging with the left button and a change notification; the arithmetic is TSliderModel's.
#pragma once

#include "tqControls_win.h"
#include "tqScoped_win.h"
#include "tqSlider.h"

#include <functional>

class TtqSlider : public TtqControl, private TSliderEvents {
public:
  TtqSlider() = default;

  std::int32_t GetPosition() const { return FModel.FPosition; }
  void SetPosition(std::int32_t v) { FModel.SetPosition(v, FWidth); }
  void SetThumbPos(std::int32_t x) { FModel.SetThumbPos(x, FWidth); }
  void SetMax(std::int32_t v) { FModel.SetMax(v); }
  std::int32_t PositionToThumb() const { return FModel.PositionToThumb(FWidth); }
  // Not owned.
  void SetTrackPen(HPEN pen) { FTrackPen = pen; }
  // Owned: a bitmap given earlier is deleted.
  void SetThumbBitmap(HBITMAP bitmap) { FThumbBitmap.Reset(bitmap); }

  const TSliderModel& Model() const { return FModel; }
  bool Dragging() const { return FDragging; }

  // Called with the slider whenever the thumb or the position changes.
  std::function<void(TtqSlider&)> FOnChange;

protected:
  DWORD GetStyle() override;
  std::string GetClassName() override;
  void AfterCreate() override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void WMSize(WPARAM wParam, LPARAM lParam) override;

private:
  void Invalidate() override;
  void Changed() override;
  void Paint();
  std::int32_t PointerToThumb(LPARAM lParam) const;

  TSliderModel FModel{*this};
  bool FDragging = false;
  HPEN FTrackPen = nullptr;
  TGdiObject<HBITMAP> FThumbBitmap;
};

// The brush that fills every slider's thumb.
HBRUSH ThumbBrush();
