// The main window made in this process as the program makes it, with the loop's own step for
// pumping its messages, for tests that drive it by real messages.
#pragma once

#include "EngineStateScope.h"
#include "SharedDemo.h"
#include "app/MainForm_win.h"
#include "movie/tqSegments.h"
#include "shell/ShellStateScope.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <windows.h>

// The commands the main window handled, in order.
inline std::vector<UINT>& SeenCommands() {
  static std::vector<UINT> seen;
  return seen;
}
inline void RecordCommand(UINT id) {
  SeenCommands().push_back(id);
}

class TMainWindowFixture : public ::testing::Test {
protected:
  void SetUp() override {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    Accelerators = LoadAcceleratorsA(instance, "MENUP");
    ASSERT_NE(Accelerators, nullptr);
    SetInitialState();
    ASSERT_TRUE(RegisterMainWindowClass(instance));
    Window = CreateMainWindow(instance);
    ASSERT_NE(Window, nullptr);
    SetForegroundWindow(Window);
    SeenCommands().clear();
    CommandObserver = RecordCommand;
    PumpFor(50);
  }
  void TearDown() override {
    CommandObserver = nullptr;
    if (MainForm.MainWindow != nullptr) DestroyWindow(MainForm.MainWindow);
    PumpFor(10);
    FreeSegmentList();
    MainForm = TMainFormState();
    DestroyAcceleratorTable(Accelerators);
  }

  // The message loop's own step for every waiting message, until the condition holds.
  bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
      MSG m;
      while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        if (m.message != WM_QUIT) HandleLoopMessage(m, Window, Accelerators);
      if (condition()) return true;
      if (GetTickCount() - start > timeoutMs) return false;
      Sleep(1);
    }
  }
  void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
  }
  void Command(UINT id) { SendMessageA(Window, WM_COMMAND, id, 0); }
  HMENU Sub(int i) const { return MainForm.SubMenus[i]; }
  HMENU Context() const { return MainForm.ContextMenu; }
  void OpenDemo() {
    OpenMovieFile(SharedDemoPath());
    ASSERT_EQ(SegmentList->Count(), 3);
  }
  bool PlayingFrames(int frames) {
    return PumpUntil([&] { return PlayerState.FrameIndex >= frames; }, 10000);
  }

  TEngineStateScope Engine;
  TShellStateScope ShellState;
  HACCEL Accelerators = nullptr;
  HWND Window = nullptr;
};
