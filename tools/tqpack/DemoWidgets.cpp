#include "DemoWidgets.h"

#include <algorithm>

namespace NQuillo::NDemo {

namespace {

// Caption buttons: minimise, maximise, close, drawn as small glyph pictures.
void DrawCaptionButtons(TCanvas& c, int32_t right, int32_t top, const TTheme& t) {
  for (int i = 0; i < 3; ++i) {
    const TRect b{right - (3 - i) * 16 - 2 + (i == 2 ? 2 : 0), top + 2, 14, 12};
    DrawRaised(c, b, t);
    const int32_t x = b.Left + 4;
    const int32_t y = b.Top + 3;
    if (i == 0) c.Fill({x, y + 5, 6, 2}, t.Text);
    if (i == 1) {
      c.Frame({x - 1, y, 8, 7}, t.Text);
      c.HLine(x - 1, y + 1, 8, t.Text);
    }
    if (i == 2)
      for (int32_t k = 0; k < 6; ++k) {
        c.Pixel(x + k, y + k, t.Text);
        c.Pixel(x + k + 1, y + k, t.Text);
        c.Pixel(x + 5 - k, y + k, t.Text);
        c.Pixel(x + 6 - k, y + k, t.Text);
      }
  }
}

} // namespace

void DrawRaised(TCanvas& c, const TRect& r, const TTheme& t) {
  c.Fill(r, t.Face);
  c.HLine(r.Left, r.Top, r.Width, t.Light);
  c.VLine(r.Left, r.Top, r.Height, t.Light);
  c.HLine(r.Left, r.Bottom() - 1, r.Width, t.Dark);
  c.VLine(r.Right() - 1, r.Top, r.Height, t.Dark);
  c.HLine(r.Left + 1, r.Bottom() - 2, r.Width - 2, t.Shadow);
  c.VLine(r.Right() - 2, r.Top + 1, r.Height - 2, t.Shadow);
}

void DrawSunken(TCanvas& c, const TRect& r, const TTheme& t) {
  c.HLine(r.Left, r.Top, r.Width, t.Shadow);
  c.VLine(r.Left, r.Top, r.Height, t.Shadow);
  c.HLine(r.Left + 1, r.Top + 1, r.Width - 2, t.Dark);
  c.VLine(r.Left + 1, r.Top + 1, r.Height - 2, t.Dark);
  c.HLine(r.Left, r.Bottom() - 1, r.Width, t.Light);
  c.VLine(r.Right() - 1, r.Top, r.Height, t.Light);
}

void DrawButton(TCanvas& c, const TRect& r, const std::string& label, bool pressed,
                const TTheme& t) {
  if (pressed) {
    c.Fill(r, t.Face);
    DrawSunken(c, r, t);
  } else {
    DrawRaised(c, r, t);
  }
  const int32_t shift = pressed ? 1 : 0;
  c.Text(r.Left + (r.Width - TCanvas::TextWidth(label)) / 2 + shift,
         r.Top + (r.Height - TCanvas::GlyphHeight) / 2 + shift, label, t.Text);
}

void DrawDesktop(TCanvas& c, const TTheme& t, const std::vector<std::string>& icons) {
  c.VerticalGradient({0, 0, c.Width(), c.Height() - TaskbarHeight}, t.Desktop, t.DesktopLow,
                     t.Indexed);
  for (size_t i = 0; i < icons.size(); ++i) {
    const int32_t x = 22;
    const int32_t y = 16 + static_cast<int32_t>(i) * 70;
    c.Fill({x + 6, y, 32, 32}, t.Window);
    c.Frame({x + 6, y, 32, 32}, t.Dark);
    c.Fill({x + 10, y + 4, 24, 6}, t.TitleLeft);
    c.Fill({x + 10, y + 14, 18, 2}, t.Shadow);
    c.Fill({x + 10, y + 19, 22, 2}, t.Shadow);
    c.Fill({x + 10, y + 24, 14, 2}, t.Shadow);
    const int32_t w = TCanvas::TextWidth(icons[i]);
    c.Text(x + 22 - w / 2, y + 38, icons[i], t.TitleText);
  }
}

void DrawTaskbar(TCanvas& c, const TTheme& t, const std::vector<std::string>& tasks, int active,
                 const std::string& clock) {
  const TRect bar{0, c.Height() - TaskbarHeight, c.Width(), TaskbarHeight};
  c.Fill(bar, t.Face);
  c.HLine(0, bar.Top, bar.Width, t.Light);
  DrawButton(c, {3, bar.Top + 4, 54, 21}, "Start", false, t);
  int32_t x = 64;
  for (size_t i = 0; i < tasks.size(); ++i) {
    const TRect button{x, bar.Top + 4, 150, 21};
    const bool pressed = static_cast<int>(i) == active;
    if (pressed) {
      c.Fill(button, t.Light);
      DrawSunken(c, button, t);
    } else {
      DrawRaised(c, button, t);
    }
    c.Text(x + 8, bar.Top + 11, tasks[i], t.Text);
    x += 154;
  }
  const TRect tray{c.Width() - 70, bar.Top + 4, 66, 21};
  DrawSunken(c, tray, t);
  c.Text(tray.Left + (tray.Width - TCanvas::TextWidth(clock)) / 2, bar.Top + 11, clock, t.Text);
}

TRect DrawWindow(TCanvas& c, const TRect& r, const std::string& title, bool active,
                 const TTheme& t) {
  DrawRaised(c, r, t);
  const TRect caption{r.Left + 3, r.Top + 3, r.Width - 6, TitleHeight};
  // The caption blends from left to right, one column band at a time.
  const uint32_t left = active ? t.TitleLeft : t.TitleIdleLeft;
  const uint32_t right = active ? t.TitleRight : t.TitleIdleRight;
  const int32_t bands = 16;
  for (int32_t b = 0; b < bands; ++b) {
    uint32_t value = 0;
    if (t.Indexed) {
      value = b < bands / 2 ? left : right;
    } else {
      for (int shift = 0; shift <= 16; shift += 8) {
        const int32_t a = static_cast<int32_t>(left >> shift & 0xFF);
        const int32_t z = static_cast<int32_t>(right >> shift & 0xFF);
        value |= static_cast<uint32_t>(a + (z - a) * b / (bands - 1)) << shift;
      }
    }
    const int32_t x0 = caption.Left + caption.Width * b / bands;
    const int32_t x1 = caption.Left + caption.Width * (b + 1) / bands;
    c.Fill({x0, caption.Top, x1 - x0, caption.Height}, value);
  }
  const TRect saved = c.Clip();
  c.SetClip(Intersect(saved, {caption.Left, caption.Top, caption.Width - 52, caption.Height}));
  c.Text(caption.Left + 6, caption.Top + 5, title, active ? t.TitleText : t.Face);
  c.SetClip(saved);
  DrawCaptionButtons(c, caption.Right(), caption.Top, t);
  return {r.Left + 3, caption.Bottom() + 1, r.Width - 6, r.Height - TitleHeight - 7};
}

std::vector<int32_t> DrawMenuBar(TCanvas& c, const TRect& bar,
                                 const std::vector<std::string>& items, int open, const TTheme& t) {
  c.Fill(bar, t.Face);
  std::vector<int32_t> lefts;
  int32_t x = bar.Left + 2;
  for (size_t i = 0; i < items.size(); ++i) {
    const int32_t w = TCanvas::TextWidth(items[i]) + 12;
    lefts.push_back(x);
    const bool isOpen = static_cast<int>(i) == open;
    if (isOpen) c.Fill({x, bar.Top + 1, w, bar.Height - 2}, t.Selection);
    c.Text(x + 6, bar.Top + 5, items[i], isOpen ? t.SelectionText : t.Text);
    x += w;
  }
  return lefts;
}

TRect DrawMenu(TCanvas& c, int32_t x, int32_t y, const std::vector<std::string>& items,
               int highlighted, const TTheme& t) {
  int32_t width = 0;
  int32_t height = 6;
  for (const std::string& item : items) {
    width = std::max(width, TCanvas::TextWidth(item));
    height += item == "-" ? 8 : 17;
  }
  const TRect box{x, y, width + 44, height};
  DrawRaised(c, box, t);
  int32_t at = y + 3;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] == "-") {
      c.HLine(x + 4, at + 3, box.Width - 8, t.Shadow);
      c.HLine(x + 4, at + 4, box.Width - 8, t.Light);
      at += 8;
      continue;
    }
    const bool lit = static_cast<int>(i) == highlighted;
    if (lit) c.Fill({x + 3, at, box.Width - 6, 17}, t.Selection);
    c.Text(x + 22, at + 5, items[i], lit ? t.SelectionText : t.Text);
    at += 17;
  }
  return box;
}

