#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace NQuillo::NLzx {

// LZX packs bits most significant first into 16-bit words that are stored little-endian.
class TBitWriter {
public:
  explicit TBitWriter(std::vector<uint8_t>& out) : Out(&out) {}

  void Retarget(std::vector<uint8_t>& out) {
    if (PendingBits != 0)
      throw std::logic_error("LZX bit writer retargeted in the middle of a word");
    Out = &out;
  }

  void Put(uint32_t value, unsigned bits) {
    if (bits == 0) return;
    Accumulator = (Accumulator << bits) | (value & ((uint64_t{1} << bits) - 1));
    PendingBits += bits;
    while (PendingBits >= 16) {
      PendingBits -= 16;
      const uint32_t word = static_cast<uint32_t>(Accumulator >> PendingBits) & 0xFFFFu;
      Out->push_back(static_cast<uint8_t>(word));
      Out->push_back(static_cast<uint8_t>(word >> 8));
    }
    Accumulator &= (uint64_t{1} << PendingBits) - 1;
  }

  // Zero bits up to the next word boundary; nothing when already there.
  void AlignToWord() {
    if (PendingBits != 0) Put(0, 16 - PendingBits);
  }

  unsigned BitsInWord() const { return PendingBits; }

  void PutBytes(const uint8_t* data, size_t size) {
    if (PendingBits != 0) throw std::logic_error("LZX raw bytes written off a word boundary");
    Out->insert(Out->end(), data, data + size);
  }

private:
  std::vector<uint8_t>* Out;
  uint64_t Accumulator = 0;
  unsigned PendingBits = 0;
};

} // namespace NQuillo::NLzx
