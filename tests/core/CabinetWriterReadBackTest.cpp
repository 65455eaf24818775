// Cabinets from our own LZX writer, read back by the player's cabinet reader: libmspack on
// Linux, the platform's cabinet.dll (Wine's) on Windows.
#include "ScreenLikeData.h"
#include "TestSupport.h"
#include "movie/tqCab.h"
#include "writer/CabinetWriter.h"

#include <gtest/gtest.h>

namespace {
// Writes data as a cabinet with one file, extracts it with TtqCabReader, returns what came out.
std::vector<std::uint8_t> RoundTrip(const std::vector<std::uint8_t>& data, unsigned windowBits,
                                    NQuillo::ELzxLevel level = NQuillo::ELzxLevel::Default) {
  NQuillo::TMemoryCabSource source(data.data(), data.size());
  NQuillo::TMemoryCabSink sink;
  NQuillo::TCabinetFile file;
  file.Name = "Segm202412091015300.dat";
  NQuillo::TCabinetOptions options;
  options.LzxWindowBits = windowBits;
  options.LzxLevel = level;
  NQuillo::TCabinetWriter::Write(source, sink, file, options);
  TScratchFolder folder;
  WriteWholeFile(folder / "made.cab", sink.Bytes());
  TtqCabReader reader;
  reader.Extract(folder / "made.cab", folder / "out");
  const std::string extracted = folder / "out" + std::string(1, folder.Path().back()) + file.Name;
  if (!FileExists(extracted)) return {};
  return ReadWholeFile(extracted);
}
} // namespace

TEST(CabinetWriterReadBack, EverySizeAroundAFrameBoundary) {
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{32767},
                                 std::size_t{32768}, std::size_t{32769}}) {
    const auto data = NQuillo::NTest::MakeRandomData(size, static_cast<std::uint32_t>(size) + 1);
    const auto back = RoundTrip(data, 20);
    EXPECT_EQ(back.size(), data.size()) << size;
    EXPECT_TRUE(back == data) << size;
  }
}

TEST(CabinetWriterReadBack, IncompressibleAndCompressibleInput) {
  const auto random = NQuillo::NTest::MakeRandomData(3u << 20, 7);
  EXPECT_TRUE(RoundTrip(random, 20) == random);
  const auto screen = NQuillo::NTest::MakeScreenLikeData(10u << 20, 8);
  EXPECT_TRUE(RoundTrip(screen, 20) == screen);
}

TEST(CabinetWriterReadBack, EveryWindowSize) {
  auto data = NQuillo::NTest::MakeScreenLikeData(3u << 20, 9);
  const auto noise = NQuillo::NTest::MakeRandomData(200000, 10);
  data.insert(data.begin() + 1000000, noise.begin(), noise.end());
  for (unsigned window = 15; window <= 21; ++window) EXPECT_TRUE(RoundTrip(data, window) == data) << window;
  // The other levels at the smallest and largest windows.
  for (const auto level : {NQuillo::ELzxLevel::Fast, NQuillo::ELzxLevel::Best})
    for (unsigned window : {15u, 21u})
      EXPECT_TRUE(RoundTrip(data, window, level) == data) << window << " level " << int(level);
}
