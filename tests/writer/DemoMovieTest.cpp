#include "DemoMovie.h"
#include "StockCursors.h"
#include "TqpackCommands.h"
#include "writer/CursorRecords.h"

#include "MovieReference.h"
#include "SharedDemo.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <sstream>

using namespace NQuillo;
using TBytes = std::vector<uint8_t>;

namespace {

// The demo is written once for all tests of this file.
class DemoMovie : public testing::Test {
protected:
  static void SetUpTestSuite() {
    Folder = new TScratchFolder;
    Movie = new TBytes(::ReadWholeFile(SharedDemoPath()));
  }
  static void TearDownTestSuite() {
    delete Movie;
    delete Folder;
  }
  static TScratchFolder* Folder;
  static TBytes* Movie;
};

TScratchFolder* DemoMovie::Folder = nullptr;
TBytes* DemoMovie::Movie = nullptr;

} // namespace

TEST_F(DemoMovie, HasTheThreeSegmentsAsked) {
  const std::vector<NRef::TEntry> table = NRef::ReadTable(*Movie);
  ASSERT_EQ(table.size(), 3u);
  struct TWant {
    int32_t Width, Height;
    uint8_t Bits;
    int32_t Flags;
  } const want[3] = {{1024, 735, 32, 0}, {800, 600, 24, 1}, {640, 480, 8, 0}};
  size_t next = 4 + 3 * 6;
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(table[i].Kind, 1);
    EXPECT_EQ(static_cast<size_t>(table[i].Offset), next) << "segments lie back to back";
    const NRef::THeader h = NRef::ReadHeader(*Movie, next);
    EXPECT_EQ(h.Width, want[i].Width);
    EXPECT_EQ(h.Height, want[i].Height);
    EXPECT_EQ(h.Bits, want[i].Bits);
    EXPECT_EQ(h.Flags, want[i].Flags);
    EXPECT_GE(h.Frames, 100);
    EXPECT_LE(h.Frames, 300);
    EXPECT_EQ(h.TrackSize, h.Frames * (h.Flags ? 3 : 1) * 6);
    EXPECT_EQ(h.PaletteSize > 0, h.Bits == 8);
    next += static_cast<size_t>(h.Reserved2);
  }
  EXPECT_EQ(NRef::ReadHeader(*Movie, 22).Rate, 10.0f);
  EXPECT_EQ(next, Movie->size());
}

TEST_F(DemoMovie, IsTheSameEveryTime) {
  std::ostringstream out, err;
  ASSERT_EQ(RunTqpack({"demo", *Folder / "again.tqf"}, out, err), 0) << err.str();
  EXPECT_EQ(::ReadWholeFile(*Folder / "again.tqf"), *Movie);
}

