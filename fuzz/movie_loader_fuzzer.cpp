// Feeds arbitrary bytes to the movie loader as a movie file: it must load, pass over or refuse
// with a message, never crash or hang, and leave only the segments' frame files behind.
#include "engine/UtqPlayerState.h"
#include "movie/tqMovieLoader.h"
#include "movie/tqSegments.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
const fs::path& Sandbox() {
  static const fs::path folder = [] {
    fs::path p = fs::temp_directory_path() / ("quillo-movie-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(p / "temp");
    return p;
  }();
  return folder;
}

void IgnoreWarning(const std::string&) {}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (256u << 10)) return 0;
  TempFolder = (Sandbox() / "temp").string() + "/";
  ShowLoadWarning = IgnoreWarning;
  const fs::path movie = Sandbox() / "movie.tqf";
  {
    TtqFileStream file(movie.string(), TtqFileStream::ModeCreate);
    file.Write(data, static_cast<std::int32_t>(size));
  }
  TSegmentList list;
  SegmentList = &list;
  try {
    TtqFileStream stream(movie.string(), TtqFileStream::ModeRead);
    LoadMovie(&stream);
  } catch (const Exception&) {
    // A damaged movie is refused with a message; that is an allowed outcome.
  }
  for (const auto& entry : fs::directory_iterator(Sandbox() / "temp"))
    if (entry.path().filename().string().rfind("PVideo", 0) != 0) std::abort();
  list.Clear();
  SegmentList = nullptr;
  if (!fs::is_empty(Sandbox() / "temp")) std::abort();
  return 0;
}
