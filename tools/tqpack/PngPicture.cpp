#include "PngPicture.h"

#include "writer/LittleEndian.h"
#include "writer/MovieLayout.h"

namespace NQuillo {

namespace {

struct TLayoutInfo {
  unsigned Channels;
  bool Indexed;
  int Red, Green, Blue; // channel of each colour; grey layouts read channel 0 for all three
};

TLayoutInfo Info(TPngSamples::ELayout layout) {
  using E = TPngSamples::ELayout;
  switch (layout) {
  case E::Grey:
    return {1, false, 0, 0, 0};
  case E::GreyAlpha:
    return {2, false, 0, 0, 0};
  case E::Indexed:
    return {1, true, 0, 0, 0};
  case E::Rgb:
    return {3, false, 0, 1, 2};
  case E::Rgba:
    return {4, false, 0, 1, 2};
  case E::Bgr:
    return {3, false, 2, 1, 0};
  case E::Bgra:
    return {4, false, 2, 1, 0};
  }
  return {0, false, 0, 0, 0};
}

// Sample i of a row, at any depth; low depths are packed from the high bit down.
uint32_t Sample(const uint8_t* row, size_t i, unsigned depth, bool littleEndian16) {
  switch (depth) {
  case 16:
    return littleEndian16 ? uint32_t{row[2 * i]} | uint32_t{row[2 * i + 1]} << 8
                          : uint32_t{row[2 * i]} << 8 | uint32_t{row[2 * i + 1]};
  case 8:
    return row[i];
  default: {
    const size_t bit = i * depth;
    return static_cast<uint32_t>(row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
  }
  }
}

// A sample of the given depth as 8 bits, rounded to the nearest value.
uint32_t To8Bits(uint32_t value, unsigned depth) {
  const uint32_t top = (1u << depth) - 1;
  return (value * 255 + top / 2) / top;
}

} // namespace

TImage PngImage(const TPngSamples& s, const std::string& name) {
  const TLayoutInfo info = Info(s.Layout);
  const unsigned depth = s.BitDepth;
  const bool depthFits = info.Indexed ? depth == 1 || depth == 2 || depth == 4 || depth == 8
                         : info.Channels == 1
                             ? depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16
                             : depth == 8 || depth == 16;
  const uint64_t rowBits = static_cast<uint64_t>(s.Width) * info.Channels * depth;
  if (info.Channels == 0 || !depthFits || s.Width <= 0 || s.Height <= 0 ||
      s.Stride < (rowBits + 7) / 8 || s.Rows.size() / s.Stride < static_cast<uint64_t>(s.Height))
    throw TMovieError(name + ": PNG samples of an unexpected form");

  TImage image;
  image.Width = s.Width;
  image.Height = s.Height;
  image.BitsPerPixel = info.Indexed ? 8 : 32;
  const size_t width = static_cast<size_t>(s.Width);
  image.Pixels.assign(width * static_cast<size_t>(s.Height) * (info.Indexed ? 1 : 4), 0);
  if (info.Indexed)
    for (size_t i = 0; i < s.Palette.size() && i < image.Palette.size(); ++i)
      image.Palette[i] = s.Palette[i] & 0xFFFFFF;
  for (size_t y = 0; y < static_cast<size_t>(s.Height); ++y) {
    const uint8_t* row = s.Rows.data() + y * s.Stride;
    for (size_t x = 0; x < width; ++x) {
      const size_t first = x * info.Channels;
      if (info.Indexed) {
        image.Pixels[y * width + x] = static_cast<uint8_t>(Sample(row, first, depth, false));
        continue;
      }
      auto colour = [&](int channel) {
        return To8Bits(Sample(row, first + static_cast<size_t>(channel), depth, s.LittleEndian16),
                       depth);
      };
      NLe::Put24(&image.Pixels[(y * width + x) * 4],
                 colour(info.Red) << 16 | colour(info.Green) << 8 | colour(info.Blue));
    }
  }
  return image;
}

} // namespace NQuillo
