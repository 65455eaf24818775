#include "UtqCursor_new.h"

#include "movie/tqByteReader.h"

#include <algorithm>
#include <new>

namespace {
// Larger shapes than this are not cursors; refusing them bounds what one record may allocate.
constexpr std::int32_t MaxShapeSide = 1024;
constexpr std::size_t HotSpotSize = 8;
constexpr std::size_t DescriptorSize = 13;

bool ReadExact(TtqStream& stream, void* buffer, std::size_t count) {
  return stream.Read(buffer, static_cast<std::int32_t>(count)) == static_cast<std::int32_t>(count);
}

bool ReadDescriptor(TtqStream& stream, TCursorBitmap& bitmap) {
  enum : std::size_t { Size = 0, Width = 4, Height = 8, BitsPerPixel = 12 };
  std::uint8_t d[DescriptorSize];
  if (!ReadExact(stream, d, DescriptorSize)) return false;
  const TByteReader fields(d, DescriptorSize);
  bitmap.Size = fields.Int32(Size);
  bitmap.Width = fields.Int32(Width);
  bitmap.Height = fields.Int32(Height);
  bitmap.BitsPerPixel = fields.UInt8(BitsPerPixel);
  bitmap.Bits.clear();
  return true;
}

// Moves past count bytes by reading them, so that it never goes past the end of the data and
// works the same on every kind of stream.
bool Skip(TtqStream& stream, std::int64_t count) {
  const std::int64_t left = std::int64_t{stream.GetSize()} - stream.GetPosition();
  if (count > left) return false;
  std::uint8_t scratch[4096];
  while (count > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(count, sizeof scratch));
    if (!ReadExact(stream, scratch, n)) return false;
    count -= static_cast<std::int64_t>(n);
  }
  return true;
}

// Reads Size bytes of bits into a buffer of exactly the bitmap's size.
int ReadBits(TtqStream& stream, TCursorBitmap& bitmap, std::int64_t rowBytes) {
  if (bitmap.Width <= 0 || bitmap.Height <= 0 || bitmap.Width > MaxShapeSide ||
      bitmap.Height > 2 * MaxShapeSide || rowBytes <= 0)
    return CursorNoBitmap;
  const std::int64_t needed = rowBytes * bitmap.Height;
  try {
    bitmap.Bits.assign(static_cast<std::size_t>(needed), 0);
  } catch (const std::bad_alloc&) {
    return CursorNoMemory;
  }
  const std::int64_t kept = std::max<std::int64_t>(0, std::min<std::int64_t>(bitmap.Size, needed));
  if (!ReadExact(stream, bitmap.Bits.data(), static_cast<std::size_t>(kept))) return CursorNoBitmap;
  if (bitmap.Size > kept && !Skip(stream, bitmap.Size - kept)) return CursorNoBitmap;
  return CursorLoaded;
}
} // namespace

std::int64_t MaskRowBytes(std::int32_t width, std::uint8_t bitsPerPixel) {
  return (static_cast<std::int64_t>(width) * bitsPerPixel + 15) / 16 * 2;
}

std::int64_t ColourRowBytes(std::int32_t width, std::uint8_t bitsPerPixel) {
  return (static_cast<std::int64_t>(width) * bitsPerPixel + 31) / 32 * 4;
}

int ReadCursorRecord(TtqStream& stream, TCursorRecord& record) {
  record = TCursorRecord();
  std::uint8_t hot[HotSpotSize];
  if (!ReadExact(stream, hot, HotSpotSize)) return CursorNoBitmap;
  const TByteReader hotSpot(hot, HotSpotSize);
  record.HotX = hotSpot.Int32(0);
  record.HotY = hotSpot.Int32(4);
  if (!ReadDescriptor(stream, record.Mask)) return CursorNoBitmap;
  if (record.Mask.Size > 0) {
    // The mask is a one-bit bitmap whatever depth the record claims.
    if (record.Mask.BitsPerPixel != 1) return CursorNoBitmap;
    if (const int result = ReadBits(stream, record.Mask, MaskRowBytes(record.Mask.Width, 1)))
      return result;
  }
  if (!ReadDescriptor(stream, record.Colour)) return CursorNoBitmap;
  if (record.Colour.Size <= 0) return CursorLoaded;
  const std::uint8_t depth = record.Colour.BitsPerPixel;
  if (depth != 16 && depth != 24 && depth != 32) return CursorNoBitmap;
  return ReadBits(stream, record.Colour, ColourRowBytes(record.Colour.Width, depth));
}

std::int32_t TCursorList::Add(std::unique_ptr<TtqCursor> cursor) {
  FItems.push_back(std::move(cursor));
  return Count();
}

TtqCursor* TCursorList::Items(std::int32_t index) const {
  return index >= 0 && index < Count() ? FItems[static_cast<std::size_t>(index)].get() : nullptr;
}
