// tqpack info's two grades held against the player's loader: a movie from another writer with
// other habits has notes only, and join and attach take it and keep its bytes.
#include "MovieExaminer.h"
#include "TqpackCommands.h"

#include "MovieBuilder.h"
#include "PlayerLoad.h"
#include "StoredCabinet.h"
#include "TestSupport.h"
#include "writer/CabChecksum.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

using TBytes = std::vector<uint8_t>;

struct TRun {
  int Code;
  std::string Out, Err;
};

TRun Tqpack(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = NQuillo::RunTqpack(args, out, err);
  return {code, out.str(), err.str()};
}

void Put16(TBytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(TBytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

void Patch32(TBytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

// A cabinet as another writer makes it: MSZIP, each data block one deflate block stored
// without compression, with checksums.
TBytes MszipCabinet(const std::string& name, const TBytes& data, uint16_t attributes) {
  const size_t blocks = (data.size() + 32767) / 32768;
  TBytes cab = {'M', 'S', 'C', 'F'};
  for (int i = 0; i < 5; ++i)
    Put32(cab, 0); // reserved, size, reserved, file table offset, reserved
  cab.insert(cab.end(), {3, 1});
  Put16(cab, 1); // folders
  Put16(cab, 1); // files
  Put16(cab, 0); // flags
  Put16(cab, 0x4242);
  Put16(cab, 0);
  const size_t folderAt = cab.size();
  Put32(cab, 0);
  Put16(cab, static_cast<uint32_t>(blocks));
  Put16(cab, 1); // MSZIP
  Patch32(cab, 16, static_cast<uint32_t>(cab.size()));
  Put32(cab, static_cast<uint32_t>(data.size()));
  Put32(cab, 0);
  Put16(cab, 0);
  Put16(cab, (2019 - 1980) << 9 | 7 << 5 | 4); // 4 July 2019, 08:30:00
  Put16(cab, 8 << 11 | 30 << 5);
  Put16(cab, attributes);
  cab.insert(cab.end(), name.begin(), name.end());
  cab.push_back(0);
  Patch32(cab, folderAt, static_cast<uint32_t>(cab.size()));
  for (size_t at = 0; at < data.size(); at += 32768) {
    const size_t n = std::min<size_t>(32768, data.size() - at);
    TBytes payload = {'C', 'K', 1}; // the final deflate block, stored
    Put16(payload, static_cast<uint32_t>(n));
    Put16(payload, static_cast<uint32_t>(~n & 0xFFFF));
    payload.insert(payload.end(), data.begin() + static_cast<long>(at),
                   data.begin() + static_cast<long>(at + n));
    Put32(cab, NQuillo::CabDataBlockChecksum(payload.data(), static_cast<uint16_t>(payload.size()),
                                             static_cast<uint16_t>(n)));
    Put16(cab, static_cast<uint32_t>(payload.size()));
    Put16(cab, static_cast<uint32_t>(n));
    cab.insert(cab.end(), payload.begin(), payload.end());
  }
  Patch32(cab, 8, static_cast<uint32_t>(cab.size()));
  return cab;
}

// A segment header and its cabinet, and nothing after it.
TBytes SegmentBytes(const TTestSegment& s, const TBytes& cabinet, int32_t reserved1,
                    int32_t reserved2) {
  TBytes b = {s.Version};
  Put32(b, static_cast<uint32_t>(s.Width));
  Put32(b, static_cast<uint32_t>(s.Height));
  b.push_back(s.BitsPerPixel);
  uint32_t rate;
  std::memcpy(&rate, &s.FrameRate, 4);
  Put32(b, rate);
  for (int32_t v : {s.Flags, s.FrameCount, s.CursorCount, static_cast<int32_t>(s.Track.size()),
                    static_cast<int32_t>(s.Palette.size()), static_cast<int32_t>(s.Frames.size()),
                    static_cast<int32_t>(cabinet.size()), 54, reserved1, reserved2})
    Put32(b, static_cast<uint32_t>(v));
  b.insert(b.end(), cabinet.begin(), cabinet.end());
  return b;
}

// One frame record of runs: pixel value and count, at 24 or 32 bits.
void AddFrame(TBytes& frames, const std::vector<std::pair<uint32_t, uint16_t>>& runs) {
  Put32(frames, static_cast<uint32_t>(8 + 5 * runs.size()));
  Put32(frames, static_cast<uint32_t>(runs.size()));
  for (const auto& run : runs) {
    frames.insert(frames.end(),
                  {static_cast<uint8_t>(run.first), static_cast<uint8_t>(run.first >> 8),
                   static_cast<uint8_t>(run.first >> 16)});
    Put16(frames, run.second);
  }
}

void AddStep(TBytes& track, uint16_t shape, uint16_t x, uint16_t y) {
  Put16(track, shape);
  Put16(track, x);
  Put16(track, y);
}

// What the loader should make of a segment built here.
std::string Expected(const TTestSegment& s) {
  std::vector<std::vector<unsigned char>> cursors;
  for (int i = 0; i < s.CursorCount; ++i) {
    // The monochrome record: hot spot, a 32 x 64 one-bit mask of 256 bytes, no colour bits.
    const TBytes record(s.Cursors.begin() + 290 * i, s.Cursors.begin() + 290 * (i + 1));
    TBytes loaded;
    for (int32_t v : {10, 10, 256, 32, 64, 1})
      Put32(loaded, static_cast<uint32_t>(v));
    loaded.insert(loaded.end(), record.begin() + 21, record.begin() + 21 + 256);
    for (int32_t v : {0, 0, 0, 32})
      Put32(loaded, static_cast<uint32_t>(v));
    cursors.push_back(loaded);
  }
  return DescribeSegment(s.Width, s.Height, s.BitsPerPixel, s.FrameCount,
                         static_cast<int>(s.FrameRate + 0.5f), (s.Flags & 1) ? 3 : 1, s.Name,
                         cursors, s.Frames, s.Track, s.Palette);
}

// A movie of five entries written by hand with habits other than ours: a segment in a stored
// cabinet whose date is not the one its name spells, Reserved2 0 and nothing after the
// cabinet; an entry of kind 2 with bytes of its own; a segment of a newer version; an entry of
// kind 7 pointing at the movie's start; and a segment in an MSZIP cabinet with a name of
// another form, Reserved1 set, no attributes and nothing after it either.
class OtherWritersMovie : public testing::Test {
protected:
  void SetUp() override {
    First.Width = 4;
    First.Height = 2;
    First.FrameCount = 2;
    First.FrameRate = 12.0f;
    First.Name = "\xCF\xE5\xF0\xE2\xFB\xE9"; // "Первый"
    First.CursorCount = 1;
    First.Cursors = MonochromeCursorRecord(3);
    AddFrame(First.Frames, {{0x112233, 8}});
    AddFrame(First.Frames, {{0, 3}, {0x0000FF, 5}});
    AddStep(First.Track, 0, 1, 1);
    AddStep(First.Track, 0xFFFF, 0, 0);
    First.DataFileName = "Segm202412091015300.dat"; // stamped 14 March 2024

    Last.Width = 3;
    Last.Height = 3;
    Last.BitsPerPixel = 24;
    Last.FrameCount = 1;
    Last.Flags = 1;
    Last.FrameRate = 5.0f;
    Last.Name = "clip";
    AddFrame(Last.Frames, {{0x808080, 4}, {0x00FF00, 5}});
    for (int i = 0; i < 3; ++i)
      AddStep(Last.Track, 0xFFFF, 2, 2);

    Pieces.push_back(SegmentBytes(
        First, MakeStoredCabinet({TStoredFile{First.DataFileName, SegmentData(First)}}), 0, 0));
    Pieces.push_back(Bytes("chapter list"));
    TTestSegment newer;
    newer.Version = 1;
    Pieces.push_back(SegmentBytes(newer, Bytes("a future layout"), 0, 0));
    Pieces.push_back(SegmentBytes(Last, MszipCabinet("clip.dat", SegmentData(Last), 0), 7, 0));

    const uint16_t kinds[] = {1, 2, 1, 7, 1};
    Movie.clear();
    Put32(Movie, 5);
    uint32_t at = 4 + 5 * 6;
    for (size_t piece = 0, e = 0; e < 5; ++e) {
      Put32(Movie, kinds[e] == 7 ? 0 : at);
      Put16(Movie, kinds[e]);
      if (kinds[e] != 7) at += static_cast<uint32_t>(Pieces[piece++].size());
    }
    for (const TBytes& piece : Pieces)
      Movie.insert(Movie.end(), piece.begin(), piece.end());
    WriteWholeFile(Work / "other.tqf", Movie);
  }

  TScratchFolder Work;
  TTestSegment First, Last;
  std::vector<TBytes> Pieces; // the entries' bytes, in movie order
  TBytes Movie;
};

} // namespace

TEST_F(OtherWritersMovie, InfoHasNotesOnlyAndTheLoaderPlaysIt) {
  const TRun info = Tqpack({"info", Work / "other.tqf"});
  EXPECT_EQ(info.Code, 0) << info.Out;
  EXPECT_NE(info.Out.find("no problems found"), std::string::npos) << info.Out;
  EXPECT_EQ(info.Out.find("problem:"), std::string::npos) << info.Out;
  // Each departure is named with its check and the reason it does not matter.
  for (const char* note :
       {"note: entry 1: the data file's date and time differ from those in its name "
        "(data-file-date: ",
        "note: entry 1: Reserved2 0 is not the segment length ",
        "note: entry 1: no bytes between the cabinet and the next entry (segment-tail: ",
        "note: entry 1: cabinet compression 0x0000 (stored)",
        "note: entry 2: kind 2 is passed over by the player (entry-kind: ",
        "note: entry 3: version 1: written by a newer recorder",
        "note: entry 4: kind 7 is passed over by the player",
        "note: entry 5: cabinet compression 0x0001 (MSZIP)",
        "note: entry 5: data file name \"clip.dat\" is not",
        "note: entry 5: data file attributes 0x00, not 0x20 (data-file-attributes: ",
        "note: entry 5: Reserved1 is 7, not 0 (reserved1: ",
        "note: entry 5: no bytes between the cabinet and the movie's end"})
    EXPECT_NE(info.Out.find(note), std::string::npos) << note << "\n" << info.Out;

  const TPlayerLoad load = LoadWithPlayer(Work / "other.tqf");
  EXPECT_TRUE(load.Result);
  EXPECT_EQ(load.Error, "");
  EXPECT_EQ(load.Segments, (std::vector<std::string>{Expected(First), Expected(Last)}));
  ASSERT_EQ(load.Warnings.size(), 1u);
  EXPECT_NE(load.Warnings[0].find(" 3 "), std::string::npos) << "the newer segment is entry 3";
}

TEST_F(OtherWritersMovie, JoinCopiesEveryEntryByteForByte) {
  const TRun join = Tqpack({"join", Work / "joined.tqf", Work / "other.tqf", Work / "other.tqf"});
  ASSERT_EQ(join.Code, 0) << join.Err;
  EXPECT_NE(join.Out.find("10 entries, 4 segments"), std::string::npos) << join.Out;
  const TBytes joined = ReadWholeFile(Work / "joined.tqf");
  const std::vector<int32_t> offsets = EntryOffsets(joined);
  ASSERT_EQ(offsets.size(), 10u);
  const uint16_t kinds[] = {1, 2, 1, 7, 1};
  size_t end = 4 + 10 * 6;
  for (size_t e = 0, piece = 0; e < 10; ++e) {
    SCOPED_TRACE(e);
    const size_t at = 4 + 6 * e + 4;
    EXPECT_EQ(joined[at] | joined[at + 1] << 8, kinds[e % 5]);
    if (kinds[e % 5] == 7) {
      EXPECT_EQ(offsets[e], 0) << "an entry pointing outside its movie keeps its offset";
      continue;
    }
    const TBytes& expected = Pieces[piece++ % Pieces.size()];
    ASSERT_EQ(static_cast<size_t>(offsets[e]), end);
    ASSERT_LE(end + expected.size(), joined.size());
    EXPECT_TRUE(
        std::equal(expected.begin(), expected.end(), joined.begin() + static_cast<long>(end)));
    end += expected.size();
  }
  EXPECT_EQ(end, joined.size());
  EXPECT_EQ(Tqpack({"info", Work / "joined.tqf"}).Code, 0);

  const TPlayerLoad load = LoadWithPlayer(Work / "joined.tqf");
  EXPECT_TRUE(load.Result) << load.Error;
  EXPECT_EQ(load.Segments, (std::vector<std::string>{Expected(First), Expected(Last),
                                                     Expected(First), Expected(Last)}));
  ASSERT_EQ(load.Warnings.size(), 1u);
  EXPECT_NE(load.Warnings[0].find(" 8 "), std::string::npos) << "the second copy's entry 3";
}

TEST_F(OtherWritersMovie, AttachKeepsTheMovieAsItStands) {
  const TBytes program = {'M', 'Z', 0x90, 0, 3, 0, 0, 0, 0, 0, 0, 0};
  WriteWholeFile(Work / "player.exe", program);
  const TRun attach =
      Tqpack({"attach", Work / "player.exe", Work / "other.tqf", Work / "self.exe"});
  ASSERT_EQ(attach.Code, 0) << attach.Err;
  TBytes expected = program;
  expected.insert(expected.end(), Movie.begin(), Movie.end());
  Put32(expected, static_cast<uint32_t>(Movie.size()));
  EXPECT_EQ(ReadWholeFile(Work / "self.exe"), expected);
  EXPECT_EQ(Tqpack({"info", Work / "self.exe"}).Code, 0);
  EXPECT_EQ(LoadWithPlayer(Work / "self.exe", true), LoadWithPlayer(Work / "other.tqf"));
  // Attached once more, the movie takes the place of the one the program carries.
  ASSERT_EQ(Tqpack({"attach", Work / "self.exe", Work / "other.tqf", Work / "again.exe"}).Code, 0);
  EXPECT_EQ(ReadWholeFile(Work / "again.exe"), expected);
}

TEST_F(OtherWritersMovie, ExtractWritesTheDataFileOfEverySegmentItPlays) {
  const TRun extract = Tqpack({"extract", Work / "other.tqf", Work / "data"});
  ASSERT_EQ(extract.Code, 0) << extract.Err;
  EXPECT_EQ(ReadWholeFile(Work / "data/" + First.DataFileName), SegmentData(First));
  EXPECT_EQ(ReadWholeFile(Work / "data/clip.dat"), SegmentData(Last));
}

// Every check has a grade, a name and a reason, and the list says so one line each.
TEST(TqpackChecks, ListsEveryCheckWithItsGradeAndWhy) {
  const TRun checks = Tqpack({"checks"});
  ASSERT_EQ(checks.Code, 0);
  std::istringstream lines(checks.Out);
  std::string line;
  size_t count = 0;
  while (std::getline(lines, line)) {
    ++count;
    EXPECT_TRUE(line.rfind("problem ", 0) == 0 || line.rfind("note ", 0) == 0) << line;
    const size_t colon = line.find(": ");
    EXPECT_TRUE(colon != std::string::npos && line.size() > colon + 8) << line;
  }
  EXPECT_EQ(count, NQuillo::AllChecks().size());
}

#ifndef _WIN32
// A cabinet that gcab compresses with MSZIP (deflate with Huffman codes), in a movie that
// another writer might make: Reserved2 0, nothing after the cabinet.
TEST_F(OtherWritersMovie, TakesACabinetThatGcabCompressed) {
  if (std::system("gcab --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "gcab is not installed";
  TTestSegment segment = Last;
  segment.FrameCount = 300;
  segment.Frames.clear();
  segment.Track.clear();
  for (uint16_t f = 0; f < 300; ++f) {
    AddFrame(segment.Frames, {{f * 0x010203u & 0xFFFFFF, 3},
                              {0, static_cast<uint16_t>(f % 6)},
                              {0x00FF00, static_cast<uint16_t>(6 - f % 6)}});
    for (int tick = 0; tick < 3; ++tick)
      AddStep(segment.Track, 0xFFFF, static_cast<uint16_t>(f % 3), 1);
  }
  WriteWholeFile(Work / "clip.dat", SegmentData(segment));
  ASSERT_EQ(std::system(("cd '" + Work.Path() + "' && gcab -c -z gcab.cab clip.dat").c_str()), 0);
  TBytes movie;
  Put32(movie, 1);
  Put32(movie, 10);
  Put16(movie, 1);
  const TBytes bytes = SegmentBytes(segment, ReadWholeFile(Work / "gcab.cab"), 0, 0);
  movie.insert(movie.end(), bytes.begin(), bytes.end());
  WriteWholeFile(Work / "gcab.tqf", movie);

  const TRun info = Tqpack({"info", Work / "gcab.tqf"});
  EXPECT_EQ(info.Code, 0) << info.Out;
  EXPECT_NE(info.Out.find("(MSZIP)"), std::string::npos) << info.Out;
  EXPECT_EQ(LoadWithPlayer(Work / "gcab.tqf").Segments,
            std::vector<std::string>{Expected(segment)});
  ASSERT_EQ(Tqpack({"join", Work / "twice.tqf", Work / "gcab.tqf", Work / "gcab.tqf"}).Code, 0);
  EXPECT_EQ(LoadWithPlayer(Work / "twice.tqf").Segments,
            (std::vector<std::string>{Expected(segment), Expected(segment)}));
}
#endif
