#include "UtqClock.h"

#include "UtqCircularBlocks.h"
#include "UtqDisplay_win.h"
#include "UtqPlayerState.h"
#include "UtqShell.h"
#include "movie/tqClasses.h"

#include <mmsystem.h>

#include <memory>

namespace {
constexpr UINT CommandStop = 112, CommandNext = 115;

HWND MainWindow() { return Shell != nullptr ? static_cast<HWND>(Shell->MainWindow()) : nullptr; }

// The tick's steps on the real bitmaps: one memory DC with the picture for the whole tick, and
// the main window's DC, got when the tick first draws to the window.
class TWinTickSteps final : public TTickSteps {
public:
  TWinTickSteps() : FPicture(Display.Picture()) {
    PreparePalette(FPicture.Get(), nullptr);
  }
  TWinTickSteps(const TWinTickSteps&) = delete;
  TWinTickSteps& operator=(const TWinTickSteps&) = delete;
  ~TWinTickSteps() override {
    // The window's DC goes back with the default palette.
    if (FWindow != nullptr && Display.ScreenBpp == 8 && Display.FrameBpp == 8)
      SelectPalette(FWindow->Get(), static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), TRUE);
  }

  bool FrontInUse() override {
    TBlock* front = PlayerState.FrontBlock;
    return front != nullptr && front->State == bsInUse;
  }
  bool FrontIsLast() override { return PlayerState.FrontBlock.load()->Last; }
  bool UnpackFrame() override {
    const char* message = nullptr;
    if (::UnpackFrame(message)) {
      // A palette change came with the frame.
      PreparePalette(FPicture.Get(), FWindow != nullptr ? FWindow->Get() : nullptr);
      return true;
    }
    TickFailure = message;
    return false;
  }
  void ApplyXorFrame() override { ::ApplyXorFrame(FPicture.Get()); }
  void ReadCursorStep() override { ::ReadCursorStep(); }
  void SaveUnderCursor() override { ::SaveUnderCursor(FPicture.Get()); }
  void DrawCursorShape() override { ::DrawCursorShape(FPicture.Get()); }
  void RestoreUnderCursor() override { ::RestoreUnderCursor(FPicture.Get()); }
  void CommitCursorPos() override { ::CommitCursorPos(); }
  void PresentCursorArea() override { ::PresentCursorArea(FPicture.Get(), Window()); }
  void PresentFrame() override { ::PresentFrame(FPicture.Get(), Window()); }
  void UpdateTime() override {
    if (Shell != nullptr) Shell->UpdateTime();
  }
  void FreeFrontBlock() override { PlayerState.FrontBlock.load()->State = bsFree; }
  bool TakeNextBlock() override {
    if (!AdvanceFrontBlock()) return false;
    PlayerState.Frame = PlayerState.FrontBlock.load()->Data.data();
    ++PlayerState.FrameIndex;
    return true;
  }
  void PostSegmentEnd() override { PostCommand(CommandNext); }
  void PostStop() override {
    // A stop of the main thread's own that is under way has made the take give up: it needs
    // no second one.
    if (PlayerState.MMTimer != 0) PostCommand(CommandStop);
  }

private:
  static void PostCommand(UINT command) {
    if (HWND window = MainWindow()) PostMessageA(window, WM_COMMAND, command, 0);
  }
  HDC Window() {
    if (FWindow == nullptr) {
      FWindow = std::make_unique<TWindowDc>(MainWindow());
      PreparePalette(FPicture.Get(), FWindow->Get());
    }
    return FWindow->Get();
  }

  TBitmapDc FPicture;
  std::unique_ptr<TWindowDc> FWindow;
};

void TickBody() {
  try {
    if (Display.Picture() != nullptr) {
      TWinTickSteps steps;
      RunTick(TickState, steps);
      PlayerState.TickCount = TickState.TickCount;
    }
  } catch (...) {
    // Nothing may unwind into the timer's thread; the next tick tries again.
  }
}

// A tick that falls due while another runs is dropped, not queued.
bool ClaimTick() {
  bool idle = true;
  return PlayerState.TickIdle.compare_exchange_strong(idle, false);
}

void CALLBACK TimerTick(UINT timer, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
  if (!ClaimTick()) return;
  // Looked at once the tick is claimed: SetTimerActive(false) clears the id and then waits for
  // the claim to go, so either it waits for this tick or this tick sees the id gone. A timer
  // killed a moment ago may still call once; only the one now running ticks.
  if (timer != 0 && timer == PlayerState.MMTimer) TickBody();
  PlayerState.TickIdle = true;
}
} // namespace

void RunOneTick() {
  if (!ClaimTick()) return;
  TickBody();
  PlayerState.TickIdle = true;
}

void SetTimerActive(bool on) {
  if (const UINT timer = PlayerState.MMTimer) {
    // No tick may start once the id is gone; one that has started is let finish.
    PlayerState.MMTimer = 0;
    timeKillEvent(timer);
  }
  while (!PlayerState.TickIdle)
    Sleep(10);
  if (!on) return;
  if (PlayerState.TimerPeriod < MinTimerPeriod) PlayerState.TimerPeriod = MinTimerPeriod;
  const UINT timer = timeSetEvent(static_cast<UINT>(PlayerState.TimerPeriod.load()), MinTimerPeriod,
                                  TimerTick, 0, TIME_PERIODIC);
  if (timer == 0) throw Exception("MMTimer = 0");
  PlayerState.MMTimer = timer;
}
