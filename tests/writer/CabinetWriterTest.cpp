#include "writer/CabinetWriter.h"
#include "writer/CabChecksum.h"

#include "ScreenLikeData.h"
#include "TestLzxDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

using namespace NQuillo;
using NQuillo::NTest::MakeRandomData;
using NQuillo::NTest::MakeScreenLikeData;

namespace {

uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b.at(at) | b.at(at + 1) << 8);
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return Le16(b, at) | uint32_t{Le16(b, at + 2)} << 16;
}

// What a reader learns from the single-folder, single-file cabinets the writer makes.
struct TParsedCabinet {
  uint32_t CabinetBytes, FilesOffset, DataOffset, FileBytes, FolderStart;
  uint16_t Folders, Files, Flags, Blocks, Compression, Date, Time, Attributes, FolderIndex;
  uint8_t MinorVersion, MajorVersion;
  std::string Name;
  std::vector<uint8_t> Content;
};

TParsedCabinet Parse(const std::vector<uint8_t>& cab) {
  TParsedCabinet p{};
  EXPECT_EQ(std::string(cab.begin(), cab.begin() + 4), "MSCF");
  p.CabinetBytes = Le32(cab, 8);
  p.FilesOffset = Le32(cab, 16);
  p.MinorVersion = cab.at(24);
  p.MajorVersion = cab.at(25);
  p.Folders = Le16(cab, 26);
  p.Files = Le16(cab, 28);
  p.Flags = Le16(cab, 30);
  p.DataOffset = Le32(cab, 36);
  p.Blocks = Le16(cab, 40);
  p.Compression = Le16(cab, 42);
  p.FileBytes = Le32(cab, p.FilesOffset);
  p.FolderStart = Le32(cab, p.FilesOffset + 4);
  p.FolderIndex = Le16(cab, p.FilesOffset + 8);
  p.Date = Le16(cab, p.FilesOffset + 10);
  p.Time = Le16(cab, p.FilesOffset + 12);
  p.Attributes = Le16(cab, p.FilesOffset + 14);
  for (size_t at = p.FilesOffset + 16; cab.at(at) != 0; ++at)
    p.Name.push_back(static_cast<char>(cab[at]));

  const unsigned method = p.Compression & 0xF;
  NTest::TTestLzxDecoder decoder(method == 3 ? (p.Compression >> 8) & 0x1F : 15);
  size_t offset = p.DataOffset;
  for (uint16_t block = 0; block < p.Blocks; ++block) {
    const uint16_t compressed = Le16(cab, offset + 4);
    const uint16_t uncompressed = Le16(cab, offset + 6);
    EXPECT_LE(offset + 8 + compressed, cab.size());
    EXPECT_EQ(Le32(cab, offset),
              CabDataBlockChecksum(cab.data() + offset + 8, compressed, uncompressed))
        << "block " << block;
    if (block + 1 < p.Blocks) {
      EXPECT_EQ(uncompressed, 32768) << "block " << block;
    }
    if (method == 3) {
      decoder.DecodeFrame(cab.data() + offset + 8, compressed, uncompressed, p.Content);
    } else {
      EXPECT_EQ(compressed, uncompressed);
      p.Content.insert(p.Content.end(), cab.begin() + offset + 8,
                       cab.begin() + offset + 8 + compressed);
    }
    offset += 8 + size_t{compressed};
  }
  EXPECT_EQ(offset, cab.size()) << "bytes after the last CFDATA";
  return p;
}

TCabinetFile SegmentFile() {
  TCabinetFile file;
  file.Name = "Segm000000000000042.dat";
  file.Attributes = 0x20;
  file.DosDate = TCabinetWriter::MakeDosDate(2024, 5, 17);
  file.DosTime = TCabinetWriter::MakeDosTime(13, 45, 30);
  return file;
}

std::vector<uint8_t> MakeCabinet(const std::vector<uint8_t>& input, const TCabinetOptions& options,
                                 const TCabinetFile& file = SegmentFile()) {
  TMemoryCabSource source(input.data(), input.size());
  TMemoryCabSink sink;
  const TCabinetSummary summary = TCabinetWriter::Write(source, sink, file, options);
  EXPECT_EQ(summary.CabinetBytes, sink.Bytes().size());
  EXPECT_EQ(summary.FileBytes, input.size());
  EXPECT_EQ(summary.DataBlocks, (input.size() + 32767) / 32768);
  return sink.Bytes();
}

