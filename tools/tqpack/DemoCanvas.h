#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace NQuillo::NDemo {

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Right() const { return Left + Width; }
  int32_t Bottom() const { return Top + Height; }
  bool Contains(int32_t x, int32_t y) const {
    return x >= Left && y >= Top && x < Right() && y < Bottom();
  }
};

TRect Intersect(const TRect& a, const TRect& b);

// The demo's drawing surface: one 32-bit value per pixel, top-down. True-colour scenes
// store 0x00RRGGBB, 8-bit scenes store palette indices. Drawing stays inside the clip.
class TCanvas {
public:
  static constexpr int32_t GlyphWidth = 5;
  static constexpr int32_t GlyphHeight = 7;
  static constexpr int32_t CharAdvance = 6;
  static constexpr int32_t LineHeight = 11;

  TCanvas(int32_t width, int32_t height);

  int32_t Width() const { return WidthValue; }
  int32_t Height() const { return HeightValue; }
  uint32_t At(int32_t x, int32_t y) const;
  const std::vector<uint32_t>& Pixels() const { return PixelsValue; }

  void SetClip(const TRect& clip);
  void ResetClip();
  const TRect& Clip() const { return ClipValue; }

  void Pixel(int32_t x, int32_t y, uint32_t value);
  void Fill(const TRect& r, uint32_t value);
  void Frame(const TRect& r, uint32_t value);
  void HLine(int32_t x, int32_t y, int32_t width, uint32_t value);
  void VLine(int32_t x, int32_t y, int32_t height, uint32_t value);
  // Rows from top to bottom blend from one value to the next in 'steps' bands of values
  // top .. top + steps - 1 (8-bit scenes) or of colours between two RGB values.
  void VerticalGradient(const TRect& r, uint32_t top, uint32_t bottom, bool indexed);
  // Draws text with the 5 x 7 font, scaled by a whole factor; returns the x after it.
  int32_t Text(int32_t x, int32_t y, const std::string& text, uint32_t value, int32_t scale = 1);
  static int32_t TextWidth(const std::string& text, int32_t scale = 1);
  // Copies a rectangle of source to (x, y).
  void Blit(const TCanvas& source, const TRect& from, int32_t x, int32_t y);

  // The picture as the encoder takes it: palette indices (8), blue-green-red (24) or
  // blue-green-red-0 (32), rows packed.
  void ToPicture(unsigned bitsPerPixel, std::vector<uint8_t>& out) const;

private:
  int32_t WidthValue;
  int32_t HeightValue;
  std::vector<uint32_t> PixelsValue;
  TRect ClipValue;
};

// Rows of one glyph, bit 4 leftmost; characters outside 32..126 draw as '?'.
const uint8_t* Glyph(char c);

} // namespace NQuillo::NDemo
