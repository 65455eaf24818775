#include "EngineStateScope.h"
#include "MovieBuilder.h"
#include "TestSupport.h"
#include "engine/UtqPlayerState.h"
#include "movie/tqMovieLoader.h"
#include "movie/tqSegments.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

namespace {
// "Сегмент 1" and "Сегмент 2" in code page 1251.
const std::string Segment1 = "\xD1\xE5\xE3\xEC\xE5\xED\xF2 1";
const std::string Segment2 = "\xD1\xE5\xE3\xEC\xE5\xED\xF2 2";

std::vector<std::uint8_t> Noise(std::size_t n, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(n);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random() % 7 == 0 ? random() : 0);
  return bytes;
}

TTestSegment ExampleSegment(int which) {
  TTestSegment s;
  s.FrameCount = which == 1 ? 406 : 1084;
  s.Name = which == 1 ? Segment1 : Segment2;
  s.CursorCount = which == 1 ? 63 : 193;
  for (int i = 0; i < s.CursorCount; ++i) {
    const auto record = MonochromeCursorRecord(static_cast<std::uint8_t>(i * which));
    s.Cursors.insert(s.Cursors.end(), record.begin(), record.end());
  }
  s.Frames = Noise(which == 1 ? 1894828 : 5256142, static_cast<std::uint32_t>(which));
  s.Track = Noise(static_cast<std::size_t>(s.FrameCount) * 6, 10u + which);
  s.DataFileName = which == 1 ? "Segm202412091015301.dat" : "Segm202412091016452.dat";
  return s;
}

std::vector<std::uint8_t> StreamBytes(TtqMemoryStream& stream) {
  return std::vector<std::uint8_t>(stream.Memory(), stream.Memory() + stream.GetPosition());
}

// Each test loads into its own list with its own temporary folder and collects the warnings.
class MovieLoader : public ::testing::Test {
protected:
  void SetUp() override { PlayerState.CurrentSegment = -5; }

  bool Load(const std::vector<std::uint8_t>& movie, bool attached = false) {
    WriteWholeFile(Files / "movie.tqf", movie);
    TtqFileStream stream(Files / "movie.tqf", TtqFileStream::ModeRead);
    return attached ? LoadAttachedMovie(&stream) : LoadMovie(&stream);
  }

  TEngineStateScope Engine;
  const TScratchFolder& Temp = Engine.Temp;
  TSegmentList& List = Engine.List;
  std::vector<std::string>& Warnings = TEngineStateScope::LoadWarnings();
  TScratchFolder Files;
};
} // namespace

TEST(SegmentHeader, FramesPerSecondRoundsHalvesToEvenInEightBits) {
  EXPECT_EQ(RoundFramesPerSecond(10.0f), 10);
  EXPECT_EQ(RoundFramesPerSecond(12.5f), 12);
  EXPECT_EQ(RoundFramesPerSecond(13.5f), 14);
  EXPECT_EQ(RoundFramesPerSecond(29.97f), 30);
  EXPECT_EQ(RoundFramesPerSecond(0.5f), 0);
  EXPECT_EQ(RoundFramesPerSecond(300.0f), 44);
  EXPECT_EQ(RoundFramesPerSecond(std::nanf("")), 0);
  EXPECT_EQ(RoundFramesPerSecond(INFINITY), 0);
}

TEST_F(MovieLoader, AMovieShapedLikeTheRecordersLoadsAsWritten) {
  const std::vector<TTestSegment> segments = {ExampleSegment(1), ExampleSegment(2)};
  const auto movie = MakeMovie(segments);
  const auto offsets = EntryOffsets(movie);
  ASSERT_EQ(offsets.size(), 2u);
  EXPECT_EQ(offsets[0], 16);

  ASSERT_TRUE(Load(movie));
  ASSERT_EQ(List.Count(), 2);
  EXPECT_TRUE(Warnings.empty());
  EXPECT_EQ(PlayerState.CurrentSegment, 0);
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    TSegmentInfo& s = *List.Get(i);
    const TTestSegment& w = segments[static_cast<std::size_t>(i)];
    EXPECT_EQ(s.Width, 1024);
    EXPECT_EQ(s.Height, 735);
    EXPECT_EQ(s.BitsPerPixel, 32);
    EXPECT_EQ(s.FramesPerSecond, 10);
    EXPECT_EQ(s.FrameCount, w.FrameCount);
    EXPECT_EQ(s.Name, w.Name);
    EXPECT_EQ(s.Cursors.Count(), w.CursorCount);
    EXPECT_EQ(s.Cursors.Items(5)->Record().Mask.Bits,
              std::vector<std::uint8_t>(w.Cursors.begin() + 5 * 290 + 21,
                                        w.Cursors.begin() + 5 * 290 + 21 + 256));
    EXPECT_EQ(s.FrameDataFileName, TempFolder + "PVideo" + std::to_string(i) + ".~tqflm");
    EXPECT_EQ(s.FrameData->GetSize(), static_cast<std::int32_t>(w.Frames.size()));
    EXPECT_EQ(StreamBytes(s.CursorTrack), w.Track);
    EXPECT_EQ(s.PaletteChanges.GetSize(), 0);
  }
  // The frame file is held open without sharing: it is read through its stream.
  TtqFileStream& frames = *List.Get(1)->FrameData;
  std::vector<std::uint8_t> written(segments[1].Frames.size());
  frames.SetPosition(0);
  frames.ReadBuffer(written.data(), static_cast<std::int32_t>(written.size()));
  EXPECT_EQ(written, segments[1].Frames);
  EXPECT_EQ(Temp.Files(), (std::vector<std::string>{"PVideo0.~tqflm", "PVideo1.~tqflm"}));
  List.Clear();
  EXPECT_TRUE(Temp.Files().empty());
}

