#include "writer/MovieWriter.h"
#include "writer/SegmentWriter.h"

#include "MovieReference.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace NQuillo;
using TBytes = std::vector<uint8_t>;

namespace {

TSegmentOptions SmallOptions(unsigned bits, unsigned ticks = 1) {
  TSegmentOptions o;
  o.Width = 3;
  o.Height = 2;
  o.BitsPerPixel = bits;
  o.FrameRate = 12.5f;
  o.TicksPerFrame = ticks;
  o.Name = "\xD1\xE5\xE3\xEC\xE5\xED\xF2 1"; // "Сегмент 1"
  o.Time = {2024, 12, 9, 10, 15, 30, 4};
  return o;
}

TCursorShape Dot(unsigned colourBits) {
  return TCursorShape::FromArt({"#o", "o#"}, 1, 1, colourBits);
}

TBytes Picture(unsigned bits, uint8_t seed) {
  TBytes p(6 * bits / 8);
  for (size_t i = 0; i < p.size(); ++i)
    p[i] = static_cast<uint8_t>(seed + i * 3);
  return p;
}

void AddFrame(TSegmentWriter& w, const TBytes& picture, std::vector<TCursorStep> steps,
              const TPalette* palette = nullptr) {
  w.AddFrame({picture.data(), picture.size(), 3 * w.Options().BitsPerPixel / 8}, steps.data(),
             steps.size(), palette);
}

} // namespace

TEST(MovieWriter, WritesTableHeaderCabinetAndDataFileInOrder) {
  TScratchFolder folder;
  TSegmentWriter segment(SmallOptions(8));
  EXPECT_EQ(segment.AddCursorShape(Dot(0)), 0);
  EXPECT_EQ(segment.AddCursorShape(Dot(24)), 1);
  TPalette palette{};
  palette[0] = 0x102030;
  AddFrame(segment, {0, 0, 0, 0, 0, 0}, {{0, 1, 1}}, &palette);
  AddFrame(segment, {0, 0, 0, 0, 0, 0}, {{1, 2, 1}}, &palette);
  palette[0] = 0x405060;
  AddFrame(segment, {0, 0, 0, 0, 0, 0}, {{NoCursorShape, 0, 0}}, &palette);

  TMovieWriter writer(folder / "one.tqf", 1);
  const TSegmentHeader written = writer.AddSegment(segment);
  const uint64_t length = writer.Finish();
  const TBytes movie = ::ReadWholeFile(folder / "one.tqf");
  ASSERT_EQ(movie.size(), length);

  const std::vector<NRef::TEntry> table = NRef::ReadTable(movie);
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table[0].Offset, 10);
  EXPECT_EQ(table[0].Kind, 1);
  const NRef::THeader h = NRef::ReadHeader(movie, 10);
  EXPECT_EQ(h.Version, 0);
  EXPECT_EQ(h.Width, 3);
  EXPECT_EQ(h.Height, 2);
  EXPECT_EQ(h.Bits, 8);
  EXPECT_EQ(h.Rate, 12.5f);
  EXPECT_EQ(h.Flags, 0);
  EXPECT_EQ(h.Frames, 3);
  EXPECT_EQ(h.Cursors, 2);
  EXPECT_EQ(h.TrackSize, 18);
  EXPECT_EQ(h.CabinetOffset, 54);
  EXPECT_EQ(h.Reserved1, 0);
  EXPECT_EQ(h.Reserved2, 54 + h.CabinetSize + 4);
  EXPECT_EQ(written.CabinetSize, h.CabinetSize);
  // The segment, then four zero bytes, end the movie.
  ASSERT_EQ(movie.size(), 10u + 54 + static_cast<size_t>(h.CabinetSize) + 4);
  EXPECT_EQ(NRef::U32(movie, movie.size() - 4), 0u);

  const TBytes cabinet(movie.begin() + 64, movie.begin() + 64 + h.CabinetSize);
  EXPECT_EQ(NRef::U16(cabinet, 42), 0x1403u) << "LZX with a 2^20 window";
  std::string name;
  const TBytes data = NRef::ExtractCabinet(cabinet, &name);
  EXPECT_EQ(name, "Segm202412091015304.dat");
  const NRef::TDataFile parts = NRef::SplitDataFile(data, h);
  EXPECT_EQ(NRef::I32(data, 0), 10);
  EXPECT_EQ(parts.Name, "\xD1\xE5\xE3\xEC\xE5\xED\xF2 1");
  ASSERT_EQ(parts.Shapes.size(), 2u);
  EXPECT_EQ(parts.Shapes[0], CursorShapeRecord(Dot(0)));
  EXPECT_EQ(parts.Shapes[1], CursorShapeRecord(Dot(24)));
  // Three all-black frames: each one run of six zeros.
  EXPECT_EQ(parts.Frames, (TBytes{10, 0, 0, 0, 1, 0,  0, 0, 0, 6, 10, 0, 0, 0, 1,
                                  0,  0, 0, 0, 6, 10, 0, 0, 0, 1, 0,  0, 0, 0, 6}));
  EXPECT_EQ(parts.Track, (TBytes{0, 0, 1, 0, 1, 0, 1, 0, 2, 0, 1, 0, 0xFF, 0xFF, 0, 0, 0, 0}));
  // Frame 1 sets 255 entries, frame 2 the last one, frame 3 the changed entry 0.
  ASSERT_EQ(parts.Palette.size(), (2u + 255 * 4) + (2 + 4) + (2 + 4));
  EXPECT_EQ(TBytes(parts.Palette.begin(), parts.Palette.begin() + 6),
            (TBytes{255, 0, 0x30, 0x20, 0x10, 0}));
  EXPECT_EQ(TBytes(parts.Palette.end() - 6, parts.Palette.end()),
            (TBytes{1, 0, 0x60, 0x50, 0x40, 0}));
}