void DrawScrollBar(TCanvas& c, const TRect& r, int32_t position, int32_t page, int32_t total,
                   const TTheme& t) {
  c.Fill(r, t.Light);
  const TRect up{r.Left, r.Top, r.Width, r.Width};
  const TRect down{r.Left, r.Bottom() - r.Width, r.Width, r.Width};
  DrawRaised(c, up, t);
  DrawRaised(c, down, t);
  for (int32_t k = 0; k < 4; ++k) {
    c.HLine(up.Left + 7 - k, up.Top + 5 + k, 1 + 2 * k, t.Text);
    c.HLine(down.Left + 7 - k, down.Bottom() - 6 - k, 1 + 2 * k, t.Text);
  }
  const int32_t track = r.Height - 2 * r.Width;
  if (total <= 0 || track <= 8) return;
  const int32_t thumb = std::max(
      8, static_cast<int32_t>(static_cast<int64_t>(track) * std::min(page, total) / total));
  const int32_t room = std::max(1, total - page);
  const int32_t top = r.Top + r.Width +
                      static_cast<int32_t>(static_cast<int64_t>(track - thumb) *
                                           std::clamp(position, 0, room) / room);
  DrawRaised(c, {r.Left, top, r.Width, thumb}, t);
}

void DrawProgress(TCanvas& c, const TRect& r, int32_t percent, const TTheme& t) {
  c.Fill(r, t.Window);
  DrawSunken(c, r, t);
  const int32_t inner = r.Width - 4;
  const int32_t blocks = inner * std::clamp(percent, 0, 100) / 100 / 9;
  for (int32_t b = 0; b < blocks; ++b)
    c.Fill({r.Left + 2 + b * 9, r.Top + 2, 7, r.Height - 4}, t.Selection);
}

} // namespace NQuillo::NDemo

namespace NQuillo::NDemo {

TTheme ClassicTheme() {
  TTheme t{};
  t.Desktop = 0x3A6EA5;
  t.DesktopLow = 0x1D3F66;
  t.Face = 0xD4D0C8;
  t.Light = 0xFFFFFF;
  t.Shadow = 0x808080;
  t.Dark = 0x404040;
  t.Window = 0xFFFFFF;
  t.Text = 0x000000;
  t.GreyText = 0x808080;
  t.TitleLeft = 0x0A246A;
  t.TitleRight = 0xA6CAF0;
  t.TitleIdleLeft = 0x808080;
  t.TitleIdleRight = 0xC0C0C0;
  t.TitleText = 0xFFFFFF;
  t.Selection = 0x0A246A;
  t.SelectionText = 0xFFFFFF;
  t.Link = 0x0000EE;
  t.Accent = 0xE0A020;
  t.Indexed = false;
  return t;
}

} // namespace NQuillo::NDemo