TEST_F(MovieLoader, OtherKindsArePassedOverAndNewerSegmentsWarnedAbout) {
  TTestSegment newer = ExampleSegment(1), current = ExampleSegment(2);
  newer.Version = 1;
  newer.Frames.resize(100);
  current.Frames.resize(100);
  // Entry 1 of another kind, entry 2 newer, entry 3 loads as index 0.
  ASSERT_TRUE(Load(MakeMovie({newer, current}, {{2, 0}, {1, 0}, {1, 1}})));
  ASSERT_EQ(List.Count(), 1);
  EXPECT_EQ(List.Get(0)->Name, Segment2);
  EXPECT_EQ(List.Get(0)->FrameDataFileName, TempFolder + "PVideo0.~tqflm");
  ASSERT_EQ(Warnings.size(), 1u);
  EXPECT_EQ(Warnings[0], "\xD1\xE5\xE3\xEC\xE5\xED\xF2 2 \xE8\xEC\xE5\xE5\xF2 \xE1\xEE\xEB\xE5\xE5 "
                         "\xEF\xEE\xE7\xE4\xED\xFE\xFE \xE2\xE5\xF0\xF1\xE8\xFE, \xF7\xE5\xEC "
                         "\xEF\xF0\xEE\xE8\xE3\xF0\xFB\xE2\xE0\xF2\xE5\xEB\xFC\r");

  List.Clear();
  Warnings.clear();
  current.Version = 7;
  ASSERT_TRUE(Load(MakeMovie({newer, current})));
  EXPECT_EQ(List.Count(), 0);
  ASSERT_EQ(Warnings.size(), 1u); // one box with a line for each
  EXPECT_EQ(std::count(Warnings[0].begin(), Warnings[0].end(), '\r'), 2);
  EXPECT_NE(Warnings[0].find(" 1 "), std::string::npos);
  EXPECT_NE(Warnings[0].find(" 2 "), std::string::npos);
  EXPECT_TRUE(Temp.Files().empty()); // nothing was made for them
}

