#include "ScreenLikeData.h"

#include <algorithm>
#include <array>
#include <random>

namespace NQuillo::NTest {

namespace {

constexpr int Width = 640;
constexpr int Height = 480;
constexpr int GlyphWidth = 8;
constexpr int GlyphHeight = 12;

struct TRect {
  int X, Y, W, H;
};

class TScreen {
public:
  explicit TScreen(uint32_t seed) : Random(seed), Pixels(size_t{Width} * Height) {
    for (auto& glyph : Glyphs)
      for (auto& row : glyph)
        row = static_cast<uint8_t>(Random() & 0x7E);
    Fill({0, 0, Width, Height}, 0x3A6E);
    for (int i = 0; i < 4; ++i)
      DrawWindow({40 + i * 90, 30 + i * 60, 300, 220});
  }

  void Step(std::vector<uint8_t>& out, size_t limit) {
    TRect dirty{0, 0, 0, 0};
    switch (Random() % 6) {
    case 0: // typing: a few glyphs appear on the current text line
      dirty = TypeText();
      break;
    case 1: // a window moves a little
      dirty = MoveWindow();
      break;
    case 2: // text scrolls up by one line
      dirty = ScrollText();
      break;
    case 3: // a small noisy picture (video thumbnail, photo)
      dirty = {static_cast<int>(Random() % (Width - 64)),
               static_cast<int>(Random() % (Height - 48)), 64, 48};
      for (int y = 0; y < dirty.H; ++y)
        for (int x = 0; x < dirty.W; ++x)
          At(dirty.X + x, dirty.Y + y) =
              static_cast<uint16_t>((x * 37 + y * 11) ^ (Random() & 0x0F1F));
      break;
    default: // the cursor moves
      dirty = MoveCursor();
      break;
    }
    if (++Frame % 12 == 0) dirty = {0, 0, Width, Height};
    Emit(dirty, out, limit);
  }

private:
  uint16_t& At(int x, int y) { return Pixels[size_t(y) * Width + size_t(x)]; }

  void Fill(const TRect& r, uint16_t color) {
    for (int y = r.Y; y < r.Y + r.H; ++y)
      for (int x = r.X; x < r.X + r.W; ++x)
        At(x, y) = color;
  }

  void DrawWindow(const TRect& r) {
    Fill(r, 0xFFFF);
    for (int y = r.Y; y < r.Y + 18; ++y)
      for (int x = r.X; x < r.X + r.W; ++x)
        At(x, y) = static_cast<uint16_t>(0x001F + ((x - r.X) / 10) * 0x0040);
    Fill({r.X, r.Y + r.H - 1, r.W, 1}, 0x0000);
    Fill({r.X + r.W - 1, r.Y, 1, r.H}, 0x0000);
    Windows.push_back(r);
  }

  void DrawGlyph(int x, int y, unsigned glyph) {
    for (int gy = 0; gy < GlyphHeight; ++gy)
      for (int gx = 0; gx < GlyphWidth; ++gx)
        At(x + gx, y + gy) = (Glyphs[glyph % Glyphs.size()][gy] >> gx) & 1 ? 0x0000 : 0xFFFF;
  }

  TRect TypeText() {
    const TRect& w = Windows.back();
    const int count = 1 + static_cast<int>(Random() % 6);
    const int y = w.Y + 24 + TextLine * GlyphHeight;
    if (TextColumn + count > (w.W - 16) / GlyphWidth) {
      TextColumn = 0;
      TextLine = (TextLine + 1) % ((w.H - 40) / GlyphHeight);
    }
    const int x = w.X + 8 + TextColumn * GlyphWidth;
    for (int i = 0; i < count; ++i)
      DrawGlyph(x + i * GlyphWidth, y, static_cast<unsigned>(Random()));
    TextColumn += count;
    return {x, y, count * GlyphWidth, GlyphHeight};
  }

  TRect ScrollText() {
    const TRect& w = Windows.back();
    const TRect area{w.X + 4, w.Y + 24, w.W - 8, w.H - 40};
    for (int y = area.Y; y < area.Y + area.H - GlyphHeight; ++y)
      std::copy_n(&At(area.X, y + GlyphHeight), area.W, &At(area.X, y));
    Fill({area.X, area.Y + area.H - GlyphHeight, area.W, GlyphHeight}, 0xFFFF);
    return area;
  }

  TRect MoveWindow() {
    TRect& w = Windows[Random() % Windows.size()];
    const TRect before = w;
    const int dx = static_cast<int>(Random() % 9) - 4;
    const int dy = static_cast<int>(Random() % 9) - 4;
    const int x = std::clamp(w.X + dx, 0, Width - w.W);
    const int y = std::clamp(w.Y + dy, 0, Height - w.H);
    std::vector<uint16_t> copy(size_t(w.W) * w.H);
    for (int r = 0; r < w.H; ++r)
      std::copy_n(&At(w.X, w.Y + r), w.W, &copy[size_t(r) * w.W]);
    Fill(w, 0x3A6E);
    w.X = x;
    w.Y = y;
    for (int r = 0; r < w.H; ++r)
      std::copy_n(&copy[size_t(r) * w.W], w.W, &At(x, y + r));
    const int left = std::min(before.X, x);
    const int top = std::min(before.Y, y);
    return {left, top, std::max(before.X, x) + w.W - left, std::max(before.Y, y) + w.H - top};
  }

  TRect MoveCursor() {
    CursorX = std::clamp(CursorX + static_cast<int>(Random() % 41) - 20, 0, Width - 16);
    CursorY = std::clamp(CursorY + static_cast<int>(Random() % 41) - 20, 0, Height - 16);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x <= y && x < 11; ++x)
        At(CursorX + x, CursorY + y) = x == 0 || x == y ? 0x0000 : 0xFFFF;
    return {CursorX, CursorY, 16, 16};
  }

  void Emit(const TRect& r, std::vector<uint8_t>& out, size_t limit) {
    const uint16_t header[4] = {static_cast<uint16_t>(r.X), static_cast<uint16_t>(r.Y),
                                static_cast<uint16_t>(r.W), static_cast<uint16_t>(r.H)};
    for (uint16_t v : header) {
      out.push_back(static_cast<uint8_t>(v));
      out.push_back(static_cast<uint8_t>(v >> 8));
    }
    for (int y = r.Y; y < r.Y + r.H && out.size() < limit; ++y)
      for (int x = r.X; x < r.X + r.W; ++x) {
        out.push_back(static_cast<uint8_t>(At(x, y)));
        out.push_back(static_cast<uint8_t>(At(x, y) >> 8));
      }
  }

  std::mt19937 Random;
  std::vector<uint16_t> Pixels;
  std::array<std::array<uint8_t, GlyphHeight>, 64> Glyphs{};
  std::vector<TRect> Windows;
  int TextLine = 0;
  int TextColumn = 0;
  int CursorX = Width / 2;
  int CursorY = Height / 2;
  unsigned Frame = 0;
};

} // namespace

std::vector<uint8_t> MakeScreenLikeData(size_t size, uint32_t seed) {
  std::vector<uint8_t> out;
  out.reserve(size + size_t{Width} * Height * 2 + 8);
  TScreen screen(seed);
  while (out.size() < size)
    screen.Step(out, size);
  out.resize(size);
  return out;
}

std::vector<uint8_t> MakeRandomData(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> out(size);
  for (auto& byte : out)
    byte = static_cast<uint8_t>(random() >> 24);
  return out;
}

} // namespace NQuillo::NTest