// Other builds may run these tests at the same time, so temporary names must not collide.
std::string TempPath(const std::string& stem) {
  static const std::string tag =
      std::to_string(std::random_device()()) + "_" +
      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  return (std::filesystem::temp_directory_path() / (stem + "_" + tag)).string();
}

TCabinetOptions Options(ECabCompression compression, unsigned windowBits = 20) {
  TCabinetOptions options;
  options.Compression = compression;
  options.LzxWindowBits = windowBits;
  return options;
}

} // namespace

TEST(CabinetWriter, HeaderDescribesOneFolderWithOneFile) {
  const auto input = MakeScreenLikeData(100000, 1);
  const auto cab = MakeCabinet(input, Options(ECabCompression::Lzx, 20));
  const TParsedCabinet p = Parse(cab);
  EXPECT_EQ(p.CabinetBytes, cab.size());
  EXPECT_EQ(p.MajorVersion, 1);
  EXPECT_EQ(p.MinorVersion, 3);
  EXPECT_EQ(p.Folders, 1);
  EXPECT_EQ(p.Files, 1);
  EXPECT_EQ(p.Flags, 0);
  EXPECT_EQ(p.FilesOffset, 36u + 8u);
  EXPECT_EQ(p.DataOffset, 36u + 8u + 16u + 24u);
  EXPECT_EQ(p.Compression, 0x1403);
  EXPECT_EQ(p.Blocks, 4);
  EXPECT_EQ(p.FileBytes, input.size());
  EXPECT_EQ(p.FolderStart, 0u);
  EXPECT_EQ(p.FolderIndex, 0);
  EXPECT_EQ(p.Name, "Segm000000000000042.dat");
  EXPECT_EQ(p.Attributes, 0x20);
  // 2024-05-17 13:45:30 in DOS form, worked out by hand.
  EXPECT_EQ(p.Date, (44 << 9) | (5 << 5) | 17);
  EXPECT_EQ(p.Time, (13 << 11) | (45 << 5) | 15);
  EXPECT_TRUE(p.Content == input);
}

TEST(CabinetWriter, RoundTripsLzxAndStoredFolders) {
  const auto screen = MakeScreenLikeData(300000, 2);
  const auto random = MakeRandomData(300000, 3);
  for (size_t size : {0u, 1u, 32767u, 32768u, 32769u, 300000u}) {
    const std::vector<uint8_t> a(screen.begin(), screen.begin() + size);
    const std::vector<uint8_t> b(random.begin(), random.begin() + size);
    for (const auto& input : {a, b}) {
      for (unsigned bits : {15u, 21u}) {
        const TParsedCabinet lzx = Parse(MakeCabinet(input, Options(ECabCompression::Lzx, bits)));
        EXPECT_EQ(lzx.Compression, (bits << 8) | 3);
        EXPECT_TRUE(lzx.Content == input) << size << " bytes, window " << bits;
      }
      const TParsedCabinet stored = Parse(MakeCabinet(input, Options(ECabCompression::None)));
      EXPECT_EQ(stored.Compression, 0);
      EXPECT_TRUE(stored.Content == input) << size << " bytes stored";
    }
  }
}

TEST(CabinetWriter, AppendInPiecesEqualsOneWrite) {
  const auto input = MakeScreenLikeData(200000, 4);
  const auto whole = MakeCabinet(input, Options(ECabCompression::Lzx));
  TMemoryCabSink sink;
  TCabinetWriter writer(sink, SegmentFile(), Options(ECabCompression::Lzx));
  for (size_t offset = 0; offset < input.size(); offset += 999)
    writer.Append(input.data() + offset, std::min<size_t>(999, input.size() - offset));
  writer.Finish();
  EXPECT_TRUE(sink.Bytes() == whole);
  EXPECT_THROW(writer.Append(input.data(), 1), std::logic_error);
}

