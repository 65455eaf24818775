#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace NQuillo {

// 256 colour table entries as 0x00RRGGBB.
using TPalette = std::array<uint32_t, 256>;
// Which palette entries a picture uses.
using TPaletteUse = std::array<bool, 256>;

TPaletteUse PaletteUseOf(const uint8_t* pixels, size_t count);

// Writes one palette change record per frame of an 8-bit segment. The player's palette is
// not reset between segments, so at the start every entry counts as unknown and the first
// record sends the whole table. A record holds at most 255 entries: when all 256 differ,
// the one left out is the one the picture does not use (or, failing that, the last), and it
// follows with the next frame.
class TPaletteChangeWriter {
public:
  // Appends the record that brings the player's palette to wanted.
  void Encode(const TPalette& wanted, const TPaletteUse& used, std::vector<uint8_t>& out);

private:
  TPalette Shown{};
  std::array<bool, 256> Known{};
};

} // namespace NQuillo
