#include "writer/HuffmanCode.h"

#include <algorithm>
#include <stdexcept>

namespace NQuillo {

namespace {

constexpr unsigned MaxSupportedBits = 16;

// One entry of a package-merge level: either a leaf (Right < 0, Left is the symbol) or a
// package of two entries of the level below.
struct TMergeItem {
  uint64_t Weight;
  int32_t Left;
  int32_t Right;
};

class TLengthCounter {
public:
  TLengthCounter(const std::vector<std::vector<TMergeItem>>& levels, std::vector<uint8_t>& lengths)
      : Levels(levels), Lengths(lengths) {}

  void Count(size_t level, size_t index) {
    const TMergeItem& item = Levels[level][index];
    if (item.Right < 0) {
      ++Lengths[static_cast<size_t>(item.Left)];
      return;
    }
    Count(level - 1, static_cast<size_t>(item.Left));
    Count(level - 1, static_cast<size_t>(item.Right));
  }

private:
  const std::vector<std::vector<TMergeItem>>& Levels;
  std::vector<uint8_t>& Lengths;
};

} // namespace

std::vector<uint8_t> BuildLimitedCodeLengths(const std::vector<uint32_t>& frequencies,
                                             unsigned maxBits) {
  if (maxBits == 0 || maxBits > MaxSupportedBits)
    throw std::invalid_argument("code length limit must be 1..16 bits");
  std::vector<uint8_t> lengths(frequencies.size(), 0);

  std::vector<int32_t> used;
  for (size_t i = 0; i < frequencies.size(); ++i)
    if (frequencies[i] != 0) used.push_back(static_cast<int32_t>(i));
  if (used.empty()) return lengths;
  if (used.size() == 1) {
    if (frequencies.size() < 2)
      throw std::invalid_argument("a one-symbol alphabet has no complete prefix code");
    const size_t only = static_cast<size_t>(used[0]);
    lengths[only] = 1;
    lengths[only == 0 ? 1 : only - 1] = 1;
    return lengths;
  }
  if (used.size() > (size_t{1} << maxBits))
    throw std::invalid_argument("too many symbols for the code length limit");

  std::sort(used.begin(), used.end(), [&](int32_t a, int32_t b) {
    const uint32_t fa = frequencies[static_cast<size_t>(a)];
    const uint32_t fb = frequencies[static_cast<size_t>(b)];
    return fa != fb ? fa < fb : a < b;
  });
  std::vector<TMergeItem> leaves;
  leaves.reserve(used.size());
  for (int32_t symbol : used)
    leaves.push_back({frequencies[static_cast<size_t>(symbol)], symbol, -1});

  // Level 0 holds the finest denomination; each coarser level merges the leaves with the
  // pairs of the level below, so a leaf's code length is how often the final pick holds it.
  std::vector<std::vector<TMergeItem>> levels(maxBits);
  levels[0] = leaves;
  for (size_t level = 1; level < maxBits; ++level) {
    const std::vector<TMergeItem>& below = levels[level - 1];
    std::vector<TMergeItem>& merged = levels[level];
    merged.reserve(leaves.size() + below.size() / 2);
    size_t leaf = 0;
    size_t pair = 0;
    while (leaf < leaves.size() || pair + 1 < below.size()) {
      const bool takePackage = pair + 1 < below.size() &&
                               (leaf == leaves.size() ||
                                below[pair].Weight + below[pair + 1].Weight < leaves[leaf].Weight);
      if (takePackage) {
        merged.push_back({below[pair].Weight + below[pair + 1].Weight, static_cast<int32_t>(pair),
                          static_cast<int32_t>(pair + 1)});
        pair += 2;
      } else {
        merged.push_back(leaves[leaf++]);
      }
    }
  }

  TLengthCounter counter(levels, lengths);
  const size_t pick = 2 * used.size() - 2;
  for (size_t i = 0; i < pick; ++i)
    counter.Count(maxBits - 1, i);
  return lengths;
}

std::vector<uint16_t> BuildCanonicalCodes(const std::vector<uint8_t>& lengths) {
  uint32_t countPerLength[MaxSupportedBits + 1] = {};
  for (uint8_t length : lengths) {
    if (length > MaxSupportedBits) throw std::invalid_argument("code length over 16 bits");
    if (length != 0) ++countPerLength[length];
  }
  uint32_t nextCode[MaxSupportedBits + 2] = {};
  uint32_t code = 0;
  for (unsigned bits = 1; bits <= MaxSupportedBits; ++bits) {
    code = (code + countPerLength[bits - 1]) << 1;
    nextCode[bits] = code;
  }
  std::vector<uint16_t> codes(lengths.size(), 0);
  for (size_t symbol = 0; symbol < lengths.size(); ++symbol) {
    const uint8_t length = lengths[symbol];
    if (length == 0) continue;
    const uint32_t value = nextCode[length]++;
    if (value >= (uint32_t{1} << length))
      throw std::invalid_argument("code lengths oversubscribe the code space");
    codes[symbol] = static_cast<uint16_t>(value);
  }
  return codes;
}

} // namespace NQuillo
