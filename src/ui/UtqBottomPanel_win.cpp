#include "UtqBottomPanel_win.h"

#include "UtqBottomPanel.h"
#include "UtqCommon_win.h"
#include "app/MainForm_win.h"
#include "engine/UtqClock.h"
#include "engine/UtqPlayerState.h"
#include "movie/tqSegments.h"
#include "resources/tqResourceIds.h"
#include "tqScoped_win.h"
#include "tqSlider_win.h"

#include <memory>
#include <mutex>
#include <vector>

HWND BottomPanel = nullptr;
HWND PlayButton = nullptr;
HWND PauseButton = nullptr;
HWND StopButton = nullptr;
HWND SegmentsButton = nullptr;
HWND PrevButton = nullptr;
HWND NextButton = nullptr;
HWND FullScreenButton = nullptr;

namespace {
constexpr char PanelClass[] = "tqBottomPanel";
constexpr COLORREF White = 0xFFFFFF;
constexpr COLORREF Grey = 0x888080;
constexpr DWORD PushStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_BITMAP;
constexpr DWORD CheckStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHLIKE | BS_BITMAP |
                             BS_AUTOCHECKBOX;

// The format and size of the current segment, as the read-outs use them.
struct TPanelSegment {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::int32_t BitsPerPixel = 0;
  std::int32_t FramesPerSecond = 0;
};

struct TPanel {
  RECT Client{};
  std::unique_ptr<TtqSlider> Slider;
  TPanelSegment Segment;
  std::string SegmentTitle;
  std::string FormatLine;
  std::string TimeLine;
  std::int32_t Progress = 0;
  // The user's number separators, read once when the panel is made.
  std::string DecimalSeparator = ".";
  std::string ThousandsSeparator = ",";
  TGdiObject<HBRUSH> WhiteBrush;
  TGdiObject<HBRUSH> GreyBrush;
  TGdiObject<HPEN> GreyPen;
  TGdiObject<HPEN> BlackPen;
  TGdiObject<HFONT> PanelFont;
};

// The timer thread's UpdateTime and the main thread both read and draw the read-outs: one lock
// keeps every text, the bar and their drawing whole. It also guards the panel's existence, so
// a tick never draws into a panel that is going.
std::mutex PanelLock;
std::unique_ptr<TPanel> Panel;

RECT ToRect(const TRect& r) {
  return {r.Left, r.Top, r.Right, r.Bottom};
}

std::string LocaleText(LCTYPE item, const char* fallback) {
  char text[8] = {};
  return GetLocaleInfoA(LOCALE_USER_DEFAULT, item, text, sizeof text) > 1 ? text : fallback;
}

// Drawing, with PanelLock held and a panel present.
// The strip is drawn off-screen and copied at once, so that no tick shows it without its texts.
void DrawTopStrip(const TPanel& p, HDC target) {
  constexpr int StripLeft = 194;
  constexpr int StripHeight = 17; // the black line along its foot is row 16
  const LONG w = p.Client.right;
  if (w <= StripLeft) return;
  TMemoryDC memory(target);
  TGdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(target, w, StripHeight));
  if (memory.Get() == nullptr || bitmap.Get() == nullptr) return;
  TScopedSelect selected(memory.Get(), bitmap.Get());
  const HDC dc = memory.Get();
  RECT all{0, 0, w, StripHeight};
  FillRect(dc, &all, p.WhiteBrush.Get());
  BeginPath(dc);
  MoveToEx(dc, StripLeft, 0, nullptr);
  LineTo(dc, w, 0);
  LineTo(dc, w, 16);
  LineTo(dc, 210, 16);
  LineTo(dc, StripLeft, 0);
  EndPath(dc);
  {
    TScopedSelect brush(dc, p.GreyBrush.Get());
    FillPath(dc);
  }
  {
    TScopedSelect pen(dc, p.BlackPen.Get());
    MoveToEx(dc, StripLeft, 0, nullptr);
    LineTo(dc, 210, 16);
    LineTo(dc, w, 16);
  }
  TScopedSelect font(dc, p.PanelFont.Get());
  SetBkColor(dc, Grey);
  SetTextColor(dc, White);
  TextOutA(dc, 214, 2, p.FormatLine.data(), static_cast<int>(p.FormatLine.size()));
  RECT time = ToRect(PanelGeometry(w, p.Client.bottom, 0).TimeText);
  DrawTextA(dc, p.TimeLine.data(), static_cast<int>(p.TimeLine.size()), &time, DT_RIGHT);
  BitBlt(target, StripLeft, 0, w - StripLeft, StripHeight, dc, StripLeft, 0, SRCCOPY);
}

