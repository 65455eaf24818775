#pragma once

#include "writer/MovieLayout.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace NQuillo {

// A picture handed to the encoder: top-down rows of Width pixels at the format's
// BytesPerPixel (blue, green, red, then an ignored byte at 32 bits; a palette index at 8),
// Stride bytes apart.
struct TPictureView {
  const uint8_t* Pixels = nullptr;
  size_t Size = 0; // bytes readable at Pixels
  size_t Stride = 0;
};

// Turns a sequence of pictures into frame records: each picture is XORed against the one
// before it (the first against black) and the differences are stored as runs of equal
// values in display order. Holds one picture, the previous one, at the run format's pixel
// size.
class TFrameEncoder {
public:
  // Pictures up to this many pixels: the worst record still fits a positive int32.
  static constexpr uint64_t MaxPixels = uint64_t{1} << 26;

  TFrameEncoder(int32_t width, int32_t height, unsigned bitsPerPixel);
  TFrameEncoder(const TFrameEncoder&) = delete;
  TFrameEncoder& operator=(const TFrameEncoder&) = delete;

  // Replaces record with the frame record of picture. The buffer keeps its capacity, so a
  // caller that reuses it allocates once.
  void Encode(const TPictureView& picture, std::vector<uint8_t>& record);

  const TRunFormat& Format() const { return FormatValue; }
  int32_t Width() const { return WidthValue; }
  int32_t Height() const { return HeightValue; }
  size_t PackedStride() const {
    return static_cast<size_t>(WidthValue) * FormatValue.BytesPerPixel;
  }
  // The largest record a picture of this size can give.
  size_t MaxRecordSize() const;

private:
  template <unsigned Depth> size_t EncodeRuns(const TPictureView& picture, uint8_t* out);

  const TRunFormat& FormatValue;
  const int32_t WidthValue;
  const int32_t HeightValue;
  std::vector<uint8_t> Previous; // the last picture at PixelFieldSize bytes per pixel
};

} // namespace NQuillo
