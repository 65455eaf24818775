#include "writer/CabChecksum.h"

namespace NQuillo {

uint32_t CabChecksum(const uint8_t* data, size_t size, uint32_t seed) {
  uint32_t sum = seed;
  size_t i = 0;
  for (; i + 4 <= size; i += 4)
    sum ^= uint32_t{data[i]} | uint32_t{data[i + 1]} << 8 | uint32_t{data[i + 2]} << 16 |
           uint32_t{data[i + 3]} << 24;
  uint32_t tail = 0;
  for (; i < size; ++i)
    tail = (tail << 8) | data[i];
  return sum ^ tail;
}

uint32_t CabDataBlockChecksum(const uint8_t* payload, uint16_t compressedSize,
                              uint16_t uncompressedSize) {
  const uint8_t sizes[4] = {
      static_cast<uint8_t>(compressedSize), static_cast<uint8_t>(compressedSize >> 8),
      static_cast<uint8_t>(uncompressedSize), static_cast<uint8_t>(uncompressedSize >> 8)};
  return CabChecksum(sizes, sizeof(sizes), CabChecksum(payload, compressedSize));
}

} // namespace NQuillo