TEST(MovieWriter, PutsSegmentsBackToBack) {
  TScratchFolder folder;
  TMovieWriter writer(folder / "two.tqf", 2);
  for (unsigned bits : {24u, 32u}) {
    TSegmentWriter segment(SmallOptions(bits, 3));
    AddFrame(segment, Picture(bits, 1),
             {{NoCursorShape, 0, 0}, {NoCursorShape, 1, 0}, {NoCursorShape, 2, 1}});
    AddFrame(segment, Picture(bits, 2),
             {{NoCursorShape, 0, 0}, {NoCursorShape, 1, 0}, {NoCursorShape, 2, 1}});
    writer.AddSegment(segment);
  }
  writer.Finish();
  const TBytes movie = ::ReadWholeFile(folder / "two.tqf");
  const std::vector<NRef::TEntry> table = NRef::ReadTable(movie);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].Offset, 16);
  const NRef::THeader first = NRef::ReadHeader(movie, 16);
  EXPECT_EQ(table[1].Offset, 16 + first.Reserved2);
  const NRef::THeader second = NRef::ReadHeader(movie, static_cast<size_t>(table[1].Offset));
  EXPECT_EQ(movie.size(), static_cast<size_t>(table[1].Offset + second.Reserved2));
  for (const NRef::THeader& h : {first, second}) {
    EXPECT_EQ(h.Flags, 1);
    EXPECT_EQ(h.TrackSize, 2 * 3 * 6);
    EXPECT_EQ(h.PaletteSize, 0);
    EXPECT_EQ(h.FrameSize, 2 * (8 + 6 * 5)) << "six different pixels: six runs a frame";
  }
  EXPECT_EQ(second.Bits, 32);
}

