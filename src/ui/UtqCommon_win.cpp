#include "UtqCommon_win.h"

#include "tqScoped_win.h"

#include <cstring>

LOGFONTA FontTemplate{};
std::string FontRequestedFace;

HBITMAP SetButtonBitmap(HWND button, const char* resourceName) {
  HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), resourceName);
  SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
  return bitmap;
}

void SetButtonCheck(HWND button, bool checked) {
  SendMessageA(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CheckMenuItemAt(HMENU menu, UINT position, bool checked) {
  CheckMenuItem(menu, position, MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void EnableMenuItemAt(HMENU menu, UINT position, bool enabled) {
  EnableMenuItem(menu, position, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
}

namespace {
// Takes the first font whose full name is the face asked for, with case, and stops there.
int CALLBACK MatchFullName(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM target) {
  const auto* record = reinterpret_cast<const ENUMLOGFONTA*>(font);
  const char* fullName = reinterpret_cast<const char*>(record->elfFullName);
  if (FontRequestedFace != std::string(fullName, strnlen(fullName, LF_FULLFACESIZE))) return 1;
  *reinterpret_cast<LOGFONTA*>(target) = *font;
  return 0;
}
} // namespace

HFONT CreateFontByName(const std::string& face, std::int32_t height, std::uint32_t style) {
  FontRequestedFace = face;
  {
    TScopedGetDC screen(nullptr);
    EnumFontFamiliesA(screen.Get(), face.c_str(), MatchFullName,
                      reinterpret_cast<LPARAM>(&FontTemplate));
  }
  FontTemplate.lfHeight = height;
  FontTemplate.lfWidth = 0;
  FontTemplate.lfCharSet = DEFAULT_CHARSET;
  FontTemplate.lfWeight = (style & fsBold) ? FW_BOLD : FW_NORMAL;
  FontTemplate.lfItalic = (style & fsItalic) ? 1 : 0;
  FontTemplate.lfUnderline = (style & fsUnderline) ? 1 : 0;
  FontTemplate.lfStrikeOut = (style & fsStrikeOut) ? 1 : 0;
  return CreateFontIndirectA(&FontTemplate);
}

std::string LoadResString(UINT id) {
  char buffer[1024];
  const int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof buffer);
  return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}
