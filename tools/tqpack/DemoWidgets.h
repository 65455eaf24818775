#pragma once

#include "DemoCanvas.h"

#include <string>
#include <vector>

// The pieces of a classic desktop, drawn with the colours of a theme.
namespace NQuillo::NDemo {

struct TTheme {
  uint32_t Desktop;
  uint32_t DesktopLow; // the desktop blends from Desktop at the top to this at the bottom
  uint32_t Face;
  uint32_t Light;
  uint32_t Shadow;
  uint32_t Dark;
  uint32_t Window;
  uint32_t Text;
  uint32_t GreyText;
  uint32_t TitleLeft;
  uint32_t TitleRight;
  uint32_t TitleIdleLeft;
  uint32_t TitleIdleRight;
  uint32_t TitleText;
  uint32_t Selection;
  uint32_t SelectionText;
  uint32_t Link;
  uint32_t Accent;
  bool Indexed; // values are palette indices; gradients walk consecutive entries
};

constexpr int32_t TitleHeight = 18;
constexpr int32_t MenuBarHeight = 17;
constexpr int32_t ScrollBarWidth = 16;
constexpr int32_t TaskbarHeight = 28;

void DrawRaised(TCanvas& c, const TRect& r, const TTheme& t);
void DrawSunken(TCanvas& c, const TRect& r, const TTheme& t);
void DrawButton(TCanvas& c, const TRect& r, const std::string& label, bool pressed,
                const TTheme& t);
void DrawDesktop(TCanvas& c, const TTheme& t, const std::vector<std::string>& icons);
void DrawTaskbar(TCanvas& c, const TTheme& t, const std::vector<std::string>& tasks, int active,
                 const std::string& clock);
// A framed window with a title bar; returns the area inside the frame below the title.
TRect DrawWindow(TCanvas& c, const TRect& r, const std::string& title, bool active,
                 const TTheme& t);
// A menu bar across the top of area; returns the left edge of every item.
std::vector<int32_t> DrawMenuBar(TCanvas& c, const TRect& bar,
                                 const std::vector<std::string>& items, int open, const TTheme& t);
// A dropped-down menu whose top-left corner is (x, y); "-" items are separators.
TRect DrawMenu(TCanvas& c, int32_t x, int32_t y, const std::vector<std::string>& items,
               int highlighted, const TTheme& t);
// A vertical scroll bar; position and page are in the same units as total.
void DrawScrollBar(TCanvas& c, const TRect& r, int32_t position, int32_t page, int32_t total,
                   const TTheme& t);
void DrawProgress(TCanvas& c, const TRect& r, int32_t percent, const TTheme& t);

} // namespace NQuillo::NDemo

namespace NQuillo::NDemo {
// The grey 3-D look of a classic desktop, in true colour.
TTheme ClassicTheme();
} // namespace NQuillo::NDemo
