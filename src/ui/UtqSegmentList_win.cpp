#include "UtqSegmentList_win.h"

#include "engine/UtqPlayerState.h"
#include "movie/tqSegments.h"

HWND SegmentListWindow = nullptr;
HWND SegmentListBox = nullptr;

namespace {
constexpr char ListClass[] = "tqSegmentList";

void OnSize(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  if (SegmentListBox != nullptr)
    MoveWindow(SegmentListBox, 4, 24, r.right - 8, r.bottom - 28, TRUE);
}

LRESULT CALLBACK ListWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    switch (message) {
    case WM_CREATE:
      SegmentListBox = CreateWindowExA(
          0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
          8, 8, 100, 100, window, nullptr, GetModuleHandleA(nullptr), nullptr);
      return 0;
    case WM_SIZE:
      OnSize(window);
      return 0;
    case WM_DESTROY:
      SegmentListBox = nullptr;
      SegmentListWindow = nullptr;
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
    }
  } catch (...) {
    MessageBoxA(nullptr, "Error in WndProc", "Error", MB_OK);
    return 0;
  }
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
  SegmentListWindow = CreateWindowExA(0, ListClass, "", WS_CHILD | WS_CLIPCHILDREN, 0, 0, 400, 100,
                                      mainWindow, nullptr, instance, nullptr);
  return SegmentListWindow;
}

void FillSegmentList() {
  if (SegmentListBox == nullptr || SegmentList == nullptr || SegmentList->Count() == 0) return;
  SendMessageA(SegmentListBox, LB_RESETCONTENT, 0, 0);
  for (std::int32_t i = 0; i < SegmentList->Count(); ++i)
    SendMessageA(SegmentListBox, LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(SegmentList->Get(i)->Name.c_str()));
  SendMessageA(SegmentListBox, LB_SETCURSEL, static_cast<WPARAM>(PlayerState.CurrentSegment.load()),
               0);
}
