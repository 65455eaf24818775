#include "UtqCursor_new.h"

#include <algorithm>
#include <new>

namespace {
// Larger shapes than this are not cursors; refusing them bounds what one record may allocate.
constexpr std::int32_t MaxShapeSide = 1024;
constexpr std::int32_t DescriptorSize = 13;

bool ReadExact(THandle file, void* buffer, std::uint32_t count) {
  std::uint32_t done = 0;
  return SysReadFile(file, buffer, count, done) && done == count;
}

std::int32_t Int32At(const std::uint8_t* p) {
  return static_cast<std::int32_t>(p[0] | p[1] << 8 | p[2] << 16 |
                                   static_cast<std::uint32_t>(p[3]) << 24);
}

bool ReadDescriptor(THandle file, TCursorBitmap& bitmap) {
  enum { Size = 0, Width = 4, Height = 8, BitsPerPixel = 12 };
  std::uint8_t d[DescriptorSize];
  if (!ReadExact(file, d, DescriptorSize)) return false;
  bitmap.Size = Int32At(d + Size);
  bitmap.Width = Int32At(d + Width);
  bitmap.Height = Int32At(d + Height);
  bitmap.BitsPerPixel = d[BitsPerPixel];
  bitmap.Bits.clear();
  return true;
}

// Moves past count bytes, but not past the end of the file.
bool Skip(THandle file, std::int64_t count) {
  const std::int32_t here = SysSeek(file, 0, sys::FromCurrent);
  const std::int32_t end = SysSeek(file, 0, sys::FromEnd);
  const bool fits = here >= 0 && end >= here && count <= end - here;
  SysSeek(file, fits ? static_cast<std::int32_t>(here + count) : here, sys::FromBegin);
  return fits;
}

// Reads Size bytes of bits into a buffer of exactly the bitmap's size.
int ReadBits(THandle file, TCursorBitmap& bitmap, std::int64_t rowBytes) {
  if (bitmap.Width <= 0 || bitmap.Height <= 0 || bitmap.Width > MaxShapeSide ||
      bitmap.Height > 2 * MaxShapeSide || rowBytes <= 0)
    return CursorNoBitmap;
  const std::int64_t needed = rowBytes * bitmap.Height;
  try {
    bitmap.Bits.assign(static_cast<std::size_t>(needed), 0);
  } catch (const std::bad_alloc&) {
    return CursorNoMemory;
  }
  const std::int64_t kept = std::min<std::int64_t>(bitmap.Size, needed);
  if (!ReadExact(file, bitmap.Bits.data(), static_cast<std::uint32_t>(kept))) return CursorNoBitmap;
  if (bitmap.Size > kept && !Skip(file, bitmap.Size - kept)) return CursorNoBitmap;
  return CursorLoaded;
}
} // namespace

std::int64_t MaskRowBytes(std::int32_t width, std::uint8_t bitsPerPixel) {
  return (static_cast<std::int64_t>(width) * bitsPerPixel + 15) / 16 * 2;
}

std::int64_t ColourRowBytes(std::int32_t width, std::uint8_t bitsPerPixel) {
  return (static_cast<std::int64_t>(width) * bitsPerPixel + 31) / 32 * 4;
}

int ReadCursorRecord(THandle file, TCursorRecord& record) {
  record = TCursorRecord();
  std::uint8_t hot[8];
  if (!ReadExact(file, hot, sizeof hot)) return CursorNoBitmap;
  record.HotX = Int32At(hot);
  record.HotY = Int32At(hot + 4);
  if (!ReadDescriptor(file, record.Mask)) return CursorNoBitmap;
  if (record.Mask.Size > 0) {
    // The mask is a one-bit bitmap whatever depth the record claims.
    if (record.Mask.BitsPerPixel != 1) return CursorNoBitmap;
    if (const int result = ReadBits(file, record.Mask, MaskRowBytes(record.Mask.Width, 1)))
      return result;
  }
  if (!ReadDescriptor(file, record.Colour)) return CursorNoBitmap;
  if (record.Colour.Size <= 0) return CursorLoaded;
  const std::uint8_t depth = record.Colour.BitsPerPixel;
  if (depth != 16 && depth != 24 && depth != 32) return CursorNoBitmap;
  return ReadBits(file, record.Colour, ColourRowBytes(record.Colour.Width, depth));
}

std::int32_t TCursorList::Add(std::unique_ptr<TtqCursor> cursor) {
  FItems.push_back(std::move(cursor));
  return Count();
}

TtqCursor* TCursorList::Items(std::int32_t index) const {
  return index >= 0 && index < Count() ? FItems[static_cast<std::size_t>(index)].get() : nullptr;
}
