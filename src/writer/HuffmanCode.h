#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace NQuillo {

// Optimal prefix-code lengths no longer than maxBits for the given symbol frequencies.
// Symbols with frequency 0 get length 0. Whenever the alphabet has at least two symbols the
// result is a complete code (Kraft sum exactly 1): a lone used symbol is paired with a
// neighbour, because LZX decoders reject incomplete tables. All-zero frequencies give an
// empty code. Throws std::invalid_argument if the symbols cannot fit in maxBits.
std::vector<uint8_t> BuildLimitedCodeLengths(const std::vector<uint32_t>& frequencies,
                                             unsigned maxBits);

// Canonical codes for the given lengths: shorter codes first, ties broken by symbol order,
// which is the assignment LZX and deflate decoders rebuild from the lengths alone.
// The codes are meant to be sent most significant bit first.
std::vector<uint16_t> BuildCanonicalCodes(const std::vector<uint8_t>& lengths);

} // namespace NQuillo
