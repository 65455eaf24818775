#include "MovieBuilder.h"
#include "TestSupport.h"
#include "engine/UtqCursor_new.h"
#include "movie/tqClasses.h"

#include <gtest/gtest.h>

namespace {
// A colour shape of width x height at 32 bits with a mask of the same size.
std::vector<std::uint8_t> ColourRecord(std::int32_t width, std::int32_t height,
                                       std::int32_t maskSize, std::int32_t colourSize) {
  std::vector<std::uint8_t> r;
  PutInt32(r, 3);
  PutInt32(r, 4);
  PutCursorDescriptor(r, maskSize, width, height, 1);
  // A huge stored size is a claim only: the bytes behind it are few.
  for (std::int32_t i = 0; i < std::min(std::max(maskSize, 0), 4096); ++i)
    r.push_back(static_cast<std::uint8_t>(0xA0 + i));
  PutCursorDescriptor(r, colourSize, width, height, 32);
  for (std::int32_t i = 0; i < std::max(colourSize, 0); ++i)
    r.push_back(static_cast<std::uint8_t>(i));
  return r;
}

// Reads records from a file one after another, as the loader does.
struct TRecordFile {
  explicit TRecordFile(const std::vector<std::uint8_t>& bytes) {
    WriteWholeFile(Folder / "shapes.bin", bytes);
    Stream = std::make_unique<TtqFileStream>(Folder / "shapes.bin", TtqFileStream::ModeRead);
  }
  int Next(TCursorRecord& record) { return ReadCursorRecord(*Stream, record); }
  std::int32_t Position() { return Stream->GetPosition(); }
  TScratchFolder Folder;
  std::unique_ptr<TtqFileStream> Stream;
};
} // namespace

TEST(CursorRecord, MonochromeAndColourRecordsFollowEachOther) {
  auto bytes = MonochromeCursorRecord(7);
  ASSERT_EQ(bytes.size(), 290u);
  const auto colour = ColourRecord(5, 3, 6, 5 * 4 * 3);
  bytes.insert(bytes.end(), colour.begin(), colour.end());
  TRecordFile file(bytes);

  TCursorRecord first, second;
  ASSERT_EQ(file.Next(first), CursorLoaded);
  EXPECT_EQ(file.Position(), 290);
  EXPECT_TRUE(first.Monochrome());
  EXPECT_EQ(first.HotX, 10);
  EXPECT_EQ(first.Mask.Height, 64);
  EXPECT_EQ(first.Mask.Bits, std::vector<std::uint8_t>(bytes.begin() + 21, bytes.begin() + 277));

  ASSERT_EQ(file.Next(second), CursorLoaded);
  EXPECT_EQ(file.Position(), static_cast<std::int32_t>(bytes.size()));
  EXPECT_FALSE(second.Monochrome());
  EXPECT_EQ(second.HotY, 4);
  EXPECT_EQ(second.Mask.Bits.size(), 6u); // rows of 2 bytes
  EXPECT_EQ(second.Colour.Bits.size(), 60u);
  EXPECT_EQ(second.Colour.Bits[59], 59);
}

TEST(CursorRecord, SizesAreMadeToFitTheirBitmaps) {
  // Too large: the bits beyond the bitmap are passed over and the next record is in step.
  auto bytes = ColourRecord(2, 2, 100, 5000);
  const auto next = MonochromeCursorRecord(1);
  bytes.insert(bytes.end(), next.begin(), next.end());
  // Too small: the missing bytes are zero.
  const auto shortRecord = ColourRecord(4, 4, 2, 10);
  bytes.insert(bytes.end(), shortRecord.begin(), shortRecord.end());
  TRecordFile file(bytes);

  TCursorRecord big, mono, small;
  ASSERT_EQ(file.Next(big), CursorLoaded);
  EXPECT_EQ(big.Mask.Bits.size(), 4u);
  EXPECT_EQ(big.Colour.Bits.size(), 16u);
  ASSERT_EQ(file.Next(mono), CursorLoaded);
  EXPECT_EQ(mono.HotX, 10);
  EXPECT_EQ(mono.Mask.Size, 256);
  ASSERT_EQ(file.Next(small), CursorLoaded);
  EXPECT_EQ(small.Mask.Bits, (std::vector<std::uint8_t>{0xA0, 0xA1, 0, 0, 0, 0, 0, 0}));
  ASSERT_EQ(small.Colour.Bits.size(), 64u);
  EXPECT_EQ(small.Colour.Bits[9], 9);
  EXPECT_EQ(small.Colour.Bits[10], 0);
}