TEST(MovieWriter, RefusesInconsistentSegments) {
  EXPECT_THROW(TSegmentWriter([] {
                 auto o = SmallOptions(8);
                 o.TicksPerFrame = 2;
                 return o;
               }()),
               TMovieError);
  EXPECT_THROW(TSegmentWriter([] {
                 auto o = SmallOptions(8);
                 o.FrameRate = 0.5f;
                 return o;
               }()),
               TMovieError);
  EXPECT_THROW(TSegmentWriter([] {
                 auto o = SmallOptions(8);
                 o.Name.assign(256, 'x');
                 return o;
               }()),
               TMovieError);
  EXPECT_THROW(TSegmentWriter([] {
                 auto o = SmallOptions(8);
                 o.Time.Month = 13;
                 return o;
               }()),
               TMovieError);
  EXPECT_THROW(TSegmentWriter([] {
                 auto o = SmallOptions(16);
                 return o;
               }()),
               TMovieError);

  TSegmentWriter segment(SmallOptions(8));
  TPalette palette{};
  EXPECT_THROW(AddFrame(segment, Picture(8, 0), {{0, 0, 0}}, &palette), TMovieError)
      << "no shape 0";
  EXPECT_THROW(AddFrame(segment, Picture(8, 0), {}, &palette), TMovieError);
  EXPECT_THROW(AddFrame(segment, Picture(8, 0), {{NoCursorShape, 0, 0}}), TMovieError)
      << "no palette";
  TMemoryCabSink sink;
  EXPECT_THROW(segment.Finish(sink), TMovieError) << "no frames";

  TScratchFolder folder;
  TMovieWriter writer(folder / "short.tqf", 2);
  TSegmentWriter one(SmallOptions(24));
  AddFrame(one, Picture(24, 0), {{NoCursorShape, 0, 0}});
  writer.AddSegment(one);
  EXPECT_THROW(writer.Finish(), TMovieError) << "one of two segments";
  EXPECT_THROW(TMovieWriter(folder / "none.tqf", 0), TMovieError);
}

TEST(MovieWriter, AttachesWithTrailerAndReplacesAnEarlierMovie) {
  TScratchFolder folder;
  TMovieWriter writer(folder / "m.tqf", 1);
  TSegmentWriter segment(SmallOptions(24));
  AddFrame(segment, Picture(24, 9), {{NoCursorShape, 0, 0}});
  writer.AddSegment(segment);
  const uint64_t movieLength = writer.Finish();
  const TBytes movie = ::ReadWholeFile(folder / "m.tqf");

  // A program built without a movie ends with four zero bytes: no movie.
  TBytes program = {'M', 'Z', 0x90, 0, 1, 2, 3, 4, 5, 0, 0, 0, 0};
  WriteWholeFile(folder / "player.exe", program);
  {
    TBinaryFile file(folder / "player.exe", TBinaryFile::EMode::Read);
    EXPECT_EQ(AttachedMovieLength(file), 0u);
    EXPECT_THROW(LocateMovie(file), TMovieError);
  }
  EXPECT_EQ(AttachMovie(folder / "player.exe", folder / "m.tqf", folder / "self.exe"), movieLength);
  const TBytes self = ::ReadWholeFile(folder / "self.exe");
  ASSERT_EQ(self.size(), program.size() + movie.size() + 4);
  EXPECT_EQ(TBytes(self.begin(), self.begin() + static_cast<long>(program.size())), program);
  EXPECT_EQ(TBytes(self.begin() + static_cast<long>(program.size()), self.end() - 4), movie);
  EXPECT_EQ(NRef::U32(self, self.size() - 4), movie.size());
  {
    TBinaryFile file(folder / "self.exe", TBinaryFile::EMode::Read);
    const TMovieLocation at = LocateMovie(file);
    EXPECT_TRUE(at.Attached);
    EXPECT_EQ(at.Start, program.size());
    EXPECT_EQ(at.Length, movie.size());
  }
  // Attaching again to the self-playing file replaces its movie instead of stacking a second.
  EXPECT_EQ(AttachMovie(folder / "self.exe", folder / "m.tqf", folder / "again.exe"), movieLength);
  EXPECT_EQ(::ReadWholeFile(folder / "again.exe"), self);

  // A program whose last bytes merely look like a length keeps all its bytes.
  TBytes odd = {'M', 'Z', 1, 2, 3, 4, 5, 6, 7, 8, 4, 0, 0, 0};
  WriteWholeFile(folder / "odd.exe", odd);
  AttachMovie(folder / "odd.exe", folder / "m.tqf", folder / "odd-self.exe");
  EXPECT_EQ(::ReadWholeFile(folder / "odd-self.exe").size(), odd.size() + movie.size() + 4);
}
