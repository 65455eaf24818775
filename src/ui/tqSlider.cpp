#include "tqSlider.h"

#include <cmath>

namespace {
// Round to nearest with ties to even: the panel's slider puts 13.5 on 14 and 40.5 on 40.
std::int32_t RoundEven(double v) {
  return static_cast<std::int32_t>(std::nearbyint(v));
}

// Clears the flag on every way out, also when the owner's handler throws.
class TUpdatingScope {
public:
  explicit TUpdatingScope(bool& flag) : FFlag(flag) { FFlag = true; }
  TUpdatingScope(const TUpdatingScope&) = delete;
  TUpdatingScope& operator=(const TUpdatingScope&) = delete;
  ~TUpdatingScope() { FFlag = false; }

private:
  bool& FFlag;
};
} // namespace

void TSliderModel::Reset() {
  FMin = 0;
  FMax = 10;
  FThumbPos = 0;
  FThumbWidth = 16;
  FThumbHeight = 16;
  FUpdating = false;
}

std::int32_t TSliderModel::PositionToThumb(std::int32_t width) const {
  if (FMin >= FMax || width < FThumbWidth) return FMin;
  const std::int64_t product =
      static_cast<std::int64_t>(FPosition - FMin) * static_cast<std::int64_t>(width - FThumbWidth);
  return RoundEven(static_cast<double>(product) / static_cast<double>(FMax - FMin));
}

void TSliderModel::SetPosition(std::int32_t v, std::int32_t width) {
  if (v == FPosition) return;
  if (v < FMin)
    v = FMin;
  else if (v > FMax)
    v = FMax;
  if (v == FPosition) return;
  FPosition = v;
  if (!FUpdating) SetThumbPos(PositionToThumb(width), width);
  FEvents.Changed();
}

void TSliderModel::SetThumbPos(std::int32_t x, std::int32_t width) {
  if (x == FThumbPos) return;
  if (x < 0)
    x = 0;
  else if (x > width - FThumbWidth)
    x = width - FThumbWidth;
  if (x != FThumbPos) {
    FThumbPos = x;
    if (FMax >= FMin && width > FThumbWidth) {
      TUpdatingScope updating(FUpdating);
      const double share =
          static_cast<double>(FThumbPos) / static_cast<double>(width - FThumbWidth);
      SetPosition(FMin + RoundEven(share * static_cast<double>(FMax - FMin)), width);
    }
    FEvents.Invalidate();
  }
  FEvents.Changed();
}