void DrawProgress(const TPanel& p, HDC dc) {
  const TPanelGeometry g = PanelGeometry(p.Client.right, p.Client.bottom, p.Progress);
  TScopedSelect pen(dc, p.GreyPen.Get());
  {
    TScopedSelect brush(dc, p.WhiteBrush.Get());
    Rectangle(dc, g.ProgressFrame.Left, g.ProgressFrame.Top, g.ProgressFrame.Right,
              g.ProgressFrame.Bottom);
  }
  TScopedSelect brush(dc, p.GreyBrush.Get());
  Rectangle(dc, g.ProgressBar.Left, g.ProgressBar.Top, g.ProgressBar.Right, g.ProgressBar.Bottom);
}

void DrawSegmentTitle(const TPanel& p, HDC dc) {
  RECT title = ToRect(PanelGeometry(p.Client.right, p.Client.bottom, 0).Title);
  FillRect(dc, &title, p.WhiteBrush.Get());
  TScopedSelect font(dc, p.PanelFont.Get());
  SetBkColor(dc, White);
  SetTextColor(dc, Grey);
  DrawTextA(dc, p.SegmentTitle.data(), static_cast<int>(p.SegmentTitle.size()), &title, 0);
}

// The read-out computed anew and its two parts drawn, with PanelLock held.
void RefreshTime(TPanel& p) {
  std::vector<TSegmentTiming> timings;
  if (SegmentList != nullptr) {
    timings.reserve(static_cast<std::size_t>(SegmentList->Count()));
    for (std::int32_t i = 0; i < SegmentList->Count(); ++i) {
      const TSegmentInfo* s = SegmentList->Get(i);
      timings.push_back({s->FrameCount, s->FramesPerSecond});
    }
  }
  std::int32_t position = PlayerState.Velocity;
  if (position < 0 || position >= VelocityCount) position = DefaultVelocity;
  const TTimeReadout readout = ComputeTimeReadout(
      timings, PlayerState.CurrentSegment, PlayerState.FrameIndex, p.Segment.FramesPerSecond,
      SpeedText(VelocityTable[static_cast<std::size_t>(position)], p.DecimalSeparator,
                p.ThousandsSeparator));
  p.TimeLine = readout.TimeLine;
  p.Progress = readout.Progress;
  TScopedGetDC dc(BottomPanel);
  DrawTopStrip(p, dc.Get());
  DrawProgress(p, dc.Get());
}

void VelocityChanged(TtqSlider& slider) {
  PlayerState.Velocity = slider.GetPosition();
  if (SegmentList == nullptr || SegmentList->Count() == 0) return;
  CalcTimerPeriod();
  UpdateTime();
  SetTimerActive(PlayerState.PlayState == psPlaying);
}

HWND MakeButton(HWND panel, std::size_t index, DWORD style) {
  const TPanelButtonPlace& place = PanelButtons[index];
  return CreateWindowExA(0, "BUTTON", "", style, place.Left, PanelButtonTop, PanelButtonSize,
                         PanelButtonSize, panel,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(place.Command)),
                         GetModuleHandleA(nullptr), nullptr);
}

