#include "writer/CursorRecords.h"
#include "writer/MovieLayout.h"

#include "MovieReference.h"
#include "StockCursors.h"

#include <gtest/gtest.h>

using namespace NQuillo;
using TBytes = std::vector<uint8_t>;

namespace {

TCursorShape Blank(int32_t width, int32_t height, unsigned colourBits) {
  TCursorShape s;
  s.Width = width;
  s.Height = height;
  s.ColourBits = colourBits;
  s.AndMask.assign(static_cast<size_t>(width * height), 1);
  s.Colour.assign(static_cast<size_t>(width * height), 0);
  return s;
}

} // namespace

TEST(CursorRecords, MonochromeRecordHasTheTypicalLayout) {
  // The typical record: hot spot (10, 10), 32 x 64 mask at 1 bit, empty colour part: 290 bytes.
  TCursorShape s = Blank(32, 32, 0);
  s.HotX = 10;
  s.HotY = 10;
  s.AndMask[0] = 0; // (0, 0) black
  s.AndMask[1] = 0; // (1, 0) white
  s.Colour[1] = 0xFFFFFF;
  s.Colour[32 + 9] = 0xFFFFFF; // (9, 1) inverts the screen
  const TBytes r = CursorShapeRecord(s);
  ASSERT_EQ(r.size(), 290u);
  EXPECT_EQ(NRef::I32(r, 0), 10);
  EXPECT_EQ(NRef::I32(r, 4), 10);
  EXPECT_EQ(NRef::I32(r, 8), 256); // mask size
  EXPECT_EQ(NRef::I32(r, 12), 32);
  EXPECT_EQ(NRef::I32(r, 16), 64); // AND and XOR halves
  EXPECT_EQ(r[20], 1);
  const size_t andBits = 21, xorBits = 21 + 128;
  EXPECT_EQ(r[andBits + 0], 0x3F); // pixels 0 and 1 opaque
  EXPECT_EQ(r[andBits + 1], 0xFF);
  EXPECT_EQ(r[andBits + 4 + 1], 0xFF); // (9, 1) keeps the screen...
  EXPECT_EQ(r[xorBits + 0], 0x40);     // ...white at (1, 0)
  EXPECT_EQ(r[xorBits + 4 + 1], 0x40); // ...and inverts at (9, 1)
  EXPECT_EQ(r[xorBits + 8], 0x00);
  EXPECT_EQ(NRef::I32(r, 277), 0); // colour size, width, height
  EXPECT_EQ(NRef::I32(r, 281), 0);
  EXPECT_EQ(NRef::I32(r, 285), 0);
  EXPECT_EQ(r[289], 32);
}

TEST(CursorRecords, ColourRecordsPadMaskAndDibRows) {
  // 3 x 2 at 24 bits: mask rows of 2 bytes, DIB rows of 9 bytes padded to 12.
  TCursorShape s = Blank(3, 2, 24);
  s.AndMask = {0, 1, 0, 1, 1, 0};
  s.Colour = {0x112233, 0, 0x445566, 0, 0, 0xA0B0C0};
  const TBytes r = CursorShapeRecord(s);
  ASSERT_EQ(r.size(), 8u + 13 + 4 + 13 + 24);
  EXPECT_EQ(NRef::I32(r, 8), 4);
  EXPECT_EQ(NRef::I32(r, 16), 2); // the mask is as high as the cursor
  EXPECT_EQ(r[21], 0x40);
  EXPECT_EQ(r[22], 0x00);
  EXPECT_EQ(r[23], 0xC0);
  EXPECT_EQ(NRef::I32(r, 25), 24);
  EXPECT_EQ(NRef::I32(r, 29), 3);
  EXPECT_EQ(NRef::I32(r, 33), 2);
  EXPECT_EQ(r[37], 24);
  const TBytes dib(r.begin() + 38, r.end());
  EXPECT_EQ(dib, (TBytes{0x33, 0x22, 0x11, 0, 0, 0, 0x66, 0x55, 0x44, 0, 0, 0,
                         0,    0,    0,    0, 0, 0, 0xC0, 0xB0, 0xA0, 0, 0, 0}));

  // At 32 bits every pixel takes four bytes, the fourth zero.
  s.ColourBits = 32;
  const TBytes r32 = CursorShapeRecord(s);
  EXPECT_EQ(NRef::I32(r32, 25), 24);
  EXPECT_EQ(TBytes(r32.begin() + 38, r32.begin() + 42), (TBytes{0x33, 0x22, 0x11, 0}));
}

TEST(CursorRecords, ArtAndStockShapes) {
  const TCursorShape art = TCursorShape::FromArt({"#o", "~."}, 1, 0);
  EXPECT_EQ(art.AndMask, (std::vector<uint8_t>{0, 0, 1, 1}));
  EXPECT_EQ(art.Colour, (std::vector<uint32_t>{0, 0xFFFFFF, 0xFFFFFF, 0}));
  EXPECT_THROW(TCursorShape::FromArt({"#o", "~"}, 0, 0), TMovieError);
  EXPECT_THROW(TCursorShape::FromArt({"#x"}, 0, 0), TMovieError);

  bool colour = false;
  for (const std::string& name : StockCursorNames()) {
    const TCursorShape s = StockCursor(name);
    EXPECT_EQ(s.Width, 32) << name;
    EXPECT_EQ(s.Height, 32) << name;
    const size_t expected = s.ColourBits == 0 ? 290u : 21 + 128 + 13 + 32 * 32 * s.ColourBits / 8;
    EXPECT_EQ(CursorShapeRecord(s).size(), expected) << name;
    colour = colour || s.ColourBits != 0;
    // Where the mask keeps the screen a colour cursor must not tint it.
    for (size_t i = 0; i < s.AndMask.size() && s.ColourBits != 0; ++i) {
      if (s.AndMask[i]) {
        ASSERT_EQ(s.Colour[i], 0u) << name;
      }
    }
  }
  EXPECT_TRUE(colour);
  EXPECT_EQ(StockCursor("arrow").HotX, 0);
  EXPECT_THROW(StockCursor("spinner"), TMovieError);
}

TEST(CursorRecords, RefusesMalformedShapes) {
  EXPECT_THROW(CursorShapeRecord(Blank(0, 4, 0)), TMovieError);
  EXPECT_THROW(CursorShapeRecord(Blank(300, 4, 0)), TMovieError);
  EXPECT_THROW(CursorShapeRecord(Blank(4, 4, 16)), TMovieError);
  TCursorShape s = Blank(4, 4, 0);
  s.Colour.pop_back();
  EXPECT_THROW(CursorShapeRecord(s), TMovieError);
}
