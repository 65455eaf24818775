#include "UtqPAbout_win.h"

#include "ui/UtqCommon_win.h"
#include "ui/UtqPAbout.h"
#include "ui/tqScoped_win.h"

#include <shellapi.h>

#include <memory>

const char SiteShortAddress[] = "quillo-player.dev";
const char SiteAddress[] = "https://quillo-player.dev/";

namespace {
void ShellOpen(HWND link, const char* address) {
  // A browser that cannot be started is not reported: the box stays as it is.
  ShellExecuteA(link, nullptr, address, nullptr, nullptr, SW_SHOWMAXIMIZED);
}
} // namespace

TOpenAddress OpenAddress = ShellOpen;

namespace {
constexpr char LinkClass[] = "Link";
constexpr char CloseText[] = "\xC7\xE0\xEA\xF0\xFB\xF2\xFC"; // "Закрыть"
constexpr char Version[] = "\xE2\xE5\xF0\xF1\xE8\xFF 1.5";   // "версия 1.5"
// "Проигрыватель записей" / "с экрана компьютера"
constexpr char Notice[] = "\xCF\xF0\xEE\xE8\xE3\xF0\xFB\xE2\xE0\xF2\xE5\xEB\xFC \xE7\xE0\xEF\xE8"
                          "\xF1\xE5\xE9\r\xF1 \xFD\xEA\xF0\xE0\xED\xE0 \xEA\xEE\xEC\xEF\xFC\xFE"
                          "\xF2\xE5\xF0\xE0";
constexpr COLORREF Grey = 0x888080;
constexpr COLORREF ShadowGrey = 0xA0A0A0;
constexpr COLORREF LinkBlue = 0xFF0000;

// What one open box draws with, from its set-up to its closing.
struct TAboutBox {
  HWND Dialog = nullptr;
  RECT Client{};
  TAboutLayout Layout{};
  TGdiObject<HBRUSH> WhiteBrush{CreateSolidBrush(RGB(255, 255, 255))};
  TGdiObject<HPEN> GreyPen{CreatePen(PS_SOLID, 1, Grey)};
  TGdiObject<HFONT> TitleFont{CreateFontByName("Times New Roman", 32, fsBold)};
  TGdiObject<HFONT> TextFont{CreateFontByName("Tahoma", 14, 0)};
  TGdiObject<HFONT> LinkFont{CreateFontByName("Tahoma", 14, fsUnderline)};
  HWND LinkWindow = nullptr;
};
std::unique_ptr<TAboutBox> Box;

void DrawLinkText(HWND link) {
  if (Box == nullptr) return;
  RECT r{};
  GetClientRect(link, &r);
  TScopedGetDC dc(link);
  TScopedSelect font(dc.Get(), Box->LinkFont.Get());
  SetTextColor(dc.Get(), LinkBlue);
  SetBkMode(dc.Get(), TRANSPARENT);
  DrawTextA(dc.Get(), SiteShortAddress, -1, &r, DT_VCENTER);
}

LRESULT CALLBACK LinkProc(HWND link, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  try {
    switch (message) {
    case WM_PAINT:
      result = DefWindowProcA(link, message, wParam, lParam);
      DrawLinkText(link);
      break;
    case WM_LBUTTONDOWN:
      OpenAddress(link, SiteAddress);
      break;
    default:
      result = DefWindowProcA(link, message, wParam, lParam);
      break;
    }
  } catch (...) {
    MessageBoxA(nullptr, "Error in WndProc", "Error", MB_OK);
  }
  return result;
}

void RegisterLinkClass(HINSTANCE instance) {
  WNDCLASSA c{};
  c.style = CS_HREDRAW | CS_VREDRAW;
  c.lpfnWndProc = LinkProc;
  c.hInstance = instance;
  c.hCursor = LoadCursor(nullptr, IDC_HAND);
  c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  c.lpszClassName = LinkClass;
  RegisterClassA(&c); // registered at the first opening; later ones fail harmlessly
}

void SetUp(HWND dialog) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  Box = std::make_unique<TAboutBox>();
  Box->Dialog = dialog;
  GetClientRect(dialog, &Box->Client);
  Box->Layout = AboutLayout(Box->Client.right, Box->Client.bottom);
  const TRect& b = Box->Layout.CloseButton;
  const HWND close = CreateWindowExA(0, "BUTTON", CloseText, WS_CHILD | WS_VISIBLE, b.Left, b.Top,
                                     b.Right, b.Bottom, dialog,
                                     reinterpret_cast<HMENU>(IDOK), instance, nullptr);
  // The button speaks in the dialog's own font, as a control of the template would.
  SendMessageA(close, WM_SETFONT, SendMessageA(dialog, WM_GETFONT, 0, 0), FALSE);
  RegisterLinkClass(instance);
  const TRect& l = Box->Layout.Link;
  Box->LinkWindow = CreateWindowExA(0, LinkClass, "", WS_CHILD | WS_VISIBLE, l.Left, l.Top,
                                    l.Right, l.Bottom, dialog, nullptr, instance, nullptr);
}

void Draw() {
  const TAboutLayout& a = Box->Layout;
  TScopedGetDC dc(Box->Dialog);
  const HDC d = dc.Get();
  FillRect(d, &Box->Client, Box->WhiteBrush.Get());
  DrawIcon(d, a.Icon.X, a.Icon.Y, LoadIconA(GetModuleHandleA(nullptr), "PMAINICON"));
  {
    TScopedSelect pen(d, Box->GreyPen.Get());
    MoveToEx(d, a.SeparatorFrom.X, a.SeparatorFrom.Y, nullptr);
    LineTo(d, a.SeparatorTo.X, a.SeparatorTo.Y);
  }
  TextOutA(d, a.Version.X, a.Version.Y, Version, 10);
  {
    TScopedSelect font(d, Box->TextFont.Get());
    RECT notice{a.Notice.Left, a.Notice.Top, a.Notice.Right, a.Notice.Bottom};
    DrawTextA(d, Notice, -1, &notice, 0);
  }
  SetBkMode(d, TRANSPARENT);
  TScopedSelect font(d, Box->TitleFont.Get());
  SetTextColor(d, ShadowGrey);
  TextOutA(d, a.TitleShadow.X, a.TitleShadow.Y, "Quillo", 6);
  SetTextColor(d, RGB(0, 0, 0));
  TextOutA(d, a.Title.X, a.Title.Y, "Quillo", 6);
}
} // namespace

INT_PTR CALLBACK AboutBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  try {
    switch (message) {
    case WM_INITDIALOG:
      SetUp(dialog);
      return FALSE;
    case WM_PAINT:
      if (Box != nullptr) Draw();
      return FALSE;
    case WM_ERASEBKGND:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        Box.reset();
        EndDialog(dialog, 1);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      Box.reset(); // also when the box goes without a closing command
      return FALSE;
    default:
      return FALSE;
    }
  } catch (...) {
    MessageBoxA(nullptr, "Error in WndProc", "Error", MB_OK);
    return FALSE;
  }
}
