#include "MovieReference.h"

#include "TestSupport.h"
#include "movie/tqCab.h"

#include <gtest/gtest.h>

#include <cstring>

namespace NRef {

uint32_t U16(const std::vector<uint8_t>& b, size_t at) {
  return b.at(at) | b.at(at + 1) << 8;
}
uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return U16(b, at) | U16(b, at + 2) << 16;
}
int32_t I32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<int32_t>(U32(b, at));
}

THeader ReadHeader(const std::vector<uint8_t>& m, size_t at) {
  THeader h;
  h.Version = m.at(at);
  h.Width = I32(m, at + 1);
  h.Height = I32(m, at + 5);
  h.Bits = m.at(at + 9);
  const uint32_t rate = U32(m, at + 10);
  std::memcpy(&h.Rate, &rate, 4);
  h.Flags = I32(m, at + 14);
  h.Frames = I32(m, at + 18);
  h.Cursors = I32(m, at + 22);
  h.TrackSize = I32(m, at + 26);
  h.PaletteSize = I32(m, at + 30);
  h.FrameSize = I32(m, at + 34);
  h.CabinetSize = I32(m, at + 38);
  h.CabinetOffset = I32(m, at + 42);
  h.Reserved1 = I32(m, at + 46);
  h.Reserved2 = I32(m, at + 50);
  return h;
}

std::vector<TEntry> ReadTable(const std::vector<uint8_t>& m) {
  std::vector<TEntry> entries;
  const int32_t count = I32(m, 0);
  for (int32_t i = 0; i < count; ++i)
    entries.push_back({I32(m, 4 + 6 * static_cast<size_t>(i)),
                       static_cast<int16_t>(U16(m, 8 + 6 * static_cast<size_t>(i)))});
  return entries;
}

TDataFile SplitDataFile(const std::vector<uint8_t>& f, const THeader& h) {
  TDataFile d;
  size_t at = 0;
  const int32_t nameSize = I32(f, at);
  at += 4;
  EXPECT_GE(nameSize, 1);
  EXPECT_EQ(f.at(at), nameSize - 1) << "length byte";
  d.Name.assign(f.begin() + static_cast<long>(at) + 1,
                f.begin() + static_cast<long>(at) + nameSize);
  at += static_cast<size_t>(nameSize);
  for (int32_t i = 0; i < h.Cursors; ++i) {
    const size_t start = at;
    const int32_t maskSize = I32(f, at + 8);
    at += 21 + static_cast<size_t>(std::max(maskSize, 0));
    const int32_t colourSize = I32(f, at);
    at += 13 + static_cast<size_t>(std::max(colourSize, 0));
    d.Shapes.emplace_back(f.begin() + static_cast<long>(start), f.begin() + static_cast<long>(at));
  }
  auto take = [&](std::vector<uint8_t>& part, int32_t size) {
    EXPECT_LE(at + static_cast<size_t>(size), f.size());
    if (at + static_cast<size_t>(size) > f.size()) return;
    part.assign(f.begin() + static_cast<long>(at), f.begin() + static_cast<long>(at) + size);
    at += static_cast<size_t>(size);
  };
  take(d.Frames, h.FrameSize);
  take(d.Track, h.TrackSize);
  take(d.Palette, h.PaletteSize);
  EXPECT_EQ(at, f.size()) << "nothing may follow the palette changes";
  return d;
}

size_t ExpandRecord(const std::vector<uint8_t>& frames, size_t at, int32_t width, int32_t height,
                    unsigned bits, std::vector<uint8_t>& out) {
  const size_t pixelBytes = bits == 8 ? 1 : 3;
  const size_t runSize = bits == 8 ? 2 : 5;
  const uint32_t maxCount = bits == 8 ? 255 : 65535;
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  out.assign(pixels * pixelBytes, 0xEE);
  const size_t recordSize = U32(frames, at);
  const size_t runs = U32(frames, at + 4);
  EXPECT_EQ(recordSize, 8 + runs * runSize);
  EXPECT_LE(at + recordSize, frames.size());
  size_t written = 0;
  if (at + 8 + runs * runSize > frames.size()) {
    ADD_FAILURE() << "record runs past the frame data";
    return recordSize;
  }
  for (size_t r = 0; r < runs; ++r) {
    const size_t run = at + 8 + r * runSize;
    const uint32_t count = bits == 8 ? frames[run + 1] : U16(frames, run + 3);
    // Checked without an assertion per run: records hold up to a million runs.
    if (count == 0 || count > maxCount || written + count > pixels) {
      ADD_FAILURE() << "run " << r << " has count " << count << " (most " << maxCount
                    << ") with " << pixels - written << " pixels left";
      return recordSize;
    }
    for (uint32_t k = 0; k < count; ++k, ++written)
      std::memcpy(&out[written * pixelBytes], &frames[run], pixelBytes);
  }
  EXPECT_EQ(written, pixels) << "runs must cover the picture exactly";
  return recordSize;
}

size_t ApplyPaletteChange(const std::vector<uint8_t>& c, size_t at,
                          std::array<uint32_t, 256>& palette) {
  const unsigned count = c.at(at);
  if (count == 0) return at + 1;
  const unsigned first = c.at(at + 1);
  EXPECT_LE(first + count, 256u);
  for (unsigned i = 0; i < count && first + i < 256; ++i) {
    const size_t e = at + 2 + 4 * i;
    palette[first + i] = c.at(e + 2) << 16 | c.at(e + 1) << 8 | c.at(e);
  }
  return at + 2 + 4 * count;
}

std::vector<uint8_t> ExtractCabinet(const std::vector<uint8_t>& cabinet, std::string* name) {
  TScratchFolder folder;
  WriteWholeFile(folder / "segment.cab", cabinet);
  std::string found;
  TtqCabReader reader;
  reader.ListFiles(folder / "segment.cab",
                   [&found](TtqCabReader&, const std::string& entry, int32_t, uint16_t, uint16_t,
                            uint16_t, uint16_t, bool&) { found = entry; });
  TScratchFolder out;
  reader.Extract(folder / "segment.cab", out.Path());
  if (name) *name = found;
  return ::ReadWholeFile(out / found);
}

} // namespace NRef
