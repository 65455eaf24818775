// Little-endian fields of the movie's binary structures, read out of a buffer whose length is
// known. Every read is checked against that length; a field outside it raises, so a parser
// states the size it needs once and cannot read past what it holds.
#pragma once

#include "tqClasses.h"

#include <cstddef>
#include <cstdint>

// The byte order of every field in a movie; for loops that have already checked their bounds.
inline std::uint16_t LoadUInt16LE(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t LoadUInt32LE(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
inline std::int32_t LoadInt32LE(const std::uint8_t* p) {
  return static_cast<std::int32_t>(LoadUInt32LE(p));
}

class TByteReader {
public:
  TByteReader(const std::uint8_t* data, std::size_t size) : FData(data), FSize(size) {}

  std::size_t Size() const { return FSize; }
  // True when count bytes from offset lie inside the buffer.
  bool Holds(std::size_t offset, std::size_t count) const {
    return offset <= FSize && count <= FSize - offset;
  }

  std::uint8_t UInt8(std::size_t offset) const { return *At(offset, 1); }
  std::uint16_t UInt16(std::size_t offset) const { return LoadUInt16LE(At(offset, 2)); }
  std::int16_t Int16(std::size_t offset) const { return static_cast<std::int16_t>(UInt16(offset)); }
  std::uint32_t UInt32(std::size_t offset) const { return LoadUInt32LE(At(offset, 4)); }
  std::int32_t Int32(std::size_t offset) const { return LoadInt32LE(At(offset, 4)); }
  // The count bytes from offset.
  const std::uint8_t* Bytes(std::size_t offset, std::size_t count) const {
    return At(offset, count);
  }

private:
  const std::uint8_t* At(std::size_t offset, std::size_t count) const {
    if (!Holds(offset, count)) throw Exception("Cannot read buffer");
    return FData + offset;
  }

  const std::uint8_t* FData;
  std::size_t FSize;
};
