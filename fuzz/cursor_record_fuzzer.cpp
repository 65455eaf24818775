// Reads cursor shape records from arbitrary bytes, one after another as the loader does: no
// read or allocation may go beyond what the record's bitmaps need.
#include "engine/UtqCursor_new.h"
#include "movie/tqClasses.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (64u << 10)) return 0;
  static const fs::path file =
      fs::temp_directory_path() / ("quillo-cursor-fuzz-" + std::to_string(::getpid()));
  {
    TtqFileStream out(file.string(), TtqFileStream::ModeCreate);
    out.Write(data, static_cast<std::int32_t>(size));
  }
  TtqFileStream in(file.string(), 0x0000);
  TCursorList cursors;
  for (int i = 0; i < 64 && in.GetPosition() < in.GetSize(); ++i) {
    auto cursor = std::make_unique<TtqCursor>();
    cursor->LoadFromStream(in.Handle);
    cursors.Add(std::move(cursor));
  }
  return 0;
}
