#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace NQuillo {

// A cursor as the system composes it: each pixel is first ANDed with its mask bit
// (1 keeps the screen) and then XORed with its colour. Transparent pixels have the mask bit
// set and colour 0; a set mask bit with a white colour inverts the screen.
struct TCursorShape {
  int32_t HotX = 0;
  int32_t HotY = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> AndMask; // Width x Height, 0 or 1, top-down
  std::vector<uint32_t> Colour; // Width x Height, 0x00RRGGBB, top-down
  // 0: monochrome, stored as AND and XOR mask; 24 or 32: a colour DIB follows the mask.
  unsigned ColourBits = 0;

  // Builds a shape from rows of characters: '.' transparent, '#' black, 'o' white, '~'
  // inverted screen; any other character is looked up in palette ("Xrrggbb" items).
  static TCursorShape FromArt(const std::vector<std::string>& rows, int32_t hotX, int32_t hotY,
                              unsigned colourBits = 0,
                              const std::vector<std::string>& palette = {});
};

// The record's descriptor: Size, Width, Height, BitsPerPixel.
namespace NCursorRecord {
constexpr size_t HotX = 0;
constexpr size_t HotY = 4;
constexpr size_t Mask = 8;
constexpr size_t DescriptorSize = 0;
constexpr size_t DescriptorWidth = 4;
constexpr size_t DescriptorHeight = 8;
constexpr size_t DescriptorBitsPerPixel = 12;
constexpr size_t DescriptorBytes = 13;
// A monochrome record names 32 bits in its empty colour descriptor, as recorders do.
constexpr uint8_t MonochromeColourBits = 32;
} // namespace NCursorRecord

// Bytes per row of a 1-bit bitmap as CreateBitmap takes it (rows padded to 2 bytes).
size_t MaskRowBytes(int32_t width);
// Bytes per row of a DIB (rows padded to 4 bytes).
size_t DibRowBytes(int32_t width, unsigned bitsPerPixel);

// The cursor shape record: hot spot, mask descriptor and bits, colour descriptor and bits.
std::vector<uint8_t> CursorShapeRecord(const TCursorShape& shape);

} // namespace NQuillo
