// The segment list window: a child window of its own class at the main window's left edge,
// holding a list box with one line per loaded segment. Main thread only.
#pragma once

#include <windows.h>

extern HWND SegmentListWindow;
extern HWND SegmentListBox;

// Registers the class "tqSegmentList" and makes the (hidden) window in the main window.
HWND CreateSegmentListWindow(HWND mainWindow);
// The lines anew from the segment list: line i is the name of segment i, the current one
// selected.
void FillSegmentList();