TEST_F(MovieLoader, AnEmptyTableIsNoMovie) {
  EXPECT_FALSE(Load({0, 0, 0, 0}));
  EXPECT_FALSE(Load({0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_FALSE(LoadMovie(nullptr));
  EXPECT_FALSE(LoadAttachedMovie(nullptr));
  EXPECT_EQ(List.Count(), 0);
  EXPECT_EQ(PlayerState.CurrentSegment, -5); // not selected
}

TEST_F(MovieLoader, AMovieAppendedToAProgramIsFoundThroughItsTrailer) {
  TTestSegment s = ExampleSegment(1);
  s.Frames.resize(5000);
  const auto movie = MakeMovie({s});
  auto program = Noise(30000, 99);
  program.insert(program.end(), movie.begin(), movie.end());
  const std::uint32_t length = static_cast<std::uint32_t>(movie.size());
  for (int i = 0; i < 4; ++i) program.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
  ASSERT_TRUE(Load(program, true));
  ASSERT_EQ(List.Count(), 1);
  EXPECT_EQ(List.Get(0)->Name, Segment1);

  List.Clear();
  auto bare = Noise(30000, 98);
  bare.insert(bare.end(), {0, 0, 0, 0});
  EXPECT_FALSE(Load(bare, true));
  EXPECT_EQ(List.Count(), 0);
  auto overlong = Noise(100, 97);
  overlong.insert(overlong.end(), {0x00, 0x10, 0x00, 0x00});
  EXPECT_THROW(Load(overlong, true), Exception);
}

TEST_F(MovieLoader, NamesAndEmptyBlocks) {
  TTestSegment empty = ExampleSegment(1), longName = ExampleSegment(2);
  empty.Name = "";
  empty.Frames.clear();
  empty.Track.clear();
  empty.Cursors.clear();
  empty.CursorCount = 0;
  // A stored name longer than the 255 characters the name can hold.
  longName.Name = std::string(255, 'x');
  longName.Frames.resize(777);
  longName.Palette = Noise(1024, 5);
  longName.DataOverride = SegmentData(longName);
  const std::uint32_t stored = 301;
  longName.DataOverride.insert(longName.DataOverride.begin() + 4 + 256, stored - 256, 'y');
  for (int i = 0; i < 4; ++i) longName.DataOverride[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(stored >> (8 * i));
  ASSERT_TRUE(Load(MakeMovie({empty, longName})));
  ASSERT_EQ(List.Count(), 2);
  EXPECT_EQ(List.Get(0)->Name, "");
  EXPECT_EQ(List.Get(0)->FrameData->GetSize(), 0);
  EXPECT_EQ(List.Get(0)->CursorTrack.GetSize(), 0);
  EXPECT_EQ(List.Get(1)->Name, std::string(255, 'x'));
  EXPECT_EQ(List.Get(1)->Cursors.Count(), 193); // still in step after the long name
  EXPECT_EQ(StreamBytes(List.Get(1)->PaletteChanges), longName.Palette);
}

TEST_F(MovieLoader, ACabinetWithoutFilesLeavesItsSegmentEmpty) {
  TTestSegment first = ExampleSegment(1), second = ExampleSegment(2);
  first.Frames.resize(300);
  second.EmptyCabinet = true;
  second.DataFileName = first.DataFileName;
  ASSERT_TRUE(Load(MakeMovie({first, second})));
  ASSERT_EQ(List.Count(), 2);
  EXPECT_EQ(List.Get(0)->Name, Segment1);
  EXPECT_EQ(List.Get(1)->Name, "");
  EXPECT_EQ(List.Get(1)->Cursors.Count(), 0);
  EXPECT_EQ(List.Get(1)->Width, 1024);
}

TEST_F(MovieLoader, ADataFileInASubFolderIsReadAndItsFolderRemoved) {
  TTestSegment s = ExampleSegment(1);
  s.Frames.resize(1000);
  s.DataFileName = "deep\\er\\Segm202412091015300.dat";
  ASSERT_TRUE(Load(MakeMovie({s})));
  ASSERT_EQ(List.Count(), 1);
  EXPECT_EQ(List.Get(0)->Name, Segment1);
  EXPECT_EQ(List.Get(0)->FrameData->GetSize(), 1000);
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(Temp.Path()))
    left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"PVideo0.~tqflm"});
}

TEST_F(MovieLoader, ADamagedSegmentEndsTheLoadAndLeavesNoTemporaryFiles) {
  TTestSegment good = ExampleSegment(1), bad = ExampleSegment(2);
  good.Frames.resize(1000);
  bad.Frames.resize(1000);
  bad.DataOverride = SegmentData(bad);
  bad.DataOverride.resize(bad.DataOverride.size() - 10); // the blocks claim more than is there
  try {
    Load(MakeMovie({good, bad}));
    FAIL() << "loaded a damaged segment";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "LoadMovie: data sizes do not fit the data of segment 2");
  }
  EXPECT_EQ(List.Count(), 2); // what was loaded stays
  EXPECT_EQ(Temp.Files(), (std::vector<std::string>{"PVideo0.~tqflm", "PVideo1.~tqflm"}));
}

TEST_F(MovieLoader, CutOrFlippedMoviesLoadCleanlyOrFailWithAMessage) {
  std::vector<TTestSegment> segments = {ExampleSegment(1), ExampleSegment(2), ExampleSegment(1)};
  for (auto& s : segments) {
    s.Frames.resize(20000);
    s.Cursors.resize(3 * 290);
    s.CursorCount = 3;
  }
  segments[2].BitsPerPixel = 8;
  segments[2].Palette = Noise(2000, 3);
  const auto movie = MakeMovie(segments);
  std::vector<std::vector<std::uint8_t>> variants;
  for (std::size_t cut = 4096; cut < movie.size(); cut += 4096)
    variants.emplace_back(movie.begin(), movie.begin() + static_cast<std::ptrdiff_t>(cut));
  for (std::size_t cut = 0; cut < 2048; ++cut)
    variants.emplace_back(movie.begin(), movie.begin() + static_cast<std::ptrdiff_t>(cut));
  std::mt19937 random(2024);
  for (int i = 0; i < 1500; ++i) {
    auto flipped = movie;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int f = 0; f < flips; ++f) {
      // Most flips land in the headers, the table and the cabinets' own headers.
      const std::size_t at = random() % 3 == 0 ? random() % flipped.size() : random() % 700;
      flipped[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
    }
    variants.push_back(std::move(flipped));
  }
  int loaded = 0, failed = 0;
  for (const auto& variant : variants) {
    List.Clear();
    try {
      Load(variant);
      ++loaded;
    } catch (const Exception&) {
      ++failed;
    }
    for (const std::string& file : Temp.Files())
      ASSERT_EQ(file.rfind("PVideo", 0), 0u) << "left behind: " << file;
  }
  EXPECT_GT(loaded, 0);
  EXPECT_GT(failed, 0);
}
