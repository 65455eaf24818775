// Our LZX compressor at each level against wimlib's LZX compressor (levels 100 and 200, one
// block of up to 2 MiB per call) and xz -9, on the demo movie's SegmentDataFiles, on their
// first 2 MiB and on screen-like data. Sizes are LZX payload bytes (what the CFDATA blocks
// carry); speeds are input MB/s of processor time (these machines are shared, and wall time
// counts the neighbours' work too), the best of several runs, all measured in this run. The
// last row adds up the demo's whole files.
// wimlib is only a yardstick here: the product never links it.
#include "TqpackCommands.h"
#include "writer/LzxCompressor.h"

#include "ScreenLikeData.h"

#include <wimlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using TBytes = std::vector<std::uint8_t>;

struct TResult {
  std::size_t Bytes = 0;
  double Seconds = 1e9;
};

// Processor seconds of this process, or of the child processes waited for.
double CpuSeconds(bool children = false) {
  if (!children) return double(std::clock()) / CLOCKS_PER_SEC;
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TBytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const TBytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

TResult Ours(const TBytes& data, NQuillo::ELzxLevel level, int runs) {
  TResult result;
  for (int run = 0; run < runs; ++run) {
    const double start = CpuSeconds();
    NQuillo::TLzxCompressor compressor(NQuillo::NLzx::DefaultWindowBits, level);
    NQuillo::TLzxFrame frame;
    std::size_t bytes = 0;
    for (std::size_t offset = 0; offset < data.size(); offset += 1 << 16) {
      compressor.Write(data.data() + offset, std::min<std::size_t>(1 << 16, data.size() - offset));
      while (compressor.ReadFrame(frame))
        bytes += frame.Data.size();
    }
    compressor.Finish();
    while (compressor.ReadFrame(frame))
      bytes += frame.Data.size();
    result.Seconds = std::min(result.Seconds, CpuSeconds() - start);
    result.Bytes = bytes;
  }
  return result;
}

// One wimlib_compress call per 2 MiB; a block it cannot shrink counts at its own size.
TResult Wimlib(const TBytes& data, unsigned level, int runs) {
  constexpr std::size_t Block = 2u << 20;
  TResult result;
  wimlib_compressor* compressor = nullptr;
  if (wimlib_create_compressor(WIMLIB_COMPRESSION_TYPE_LZX, Block, level, &compressor) != 0)
    return result;
  TBytes out(Block + Block / 8);
  for (int run = 0; run < runs; ++run) {
    const double start = CpuSeconds();
    std::size_t bytes = 0;
    for (std::size_t offset = 0; offset < data.size(); offset += Block) {
      const std::size_t size = std::min(Block, data.size() - offset);
      const std::size_t packed =
          wimlib_compress(data.data() + offset, size, out.data(), out.size(), compressor);
      bytes += packed != 0 ? packed : size;
    }
    result.Seconds = std::min(result.Seconds, CpuSeconds() - start);
    result.Bytes = bytes;
  }
  wimlib_free_compressor(compressor);
  return result;
}

TResult Xz(const fs::path& file, int runs) {
  TResult result;
  const fs::path packed = fs::path(file.string() + ".xz");
  for (int run = 0; run < runs; ++run) {
    const double start = CpuSeconds(true);
    if (std::system(("xz -9 -k -f -T1 '" + file.string() + "'").c_str()) != 0) return {};
    result.Seconds = std::min(result.Seconds, CpuSeconds(true) - start);
    result.Bytes = fs::file_size(packed);
  }
  fs::remove(packed);
  return result;
}

double Ratio(const TResult& a, const TResult& b) {
  return b.Bytes != 0 ? double(a.Bytes) / double(b.Bytes) : 0.0;
}

double Speed(std::size_t bytes, const TResult& r) {
  return double(bytes) / r.Seconds / 1e6;
}

} // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const fs::path folder =
      fs::temp_directory_path() / ("quillo-wimlib-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder / "data");
  std::ostringstream out, err;
  if (NQuillo::RunTqpack({"demo", (folder / "demo.tqf").string()}, out, err) != 0 ||
      NQuillo::RunTqpack({"extract", (folder / "demo.tqf").string(), (folder / "data").string()},
                         out, err) != 0) {
    std::fprintf(stderr, "wimlib_bench: %s\n", err.str().c_str());
    return 1;
  }
  std::vector<std::pair<std::string, TBytes>> inputs;
  std::vector<bool> wholeDemoFile; // the rows that add up to the total of the demo's files
  std::vector<fs::path> demoFiles;
  for (const auto& entry : fs::directory_iterator(folder / "data"))
    demoFiles.push_back(entry.path());
  std::sort(demoFiles.begin(), demoFiles.end());
  for (const fs::path& path : demoFiles) {
    TBytes data = ReadFile(path);
    if (data.size() > (2u << 20)) {
      inputs.emplace_back(path.stem().string() + " 2M",
                          TBytes(data.begin(), data.begin() + (2 << 20)));
      wholeDemoFile.push_back(false);
    }
    inputs.emplace_back(path.stem().string(), std::move(data));
    wholeDemoFile.push_back(true);
  }
  inputs.emplace_back("screen-like 2M", NQuillo::NTest::MakeScreenLikeData(2u << 20, 1));
  TBytes screen = NQuillo::NTest::MakeScreenLikeData(8u << 20, 2);
  inputs.emplace_back("screen-like 8M 2M", TBytes(screen.begin(), screen.begin() + (2 << 20)));
  inputs.emplace_back("screen-like 8M", std::move(screen));
  wholeDemoFile.resize(inputs.size(), false);

  std::printf("sizes in bytes (ours: LZX payload at window 2^20); speeds in MB/s of processor "
              "time, best of %d runs\n",
              runs);
  std::printf("%-24s %9s | %8s %8s %8s | %8s %8s | %8s | %6s %6s | %6s %6s %6s %6s %6s %6s\n",
              "input", "bytes", "fast", "default", "best", "wim100", "wim200", "xz -9", "d/w100",
              "b/w200", "fast", "deflt", "best", "wim100", "wim200", "xz");
  constexpr const char* Row = "%-24s %9zu | %8zu %8zu %8zu | %8zu %8zu | %8zu | %6.3f %6.3f | "
                              "%6.1f %6.1f %6.1f %6.1f %6.1f %6.1f\n";
  std::size_t totalBytes = 0;
  TResult total[6];
  for (TResult& sum : total)
    sum.Seconds = 0;
  for (std::size_t row = 0; row < inputs.size(); ++row) {
    const auto& [name, data] = inputs[row];
    const fs::path file = folder / "input.bin";
    WriteFile(file, data);
    const TResult fast = Ours(data, NQuillo::ELzxLevel::Fast, runs);
    const TResult normal = Ours(data, NQuillo::ELzxLevel::Default, runs);
    const TResult best = Ours(data, NQuillo::ELzxLevel::Best, runs);
    const TResult w100 = Wimlib(data, 100, runs);
    const TResult w200 = Wimlib(data, 200, runs);
    const TResult xz = Xz(file, runs);
    std::printf(Row, name.c_str(), data.size(), fast.Bytes, normal.Bytes, best.Bytes, w100.Bytes,
                w200.Bytes, xz.Bytes, Ratio(normal, w100), Ratio(best, w200),
                Speed(data.size(), fast), Speed(data.size(), normal), Speed(data.size(), best),
                Speed(data.size(), w100), Speed(data.size(), w200), Speed(data.size(), xz));
    std::fflush(stdout);
    if (!wholeDemoFile[row]) continue;
    totalBytes += data.size();
    const TResult* results[6] = {&fast, &normal, &best, &w100, &w200, &xz};
    for (int k = 0; k < 6; ++k) {
      total[k].Bytes += results[k]->Bytes;
      total[k].Seconds += results[k]->Seconds;
    }
  }
  const auto& [fast, normal, best, w100, w200, xz] = total;
  std::printf(Row, "demo files together", totalBytes, fast.Bytes, normal.Bytes, best.Bytes,
              w100.Bytes, w200.Bytes, xz.Bytes, Ratio(normal, w100), Ratio(best, w200),
              Speed(totalBytes, fast), Speed(totalBytes, normal), Speed(totalBytes, best),
              Speed(totalBytes, w100), Speed(totalBytes, w200), Speed(totalBytes, xz));
  fs::remove_all(folder);
  return 0;
}
