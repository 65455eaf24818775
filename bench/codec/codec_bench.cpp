// Decoding a 32-bit frame (run expansion into the XOR frame, then the XOR into the picture in
// memory) against memcpy of the same number of picture bytes, in the same run, at 1024 x 735
// and 1920 x 1080. Three records: a typical one (a few small areas changed), an unchanged one
// (runs of 65535 zeros) and the worst one (a run for every pixel). The ratios are printed at
// the end.
#include "engine/UtqFrameCodec.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <time.h>
#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;

struct TSize {
  std::int32_t Width, Height;
};
constexpr TSize Sizes[] = {{1024, 735}, {1920, 1080}};

enum TKind { kTypical, kUnchanged, kWorst };
const char* const KindNames[] = {"Typical", "Unchanged", "Worst"};

std::string SizeName(const TSize& s) {
  return std::to_string(s.Width) + "x" + std::to_string(s.Height);
}

// Runs of equal XOR values, at most 65535 long, carried over row ends.
TBytes Record(const std::vector<std::uint32_t>& xorValues) {
  TBytes r(8);
  std::uint32_t runs = 0;
  for (std::size_t i = 0; i < xorValues.size();) {
    std::size_t n = 1;
    while (i + n < xorValues.size() && xorValues[i + n] == xorValues[i] && n < 65535)
      ++n;
    const std::uint32_t v = xorValues[i];
    r.insert(r.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                       static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(n),
                       static_cast<std::uint8_t>(n >> 8)});
    ++runs;
    i += n;
  }
  const std::uint32_t size = static_cast<std::uint32_t>(r.size());
  for (int k = 0; k < 4; ++k) {
    r[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(size >> (8 * k));
    r[static_cast<std::size_t>(4 + k)] = static_cast<std::uint8_t>(runs >> (8 * k));
  }
  return r;
}

TBytes MakeRecord(const TSize& s, TKind kind) {
  const std::size_t w = static_cast<std::size_t>(s.Width), h = static_cast<std::size_t>(s.Height);
  std::vector<std::uint32_t> x(w * h, 0);
  std::uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  if (kind == kWorst) {
    for (std::size_t i = 0; i < x.size(); ++i)
      x[i] = (i & 1) ? 0x102030u : 0x405060u;
  } else if (kind == kTypical) {
    // A line of text being typed, a clock, a cursor-sized area and a button.
    const std::size_t areas[][4] = {
        {40, 100, 300, 16}, {w - 80, h - 24, 60, 16}, {500, 400, 32, 32}, {200, 600, 90, 24}};
    for (const auto& a : areas)
      for (std::size_t y = a[1]; y < a[1] + a[3]; ++y)
        for (std::size_t c = a[0]; c < a[0] + a[2]; ++c)
          x[y * w + c] = (next() >> 20) % 3 == 0 ? (next() >> 8) & 0xFFFFFFu : 0;
  }
  return Record(x);
}

struct TFrameBuffers {
  explicit TFrameBuffers(const TSize& s) {
    if (!MakeFrameGeometry(s.Width, s.Height, 32, Geometry)) std::abort();
    XorFrame.assign(Geometry.XorFrameBytes(), 0);
    Picture.assign(Geometry.PictureBytes(), 0x40);
  }
  TFrameGeometry Geometry;
  TBytes XorFrame, Picture;
};

// This thread's processor time: on a shared machine, time spent waiting for a processor is
// no part of what is measured.
double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Median(std::vector<double> v) {
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

// Each iteration decodes and applies the record, then copies a frame of the same size with
// memcpy, so that both meet the same conditions; the medians of their processor times are
// compared.
void DecodeAndApply(benchmark::State& state, TSize size, TKind kind) {
  const TBytes record = MakeRecord(size, kind);
  TFrameBuffers f(size);
  const TBytes source(f.Picture.size(), 0x11);
  TBytes copy(f.Picture.size(), 0);
  std::vector<double> decodeSeconds, copySeconds;
  for (auto _ : state) {
    const double start = ThreadSeconds();
    const TUnpackResult r = ExpandFrameRecord(record.data(), record.size(), f.Geometry,
                                              f.XorFrame.data(), f.XorFrame.size());
    ApplyXorFrameInMemory(f.XorFrame.data(), f.XorFrame.size(), f.Picture.data(), f.Picture.size(),
                          f.Geometry);
    benchmark::DoNotOptimize(f.Picture.data());
    benchmark::ClobberMemory();
    const double decoded = ThreadSeconds();
    std::memcpy(copy.data(), source.data(), source.size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
    const double copied = ThreadSeconds();
    if (r != urComplete) state.SkipWithError("the record did not cover the picture");
    decodeSeconds.push_back(decoded - start);
    copySeconds.push_back(copied - decoded);
    state.SetIterationTime(decodeSeconds.back());
  }
  if (decodeSeconds.empty()) return;
  const double decode = Median(decodeSeconds), memcpyTime = Median(copySeconds);
  state.counters["decode_us"] = decode * 1e6;
  state.counters["memcpy_us"] = memcpyTime * 1e6;
  state.counters["x_memcpy"] = decode / memcpyTime;
  state.counters["record_bytes"] = static_cast<double>(record.size());
}

// Keeps each benchmark's ratio for the summary printed at the end.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto ratio = run.counters.find("x_memcpy");
      if (run.iterations > 0 && !run.error_occurred && ratio != run.counters.end())
        Ratios[run.run_name.function_name] = ratio->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> Ratios;
};

} // namespace

int main(int argc, char** argv) {
  for (const TSize& s : Sizes)
    for (TKind kind : {kTypical, kUnchanged, kWorst})
      benchmark::RegisterBenchmark((std::string(KindNames[kind]) + "/" + SizeName(s)).c_str(),
                                   DecodeAndApply, s, kind)
          ->UseManualTime()
          ->Unit(benchmark::kMicrosecond)
          ->MinTime(2.0);
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double goals[] = {2, 2, 25};
  std::printf("\nDecode + apply at 32 bits as a multiple of memcpy of the same frame\n"
              "(medians of thread processor time):\n");
  for (const TSize& s : Sizes)
    for (TKind kind : {kTypical, kUnchanged, kWorst}) {
      const auto ratio = reporter.Ratios.find(std::string(KindNames[kind]) + "/" + SizeName(s));
      if (ratio != reporter.Ratios.end())
        std::printf("  %-9s %-9s %6.2fx  (goal %2.0fx)\n", KindNames[kind], SizeName(s).c_str(),
                    ratio->second, goals[kind]);
    }
  return 0;
}
