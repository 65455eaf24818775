#include "MovieBuilder.h"
#include "TestSupport.h"
#include "engine/UtqCursor_new.h"
#include "movie/tqClasses.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {
void SetBit(std::vector<std::uint8_t>& bits, int rowBytes, int x, int y, bool on) {
  const std::size_t at = static_cast<std::size_t>(y * rowBytes + x / 8);
  const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x % 8));
  bits[at] = static_cast<std::uint8_t>(on ? bits[at] | bit : bits[at] & ~bit);
}

// 32 x 32 at hot spot (10, 10). Three 4 x 4 blocks in the top rows: black (AND 0, XOR 0),
// inverting (AND 1, XOR 1) and white (AND 0, XOR 1); the rest is transparent.
std::vector<std::uint8_t> MonochromeShape() {
  std::vector<std::uint8_t> mask(4 * 64, 0);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) SetBit(mask, 4, x, y, true);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      SetBit(mask, 4, x, y, false);              // black: AND 0
      SetBit(mask, 4, 8 + x, 32 + y, true);      // inverting: AND stays 1, XOR 1
      SetBit(mask, 4, 16 + x, y, false);         // white: AND 0 ...
      SetBit(mask, 4, 16 + x, 32 + y, true);     // ... XOR 1
    }
  std::vector<std::uint8_t> r;
  PutInt32(r, 10);
  PutInt32(r, 10);
  PutCursorDescriptor(r, 256, 32, 64, 1);
  r.insert(r.end(), mask.begin(), mask.end());
  PutCursorDescriptor(r, 0, 0, 0, 32);
  return r;
}

// 8 x 8 at hot spot (3, 4): the left half is opaque red, the right half transparent but for
// one pixel that XORs blue onto the background.
std::vector<std::uint8_t> ColourShape() {
  std::vector<std::uint8_t> mask(2 * 8, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 4; x < 8; ++x) SetBit(mask, 2, x, y, true);
  std::vector<std::uint8_t> colour(8 * 8 * 4, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 4; ++x) colour[static_cast<std::size_t>((y * 8 + x) * 4 + 2)] = 0xFF;
  colour[static_cast<std::size_t>((2 * 8 + 6) * 4 + 0)] = 0xFF; // (6, 2) blue
  std::vector<std::uint8_t> r;
  PutInt32(r, 3);
  PutInt32(r, 4);
  PutCursorDescriptor(r, static_cast<std::int32_t>(mask.size()), 8, 8, 1);
  r.insert(r.end(), mask.begin(), mask.end());
  PutCursorDescriptor(r, static_cast<std::int32_t>(colour.size()), 8, 8, 32);
  r.insert(r.end(), colour.begin(), colour.end());
  return r;
}

// A 64 x 64 top-down 32-bit DIB on a memory DC, filled with one colour.
class TCanvas {
public:
  explicit TCanvas(std::uint32_t fill) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 64;
    info.bmiHeader.biHeight = -64;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    Dc = CreateCompatibleDC(nullptr);
    Bitmap = CreateDIBSection(Dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&Pixels), nullptr, 0);
    Old = SelectObject(Dc, Bitmap);
    for (int i = 0; i < 64 * 64; ++i) Pixels[i] = fill;
  }
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;
  ~TCanvas() {
    SelectObject(Dc, Old);
    DeleteObject(Bitmap);
    DeleteDC(Dc);
  }
  std::uint32_t At(int x, int y) const {
    GdiFlush();
    return Pixels[y * 64 + x] & 0xFFFFFF;
  }
  HDC Dc;

private:
  HBITMAP Bitmap;
  HGDIOBJ Old;
  std::uint32_t* Pixels = nullptr;
};

std::unique_ptr<TtqCursor> LoadShape(const std::vector<std::uint8_t>& record) {
  TScratchFolder folder;
  WriteWholeFile(folder / "shape.bin", record);
  TtqFileStream file(folder / "shape.bin", TtqFileStream::ModeRead);
  auto cursor = std::make_unique<TtqCursor>();
  EXPECT_EQ(cursor->LoadFromStream(file), CursorLoaded);
  EXPECT_EQ(file.GetPosition(), static_cast<std::int32_t>(record.size()));
  return cursor;
}

constexpr std::uint32_t White = 0xFFFFFF, Black = 0, Red = 0xFF0000, Blue = 0x0000FF;
} // namespace

TEST(CursorDraw, MonochromeShapeLandsWithItsHotSpotAtThePoint) {
  const auto cursor = LoadShape(MonochromeShape());
  ASSERT_FALSE(cursor->Empty());
  for (const std::uint32_t background : {White, Black}) {
    SCOPED_TRACE(background);
    TCanvas canvas(background);
    cursor->Draw(canvas.Dc, 50, 40); // the shape's corner goes to (40, 30)
    EXPECT_EQ(canvas.At(40, 30), Black);
    EXPECT_EQ(canvas.At(43, 33), Black);
    EXPECT_EQ(canvas.At(48, 30), background ^ 0xFFFFFF);
    EXPECT_EQ(canvas.At(56, 31), White);
    EXPECT_EQ(canvas.At(39, 30), background);
    EXPECT_EQ(canvas.At(40, 29), background);
    EXPECT_EQ(canvas.At(44, 30), background);
    EXPECT_EQ(canvas.At(60, 50), background);
  }
}

TEST(CursorDraw, ColourShapeIsMaskedThenXored) {
  const auto cursor = LoadShape(ColourShape());
  ASSERT_FALSE(cursor->Empty());
  for (const std::uint32_t background : {White, Black}) {
    SCOPED_TRACE(background);
    TCanvas canvas(background);
    cursor->Draw(canvas.Dc, 20, 20); // the shape's corner goes to (17, 16)
    EXPECT_EQ(canvas.At(17, 16), Red);
    EXPECT_EQ(canvas.At(20, 23), Red);
    EXPECT_EQ(canvas.At(21, 16), background);
    EXPECT_EQ(canvas.At(17 + 6, 16 + 2), background ^ Blue);
    EXPECT_EQ(canvas.At(16, 16), background);
    EXPECT_EQ(canvas.At(17, 15), background);
    EXPECT_EQ(canvas.At(17, 24), background);
  }
}