void CreatePanel(HWND panel) {
  auto p = std::make_unique<TPanel>();
  GetClientRect(panel, &p->Client);
  p->WhiteBrush.Reset(CreateSolidBrush(White));
  p->GreyBrush.Reset(CreateSolidBrush(Grey));
  p->GreyPen.Reset(CreatePen(PS_SOLID, 1, Grey));
  p->BlackPen.Reset(CreatePen(PS_SOLID, 1, 0x000000));
  p->PanelFont.Reset(CreateFontByName("Tahoma", 13, fsBold));
  p->FormatLine = FormatLineText(600, 400, 32, 12);
  p->DecimalSeparator = LocaleText(LOCALE_SDECIMAL, ".");
  p->ThousandsSeparator = LocaleText(LOCALE_STHOUSAND, ",");

  // Creation order is tab order.
  PlayButton = MakeButton(panel, 0, PushStyle);
  PauseButton = MakeButton(panel, 1, PushStyle);
  StopButton = MakeButton(panel, 2, PushStyle);
  SegmentsButton = MakeButton(panel, 3, CheckStyle);
  PrevButton = MakeButton(panel, 4, PushStyle);
  NextButton = MakeButton(panel, 5, PushStyle);
  FullScreenButton = MakeButton(panel, 6, CheckStyle);
  SetButtonBitmap(PlayButton, "PLAYBMP");
  SetButtonBitmap(PauseButton, "PAUSEBMP");
  SetButtonBitmap(StopButton, "STOPBMP");
  SetButtonBitmap(SegmentsButton, "SEGMENTSBMP");
  SetButtonBitmap(PrevButton, "PREVBMP");
  SetButtonBitmap(NextButton, "NEXTBMP");
  SetButtonBitmap(FullScreenButton, "FULLSCREENBMP");

  p->Slider = CreateControl<TtqSlider>(panel);
  TtqSlider& slider = *p->Slider;
  slider.SetBrush(p->WhiteBrush.Get());
  slider.SetTrackPen(p->GreyPen.Get());
  slider.SetThumbBitmap(LoadBitmapA(GetModuleHandleA(nullptr), "VELOCITYBMP"));
  const TRect place = PanelGeometry(0, 0, 0).Slider;
  MoveWindow(slider.Handle(), place.Left, place.Top, place.Right - place.Left,
             place.Bottom - place.Top, TRUE);
  slider.SetMax(VelocityCount - 1);
  slider.SetPosition(DefaultVelocity);
  PlayerState.Velocity = slider.GetPosition();
  // Set last, so that the first position is not a change.
  slider.FOnChange = VelocityChanged;

  std::lock_guard<std::mutex> hold(PanelLock);
  Panel = std::move(p);
}

void DestroyPanel() {
  std::unique_ptr<TPanel> gone;
  {
    std::lock_guard<std::mutex> hold(PanelLock);
    gone = std::move(Panel);
    BottomPanel = nullptr;
  }
  PlayButton = PauseButton = StopButton = SegmentsButton = nullptr;
  PrevButton = NextButton = FullScreenButton = nullptr;
}

// The panel's buttons give the main window's own commands, as its menu does.
bool IsPanelCommand(UINT id) {
  if (id == CM_OPEN) return true;
  for (const TPanelButtonPlace& place : PanelButtons)
    if (static_cast<UINT>(place.Command) == id) return true;
  return false;
}

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  try {
    switch (message) {
    case WM_CREATE:
      BottomPanel = window;
      CreatePanel(window);
      return 0;
    case WM_DESTROY:
      DestroyPanel();
      return 0;
    case WM_SIZE: {
      std::lock_guard<std::mutex> hold(PanelLock);
      if (Panel != nullptr) GetClientRect(window, &Panel->Client);
      return 0;
    }
    case WM_PAINT:
      result = DefWindowProcA(window, message, wParam, lParam);
      PaintPanel();
      return result;
    case WM_ERASEBKGND:
      return 1;
    case WM_COMMAND:
      if (IsPanelCommand(LOWORD(wParam)))
        SendMessageA(GetParent(window), WM_COMMAND, LOWORD(wParam), 0);
      if (BottomPanel != nullptr) {
        UpdateCommandStates();
        PaintPanel();
      }
      return 0;
    case WM_RBUTTONUP:
      ShowContextMenu(GetParent(window));
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
    }
  } catch (...) {
    MessageBoxA(nullptr, "Error in WndProc", "Error", MB_OK);
    return result;
  }
}
} // namespace

