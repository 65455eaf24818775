// Expands arbitrary frame records into XOR frames of arbitrary geometry, each buffer allocated
// to its exact size so that the sanitizer sees any access outside it, and checks every pixel
// against a plain pixel-by-pixel expansion. The same bytes are then read as palette changes and
// cursor steps.
//
// Input: depth selector, width (2 bytes), height, fill byte, then the record.
#include "engine/UtqFrameCodec.h"
#include "movie/tqClasses.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr std::size_t GeometryBytes = 5;

std::int32_t Int32At(const std::uint8_t* p) {
  return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                   std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
}

void Require(bool condition) {
  if (!condition) std::abort();
}

// What the record should do, worked out one pixel at a time: the value of every pixel it
// covers, in display order, and whether it is refused.
struct TExpected {
  bool Refused = true;
  std::size_t Covered = 0;
  std::uint64_t Counted = 0; // the counts of all runs, past the picture too
  std::unique_ptr<std::uint32_t[]> Values;
};

TExpected Expect(const std::uint8_t* record, std::size_t length, int depth, std::size_t pixels) {
  TExpected e;
  if (length < 8) return e;
  const std::int64_t size = Int32At(record), runs = Int32At(record + 4);
  const std::int64_t runSize = depth == 8 ? 2 : 5;
  if (size < 8 || static_cast<std::uint64_t>(size) > length || size != 8 + runs * runSize) return e;
  e.Refused = false;
  e.Values = std::make_unique<std::uint32_t[]>(pixels);
  for (std::int64_t r = 0; r < runs; ++r) {
    const std::uint8_t* run = record + 8 + r * runSize;
    const std::uint32_t value = depth == 8 ? run[0] : run[0] | run[1] << 8 | run[2] << 16;
    const std::uint32_t count = depth == 8 ? run[1] : run[3] | run[4] << 8;
    e.Counted += count;
    for (std::uint32_t k = 0; k < count && e.Covered < pixels; ++k)
      e.Values[e.Covered++] = value;
  }
  return e;
}

void CheckFrame(const std::uint8_t* frame, std::uint8_t fill, const TFrameGeometry& g,
                const TExpected& e, TUnpackResult result) {
  const std::size_t width = static_cast<std::size_t>(g.Width);
  const std::size_t height = static_cast<std::size_t>(g.Height);
  const std::size_t bpp = static_cast<std::size_t>(g.Format.BytesPerPixel);
  const std::size_t stride = static_cast<std::size_t>(g.Stride);
  const std::size_t rowBytes = static_cast<std::size_t>(g.RowBytes);
  if (e.Refused) {
    Require(!RunsExpanded(result));
    for (std::size_t i = 0; i < g.XorFrameBytes(); ++i)
      Require(frame[i] == fill);
    return;
  }
  Require(RunsExpanded(result));
  const bool complete = e.Covered == width * height;
  Require((result == urShort) == !complete);
  Require((result == urOverlong) == (e.Counted > width * height));
  for (std::size_t y = 0; y <= height; ++y) {
    for (std::size_t i = 0; i < stride; ++i) {
      const std::uint8_t byte = frame[y * stride + i];
      const std::size_t p = y * width + i / bpp;
      if (y < height && i < rowBytes) {
        if (p >= e.Covered) {
          Require(byte == fill);
        } else if (bpp == 4 && i % 4 == 3) {
          Require(byte == 0);
        } else {
          Require(byte == static_cast<std::uint8_t>(e.Values[p] >> (8 * (i % bpp))));
        }
        continue;
      }
      // Only a 24-bit store of a row's last pixel reaches past the row: into the padding,
      // or into the spare row after the picture's last pixel.
      bool spilled = false;
      if (bpp == 3 && i == rowBytes % stride && (y < height ? i == rowBytes : rowBytes == stride)) {
        const std::size_t lastOfRow = y < height ? (y + 1) * width : width * height;
        spilled = lastOfRow <= e.Covered && (complete || lastOfRow < e.Covered);
      }
      Require(byte == (spilled ? 0 : fill));
    }
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < GeometryBytes) return 0;
  static const int depths[] = {8, 24, 32, 16};
  const int depth = depths[data[0] & 3];
  const std::int32_t width = 1 + (data[1] | data[2] << 8) % 1100;
  const std::int32_t height = 1 + data[3] % 16;
  const std::uint8_t fill = data[4];
  const std::size_t length = size - GeometryBytes;
  auto record = std::make_unique<std::uint8_t[]>(length + !length);
  if (length) std::memcpy(record.get(), data + GeometryBytes, length);

  TFrameGeometry g;
  if (!MakeFrameGeometry(width, height, depth, g)) {
    Require(depth == 16);
    g.Width = width;
    g.Height = height;
    g.Format.BitsPerPixel = depth;
    std::uint8_t byte = 0;
    Require(ExpandFrameRecord(record.get(), length, g, &byte, 1) == urBadGeometry);
    return 0;
  }
  const std::size_t frameBytes = g.XorFrameBytes();
  auto frame = std::make_unique<std::uint8_t[]>(frameBytes);
  std::memset(frame.get(), fill, frameBytes);
  const TUnpackResult result = ExpandFrameRecord(record.get(), length, g, frame.get(), frameBytes);
  const TExpected expected =
      Expect(record.get(), length, depth, static_cast<std::size_t>(width) * height);
  CheckFrame(frame.get(), fill, g, expected, result);

  auto picture = std::make_unique<std::uint8_t[]>(g.PictureBytes());
  std::memset(picture.get(), 0, g.PictureBytes());
  Require(ApplyXorFrameInMemory(frame.get(), frameBytes, picture.get(), g.PictureBytes(), g));
  if (depth == 8)
    Require(ApplyXorFrame8(frame.get(), frameBytes, picture.get(), g.PictureBytes(), g));

  TtqMemoryStream stream;
  stream.Write(record.get(), static_cast<std::int32_t>(length));
  stream.SetPosition(0);
  auto palette = std::make_unique<TPaletteTable>();
  while (ReadPaletteChange(stream, *palette) != prExhausted) {
  }
  stream.SetPosition(0);
  TCursorStep step;
  while (ReadCursorStep(stream, step)) {
  }
  return 0;
}
