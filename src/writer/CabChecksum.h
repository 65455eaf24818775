#pragma once

#include <cstddef>
#include <cstdint>

namespace NQuillo {

// The cabinet checksum: 32-bit little-endian words XORed together, with a 1-3 byte tail
// folded in first-byte-highest, continuing from seed.
uint32_t CabChecksum(const uint8_t* data, size_t size, uint32_t seed = 0);

// The csum field of a CFDATA block: the payload's checksum continued over the cbData and
// cbUncomp fields that follow csum.
uint32_t CabDataBlockChecksum(const uint8_t* payload, uint16_t compressedSize,
                              uint16_t uncompressedSize);

} // namespace NQuillo
