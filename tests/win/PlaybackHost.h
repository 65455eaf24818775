// A real top-level window that drives the engine as the main window will: it routes the
// transport commands, implements the shell interface, and records what the engine asked of it.
#pragma once

#include "engine/UtqShell.h"
#include "shell/GdiHandles.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

class TPlaybackHost final : public TtqShell {
public:
  // A visible window whose client area is width x height.
  TPlaybackHost(int clientWidth, int clientHeight);
  TPlaybackHost(const TPlaybackHost&) = delete;
  TPlaybackHost& operator=(const TPlaybackHost&) = delete;
  ~TPlaybackHost() override;

  HWND Handle() const { return FWindow; }
  void Command(UINT id) { SendMessageA(FWindow, WM_COMMAND, id, 0); }
  void Resize(int width, int height);
  // Dispatches the thread's messages until the condition holds or the time is up.
  bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);
  void PumpFor(DWORD ms);

  // The client pixels (0x00RRGGBB), read back from the window's DC.
  std::vector<std::uint32_t> Capture() const;
  int ClientWidth() const;
  int ClientHeight() const;

  // Called when command 115 arrives, before the next segment starts; false keeps the host from
  // starting it (the command is only counted).
  std::function<bool()> OnSegmentEnd;
  // Run when WM_APP arrives: something the test has the window do from inside a wait.
  std::function<void()> OnApp;
  std::atomic<int> SegmentEnds{0};
  std::atomic<int> TimeUpdates{0};
  std::atomic<int> StopsPosted{0};
  int FullScreenToggles = 0;
  int CommandStateUpdates = 0;
  bool Destroyed = false;

  void* MainWindow() override { return FWindow; }
  void UpdateCommandStates() override { ++CommandStateUpdates; }
  void MoveFocusForPlayState(std::uint8_t) override {}
  void PaintPanel() override {}
  void UpdateSegmentInfo() override {}
  void ToggleFullScreen() override;
  void SavePlacement() override {}
  void UpdateTime() override { ++TimeUpdates; }

private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void OnCommand(UINT id);

  HWND FWindow = nullptr;
};

// Every thread of the process.
int ProcessThreadCount();
