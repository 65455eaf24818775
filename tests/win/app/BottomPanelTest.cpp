// The bottom panel of the main window made in this process: its pixels read back from the
// screen, its buttons and slider driven by real mouse messages while the demo plays.
#include "MainWindowFixture.h"
#include "engine/UtqPlayerState.h"
#include "shell/WindowPixels.h"
#include "ui/UtqBottomPanel.h"
#include "ui/UtqBottomPanel_win.h"
#include "ui/UtqSegmentList_win.h"
#include "ui/tqSlider_win.h"

#include <atomic>
#include <regex>
#include <thread>

namespace {
constexpr std::uint32_t PanelGrey = Rgb(0x888080);
constexpr std::uint32_t White = 0xFFFFFF;
constexpr std::uint32_t Black = 0x000000;

RECT RectInPanel(HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, BottomPanel, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string LocaleText(LCTYPE item) {
  char text[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, item, text, sizeof text);
  return text;
}

std::string SpeedOf(float factor) {
  return SpeedText(factor, LocaleText(LOCALE_SDECIMAL), LocaleText(LOCALE_STHOUSAND));
}

bool Pressed(HWND button) {
  return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

class ControlPanel : public TMainWindowFixture {
protected:
  // A left click at the centre of a window, as the mouse sends it.
  void Click(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(window, WM_LBUTTONUP, 0, at);
    PumpFor(30);
  }
  // Ticks the clock makes in the given time.
  int TicksIn(DWORD ms) {
    const int before = PlayerState.TickCount;
    PumpFor(ms);
    return PlayerState.TickCount - before;
  }
};

TEST_F(ControlPanel, PixelsAt600By40WithAFullProgressBar) {
  OpenDemo();
  SetWindowPos(Window, nullptr, 0, 0, 900, 600, SWP_NOZORDER | SWP_NOMOVE);
  PumpFor(50);
  MoveWindow(BottomPanel, 0, 0, 600, 40, TRUE);
  // The last frame of the last segment: the whole movie has gone by.
  const std::int32_t last = SegmentList->Count() - 1;
  PlayerState.CurrentSegment = last;
  PlayerState.FrameIndex = SegmentList->Get(last)->FrameCount - 1;
  UpdateSegmentInfo();
  PaintPanel();
  PumpFor(50);
  PaintPanel();
  ASSERT_EQ(PanelReadout().Progress, 100);

  // The buttons, the slider: each in its own place, Play and Pause sharing one.
  const HWND buttons[] = {PlayButton,     PauseButton, StopButton,      SegmentsButton,
                          PrevButton,     NextButton,  FullScreenButton};
  for (std::size_t i = 0; i < PanelButtons.size(); ++i) {
    const RECT r = RectInPanel(buttons[i]);
    EXPECT_EQ(r.left, PanelButtons[i].Left) << i;
    EXPECT_EQ(r.right, PanelButtons[i].Left + 24) << i;
    EXPECT_EQ(r.top, 8) << i;
    EXPECT_EQ(r.bottom, 32) << i;
  }
  EXPECT_TRUE(IsWindowVisible(PlayButton));
  EXPECT_FALSE(IsWindowVisible(PauseButton));
  const RECT slider = RectInPanel(VelocitySlider()->Handle());
  EXPECT_EQ(slider.left, 322);
  EXPECT_EQ(slider.top, 18);
  EXPECT_EQ(slider.right, 392);
  EXPECT_EQ(slider.bottom, 38);

  const TWindowPixels px = CaptureClient(BottomPanel);
  ASSERT_EQ(px.Width, 600);
  ASSERT_EQ(px.Height, 40);
  // White inside a black border, and white in every gap between the parts.
  EXPECT_EQ(px.At(0, 20), Black);
  EXPECT_EQ(px.At(599, 30), Black);
  EXPECT_EQ(px.At(100, 0), Black);
  EXPECT_EQ(px.At(100, 39), Black);
  for (const int x : {4, 190, 318, 396}) EXPECT_EQ(px.At(x, 28), White) << x;
  EXPECT_EQ(px.At(190, 4), White);

  // The strip: grey right of its slanted black edge, which runs from (194, 0) to (210, 16), and
  // a black line along its foot.
  EXPECT_EQ(px.At(202, 12), White);
  EXPECT_EQ(px.At(211, 8), PanelGrey);
  bool edge = false;
  for (int x = 203; x <= 208; ++x) edge = edge || px.At(x, 10) == Black;
  EXPECT_TRUE(edge);
  EXPECT_EQ(px.At(300, 16), Black);
  EXPECT_EQ(px.At(300, 17), White);
  // The read-outs are white on grey: the format line from 214, the time line right-aligned
  // in 429 to 598, nothing white between them.
  int formatLeft = 600, formatRight = -1, timeLeft = 600, timeRight = -1, grey = 0;
  for (int y = 1; y < 16; ++y)
    for (int x = 211; x < 599; ++x) {
      if (px.At(x, y) == PanelGrey) ++grey;
      if (px.At(x, y) != White) continue;
      if (x < 400) {
        formatLeft = std::min(formatLeft, x);
        formatRight = std::max(formatRight, x);
      } else {
        timeLeft = std::min(timeLeft, x);
        timeRight = std::max(timeRight, x);
      }
    }
  EXPECT_GT(grey, 2000);
  EXPECT_GE(formatLeft, 214);
  EXPECT_GE(timeLeft, 429);
  EXPECT_LT(timeRight, 598);
  EXPECT_GT(timeRight, 580); // flush right
  EXPECT_LT(formatRight, timeLeft);

  // The progress frame 210..314 at 23..33 with a full bar filling 212..312 exactly.
  EXPECT_EQ(px.At(210, 28), PanelGrey);
  EXPECT_EQ(px.At(313, 28), PanelGrey);
  EXPECT_EQ(px.At(260, 23), PanelGrey);
  EXPECT_EQ(px.At(260, 32), PanelGrey);
  EXPECT_EQ(px.At(260, 22), White);
  EXPECT_EQ(px.At(260, 33), White);
  EXPECT_EQ(px.At(211, 28), White);
  EXPECT_EQ(px.At(212, 28), PanelGrey);
  EXPECT_EQ(px.At(311, 28), PanelGrey);
  EXPECT_EQ(px.At(312, 28), White);
  EXPECT_EQ(px.At(260, 24), White);
  EXPECT_EQ(px.At(260, 25), PanelGrey);
  EXPECT_EQ(px.At(260, 30), PanelGrey);
  EXPECT_EQ(px.At(260, 31), White);

  // The title: grey text on white from x 400 within y 21..37.
  int titleGrey = 0, outsideGrey = 0;
  for (int y = 17; y < 39; ++y)
    for (int x = 396; x < 599; ++x) {
      const bool inside = x >= 400 && y >= 21 && y < 37;
      if (px.At(x, y) == PanelGrey) ++(inside ? titleGrey : outsideGrey);
    }
  EXPECT_GT(titleGrey, 20);
  EXPECT_EQ(outsideGrey, 0);
}

TEST_F(ControlPanel, ButtonsDriveThePlayerAndShowItsModes) {
  OpenDemo();
  SetFocus(PlayButton);
  Click(PlayButton);
  ASSERT_TRUE(PumpUntil([] { return PlayerState.PlayState == psPlaying; }, 3000));
  PumpFor(30);
  // Play and Pause trade places, and the focus goes with them.
  EXPECT_FALSE(IsWindowVisible(PlayButton));
  EXPECT_TRUE(IsWindowVisible(PauseButton));
  EXPECT_EQ(GetFocus(), PauseButton);
  EXPECT_TRUE(PlayingFrames(3));

  Click(PauseButton);
  ASSERT_TRUE(PumpUntil([] { return PlayerState.PlayState == psPaused; }, 3000));
  EXPECT_TRUE(IsWindowVisible(PlayButton));
  EXPECT_FALSE(IsWindowVisible(PauseButton));
  EXPECT_EQ(GetFocus(), PlayButton);

  Click(PlayButton);
  ASSERT_TRUE(PumpUntil([] { return PlayerState.PlayState == psPlaying; }, 3000));
  Click(StopButton);
  ASSERT_TRUE(PumpUntil([] { return PlayerState.PlayState == psStopped; }, 3000));
  EXPECT_EQ(PlayerState.FrameIndex, -1);
  EXPECT_TRUE(IsWindowVisible(PlayButton));

  Click(NextButton);
  EXPECT_TRUE(PumpUntil([] { return PlayerState.CurrentSegment == 1; }, 3000));
  Click(NextButton);
  EXPECT_TRUE(PumpUntil([] { return PlayerState.CurrentSegment == 2; }, 3000));
  EXPECT_NE(PanelReadout().SegmentTitle.find(SegmentList->Get(2)->Name), std::string::npos);
  Click(PrevButton);
  EXPECT_TRUE(PumpUntil([] { return PlayerState.CurrentSegment == 1; }, 3000));
  Click(StopButton);
  ASSERT_TRUE(PumpUntil([] { return PlayerState.PlayState == psStopped; }, 3000));

  // The two mode buttons stay pressed while their mode is on.
  Click(SegmentsButton);
  EXPECT_TRUE(MainForm.SegmentListVisible);
  EXPECT_TRUE(IsWindowVisible(SegmentListWindow));
  EXPECT_TRUE(Pressed(SegmentsButton));
  Click(SegmentsButton);
  EXPECT_FALSE(MainForm.SegmentListVisible);
  EXPECT_FALSE(Pressed(SegmentsButton));

  Click(FullScreenButton);
  EXPECT_TRUE(PlayerState.FullScreen);
  EXPECT_TRUE(Pressed(FullScreenButton));
  Click(FullScreenButton);
  EXPECT_FALSE(PlayerState.FullScreen);
  EXPECT_FALSE(Pressed(FullScreenButton));
}

TEST_F(ControlPanel, DraggingTheSliderWhilePlayingChangesTheTickRateAndTheSpeedText) {
  OpenDemo();
  TtqSlider& slider = *VelocitySlider();
  ASSERT_EQ(slider.GetPosition(), 3);
  Click(PlayButton);
  ASSERT_TRUE(PlayingFrames(1));
  const int slow = TicksIn(800);
  EXPECT_EQ(PanelReadout().TimeLine.rfind(SpeedOf(1.0f) + "    ", 0), 0u)
      << PanelReadout().TimeLine;

  // Pressed on the thumb and drawn to the right until the slider stands at x10.
  const HWND h = slider.Handle();
  int x = slider.PositionToThumb() + slider.Model().FThumbWidth / 2;
  PostMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 10));
  while (slider.GetPosition() < 7 && x < 200) {
    x += 2;
    PostMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 10));
    PumpFor(5);
  }
  PostMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(x, 10));
  PumpFor(30);
  ASSERT_EQ(slider.GetPosition(), 7);
  EXPECT_EQ(PlayerState.PlayState, psPlaying);
  EXPECT_EQ(PlayerState.TimerPeriod, 10);
  const int fast = TicksIn(800);
  EXPECT_GE(fast, 3 * slow) << slow << " ticks before, " << fast << " after";
  EXPECT_EQ(PanelReadout().TimeLine.rfind(SpeedOf(10.0f) + "    ", 0), 0u)
      << PanelReadout().TimeLine;
}

TEST_F(ControlPanel, TheReadoutStaysWholeWhileTheTickAndTheWindowBothWriteIt) {
  OpenDemo();
  VelocitySlider()->SetPosition(8);
  Click(PlayButton);
  ASSERT_TRUE(PlayingFrames(1));
  // The ticks rewrite the read-out every 10 ms; this thread rewrites it too, and reads it.
  const std::regex shape(R"(x[0-9.,\s\xA0]+    \d\d:\d\d:\d\d \| \d\d:\d\d:\d\d)");
  int reads = 0, torn = 0;
  const DWORD until = GetTickCount() + 1500;
  while (GetTickCount() < until && PlayerState.PlayState == psPlaying) {
    UpdateSegmentInfo();
    const TPanelReadout r = PanelReadout();
    ++reads;
    if (!std::regex_match(r.TimeLine, shape) || r.Progress < 0 || r.Progress > 100) ++torn;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
      if (m.message != WM_QUIT) HandleLoopMessage(m, Window, Accelerators);
  }
  EXPECT_GT(reads, 100);
  EXPECT_EQ(torn, 0);
}
} // namespace
