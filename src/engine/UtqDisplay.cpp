#include "UtqDisplay.h"

#include <algorithm>
#include <cmath>

TPlacementState Placement;

std::int32_t RoundHalfEven(double value) {
  return static_cast<std::int32_t>(std::nearbyint(value)); // the default rounding mode
}

void PictureArea(const TRect32& client, bool panelVisible, std::int32_t& width,
                 std::int32_t& height) {
  width = client.Right - client.Left + 1;
  height = client.Bottom - client.Top + 1 - (panelVisible ? PanelHeight : 0);
}

TPicturePlacement PlacePicture(std::int32_t areaWidth, std::int32_t areaHeight,
                               std::int32_t frameWidth, std::int32_t frameHeight) {
  TPicturePlacement p;
  if (frameWidth <= 0 || frameHeight <= 0) return p;
  if (areaWidth >= frameWidth && areaHeight >= frameHeight) {
    p.ImageLeft = (areaWidth - frameWidth) / 2;
    p.ImageTop = (areaHeight - frameHeight) / 2;
    p.ImageWidth = frameWidth;
    p.ImageHeight = frameHeight;
    return p;
  }
  p.Stretched = true;
  const float sx = static_cast<float>(areaWidth) / static_cast<float>(frameWidth);
  const float sy = static_cast<float>(areaHeight) / static_cast<float>(frameHeight);
  // An area that has shrunk to nothing shows nothing rather than a mirrored picture.
  p.Scale = std::max(0.0f, sx < sy ? sx : sy);
  p.ImageWidth = RoundHalfEven(static_cast<double>(frameWidth) * p.Scale);
  p.ImageHeight = RoundHalfEven(static_cast<double>(frameHeight) * p.Scale);
  p.ImageLeft = (areaWidth - p.ImageWidth) / 2;
  p.ImageTop = (areaHeight - p.ImageHeight) / 2;
  return p;
}

TWindowGrowth GrowWindowForPicture(const TRect32& window, std::int32_t areaWidth,
                                   std::int32_t areaHeight, std::int32_t frameWidth,
                                   std::int32_t frameHeight, std::int32_t screenWidth,
                                   std::int32_t screenHeight) {
  TWindowGrowth g;
  const std::int32_t dx = frameWidth - areaWidth, dy = frameHeight - areaHeight;
  if (dx <= 0 && dy <= 0) return g;
  std::int32_t width = window.Right - window.Left + 1;
  std::int32_t height = window.Bottom - window.Top + 1;
  if (dx > 0) width += dx;
  if (dy > 0) height += dy;
  if (width > screenWidth || height > screenHeight) {
    g.Kind = TGrowth::Maximise;
    return g;
  }
  std::int32_t left = (window.Left + window.Right) / 2 - width / 2;
  std::int32_t top = (window.Top + window.Bottom) / 2 - height / 2;
  left = std::min(std::max(left, 0), screenWidth - width);
  top = std::min(std::max(top, 0), screenHeight - height);
  g.Kind = TGrowth::Move;
  g.Window = TRect32{left, top, left + width, top + height};
  return g;
}

void TPlacementState::Store(const TPicturePlacement& p) {
  Stretched = p.Stretched;
  Scale = p.Scale;
  ImageLeft = p.ImageLeft;
  ImageTop = p.ImageTop;
  ImageWidth = p.ImageWidth;
  ImageHeight = p.ImageHeight;
}

TPicturePlacement TPlacementState::Load() const {
  TPicturePlacement p;
  p.Stretched = Stretched;
  p.Scale = Scale;
  p.ImageLeft = ImageLeft;
  p.ImageTop = ImageTop;
  p.ImageWidth = ImageWidth;
  p.ImageHeight = ImageHeight;
  return p;
}
