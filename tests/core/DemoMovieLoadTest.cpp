// The demo movie that tqpack writes, loaded by the player's loader and compared, part for part,
// with what an independent reader of the layout finds in it.
#include "DemoMovie.h"
#include "EngineStateScope.h"
#include "MovieReference.h"
#include "SharedDemo.h"
#include "engine/UtqCircularBlocks.h"
#include "engine/UtqFrameCodec.h"
#include "engine/UtqPlayerState.h"
#include "engine/UtqPlayback.h"
#include "movie/tqMovieLoader.h"
#include "movie/tqSegments.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

namespace {
std::vector<std::uint8_t> StreamBytes(TtqStream& stream) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stream.GetSize()));
  stream.SetPosition(0);
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  return bytes;
}

// The memory streams keep a spare byte after their data: compare the data only.
std::vector<std::uint8_t> MemoryBytes(TtqMemoryStream& stream, std::size_t size) {
  if (size == 0) return {};
  return std::vector<std::uint8_t>(stream.Memory(), stream.Memory() + size);
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Each flipped copy is a whole load of the demo; the slower builds try fewer of them.
#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__)
constexpr int FlippedCopies = 300;
#else
constexpr int FlippedCopies = 1500;
#endif

class DemoMovie : public ::testing::Test {
protected:
  bool Load(const std::vector<std::uint8_t>& movie) {
    WriteWholeFile(Files / "movie.tqf", movie);
    TtqFileStream stream(Files / "movie.tqf", TtqFileStream::ModeRead);
    return LoadMovie(&stream);
  }

  TEngineStateScope Engine;
  const TScratchFolder& Temp = Engine.Temp;
  TSegmentList& List = Engine.List;
  TScratchFolder Files;
};
} // namespace

TEST_F(DemoMovie, LoadsEverySegmentAsWritten) {
  const auto movie = ReadWholeFile(SharedDemoPath());
  const auto table = NRef::ReadTable(movie);
  ASSERT_EQ(table.size(), 3u);
  ASSERT_TRUE(Load(movie));
  ASSERT_EQ(List.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const auto header = NRef::ReadHeader(movie, static_cast<std::size_t>(table[static_cast<std::size_t>(i)].Offset));
    const std::size_t cabinetAt = static_cast<std::size_t>(table[static_cast<std::size_t>(i)].Offset + header.CabinetOffset);
    const auto data = NRef::SplitDataFile(
        NRef::ExtractCabinet(std::vector<std::uint8_t>(movie.begin() + static_cast<std::ptrdiff_t>(cabinetAt),
                                                       movie.begin() + static_cast<std::ptrdiff_t>(cabinetAt + static_cast<std::size_t>(header.CabinetSize)))),
        header);
    TSegmentInfo& s = *List.Get(i);
    EXPECT_EQ(s.Width, header.Width);
    EXPECT_EQ(s.Height, header.Height);
    EXPECT_EQ(s.BitsPerPixel, header.Bits);
    EXPECT_EQ(s.FrameCount, header.Frames);
    EXPECT_EQ(s.Flags, header.Flags);
    EXPECT_EQ(s.FramesPerSecond, static_cast<std::uint8_t>(std::lround(header.Rate)));
    EXPECT_EQ(s.Name, data.Name);
    ASSERT_EQ(s.Cursors.Count(), header.Cursors);
    for (int c = 0; c < header.Cursors; ++c) {
      const TCursorRecord& record = s.Cursors.Items(c)->Record();
      const auto& shape = data.Shapes[static_cast<std::size_t>(c)];
      EXPECT_EQ(record.HotX, NRef::I32(shape, 0)) << c;
      EXPECT_EQ(record.Mask.Bits, std::vector<std::uint8_t>(shape.begin() + 21, shape.begin() + 21 + record.Mask.Size)) << c;
    }
    EXPECT_EQ(StreamBytes(*s.FrameData), data.Frames);
    EXPECT_EQ(MemoryBytes(s.CursorTrack, data.Track.size()), data.Track);
    EXPECT_EQ(MemoryBytes(s.PaletteChanges, data.Palette.size()), data.Palette);
  }
  EXPECT_EQ(List.Get(0)->BitsPerPixel, 32);
  EXPECT_EQ(List.Get(1)->Flags & 1, 1); // three ticks per frame
  EXPECT_GT(List.Get(2)->PaletteChanges.GetSize(), 0);
  EXPECT_EQ(FolderEntries(Temp.Path()),
            (std::vector<std::string>{"PVideo0.~tqflm", "PVideo1.~tqflm", "PVideo2.~tqflm"}));
}

