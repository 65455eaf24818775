#include "DemoCanvas.h"

#include <algorithm>

namespace NQuillo::NDemo {

TRect Intersect(const TRect& a, const TRect& b) {
  const int32_t left = std::max(a.Left, b.Left);
  const int32_t top = std::max(a.Top, b.Top);
  const int32_t right = std::min(a.Right(), b.Right());
  const int32_t bottom = std::min(a.Bottom(), b.Bottom());
  return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

TCanvas::TCanvas(int32_t width, int32_t height)
    : WidthValue(width), HeightValue(height),
      PixelsValue(static_cast<size_t>(width) * static_cast<size_t>(height), 0), ClipValue{0, 0,
                                                                                          width,
                                                                                          height} {}

uint32_t TCanvas::At(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= WidthValue || y >= HeightValue) return 0;
  return PixelsValue[static_cast<size_t>(y) * static_cast<size_t>(WidthValue) +
                     static_cast<size_t>(x)];
}

void TCanvas::SetClip(const TRect& clip) {
  ClipValue = Intersect(clip, {0, 0, WidthValue, HeightValue});
}

void TCanvas::ResetClip() {
  ClipValue = {0, 0, WidthValue, HeightValue};
}

void TCanvas::Pixel(int32_t x, int32_t y, uint32_t value) {
  if (!ClipValue.Contains(x, y)) return;
  PixelsValue[static_cast<size_t>(y) * static_cast<size_t>(WidthValue) + static_cast<size_t>(x)] =
      value;
}

void TCanvas::Fill(const TRect& r, uint32_t value) {
  const TRect c = Intersect(r, ClipValue);
  for (int32_t y = c.Top; y < c.Bottom(); ++y) {
    uint32_t* row = PixelsValue.data() + static_cast<size_t>(y) * static_cast<size_t>(WidthValue);
    std::fill(row + c.Left, row + c.Right(), value);
  }
}

void TCanvas::Frame(const TRect& r, uint32_t value) {
  HLine(r.Left, r.Top, r.Width, value);
  HLine(r.Left, r.Bottom() - 1, r.Width, value);
  VLine(r.Left, r.Top, r.Height, value);
  VLine(r.Right() - 1, r.Top, r.Height, value);
}

void TCanvas::HLine(int32_t x, int32_t y, int32_t width, uint32_t value) {
  Fill({x, y, width, 1}, value);
}

void TCanvas::VLine(int32_t x, int32_t y, int32_t height, uint32_t value) {
  Fill({x, y, 1, height}, value);
}

void TCanvas::VerticalGradient(const TRect& r, uint32_t top, uint32_t bottom, bool indexed) {
  const int32_t span = std::max(1, r.Height - 1);
  for (int32_t i = 0; i < r.Height; ++i) {
    uint32_t value = 0;
    if (indexed) {
      value = top + (bottom - top) * static_cast<uint32_t>(i) / static_cast<uint32_t>(span);
    } else {
      for (int shift = 0; shift <= 16; shift += 8) {
        const int32_t a = static_cast<int32_t>(top >> shift & 0xFF);
        const int32_t b = static_cast<int32_t>(bottom >> shift & 0xFF);
        value |= static_cast<uint32_t>(a + (b - a) * i / span) << shift;
      }
    }
    HLine(r.Left, r.Top + i, r.Width, value);
  }
}

int32_t TCanvas::Text(int32_t x, int32_t y, const std::string& text, uint32_t value,
                      int32_t scale) {
  for (char c : text) {
    const uint8_t* rows = Glyph(c);
    // Letters with a descender hang below the line.
    const int32_t drop = (c == 'g' || c == 'j' || c == 'p' || c == 'q' || c == 'y') ? 2 : 0;
    for (int32_t gy = 0; gy < GlyphHeight; ++gy)
      for (int32_t gx = 0; gx < GlyphWidth; ++gx)
        if (rows[gy] & (0x10 >> gx))
          Fill({x + gx * scale, y + (gy + drop) * scale, scale, scale}, value);
    x += CharAdvance * scale;
  }
  return x;
}

int32_t TCanvas::TextWidth(const std::string& text, int32_t scale) {
  return static_cast<int32_t>(text.size()) * CharAdvance * scale;
}

void TCanvas::Blit(const TCanvas& source, const TRect& from, int32_t x, int32_t y) {
  const TRect s = Intersect(from, {0, 0, source.Width(), source.Height()});
  const TRect d =
      Intersect({x + s.Left - from.Left, y + s.Top - from.Top, s.Width, s.Height}, ClipValue);
  for (int32_t row = d.Top; row < d.Bottom(); ++row) {
    const int32_t sy = s.Top + (row - (y + s.Top - from.Top));
    const int32_t sx = s.Left + (d.Left - (x + s.Left - from.Left));
    const uint32_t* in = source.PixelsValue.data() +
                         static_cast<size_t>(sy) * static_cast<size_t>(source.WidthValue) +
                         static_cast<size_t>(sx);
    uint32_t* out = PixelsValue.data() +
                    static_cast<size_t>(row) * static_cast<size_t>(WidthValue) +
                    static_cast<size_t>(d.Left);
    std::copy(in, in + d.Width, out);
  }
}

void TCanvas::ToPicture(unsigned bitsPerPixel, std::vector<uint8_t>& out) const {
  const size_t bytes = bitsPerPixel / 8;
  out.resize(PixelsValue.size() * bytes);
  uint8_t* at = out.data();
  for (uint32_t value : PixelsValue) {
    at[0] = static_cast<uint8_t>(value);
    if (bytes >= 3) {
      at[1] = static_cast<uint8_t>(value >> 8);
      at[2] = static_cast<uint8_t>(value >> 16);
    }
    if (bytes == 4) at[3] = 0;
    at += bytes;
  }
}

} // namespace NQuillo::NDemo
