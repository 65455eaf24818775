// Round trips through the frame decoder: pictures are turned into records by a small encoder of
// the tests' own (and by the movie writer's), expanded, applied, and compared pixel by pixel
// with the pictures they came from.
#include "engine/UtqFrameCodec.h"
#include "movie/tqClasses.h"
#include "writer/FrameEncoder.h"
#include "writer/PaletteChanges.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;
// A picture as one value per pixel: a palette index, or blue, green, red as 0xRRGGBB.
using TValues = std::vector<std::uint32_t>;

constexpr std::uint8_t Untouched = 0xA5;
constexpr std::uint8_t U = Untouched; // for byte tables

std::size_t BytesPerPixelOf(int depth) {
  return static_cast<std::size_t>(depth / 8);
}

// Rows padded to four bytes, worked out here rather than asked of the decoder.
std::size_t StrideOf(int width, int depth) {
  return (static_cast<std::size_t>(width) * BytesPerPixelOf(depth) + 3) / 4 * 4;
}

void PutLe32(TBytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct TRunOptions {
  std::uint32_t MaxRun = 0;   // 0: the longest the depth allows
  bool ZeroCountRuns = false; // a run of count 0 after every run
};

// Encodes per-pixel XOR values as a record, runs carrying over from one row to the next.
TBytes ReferenceRecord(const TValues& xorValues, int depth, TRunOptions options = {}) {
  const bool wide = depth != 8;
  const std::uint32_t maxRun = options.MaxRun ? options.MaxRun : wide ? 65535u : 255u;
  TBytes r(8, 0);
  std::uint32_t runs = 0;
  auto put = [&](std::uint32_t v, std::uint32_t n) {
    r.push_back(static_cast<std::uint8_t>(v));
    if (wide) {
      r.push_back(static_cast<std::uint8_t>(v >> 8));
      r.push_back(static_cast<std::uint8_t>(v >> 16));
      r.push_back(static_cast<std::uint8_t>(n));
      r.push_back(static_cast<std::uint8_t>(n >> 8));
    } else {
      r.push_back(static_cast<std::uint8_t>(n));
    }
    ++runs;
  };
  for (std::size_t i = 0; i < xorValues.size();) {
    std::uint32_t n = 1;
    while (i + n < xorValues.size() && xorValues[i + n] == xorValues[i] && n < maxRun)
      ++n;
    put(xorValues[i], n);
    if (options.ZeroCountRuns) put(wide ? 0x5A5A5Au : 0x5Au, 0);
    i += n;
  }
  PutLe32(r, 0, static_cast<std::uint32_t>(r.size()));
  PutLe32(r, 4, runs);
  return r;
}

std::uint32_t PixelAt(const TBytes& buffer, int width, int depth, int x, int y) {
  const std::uint8_t* p = buffer.data() + static_cast<std::size_t>(y) * StrideOf(width, depth) +
                          static_cast<std::size_t>(x) * BytesPerPixelOf(depth);
  if (depth == 8) return p[0];
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
}

struct TRandom {
  std::uint32_t State;
  std::uint32_t Next() { return State = State * 1664525u + 1013904223u; }
};

// Flat stretches that cross row ends, stripes, and noise, as screens have.
TValues MakePicture(int width, int height, int depth, std::uint32_t seed) {
  const std::uint32_t mask = depth == 8 ? 0xFFu : 0xFFFFFFu;
  TRandom random{seed};
  const std::uint32_t background = random.Next() & mask, stripe = random.Next() & mask;
  TValues v(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (std::size_t i = 0; i < v.size(); ++i) {
    const std::size_t x = i % static_cast<std::size_t>(width);
    if ((i / 37 + seed) % 3 == 0)
      v[i] = (random.Next() >> 8) & mask;
    else
      v[i] = x / 5 % 4 == 0 ? stripe : background;
  }
  return v;
}

// The next picture: a few small areas changed, the rest as before.
TValues ChangePicture(TValues v, int width, int depth, std::uint32_t seed) {
  const std::uint32_t mask = depth == 8 ? 0xFFu : 0xFFFFFFu;
  TRandom random{seed};
  for (int area = 0; area < 3; ++area) {
    const std::size_t start = random.Next() % v.size();
    const std::size_t length = 1 + random.Next() % (static_cast<std::size_t>(width) + 40);
    const std::uint32_t value = random.Next() & mask;
    for (std::size_t i = start; i < v.size() && i < start + length; ++i)
      v[i] = area == 0 ? (random.Next() >> 8) & mask : value;
  }
  return v;
}

TValues Xor(const TValues& a, const TValues& b) {
  TValues r(a.size());
  for (std::size_t i = 0; i < a.size(); ++i)
    r[i] = a[i] ^ b[i];
  return r;
}

// A decoder for one picture size: its XOR frame and picture, each sized exactly.
struct TDecoder {
  TDecoder(int width, int height, int depth)
      : Width(width), Height(height), Depth(depth),
        XorFrame(StrideOf(width, depth) * static_cast<std::size_t>(height + 1), Untouched),
        Picture(StrideOf(width, depth) * static_cast<std::size_t>(height), 0) {
    Valid = MakeFrameGeometry(width, height, depth, Geometry);
  }
  TUnpackResult Expand(const TBytes& record) {
    return ExpandFrameRecord(record.data(), record.size(), Geometry, XorFrame.data(),
                             XorFrame.size());
  }
  bool Apply() {
    return ApplyXorFrameInMemory(XorFrame.data(), XorFrame.size(), Picture.data(), Picture.size(),
                                 Geometry);
  }
  TValues Values(const TBytes& buffer) const {
    TValues v;
    for (int y = 0; y < Height; ++y)
      for (int x = 0; x < Width; ++x)
        v.push_back(PixelAt(buffer, Width, Depth, x, y));
    return v;
  }
  int Width, Height, Depth;
  TBytes XorFrame, Picture;
  TFrameGeometry Geometry;
  bool Valid = false;
};

// What a complete record leaves in the XOR frame outside the pixels: the fourth byte of a
// 32-bit pixel is 0, a 24-bit row's last store puts 0 into the first byte after the row,
// and nothing else is touched.
void ExpectOutsidePixels(const TDecoder& d) {
  const std::size_t bpp = BytesPerPixelOf(d.Depth), stride = StrideOf(d.Width, d.Depth);
  const std::size_t rowBytes = static_cast<std::size_t>(d.Width) * bpp;
  for (std::size_t y = 0; y <= static_cast<std::size_t>(d.Height); ++y) {
    for (std::size_t i = 0; i < stride; ++i) {
      const std::uint8_t byte = d.XorFrame[y * stride + i];
      const bool picture = y < static_cast<std::size_t>(d.Height);
      if (picture && i < rowBytes) {
        if (d.Depth == 32 && i % 4 == 3) {
          ASSERT_EQ(byte, 0) << "x " << i / 4 << " y " << y;
        }
        continue;
      }
      const bool spilled =
          d.Depth == 24 && (picture ? i == rowBytes : i == 0 && rowBytes == stride);
      ASSERT_EQ(byte, spilled ? 0 : Untouched) << "byte " << i << " of row " << y;
    }
  }
}

} // namespace

TEST(FrameCodecFormat, RunFormatsAndGeometryOfEachDepth) {
  struct TCase {
    int Depth, Bpp, PixelField, CountField, MaxRun, RunSize;
  } const cases[] = {{8, 1, 1, 1, 255, 2}, {24, 3, 3, 2, 65535, 5}, {32, 4, 3, 2, 65535, 5}};
  for (const TCase& c : cases) {
    TFrameRunFormat f;
    ASSERT_TRUE(GetRunFormat(c.Depth, f));
    EXPECT_EQ(f.BitsPerPixel, c.Depth);
    EXPECT_EQ(f.BytesPerPixel, c.Bpp);
    EXPECT_EQ(f.PixelFieldSize, c.PixelField);
    EXPECT_EQ(f.CountFieldSize, c.CountField);
    EXPECT_EQ(f.MaxRunLength, c.MaxRun);
    EXPECT_EQ(f.RunSize, c.RunSize);
  }
  for (int depth : {0, 1, 4, 15, 16, -8, 31, 33, 64}) {
    TFrameRunFormat f;
    EXPECT_FALSE(GetRunFormat(depth, f)) << depth;
    EXPECT_EQ(f.RunSize, 0);
  }

  struct TShape {
    int Width, Height, Depth, RowBytes, Padding, Stride;
    std::size_t XorBytes;
    std::int32_t MaxRecord;
  } const shapes[] = {
      {1, 1, 8, 1, 3, 4, 8, 10},
      {3, 2, 24, 9, 3, 12, 36, 38},
      {1023, 735, 8, 1023, 1, 1024, 1024 * 736, 2 * 1023 * 735 + 8},
      {1023, 1, 24, 3069, 3, 3072, 6144, 5 * 1023 + 8},
      {1024, 735, 24, 3072, 0, 3072, 3072 * 736, 5 * 752640 + 8},
      {1024, 735, 32, 4096, 0, 4096, 4096 * 736, 3763208},
      {1, 5, 32, 4, 0, 4, 24, 33},
  };
  for (const TShape& s : shapes) {
    TFrameGeometry g;
    ASSERT_TRUE(MakeFrameGeometry(s.Width, s.Height, s.Depth, g)) << s.Width << " " << s.Depth;
    EXPECT_EQ(g.RowBytes, s.RowBytes);
    EXPECT_EQ(g.RowPadding, s.Padding);
    EXPECT_EQ(g.Stride, s.Stride);
    EXPECT_EQ(g.XorFrameBytes(), s.XorBytes);
    EXPECT_EQ(g.PictureBytes(), s.XorBytes - static_cast<std::size_t>(s.Stride));
    EXPECT_EQ(g.MaxRecordSize(), s.MaxRecord);
  }

  TFrameGeometry g;
  EXPECT_FALSE(MakeFrameGeometry(0, 10, 32, g));
  EXPECT_FALSE(MakeFrameGeometry(10, 0, 32, g));
  EXPECT_FALSE(MakeFrameGeometry(-1, 10, 8, g));
  EXPECT_FALSE(MakeFrameGeometry(10, 10, 16, g));
  // Largest records of 2^31 bytes and more, and sizes whose products overflow 32 bits.
  EXPECT_FALSE(MakeFrameGeometry(65536, 6554, 32, g));
  EXPECT_TRUE(MakeFrameGeometry(65536, 6553, 32, g));
  EXPECT_FALSE(MakeFrameGeometry(0x7FFFFFFF, 0x7FFFFFFF, 8, g));
  EXPECT_FALSE(MakeFrameGeometry(0x40000000, 1, 32, g));
}

TEST(FrameCodecRoundTrip, PicturesComeBackBitExactAtEveryDepthAndWidth) {
  const TRunOptions optionSets[] = {{}, {7, true}};
  for (int depth : {8, 24, 32})
    for (int width : {1, 3, 1023, 1024})
      for (int height : {1, 2, 5})
        for (const TRunOptions& options : optionSets) {
          SCOPED_TRACE(testing::Message() << width << " x " << height << " x " << depth
                                          << (options.MaxRun ? ", short runs" : ""));
          TDecoder d(width, height, depth);
          ASSERT_TRUE(d.Valid);
          TValues shown(static_cast<std::size_t>(width * height), 0);
          for (std::uint32_t frame = 0; frame < 4; ++frame) {
            const TValues next = frame == 0 ? MakePicture(width, height, depth, 11)
                                            : ChangePicture(shown, width, depth, frame);
            const TValues difference = Xor(shown, next);
            ASSERT_EQ(d.Expand(ReferenceRecord(difference, depth, options)), urComplete);
            ASSERT_EQ(d.Values(d.XorFrame), difference) << "frame " << frame;
            ExpectOutsidePixels(d);
            ASSERT_TRUE(d.Apply());
            ASSERT_EQ(d.Values(d.Picture), next) << "frame " << frame;
            shown = next;
          }
        }
}

TEST(FrameCodecRoundTrip, RunsAcrossRowEndsAndExactlyToThem) {
  // 3 x 2 at 24 bits, rows of 9 bytes and 3 of padding: A covers (0,0) (1,0); B runs from
  // the right edge into the next row; C is the last pixel.
  TDecoder across(3, 2, 24);
  const TBytes record = {33, 0,  0,  0, 5, 0, 0, 0, // RecordSize, RunCount
                         1,  2,  3,  2, 0,          // A, 2
                         4,  5,  6,  0, 0,          // count 0: nothing
                         7,  8,  9,  3, 0,          // B, 3
                         0,  0,  0,  0, 0,          // count 0
                         10, 11, 12, 1, 0};         // C, 1
  ASSERT_EQ(across.Expand(record), urComplete);
  const TBytes expected = {1, 2, 3, 1, 2, 3, 7,  8,  9,  0, U, U, //
                           7, 8, 9, 7, 8, 9, 10, 11, 12, 0, U, U, //
                           U, U, U, U, U, U, U,  U,  U,  U, U, U};
  EXPECT_EQ(across.XorFrame, expected);

  // A run that ends exactly at the row end is followed by the padding; the next starts at
  // column 0 of the next row. 8 bits, width 3: one byte of padding.
  TDecoder exact(3, 2, 8);
  ASSERT_EQ(exact.Expand({14, 0, 0, 0, 3, 0, 0, 0, 0x11, 3, 0x22, 0, 0x33, 3}), urComplete);
  const TBytes expected8 = {0x11, 0x11, 0x11, U, 0x33, 0x33, 0x33, U, U, U, U, U};
  EXPECT_EQ(exact.XorFrame, expected8);
}

TEST(FrameCodecRoundTrip, SpareRowTakesTheLastStoreOfA24BitPicture) {
  // Rows of 4 pixels at 24 bits have no padding: the last pixel's fourth byte is the first
  // byte of the spare row, and it is 0.
  for (int width : {4, 1024}) {
    TDecoder d(width, 2, 24);
    const TValues picture = MakePicture(width, 2, 24, 5);
    ASSERT_EQ(d.Expand(ReferenceRecord(picture, 24)), urComplete);
    const std::size_t spare = StrideOf(width, 24) * 2;
    EXPECT_EQ(d.XorFrame[spare], 0);
    EXPECT_EQ(d.XorFrame[spare + 1], Untouched);
    EXPECT_EQ(d.XorFrame.back(), Untouched);
    EXPECT_EQ(d.Values(d.XorFrame), picture);
  }
}

TEST(FrameCodecRoundTrip, UnchangedFrameOfTwelveRunsLeavesThePictureAlone) {
  TDecoder d(1024, 735, 32);
  const TValues first = MakePicture(1024, 735, 32, 3);
  ASSERT_EQ(d.Expand(ReferenceRecord(first, 32)), urComplete);
  ASSERT_TRUE(d.Apply());

  TBytes unchanged = {68, 0, 0, 0, 12, 0, 0, 0};
  for (int i = 0; i < 11; ++i)
    unchanged.insert(unchanged.end(), {0, 0, 0, 0xFF, 0xFF});
  unchanged.insert(unchanged.end(), {0, 0, 0, 0x0B, 0x7C}); // 31755 = 752640 - 11 x 65535
  ASSERT_EQ(unchanged.size(), 68u);
  EXPECT_EQ(ReferenceRecord(TValues(1024 * 735, 0), 32), unchanged);
  const TBytes before = d.Picture;
  ASSERT_EQ(d.Expand(unchanged), urComplete);
  ASSERT_TRUE(d.Apply());
  EXPECT_EQ(d.Picture, before);
  EXPECT_EQ(d.Values(d.Picture), first);
}

TEST(FrameCodecRoundTrip, SameRecordTwiceRestoresThePicture) {
  for (int depth : {8, 24, 32}) {
    SCOPED_TRACE(depth);
    TDecoder d(1023, 3, depth);
    ASSERT_EQ(d.Expand(ReferenceRecord(MakePicture(1023, 3, depth, 8), depth)), urComplete);
    ASSERT_TRUE(d.Apply());
    const TBytes before = d.Picture;
    const TBytes record = ReferenceRecord(MakePicture(1023, 3, depth, 9), depth);
    ASSERT_EQ(d.Expand(record), urComplete);
    ASSERT_TRUE(d.Apply());
    ASSERT_NE(d.Picture, before);
    ASSERT_EQ(d.Expand(record), urComplete);
    ASSERT_TRUE(d.Apply());
    EXPECT_EQ(d.Picture, before);
  }
}

// The movie writer's encoder and palette changes, decoded here, give back the pictures (and
// at 8 bits the colours) it was handed.
TEST(FrameCodecRoundTrip, WriterRecordsDecodeToTheWritersPictures) {
  for (int depth : {8, 24, 32})
    for (int width : {1, 3, 1023, 1024}) {
      SCOPED_TRACE(testing::Message() << width << " x 4 x " << depth);
      const int height = 4;
      NQuillo::TFrameEncoder encoder(width, height, static_cast<unsigned>(depth));
      NQuillo::TPaletteChangeWriter paletteWriter;
      TDecoder d(width, height, depth);
      TtqMemoryStream changes;
      TPaletteTable palette{};
      TValues shown(static_cast<std::size_t>(width * height), 0);
      TBytes record;
      for (std::uint32_t frame = 0; frame < 3; ++frame) {
        TValues next = frame == 0 ? MakePicture(width, height, depth, 21)
                                  : ChangePicture(shown, width, depth, frame + 30);
        // A record changes at most 255 entries: a picture that used all 256 at once could
        // not be shown right away.
        if (depth == 8)
          for (std::uint32_t& v : next)
            v %= 255;
        // The writer takes packed rows; a 32-bit picture's fourth byte is noise it ignores.
        const std::size_t bpp = BytesPerPixelOf(depth);
        TBytes packed(next.size() * bpp);
        for (std::size_t i = 0; i < next.size(); ++i)
          for (std::size_t k = 0; k < bpp; ++k)
            packed[i * bpp + k] = static_cast<std::uint8_t>(k == 3 ? i * 7 : next[i] >> (8 * k));
        encoder.Encode({packed.data(), packed.size(), static_cast<std::size_t>(width) * bpp},
                       record);
        ASSERT_EQ(d.Expand(record), urComplete);
        ASSERT_TRUE(d.Apply());
        ASSERT_EQ(d.Values(d.Picture), next) << "frame " << frame;
        shown = next;

        if (depth != 8) continue;
        NQuillo::TPalette wanted;
        for (std::size_t i = 0; i < wanted.size(); ++i)
          wanted[i] = (static_cast<std::uint32_t>(i) * 0x010305u + frame * 0x402010u) & 0xFFFFFFu;
        const std::int32_t at = changes.GetPosition();
        TBytes change;
        paletteWriter.Encode(wanted, NQuillo::PaletteUseOf(packed.data(), packed.size()), change);
        changes.Write(change.data(), static_cast<std::int32_t>(change.size()));
        changes.SetPosition(at);
        ASSERT_NE(ReadPaletteChange(changes, palette), prExhausted);
        for (std::uint32_t index : next) {
          const TPaletteEntry& e = palette[index];
          ASSERT_EQ(std::uint32_t{e.Red} << 16 | std::uint32_t{e.Green} << 8 | e.Blue,
                    wanted[index])
              << "entry " << index;
        }
      }
    }
}