HWND CreateBottomPanel(HWND mainWindow) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA c{};
  c.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  c.lpfnWndProc = PanelProc;
  c.hInstance = instance;
  c.hCursor = LoadCursor(nullptr, IDC_ARROW);
  c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  c.lpszClassName = PanelClass;
  RegisterClassA(&c); // a second registration fails harmlessly
  return CreateWindowExA(WS_EX_CONTROLPARENT, PanelClass, "",
                         WS_CHILD | WS_CLIPCHILDREN | WS_TABSTOP, 0, 0, 600, 100, mainWindow,
                         nullptr, instance, nullptr);
}

TtqSlider* VelocitySlider() {
  return Panel != nullptr ? Panel->Slider.get() : nullptr;
}

void PaintPanel() {
  {
    std::lock_guard<std::mutex> hold(PanelLock);
    if (Panel == nullptr) return;
    const TPanel& p = *Panel;
    TScopedGetDC dc(BottomPanel);
    {
      TScopedSelect brush(dc.Get(), p.WhiteBrush.Get());
      Rectangle(dc.Get(), 0, 0, p.Client.right, p.Client.bottom);
    }
    DrawTopStrip(p, dc.Get());
    DrawProgress(p, dc.Get());
    DrawSegmentTitle(p, dc.Get());
  }
  // Outside the lock: showing a button sends messages that may paint.
  switch (PlayerState.PlayState) {
  case psStopped:
  case psPaused:
    ShowWindow(PlayButton, SW_SHOW);
    ShowWindow(PauseButton, SW_HIDE);
    break;
  case psPlaying:
    ShowWindow(PauseButton, SW_SHOW);
    ShowWindow(PlayButton, SW_HIDE);
    break;
  default:
    break;
  }
}

void UpdateSegmentInfo() {
  {
    std::lock_guard<std::mutex> hold(PanelLock);
    if (Panel == nullptr) return;
    TPanel& p = *Panel;
    const TSegmentInfo* s =
        SegmentList != nullptr ? SegmentList->Get(PlayerState.CurrentSegment) : nullptr;
    if (s != nullptr) {
      p.Segment = {s->Width, s->Height, s->BitsPerPixel, s->FramesPerSecond};
      p.SegmentTitle = s->Name;
      p.FormatLine = FormatLineText(s->Width, s->Height, s->BitsPerPixel, s->FramesPerSecond);
    } else {
      p.FormatLine.clear();
      p.TimeLine.clear();
    }
    TScopedGetDC dc(BottomPanel);
    DrawSegmentTitle(p, dc.Get());
    DrawTopStrip(p, dc.Get());
  }
  UpdateTime();
}

void UpdateTime() {
  std::lock_guard<std::mutex> hold(PanelLock);
  if (Panel != nullptr) RefreshTime(*Panel);
}

void MovePanelFocus(std::uint8_t playState) {
  // Stopping hides Pause as pausing does.
  const HWND losing = playState == psPlaying ? PlayButton : PauseButton;
  const HWND gaining = playState == psPlaying ? PauseButton : PlayButton;
  if (losing != nullptr && GetFocus() == losing) SetFocus(gaining);
}

TPanelReadout PanelReadout() {
  std::lock_guard<std::mutex> hold(PanelLock);
  if (Panel == nullptr) return {};
  return {Panel->FormatLine, Panel->TimeLine, Panel->SegmentTitle, Panel->Progress};
}