TEST(CabinetWriter, RefusesWhatTheFormatCannotHold) {
  TMemoryCabSink sink;
  TCabinetFile file = SegmentFile();
  file.Name = "";
  EXPECT_THROW(TCabinetWriter(sink, file), TCabinetError);
  file.Name = std::string(256, 'a');
  EXPECT_THROW(TCabinetWriter(sink, file), TCabinetError);
  file.Name = std::string(255, 'a');
  EXPECT_NO_THROW(TCabinetWriter(sink, file));
  file.Name = std::string("a\0b", 3);
  EXPECT_THROW(TCabinetWriter(sink, file), TCabinetError);

  TMemoryCabSink big;
  TCabinetWriter writer(big, SegmentFile(), Options(ECabCompression::None));
  const uint8_t byte = 0;
  writer.Append(&byte, 1);
  // The size is checked before any byte is read, so no 2 GiB buffer is needed.
  EXPECT_THROW(writer.Append(&byte, TCabinetWriter::MaxFileBytes), TCabinetError);
  EXPECT_EQ(writer.Finish().FileBytes, 1u);

  EXPECT_THROW(TCabinetWriter::MakeDosDate(1979, 12, 31), std::invalid_argument);
  EXPECT_THROW(TCabinetWriter::MakeDosTime(24, 0, 0), std::invalid_argument);
  EXPECT_THROW(TCabinetWriter(sink, SegmentFile(), Options(ECabCompression::Lzx, 22)),
               std::invalid_argument);
}

TEST(CabinetWriter, StreamsBetweenFiles) {
  const std::string in = TempPath("quillo_writer_test_in");
  const std::string out = TempPath("quillo_writer_test_out");
  const auto input = MakeScreenLikeData(500000, 5);
  {
    std::ofstream file(in, std::ios::binary);
    file.write(reinterpret_cast<const char*>(input.data()),
               static_cast<std::streamsize>(input.size()));
  }
  {
    TFileCabSource source(in);
    TFileCabSink sink(out);
    TCabinetWriter::Write(source, sink, SegmentFile());
    sink.Flush();
  }
  std::ifstream file(out, std::ios::binary);
  const std::vector<uint8_t> cab{std::istreambuf_iterator<char>(file),
                                 std::istreambuf_iterator<char>()};
  EXPECT_TRUE(cab == MakeCabinet(input, TCabinetOptions()));
  EXPECT_TRUE(Parse(cab).Content == input);
  std::remove(in.c_str());
  std::remove(out.c_str());
  EXPECT_THROW(TFileCabSource(TempPath("quillo_no_such_dir") + "/x"), std::runtime_error);
}

TEST(CabinetWriter, ShortReadsFromAFunctionSourceLoseNothing) {
  const auto input = MakeScreenLikeData(150000, 6);
  size_t offset = 0;
  size_t calls = 0;
  TFunctionCabSource source([&](uint8_t* buffer, size_t size) {
    const size_t give = std::min({size, input.size() - offset, 1 + calls++ % 5000});
    std::copy_n(input.begin() + offset, give, buffer);
    offset += give;
    return give;
  });
  TMemoryCabSink sink;
  TCabinetWriter::Write(source, sink, SegmentFile());
  EXPECT_TRUE(Parse(sink.Bytes()).Content == input);
  EXPECT_TRUE(sink.Bytes() == MakeCabinet(input, TCabinetOptions()));
}

TEST(CabinetSinks, OverwriteOnlyWhatWasWritten) {
  const uint8_t bytes[4] = {1, 2, 3, 4};
  TMemoryCabSink memory;
  memory.Write(bytes, 4);
  memory.Overwrite(1, bytes, 3);
  EXPECT_EQ(memory.Bytes(), (std::vector<uint8_t>{1, 1, 2, 3}));
  EXPECT_THROW(memory.Overwrite(2, bytes, 3), std::out_of_range);

  const std::string path = TempPath("quillo_writer_sink_test");
  {
    TFileCabSink file(path);
    file.Write(bytes, 4);
    file.Overwrite(0, bytes + 2, 2);
    file.Write(bytes, 1);
    EXPECT_THROW(file.Overwrite(4, bytes, 2), std::out_of_range);
    file.Flush();
  }
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> written{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
  EXPECT_EQ(written, (std::vector<uint8_t>{3, 4, 3, 4, 1}));
  in.close();
  std::remove(path.c_str());
}
