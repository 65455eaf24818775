#include "PlaybackReference.h"

#include "MovieReference.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
struct TInfo256 {
  BITMAPINFOHEADER Header;
  RGBQUAD Colours[256];
};

std::vector<std::uint8_t> StreamBytes(TtqMemoryStream& stream) {
  const std::int32_t size = stream.GetSize();
  return std::vector<std::uint8_t>(stream.Memory(), stream.Memory() + size);
}
} // namespace

TCursorStepAt TrackStep(TSegmentInfo& segment, std::int32_t index) {
  const std::uint8_t* p = segment.CursorTrack.Memory() + 6 * index;
  EXPECT_LE(6 * (index + 1), segment.CursorTrack.GetSize());
  return TCursorStepAt{static_cast<std::uint16_t>(p[0] | p[1] << 8),
                       static_cast<std::uint16_t>(p[2] | p[3] << 8),
                       static_cast<std::uint16_t>(p[4] | p[5] << 8)};
}

std::vector<std::uint32_t> PaletteAtFrame(TSegmentInfo& segment, std::int32_t frame) {
  std::array<std::uint32_t, 256> palette{};
  const std::vector<std::uint8_t> changes = StreamBytes(segment.PaletteChanges);
  std::size_t at = 0;
  for (std::int32_t f = 0; f <= frame && at < changes.size(); ++f)
    at = NRef::ApplyPaletteChange(changes, at, palette);
  return std::vector<std::uint32_t>(palette.begin(), palette.end());
}

TReferencePicture::TReferencePicture(TSegmentInfo& segment, const std::vector<std::uint8_t>& packed,
                                     const std::vector<std::uint32_t>& palette)
    : FSegment(segment) {
  const int w = segment.Width, h = segment.Height, bpp = segment.BitsPerPixel;
  const int bytes = bpp / 8;
  const int stride = (w * bytes + 3) / 4 * 4;
  TInfo256 info{};
  info.Header.biSize = sizeof(BITMAPINFOHEADER);
  info.Header.biWidth = w;
  info.Header.biHeight = -h;
  info.Header.biPlanes = 1;
  info.Header.biBitCount = static_cast<WORD>(bpp);
  for (std::size_t i = 0; i < 256 && i < palette.size(); ++i)
    info.Colours[i] = RGBQUAD{static_cast<BYTE>(palette[i]), static_cast<BYTE>(palette[i] >> 8),
                              static_cast<BYTE>(palette[i] >> 16), 0};
  HDC screen = GetDC(nullptr);
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                     &bits, nullptr, 0);
  for (int y = 0; y < h; ++y)
    std::memcpy(static_cast<std::uint8_t*>(bits) + static_cast<std::size_t>(y) * stride,
                packed.data() + static_cast<std::size_t>(y) * w * bytes,
                static_cast<std::size_t>(w) * bytes);
  FDc = CreateCompatibleDC(screen);
  if (bpp == 8) {
    FBitmap = section;
    FOld = SelectObject(FDc, FBitmap);
  } else {
    // The player keeps true-colour pictures in the screen's own format.
    FBitmap = CreateCompatibleBitmap(screen, w, h);
    FOld = SelectObject(FDc, FBitmap);
    HDC source = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(source, section);
    BitBlt(FDc, 0, 0, w, h, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(section);
  }
  ReleaseDC(nullptr, screen);
}

TReferencePicture::~TReferencePicture() {
  SelectObject(FDc, FOld);
  DeleteObject(FBitmap);
  DeleteDC(FDc);
}

void TReferencePicture::DrawCursor(const TCursorStepAt& step) {
  if (const TtqCursor* shape = FSegment.Cursors.Items(step.Shape)) shape->Draw(FDc, step.X, step.Y);
}

TCursorArea StepArea(TSegmentInfo& segment, std::int32_t index, int boxWidth, int boxHeight) {
  auto corner = [&](std::int32_t i, int& left, int& top) {
    const TCursorStepAt step = TrackStep(segment, i);
    const TtqCursor* shape = segment.Cursors.Items(step.Shape);
    ASSERT_NE(shape, nullptr);
    left = step.X - shape->Record().HotX;
    top = step.Y - shape->Record().HotY;
  };
  int oldLeft = 0, oldTop = 0, left = 0, top = 0;
  corner(index - 1, oldLeft, oldTop);
  corner(index, left, top);
  return CursorArea(oldLeft, oldTop, left, top, boxWidth, boxHeight);
}

std::vector<std::uint32_t> TReferencePicture::PlaceBoxes(const TPicturePlacement& p, int width,
                                                         int height,
                                                         const std::vector<std::uint32_t>& background,
                                                         const TCursorArea& area) const {
  std::vector<TBox> boxes(area.Boxes, area.Boxes + area.Count);
  return Copy(p, width, height, background, &boxes);
}

std::vector<std::uint32_t> TReferencePicture::Place(const TPicturePlacement& p, int width, int height,
                                                    const std::vector<std::uint32_t>& background) const {
  return Copy(p, width, height, background, nullptr);
}

std::vector<std::uint32_t> TReferencePicture::Copy(const TPicturePlacement& p, int width, int height,
                                                   const std::vector<std::uint32_t>& background,
                                                   const std::vector<TBox>* boxes) const {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  std::memcpy(bits, background.data(), background.size() * 4);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, section);
  if (boxes != nullptr) {
    for (const TBox& b : *boxes) {
      const TBox to = BoxInWindow(b, p);
      StretchBlt(dc, to.Left, to.Top, to.Width, to.Height, FDc, b.Left, b.Top, b.Width, b.Height,
                 SRCCOPY);
    }
  } else if (p.Stretched) {
    StretchBlt(dc, p.ImageLeft, p.ImageTop, p.ImageWidth, p.ImageHeight, FDc, 0, 0,
               FSegment.Width, FSegment.Height, SRCCOPY);
  } else {
    BitBlt(dc, p.ImageLeft, p.ImageTop, FSegment.Width, FSegment.Height, FDc, 0, 0, SRCCOPY);
  }
  GdiFlush();
  const auto* px = static_cast<const std::uint32_t*>(bits);
  std::vector<std::uint32_t> out(px, px + static_cast<std::size_t>(width) * height);
  for (auto& v : out) v &= 0xFFFFFF;
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(section);
  return out;
}

int CountDifferences(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b,
                     int width, int left, int top, int right, int bottom, std::uint32_t mask) {
  int n = 0;
  const int height = static_cast<int>(a.size()) / width;
  for (int y = std::max(top, 0); y < std::min(bottom, height); ++y)
    for (int x = std::max(left, 0); x < std::min(right, width); ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * width + x;
      n += (a[i] & mask) != (b[i] & mask);
    }
  return n;
}
