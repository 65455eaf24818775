#include "UtqSegmentList_win.h"

#include "app/MainForm_win.h"
#include "engine/UtqPlayback.h"
#include "engine/UtqPlayerState.h"
#include "movie/tqSegments.h"
#include "ui/UtqBottomPanel_win.h"

#include <string>

HWND SegmentListWindow = nullptr;
HWND SegmentListBox = nullptr;

namespace {
constexpr char ListClass[] = "tqSegmentList";
constexpr char Caption[] = "\xD1\xE5\xE3\xEC\xE5\xED\xF2\xFB"; // "Сегменты" in CP1251
constexpr COLORREF Grey = 0x888080;

HBRUSH GreyBrush = nullptr;
WNDPROC SavedListProc = nullptr;
RECT ClientRect{};

void ClearSegmentList() {
  const LRESULT count = SendMessageA(SegmentListBox, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i)
    SendMessageA(SegmentListBox, LB_DELETESTRING, 0, 0);
}

void AddSegmentLine(const std::string& text) {
  SendMessageA(SegmentListBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void SetListSelection(std::int32_t index) {
  SendMessageA(SegmentListBox, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// Once the list has closed, the keyboard goes to the panel's button that opens it again.
void FocusToSegmentsButton() {
  if (GetFocus() == SegmentListBox && SegmentsButton != nullptr) SetFocus(SegmentsButton);
}

// The grey frame and title bar; the list box fills the rest.
void DrawTitle(HWND window) {
  const HDC dc = GetDC(window);
  if (dc != nullptr) {
    FrameRect(dc, &ClientRect, GreyBrush);
    RECT bar{4, 4, ClientRect.right - 4, 22};
    FillRect(dc, &bar, GreyBrush);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    RECT text{6, 4, ClientRect.right - 6, 22};
    DrawTextA(dc, Caption, 8, &text, 0);
    ReleaseDC(window, dc);
  }
  MoveWindow(SegmentListBox, 4, 24, ClientRect.right - 8, ClientRect.bottom - 28, TRUE);
}

LRESULT CALLBACK ListBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_KEYDOWN:
  case WM_KEYUP:
    if (wParam == VK_RETURN) {
      ChooseListedSegment();
      FocusToSegmentsButton();
      return 0;
    }
    if (wParam == VK_ESCAPE) {
      if (IsWindowVisible(box)) ToggleSegmentList();
      FocusToSegmentsButton();
      return 0;
    }
    break;
  case WM_LBUTTONDBLCLK:
    ChooseListedSegment();
    return 0;
  case WM_RBUTTONDOWN:
    ShowContextMenu(GetParent(GetParent(box)));
    return 0;
  default:
    break;
  }
  return CallWindowProcA(SavedListProc, box, message, wParam, lParam);
}

// Nothing may unwind into the system's dispatch: a failure is shown and the list stays usable.
LRESULT CALLBACK GuardedListBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return ListBoxProc(box, message, wParam, lParam);
  } catch (...) {
    MessageBoxA(nullptr, "Error in WndProc", "Error", MB_OK);
    return 0;
  }
}

LRESULT CALLBACK ListWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  try {
    switch (message) {
    case WM_CREATE:
      GreyBrush = CreateSolidBrush(Grey);
      SegmentListBox = CreateWindowExA(
          0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
          8, 8, 100, 100, window, nullptr, GetModuleHandleA(nullptr), nullptr);
      SavedListProc =
          reinterpret_cast<WNDPROC>(GetWindowLongPtrA(SegmentListBox, GWLP_WNDPROC));
      SetWindowLongPtrA(SegmentListBox, GWLP_WNDPROC,
                        reinterpret_cast<LONG_PTR>(GuardedListBoxProc));
      break;
    case WM_DESTROY:
      if (GreyBrush != nullptr) DeleteObject(GreyBrush);
      GreyBrush = nullptr;
      SegmentListBox = nullptr;
      SegmentListWindow = nullptr;
      break;
    case WM_SIZE:
      GetClientRect(window, &ClientRect);
      break;
    case WM_PAINT:
      result = DefWindowProcA(window, message, wParam, lParam);
      DrawTitle(window);
      break;
    case WM_RBUTTONDOWN:
      ShowContextMenu(GetParent(window));
      break;
    default:
      result = DefWindowProcA(window, message, wParam, lParam);
      break;
    }
  } catch (...) {
    MessageBoxA(nullptr, "Error in WndProc", "Error", MB_OK);
  }
  return result;
}
} // namespace

HWND CreateSegmentListWindow(HWND mainWindow) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA c{};
  c.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  c.lpfnWndProc = ListWindowProc;
  c.hInstance = instance;
  c.hCursor = LoadCursor(nullptr, IDC_ARROW);
  c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  c.lpszClassName = ListClass;
  RegisterClassA(&c); // a second registration fails harmlessly
  SegmentListWindow =
      CreateWindowExA(WS_EX_CONTROLPARENT, ListClass, "", WS_CHILD | WS_CLIPCHILDREN | WS_TABSTOP,
                      0, 0, 400, 300, mainWindow, nullptr, instance, nullptr);
  return SegmentListWindow;
}

void FillSegmentList() {
  if (SegmentListBox == nullptr || SegmentList == nullptr || SegmentList->Count() == 0) return;
  ClearSegmentList();
  for (std::int32_t i = 0; i < SegmentList->Count(); ++i)
    AddSegmentLine(SegmentList->Get(i)->Name);
  SetListSelection(PlayerState.CurrentSegment.load());
}

void ChooseListedSegment() {
  const auto index =
      static_cast<std::int32_t>(SendMessageA(SegmentListBox, LB_GETCURSEL, 0, 0));
  ToggleSegmentList();
  StartSegment(index);
  UpdateSegmentInfo();
}
