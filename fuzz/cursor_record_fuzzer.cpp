// Reads cursor shape records from arbitrary bytes, one after another as the loader does: no
// read or allocation may go beyond what the record's bitmaps need.
#include "engine/UtqCursor_new.h"
#include "movie/tqClasses.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (64u << 10)) return 0;
  TtqMemoryStream in;
  in.Write(data, static_cast<std::int32_t>(size));
  in.SetSize(static_cast<std::int32_t>(size)); // a write leaves one spare byte at the end
  in.SetPosition(0);
  TCursorList cursors;
  for (int i = 0; i < 64 && in.GetPosition() < in.GetSize(); ++i) {
    auto cursor = std::make_unique<TtqCursor>();
    const std::int32_t before = in.GetPosition();
    cursor->LoadFromStream(in);
    cursors.Add(std::move(cursor));
    if (in.GetPosition() == before) break; // nothing more can be read
  }
  return 0;
}
