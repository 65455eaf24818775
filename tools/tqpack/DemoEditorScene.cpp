// Segment 1 of the demo: typing in a text editor, a menu, a window dragged, scrolling.
#include "DemoMovie.h"
#include "DemoWidgets.h"

#include <algorithm>
#include <cstdio>

namespace NQuillo::NDemo {

namespace {

constexpr int32_t ScreenWidth = 1024;
constexpr int32_t ScreenHeight = 735;
constexpr int32_t Frames = 200;
constexpr TPoint EditorStart{150, 80};
constexpr TPoint EditorEnd{330, 170};
constexpr int32_t EditorWidth = 560;
constexpr int32_t EditorHeight = 420;
constexpr int32_t TypingStart = 18;
constexpr int32_t TypingEnd = 96;
constexpr int32_t MenuOpen = 106;
constexpr int32_t MenuClose = 129;
constexpr int32_t DragStart = 142;
constexpr int32_t DragEnd = 166;
constexpr int32_t ScrollStart = 176;
constexpr int32_t ScrollLines = 20;
constexpr size_t InsertLine = 9;
// The caption grab point, relative to the window.
constexpr TPoint Grab{250, 12};

const char* const Typed = "3. Next steps\n"
                          "   - record the demo and check it with tqpack info\n"
                          "   - attach the movie to the player\n"
                          "   - send the build to the testers";

const std::vector<std::string> FileMenu = {"New",           "Open...",  "Save", "Save As...", "-",
                                           "Page Setup...", "Print...", "-",    "Exit"};

std::vector<std::string> BaseDocument() {
  std::vector<std::string> lines = {
      "Meeting notes - Tuesday",
      "",
      "1. Release plan for version 1.5",
      "   - player builds for 32 and 64 bit Windows",
      "   - movie writer with its own LZX compressor",
      "2. Open questions",
      "   - palette changes on 8-bit screens",
      "   - colour cursor shapes",
      "",
      "",
      "4. Reference",
  };
  for (int i = 1; i <= 40; ++i) {
    char line[96];
    std::snprintf(line, sizeof line, "   %2d. segment %d: %d frames, %d x %d, %s", i, i,
                  100 + i * 37 % 400, 640 + i * 32 % 400, 480 + i * 24 % 300,
                  i % 3 == 0   ? "8 bit"
                  : i % 3 == 1 ? "24 bit"
                               : "32 bit");
    lines.push_back(line);
  }
  return lines;
}

size_t TypedLength(int32_t frame) {
  if (frame < TypingStart) return 0;
  // Two keys a frame, with a pause after every line as the typist reads the notes.
  const size_t all = std::char_traits<char>::length(Typed);
  return std::min(all, static_cast<size_t>(frame - TypingStart) * 2);
}

TPoint EditorAt(int32_t frame);

TPoint TextAreaPoint(TPoint editor, int32_t dx, int32_t dy) {
  return {editor.X + dx, editor.Y + 40 + dy};
}

std::vector<TWaypoint> CursorPath() {
  const TPoint type = TextAreaPoint(EditorStart, 230, 150);
  const TPoint file{EditorStart.X + 20, EditorStart.Y + 30};
  const TPoint grabStart{EditorStart.X + Grab.X, EditorStart.Y + Grab.Y};
  const TPoint grabEnd{EditorEnd.X + Grab.X, EditorEnd.Y + Grab.Y};
  const TPoint scrollDown{EditorEnd.X + EditorWidth - 12, EditorEnd.Y + EditorHeight - 34};
  return {
      {0, 880, 560},
      {TypingStart, type.X, type.Y},
      {TypingEnd, type.X + 6, type.Y + 3},
      {MenuOpen - 1, file.X, file.Y},
      {MenuOpen + 3, file.X + 4, file.Y + 12},
      {MenuOpen + 12, file.X + 30, file.Y + 40},
      {MenuClose - 2, file.X + 28, file.Y + 46},
      {DragStart, grabStart.X, grabStart.Y},
      {DragEnd, grabEnd.X, grabEnd.Y},
      {ScrollStart - 2, scrollDown.X, scrollDown.Y},
      {Frames, scrollDown.X, scrollDown.Y},
  };
}

TPoint EditorAt(int32_t frame) {
  if (frame <= DragStart) return EditorStart;
  if (frame >= DragEnd) return EditorEnd;
  const TPoint cursor = Follow(CursorPath(), frame);
  return {cursor.X - Grab.X, cursor.Y - Grab.Y};
}

TRect TextArea(TPoint editor) {
  return {editor.X + 3, editor.Y + 40, EditorWidth - 6, EditorHeight - 40 - 24};
}

// The menu item under the cursor, counted as DrawMenu lays items out.
int MenuItemAt(TPoint editor, TPoint cursor) {
  int32_t y = editor.Y + 3 + TitleHeight + 1 + MenuBarHeight + 3;
  const int32_t left = editor.X + 5;
  if (cursor.X < left || cursor.X > left + 120) return -1;
  for (size_t i = 0; i < FileMenu.size(); ++i) {
    const int32_t h = FileMenu[i] == "-" ? 8 : 17;
    if (cursor.Y >= y && cursor.Y < y + h) return FileMenu[i] == "-" ? -1 : static_cast<int>(i);
    y += h;
  }
  return -1;
}

void DrawExplorer(TCanvas& c, const TTheme& t) {
  const TRect r{600, 330, 380, 290};
  const TRect client = DrawWindow(c, r, "Documents", false, t);
  DrawMenuBar(c, {client.Left, client.Top, client.Width, MenuBarHeight},
              {"File", "Edit", "View", "Favorites", "Help"}, -1, t);
  const TRect list{client.Left, client.Top + MenuBarHeight + 1, client.Width,
                   client.Height - MenuBarHeight - 1};
  c.Fill(list, t.Window);
  DrawSunken(c, list, t);
  static const char* const names[] = {"demo.tqf",   "player.exe", "notes.txt",  "budget.xls",
                                      "photos",     "movies",     "readme.txt", "setup.exe",
                                      "report.doc", "drafts"};
  for (int i = 0; i < 10; ++i) {
    const int32_t x = list.Left + 12 + (i % 2) * 180;
    const int32_t y = list.Top + 12 + (i / 2) * 44;
    c.Fill({x, y, 24, 24}, i % 3 == 0 ? t.Accent : t.TitleRight);
    c.Frame({x, y, 24, 24}, t.Dark);
    c.Text(x + 32, y + 9, names[i], t.Text);
  }
}

class TEditorScene : public TDemoScene {
public:
  TSegmentOptions Options() const override {
    TSegmentOptions o;
    o.Width = ScreenWidth;
    o.Height = ScreenHeight;
    o.BitsPerPixel = 32;
    o.FrameRate = 10;
    o.TicksPerFrame = 1;
    o.Name =
        "\xD1\xE5\xE3\xEC\xE5\xED\xF2 1: \xF0\xE5\xE4\xE0\xEA\xF2\xEE\xF0"; // "Сегмент 1: редактор"
    o.Time = {2024, 3, 15, 10, 0, 0, 0};
    return o;
  }

