// Records, palette changes and cursor steps that break the rules of the format: the decoder
// refuses or cuts them, and never reads or writes outside the buffers it was given (every
// buffer here is sized exactly, so the sanitizer build sees any stray access).
#include "engine/UtqFrameCodec.h"
#include "movie/tqClasses.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;

constexpr std::uint8_t Untouched = 0xA5;
constexpr std::uint8_t U = Untouched; // for byte tables

TBytes Record(std::int32_t recordSize, std::int32_t runCount, const TBytes& runs) {
  TBytes r;
  for (std::int32_t v : {recordSize, runCount})
    for (int i = 0; i < 4; ++i)
      r.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
  r.insert(r.end(), runs.begin(), runs.end());
  return r;
}

// A run of the wide formats: blue, green, red, then the count.
TBytes WideRun(std::uint8_t b, std::uint8_t g, std::uint8_t r, std::uint16_t count) {
  return {b, g, r, static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8)};
}

TBytes Join(std::initializer_list<TBytes> parts) {
  TBytes all;
  for (const TBytes& p : parts)
    all.insert(all.end(), p.begin(), p.end());
  return all;
}

struct TFrame {
  TFrame(int width, int height, int depth) {
    EXPECT_TRUE(MakeFrameGeometry(width, height, depth, Geometry));
    XorFrame.assign(Geometry.XorFrameBytes(), Untouched);
  }
  // The record is copied to a buffer of exactly its length.
  TUnpackResult Expand(const TBytes& record) {
    auto exact = std::make_unique<std::uint8_t[]>(record.size() + !record.size());
    if (!record.empty()) std::memcpy(exact.get(), record.data(), record.size());
    return ExpandFrameRecord(exact.get(), record.size(), Geometry, XorFrame.data(),
                             XorFrame.size());
  }
  TFrameGeometry Geometry;
  TBytes XorFrame;
};

TBytes Filled(std::size_t n) {
  return TBytes(n, Untouched);
}

// A memory stream holding exactly the bytes, read from its start.
std::unique_ptr<TtqMemoryStream> StreamOf(const TBytes& bytes) {
  auto s = std::make_unique<TtqMemoryStream>();
  s->Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  s->SetSize(static_cast<std::int32_t>(bytes.size()));
  s->SetPosition(0);
  return s;
}

// A palette change record of count entries from first, entry i being {i, i+1, i+2, 0x80}.
TBytes PaletteRecord(int count, int first, int entries = -1) {
  TBytes r = {static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(first)};
  for (int i = 0; i < (entries < 0 ? count : entries); ++i)
    r.insert(r.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i + 1),
                       static_cast<std::uint8_t>(i + 2), 0x80});
  return r;
}

bool IsEntry(const TPaletteEntry& e, int i) {
  return e.Blue == static_cast<std::uint8_t>(i) && e.Green == static_cast<std::uint8_t>(i + 1) &&
         e.Red == static_cast<std::uint8_t>(i + 2) && e.Reserved == 0x80;
}

bool IsBlack(const TPaletteEntry& e) {
  return !e.Blue && !e.Green && !e.Red && !e.Reserved;
}

} // namespace

