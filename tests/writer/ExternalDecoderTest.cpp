// Cabinets checked by other programs' readers: cabextract (libmspack) and bsdtar (libarchive).
#include "writer/CabChecksum.h"
#include "writer/CabinetWriter.h"

#include "ScreenLikeData.h"
#include "TestLzxDecoder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

using namespace NQuillo;
using NQuillo::NTest::MakeRandomData;
using NQuillo::NTest::MakeScreenLikeData;

namespace {

namespace fs = std::filesystem;

struct TRun {
  int Status = -1;
  std::vector<uint8_t> Output;
};

TRun RunCommand(const std::string& command) {
  TRun run;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return run;
  uint8_t buffer[1 << 16];
  size_t got;
  while ((got = fread(buffer, 1, sizeof(buffer), pipe)) != 0)
    run.Output.insert(run.Output.end(), buffer, buffer + got);
  const int status = pclose(pipe);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

bool HaveTool(const std::string& name) {
  return RunCommand("command -v " + name).Status == 0;
}

class TScratchDir {
public:
  TScratchDir()
      : Path(fs::temp_directory_path() / ("quillo_writer_ext_" + std::to_string(::getpid()) + "_" +
                                          std::to_string(std::random_device()()))) {
    fs::create_directories(Path);
  }
  ~TScratchDir() {
    std::error_code ignored;
    fs::remove_all(Path, ignored);
  }
  std::string File(const std::string& name) const { return (Path / name).string(); }

private:
  fs::path Path;
};

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string MakeCabinetFile(const TScratchDir& dir, const std::string& name,
                            const std::vector<uint8_t>& input, ECabCompression compression,
                            unsigned windowBits, ELzxLevel level = ELzxLevel::Default) {
  TCabinetOptions options;
  options.Compression = compression;
  options.LzxWindowBits = windowBits;
  options.LzxLevel = level;
  TCabinetFile file;
  file.Name = "Segm000000000000001.dat";
  file.DosDate = TCabinetWriter::MakeDosDate(2023, 11, 2);
  file.DosTime = TCabinetWriter::MakeDosTime(9, 15, 0);
  const std::string path = dir.File(name);
  TMemoryCabSource source(input.data(), input.size());
  TFileCabSink sink(path);
  TCabinetWriter::Write(source, sink, file, options);
  sink.Flush();
  return path;
}

void ExpectBothDecodersExtract(const std::string& cab, const std::vector<uint8_t>& input,
                               const std::string& what) {
  const TRun test = RunCommand("cabextract -q -t '" + cab + "'");
  EXPECT_EQ(test.Status, 0) << what << ": cabextract -t rejects the cabinet";
  const TRun mspack = RunCommand("cabextract -q -p '" + cab + "'");
  EXPECT_EQ(mspack.Status, 0) << what;
  EXPECT_TRUE(mspack.Output == input)
      << what << ": cabextract output differs (" << mspack.Output.size() << " bytes)";
  const TRun libarchive = RunCommand("bsdtar -xOf '" + cab + "'");
  EXPECT_EQ(libarchive.Status, 0) << what;
  EXPECT_TRUE(libarchive.Output == input)
      << what << ": bsdtar output differs (" << libarchive.Output.size() << " bytes)";
}

class TExternalDecoders : public ::testing::Test {
protected:
  void SetUp() override {
    if (!HaveTool("cabextract") || !HaveTool("bsdtar"))
      GTEST_SKIP() << "cabextract and bsdtar are needed";
  }
  TScratchDir Dir;
};

constexpr ELzxLevel Levels[] = {ELzxLevel::Fast, ELzxLevel::Default, ELzxLevel::Best};

std::string LevelName(ELzxLevel level) {
  return level == ELzxLevel::Fast ? "fast" : level == ELzxLevel::Default ? "default" : "best";
}

} // namespace

TEST_F(TExternalDecoders, ExtractRandomDataOfBoundarySizes) {
  const auto random = MakeRandomData(3000000, 21);
  const auto screen = MakeScreenLikeData(100000, 27);
  for (size_t size : {0u, 1u, 32767u, 32768u, 32769u, 3000000u}) {
    const std::vector<uint8_t> input(random.begin(), random.begin() + size);
    const std::string what = "random " + std::to_string(size);
    ExpectBothDecodersExtract(MakeCabinetFile(Dir, "r.cab", input, ECabCompression::Lzx, 20), input,
                              what);
    ExpectBothDecodersExtract(MakeCabinetFile(Dir, "s.cab", input, ECabCompression::None, 20),
                              input, what + " stored");
  }
  for (size_t size : {1u, 2u, 3u, 258u, 32767u, 32768u, 32769u, 65536u, 100000u})
    for (ELzxLevel level : Levels) {
      const std::vector<uint8_t> input(screen.begin(), screen.begin() + size);
      ExpectBothDecodersExtract(
          MakeCabinetFile(Dir, "e.cab", input, ECabCompression::Lzx, 20, level), input,
          "screen-like " + std::to_string(size) + " " + LevelName(level));
    }
}

TEST_F(TExternalDecoders, ExtractScreenLikeDataAndBeatMszip) {
  const auto input = MakeScreenLikeData(10000000, 22);
  const std::string cab = MakeCabinetFile(Dir, "screen.cab", input, ECabCompression::Lzx, 20);
  ExpectBothDecodersExtract(cab, input, "screen-like 10 MB");
  if (!HaveTool("gcab")) GTEST_SKIP() << "gcab is needed for the MSZIP comparison";
  WriteFile(Dir.File("Segm000000000000001.dat"), input);
  ASSERT_EQ(RunCommand("cd '" + Dir.File("") + "' && gcab -c -z mszip.cab Segm000000000000001.dat")
                .Status,
            0);
  const auto lzxBytes = fs::file_size(cab);
  const auto mszipBytes = fs::file_size(Dir.File("mszip.cab"));
  EXPECT_LE(lzxBytes * 100, mszipBytes * 85) << "LZX " << lzxBytes << " vs MSZIP " << mszipBytes;
}

TEST_F(TExternalDecoders, ExtractEveryWindowSize) {
  std::vector<uint8_t> input = MakeScreenLikeData(1600000, 23);
  const auto noise = MakeRandomData(150000, 24);
  input.insert(input.end(), noise.begin(), noise.end());
  input.insert(input.end(), 300000, 0xAB);
  const auto tail = MakeScreenLikeData(400000, 23);
  input.insert(input.end(), tail.begin(), tail.end());
  for (unsigned bits = 15; bits <= 21; ++bits)
    for (ELzxLevel level : Levels) {
      const std::string cab =
          MakeCabinetFile(Dir, "w.cab", input, ECabCompression::Lzx, bits, level);
      ExpectBothDecodersExtract(cab, input,
                                "window " + std::to_string(bits) + " " + LevelName(level));
    }
}

TEST_F(TExternalDecoders, ExtractARecordingOfTyping) {
  const TRun unpacked = RunCommand("xz -dc '" QUILLO_WRITER_TEST_DATA "/typing-segment.dat.xz'");
  ASSERT_EQ(unpacked.Status, 0) << "xz is needed";
  ASSERT_EQ(unpacked.Output.size(), 280000u);
  for (ELzxLevel level : Levels) {
    const std::string cab =
        MakeCabinetFile(Dir, "t.cab", unpacked.Output, ECabCompression::Lzx, 20, level);
    ExpectBothDecodersExtract(cab, unpacked.Output, "typing " + LevelName(level));
  }
}

TEST_F(TExternalDecoders, CabinfoFindsNoProblems) {
  const auto input = MakeScreenLikeData(700000, 25);
  const std::string cab = MakeCabinetFile(Dir, "info.cab", input, ECabCompression::Lzx, 20);
  const TRun info = RunCommand("python3 '" QUILLO_CAB_TEST_DATA "/cabinfo.py' '" + cab + "'");
  ASSERT_EQ(info.Status, 0);
  const std::string json(info.Output.begin(), info.Output.end());
  EXPECT_NE(json.find("\"problems\": []"), std::string::npos) << json;
  EXPECT_NE(json.find("\"bad\": 0"), std::string::npos) << json;
  EXPECT_NE(json.find("\"ok\": 22"), std::string::npos) << json;
  EXPECT_NE(json.find("\"typeCompress\": \"0x1403\""), std::string::npos) << json;
}

TEST_F(TExternalDecoders, ChecksumAgreesWithCabinfo) {
  const auto data = MakeRandomData(5000, 26);
  WriteFile(Dir.File("sum.bin"), data);
  const std::vector<size_t> sizes = {0, 1, 2, 3, 4, 5, 6, 7, 8, 4999, 5000};
  std::string list;
  for (size_t size : sizes)
    list += std::to_string(size) + ",";
  const TRun python = RunCommand(
      "python3 -c \"import sys; sys.path.insert(0, '" QUILLO_CAB_TEST_DATA "'); import cabinfo; "
      "d = open('" +
      Dir.File("sum.bin") +
      "', 'rb').read(); "
      "print(' '.join(str(cabinfo.cab_checksum(d[:n], 305419896)) for n in [" +
      list + "]))\"");
  ASSERT_EQ(python.Status, 0);
  std::istringstream expected(std::string(python.Output.begin(), python.Output.end()));
  for (size_t size : sizes) {
    uint32_t value = 0;
    ASSERT_TRUE(expected >> value) << "cabinfo printed too little";
    EXPECT_EQ(CabChecksum(data.data(), size, 305419896u), value) << size << " bytes";
  }
}

TEST_F(TExternalDecoders, TestDecoderReadsAThirdPartyLzxFolder) {
  // Guards the in-process decoder the other tests lean on: a stream from another encoder.
  const auto cab = ReadFile(QUILLO_CAB_TEST_DATA "/libmspack/mszip_lzx_qtm.cab");
  ASSERT_GT(cab.size(), 250u);
  auto le16 = [&](size_t at) { return static_cast<uint16_t>(cab[at] | cab[at + 1] << 8); };
  const size_t folder = 36 + 8; // the second CFFOLDER
  ASSERT_EQ(le16(folder + 6) & 0xF, 3);
  const size_t data = le16(folder) | size_t{le16(folder + 2)} << 16;
  NTest::TTestLzxDecoder decoder((le16(folder + 6) >> 8) & 0x1F, true);
  std::vector<uint8_t> output;
  decoder.DecodeFrame(cab.data() + data + 8, le16(data + 4), le16(data + 6), output);
  const TRun expected = RunCommand("cabextract -q -p -F lzx.txt '" QUILLO_CAB_TEST_DATA
                                   "/libmspack/mszip_lzx_qtm.cab'");
  EXPECT_TRUE(output == expected.Output);
}
