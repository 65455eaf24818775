// Throughput of the LZX compressor and the cabinet writer on screen-like, text-like and
// random input. Bytes per second are counted on the uncompressed side.
#include "writer/CabinetWriter.h"
#include "writer/LzxCompressor.h"

#include "ScreenLikeData.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace NQuillo;

std::vector<uint8_t> TextLikeData(size_t size) {
  static const char* const words[] = {"frame", "window", "cursor", "record", "movie",   "segment",
                                      "the",   "a",      "of",     "screen", "capture", "\n"};
  std::vector<uint8_t> out;
  uint32_t state = 1;
  while (out.size() < size) {
    state = state * 1103515245u + 12345u;
    const std::string word = words[(state >> 16) % 12];
    out.insert(out.end(), word.begin(), word.end());
    out.push_back(' ');
  }
  out.resize(size);
  return out;
}

const std::vector<uint8_t>& Input(int kind) {
  static const std::vector<uint8_t> screen = NTest::MakeScreenLikeData(16 << 20, 1);
  static const std::vector<uint8_t> text = TextLikeData(8 << 20);
  static const std::vector<uint8_t> random = NTest::MakeRandomData(8 << 20, 2);
  return kind == 0 ? screen : kind == 1 ? text : random;
}

void Compress(benchmark::State& state) {
  const auto& input = Input(static_cast<int>(state.range(0)));
  const auto windowBits = static_cast<unsigned>(state.range(1));
  size_t compressed = 0;
  for (auto _ : state) {
    TLzxCompressor compressor(windowBits);
    TLzxFrame frame;
    compressed = 0;
    for (size_t offset = 0; offset < input.size(); offset += 1 << 16) {
      compressor.Write(input.data() + offset, std::min<size_t>(1 << 16, input.size() - offset));
      while (compressor.ReadFrame(frame))
        compressed += frame.Data.size();
    }
    compressor.Finish();
    while (compressor.ReadFrame(frame))
      compressed += frame.Data.size();
    benchmark::DoNotOptimize(compressed);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
  state.counters["ratio"] = static_cast<double>(compressed) / static_cast<double>(input.size());
}

void WriteCabinet(benchmark::State& state) {
  const auto& input = Input(0);
  TCabinetFile file;
  file.Name = "Segm000000000000001.dat";
  for (auto _ : state) {
    TMemoryCabSource source(input.data(), input.size());
    TMemoryCabSink sink;
    benchmark::DoNotOptimize(TCabinetWriter::Write(source, sink, file).CabinetBytes);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}

} // namespace

// Arguments: input kind (0 screen-like, 1 text-like, 2 random) and window bits.
BENCHMARK(Compress)
    ->ArgsProduct({{0, 1, 2}, {20}})
    ->Args({0, 15})
    ->Args({0, 21})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(WriteCabinet)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
