#include "tqControls_win.h"

#include "tqScoped_win.h"

namespace {
// Made when the program starts, before any control exists, and released when it ends, after
// the last control window is gone. The library handle is kept only so that the common
// controls are loaded for the life of the program.
struct TControlsModule {
  TGlobalAtom PropertyAtom{"tqCD"};
  TLibrary CommonControls{"comctl32.dll"};
};
TControlsModule Module;

LPCSTR PropertyName() {
  return MAKEINTATOM(Module.PropertyAtom.Get());
}

void ShowWndProcError() {
  MessageBoxA(nullptr, "Error in WndProc", "Error", MB_OK);
}
} // namespace

ATOM ControlPropertyAtom() {
  return Module.PropertyAtom.Get();
}

TtqControl::~TtqControl() {
  if (FHandle != nullptr) {
    RemovePropA(FHandle, PropertyName());
    DestroyWindow(FHandle);
  }
}

void TtqControl::Create(HWND parent) {
  FBrush = GetClassBrush();
  FClassName = GetClassName();
  FStyle = GetStyle();
  FExStyle = GetExStyle();
  FParent = parent;

  WNDCLASSA c{};
  c.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  c.lpfnWndProc = ControlWndProc;
  c.hInstance = GetModuleHandleA(nullptr);
  c.hCursor = GetClassCursor();
  c.hbrBackground = FBrush;
  c.lpszClassName = FClassName.c_str();
  RegisterClassA(&c); // fails harmlessly when an earlier control of the class registered it

  FHandle = CreateWindowExA(FExStyle, FClassName.c_str(), FCaption.c_str(), FStyle, 0, 0, 0, 0,
                            FParent, nullptr, c.hInstance, nullptr);
  if (FHandle == nullptr) {
    MessageBoxA(nullptr, "FHandle = 0", "", MB_OK);
    return;
  }
  SetPropA(FHandle, PropertyName(), this);
  AfterCreate();
}

LRESULT CALLBACK TtqControl::ControlWndProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  auto* control = static_cast<TtqControl*>(GetPropA(window, PropertyName()));
  if (control == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    // The window goes before its object (with its parent, say): the object must not destroy
    // a handle that may by then belong to another window.
    RemovePropA(window, PropertyName());
    control->FHandle = nullptr;
    return DefWindowProcA(window, message, wParam, lParam);
  }
  try {
    return control->WndProc(window, message, wParam, lParam);
  } catch (...) {
    ShowWndProcError();
    return 0;
  }
}

void TtqControl::UpdateBounds() {
  MoveWindow(FHandle, FLeft, FTop, FWidth, FHeight, TRUE);
}

void TtqControl::SetLeft(std::int32_t v) {
  StoreLeft(v);
  UpdateBounds();
}

void TtqControl::SetTop(std::int32_t v) {
  StoreTop(v);
  UpdateBounds();
}

void TtqControl::SetWidth(std::int32_t v) {
  StoreWidth(v);
  UpdateBounds();
}

void TtqControl::SetHeight(std::int32_t v) {
  StoreHeight(v);
  UpdateBounds();
}

HBRUSH TtqControl::GetClassBrush() {
  return reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1));
}

HCURSOR TtqControl::GetClassCursor() {
  return LoadCursorA(nullptr, IDC_ARROW);
}

DWORD TtqControl::GetStyle() {
  return WS_CHILD | WS_VISIBLE | WS_BORDER;
}

DWORD TtqControl::GetExStyle() {
  return 0;
}

std::string TtqControl::GetCaption() {
  return std::string();
}

void TtqControl::WMCreate(HWND window) {
  FHandle = window;
}

void TtqControl::AfterCreate() {
  UpdateBounds();
}

LRESULT TtqControl::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_CREATE:
    WMCreate(window);
    return 0;
  case WM_MOVE:
    WMMove(wParam, lParam);
    return 0;
  case WM_SIZE:
    WMSize(wParam, lParam);
    return 0;
  case WM_ERASEBKGND:
    return WMEraseBkgnd(reinterpret_cast<HDC>(wParam));
  case WM_SIZING:
  case WM_MOVING:
    return WMSizingMoving(wParam, reinterpret_cast<RECT*>(lParam));
  case WM_USER + 1:
    UpdateBounds();
    return 0;
  default:
    return DefWindowProcA(window, message, wParam, lParam);
  }
}

LRESULT TtqControl::WMSizingMoving(WPARAM, RECT* rect) {
  StoreSizingRect(rect->left, rect->top, rect->right, rect->bottom);
  return 1;
}

namespace {
// The window's outer rectangle in its parent's client coordinates. WM_SIZE and WM_MOVE
// report the client area, which a border makes smaller than the rectangle that UpdateBounds
// gives MoveWindow: stored as it stands, every setter would move a bordered control.
RECT BoundsInParent(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
  return r;
}
} // namespace

void TtqControl::WMSize(WPARAM, LPARAM) {
  const RECT r = BoundsInParent(FHandle);
  FWidth = r.right - r.left;
  FHeight = r.bottom - r.top;
}

void TtqControl::WMMove(WPARAM, LPARAM) {
  const RECT r = BoundsInParent(FHandle);
  FLeft = r.left;
  FTop = r.top;
}

LRESULT TtqControl::WMEraseBkgnd(HDC) {
  return 0;
}
