// Segment 3 of the demo, at 8 bits: a paint program. A stroke is drawn with the colour pen
// cursor, a menu drops down, the picture's colours cycle (palette changes with unchanged
// pixels) and the desktop fades to a night theme.
#include "DemoMovie.h"
#include "DemoWidgets.h"

#include <algorithm>
#include <cstdlib>

namespace NQuillo::NDemo {

namespace {

constexpr int32_t ScreenWidth = 640;
constexpr int32_t ScreenHeight = 480;
constexpr int32_t Frames = 160;
constexpr int32_t StrokeStart = 26;
constexpr int32_t StrokeEnd = 60;
constexpr int32_t MenuOpen = 72;
constexpr int32_t MenuClose = 92;
constexpr int32_t CycleStart = 96;
constexpr int32_t CycleEnd = 136;
constexpr int32_t NightStart = 138;
constexpr int32_t NightSteps = 8;

// Palette layout: fixed UI colours, a desktop ramp, the swatches and the picture ramp.
enum : uint32_t {
  Black = 0,
  White = 1,
  Face = 2,
  Shadow = 3,
  Dark = 4,
  TitleLeft = 5,
  TitleRight = 6,
  TitleIdle = 7,
  Selection = 8,
  Link = 9,
  Accent = 10,
  DesktopRamp = 16, // 32 entries
  Swatches = 48,    // 16 entries
  PictureRamp = 64, // 128 entries
  PictureRampSize = 128,
};

const TRect Window{60, 30, 520, 390};
const TRect PaintArea{140, 100, 400, 260};
const TRect Picture{180, 130, 256, 160};
constexpr uint32_t PenColour = Swatches + 4;

TTheme IndexedTheme() {
  TTheme t{};
  t.Desktop = DesktopRamp;
  t.DesktopLow = DesktopRamp + 31;
  t.Face = Face;
  t.Light = White;
  t.Shadow = Shadow;
  t.Dark = Dark;
  t.Window = White;
  t.Text = Black;
  t.GreyText = Shadow;
  t.TitleLeft = TitleLeft;
  t.TitleRight = TitleRight;
  t.TitleIdleLeft = TitleIdle;
  t.TitleIdleRight = TitleIdle;
  t.TitleText = White;
  t.Selection = Selection;
  t.SelectionText = White;
  t.Link = Link;
  t.Accent = Accent;
  t.Indexed = true;
  return t;
}

uint32_t Blend(uint32_t a, uint32_t b, int32_t step, int32_t steps) {
  uint32_t value = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int32_t x = static_cast<int32_t>(a >> shift & 0xFF);
    const int32_t y = static_cast<int32_t>(b >> shift & 0xFF);
    value |= static_cast<uint32_t>(x + (y - x) * step / steps) << shift;
  }
  return value;
}

// The stroke's points: a wave across the paint area, one point per frame of drawing.
TPoint StrokePoint(int32_t i) {
  static const int32_t wave[8] = {0, 14, 20, 14, 0, -14, -20, -14};
  return {PaintArea.Left + 30 + i * 10, PaintArea.Top + 200 + wave[i % 8] + i};
}

void DrawLine(TCanvas& c, TPoint a, TPoint b, uint32_t value) {
  const int32_t steps = std::max(std::abs(b.X - a.X), std::abs(b.Y - a.Y));
  for (int32_t s = 0; s <= steps; ++s) {
    const int32_t x = a.X + (steps ? (b.X - a.X) * s / steps : 0);
    const int32_t y = a.Y + (steps ? (b.Y - a.Y) * s / steps : 0);
    c.Fill({x - 1, y - 1, 3, 3}, value);
  }
}

std::vector<TWaypoint> CursorPath() {
  const TPoint first = StrokePoint(0);
  const TPoint last = StrokePoint(StrokeEnd - StrokeStart);
  std::vector<TWaypoint> path = {{0, 600, 440}, {StrokeStart - 2, first.X, first.Y}};
  for (int32_t f = StrokeStart; f <= StrokeEnd; ++f) {
    const TPoint p = StrokePoint(f - StrokeStart);
    path.push_back({f, p.X, p.Y});
  }
  path.push_back({StrokeEnd + 4, last.X, last.Y - 20});
  const int32_t menuX = Window.Left + 175; // over "Colours"
  const int32_t menuY = Window.Top + 30;
  path.push_back({MenuOpen - 1, menuX, menuY});
  path.push_back({MenuOpen + 6, menuX + 10, menuY + 14});
  path.push_back({MenuClose - 4, menuX + 20, menuY + 32});
  path.push_back({MenuClose, menuX + 20, menuY + 32});
  path.push_back({CycleEnd, 500, 380});
  path.push_back({Frames, 300, 200});
  return path;
}

const std::vector<std::string> ColourMenu = {"Edit colours...", "Cycle colours", "Invert", "-",
                                             "Night theme"};

class TPaintScene : public TDemoScene {
public:
  TSegmentOptions Options() const override {
    TSegmentOptions o;
    o.Width = ScreenWidth;
    o.Height = ScreenHeight;
    o.BitsPerPixel = 8;
    o.FrameRate = 10;
    o.TicksPerFrame = 1;
    o.Name = "\xD1\xE5\xE3\xEC\xE5\xED\xF2 3: \xEF\xE0\xEB\xE8\xF2\xF0\xE0"; // "Сегмент 3: палитра"
    o.Time = {2024, 3, 15, 10, 9, 48, 7};
    return o;
  }

  int32_t FrameCount() const override { return Frames; }

  std::vector<std::string> CursorNames() const override { return {"arrow", "pen"}; }

