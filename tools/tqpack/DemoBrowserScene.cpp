// Segment 2 of the demo: a help page in a browser, a link followed while the busy cursor
// turns, and a long page scrolled smoothly; three cursor steps a frame.
#include "DemoMovie.h"
#include "DemoWidgets.h"

#include <algorithm>
#include <cstdio>

namespace NQuillo::NDemo {

namespace {

constexpr int32_t ScreenWidth = 800;
constexpr int32_t ScreenHeight = 600;
constexpr int32_t Frames = 120;
constexpr int32_t Ticks = 3;
constexpr int32_t ClickFrame = 40;
constexpr int32_t LoadedFrame = 56;
constexpr int32_t ScrollStart = 68;
constexpr int32_t ScrollEnd = 104;
constexpr int32_t ScrollStep = 7; // pixels a frame, as a wheel scrolls a line at a time
constexpr TRect Page{5, 66, 772, 480};

struct TLink {
  std::string Text;
  TRect Box; // on the page, before scrolling
};

std::vector<std::string> HomeText() {
  return {"Quillo plays screen-capture movies: recorded segments of a desktop, with the",
          "mouse cursor drawn over every frame. A movie can be a file of its own or travel",
          "inside the player, so that starting the program plays it.", "", "Choose a topic:"};
}

std::vector<TLink> HomeLinks() {
  std::vector<TLink> links;
  const char* const names[] = {"Getting started", "Playing a movie", "Recording tips",
                               "Keyboard shortcuts", "Making a self-playing movie"};
  for (int i = 0; i < 5; ++i)
    links.push_back({names[i], {40, 150 + i * 18, TCanvas::TextWidth(names[i]), 9}});
  return links;
}

std::vector<std::string> ArticleText() {
  std::vector<std::string> lines;
  static const char* const paragraphs[] = {
      "Open a movie with File > Open, or start a program that carries one.",
      "The segments play one after the other; the list window shows them all.",
      "Pause keeps the picture; Stop returns to the first segment.",
      "The slider below the picture sets the speed from 0.1 to 1000 times.",
      "Full screen hides the menu and the panel; Escape brings them back.",
      "A movie recorded at 8 bits carries its colours with every frame.",
  };
  for (int section = 0; section < 8; ++section) {
    char heading[64];
    std::snprintf(heading, sizeof heading, "%d. %s", section + 1,
                  section % 2 == 0 ? "Controls and their shortcuts" : "What the player shows");
    lines.push_back(heading);
    for (int k = 0; k < 4; ++k)
      lines.push_back(paragraphs[(section + k) % 6]);
    lines.push_back("");
  }
  return lines;
}

int32_t ScrollOf(int32_t frame) {
  return std::clamp(frame - ScrollStart, 0, ScrollEnd - ScrollStart) * ScrollStep;
}

std::vector<TWaypoint> CursorPath() {
  const TLink target = HomeLinks()[1];
  const int32_t linkX = Page.Left + target.Box.Left + 30;
  const int32_t linkY = Page.Top + target.Box.Top + 4;
  return {
      {0, 700, 520},
      {12 * Ticks, 300, 120}, // over the text
      {24 * Ticks, 320, 128},
      {34 * Ticks, linkX, linkY}, // onto the link
      {ClickFrame * Ticks, linkX, linkY},
      {(LoadedFrame + 6) * Ticks, 520, 330},
      {ScrollEnd * Ticks, 540, 350},
      {(Frames - 4) * Ticks, 120, 540}, // down to the status bar
      {Frames * Ticks, 120, 540},
  };
}

bool OverHomeLink(TPoint at, int32_t frame, int* which) {
  if (frame >= LoadedFrame) return false;
  const std::vector<TLink> links = HomeLinks();
  for (size_t i = 0; i < links.size(); ++i) {
    const TRect b = links[i].Box;
    if (TRect{Page.Left + b.Left, Page.Top + b.Top - 2, b.Width, b.Height + 4}.Contains(at.X,
                                                                                        at.Y)) {
      if (which) *which = static_cast<int>(i);
      return true;
    }
  }
  return false;
}

class TBrowserScene : public TDemoScene {
public:
  TSegmentOptions Options() const override {
    TSegmentOptions o;
    o.Width = ScreenWidth;
    o.Height = ScreenHeight;
    o.BitsPerPixel = 24;
    o.FrameRate = 5;
    o.TicksPerFrame = Ticks;
    o.Name = "\xD1\xE5\xE3\xEC\xE5\xED\xF2 2: \xE1\xF0\xE0\xF3\xE7\xE5\xF0"; // "Сегмент 2: браузер"
    o.Time = {2024, 3, 15, 10, 5, 12, 3};
    return o;
  }

  int32_t FrameCount() const override { return Frames; }

  std::vector<std::string> CursorNames() const override {
    return {"arrow", "ibeam", "hand", "busy0", "busy1", "busy2", "busy3"};
  }

