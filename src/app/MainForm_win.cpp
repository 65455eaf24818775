#include "MainForm_win.h"

#include "UtqCmd.h"
#include "engine/UtqCircularBlocks.h"
#include "engine/UtqClock.h"
#include "engine/UtqDisplay_win.h"
#include "engine/UtqPlayback.h"
#include "engine/UtqPlayerState.h"
#include "engine/UtqShell.h"
#include "movie/tqMovieLoader.h"
#include "movie/tqSegments.h"
#include "resources/tqResourceIds.h"
#include "ui/UtqBottomPanel_win.h"
#include "ui/UtqCommon_win.h"
#include "ui/UtqPAbout_win.h"
#include "ui/UtqSegmentList_win.h"
#include "ui/tqScoped_win.h"

#include <functional>
#include <memory>

TMainFormState MainForm;
TCommandObserver CommandObserver = nullptr;

namespace {
constexpr DWORD NormalStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD FullScreenStyle = WS_CLIPCHILDREN | WS_BORDER;
enum { mFile = 0, mActions = 1, mView = 2 };
// The string table's "cannot open" text with the file's path.
std::string CannotOpenText(const std::string& path) {
  return Format(LoadResString(IDS_CANNOTOPEN).c_str(), path.c_str());
}

std::string ProgramPath() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

// The movie and the ring the main window owns.
std::unique_ptr<TSegmentList> OwnedSegments;
std::unique_ptr<TBlockChain> OwnedChain;

// The engine reaches the window through this.
class TMainShell final : public TtqShell {
public:
  void* MainWindow() override { return MainForm.MainWindow; }
  void UpdateCommandStates() override { ::UpdateCommandStates(); }
  void MoveFocusForPlayState(std::uint8_t state) override { MovePanelFocus(state); }
  void PaintPanel() override { ::PaintPanel(); }
  void UpdateSegmentInfo() override { ::UpdateSegmentInfo(); }
  void ToggleFullScreen() override { ::ToggleFullScreen(); }
  void SavePlacement() override { ::SavePlacement(); }
  // On the timer thread: the panel draws through a DC of its own, under its lock.
  void UpdateTime() override { ::UpdateTime(); }
};
TMainShell MainShell;

TRect RectOf(const RECT& r) {
  return TRect{r.left, r.top, r.right, r.bottom};
}

void MoveTo(HWND window, const TRect& r, bool repaint) {
  MoveWindow(window, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top, repaint);
}

void SetMenuItemsChecked(HMENU sub, UINT subPosition, UINT contextPosition, bool checked) {
  CheckMenuItemAt(sub, subPosition, checked);
  CheckMenuItemAt(MainForm.ContextMenu, contextPosition, checked);
}

void BuildContextMenu() {
  // "Загрузить...", "Воспроизведение", "Пауза", "Стоп", "Сегменты", "Предыдущий", "Следующий",
  // "Панель управления", "Во весь экран", "Справка", "О программе..."
  const struct {
    UINT Id;
    const char* Text;
  } items[] = {
      {CM_OPEN, "\xC7\xE0\xE3\xF0\xF3\xE7\xE8\xF2\xFC..."},
      {0, nullptr},
      {CM_PLAY, "\xC2\xEE\xF1\xEF\xF0\xEE\xE8\xE7\xE2\xE5\xE4\xE5\xED\xE8\xE5"},
      {CM_PAUSE, "\xCF\xE0\xF3\xE7\xE0"},
      {CM_STOP, "\xD1\xF2\xEE\xEF"},
      {0, nullptr},
      {CM_SEGMENTS, "\xD1\xE5\xE3\xEC\xE5\xED\xF2\xFB"},
      {CM_PREVIOUS, "\xCF\xF0\xE5\xE4\xFB\xE4\xF3\xF9\xE8\xE9"},
      {CM_NEXT, "\xD1\xEB\xE5\xE4\xF3\xFE\xF9\xE8\xE9"},
      {0, nullptr},
      {CM_PANEL, "\xCF\xE0\xED\xE5\xEB\xFC \xF3\xEF\xF0\xE0\xE2\xEB\xE5\xED\xE8\xFF"},
      {CM_FULLSCREEN, "\xC2\xEE \xE2\xE5\xF1\xFC \xFD\xEA\xF0\xE0\xED"},
      {0, nullptr},
      {CM_HELP, "\xD1\xEF\xF0\xE0\xE2\xEA\xE0"},
      {CM_ABOUT, "\xCE \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE5..."},
  };
  MainForm.ContextMenu = CreatePopupMenu();
  for (const auto& item : items) {
    if (item.Text == nullptr)
      AppendMenuA(MainForm.ContextMenu, MF_SEPARATOR, 0, nullptr);
    else
      AppendMenuA(MainForm.ContextMenu, MF_STRING, item.Id, item.Text);
  }
}

void PlaceAndShow(HWND window) {
  if (StartOptions.StartFullScreen) {
    // Looks like full-screen mode, but the flag stays off: the next Full screen command
    // switches it on and keeps this maximised place to return to.
    PlayerState.PanelVisible = false;
    SetWindowLongPtrA(window, GWL_STYLE, FullScreenStyle);
    SetMenu(window, nullptr);
    ShowWindow(window, SW_SHOWMAXIMIZED);
  } else if (StartOptions.SizeMode == smMaximized) {
    SendMessageA(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else {
    SetWindowPos(window, nullptr, StartOptions.StartX, StartOptions.StartY, StartOptions.StartWidth,
                 StartOptions.StartHeight, SWP_SHOWWINDOW);
  }
}

// A movie that cannot be loaded is told to the user with what is wrong, and what was loaded of
// it is let go: the player goes on as it does without a movie (and so ends at once when it was
// to close on finishing).
bool LoadOrTell(HWND owner, const std::function<bool()>& load) {
  try {
    return load();
  } catch (const std::exception& e) {
    SegmentList->Clear();
    // "Фильм повреждён и не может быть показан:"
    const std::string text = std::string("\xD4\xE8\xEB\xFC\xEC \xEF\xEE\xE2\xF0\xE5\xE6\xE4"
                                         "\xB8\xED \xE8 \xED\xE5 \xEC\xEE\xE6\xE5\xF2 \xE1"
                                         "\xFB\xF2\xFC \xEF\xEE\xEA\xE0\xE7\xE0\xED:\r") +
                             e.what();
    MessageBoxA(owner, text.c_str(), LoadResString(IDS_ERROR).c_str(), MB_ICONERROR);
    return false;
  }
}

void DrawLoadingText(HWND window) {
  TScopedGetDC dc(window);
  TScopedSelect font(dc.Get(), MainForm.LoadingFont);
  SetBkMode(dc.Get(), TRANSPARENT);
  // "Загрузка фильма ..."
  TextOutA(dc.Get(), 16, 16, "\xC7\xE0\xE3\xF0\xF3\xE7\xEA\xE0 \xF4\xE8\xEB\xFC\xEC\xE0 ...", 19);
}

void OnCreate(HWND window) {
  MainForm.MainWindow = window;
  Shell = &MainShell;
  PumpTarget.Window = window;
  CreateSegmentListWindow(window);
  CreateBottomPanel(window);

  MainForm.MainMenu = GetMenu(window);
  for (int i = 0; i < 4; ++i)
    MainForm.SubMenus[i] = GetSubMenu(MainForm.MainMenu, i);
  BuildContextMenu();

  SetWindowTextA(window, MainTitle(FileNameOf(ProgramPath())).c_str());

  MainForm.LoadingFont = CreateFontByName("Times New Roman", 18, fsBold);
  MainForm.OpenFile = OPENFILENAMEA{};
  MainForm.OpenFile.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  MainForm.OpenFile.hwndOwner = window;
  MainForm.OpenFile.lpstrFile = MainForm.OpenFileName;
  MainForm.OpenFile.nMaxFile = sizeof MainForm.OpenFileName - 1;
  MainForm.OpenFile.Flags = OFN_OVERWRITEPROMPT;

  OwnedChain = std::make_unique<TBlockChain>();
  for (int i = 0; i < 12; ++i)
    OwnedChain->Add();
  PlayerState.BlockChain = OwnedChain.get();
  PlayerState.FrontBlock = OwnedChain->Head();
  PlayerState.BackBlock = OwnedChain->Head();

  ParseCommandLine();
  // The transport reads the engine's copy; the parser only ever switches it on.
  if (StartOptions.CloseOnFinish) PlayerState.CloseOnFinish = true;

  PlaceAndShow(window);

  GetClientRect(window, &MainForm.ClientRect);
  MoveTo(SegmentListWindow,
         SegmentListBounds(MainForm.ClientRect.right, MainForm.ClientRect.bottom,
                           PlayerState.PanelVisible),
         true);
  UpdateCommandStates();
  LayoutChildren();

  OwnedSegments = std::make_unique<TSegmentList>();
  SegmentList = OwnedSegments.get();

  const std::string program = ProgramPath();
  std::unique_ptr<TtqFileStream> stream;
  try {
    stream = std::make_unique<TtqFileStream>(program, TtqFileStream::ModeReadShareRead);
  } catch (const Exception&) {
    MessageBoxA(nullptr, CannotOpenText(program).c_str(), LoadResString(IDS_ERROR).c_str(), MB_OK);
    return;
  }
  DrawLoadingText(window);
  MainForm.OpenEnabled = !LoadOrTell(window, [&] { return LoadAttachedMovie(stream.get()); });
  stream.reset();
  InvalidateRect(window, &MainForm.ClientRect, TRUE);
  StartSegment(StartOptions.StartSegmentNumber - 1);
  UpdateCommandStates();
}

void OnDestroy() {
  EndPlayback();
  PlayerState.BlockChain = nullptr;
  PlayerState.FrontBlock = nullptr;
  PlayerState.BackBlock = nullptr;
  OwnedChain.reset();
  if (MainForm.LoadingFont != nullptr) DeleteObject(MainForm.LoadingFont);
  MainForm.LoadingFont = nullptr;
  DestroyMenu(MainForm.ContextMenu);
  MainForm.ContextMenu = nullptr;
  // Without the menu bar (full-screen mode) the window does not take the menu with it.
  if (GetMenu(MainForm.MainWindow) != MainForm.MainMenu) DestroyMenu(MainForm.MainMenu);
  MainForm.MainMenu = nullptr;
  PumpTarget = TPumpTarget();
  Shell = nullptr;
  MainForm.MainWindow = nullptr;
  PostQuitMessage(0);
}

void OnSize(HWND window) {
  GetClientRect(window, &MainForm.ClientRect);
  LayoutChildren();
  if (PlayerState.PlayState != psStopped) LayoutPicture();
}

// While a picture is current it is drawn again with its cursor; stopped, the background stays.
void OnPaint(HWND window) {
  TScopedPaint paint(window);
  if (PlayerState.PlayState == psStopped || Display.Picture() == nullptr) return;
  // The picture is the tick's while one runs: wait for it to finish and keep the next out.
  for (;;) {
    bool idle = true;
    if (PlayerState.TickIdle.compare_exchange_strong(idle, false)) break;
    Sleep(1);
  }
  {
    TBitmapDc picture(Display.Picture());
    PreparePalette(picture.Get(), paint.Get());
    PresentFrame(picture.Get(), paint.Get());
  }
  PlayerState.TickIdle = true;
}

void OnMouseMove(LPARAM lParam) {
  if (PlayerState.PanelVisible || BottomPanel == nullptr) return;
  MoveTo(BottomPanel, PanelBounds(MainForm.ClientRect.right, MainForm.ClientRect.bottom), true);
  const bool show = PanelShownForMouse(HIWORD(lParam), MainForm.ClientRect.bottom);
  ShowWindow(BottomPanel, show ? SW_SHOW : SW_HIDE);
}

void ShowHelp() {
  MessageBoxA(nullptr, HelpBoxText().c_str(), LoadResString(IDS_HELPCAPTION).c_str(),
              MB_ICONINFORMATION);
}

void OnCommand(HWND window, UINT id) {
  if (CommandObserver != nullptr) CommandObserver(id);
  switch (id) {
  case CM_EXIT:
    DestroyWindow(window);
    break;
  case CM_OPEN:
    OpenMovie();
    break;
  case CM_FILEINFO:
    ShowFileInfo();
    break;
  case CM_PLAY:
    Play();
    break;
  case CM_PAUSE:
    Pause();
    break;
  case CM_STOP:
    Stop();
    break;
  case CM_SEGMENTS:
    ToggleSegmentList();
    break;
  case CM_PREVIOUS:
    StartSegment(PlayerState.CurrentSegment - 1);
    break;
  case CM_NEXT:
    StartSegment(PlayerState.CurrentSegment + 1);
    break;
  case CM_PANEL:
    TogglePanel();
    break;
  case CM_FULLSCREEN:
    ToggleFullScreen();
    break;
  case CM_HELP:
    ShowHelp();
    break;
  case CM_ABOUT:
    DialogBoxParamA(GetModuleHandleA(nullptr), "ABOUTBOX", window, AboutBoxProc, 0);
    break;
  default:
    break;
  }
  // The window may have gone with the command.
  if (MainForm.MainWindow == nullptr) return;
  UpdateCommandStates();
  LayoutChildren();
}

LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_CREATE:
    OnCreate(window);
    return 0;
  case WM_DESTROY:
    OnDestroy();
    return 0;
  case WM_SIZE:
    OnSize(window);
    return 0;
  case WM_PAINT:
    OnPaint(window);
    return 0;
  case WM_CLOSE:
    DestroyWindow(window);
    return 0;
  case WM_COMMAND:
    OnCommand(window, LOWORD(wParam));
    return 0;
  case WM_MOUSEMOVE:
    OnMouseMove(lParam);
    return 0;
  case WM_RBUTTONUP:
    ShowContextMenu(window);
    return 0;
  case WM_SIZING: {
    auto* r = reinterpret_cast<RECT*>(lParam);
    TRect held = RectOf(*r);
    ApplyMinimumSize(held);
    r->right = held.Right;
    r->bottom = held.Bottom;
    return TRUE;
  }
  default:
    return DefWindowProcA(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return HandleMessage(window, message, wParam, lParam);
  } catch (...) {
    MessageBoxA(nullptr, "Error in WndProc", "Error", MB_OK);
    return 0;
  }
}
} // namespace

void ShowContextMenu(HWND window) {
  POINT p{};
  GetCursorPos(&p);
  TrackPopupMenu(MainForm.ContextMenu, 0, p.x, p.y, 0, window, nullptr);
}

void FreeSegmentList() {
  if (SegmentList == OwnedSegments.get()) SegmentList = nullptr;
  OwnedSegments.reset();
}

void UpdateCommandStates() {
  const TCommandStates s = CommandStatesFor(PlayerState.PlayState, MainForm.OpenEnabled,
                                            PlayerState.PanelVisible, PlayerState.FullScreen);
  HMENU context = MainForm.ContextMenu;
  EnableMenuItemAt(MainForm.SubMenus[mFile], 0, s.OpenEnabled);
  EnableMenuItemAt(context, 0, s.OpenEnabled);
  SetMenuItemsChecked(MainForm.SubMenus[mActions], 0, 2, s.PlayChecked);
  SetMenuItemsChecked(MainForm.SubMenus[mActions], 1, 3, s.PauseChecked);
  SetMenuItemsChecked(MainForm.SubMenus[mActions], 2, 4, s.StopChecked);
  SetMenuItemsChecked(MainForm.SubMenus[mView], 0, 10, s.PanelChecked);
  SetMenuItemsChecked(MainForm.SubMenus[mView], 1, 11, s.FullScreenChecked);
  if (FullScreenButton != nullptr) SetButtonCheck(FullScreenButton, PlayerState.FullScreen);
  if (SegmentsButton != nullptr) SetButtonCheck(SegmentsButton, MainForm.SegmentListVisible);
}

void LayoutChildren() {
  const LONG w = MainForm.ClientRect.right, h = MainForm.ClientRect.bottom;
  if (SegmentListWindow != nullptr) {
    if (MainForm.SegmentListVisible) {
      MoveTo(SegmentListWindow, SegmentListBounds(w, h, PlayerState.PanelVisible), true);
      ShowWindow(SegmentListWindow, SW_SHOW);
    } else {
      ShowWindow(SegmentListWindow, SW_HIDE);
    }
  }
  if (BottomPanel != nullptr) {
    if (PlayerState.PanelVisible) {
      MoveTo(BottomPanel, PanelBounds(w, h), true);
      ShowWindow(BottomPanel, SW_SHOW);
    } else {
      ShowWindow(BottomPanel, SW_HIDE);
    }
  }
}

void SavePlacement() {
  RECT r{};
  GetWindowRect(MainForm.MainWindow, &r);
  MainForm.SavedPlacement = PlacementOf(RectOf(r), PlayerState.PanelVisible);
}

void RestorePlacement() {
  const TSavedPlacement& p = MainForm.SavedPlacement;
  PlayerState.PanelVisible = p.PanelVisible;
  MoveWindow(MainForm.MainWindow, p.X, p.Y, p.Width, p.Height, TRUE);
  UpdateCommandStates();
  LayoutChildren();
}

void ToggleFullScreen() {
  HWND window = MainForm.MainWindow;
  PlayerState.FullScreen = !PlayerState.FullScreen;
  if (PlayerState.FullScreen) {
    SavePlacement();
    SetWindowLongPtrA(window, GWL_STYLE, FullScreenStyle);
    SetMenu(window, nullptr);
    ShowWindow(window, SW_SHOWMAXIMIZED);
    if (PlayerState.PanelVisible) TogglePanel();
  } else {
    SetWindowLongPtrA(window, GWL_STYLE, NormalStyle);
    SetMenu(window, MainForm.MainMenu);
    ShowWindow(window, SW_SHOWNORMAL);
    RestorePlacement();
  }
  RedrawWindow(window, &MainForm.ClientRect, nullptr, RDW_INVALIDATE);
  UpdateCommandStates();
  LayoutChildren();
}

void ToggleSegmentList() {
  MainForm.SegmentListVisible = !MainForm.SegmentListVisible;
  const bool shown = MainForm.SegmentListVisible;
  CheckMenuItemAt(MainForm.SubMenus[mActions], 4, shown);
  CheckMenuItemAt(MainForm.ContextMenu, 6, shown);
  if (shown) FillSegmentList();
  UpdateCommandStates();
  LayoutChildren();
  if (shown && SegmentListBox != nullptr)
    SetFocus(SegmentListBox);
  else if (!shown && SegmentListBox != nullptr && GetFocus() == SegmentListBox &&
           SegmentsButton != nullptr)
    SetFocus(SegmentsButton);
}

void TogglePanel() {
  PlayerState.PanelVisible = !PlayerState.PanelVisible;
  UpdateCommandStates();
  LayoutChildren();
  LayoutPicture();
}

void ShowFileInfo() {
  if (SegmentList == nullptr || SegmentList->Count() == 0) return;
  const std::string text =
      FileInfoText(ProgramPath(), *SegmentList, LoadResString(IDS_SEGMENTLINE));
  MessageBoxA(MainForm.MainWindow, text.c_str(), LoadResString(IDS_FILEINFOCAPTION).c_str(),
              MB_ICONINFORMATION);
}

void OpenMovieFile(const std::string& path) {
  std::unique_ptr<TtqFileStream> stream;
  try {
    stream = std::make_unique<TtqFileStream>(path, TtqFileStream::ModeRead);
  } catch (const Exception&) {
    MessageBoxA(MainForm.MainWindow, CannotOpenText(path).c_str(), LoadResString(IDS_ERROR).c_str(),
                MB_ICONERROR);
    return;
  }
  // No reader or tick may still use the old movie's frame files.
  EndPlayback();
  SegmentList->Clear();
  stream->SetPosition(0);
  LoadOrTell(MainForm.MainWindow, [&] { return LoadMovie(stream.get()); });
  FillSegmentList();
  SetWindowTextA(MainForm.MainWindow, MainTitle(path).c_str());
}

void OpenMovie() {
  // Without the menu bar every shortcut arrives, so the states are checked here too.
  if (PlayerState.PlayState != psStopped || !MainForm.OpenEnabled || SegmentList == nullptr) return;
  // "Фильмы Glimra (*.tqf)", "*.tqf", then the empty pair.
  static const char filter[] = "\xD4\xE8\xEB\xFC\xEC\xFB Glimra (*.tqf)\0*.tqf\0\0";
  MainForm.OpenFile.lpstrFilter = filter;
  MainForm.OpenFile.lpstrDefExt = "tqf";
  MainForm.OpenFile.lpstrInitialDir = nullptr;
  MainForm.OpenFileName[0] = '\0';
  if (!GetOpenFileNameA(&MainForm.OpenFile)) return;
  OpenMovieFile(MainForm.OpenFileName);
}

bool RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSA c{};
  c.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  c.lpfnWndProc = MainWindowProc;
  c.hInstance = instance;
  c.hIcon = LoadIconA(instance, "PMAINICON");
  c.hCursor = LoadCursor(nullptr, IDC_ARROW);
  c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  c.lpszMenuName = MainClassName;
  c.lpszClassName = MainClassName;
  return RegisterClassA(&c) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateMainWindow(HINSTANCE instance) {
  CreateWindowExA(WS_EX_CONTROLPARENT, MainClassName, InitialTitle, NormalStyle, 0, 0, 600, 400,
                  nullptr, nullptr, instance, nullptr);
  // The creation may have ended the program already (an empty movie with /closeonfinish).
  return MainForm.MainWindow;
}

void HandleLoopMessage(MSG& message, HWND mainWindow, HACCEL accelerators) {
  if (!IsDialogMessageA(mainWindow, &message)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  // After the message has been handled, not instead: a key reaches the focused control and
  // also gives its command.
  if (MainForm.MainWindow != nullptr) TranslateAcceleratorA(mainWindow, accelerators, &message);
}

namespace {
class TAcceleratorTable {
public:
  TAcceleratorTable(HINSTANCE instance, const char* name)
      : FTable(LoadAcceleratorsA(instance, name)) {}
  TAcceleratorTable(const TAcceleratorTable&) = delete;
  TAcceleratorTable& operator=(const TAcceleratorTable&) = delete;
  ~TAcceleratorTable() {
    if (FTable != nullptr) DestroyAcceleratorTable(FTable);
  }
  HACCEL Get() const { return FTable; }

private:
  HACCEL FTable;
};

// Whatever way the main routine ends: the window goes first (its end stops the timer and the
// reader), then the movie with its frame files.
class TMainRoutineEnd {
public:
  TMainRoutineEnd() = default;
  TMainRoutineEnd(const TMainRoutineEnd&) = delete;
  TMainRoutineEnd& operator=(const TMainRoutineEnd&) = delete;
  ~TMainRoutineEnd() {
    if (MainForm.MainWindow != nullptr) DestroyWindow(MainForm.MainWindow);
    FreeSegmentList();
  }
};

} // namespace

void SetInitialState() {
  PlayerState.PlayState = psStopped;
  PlayerState.TimerPeriod = 100;
  PlayerState.MMTimer = 0;
  PlayerState.TickIdle = true;
  PlayerState.ReaderThread = 0;
  PlayerState.PanelVisible = true;
  PlayerState.FullScreen = false;
  MainForm.SegmentListVisible = false;
  InitDisplay();
}

void QuilloMain() {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  if (FindWindowA(MainClassName, nullptr) != nullptr) {
    // "Quillo уже запущен", "Внимание"
    MessageBoxA(nullptr, "Quillo \xF3\xE6\xE5 \xE7\xE0\xEF\xF3\xF9\xE5\xED",
                "\xC2\xED\xE8\xEC\xE0\xED\xE8\xE5", MB_OK);
    return;
  }
  char temp[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, temp);
  TempFolder = temp;
  TLibrary commonControls("comctl32.dll");
  SetInitialState();
  if (!RegisterMainWindowClass(instance)) return;

  TMainRoutineEnd end;
  HWND window = CreateMainWindow(instance);
  if (window == nullptr) return;
  UpdateWindow(window);
  TAcceleratorTable accelerators(instance, "MENUP");
  PumpTarget.Accelerators = accelerators.Get();
  MSG message;
  for (;;) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) break;
    // The queue cannot be read: the window is closed the ordinary way, which stops playback.
    if (got == -1) break;
    HandleLoopMessage(message, window, accelerators.Get());
  }
}
