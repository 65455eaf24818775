// PNG pictures of every kind read to the pixels they store: natively through libpng, and
// under Wine through the platform's image codecs, by the same tests.
#include "PngPicture.h"
#include "PictureFiles.h"
#include "writer/MovieLayout.h"

#include "TestPng.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

using NQuillo::TImage;
using TBytes = std::vector<uint8_t>;

// A picture kind: what its file holds and the 0xRRGGBB colour each pixel must come out as.
struct TKind {
  const char* Name;
  TPngFile File;
  std::vector<uint32_t> Colours;
};

// Truth colours that every kind can hold exactly: greys for the grey kinds, at their depth.
std::vector<uint32_t> Greys(uint32_t count, unsigned depth) {
  std::vector<uint32_t> greys;
  const uint32_t top = (1u << std::min(depth, 8u)) - 1;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t g = (i * 7 + 3) % (top + 1) * 255 / top;
    greys.push_back(g << 16 | g << 8 | g);
  }
  return greys;
}

std::vector<uint32_t> Colours(uint32_t count) {
  std::vector<uint32_t> colours;
  uint32_t x = 12345;
  for (uint32_t i = 0; i < count; ++i) {
    x = x * 1103515245u + 12345u;
    colours.push_back(x >> 8 & 0xFFFFFF);
  }
  return colours;
}

// The samples of colours in a colour type and depth; alpha varies from pixel to pixel.
TKind Kind(const char* name, uint32_t w, uint32_t h, uint8_t type, uint8_t depth) {
  TKind kind{name, {}, {}};
  kind.File.Width = w;
  kind.File.Height = h;
  kind.File.ColourType = type;
  kind.File.BitDepth = depth;
  const bool grey = type == 0 || type == 4;
  kind.Colours = grey ? Greys(w * h, depth) : Colours(w * h);
  const uint32_t scale16 = depth == 16 ? 257 : 1;
  for (uint32_t i = 0; i < w * h; ++i) {
    const uint32_t c = kind.Colours[i];
    const uint32_t alpha = (i * 37) % 256 * scale16;
    if (grey) {
      const uint32_t top = (1u << std::min<unsigned>(depth, 8)) - 1;
      kind.File.Samples.push_back((c & 0xFF) * top / 255 * scale16);
      if (type == 4) kind.File.Samples.push_back(alpha);
    } else {
      for (uint32_t channel : {c >> 16, c >> 8 & 0xFF, c & 0xFF})
        kind.File.Samples.push_back(channel * scale16);
      if (type == 6) kind.File.Samples.push_back(alpha);
    }
  }
  return kind;
}

TImage Read(const TBytes& png, const std::string& folderFile) {
  WriteWholeFile(folderFile, png);
  return NQuillo::ReadPicture(folderFile);
}

uint32_t PixelAt(const TImage& image, size_t i) {
  const uint8_t* p = &image.Pixels[i * 4];
  return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

class TqpackPng : public testing::Test {
protected:
  void SetUp() override {
    if (!NQuillo::PngSupported()) GTEST_SKIP() << "this build reads no PNG";
  }
  TScratchFolder Folder;
};

} // namespace

