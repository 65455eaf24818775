// The about box: the dialog "ABOUTBOX", shown modally over the main window. Everything in it
// but the frame is drawn by hand in proportion to its client area: the program icon, the name
// with its shadow, the version, a two-line notice, a separator, the link to the project's site
// and the close button. Main thread only.
#pragma once

#include <windows.h>

INT_PTR CALLBACK AboutBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The project's site: the short form the link shows and the full form it opens.
extern const char SiteShortAddress[];
extern const char SiteAddress[];

// Opens an address in the user's browser; the link calls it with the full address. Tests put
// their own in its place.
using TOpenAddress = void (*)(HWND link, const char* address);
extern TOpenAddress OpenAddress;