  TDemoCursor Cursor(int32_t tick) const override {
    const int32_t frame = tick / Ticks;
    const TPoint at = Follow(CursorPath(), tick);
    if (frame >= ClickFrame && frame < LoadedFrame) return {"busy" + std::to_string(tick % 4), at};
    if (OverHomeLink(at, frame, nullptr)) return {"hand", at};
    const bool overText = frame < ClickFrame && at.Y >= Page.Top + 20 && at.Y < Page.Top + 80 &&
                          at.X >= Page.Left + 20 && at.X < Page.Left + 480;
    return {overText ? "ibeam" : "arrow", at};
  }

  void Render(int32_t frame, TCanvas& c) const override {
    const TTheme t = ClassicTheme();
    c.ResetClip();
    const bool home = frame < LoadedFrame;
    const TRect client = DrawWindow(
        c, {0, 0, ScreenWidth, ScreenHeight - TaskbarHeight},
        home ? "Quillo help - Browser" : "Playing a movie - Quillo help - Browser", true, t);
    DrawMenuBar(c, {client.Left, client.Top, client.Width, MenuBarHeight},
                {"File", "Edit", "View", "Go", "Bookmarks", "Help"}, -1, t);
    const int32_t toolTop = client.Top + MenuBarHeight + 1;
    c.Fill({client.Left, toolTop, client.Width, 24}, t.Face);
    DrawButton(c, {client.Left + 4, toolTop + 2, 44, 20}, "Back", false, t);
    DrawButton(c, {client.Left + 50, toolTop + 2, 58, 20}, "Forward", false, t);
    DrawButton(c, {client.Left + 110, toolTop + 2, 52, 20}, "Reload", false, t);
    const TRect address{client.Left + 170, toolTop + 3, client.Width - 176, 18};
    c.Fill(address, t.Window);
    DrawSunken(c, address, t);
    c.Text(address.Left + 6, address.Top + 6,
           home ? "http://quillo.example/help/" : "http://quillo.example/help/playing.html",
           t.Text);

    c.Fill(Page, t.Window);
    DrawSunken(c, Page, t);
    const TRect inner{Page.Left + 2, Page.Top + 2, Page.Width - ScrollBarWidth - 4,
                      Page.Height - 4};
    c.SetClip(inner);
    int hovered = -1;
    const TPoint cursor = Follow(CursorPath(), frame * Ticks);
    OverHomeLink(cursor, frame, &hovered);
    int32_t total = 0;
    if (home) {
      c.Text(Page.Left + 20, Page.Top + 14, "Quillo help", t.TitleLeft, 2);
      const std::vector<std::string> text = HomeText();
      for (size_t i = 0; i < text.size(); ++i)
        c.Text(Page.Left + 20, Page.Top + 40 + static_cast<int32_t>(i) * 12, text[i], t.Text);
      const std::vector<TLink> links = HomeLinks();
      for (size_t i = 0; i < links.size(); ++i) {
        const TRect b = links[i].Box;
        const uint32_t colour = static_cast<int>(i) == hovered ? 0xCC0000 : t.Link;
        c.Text(Page.Left + b.Left, Page.Top + b.Top, links[i].Text, colour);
        c.HLine(Page.Left + b.Left, Page.Top + b.Top + 8, b.Width, colour);
      }
      total = inner.Height;
    } else {
      const int32_t scroll = ScrollOf(frame);
      c.Text(Page.Left + 20, Page.Top + 14 - scroll, "Playing a movie", t.TitleLeft, 2);
      const std::vector<std::string> text = ArticleText();
      for (size_t i = 0; i < text.size(); ++i) {
        const int32_t y = Page.Top + 44 + static_cast<int32_t>(i) * 14 - scroll;
        const bool heading = i % 6 == 0;
        if (heading) c.Fill({Page.Left + 16, y - 3, 300, 13}, 0xE8EEF8);
        c.Text(Page.Left + 20, y, text[i], heading ? t.TitleLeft : t.Text);
      }
      total = 44 + static_cast<int32_t>(text.size()) * 14 + 20;
    }
    c.ResetClip();
    DrawScrollBar(c, {inner.Right(), inner.Top, ScrollBarWidth, inner.Height},
                  home ? 0 : ScrollOf(frame), inner.Height, std::max(total, inner.Height), t);

    const TRect status{client.Left, Page.Bottom() + 1, client.Width, 20};
    c.Fill(status, t.Face);
    std::string message = "Done";
    if (hovered >= 0) message = "http://quillo.example/help/playing.html";
    if (frame >= ClickFrame && frame < LoadedFrame) {
      message = "Opening page http://quillo.example/help/playing.html...";
      DrawProgress(c, {status.Right() - 160, status.Top + 3, 150, 14},
                   (frame - ClickFrame) * 100 / (LoadedFrame - ClickFrame), t);
    }
    c.Text(status.Left + 6, status.Top + 7, message, t.Text);
    DrawTaskbar(c, t, {"Quillo help - Browser"}, 0, "10:05");
  }
};

} // namespace

std::unique_ptr<TDemoScene> MakeBrowserScene() {
  return std::make_unique<TBrowserScene>();
}

} // namespace NQuillo::NDemo
