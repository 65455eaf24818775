// The display state and the drawing of the picture and the cursor, on Windows.
#pragma once

#include "UtqDisplay.h"
#include "UtqFrameCodec.h"
#include "UtqGdi_win.h"
#include "UtqOverlay.h"

#include <atomic>
#include <cstdint>

class TtqCursor;

// The picture of the current segment and everything drawn with it. The main thread makes and
// changes it at a segment start, with the timer stopped; while the timer runs only the tick
// touches it. The placement the tick reads is apart (Placement), since the main thread lays
// the picture out anew while playing.
struct TDisplayState {
  std::int32_t FrameWidth = 0, FrameHeight = 0, FrameBpp = 0;
  std::int32_t ScreenBpp = 0, ScreenWidth = 0, ScreenHeight = 0;
  TFrameRunFormat Format; // the run format of FrameBpp
  TFrameGeometry Geometry;
  std::int32_t RowBytes = 0;
  TPaletteTable Palette{}; // 8-bit movies; never reset, only changed by palette changes
  TPaletteObject hPalette;

  TBitmap hbmXorFrame;
  std::uint8_t* PXorFrame = nullptr;
  TBitmap hbmFrame; // 24 and 32 bits: in the screen's format
  TBitmap hbmFrame8;
  std::uint8_t* PFrame8 = nullptr;
  TBitmap hbmCursor; // the picture under the cursor box
  std::uint8_t* PCursor8 = nullptr;

  // The overlay (read once at start-up, then per step).
  std::int32_t CursorBoxWidth = 32, CursorBoxHeight = 32;
  TCursorStep CursorStep;
  const TtqCursor* CursorShape = nullptr;
  TCursorBoxes Boxes;

  HBITMAP Picture() const { return FrameBpp == 8 ? hbmFrame8.Get() : hbmFrame.Get(); }
  void DeleteBitmaps();
};
extern TDisplayState Display;

// Reads the system cursor size; once, at start-up.
void InitDisplay();

// The run format of a depth; an unsupported one is shown ("Данный видео режим не
// поддерживается") and minimises the main window.
bool SetRunFormat(std::int32_t depth);
// The screen and the current segment; makes the bitmaps anew when the size or either depth
// changed. False when nothing is loaded or the segment's depth is not supported; raises with a
// message when a bitmap cannot be made.
bool GetDisplaySettings();
void CreateFrameBitmaps(std::int32_t depth);
void ClearFrameBitmaps();
// Centres or scales the picture in the main window; stopped, grows the window first.
void LayoutPicture();
void AutoFullScreen();

// The tick's drawing, through a memory DC with the picture selected and the main window's DC.
void PresentFrame(HDC picture, HDC window);
// The 8-bit picture's colour table (and on an 8-bit screen the window's palette) from Palette.
void PreparePalette(HDC picture, HDC window);
// false: the record could not be decoded (the text is in message).
bool UnpackFrame(const char*& message);
void ApplyXorFrame(HDC picture);

// The cursor overlay, on the picture's DC.
void ReadCursorStep();
void SaveUnderCursor(HDC picture);
void DrawCursorShape(HDC picture);
void RestoreUnderCursor(HDC picture);
void CommitCursorPos();
void PresentCursorArea(HDC picture, HDC window);
