#include "EngineStateScope.h"
#include "engine/UtqCircularBlocks.h"
#include "engine/UtqPlayerState.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {
constexpr UINT CloseDuringWait = WM_APP + 1;
constexpr int ExitCode = 7;

// A close handled while the main thread waits: the window asks for the loop to end and the
// wait to give up, as the main window's destruction does.
LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == CloseDuringWait) {
    PlayerState.StopWaiting = true;
    PostQuitMessage(ExitCode);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

class THostWindow {
public:
  THostWindow() {
    WNDCLASSA c{};
    c.lpfnWndProc = HostProc;
    c.hInstance = GetModuleHandleA(nullptr);
    c.lpszClassName = "PumpTestHost";
    RegisterClassA(&c);
    FHandle = CreateWindowA("PumpTestHost", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                            nullptr, c.hInstance, nullptr);
  }
  THostWindow(const THostWindow&) = delete;
  THostWindow& operator=(const THostWindow&) = delete;
  ~THostWindow() {
    DestroyWindow(FHandle);
    UnregisterClassA("PumpTestHost", GetModuleHandleA(nullptr));
  }
  HWND Handle() const { return FHandle; }

private:
  HWND FHandle;
};

// The wait sees a reader that never delivers; it is no thread, so it is cleared by hand.
struct TSilentReader {
  TSilentReader() { PlayerState.ReaderThread = 1; }
  TSilentReader(const TSilentReader&) = delete;
  TSilentReader& operator=(const TSilentReader&) = delete;
  ~TSilentReader() { PlayerState.ReaderThread = 0; }
};
} // namespace

TEST(PumpMessages, AQuitMetDuringABlockWaitReachesTheMessageLoop) {
  TEngineStateScope engine;
  THostWindow host;
  ASSERT_NE(host.Handle(), nullptr);
  PumpTarget.Window = host.Handle();
  PlayerState.FrontBlock = engine.Chain.Head();
  {
    TSilentReader reader;
    PostMessageA(host.Handle(), CloseDuringWait, 0, 0);
    WaitNextBlock(PlayerState.FrontBlock, TBlockSide::Player, PlayerState.FrontBlock);
  }
  EXPECT_EQ(PlayerState.FrontBlock.load(), engine.Chain.Head()); // the wait gave up

  // The loop after the wait must still get the quit message, with its exit code.
  MSG message{};
  bool quit = false;
  for (int i = 0; i < 100 && !quit; ++i) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit = true;
        break;
      }
      DispatchMessageA(&message);
    }
    if (!quit) Sleep(10);
  }
  ASSERT_TRUE(quit);
  EXPECT_EQ(message.wParam, static_cast<WPARAM>(ExitCode));
}