TEST(FrameCodecHostile, OverlongRecordsAreCutAtTheEndOfThePicture) {
  // 3 x 2 at 24 bits with padding: 4 pixels of A, then a run of 65535 that would go on far
  // past the spare row.
  TFrame padded(3, 2, 24);
  ASSERT_EQ(padded.Expand(Record(18, 2, Join({WideRun(1, 2, 3, 4), WideRun(7, 8, 9, 65535)}))),
            urOverlong);
  EXPECT_EQ(padded.XorFrame, TBytes({1, 2, 3, 1, 2, 3, 1, 2, 3, 0, U, U, //
                                     1, 2, 3, 7, 8, 9, 7, 8, 9, 0, U, U, //
                                     U, U, U, U, U, U, U, U, U, U, U, U}));

  // Rows without padding: three runs of 65535 into a single 32-bit pixel, and into a 24-bit
  // row of four pixels, where only the first byte of the spare row takes a store.
  TFrame one(1, 1, 32);
  ASSERT_EQ(one.Expand(Record(
                23, 3,
                Join({WideRun(4, 5, 6, 65535), WideRun(7, 7, 7, 65535), WideRun(8, 8, 8, 65535)}))),
            urOverlong);
  EXPECT_EQ(one.XorFrame, TBytes({4, 5, 6, 0, U, U, U, U}));
  TFrame row(4, 1, 24);
  ASSERT_EQ(row.Expand(Record(13, 1, WideRun(9, 9, 9, 5))), urOverlong);
  TBytes expected(12, 9);
  expected.push_back(0);
  expected.resize(24, Untouched);
  EXPECT_EQ(row.XorFrame, expected);

  // 8 bits, 5 wide: padding of 3 and the spare row stay as they were.
  TFrame narrow(5, 1, 8);
  ASSERT_EQ(narrow.Expand(Record(12, 2, {0x42, 255, 0x43, 255})), urOverlong);
  EXPECT_EQ(narrow.XorFrame,
            TBytes({0x42, 0x42, 0x42, 0x42, 0x42, U, U, U, U, U, U, U, U, U, U, U}));

  // Runs of count 0 after the picture is full are no excess.
  TFrame full(1, 1, 8);
  EXPECT_EQ(full.Expand(Record(14, 3, {1, 1, 2, 0, 3, 0})), urComplete);
}

TEST(FrameCodecHostile, ShortRecordsLeaveTheRestAsItWas) {
  // At 24 bits the store of the last pixel written spills into the next pixel's blue byte;
  // a short record must give it back, with and without row padding.
  for (int width : {3, 4}) {
    SCOPED_TRACE(width);
    TFrame f(width, 2, 24);
    ASSERT_EQ(f.Expand(Record(13, 1, WideRun(1, 2, 3, 4))), urShort);
    const std::size_t stride = static_cast<std::size_t>(f.Geometry.Stride);
    TBytes expected = Filled(f.XorFrame.size());
    for (std::size_t p = 0; p < 4; ++p) {
      const std::size_t w = static_cast<std::size_t>(width);
      const std::size_t at = p / w * stride + p % w * 3;
      expected[at] = 1;
      expected[at + 1] = 2;
      expected[at + 2] = 3;
    }
    // A row end inside the record puts its 0 into the padding, as a complete record does.
    if (width == 3) expected[9] = 0;
    EXPECT_EQ(f.XorFrame, expected);
  }
  TFrame wide(2, 2, 32);
  ASSERT_EQ(wide.Expand(Record(13, 1, WideRun(1, 2, 3, 3))), urShort);
  EXPECT_EQ(wide.XorFrame, Join({{1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0}, Filled(12)}));
  TFrame narrow(3, 1, 8);
  ASSERT_EQ(narrow.Expand(Record(12, 2, {7, 1, 8, 0})), urShort);
  EXPECT_EQ(narrow.XorFrame, Join({{7}, Filled(7)}));
  // No runs, or only runs of count 0: nothing at all is written.
  for (const TBytes& record :
       {Record(8, 0, {}), Record(18, 2, Join({WideRun(1, 1, 1, 0), WideRun(2, 2, 2, 0)}))}) {
    TFrame f(3, 2, 24);
    EXPECT_EQ(f.Expand(record), urShort);
    EXPECT_EQ(f.XorFrame, Filled(f.XorFrame.size()));
  }
}

