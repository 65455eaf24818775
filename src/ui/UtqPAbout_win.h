// The about box: the dialog "ABOUTBOX", shown modally over the main window.
#pragma once

#include <windows.h>

INT_PTR CALLBACK AboutBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
