// The segment list window: a child window of its own class at the main window's left edge,
// with a grey title "Сегменты" and a list box of one line per loaded segment. Choosing a line
// plays that segment and closes the list. Main thread only.
#pragma once

#include <windows.h>

extern HWND SegmentListWindow;
extern HWND SegmentListBox;

// Registers the class "tqSegmentList" and makes the (hidden) window in the main window.
HWND CreateSegmentListWindow(HWND mainWindow);
// The lines anew from the segment list: line i is the name of segment i, the current one
// selected. With no segments loaded the lines stay as they are.
void FillSegmentList();
// Closes the list and plays the segment of the selected line from its first frame; with no
// line selected nothing starts.
void ChooseListedSegment();