TEST(FrameCodecHostile, MalformedRecordsAreRefusedWithoutAWrite) {
  struct TCase {
    const char* What;
    TBytes Bytes;
    TUnpackResult Result;
  } const cases[] = {
      {"no bytes", {}, urNoHeader},
      {"seven bytes", {13, 0, 0, 0, 1, 0, 0}, urNoHeader},
      {"RecordSize 0", Record(0, 0, {}), urSizeTooSmall},
      {"RecordSize 7", Record(7, 0, {}), urSizeTooSmall},
      {"RecordSize -1", Record(-1, 0, {}), urSizeTooSmall},
      {"RecordSize INT32_MIN", Record(INT32_MIN, 0, {}), urSizeTooSmall},
      {"RecordSize one past the data", Record(14, 1, {1, 2, 3, 4}), urSizeTooLarge},
      {"RecordSize INT32_MAX", Record(INT32_MAX, 1, WideRun(1, 2, 3, 1)), urSizeTooLarge},
      {"one byte after the runs", Record(14, 1, Join({WideRun(1, 2, 3, 1), {0}})), urSizeMismatch},
      {"RunCount one more than the runs", Record(13, 2, WideRun(1, 2, 3, 6)), urSizeMismatch},
      {"RunCount -1", Record(8, -1, {}), urSizeMismatch},
      {"RunCount INT32_MIN", Record(8, INT32_MIN, {}), urSizeMismatch},
      // 8 + 0x33333334 x 5 is 12 in 32-bit arithmetic.
      {"RunCount wrapping to the size", Record(12, 0x33333334, {1, 2, 3, 4}), urSizeMismatch},
  };
  for (const TCase& c : cases) {
    TFrame f(3, 2, 24);
    EXPECT_EQ(f.Expand(c.Bytes), c.Result) << c.What;
    EXPECT_EQ(f.XorFrame, Filled(f.XorFrame.size())) << c.What;
  }
  // At 8 bits, 8 + 0x80000002 x 2 wraps to 12 as well.
  TFrame f8(3, 2, 8);
  EXPECT_EQ(f8.Expand(Record(12, static_cast<std::int32_t>(0x80000002u), {1, 2, 3, 4})),
            urSizeMismatch);
  EXPECT_EQ(f8.XorFrame, Filled(f8.XorFrame.size()));

  // A block larger than its record: only RecordSize bytes are runs.
  TFrame block(2, 1, 32);
  EXPECT_EQ(block.Expand(Join({Record(13, 1, WideRun(1, 2, 3, 2)), WideRun(9, 9, 9, 9)})),
            urComplete);
  EXPECT_EQ(block.XorFrame, Join({{1, 2, 3, 0, 1, 2, 3, 0}, Filled(8)}));

  std::set<std::string> texts;
  for (int r = urShort; r <= urXorFrameTooSmall; ++r) {
    const std::string text = UnpackResultText(static_cast<TUnpackResult>(r));
    EXPECT_EQ(text.rfind("UnpackFrame: ", 0), 0u) << text;
    texts.insert(text);
  }
  EXPECT_EQ(texts.size(), static_cast<std::size_t>(urXorFrameTooSmall - urShort + 1));
  EXPECT_STREQ(UnpackResultText(urComplete), "");
  EXPECT_STREQ(UnpackResultText(urSizeTooLarge), "UnpackFrame: RecordSize > BlockSize");
  EXPECT_TRUE(RunsExpanded(urOverlong));
  EXPECT_FALSE(RunsExpanded(urNoHeader));
}

TEST(FrameCodecHostile, GeometryAndBuffersThatDoNotMatchAreRefused) {
  const TBytes record = Record(13, 1, WideRun(1, 2, 3, 6));
  TFrame f(3, 2, 24);
  // One byte short of the spare row.
  EXPECT_EQ(ExpandFrameRecord(record.data(), record.size(), f.Geometry, f.XorFrame.data(),
                              f.XorFrame.size() - 1),
            urXorFrameTooSmall);
  EXPECT_EQ(ExpandFrameRecord(record.data(), record.size(), f.Geometry, nullptr, 1000),
            urXorFrameTooSmall);
  EXPECT_EQ(ExpandFrameRecord(nullptr, 13, f.Geometry, f.XorFrame.data(), f.XorFrame.size()),
            urNoHeader);
  TFrameGeometry tampered = f.Geometry;
  tampered.RowPadding = 0;
  EXPECT_EQ(ExpandFrameRecord(record.data(), record.size(), tampered, f.XorFrame.data(),
                              f.XorFrame.size()),
            urBadGeometry);
  tampered = f.Geometry;
  tampered.Format.RunSize = 2;
  EXPECT_EQ(ExpandFrameRecord(record.data(), record.size(), tampered, f.XorFrame.data(),
                              f.XorFrame.size()),
            urBadGeometry);
  EXPECT_EQ(ExpandFrameRecord(record.data(), record.size(), TFrameGeometry{}, f.XorFrame.data(),
                              f.XorFrame.size()),
            urBadGeometry);
  EXPECT_EQ(f.XorFrame, Filled(f.XorFrame.size()));
}

