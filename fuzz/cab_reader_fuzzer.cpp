// Feeds arbitrary bytes to the cabinet reader as a cabinet file: listing and extraction must
// end without a crash, a hang or a write outside the destination folder.
#include "movie/tqCab.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
const fs::path& Sandbox() {
  static const fs::path folder = [] {
    fs::path p = fs::temp_directory_path() / ("quillo-cab-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(p);
    return p;
  }();
  return folder;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  const fs::path cab = Sandbox() / "input.cab";
  const fs::path out = Sandbox() / "out" / "dest";
  fs::remove_all(Sandbox() / "out");
  fs::create_directories(out);
  {
    TtqFileStream file(cab.string(), TtqFileStream::ModeCreate);
    file.Write(data, static_cast<std::int32_t>(size));
  }
  try {
    TtqCabReader reader;
    reader.ListFiles(cab.string(), [](TtqCabReader&, const std::string&, std::int32_t,
                                      std::uint16_t, std::uint16_t, std::uint16_t, std::uint16_t,
                                      bool&) {});
  } catch (const Exception&) {
    // Damaged headers are reported as errors; that is an allowed outcome.
  }
  try {
    TtqCabReader reader;
    reader.Extract(cab.string(), out.string());
  } catch (const Exception&) {
  }
  // Whatever was extracted must lie below the destination.
  for (const auto& entry : fs::directory_iterator(Sandbox() / "out"))
    if (entry.path() != out) std::abort();
  return 0;
}