// Every frame of every segment goes from the frame file through the reader thread and the ring
// of twelve blocks into the decoder, and the picture must be the scene's, frame for frame.
TEST_F(DemoMovie, PlaysBackBitExactThroughTheRing) {
  const auto scenes = NQuillo::NDemo::DemoScenes();
  ASSERT_TRUE(Load(ReadWholeFile(SharedDemoPath())));
  ASSERT_EQ(List.Count(), static_cast<std::int32_t>(scenes.size()));
  ShowEngineError = [](const std::string& text) { ADD_FAILURE() << text; };

  for (std::int32_t s = 0; s < List.Count(); ++s) {
    SCOPED_TRACE("segment " + std::to_string(s + 1));
    const NQuillo::NDemo::TDemoScene& scene = *scenes[static_cast<std::size_t>(s)];
    TSegmentInfo& segment = *List.Get(s);
    TFrameGeometry g;
    ASSERT_TRUE(MakeFrameGeometry(segment.Width, segment.Height, segment.BitsPerPixel, g));
    std::vector<std::uint8_t> xorFrame(g.XorFrameBytes()), picture(g.XorFrameBytes());
    TPaletteTable palette{};
    const std::vector<std::string> shapes = scene.CursorNames();
    const int ticks = segment.Flags & 1 ? 3 : 1;

    ASSERT_TRUE(StartSegmentFrames(s));

    NQuillo::NDemo::TCanvas canvas(segment.Width, segment.Height);
    std::vector<std::uint8_t> expected;
    for (std::int32_t f = 0; f < segment.FrameCount; ++f) {
      if (f > 0) {
        ASSERT_TRUE(AdvanceFrontBlock()) << "frame " << f;
      }
      TBlock* block = PlayerState.FrontBlock;
      ASSERT_EQ(ExpandFrameRecord(block->Data.data(), block->Data.size(), g, xorFrame.data(),
                                  xorFrame.size()),
                urComplete)
          << "frame " << f;
      ASSERT_TRUE(ApplyXorFrameInMemory(xorFrame.data(), xorFrame.size(), picture.data(),
                                        picture.size(), g));
      EXPECT_EQ(block->Last, f + 1 == segment.FrameCount);

      scene.Render(f, canvas);
      canvas.ToPicture(segment.BitsPerPixel, expected);
      const std::size_t row = static_cast<std::size_t>(g.RowBytes);
      for (std::int32_t y = 0; y < segment.Height; ++y)
        ASSERT_TRUE(std::equal(expected.begin() + static_cast<std::ptrdiff_t>(row * static_cast<std::size_t>(y)),
                               expected.begin() + static_cast<std::ptrdiff_t>(row * static_cast<std::size_t>(y + 1)),
                               picture.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(g.Stride) * static_cast<std::size_t>(y))))
            << "frame " << f << " row " << y;

      if (segment.BitsPerPixel == 8) {
        ReadPaletteChange(segment.PaletteChanges, palette);
        const auto wanted = scene.Palette(f);
        std::array<bool, 256> used{};
        for (std::uint8_t index : expected) used[index] = true;
        for (std::size_t e = 0; e < 256; ++e) {
          if (used[e]) {
            ASSERT_EQ(palette[e].Blue | palette[e].Green << 8 | palette[e].Red << 16, wanted[e])
                << "frame " << f << " entry " << e;
          }
        }
      }
      for (int k = 0; k < ticks; ++k) {
        TCursorStep step;
        ASSERT_TRUE(ReadCursorStep(segment.CursorTrack, step));
        const auto cursor = scene.Cursor(f * ticks + k);
        ASSERT_LT(step.ShapeIndex, shapes.size());
        EXPECT_EQ(shapes[step.ShapeIndex], cursor.Shape);
        EXPECT_EQ(step.X, cursor.At.X);
        EXPECT_EQ(step.Y, cursor.At.Y);
      }
    }
    EXPECT_FALSE(AdvanceFrontBlock()); // the segment is over
  }
}

TEST_F(DemoMovie, CutOrFlippedCopiesLoadCleanlyOrFailWithAMessage) {
  const auto movie = ReadWholeFile(SharedDemoPath());
  std::vector<std::vector<std::uint8_t>> variants;
  for (std::size_t cut = 4096; cut < movie.size(); cut += 4096)
    variants.emplace_back(movie.begin(), movie.begin() + static_cast<std::ptrdiff_t>(cut));
  for (std::size_t cut = 0; cut < 2048; ++cut)
    variants.emplace_back(movie.begin(), movie.begin() + static_cast<std::ptrdiff_t>(cut));
  std::mt19937 random(1509);
  for (int i = 0; i < FlippedCopies; ++i) {
    auto flipped = movie;
    flipped[random() % flipped.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
    variants.push_back(std::move(flipped));
  }
  int loaded = 0, failed = 0;
  for (const auto& variant : variants) {
    List.Clear();
    try {
      Load(variant);
      ++loaded;
    } catch (const Exception& e) {
      EXPECT_FALSE(e.Message().empty());
      ++failed;
    }
    for (const std::string& name : FolderEntries(Temp.Path()))
      ASSERT_EQ(name.rfind("PVideo", 0), 0u) << "left behind: " << name;
  }
  RecordProperty("loaded", loaded);
  RecordProperty("failed", failed);
  std::printf("%zu damaged copies: %d loaded, %d refused with a message\n", variants.size(), loaded,
              failed);
  EXPECT_GT(loaded, 0);
  EXPECT_GT(failed, 0);
}
