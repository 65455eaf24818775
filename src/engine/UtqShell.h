// What the engine needs of the application shell: the main window and the panel behind one
// small interface, so that the engine is driven the same by the real main window and by a test
// host.
#pragma once

#include <cstdint>

class TtqShell {
public:
  virtual ~TtqShell() = default;

  // The main window (HWND): the picture is drawn into its client area, and the engine's posted
  // commands go to it. Created and destroyed on the main thread.
  virtual void* MainWindow() = 0;

  // Main thread only.
  virtual void UpdateCommandStates() = 0;    // menu and button states after a play state change
  virtual void MoveFocusForPlayState(std::uint8_t state) = 0; // Play <-> Pause button focus
  virtual void PaintPanel() = 0;
  virtual void UpdateSegmentInfo() = 0;      // the panel's segment name and size
  virtual void ToggleFullScreen() = 0;
  virtual void SavePlacement() = 0;          // the window's place before playing

  // Called by the tick, on the timer thread: refreshes the panel's time read-out from
  // PlayerState. It must not call into windows that belong to the main thread (no
  // SendMessage): it draws through its own DC.
  virtual void UpdateTime() = 0;
};

// Set by the main window when it is created and cleared when it goes.
extern TtqShell* Shell;
