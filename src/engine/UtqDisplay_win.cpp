#include "UtqDisplay_win.h"

#include "UtqCircularBlocks.h"
#include "UtqPlayerState.h"
#include "UtqShell.h"
#include "movie/tqSegments.h"

#include <cstring>
#include <string>

TDisplayState Display;

namespace {
const char* const UnsupportedMode =
    "\xC4\xE0\xED\xED\xFB\xE9 \xE2\xE8\xE4\xE5\xEE \xF0\xE5\xE6\xE8\xEC \xED\xE5 "
    "\xEF\xEE\xE4\xE4\xE5\xF0\xE6\xE8\xE2\xE0\xE5\xF2\xF1\xFF"; // the video mode is not supported

HWND MainWindow() { return Shell != nullptr ? static_cast<HWND>(Shell->MainWindow()) : nullptr; }

TSegmentInfo* CurrentSegmentInfo() {
  return SegmentList != nullptr ? SegmentList->Get(PlayerState.CurrentSegment) : nullptr;
}

// A BITMAPINFO with room for a full colour table.
struct TBitmapInfo256 {
  BITMAPINFOHEADER Header;
  RGBQUAD Colours[256];
};

TBitmapInfo256 DibInfo(std::int32_t width, std::int32_t height, std::int32_t depth) {
  TBitmapInfo256 info{};
  info.Header.biSize = sizeof(BITMAPINFOHEADER);
  info.Header.biWidth = width;
  info.Header.biHeight = -height; // top-down
  info.Header.biPlanes = 1;
  info.Header.biBitCount = static_cast<WORD>(depth);
  info.Header.biCompression = BI_RGB;
  return info;
}

HBITMAP MakeSection(HDC screen, const TBitmapInfo256& info, std::uint8_t*& bits) {
  void* pixels = nullptr;
  HBITMAP made = CreateDIBSection(screen, reinterpret_cast<const BITMAPINFO*>(&info),
                                  DIB_RGB_COLORS, &pixels, nullptr, 0);
  bits = made != nullptr ? static_cast<std::uint8_t*>(pixels) : nullptr;
  return made;
}

void Check(HBITMAP bitmap, const char* message) {
  if (bitmap == nullptr) throw Exception(message);
}

bool SamePalette(const PALETTEENTRY* system, const TPaletteTable& palette) {
  for (std::size_t i = 0; i < 256; ++i)
    if (system[i].peRed != palette[i].Red || system[i].peGreen != palette[i].Green ||
        system[i].peBlue != palette[i].Blue)
      return false;
  return true;
}

void CopyBox(HDC from, HDC to, const TBox& source, const TBox& target, bool stretched) {
  if (stretched)
    StretchBlt(to, target.Left, target.Top, target.Width, target.Height, from, source.Left,
               source.Top, source.Width, source.Height, SRCCOPY);
  else
    BitBlt(to, target.Left, target.Top, source.Width, source.Height, from, source.Left,
           source.Top, SRCCOPY);
}

// The 8-bit cursor background is copied by the processor, row by row and clipped to the
// picture: the exact palette indices go back, whatever colours the table repeats.
void CopyCursorBox8(bool save, std::int32_t left, std::int32_t top) {
  const TFrameGeometry& g = Display.Geometry;
  const std::int32_t boxStride = (Display.CursorBoxWidth + 3) / 4 * 4;
  const std::int32_t x0 = std::max(left, 0), x1 = std::min(left + Display.CursorBoxWidth, g.Width);
  const std::int32_t y0 = std::max(top, 0), y1 = std::min(top + Display.CursorBoxHeight, g.Height);
  if (x0 >= x1 || y0 >= y1 || Display.PFrame8 == nullptr || Display.PCursor8 == nullptr) return;
  GdiFlush();
  for (std::int32_t y = y0; y < y1; ++y) {
    std::uint8_t* picture = Display.PFrame8 + static_cast<std::size_t>(y) * g.Stride + x0;
    std::uint8_t* box = Display.PCursor8 + static_cast<std::size_t>(y - top) * boxStride + (x0 - left);
    if (save)
      std::memcpy(box, picture, static_cast<std::size_t>(x1 - x0));
    else
      std::memcpy(picture, box, static_cast<std::size_t>(x1 - x0));
  }
}
} // namespace