// Every frame decodes to the scene's own drawing of it, with the cursors and colours the
// scene asked for.
TEST_F(DemoMovie, DecodesBackToTheScenes) {
  const std::vector<std::unique_ptr<NDemo::TDemoScene>> scenes = NDemo::DemoScenes();
  const std::vector<NRef::TEntry> table = NRef::ReadTable(*Movie);
  ASSERT_EQ(table.size(), scenes.size());
  bool colourShape = false;
  for (size_t s = 0; s < scenes.size(); ++s) {
    const NDemo::TDemoScene& scene = *scenes[s];
    SCOPED_TRACE("segment " + std::to_string(s + 1));
    const size_t at = static_cast<size_t>(table[s].Offset);
    const NRef::THeader h = NRef::ReadHeader(*Movie, at);
    const TBytes cabinet(Movie->begin() + static_cast<long>(at) + 54,
                         Movie->begin() + static_cast<long>(at) + 54 + h.CabinetSize);
    const NRef::TDataFile data = NRef::SplitDataFile(NRef::ExtractCabinet(cabinet), h);
    EXPECT_EQ(data.Name, scene.Options().Name);

    const std::vector<std::string> names = scene.CursorNames();
    ASSERT_EQ(data.Shapes.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
      EXPECT_EQ(data.Shapes[i], CursorShapeRecord(StockCursor(names[i])));
      colourShape = colourShape || NRef::I32(data.Shapes[i], 21 + NRef::I32(data.Shapes[i], 8)) > 0;
    }

    const unsigned ticks = h.Flags & 1 ? 3 : 1;
    const size_t pixelBytes = h.Bits == 8 ? 1 : 3;
    NDemo::TCanvas canvas(h.Width, h.Height);
    TBytes shown(static_cast<size_t>(h.Width) * static_cast<size_t>(h.Height) * pixelBytes, 0);
    TBytes difference, expected(shown.size());
    std::array<uint32_t, 256> palette;
    std::mt19937 random(1);
    for (uint32_t& e : palette)
      e = random() & 0xFFFFFF; // the player keeps an old palette
    size_t record = 0, paletteAt = 0;
    for (int32_t f = 0; f < h.Frames; ++f) {
      record += NRef::ExpandRecord(data.Frames, record, h.Width, h.Height, h.Bits, difference);
      // Plain pointers: these loops run over millions of bytes, also in debug builds.
      uint8_t* picture = shown.data();
      const uint8_t* change = difference.data();
      for (size_t i = 0; i < shown.size(); ++i)
        picture[i] ^= change[i];
      scene.Render(f, canvas);
      const uint32_t* drawn = canvas.Pixels().data();
      uint8_t* want = expected.data();
      for (size_t p = 0, n = canvas.Pixels().size(); p < n; ++p)
        for (size_t k = 0; k < pixelBytes; ++k)
          *want++ = static_cast<uint8_t>(drawn[p] >> (8 * k));
      if (shown != expected) {
        const auto wrong = std::mismatch(shown.begin(), shown.end(), expected.begin());
        FAIL() << "frame " << f << " differs at pixel "
               << (wrong.first - shown.begin()) / static_cast<long>(pixelBytes);
      }
      if (h.Bits == 8) {
        paletteAt = NRef::ApplyPaletteChange(data.Palette, paletteAt, palette);
        const TPalette wanted = scene.Palette(f);
        std::array<bool, 256> used{};
        for (uint8_t index : shown)
          used[index] = true;
        for (size_t e = 0; e < 256; ++e) {
          if (used[e]) {
            ASSERT_EQ(palette[e], wanted[e]) << "frame " << f << " entry " << e;
          }
        }
      }
      for (unsigned k = 0; k < ticks; ++k) {
        const size_t step = (static_cast<size_t>(f) * ticks + k) * 6;
        const NDemo::TDemoCursor cursor =
            scene.Cursor(f * static_cast<int32_t>(ticks) + static_cast<int32_t>(k));
        ASSERT_LT(NRef::U16(data.Track, step), names.size());
        EXPECT_EQ(names[NRef::U16(data.Track, step)], cursor.Shape);
        EXPECT_EQ(NRef::U16(data.Track, step + 2), static_cast<uint32_t>(cursor.At.X));
        EXPECT_EQ(NRef::U16(data.Track, step + 4), static_cast<uint32_t>(cursor.At.Y));
      }
    }
    EXPECT_EQ(record, data.Frames.size());
    EXPECT_EQ(paletteAt, data.Palette.size());
  }
  EXPECT_TRUE(colourShape);
}

// The scenes show what the demo promises: several cursor shapes, palette changes, motion.
TEST(DemoScenes, UseTheirShapesAndChangeTheirColours) {
  for (const auto& scene : NDemo::DemoScenes()) {
    std::set<std::string> used;
    const int32_t ticks = static_cast<int32_t>(scene->Options().TicksPerFrame);
    for (int32_t t = 0; t < scene->FrameCount() * ticks; ++t)
      used.insert(scene->Cursor(t).Shape);
    const std::vector<std::string> names = scene->CursorNames();
    EXPECT_EQ(used, std::set<std::string>(names.begin(), names.end()))
        << scene->Options().Width << ": every listed shape is shown";
  }
  const auto paint = NDemo::MakePaintScene();
  int changes = 0;
  for (int32_t f = 1; f < paint->FrameCount(); ++f)
    changes += paint->Palette(f) != paint->Palette(f - 1);
  EXPECT_GE(changes, 20);
}
