#include "writer/LzxMatchFinder.h"

#include <algorithm>

namespace NQuillo::NLzx {

TLzxMatchFinder::TLzxMatchFinder(unsigned windowBits, unsigned maxDepth, uint32_t niceLength)
    : Mask((uint32_t{1} << windowBits) - 1), MaxDepth(std::max(1u, maxDepth)),
      NiceLength(std::max(MinLength, niceLength)), HashBits(std::clamp(windowBits - 3, 14u, 17u)),
      PairHeads(size_t{1} << 16, 0), Heads(size_t{1} << HashBits, 0),
      Children(size_t{2} << windowBits, 0) {}

template <bool Report>
unsigned TLzxMatchFinder::Walk(const uint8_t* current, uint32_t pos, uint32_t maxDistance,
                               uint32_t maxLength, TMatchCandidate* out) {
  if (maxLength < MinLength) return 0;
  const uint32_t pair = uint32_t{current[0]} | uint32_t{current[1]} << 8;
  const uint32_t pairDistance = pos + 1 - PairHeads[pair];
  PairHeads[pair] = pos + 1;
  unsigned found = 0;
  if (Report && pairDistance <= std::min(maxDistance, MaxPairDistance))
    out[found++] = {2, pairDistance};
  const uint32_t key = pair | uint32_t{current[2]} << 16;
  const uint32_t hash = (key * 0x9E3779B1u) >> (32 - HashBits);
  uint32_t link = Heads[hash];
  Heads[hash] = pos + 1;

  // The two pending links are where the next smaller and next greater node will hang.
  uint32_t* lesser = &Children[2 * size_t{pos & Mask}];
  uint32_t* greater = lesser + 1;
  uint32_t lesserLength = 0;
  uint32_t greaterLength = 0;
  uint32_t best = MinLength - 1;
  const uint32_t nice = std::min(NiceLength, maxLength);
  for (unsigned depth = MaxDepth;; --depth) {
    const uint32_t distance = pos + 1 - link;
    if (depth == 0 || distance > maxDistance) break;
    const uint8_t* earlier = current - distance;
    uint32_t* node = &Children[2 * size_t{(link - 1) & Mask}];
    const uint32_t length =
        CommonLength(current, earlier, std::min(lesserLength, greaterLength), nice);
    if (Report && length > best) {
      best = length;
      // Past the nice length the tree learns nothing more, but the parse still gains.
      out[found++] = {length < nice ? length : CommonLength(current, earlier, length, maxLength),
                      distance};
    }
    if (length >= nice) {
      // The new node takes over the old one's subtrees whole.
      *lesser = node[0];
      *greater = node[1];
      return found;
    }
    if (earlier[length] < current[length]) {
      *lesser = link;
      lesser = node + 1;
      link = *lesser;
      lesserLength = length;
    } else {
      *greater = link;
      greater = node;
      link = *greater;
      greaterLength = length;
    }
  }
  *lesser = 0;
  *greater = 0;
  return found;
}

unsigned TLzxMatchFinder::Search(const uint8_t* current, uint32_t pos, uint32_t maxDistance,
                                 uint32_t maxLength, TMatchCandidate* out) const {
  if (maxLength < MinLength) return 0;
  const uint32_t pair = uint32_t{current[0]} | uint32_t{current[1]} << 8;
  const uint32_t pairDistance = pos + 1 - PairHeads[pair];
  unsigned found = 0;
  if (pairDistance <= std::min(maxDistance, MaxPairDistance)) out[found++] = {2, pairDistance};
  const uint32_t key = pair | uint32_t{current[2]} << 16;
  uint32_t link = Heads[(key * 0x9E3779B1u) >> (32 - HashBits)];
  uint32_t lesserLength = 0;
  uint32_t greaterLength = 0;
  uint32_t best = MinLength - 1;
  for (unsigned depth = MaxDepth; depth != 0; --depth) {
    const uint32_t distance = pos + 1 - link;
    if (distance > maxDistance) break;
    const uint8_t* earlier = current - distance;
    const uint32_t* node = &Children[2 * size_t{(link - 1) & Mask}];
    const uint32_t length =
        CommonLength(current, earlier, std::min(lesserLength, greaterLength), maxLength);
    if (length > best) {
      best = length;
      out[found++] = {length, distance};
    }
    if (length == maxLength) break;
    if (earlier[length] < current[length]) {
      lesserLength = length;
      link = node[1];
    } else {
      greaterLength = length;
      link = node[0];
    }
  }
  return found;
}

unsigned TLzxMatchFinder::Find(const uint8_t* current, uint32_t pos, uint32_t maxDistance,
                               uint32_t maxLength, TMatchCandidate* out) {
  return Walk<true>(current, pos, maxDistance, maxLength, out);
}

void TLzxMatchFinder::Skip(const uint8_t* current, uint32_t pos, uint32_t maxDistance,
                           uint32_t maxLength) {
  Walk<false>(current, pos, maxDistance, maxLength, nullptr);
}

} // namespace NQuillo::NLzx
