// PNG files written sample by sample for the tests: every colour type and depth, Adam7
// interlacing and extra chunks, with a zlib stream of stored blocks.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct TPngFile {
  uint32_t Width = 0;
  uint32_t Height = 0;
  uint8_t ColourType = 2; // 0 grey, 2 RGB, 3 indexed, 4 grey + alpha, 6 RGBA
  uint8_t BitDepth = 8;
  bool Interlaced = false;
  std::vector<uint32_t> Samples; // Width x Height pixels of all their channels, in file order
  std::vector<uint32_t> Palette; // indexed: 0xRRGGBB entries
  // Chunks put between the header and the picture data: type and contents.
  std::vector<std::pair<std::string, std::vector<uint8_t>>> Extra;
};

std::vector<uint8_t> MakePng(const TPngFile& file);
