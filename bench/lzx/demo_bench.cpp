// The LZX writer on the demo movie's SegmentDataFiles, the input it exists for: cabinet size
// against gcab's MSZIP cabinet and xz -9 of the same file, and compression throughput. All
// figures come from this run.
#include "TqpackCommands.h"
#include "writer/CabinetWriter.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
std::vector<std::uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::uintmax_t SizeAfter(const std::string& command, const fs::path& result) {
  if (std::system(command.c_str()) != 0) return 0;
  return fs::exists(result) ? fs::file_size(result) : 0;
}
} // namespace

int main() {
  const fs::path folder = fs::temp_directory_path() / ("quillo-demo-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder / "data");
  std::ostringstream out, err;
  if (NQuillo::RunTqpack({"demo", (folder / "demo.tqf").string()}, out, err) != 0 ||
      NQuillo::RunTqpack({"extract", (folder / "demo.tqf").string(), (folder / "data").string()},
                         out, err) != 0) {
    std::fprintf(stderr, "demo_bench: %s\n", err.str().c_str());
    return 1;
  }
  std::uintmax_t allInput = 0, allLzx = 0, allMszip = 0, allXz = 0;
  double allSeconds = 0;
  std::printf("%-28s %10s %9s %9s %9s %8s %8s %8s\n", "SegmentDataFile", "bytes", "LZX", "MSZIP",
              "xz -9", "LZX/ZIP", "LZX/xz", "MB/s");
  for (const auto& entry : fs::directory_iterator(folder / "data")) {
    const auto data = ReadFile(entry.path());
    // The best of three runs, so that a busy machine does not count against the writer.
    double best = 1e9;
    std::size_t lzx = 0;
    for (int run = 0; run < 3; ++run) {
      NQuillo::TMemoryCabSource source(data.data(), data.size());
      NQuillo::TMemoryCabSink sink;
      NQuillo::TCabinetFile file;
      file.Name = entry.path().filename().string();
      const auto start = std::chrono::steady_clock::now();
      NQuillo::TCabinetWriter::Write(source, sink, file);
      best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
      lzx = sink.Bytes().size();
    }
    const std::string name = entry.path().string();
    const fs::path zip = folder / "mszip.cab", xz = fs::path(name + ".xz");
    fs::remove(zip);
    const auto mszip = SizeAfter("gcab -c -z -n '" + zip.string() + "' '" + name + "' >/dev/null", zip);
    const auto xzSize = SizeAfter("xz -9 -k -f '" + name + "'", xz);
    std::printf("%-28s %10zu %9zu %9ju %9ju %8.3f %8.3f %8.1f\n", entry.path().filename().c_str(),
                data.size(), lzx, mszip, xzSize, mszip ? double(lzx) / double(mszip) : 0.0,
                xzSize ? double(lzx) / double(xzSize) : 0.0, double(data.size()) / best / 1e6);
    allInput += data.size();
    allLzx += lzx;
    allMszip += mszip;
    allXz += xzSize;
    allSeconds += best;
  }
  std::printf("%-28s %10ju %9ju %9ju %9ju %8.3f %8.3f %8.1f\n", "all", allInput, allLzx, allMszip,
              allXz, allMszip ? double(allLzx) / double(allMszip) : 0.0,
              allXz ? double(allLzx) / double(allXz) : 0.0, double(allInput) / allSeconds / 1e6);
  fs::remove_all(folder);
  return 0;
}
