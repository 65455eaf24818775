#include "writer/LzxCompressor.h"

#include "ScreenLikeData.h"
#include "TestLzxDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

using namespace NQuillo;
using NQuillo::NTest::MakeRandomData;
using NQuillo::NTest::MakeScreenLikeData;

namespace {

struct TCompressed {
  std::vector<TLzxFrame> Frames;
  size_t Bytes = 0;
};

TCompressed Compress(const std::vector<uint8_t>& input, unsigned windowBits, size_t chunk,
                     ELzxLevel level = ELzxLevel::Default,
                     const NLzx::TMatcherTuning& tuning = NLzx::TMatcherTuning()) {
  TCompressed result;
  TLzxCompressor compressor(windowBits, level, tuning);
  TLzxFrame frame;
  auto drain = [&] {
    while (compressor.ReadFrame(frame)) {
      result.Bytes += frame.Data.size();
      result.Frames.push_back(std::move(frame));
    }
  };
  for (size_t offset = 0; offset < input.size(); offset += chunk) {
    compressor.Write(input.data() + offset, std::min(chunk, input.size() - offset));
    drain();
  }
  compressor.Finish();
  drain();
  return result;
}

// Decodes and checks the framing rules cabinet readers rely on.
std::vector<uint8_t> Decompress(const TCompressed& compressed, unsigned windowBits) {
  NTest::TTestLzxDecoder decoder(windowBits);
  std::vector<uint8_t> output;
  for (size_t i = 0; i < compressed.Frames.size(); ++i) {
    const TLzxFrame& frame = compressed.Frames[i];
    if (i + 1 < compressed.Frames.size()) {
      EXPECT_EQ(frame.UncompressedSize, 32768u) << "frame " << i;
    }
    EXPECT_GT(frame.UncompressedSize, 0u);
    EXPECT_LE(frame.Data.size(), 32768u + 6144u) << "frame " << i;
    decoder.DecodeFrame(frame.Data.data(), frame.Data.size(), frame.UncompressedSize, output);
  }
  return output;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

void ExpectRoundTrip(const std::vector<uint8_t>& input, unsigned windowBits, size_t chunk,
                     const std::string& what, ELzxLevel level = ELzxLevel::Default) {
  const TCompressed compressed = Compress(input, windowBits, chunk, level);
  EXPECT_EQ(compressed.Frames.size(), (input.size() + 32767) / 32768) << what;
  const auto output = Decompress(compressed, windowBits);
  ASSERT_EQ(output.size(), input.size()) << what;
  EXPECT_TRUE(output == input) << what << ": decoded bytes differ";
}

constexpr ELzxLevel Levels[] = {ELzxLevel::Fast, ELzxLevel::Default, ELzxLevel::Best};

std::string LevelName(ELzxLevel level) {
  return level == ELzxLevel::Fast ? "fast" : level == ELzxLevel::Default ? "default" : "best";
}

} // namespace

TEST(LzxCompressor, RoundTripsBoundarySizes) {
  const auto random = MakeRandomData(70000, 1);
  const auto screen = MakeScreenLikeData(70000, 2);
  for (ELzxLevel level : Levels)
    for (size_t size :
         {0u, 1u, 2u, 3u, 4u, 257u, 258u, 32767u, 32768u, 32769u, 65535u, 65536u, 65537u}) {
      const std::string what = LevelName(level) + " " + std::to_string(size);
      ExpectRoundTrip({random.begin(), random.begin() + size}, 20, 4096, "random " + what, level);
      ExpectRoundTrip({screen.begin(), screen.begin() + size}, 20, 4096, "screen " + what, level);
    }
}

TEST(LzxCompressor, RoundTripsEveryWindowSize) {
  const auto input = Concat({MakeScreenLikeData(1500000, 3), MakeRandomData(100000, 4),
                             std::vector<uint8_t>(200000, 0x55), MakeScreenLikeData(300000, 3)});
  for (ELzxLevel level : Levels)
    for (unsigned bits = 15; bits <= 21; ++bits)
      ExpectRoundTrip(input, bits, 100003, LevelName(level) + " window " + std::to_string(bits),
                      level);
}

TEST(LzxCompressor, OutputDoesNotDependOnHowInputIsChunked) {
  const auto input = MakeScreenLikeData(400000, 5);
  for (ELzxLevel level : Levels) {
    const TCompressed whole = Compress(input, 17, input.size(), level);
    for (size_t chunk : {1u, 7u, 32768u, 32769u}) {
      const TCompressed pieces = Compress(input, 17, chunk, level);
      ASSERT_EQ(pieces.Frames.size(), whole.Frames.size());
      for (size_t i = 0; i < whole.Frames.size(); ++i)
        EXPECT_TRUE(pieces.Frames[i].Data == whole.Frames[i].Data)
            << LevelName(level) << " chunk " << chunk << " frame " << i;
    }
  }
}

TEST(LzxCompressor, HigherLevelsAreSmaller) {
  // Screen-like data with noise between: long and short matches, repeated offsets, literals.
  const auto input = Concat(
      {MakeScreenLikeData(600000, 14), MakeRandomData(3000, 15), MakeScreenLikeData(400000, 16)});
  const size_t fast = Compress(input, 20, 1 << 16, ELzxLevel::Fast).Bytes;
  const size_t normal = Compress(input, 20, 1 << 16, ELzxLevel::Default).Bytes;
  const size_t best = Compress(input, 20, 1 << 16, ELzxLevel::Best).Bytes;
  EXPECT_LT(normal, fast);
  EXPECT_LE(best, normal);
}

TEST(LzxCompressor, OptimalParserTuningExtremesStillDecode) {
  const auto input = Concat({MakeScreenLikeData(300000, 6), MakeRandomData(50000, 6),
                             std::vector<uint8_t>(70000, 0), MakeScreenLikeData(100000, 7)});
  NLzx::TOptimalTuning least;
  least.MaxDepth = 1;
  least.NiceLength = 3;
  least.Passes = 1;
  least.FramesPerGroup = 1;
  NLzx::TOptimalTuning most;
  most.MaxDepth = 1000;
  most.NiceLength = 257;
  most.Passes = 12;
  most.FramesPerGroup = 64;
  for (const auto& tuning : {least, most})
    for (unsigned bits : {15u, 16u, 20u}) {
      TCompressed result;
      TLzxCompressor compressor(bits, tuning);
      compressor.Write(input.data(), input.size());
      compressor.Finish();
      TLzxFrame frame;
      while (compressor.ReadFrame(frame))
        result.Frames.push_back(std::move(frame));
      EXPECT_TRUE(Decompress(result, bits) == input)
          << "depth " << tuning.MaxDepth << " window " << bits;
    }
}

TEST(LzxCompressor, TuningExtremesStillDecode) {
  const auto input = Concat({MakeScreenLikeData(300000, 6), MakeRandomData(50000, 6)});
  NLzx::TMatcherTuning greedy;
  greedy.MaxChain = 1;
  greedy.NiceLength = 3;
  greedy.LazyLimit = 3;
  NLzx::TMatcherTuning thorough;
  thorough.MaxChain = 4096;
  thorough.NiceLength = 257;
  thorough.LazyLimit = 257;
  for (const auto& tuning : {greedy, thorough}) {
    const auto output = Decompress(Compress(input, 16, 65536, ELzxLevel::Fast, tuning), 16);
    EXPECT_TRUE(output == input);
  }
}

TEST(LzxCompressor, IncompressibleInputBarelyGrows) {
  const auto input = MakeRandomData(1 << 20, 7);
  const TCompressed compressed = Compress(input, 20, 1 << 16);
  // A stored block costs its header, padding and the three repeated offsets.
  EXPECT_LE(compressed.Bytes, input.size() + compressed.Frames.size() * 20);
  EXPECT_TRUE(Decompress(compressed, 20) == input);
}

TEST(LzxCompressor, RedundantInputShrinks) {
  const std::vector<uint8_t> zeros(4 << 20, 0);
  const TCompressed compressedZeros = Compress(zeros, 20, 1 << 20);
  EXPECT_LT(compressedZeros.Bytes, zeros.size() / 200);
  EXPECT_TRUE(Decompress(compressedZeros, 20) == zeros);

  const auto screen = MakeScreenLikeData(4 << 20, 8);
  const TCompressed compressedScreen = Compress(screen, 20, 1 << 20);
  EXPECT_LT(compressedScreen.Bytes, screen.size() / 10);
}

TEST(LzxCompressor, MatchesReachAcrossTheWholeWindowButNoFurther) {
  // A random block repeated at a distance: compressible exactly when the window reaches it.
  for (unsigned bits : {15u, 17u, 20u}) {
    const size_t window = size_t{1} << bits;
    const auto block = MakeRandomData(20000, 9);
    for (size_t gap : {window - 3 - block.size(), window + 1000}) {
      const auto input = Concat({block, MakeRandomData(gap, 10), block});
      const TCompressed compressed = Compress(input, bits, 1 << 16);
      const bool reachable = gap + block.size() <= window - 3;
      if (reachable) {
        EXPECT_LT(compressed.Bytes, input.size() - block.size() / 2) << bits << " gap " << gap;
      } else {
        EXPECT_GT(compressed.Bytes, input.size()) << bits << " gap " << gap;
      }
      EXPECT_TRUE(Decompress(compressed, bits) == input) << bits << " gap " << gap;
    }
  }
}

TEST(LzxCompressor, UsesEveryBlockTypeWhereItPays) {
  // 32-bit pixels repeat at distances that are multiples of 4: aligned-offset blocks win.
  std::mt19937 random(11);
  std::vector<uint8_t> pixels;
  while (pixels.size() < (3u << 20)) {
    if (pixels.size() < 16384 || random() % 4 == 0) {
      for (int k = 0; k < 4; ++k)
        pixels.push_back(static_cast<uint8_t>(random()));
      continue;
    }
    const size_t distance = 4 * (1 + random() % 4000);
    const size_t length = 4 * (1 + random() % 4);
    for (size_t k = 0; k < length; ++k)
      pixels.push_back(pixels[pixels.size() - distance]);
  }
  const auto input = Concat({pixels, MakeRandomData(200000, 12), MakeScreenLikeData(500000, 13)});
  const TCompressed compressed = Compress(input, 20, 1 << 16);
  NTest::TTestLzxDecoder decoder(20);
  std::vector<uint8_t> output;
  for (const auto& frame : compressed.Frames)
    decoder.DecodeFrame(frame.Data.data(), frame.Data.size(), frame.UncompressedSize, output);
  EXPECT_TRUE(output == input);
  EXPECT_GT(decoder.BlockCounts()[1], 0u) << "verbatim";
  EXPECT_GT(decoder.BlockCounts()[2], 0u) << "aligned";
  EXPECT_GT(decoder.BlockCounts()[3], 0u) << "uncompressed";
}

TEST(LzxCompressor, RejectsMisuse) {
  EXPECT_THROW(TLzxCompressor(14), std::invalid_argument);
  EXPECT_THROW(TLzxCompressor(22), std::invalid_argument);
  EXPECT_EQ(TLzxCompressor(20).FolderCompressionType(), 0x1403);
  EXPECT_EQ(TLzxCompressor(15).FolderCompressionType(), 0x0F03);
  TLzxCompressor compressor(15);
  const uint8_t byte = 1;
  compressor.Write(&byte, 1);
  compressor.Finish();
  EXPECT_THROW(compressor.Write(&byte, 1), std::logic_error);
  EXPECT_EQ(compressor.BytesIn(), 1u);
}
