#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace NQuillo::NLzx {

struct TMatchCandidate {
  uint32_t Length;
  uint32_t Distance;
};

// Binary-tree match finder over a sliding window: every position ever inserted sits in a
// tree, sorted by the bytes that follow it, under the hash of its first three bytes. One walk
// down the tree finds the matches of every useful length at once, nearer ones first for each
// length, and re-roots the tree at the new position on the way. A table of two-byte prefixes
// adds the nearest match of length 2.
class TLzxMatchFinder {
public:
  // maxDepth bounds the nodes visited per position; a match of niceLength ends the walk.
  TLzxMatchFinder(unsigned windowBits, unsigned maxDepth, uint32_t niceLength);

  // Inserts stream position pos, whose bytes start at current, and writes its matches longer
  // than every earlier one to out (at most maxLength of them), shortest first; returns how many.
  // Only distances up to maxDistance are followed; maxLength bytes from current must be readable.
  unsigned Find(const uint8_t* current, uint32_t pos, uint32_t maxDistance, uint32_t maxLength,
                TMatchCandidate* out);
  // Inserts pos without reporting: for positions inside a match already chosen.
  void Skip(const uint8_t* current, uint32_t pos, uint32_t maxDistance, uint32_t maxLength);
  // Reports like Find but leaves the tree alone: for positions whose following bytes have not
  // all arrived, which must not be inserted until they have.
  unsigned Search(const uint8_t* current, uint32_t pos, uint32_t maxDistance, uint32_t maxLength,
                  TMatchCandidate* out) const;
  uint32_t Nice() const { return NiceLength; }

  static constexpr uint32_t MinLength = 3;
  // Two-byte matches pay only when near.
  static constexpr uint32_t MaxPairDistance = 4096;

private:
  template <bool Report>
  unsigned Walk(const uint8_t* current, uint32_t pos, uint32_t maxDistance, uint32_t maxLength,
                TMatchCandidate* out);

  const uint32_t Mask;
  const unsigned MaxDepth;
  const uint32_t NiceLength;
  const unsigned HashBits;
  // Links hold position + 1, so 0 is "none" and lies beyond every distance limit.
  std::vector<uint32_t> PairHeads; // the latest position of every two-byte prefix
  std::vector<uint32_t> Heads;
  std::vector<uint32_t> Children; // left and right child of each window slot
};

// How many bytes from start on a and b have in common, up to limit, compared a word at a time.
// Inline: the tree walk calls it at every node.
inline uint32_t CommonLength(const uint8_t* a, const uint8_t* b, uint32_t start, uint32_t limit) {
  uint32_t length = start;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  while (length + 8 <= limit) {
    uint64_t x, y;
    std::memcpy(&x, a + length, sizeof(x));
    std::memcpy(&y, b + length, sizeof(y));
    if (x != y) return length + static_cast<uint32_t>(__builtin_ctzll(x ^ y)) / 8;
    length += 8;
  }
#endif
  while (length < limit && a[length] == b[length])
    ++length;
  return length;
}

} // namespace NQuillo::NLzx