TEST_F(TqpackPng, EveryKindGivesTheColoursItStores) {
  std::vector<TKind> kinds = {
      Kind("grey 1", 11, 3, 0, 1),
      Kind("grey 2", 7, 3, 0, 2),
      Kind("grey 4", 5, 3, 0, 4),
      Kind("grey 8", 5, 3, 0, 8),
      Kind("grey 16", 5, 3, 0, 16),
      Kind("grey + alpha 8", 5, 3, 4, 8),
      Kind("grey + alpha 16", 5, 3, 4, 16),
      Kind("RGB 8", 5, 3, 2, 8),
      Kind("RGB 16", 5, 3, 2, 16),
      Kind("RGBA 8", 5, 3, 6, 8),
      Kind("RGBA 16", 5, 3, 6, 16),
      Kind("interlaced RGB", 9, 10, 2, 8),
      Kind("interlaced grey 2", 13, 9, 0, 2),
      Kind("RGB with gAMA", 5, 3, 2, 8),
      Kind("grey with tRNS", 5, 3, 0, 8),
      Kind("RGB with tRNS", 5, 3, 2, 8),
      Kind("grey 2 with tRNS", 7, 3, 0, 2),
      Kind("grey 16 with tRNS", 5, 3, 0, 16),
  };
  kinds[11].File.Interlaced = kinds[12].File.Interlaced = true;
  kinds[13].File.Extra = {{"gAMA", {0, 0, 0x61, 0xA8}}}; // 0.25: nothing may be corrected
  kinds[14].File.Extra = {{"tRNS", {0, 0}}};             // black is transparent: kept black
  kinds[15].File.Extra = {{"tRNS", {0, 0x12, 0, 0x34, 0, 0x56}}};
  kinds[16].File.Extra = {{"tRNS", {0, 2}}};
  kinds[17].File.Extra = {{"tRNS", {0x80, 0x80}}};
  for (const TKind& kind : kinds) {
    SCOPED_TRACE(kind.Name);
    const TImage image = Read(MakePng(kind.File), Folder / "picture.png");
    ASSERT_EQ(image.Width, static_cast<int32_t>(kind.File.Width));
    ASSERT_EQ(image.Height, static_cast<int32_t>(kind.File.Height));
    ASSERT_EQ(image.BitsPerPixel, 32u);
    for (size_t i = 0; i < kind.Colours.size(); ++i) {
      EXPECT_EQ(PixelAt(image, i), kind.Colours[i]) << "pixel " << i;
      EXPECT_EQ(image.Pixels[i * 4 + 3], 0) << "the fourth byte is unused";
    }
  }
}

TEST_F(TqpackPng, SixteenBitSamplesRoundToTheNearestEightBitValue) {
  TPngFile png;
  png.Width = 6;
  png.Height = 1;
  png.ColourType = 0;
  png.BitDepth = 16;
  png.Samples = {0x0000, 0x0080, 0x0081, 0x7F80, 0x80FF, 0xFFFF};
  const uint32_t expected[] = {0, 0, 1, 127, 128, 255};
  const TImage image = Read(MakePng(png), Folder / "grey16.png");
  for (size_t i = 0; i < 6; ++i)
    EXPECT_EQ(PixelAt(image, i), expected[i] * 0x010101) << "sample " << png.Samples[i];
}

TEST_F(TqpackPng, IndexedPicturesKeepTheirIndicesAndColourTable) {
  for (uint8_t depth : {1, 2, 4, 8}) {
    SCOPED_TRACE(int{depth});
    TPngFile png;
    png.Width = 9;
    png.Height = 2;
    png.ColourType = 3;
    png.BitDepth = depth;
    const uint32_t entries = 1u << depth;
    png.Palette = Colours(std::min(entries, 200u));
    for (uint32_t i = 0; i < png.Width * png.Height; ++i)
      png.Samples.push_back(i * 5 % static_cast<uint32_t>(png.Palette.size()));
    const TImage image = Read(MakePng(png), Folder / "indexed.png");
    ASSERT_EQ(image.BitsPerPixel, 8u);
    for (size_t i = 0; i < png.Samples.size(); ++i)
      EXPECT_EQ(image.Pixels[i], png.Samples[i]) << "pixel " << i;
    for (size_t i = 0; i < png.Palette.size(); ++i)
      EXPECT_EQ(image.Palette[i], png.Palette[i]) << "entry " << i;
  }
}

TEST_F(TqpackPng, DamagedFilesAreRefusedWithTheirName) {
  TPngFile png;
  png.Width = 4;
  png.Height = 4;
  png.Samples.assign(4 * 4 * 3, 77);
  const TBytes good = MakePng(png);
  const std::vector<TBytes> damaged = {
      TBytes(good.begin(), good.begin() + 40), // cut inside the picture data
      [&] {
        TBytes b = good;
        b[16 + 3] = 0; // width 0
        return b;
      }(),
  };
  for (const TBytes& bytes : damaged) {
    WriteWholeFile(Folder / "bad.png", bytes);
    try {
      NQuillo::ReadPicture(Folder / "bad.png");
      ADD_FAILURE() << "a damaged PNG was read";
    } catch (const NQuillo::TMovieError& e) {
      EXPECT_NE(std::string(e.what()).find("bad.png"), std::string::npos) << e.what();
    }
  }
}
