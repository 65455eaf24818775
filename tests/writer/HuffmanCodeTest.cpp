#include "writer/HuffmanCode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <queue>
#include <random>

using namespace NQuillo;

namespace {

// Kraft sum scaled by 2^16: exactly 65536 for a complete code.
uint64_t ScaledKraftSum(const std::vector<uint8_t>& lengths) {
  uint64_t sum = 0;
  for (uint8_t length : lengths)
    if (length != 0) sum += uint64_t{1} << (16 - length);
  return sum;
}

uint64_t Cost(const std::vector<uint32_t>& freq, const std::vector<uint8_t>& lengths) {
  uint64_t cost = 0;
  for (size_t i = 0; i < freq.size(); ++i)
    cost += uint64_t{freq[i]} * lengths[i];
  return cost;
}

// Cost of an unrestricted Huffman code: the sum of all merged weights.
uint64_t UnlimitedHuffmanCost(const std::vector<uint32_t>& freq) {
  std::priority_queue<uint64_t, std::vector<uint64_t>, std::greater<>> heap;
  for (uint32_t f : freq)
    if (f != 0) heap.push(f);
  uint64_t cost = 0;
  while (heap.size() > 1) {
    const uint64_t a = heap.top();
    heap.pop();
    const uint64_t b = heap.top();
    heap.pop();
    cost += a + b;
    heap.push(a + b);
  }
  return cost;
}

std::vector<uint32_t> Fibonacci(size_t count) {
  std::vector<uint32_t> freq(count);
  uint32_t a = 1, b = 1;
  for (auto& f : freq) {
    f = a;
    const uint32_t next = a + b;
    a = b;
    b = next;
  }
  return freq;
}

void ExpectValidLimitedCode(const std::vector<uint32_t>& freq, unsigned limit) {
  const std::vector<uint8_t> lengths = BuildLimitedCodeLengths(freq, limit);
  ASSERT_EQ(lengths.size(), freq.size());
  size_t used = 0;
  for (size_t i = 0; i < freq.size(); ++i) {
    EXPECT_LE(lengths[i], limit) << "symbol " << i;
    if (freq[i] != 0) {
      ++used;
      EXPECT_GT(lengths[i], 0) << "used symbol " << i << " got no code";
    }
  }
  if (used >= 2) {
    EXPECT_EQ(ScaledKraftSum(lengths), 65536u);
    EXPECT_GE(Cost(freq, lengths), UnlimitedHuffmanCost(freq));
  }
}

} // namespace

TEST(HuffmanLengths, SkewedFrequenciesRespectEveryLimit) {
  // Fibonacci weights make the unrestricted tree a 30-deep comb.
  const std::vector<uint32_t> freq = Fibonacci(30);
  for (unsigned limit : {5u, 7u, 10u, 15u, 16u})
    ExpectValidLimitedCode(freq, limit);
}

TEST(HuffmanLengths, RandomAlphabetsAreCompleteAndWithinLimit) {
  std::mt19937 random(12345);
  for (int round = 0; round < 200; ++round) {
    const size_t size = 2 + random() % 700;
    std::vector<uint32_t> freq(size);
    for (auto& f : freq)
      f = random() % 4 == 0 ? 0 : 1u << (random() % 20);
    freq[random() % size] = 1;
    freq[random() % size] = 1;
    const unsigned limit = size > 512 ? 16 : 10 + random() % 7;
    ExpectValidLimitedCode(freq, limit);
  }
}

TEST(HuffmanLengths, OptimalWhenTheLimitDoesNotBind) {
  std::mt19937 random(99);
  for (int round = 0; round < 50; ++round) {
    std::vector<uint32_t> freq(20 + random() % 40);
    for (auto& f : freq)
      f = 1 + random() % 1000;
    const auto lengths = BuildLimitedCodeLengths(freq, 16);
    EXPECT_EQ(Cost(freq, lengths), UnlimitedHuffmanCost(freq));
  }
}

TEST(HuffmanLengths, TighterLimitNeverCostsLess) {
  const std::vector<uint32_t> freq = Fibonacci(24);
  uint64_t previous = 0;
  for (unsigned limit = 16; limit >= 5; --limit) {
    const uint64_t cost = Cost(freq, BuildLimitedCodeLengths(freq, limit));
    EXPECT_GE(cost, previous) << "limit " << limit;
    previous = cost;
  }
}

TEST(HuffmanLengths, DegenerateAlphabets) {
  EXPECT_EQ(BuildLimitedCodeLengths({0, 0, 0}, 16), (std::vector<uint8_t>{0, 0, 0}));
  // A lone symbol still needs a complete code, so a neighbour gets the other half.
  const auto lone = BuildLimitedCodeLengths({0, 0, 7, 0}, 16);
  EXPECT_EQ(lone[2], 1);
  EXPECT_EQ(ScaledKraftSum(lone), 65536u);
  EXPECT_EQ(BuildLimitedCodeLengths({3, 0}, 16), (std::vector<uint8_t>{1, 1}));
  EXPECT_THROW(BuildLimitedCodeLengths({5}, 16), std::invalid_argument);
  EXPECT_THROW(BuildLimitedCodeLengths(std::vector<uint32_t>(9, 1), 3), std::invalid_argument);
  EXPECT_THROW(BuildLimitedCodeLengths({1, 1}, 17), std::invalid_argument);
  EXPECT_EQ(BuildLimitedCodeLengths(std::vector<uint32_t>(8, 1), 3), std::vector<uint8_t>(8, 3));
}

TEST(HuffmanCanonical, MatchesTheDeflateExample) {
  // RFC 1951 section 3.2.2: lengths (3,3,3,3,3,2,4,4) give 010 011 100 101 110 00 1110 1111.
  const auto codes = BuildCanonicalCodes({3, 3, 3, 3, 3, 2, 4, 4});
  EXPECT_EQ(codes, (std::vector<uint16_t>{2, 3, 4, 5, 6, 0, 14, 15}));
}

TEST(HuffmanCanonical, CodesArePrefixFree) {
  std::mt19937 random(7);
  std::vector<uint32_t> freq(300);
  for (auto& f : freq)
    f = random() % 3 == 0 ? 0 : 1 + random() % 5000;
  const auto lengths = BuildLimitedCodeLengths(freq, 12);
  const auto codes = BuildCanonicalCodes(lengths);
  for (size_t a = 0; a < codes.size(); ++a) {
    if (lengths[a] == 0) continue;
    for (size_t b = 0; b < codes.size(); ++b) {
      if (a == b || lengths[b] == 0 || lengths[b] < lengths[a]) continue;
      EXPECT_NE(codes[b] >> (lengths[b] - lengths[a]), codes[a])
          << "code of " << a << " prefixes code of " << b;
    }
  }
  EXPECT_THROW(BuildCanonicalCodes({1, 1, 1}), std::invalid_argument);
}
