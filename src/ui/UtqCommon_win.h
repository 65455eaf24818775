// Small Win32 helpers shared by the player's windows: button bitmaps and checks, menu item
// states by position, fonts by face name, and texts from the string table.
#pragma once

#include "UtqCommon.h" // MakeRect and the font style flags

#include <windows.h>

#include <string>

// Loads the bitmap from the program's resources onto a push button; the bitmap lives until
// the process ends.
HBITMAP SetButtonBitmap(HWND button, const char* resourceName);
void SetButtonCheck(HWND button, bool checked);
void CheckMenuItemAt(HMENU menu, UINT position, bool checked);
void EnableMenuItemAt(HMENU menu, UINT position, bool enabled);

// A font of the installed family whose full name is face, with the given height and style
// flags (fsBold, ...). The caller owns the font. A face that is not installed gets the family
// of the last face that was found.
HFONT CreateFontByName(const std::string& face, std::int32_t height, std::uint32_t style);

// The template that every CreateFontByName call fills, and the face asked for last.
extern LOGFONTA FontTemplate;
extern std::string FontRequestedFace;

// A text of the program's string table, in the ANSI code page; empty when it is missing.
std::string LoadResString(UINT id);