  int32_t FrameCount() const override { return Frames; }

  std::vector<std::string> CursorNames() const override { return {"arrow", "ibeam"}; }

  TDemoCursor Cursor(int32_t tick) const override {
    const TPoint at = Follow(CursorPath(), tick);
    const bool overText = TextArea(EditorAt(tick)).Contains(at.X, at.Y) &&
                          at.X < TextArea(EditorAt(tick)).Right() - ScrollBarWidth - 2 &&
                          (tick < MenuOpen || tick >= MenuClose);
    return {overText ? "ibeam" : "arrow", at};
  }

  void Render(int32_t frame, TCanvas& c) const override {
    const TTheme t = ClassicTheme();
    c.ResetClip();
    DrawDesktop(c, t, {"My Computer", "Documents", "Recycle Bin", "Movies"});
    DrawExplorer(c, t);

    const TPoint editor = EditorAt(frame);
    const size_t typed = TypedLength(frame);
    const bool saved = frame >= MenuClose;
    const std::string title =
        std::string("Meeting notes.txt") + (typed > 0 && !saved ? "*" : "") + " - Notepad";
    const TRect client =
        DrawWindow(c, {editor.X, editor.Y, EditorWidth, EditorHeight}, title, true, t);
    const bool menuOpen = frame >= MenuOpen && frame < MenuClose;
    const TRect bar{client.Left, client.Top, client.Width, MenuBarHeight};
    const std::vector<int32_t> lefts =
        DrawMenuBar(c, bar, {"File", "Edit", "Format", "View", "Help"}, menuOpen ? 0 : -1, t);

    std::vector<std::string> lines = BaseDocument();
    std::vector<std::string> inserted(1);
    for (size_t i = 0; i < typed; ++i) {
      if (Typed[i] == '\n')
        inserted.emplace_back();
      else
        inserted.back() += Typed[i];
    }
    if (typed > 0) lines.insert(lines.begin() + InsertLine, inserted.begin(), inserted.end());

    const TRect area = TextArea(editor);
    c.Fill(area, t.Window);
    DrawSunken(c, area, t);
    const int32_t scroll = frame < ScrollStart ? 0 : std::min(frame - ScrollStart, ScrollLines);
    const TRect textClip{area.Left + 2, area.Top + 2, area.Width - ScrollBarWidth - 4,
                         area.Height - 4};
    c.SetClip(textClip);
    for (size_t i = static_cast<size_t>(scroll); i < lines.size(); ++i) {
      const int32_t y = textClip.Top + 3 +
                        static_cast<int32_t>(i - static_cast<size_t>(scroll)) * TCanvas::LineHeight;
      if (y > textClip.Bottom()) break;
      c.Text(textClip.Left + 4, y, lines[i], t.Text);
    }
    const bool caretOn = (frame >= TypingStart && frame < TypingEnd + 4) || (frame / 4) % 2 == 0;
    const size_t caretLine = InsertLine + (typed > 0 ? inserted.size() - 1 : 0);
    if (caretOn && caretLine >= static_cast<size_t>(scroll)) {
      const int32_t x =
          textClip.Left + 4 + TCanvas::TextWidth(typed > 0 ? inserted.back() : std::string());
      const int32_t y =
          textClip.Top + 1 +
          static_cast<int32_t>(caretLine - static_cast<size_t>(scroll)) * TCanvas::LineHeight;
      c.VLine(x, y, 10, t.Text);
    }
    c.ResetClip();
    DrawScrollBar(
        c, {area.Right() - ScrollBarWidth - 2, area.Top + 2, ScrollBarWidth, area.Height - 4},
        scroll, 30, static_cast<int32_t>(lines.size()), t);

    const TRect status{client.Left, area.Bottom() + 2, client.Width, 20};
    c.Fill(status, t.Face);
    DrawSunken(c, {status.Right() - 140, status.Top + 2, 138, status.Height - 4}, t);
    char where[48];
    std::snprintf(where, sizeof where, "Ln %d, Col %d", static_cast<int>(caretLine + 1),
                  static_cast<int>((typed > 0 ? inserted.back().size() : 0) + 1));
    c.Text(status.Right() - 132, status.Top + 7, where, t.Text);

    if (menuOpen) {
      const int lit = MenuItemAt(editor, Follow(CursorPath(), frame));
      DrawMenu(c, lefts[0], bar.Bottom(), FileMenu, lit, t);
    }
    DrawTaskbar(c, t, {"Meeting notes.txt", "Documents"}, 0, frame < 120 ? "10:00" : "10:01");
  }
};

} // namespace

std::unique_ptr<TDemoScene> MakeEditorScene() {
  return std::make_unique<TEditorScene>();
}

} // namespace NQuillo::NDemo
