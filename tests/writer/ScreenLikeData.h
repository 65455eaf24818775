#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace NQuillo::NTest {

// Deterministic stand-in for recorded screen content: a 16-bit desktop with windows, text
// and a cursor, changing a little from frame to frame, dumped as a mix of whole frames and
// changed rectangles. Long runs, repeated rows and repeats at a row's distance dominate.
std::vector<uint8_t> MakeScreenLikeData(size_t size, uint32_t seed);

// Bytes with no redundancy at all.
std::vector<uint8_t> MakeRandomData(size_t size, uint32_t seed);

} // namespace NQuillo::NTest
