#include "UtqBottomPanel_win.h"

HWND BottomPanel = nullptr;
HWND FullScreenButton = nullptr;
HWND SegmentsButton = nullptr;

namespace {
constexpr char PanelClass[] = "tqBottomPanel";

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_DESTROY) {
      BottomPanel = nullptr;
      FullScreenButton = nullptr;
      SegmentsButton = nullptr;
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  } catch (...) {
    MessageBoxA(nullptr, "Error in WndProc", "Error", MB_OK);
    return 0;
  }
}
} // namespace

HWND CreateBottomPanel(HWND mainWindow) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA c{};
  c.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  c.lpfnWndProc = PanelProc;
  c.hInstance = instance;
  c.hCursor = LoadCursor(nullptr, IDC_ARROW);
  c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  c.lpszClassName = PanelClass;
  RegisterClassA(&c); // a second registration fails harmlessly
  BottomPanel =
      CreateWindowExA(WS_EX_CONTROLPARENT, PanelClass, "", WS_CHILD | WS_CLIPCHILDREN | WS_TABSTOP,
                      0, 0, 600, 100, mainWindow, nullptr, instance, nullptr);
  return BottomPanel;
}
