// The bottom control panel: a child window of its own class along the main window's bottom
// edge, with the transport buttons, the speed slider and the read-outs of format, time,
// progress and segment. Its window lives on the main thread; UpdateTime is also called by the
// clock's tick on the timer thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class TtqSlider;

// The panel's window; the main window sizes and shows it.
extern HWND BottomPanel;
// The panel's buttons; none until the panel has made them, and none again after it has gone.
extern HWND PlayButton;
extern HWND PauseButton;
extern HWND StopButton;
extern HWND SegmentsButton;
extern HWND PrevButton;
extern HWND NextButton;
extern HWND FullScreenButton;

// Registers the class "tqBottomPanel" and makes the (hidden) panel in the main window.
HWND CreateBottomPanel(HWND mainWindow);

// The speed slider; nullptr while there is no panel.
TtqSlider* VelocitySlider();

// The whole panel drawn again, and Play or Pause shown by the play state.
void PaintPanel();
// The format line and title of the current segment, then the time read-out.
void UpdateSegmentInfo();
// The time read-out and the progress bar from the play state, drawn at once. Either thread.
void UpdateTime();
// The focus follows Play and Pause as they trade places: when the one about to be hidden has it.
void MovePanelFocus(std::uint8_t playState);

// What the panel shows now.
struct TPanelReadout {
  std::string FormatLine;
  std::string TimeLine;
  std::string SegmentTitle;
  std::int32_t Progress = 0;
};
TPanelReadout PanelReadout();