void TDisplayState::DeleteBitmaps() {
  hbmFrame.Reset();
  hbmXorFrame.Reset();
  hbmFrame8.Reset();
  hbmCursor.Reset();
  PXorFrame = PFrame8 = PCursor8 = nullptr;
}

void InitDisplay() {
  Display.CursorBoxWidth = GetSystemMetrics(SM_CXCURSOR);
  Display.CursorBoxHeight = GetSystemMetrics(SM_CYCURSOR);
}

bool SetRunFormat(std::int32_t depth) {
  if (GetRunFormat(depth, Display.Format)) return true;
  ShowEngineError(UnsupportedMode);
  if (HWND window = MainWindow()) CloseWindow(window);
  return false;
}

bool GetDisplaySettings() {
  Placement.Stretched = false;
  std::int32_t screenBpp = 0;
  {
    TScreenDc screen;
    Display.ScreenWidth = GetDeviceCaps(screen.Get(), HORZRES);
    Display.ScreenHeight = GetDeviceCaps(screen.Get(), VERTRES);
    screenBpp = GetDeviceCaps(screen.Get(), BITSPIXEL);
  }
  const TSegmentInfo* segment = CurrentSegmentInfo();
  if (segment == nullptr) return false;
  bool changed = false;
  if (segment->BitsPerPixel != Display.FrameBpp) {
    changed = true;
    Display.FrameBpp = segment->BitsPerPixel;
  }
  if (!SetRunFormat(Display.FrameBpp)) {
    // A segment of this depth is never decoded; the next start makes its bitmaps from nothing.
    Display.DeleteBitmaps();
    Display.FrameWidth = Display.FrameHeight = Display.FrameBpp = Display.ScreenBpp = 0;
    return false;
  }
  if (segment->Width != Display.FrameWidth || segment->Height != Display.FrameHeight) {
    changed = true;
    Display.FrameWidth = segment->Width;
    Display.FrameHeight = segment->Height;
  }
  Display.RowBytes = Display.FrameWidth * Display.Format.BytesPerPixel;
  if (changed || Display.FrameBpp != Display.ScreenBpp || screenBpp != Display.ScreenBpp ||
      Display.Picture() == nullptr) {
    Display.ScreenBpp = screenBpp;
    Display.DeleteBitmaps();
    try {
      CreateFrameBitmaps(Display.FrameBpp);
    } catch (...) {
      // Half-made bitmaps would be taken for good ones by the next start.
      Display.DeleteBitmaps();
      Display.FrameWidth = Display.FrameHeight = Display.FrameBpp = Display.ScreenBpp = 0;
      throw;
    }
  }
  return true;
}

void CreateFrameBitmaps(std::int32_t depth) {
  if (!MakeFrameGeometry(Display.FrameWidth, Display.FrameHeight, depth, Display.Geometry))
    throw Exception("GetDisplaySettings: hbmXorFrame = 0");
  TScreenDc screen;
  TBitmapInfo256 info = DibInfo(Display.FrameWidth, Display.FrameHeight + 1, depth);
  if (depth == 8) {
    PALETTEENTRY system[256]{};
    GetSystemPaletteEntries(screen.Get(), 0, 256, system);
    for (int i = 0; i < 256; ++i)
      info.Colours[i] = RGBQUAD{system[i].peBlue, system[i].peGreen, system[i].peRed, 0};
  }
  Display.hbmXorFrame.Reset(MakeSection(screen.Get(), info, Display.PXorFrame));
  Check(Display.hbmXorFrame.Get(), "GetDisplaySettings: hbmXorFrame = 0");
  if (depth >= 24) {
    Display.hbmFrame.Reset(
        CreateCompatibleBitmap(screen.Get(), Display.FrameWidth, Display.FrameHeight));
    Check(Display.hbmFrame.Get(), "GetDisplaySettings: hbmFrame = 0");
    Display.hbmCursor.Reset(
        CreateCompatibleBitmap(screen.Get(), Display.CursorBoxWidth, Display.CursorBoxHeight));
  } else {
    Display.hbmFrame8.Reset(MakeSection(screen.Get(), info, Display.PFrame8));
    Check(Display.hbmFrame8.Get(), "GetDisplaySettings: hbmFrame8 = 0");
    TBitmapInfo256 box = info;
    box.Header.biWidth = Display.CursorBoxWidth;
    box.Header.biHeight = -Display.CursorBoxHeight;
    Display.hbmCursor.Reset(MakeSection(screen.Get(), box, Display.PCursor8));
  }
  Check(Display.hbmCursor.Get(), "GetDisplaySettings: hbmCursor = 0");
}

