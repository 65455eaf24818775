#pragma once

#include "PictureFiles.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace NQuillo {

// The samples of a PNG picture as its file stores them, rows top-down, before any gamma,
// transparency or depth conversion: what libpng's low-level reader gives natively and what
// the platform's image codecs (WIC) give on Windows when asked for the stored format. Both
// turn into the same picture through PngImage.
struct TPngSamples {
  enum class ELayout { Grey, GreyAlpha, Indexed, Rgb, Rgba, Bgr, Bgra };
  ELayout Layout = ELayout::Rgb;
  unsigned BitDepth = 8;       // bits per sample: 1, 2, 4, 8 or 16
  bool LittleEndian16 = false; // 16-bit samples: PNG stores them big-endian, WIC little-endian
  int32_t Width = 0;
  int32_t Height = 0;
  size_t Stride = 0;             // bytes from one row to the next
  std::vector<uint8_t> Rows;     // Height rows of Stride bytes
  std::vector<uint32_t> Palette; // Indexed: 0xRRGGBB entries
};

// An indexed picture keeps its indices and colour table (8 bits); every other kind becomes
// 32 bits. Samples of other depths are scaled to 8 bits with rounding; alpha is dropped, the
// colours stay as stored. Throws TMovieError naming the file when the samples do not fit.
TImage PngImage(const TPngSamples& samples, const std::string& name);

// Whether this build reads PNG files.
bool PngSupported();
// Decodes a PNG file's bytes with the platform's reader. Throws TMovieError naming the file.
TImage ReadPng(const std::vector<uint8_t>& bytes, const std::string& name);

} // namespace NQuillo
