#pragma once

#include "writer/PaletteChanges.h"

#include <cstdint>
#include <string>
#include <vector>

namespace NQuillo {

// A picture read from a file: 8 bits with a colour table, or 32 bits as blue, green, red
// and an unused byte; rows top-down and packed.
struct TImage {
  int32_t Width = 0;
  int32_t Height = 0;
  unsigned BitsPerPixel = 32;
  std::vector<uint8_t> Pixels;
  TPalette Palette{};
};

// Reads a BMP or PNG file, told apart by their first bytes. Throws TMovieError with the
// file's name and the reason.
TImage ReadPicture(const std::string& path);
TImage ReadBmp(const std::vector<uint8_t>& bytes, const std::string& name);
std::vector<uint8_t> ReadWholeFile(const std::string& path, uint64_t maxBytes);

// Writes a picture as an uncompressed bottom-up BMP (8 bits with colour table, or 24 bits).
std::vector<uint8_t> BmpFileBytes(const TImage& image);

// Converts a picture to the packed pixels of a segment's depth: 32 and 24 bits give blue,
// green, red (and a zero byte); 8 bits keep an 8-bit picture's indices and colour table and
// map true colour onto a fixed 6 x 6 x 6 colour cube with a grey ramp.
void ConvertPicture(const TImage& image, unsigned bitsPerPixel, std::vector<uint8_t>& pixels,
                    TPalette& palette);
TPalette CubePalette();

} // namespace NQuillo