TEST(CursorRecord, ImpossibleShapesFailInsideTheRecord) {
  struct {
    std::vector<std::uint8_t> Bytes;
    std::int32_t StopsAt;
  } cases[] = {
      {ColourRecord(0, 4, 8, 64), 21},          // no width
      {ColourRecord(5000, 4, 8, 64), 21},       // wider than any cursor
      {ColourRecord(4, -1, 8, 64), 21},         // negative height
      {ColourRecord(4, 4, 0x7FFFFFFF, 64), 29}, // more mask than the file holds
  };
  for (auto& c : cases) {
    TRecordFile file(c.Bytes);
    TCursorRecord record;
    EXPECT_EQ(file.Next(record), CursorNoBitmap);
    EXPECT_EQ(file.Position(), c.StopsAt);
  }
  // A colour depth a DIB section cannot take without a palette.
  auto paletted = ColourRecord(4, 4, 8, 16);
  paletted[21 + 8 + 12] = 8;
  TRecordFile file(paletted);
  TCursorRecord record;
  EXPECT_EQ(file.Next(record), CursorNoBitmap);
  EXPECT_EQ(file.Position(), 21 + 8 + 13);
  // A record that ends early.
  auto whole = MonochromeCursorRecord(0);
  whole.resize(100);
  TRecordFile cut(whole);
  EXPECT_EQ(cut.Next(record), CursorNoBitmap);
}

TEST(CursorRecord, AMemoryStreamReadsAsTheFileDoes) {
  // The last record's colour bits run past its bitmap to the very end of the data.
  const auto last = ColourRecord(2, 2, 4, 16 + 10);
  std::vector<std::uint8_t> bytes = ColourRecord(2, 2, 100, 5000);
  for (const auto& more :
       {MonochromeCursorRecord(1), ColourRecord(4, 4, 8, 64), ColourRecord(0, 4, 8, 64), last})
    bytes.insert(bytes.end(), more.begin(), more.end());
  TRecordFile file(bytes);
  TtqMemoryStream memory;
  memory.Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  memory.SetSize(static_cast<std::int32_t>(bytes.size()));
  memory.SetPosition(0);
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    TCursorRecord fromFile, fromMemory;
    EXPECT_EQ(ReadCursorRecord(memory, fromMemory), file.Next(fromFile));
    EXPECT_EQ(memory.GetPosition(), file.Position());
    EXPECT_EQ(fromMemory.Mask.Bits, fromFile.Mask.Bits);
    EXPECT_EQ(fromMemory.Colour.Bits, fromFile.Colour.Bits);
    if (i == 3) { // the record without a width stops inside; go on after it
      const auto next = static_cast<std::int32_t>(bytes.size() - last.size());
      memory.SetPosition(next);
      file.Stream->SetPosition(next);
    }
  }
  EXPECT_EQ(memory.GetPosition(), static_cast<std::int32_t>(bytes.size()));
}

TEST(CursorList, OwnsItsCursorsInOrder) {
  TCursorList list;
  EXPECT_EQ(list.Add(std::make_unique<TtqCursor>()), 1);
  EXPECT_EQ(list.Add(std::make_unique<TtqCursor>()), 2);
  EXPECT_NE(list.Items(1), nullptr);
  EXPECT_EQ(list.Items(2), nullptr);
  EXPECT_EQ(list.Items(-1), nullptr);
  EXPECT_TRUE(list.Items(0)->Empty());
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}
