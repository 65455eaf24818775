// The bottom control panel: a child window of its own class along the main window's bottom
// edge. Main thread only.
#pragma once

#include <windows.h>

// The panel's window; the main window sizes and shows it.
extern HWND BottomPanel;
// The panel's check buttons; none until the panel has made its buttons.
extern HWND FullScreenButton;
extern HWND SegmentsButton;

// Registers the class "tqBottomPanel" and makes the (hidden) panel in the main window.
HWND CreateBottomPanel(HWND mainWindow);
