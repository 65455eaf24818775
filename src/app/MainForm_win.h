// The main window of class "TQAPP": its creation (which places it, loads the attached movie
// and starts playing), its commands, menus and modes, and the program's main routine.
#pragma once

#include "MainForm.h"

#include <windows.h>

#include <string>

// The main window's state. Main thread only.
struct TMainFormState {
  HWND MainWindow = nullptr;
  HMENU MainMenu = nullptr;
  HMENU SubMenus[4] = {}; // File, Actions, View, Help
  HMENU ContextMenu = nullptr;
  RECT ClientRect{};
  bool SegmentListVisible = false;
  TSavedPlacement SavedPlacement;
  bool OpenEnabled = false; // the program carried no movie
  HFONT LoadingFont = nullptr;
  OPENFILENAMEA OpenFile{};
  char OpenFileName[261] = {};
};
extern TMainFormState MainForm;

constexpr char MainClassName[] = "TQAPP";

// The class, registered once; false when registration failed.
bool RegisterMainWindowClass(HINSTANCE instance);
// The hidden 600 x 400 window; its creation shows it and may destroy it again (nullptr then).
HWND CreateMainWindow(HINSTANCE instance);

// One message of the loop: dispatched unless the dialog navigation took it, then offered to
// the shortcuts.
void HandleLoopMessage(MSG& message, HWND mainWindow, HACCEL accelerators);
// The state the program starts in: stopped, the panel on, no full-screen mode, no list.
void SetInitialState();
// Frees the movie the main window loaded, deleting its frame files.
void FreeSegmentList();
// The program's main routine; ends when the main window has gone.
void QuilloMain();

// Commands and refreshes that other windows call.
void UpdateCommandStates();
void LayoutChildren();
void SavePlacement();
void RestorePlacement();
void ToggleFullScreen();
void ToggleSegmentList();
void TogglePanel();
void ShowFileInfo();
// The context menu at the mouse pointer, its commands going to window.
void ShowContextMenu(HWND window);
// Opens the movie file at path in place of the loaded one (the part of Open after its dialog).
void OpenMovieFile(const std::string& path);
void OpenMovie();

// Every command the main window handles passes here first, when set.
using TCommandObserver = void (*)(UINT id);
extern TCommandObserver CommandObserver;