TEST(FrameCodecApply, WordLoopAt8BitsAndRowsAt24And32) {
  // 3 x 2 at 8 bits: the word loop covers both rows with their padding, not the spare row.
  TFrameGeometry g8;
  ASSERT_TRUE(MakeFrameGeometry(3, 2, 8, g8));
  TBytes xorFrame(12), picture(12);
  for (std::size_t i = 0; i < 12; ++i) {
    xorFrame[i] = static_cast<std::uint8_t>(0x11 * (i + 1));
    picture[i] = static_cast<std::uint8_t>(0xF0 | i);
  }
  TBytes expected = picture;
  for (std::size_t i = 0; i < 8; ++i)
    expected[i] ^= xorFrame[i];
  TBytes applied = picture;
  ASSERT_TRUE(ApplyXorFrame8(xorFrame.data(), 12, applied.data(), 12, g8));
  EXPECT_EQ(applied, expected);
  applied = picture;
  ASSERT_TRUE(ApplyXorFrameInMemory(xorFrame.data(), 12, applied.data(), 12, g8));
  EXPECT_EQ(applied, expected);
  // A picture without its spare row is enough; a shorter one is refused.
  ASSERT_TRUE(ApplyXorFrame8(xorFrame.data(), 8, applied.data(), 8, g8));
  EXPECT_FALSE(ApplyXorFrame8(xorFrame.data(), 12, applied.data(), 7, g8));
  EXPECT_FALSE(ApplyXorFrame8(xorFrame.data(), 7, applied.data(), 12, g8));
  EXPECT_FALSE(ApplyXorFrame8(nullptr, 12, applied.data(), 12, g8));

  // 3 x 2 at 24 bits: the pixels change, the picture's padding does not.
  TFrameGeometry g24;
  ASSERT_TRUE(MakeFrameGeometry(3, 2, 24, g24));
  EXPECT_FALSE(ApplyXorFrame8(xorFrame.data(), 36, applied.data(), 36, g24));
  TBytes x24(36), p24(24, 0x0F);
  for (std::size_t i = 0; i < x24.size(); ++i)
    x24[i] = static_cast<std::uint8_t>(i + 1);
  ASSERT_TRUE(ApplyXorFrameInMemory(x24.data(), x24.size(), p24.data(), p24.size(), g24));
  for (std::size_t i = 0; i < p24.size(); ++i)
    EXPECT_EQ(p24[i], i % 12 < 9 ? 0x0F ^ (i + 1) : 0x0F) << i;

  // 1023 x 2 at 32 bits: every byte of both rows, past the 32-byte blocks of the loop.
  TFrameGeometry g32;
  ASSERT_TRUE(MakeFrameGeometry(1023, 2, 32, g32));
  TBytes x32(g32.XorFrameBytes()), p32(g32.PictureBytes());
  for (std::size_t i = 0; i < x32.size(); ++i)
    x32[i] = static_cast<std::uint8_t>(i * 31 + 7);
  for (std::size_t i = 0; i < p32.size(); ++i)
    p32[i] = static_cast<std::uint8_t>(i * 17);
  ASSERT_TRUE(ApplyXorFrameInMemory(x32.data(), x32.size(), p32.data(), p32.size(), g32));
  for (std::size_t i = 0; i < p32.size(); ++i)
    ASSERT_EQ(p32[i], static_cast<std::uint8_t>(i * 17) ^ static_cast<std::uint8_t>(i * 31 + 7))
        << i;
}