void ClearFrameBitmaps() {
  // The picture's rows; the spare row takes only the byte a 24-bit store puts past the end.
  GdiFlush();
  if (Display.PXorFrame != nullptr) std::memset(Display.PXorFrame, 0, Display.Geometry.PictureBytes());
  if (Display.PFrame8 != nullptr) std::memset(Display.PFrame8, 0, Display.Geometry.PictureBytes());
  if (Display.hbmFrame.Get() != nullptr) {
    TBitmapDc dc(Display.hbmFrame.Get());
    BitBlt(dc.Get(), 0, 0, Display.FrameWidth, Display.FrameHeight, nullptr, 0, 0, BLACKNESS);
  }
}

void LayoutPicture() {
  HWND window = MainWindow();
  if (window == nullptr) return;
  RECT client{};
  GetClientRect(window, &client);
  std::int32_t w = 0, h = 0;
  PictureArea(TRect32{client.left, client.top, client.right, client.bottom}, PlayerState.PanelVisible,
              w, h);
  if (PlayerState.PlayState == psStopped) {
    RECT r{};
    GetWindowRect(window, &r);
    const TWindowGrowth growth =
        GrowWindowForPicture(TRect32{r.left, r.top, r.right, r.bottom}, w, h, Display.FrameWidth,
                             Display.FrameHeight, Display.ScreenWidth, Display.ScreenHeight);
    if (growth.Kind == TGrowth::Maximise)
      SendMessageA(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    else if (growth.Kind == TGrowth::Move)
      MoveWindow(window, growth.Window.Left, growth.Window.Top,
                 growth.Window.Right - growth.Window.Left, growth.Window.Bottom - growth.Window.Top,
                 TRUE);
    GetClientRect(window, &client);
    PictureArea(TRect32{client.left, client.top, client.right, client.bottom},
                PlayerState.PanelVisible, w, h);
  }
  Placement.Store(PlacePicture(w, h, Display.FrameWidth, Display.FrameHeight));
  InvalidateRect(window, nullptr, TRUE);
}

void AutoFullScreen() {
  if (Display.FrameWidth == Display.ScreenWidth && Display.FrameHeight == Display.ScreenHeight &&
      !PlayerState.FullScreen && Shell != nullptr)
    Shell->ToggleFullScreen();
}

void PreparePalette(HDC picture, HDC window) {
  if (Display.FrameBpp != 8) return;
  RGBQUAD colours[256];
  for (std::size_t i = 0; i < 256; ++i)
    colours[i] = RGBQUAD{Display.Palette[i].Blue, Display.Palette[i].Green, Display.Palette[i].Red, 0};
  SetDIBColorTable(picture, 0, 256, colours);
  if (Display.ScreenBpp != 8 || window == nullptr) return;
  PALETTEENTRY system[256]{};
  GetSystemPaletteEntries(window, 0, 256, system);
  if (Display.hPalette.Get() == nullptr || !SamePalette(system, Display.Palette)) {
    struct {
      WORD Version;
      WORD Count;
      PALETTEENTRY Entries[256];
    } logical{0x300, 256, {}};
    for (std::size_t i = 0; i < 256; ++i)
      logical.Entries[i] = PALETTEENTRY{Display.Palette[i].Red, Display.Palette[i].Green,
                                        Display.Palette[i].Blue, 0};
    Display.hPalette.Reset(CreatePalette(reinterpret_cast<const LOGPALETTE*>(&logical)));
  }
  // A DC from GetDC starts with the default palette: the picture's is selected every time.
  SelectPalette(window, Display.hPalette.Get(), FALSE);
  RealizePalette(window);
}

void PresentFrame(HDC picture, HDC window) {
  const TPicturePlacement p = Placement.Load();
  if (!p.Stretched)
    BitBlt(window, p.ImageLeft, p.ImageTop, Display.FrameWidth, Display.FrameHeight, picture, 0, 0,
           SRCCOPY);
  else
    StretchBlt(window, p.ImageLeft, p.ImageTop, p.ImageWidth, p.ImageHeight, picture, 0, 0,
               Display.FrameWidth, Display.FrameHeight, SRCCOPY);
}

bool UnpackFrame(const char*& message) {
  TSegmentInfo* segment = CurrentSegmentInfo();
  if (segment == nullptr) return true;
  TBlock* front = PlayerState.FrontBlock;
  if (PlayerState.Frame == nullptr || front == nullptr) {
    message = "UnpackFrame: Frame Is Nil";
    return false;
  }
  if (Display.PXorFrame == nullptr) {
    message = "UnpackFrame: PXorFrame Is Nil";
    return false;
  }
  const TUnpackResult result =
      ExpandFrameRecord(PlayerState.Frame, front->Data.size(), Display.Geometry, Display.PXorFrame,
                        Display.Geometry.XorFrameBytes());
  if (!RunsExpanded(result)) {
    message = UnpackResultText(result);
    return false;
  }
  if (Display.FrameBpp == 8) ReadPaletteChange(segment->PaletteChanges, Display.Palette);
  return true;
}

void ApplyXorFrame(HDC picture) {
  if (Display.FrameBpp == 8) {
    GdiFlush(); // the cursor was drawn into the picture by GDI
    ApplyXorFrame8(Display.PXorFrame, Display.Geometry.XorFrameBytes(), Display.PFrame8,
                   Display.Geometry.XorFrameBytes(), Display.Geometry);
    return;
  }
  TBitmapDc xorFrame(Display.hbmXorFrame.Get());
  BitBlt(picture, 0, 0, Display.FrameWidth, Display.FrameHeight, xorFrame.Get(), 0, 0, SRCINVERT);
}

void ReadCursorStep() {
  TSegmentInfo* segment = CurrentSegmentInfo();
  if (segment == nullptr) return;
  ReadCursorStep(segment->CursorTrack, Display.CursorStep);
  Display.CursorShape = segment->Cursors.Items(Display.CursorStep.ShapeIndex);
  if (Display.CursorShape != nullptr)
    Display.Boxes.MoveTo(Display.CursorStep.X, Display.CursorStep.Y,
                         Display.CursorShape->Record().HotX, Display.CursorShape->Record().HotY);
}

void SaveUnderCursor(HDC picture) {
  if (Display.CursorShape == nullptr) return;
  if (Display.FrameBpp == 8) {
    CopyCursorBox8(true, Display.Boxes.Left, Display.Boxes.Top);
  } else {
    TBitmapDc box(Display.hbmCursor.Get());
    BitBlt(box.Get(), 0, 0, Display.CursorBoxWidth, Display.CursorBoxHeight, picture,
           Display.Boxes.Left, Display.Boxes.Top, SRCCOPY);
  }
  Display.Boxes.MarkDrawn();
}

void DrawCursorShape(HDC picture) {
  if (Display.CursorShape != nullptr)
    Display.CursorShape->Draw(picture, Display.CursorStep.X, Display.CursorStep.Y);
}

void RestoreUnderCursor(HDC picture) {
  std::int32_t left = 0, top = 0;
  if (!Display.Boxes.TakeDrawn(left, top)) return;
  if (Display.FrameBpp == 8) {
    CopyCursorBox8(false, left, top);
    return;
  }
  TBitmapDc box(Display.hbmCursor.Get());
  BitBlt(picture, left, top, Display.CursorBoxWidth, Display.CursorBoxHeight, box.Get(), 0, 0,
         SRCCOPY);
}

void CommitCursorPos() { Display.Boxes.Commit(); }

void PresentCursorArea(HDC picture, HDC window) {
  const TPicturePlacement p = Placement.Load();
  const TCursorArea area = CursorArea(Display.Boxes.OldLeft, Display.Boxes.OldTop, Display.Boxes.Left,
                                      Display.Boxes.Top, Display.CursorBoxWidth,
                                      Display.CursorBoxHeight);
  for (std::int32_t i = 0; i < area.Count; ++i)
    CopyBox(picture, window, area.Boxes[i], BoxInWindow(area.Boxes[i], p), p.Stretched);
}
