// Loading a movie shaped like a recorder's (two segments of 1024 x 735 at 32 bits, 406 and 1084
// frames, 63 and 193 cursor shapes, LZX cabinets with a 2^20 window) against cabextract
// unpacking the same two cabinets, in the same run. The loader also copies each cabinet out of
// the movie and splits the data file, so the ratio shows what all that costs beyond unpacking.
#include "engine/UtqPlayerState.h"
#include "movie/tqMovieLoader.h"
#include "movie/tqSegments.h"
#include "writer/CabinetWriter.h"

#include "ScreenLikeData.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
void Put8(std::vector<std::uint8_t>& out, std::uint32_t v) { out.push_back(static_cast<std::uint8_t>(v)); }
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) Put8(out, v >> (8 * i));
}

struct TBenchMovie {
  fs::path Folder;
  fs::path MoviePath;
  std::vector<fs::path> Cabinets;
};

std::vector<std::uint8_t> CursorRecord(std::uint32_t seed) {
  std::vector<std::uint8_t> r;
  Put32(r, 10);
  Put32(r, 10);
  Put32(r, 256);
  Put32(r, 32);
  Put32(r, 64);
  Put8(r, 1);
  for (std::uint32_t i = 0; i < 256; ++i) Put8(r, seed * 7 + i * 13);
  Put32(r, 0);
  Put32(r, 0);
  Put32(r, 0);
  Put8(r, 32);
  return r;
}

const TBenchMovie& Movie() {
  static const TBenchMovie movie = [] {
    TBenchMovie m;
    m.Folder = fs::temp_directory_path() / ("quillo-loader-bench-" + std::to_string(::getpid()));
    fs::create_directories(m.Folder / "temp");
    const int frames[] = {406, 1084}, cursors[] = {63, 193}, sizes[] = {1894828, 5256142};
    std::vector<std::vector<std::uint8_t>> segments;
    for (int s = 0; s < 2; ++s) {
      std::vector<std::uint8_t> data;
      const std::string name = "Segment " + std::to_string(s + 1);
      Put32(data, static_cast<std::uint32_t>(name.size() + 1));
      Put8(data, static_cast<std::uint32_t>(name.size()));
      data.insert(data.end(), name.begin(), name.end());
      for (int c = 0; c < cursors[s]; ++c) {
        const auto record = CursorRecord(static_cast<std::uint32_t>(c));
        data.insert(data.end(), record.begin(), record.end());
      }
      const auto frameBytes = NQuillo::NTest::MakeScreenLikeData(static_cast<std::size_t>(sizes[s]), 7u + s);
      data.insert(data.end(), frameBytes.begin(), frameBytes.end());
      for (int f = 0; f < frames[s] * 6; ++f) Put8(data, static_cast<std::uint32_t>(f / 6 % 200));

      NQuillo::TMemoryCabSource source(data.data(), data.size());
      NQuillo::TMemoryCabSink sink;
      NQuillo::TCabinetFile file;
      file.Name = "Segm20241209101530" + std::to_string(s) + ".dat";
      NQuillo::TCabinetWriter::Write(source, sink, file);
      const auto& cab = sink.Bytes();
      m.Cabinets.push_back(m.Folder / ("segment" + std::to_string(s) + ".cab"));
      std::FILE* out = std::fopen(m.Cabinets.back().c_str(), "wb");
      std::fwrite(cab.data(), 1, cab.size(), out);
      std::fclose(out);

      std::vector<std::uint8_t> blob;
      Put8(blob, 0);
      Put32(blob, 1024);
      Put32(blob, 735);
      Put8(blob, 32);
      const float rate = 10.0f;
      std::uint32_t rateBits;
      std::memcpy(&rateBits, &rate, 4);
      Put32(blob, rateBits);
      Put32(blob, 0);
      Put32(blob, static_cast<std::uint32_t>(frames[s]));
      Put32(blob, static_cast<std::uint32_t>(cursors[s]));
      Put32(blob, static_cast<std::uint32_t>(frames[s] * 6));
      Put32(blob, 0);
      Put32(blob, static_cast<std::uint32_t>(sizes[s]));
      Put32(blob, static_cast<std::uint32_t>(cab.size()));
      Put32(blob, 54);
      Put32(blob, 0);
      Put32(blob, static_cast<std::uint32_t>(54 + cab.size() + 4));
      blob.insert(blob.end(), cab.begin(), cab.end());
      Put32(blob, 0);
      segments.push_back(std::move(blob));
    }
    std::vector<std::uint8_t> bytes;
    Put32(bytes, 2);
    Put32(bytes, 16);
    Put8(bytes, 1);
    Put8(bytes, 0);
    Put32(bytes, static_cast<std::uint32_t>(16 + segments[0].size()));
    Put8(bytes, 1);
    Put8(bytes, 0);
    for (const auto& s : segments) bytes.insert(bytes.end(), s.begin(), s.end());
    m.MoviePath = m.Folder / "movie.tqf";
    std::FILE* out = std::fopen(m.MoviePath.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
    return m;
  }();
  return movie;
}

void LoadMovieBench(benchmark::State& state) {
  const TBenchMovie& m = Movie();
  TempFolder = (m.Folder / "temp").string() + "/";
  TSegmentList list;
  SegmentList = &list;
  for (auto _ : state) {
    list.Clear();
    TtqFileStream stream(m.MoviePath.string(), TtqFileStream::ModeRead);
    if (!LoadMovie(&stream) || list.Count() != 2) state.SkipWithError("the movie did not load");
  }
  list.Clear();
  SegmentList = nullptr;
}

void CabextractBench(benchmark::State& state) {
  const TBenchMovie& m = Movie();
  const fs::path out = m.Folder / "cabextract";
  const std::string command = "cabextract -q -d '" + out.string() + "' '" + m.Cabinets[0].string() +
                              "' '" + m.Cabinets[1].string() + "'";
  for (auto _ : state) {
    fs::remove_all(out);
    if (std::system(command.c_str()) != 0) state.SkipWithError("cabextract failed");
  }
}

BENCHMARK(LoadMovieBench)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(CabextractBench)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Keeps each benchmark's time per iteration so that the ratio can be printed at the end.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.iterations > 0)
        Seconds[run.benchmark_name()] = run.real_accumulated_time / static_cast<double>(run.iterations);
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> Seconds;
};
} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double load = reporter.Seconds["LoadMovieBench/min_time:2.000/real_time"];
  const double cabextract = reporter.Seconds["CabextractBench/min_time:2.000/real_time"];
  if (load > 0 && cabextract > 0)
    std::printf("LoadMovie / cabextract on the same cabinets: %.2f\n", load / cabextract);
  fs::remove_all(Movie().Folder);
  return 0;
}