TEST(FrameCodecPalette, ChangesApplyInStepAndNeverPastTheTable) {
  // ChangeCount 0, then 3 entries at 10, then an exhausted stream.
  TPaletteTable palette{};
  auto s = StreamOf(Join({{0}, PaletteRecord(3, 10)}));
  EXPECT_EQ(ReadPaletteChange(*s, palette), prUnchanged);
  for (const TPaletteEntry& e : palette)
    ASSERT_TRUE(IsBlack(e));
  EXPECT_EQ(ReadPaletteChange(*s, palette), prChanged);
  for (int i = 0; i < 256; ++i)
    EXPECT_TRUE(i >= 10 && i < 13 ? IsEntry(palette[i], i - 10) : IsBlack(palette[i])) << i;
  const TPaletteTable kept = palette;
  EXPECT_EQ(ReadPaletteChange(*s, palette), prExhausted);
  TtqMemoryStream empty;
  EXPECT_EQ(ReadPaletteChange(empty, palette), prExhausted);
  EXPECT_EQ(std::memcmp(palette.data(), kept.data(), sizeof palette), 0);

  // Up to the last entry: 1 at 255, and 255 from 1.
  palette = {};
  s = StreamOf(Join({PaletteRecord(1, 255), PaletteRecord(255, 1)}));
  EXPECT_EQ(ReadPaletteChange(*s, palette), prChanged);
  EXPECT_TRUE(IsEntry(palette[255], 0));
  EXPECT_EQ(ReadPaletteChange(*s, palette), prChanged);
  EXPECT_TRUE(IsBlack(palette[0]));
  for (int i = 1; i < 256; ++i)
    ASSERT_TRUE(IsEntry(palette[i], i - 1)) << i;

  // Past it: 2 at 255 and 255 at 200 keep what fits, drop the rest and stay in step, as the
  // record after each shows.
  palette = {};
  s = StreamOf(Join(
      {PaletteRecord(2, 255), PaletteRecord(1, 0), PaletteRecord(255, 200), PaletteRecord(1, 3)}));
  EXPECT_EQ(ReadPaletteChange(*s, palette), prClipped);
  EXPECT_TRUE(IsEntry(palette[255], 0));
  EXPECT_EQ(ReadPaletteChange(*s, palette), prChanged);
  EXPECT_TRUE(IsEntry(palette[0], 0));
  EXPECT_EQ(ReadPaletteChange(*s, palette), prClipped);
  for (int i = 200; i < 256; ++i)
    ASSERT_TRUE(IsEntry(palette[i], i - 200)) << i;
  EXPECT_EQ(ReadPaletteChange(*s, palette), prChanged);
  EXPECT_TRUE(IsEntry(palette[3], 0));
  EXPECT_TRUE(IsBlack(palette[4]));

  // A stream that ends inside a record: the whole entries that came are taken.
  palette = {};
  s = StreamOf(Join({PaletteRecord(3, 10, 1), {0x55, 0x55}}));
  EXPECT_EQ(ReadPaletteChange(*s, palette), prTruncated);
  EXPECT_TRUE(IsEntry(palette[10], 0));
  EXPECT_TRUE(IsBlack(palette[11]));
  s = StreamOf({3});
  EXPECT_EQ(ReadPaletteChange(*s, palette), prTruncated);
  EXPECT_EQ(ReadPaletteChange(*s, palette), prExhausted);
}

TEST(FrameCodecCursorTrack, StepsAreReadInOrderUntilTheTrackEnds) {
  auto s = StreamOf({0x34, 0x12, 0x80, 0x02, 0xFF, 0xFF, //
                     0x01, 0x00, 0x00, 0x00, 0xDF, 0x02, //
                     0x09, 0x00, 0x01, 0x00, 0x02});
  TCursorStep step;
  ASSERT_TRUE(ReadCursorStep(*s, step));
  EXPECT_EQ(step.ShapeIndex, 0x1234);
  EXPECT_EQ(step.X, 640);
  EXPECT_EQ(step.Y, 65535);
  ASSERT_TRUE(ReadCursorStep(*s, step));
  EXPECT_EQ(step.ShapeIndex, 1);
  EXPECT_EQ(step.X, 0);
  EXPECT_EQ(step.Y, 735);
  EXPECT_FALSE(ReadCursorStep(*s, step));
  EXPECT_EQ(step.ShapeIndex, 1);
  EXPECT_EQ(step.Y, 735);
  TtqMemoryStream empty;
  EXPECT_FALSE(ReadCursorStep(empty, step));
}
