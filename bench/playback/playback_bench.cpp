// Playback on a real window at the fastest speed (a tick every 10 ms): the ticks the clock
// achieved against those asked for, and the time of one tick (decode, apply, cursor, present)
// against one plain BitBlt of the same picture to the same window, measured in the same run.
//   playback_bench <demo movie>
// The demo's 1024 x 735 segment always; a 1920 x 1080 segment when the screen is that large.
#include "engine/UtqCircularBlocks.h"
#include "engine/UtqClock.h"
#include "engine/UtqDisplay_win.h"
#include "engine/UtqPlayback.h"
#include "engine/UtqPlayerState.h"
#include "engine/UtqShell.h"
#include "movie/tqMovieLoader.h"
#include "movie/tqSegments.h"
#include "writer/FrameEncoder.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {
constexpr int Fastest = 8;

double Now() {
  LARGE_INTEGER c, f;
  QueryPerformanceCounter(&c);
  QueryPerformanceFrequency(&f);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

class TBenchWindow final : public TtqShell {
public:
  TBenchWindow() {
    WNDCLASSA c{};
    c.lpfnWndProc = Proc;
    c.hInstance = GetModuleHandleA(nullptr);
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    c.lpszClassName = "QuilloPlaybackBench";
    RegisterClassA(&c);
    Window = CreateWindowA(c.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0,
                           GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1,
                           nullptr, nullptr, c.hInstance, nullptr);
    Shell = this;
    PumpTarget.Window = Window;
  }
  TBenchWindow(const TBenchWindow&) = delete;
  TBenchWindow& operator=(const TBenchWindow&) = delete;
  ~TBenchWindow() override {
    DestroyWindow(Window);
    Shell = nullptr;
    PumpTarget.Window = nullptr;
  }
  void* MainWindow() override { return Window; }
  void UpdateCommandStates() override {}
  void MoveFocusForPlayState(std::uint8_t) override {}
  void PaintPanel() override {}
  void UpdateSegmentInfo() override {}
  void ToggleFullScreen() override {}
  void SavePlacement() override {}
  void UpdateTime() override {}

  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_COMMAND && LOWORD(wp) == 115) {
      ++SegmentEnds;
      return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
  }
  static int SegmentEnds;
  HWND Window = nullptr;
};
int TBenchWindow::SegmentEnds = 0;

void Pump() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

// 1920 x 1080 at 32 bits: a desktop with windows that move and a text that grows, 120 frames.
void AddLargeSegment(TSegmentList& list) {
  TSegmentInfo& s = *list.Add();
  const int w = 1920, h = 1080, frames = 120;
  s.Width = w;
  s.Height = h;
  s.BitsPerPixel = 32;
  s.FrameCount = frames;
  s.FramesPerSecond = 10;
  NQuillo::TFrameEncoder encoder(w, h, 32);
  std::vector<std::uint32_t> picture(static_cast<std::size_t>(w) * h);
  std::vector<std::uint8_t> record;
  for (int f = 0; f < frames; ++f) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        std::uint32_t v = 0x3A6EA5 + static_cast<std::uint32_t>(y / 40);
        const int wx = 200 + f * 5, wy = 150 + f * 2;
        if (x >= wx && x < wx + 900 && y >= wy && y < wy + 600) {
          v = 0xF0F0F0;
          const int line = (y - wy) / 14, column = (x - wx) / 7;
          if ((y - wy) % 14 < 9 && line < f / 2 && ((column * 7 + line * 3) % 11) < 6) v = 0x202020;
        }
        picture[static_cast<std::size_t>(y) * w + x] = v;
      }
    encoder.Encode(NQuillo::TPictureView{reinterpret_cast<const std::uint8_t*>(picture.data()),
                                         picture.size() * 4, static_cast<std::size_t>(w) * 4},
                   record);
    s.FrameData->Write(record.data(), static_cast<std::int32_t>(record.size()));
  }
  const std::uint8_t noShape[6] = {0xFF, 0xFF, 0, 0, 0, 0};
  for (int t = 0; t < frames; ++t) s.CursorTrack.Write(noShape, 6);
  s.CursorTrack.SetPosition(0);
}

void Measure(TSegmentList& list, std::int32_t index, const TBenchWindow& window) {
  const TSegmentInfo& s = *list.Get(index);
  // The clock: play the segment through and count the ticks that ran.
  PlayerState.Velocity = Fastest;
  TBenchWindow::SegmentEnds = 0;
  if (!StartSegment(index)) {
    std::printf("segment %d did not start\n", index);
    return;
  }
  const double start = Now();
  while (TBenchWindow::SegmentEnds == 0 && Now() - start < 60) {
    Pump();
    Sleep(1);
  }
  const double elapsed = Now() - start;
  const int ran = PlayerState.TickCount;
  const int period = PlayerState.TimerPeriod;
  const double asked = elapsed * 1000.0 / period;
  SetTimerActive(false);
  std::printf("%d x %d x %d, period %d ms: %d ticks ran in %.3f s, %.1f asked for\n", s.Width,
              s.Height, s.BitsPerPixel, period, ran, elapsed, asked);
  std::printf("ticks achieved/asked %.2f\n", ran / asked);

  // One tick against one BitBlt of the picture: ticks run by hand with the clock stopped.
  PlayerState.Velocity = 0;
  StartSegment(index);
  SetTimerActive(false);
  std::vector<double> ticks;
  for (int i = 0; i + 2 < s.FrameCount; ++i) {
    const double t0 = Now();
    RunOneTick();
    GdiFlush();
    ticks.push_back(Now() - t0);
  }
  std::vector<double> blits;
  {
    TBitmapDc picture(Display.Picture());
    TWindowDc target(window.Window);
    const TPicturePlacement p = Placement.Load();
    for (int i = 0; i < 100; ++i) {
      const double t0 = Now();
      BitBlt(target.Get(), p.ImageLeft, p.ImageTop, Display.FrameWidth, Display.FrameHeight,
             picture.Get(), 0, 0, SRCCOPY);
      GdiFlush();
      blits.push_back(Now() - t0);
    }
  }
  Stop();
  std::sort(ticks.begin(), ticks.end());
  std::sort(blits.begin(), blits.end());
  const double tick = ticks[ticks.size() / 2], blit = blits[blits.size() / 2];
  std::printf("tick/BitBlt %.2f (median tick %.3f ms over %zu ticks, median BitBlt %.3f ms)\n",
              tick / blit, tick * 1000, ticks.size(), blit * 1000);
}
} // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: playback_bench <demo movie>\n");
    return 2;
  }
  try {
    TSegmentList list;
    SegmentList = &list;
    TBlockChain chain;
    for (int i = 0; i < 12; ++i) chain.Add();
    PlayerState.BlockChain = &chain;
    InitDisplay();
    TBenchWindow window;
    {
      TtqFileStream movie(argv[1], TtqFileStream::ModeRead);
      if (!LoadMovie(&movie)) return 1;
    }
    PlayerState.PanelVisible = false;
    Measure(list, 0, window);
    if (GetSystemMetrics(SM_CXSCREEN) >= 1920 && GetSystemMetrics(SM_CYSCREEN) >= 1080) {
      AddLargeSegment(list);
      Measure(list, list.Count() - 1, window);
    } else {
      std::printf("1920 x 1080: needs a screen that large (QUILLO_XVFB_SCREEN=1920x1080x24)\n");
    }
    EndPlayback();
    list.Clear();
    SegmentList = nullptr;
    PlayerState.BlockChain = nullptr;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