  TDemoCursor Cursor(int32_t tick) const override {
    const TPoint at = Follow(CursorPath(), tick);
    const bool painting = tick >= StrokeStart - 2 && tick <= StrokeEnd + 2;
    return {painting && PaintArea.Contains(at.X, at.Y) ? "pen" : "arrow", at};
  }

  TPalette Palette(int32_t frame) const override {
    TPalette p{};
    const int32_t night =
        std::clamp(frame - NightStart, 0, NightSteps); // 0 day .. NightSteps night
    p[Black] = 0x000000;
    p[White] = 0xFFFFFF;
    p[Face] = Blend(0xC0C0C0, 0x707888, night, NightSteps);
    p[Shadow] = Blend(0x808080, 0x404450, night, NightSteps);
    p[Dark] = 0x404040;
    p[TitleLeft] = Blend(0x000080, 0x401060, night, NightSteps);
    p[TitleRight] = Blend(0x1084D0, 0x804090, night, NightSteps);
    p[TitleIdle] = 0x808080;
    p[Selection] = Blend(0x000080, 0x401060, night, NightSteps);
    p[Link] = 0x0000FF;
    p[Accent] = 0xE0A020;
    for (uint32_t i = 0; i < 32; ++i)
      p[DesktopRamp + i] =
          Blend(Blend(0x008080, 0x004060, static_cast<int32_t>(i), 31),
                Blend(0x101830, 0x000008, static_cast<int32_t>(i), 31), night, NightSteps);
    static const uint32_t swatches[16] = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
        0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (uint32_t i = 0; i < 16; ++i)
      p[Swatches + i] = swatches[i];
    // The picture ramp runs through the hues; cycling turns it by two entries a frame.
    const int32_t turn = std::clamp(frame - CycleStart, 0, CycleEnd - CycleStart) * 2;
    for (int32_t i = 0; i < static_cast<int32_t>(PictureRampSize); ++i) {
      const int32_t h = (i + turn) % static_cast<int32_t>(PictureRampSize);
      const int32_t part = h % 43;
      const uint32_t up = static_cast<uint32_t>(part * 255 / 42);
      const uint32_t down = 255 - up;
      uint32_t rgb = 0;
      if (h < 43)
        rgb = 0xFF0000 | up << 8;
      else if (h < 86)
        rgb = down << 16 | 0x00FF00 | up;
      else
        rgb = up << 16 | down << 8 | 0x0000FF;
      p[PictureRamp + static_cast<uint32_t>(i)] = rgb;
    }
    return p;
  }

  void Render(int32_t frame, TCanvas& c) const override {
    const TTheme t = IndexedTheme();
    c.ResetClip();
    DrawDesktop(c, t, {"Paint", "Pictures"});
    const TRect client = DrawWindow(c, Window, "sunset.bmp - Paint", true, t);
    const bool menuOpen = frame >= MenuOpen && frame < MenuClose;
    const TRect bar{client.Left, client.Top, client.Width, MenuBarHeight};
    const std::vector<int32_t> lefts = DrawMenuBar(
        c, bar, {"File", "Edit", "View", "Image", "Colours", "Help"}, menuOpen ? 4 : -1, t);

    // Tool box at the left and colour swatches along the bottom.
    const int32_t top = bar.Bottom() + 1;
    c.Fill({client.Left, top, client.Width, client.Height - MenuBarHeight - 1}, Face);
    for (int i = 0; i < 8; ++i) {
      const TRect tool{client.Left + 6 + (i % 2) * 26, top + 8 + (i / 2) * 26, 24, 24};
      DrawButton(c, tool, "", i == 3, t);
    }
    for (uint32_t i = 0; i < 16; ++i) {
      const TRect swatch{client.Left + 70 + static_cast<int32_t>(i) * 20, client.Bottom() - 26, 18,
                         18};
      c.Fill(swatch, Swatches + i);
      DrawSunken(c, swatch, t);
    }
    c.Fill(PaintArea, White);
    DrawSunken(c, PaintArea, t);

    // The picture: rings of the ramp, whose colours the palette turns.
    for (int32_t y = 0; y < Picture.Height; ++y)
      for (int32_t x = 0; x < Picture.Width; ++x) {
        const int32_t dx = x - 128;
        const int32_t dy = y - 150;
        const int32_t ring = (dx * dx + dy * dy) / 96 + x / 8;
        c.Pixel(Picture.Left + x, Picture.Top + y,
                PictureRamp + static_cast<uint32_t>(ring % static_cast<int32_t>(PictureRampSize)));
      }

    const int32_t drawn = std::clamp(frame - StrokeStart, 0, StrokeEnd - StrokeStart);
    for (int32_t i = 1; i <= drawn; ++i)
      DrawLine(c, StrokePoint(i - 1), StrokePoint(i), PenColour);

    if (menuOpen) {
      const TPoint cursor = Follow(CursorPath(), frame);
      const int lit = cursor.Y >= bar.Bottom() + 3 + 17 && cursor.Y < bar.Bottom() + 3 + 34 ? 1
                      : cursor.Y >= bar.Bottom() + 3 && cursor.Y < bar.Bottom() + 20        ? 0
                                                                                            : -1;
      DrawMenu(c, lefts[4], bar.Bottom(), ColourMenu, lit, t);
    }
    DrawTaskbar(c, t, {"sunset.bmp - Paint"}, 0, frame < NightStart ? "10:09" : "10:10");
  }
};

} // namespace

std::unique_ptr<TDemoScene> MakePaintScene() {
  return std::make_unique<TPaintScene>();
}

} // namespace NQuillo::NDemo
