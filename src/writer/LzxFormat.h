#pragma once

#include <cstdint>

// Constants and position-slot arithmetic of the LZX stream as cabinet decoders read it.
namespace NQuillo::NLzx {

constexpr uint32_t FrameSize = 32768;
constexpr unsigned MinWindowBits = 15;
constexpr unsigned MaxWindowBits = 21;
constexpr unsigned DefaultWindowBits = 20;

constexpr uint32_t MinMatch = 2;
constexpr uint32_t MaxMatch = 257;
constexpr unsigned NumChars = 256;
constexpr unsigned NumPrimaryLengths = 7;
constexpr unsigned NumSecondaryLengths = 249;
constexpr unsigned PretreeSymbols = 20;
constexpr unsigned AlignedSymbols = 8;
constexpr unsigned MaxPositionSlots = 50;
constexpr unsigned MaxMainSymbols = NumChars + MaxPositionSlots * 8;

constexpr unsigned MainMaxBits = 16;
constexpr unsigned LengthMaxBits = 16;
constexpr unsigned AlignedMaxBits = 7;
// The lengths field allows 15, but libarchive sizes its pretree table for 10 bits.
constexpr unsigned PretreeMaxBits = 10;

enum class EBlockType : uint32_t { Verbatim = 1, Aligned = 2, Uncompressed = 3 };

// Slots 0..2 are the repeated offsets; a new distance d travels as d + 2.
constexpr uint32_t FormattedOffset(uint32_t distance) {
  return distance + 2;
}

constexpr unsigned PositionSlotCount(unsigned windowBits) {
  return windowBits == 21 ? 50 : windowBits == 20 ? 42 : windowBits * 2;
}

// The longest distance a decoder with this window accepts.
constexpr uint32_t MaxDistance(unsigned windowBits) {
  return (uint32_t{1} << windowBits) - 3;
}

constexpr unsigned SlotExtraBits(unsigned slot) {
  return slot < 4 ? 0 : slot < 36 ? slot / 2 - 1 : 17;
}

constexpr uint32_t SlotBase(unsigned slot) {
  return slot < 4    ? slot
         : slot < 36 ? (2u + (slot & 1u)) << (slot / 2 - 1)
                     : 262144u + (slot - 36u) * 131072u;
}

inline unsigned SlotOfFormattedOffset(uint32_t formatted) {
  if (formatted < 4) return formatted;
  if (formatted >= 262144) return 36 + (formatted - 262144) / 131072;
  unsigned log2 = 31 - static_cast<unsigned>(__builtin_clz(formatted));
  return 2 * log2 + ((formatted >> (log2 - 1)) & 1u);
}

} // namespace NQuillo::NLzx
