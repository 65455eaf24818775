#include "writer/FrameEncoder.h"

#include "writer/LittleEndian.h"

#include <string>

namespace NQuillo {

namespace {

const TRunFormat& CheckedFormat(int32_t width, int32_t height, unsigned bitsPerPixel) {
  if (width <= 0 || height <= 0)
    throw TMovieError("picture size " + std::to_string(width) + " x " + std::to_string(height) +
                      " is not positive");
  if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > TFrameEncoder::MaxPixels)
    throw TMovieError("picture of " + std::to_string(width) + " x " + std::to_string(height) +
                      " pixels is too large");
  return RunFormat(bitsPerPixel);
}

// Loads a pixel as the value a run stores: the palette index, or blue, green and red as the
// low 24 bits.
template <unsigned Depth> inline uint32_t LoadPixel(const uint8_t* at) {
  if constexpr (Depth == 8)
    return at[0];
  else
    return NLe::Get24(at);
}

template <unsigned Depth> inline uint8_t* PutRun(uint8_t* out, uint32_t value, uint32_t count) {
  if constexpr (Depth == 8) {
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(count);
    return out + 2;
  } else {
    NLe::Put24(out, value);
    NLe::Put16(out + 3, count);
    return out + 5;
  }
}

} // namespace

TFrameEncoder::TFrameEncoder(int32_t width, int32_t height, unsigned bitsPerPixel)
    : FormatValue(CheckedFormat(width, height, bitsPerPixel)), WidthValue(width),
      HeightValue(height), Previous(static_cast<size_t>(width) * static_cast<size_t>(height) *
                                        FormatValue.PixelFieldSize,
                                    0) {}

size_t TFrameEncoder::MaxRecordSize() const {
  return NMovie::RecordRuns +
         static_cast<size_t>(WidthValue) * static_cast<size_t>(HeightValue) * FormatValue.RunSize;
}

void TFrameEncoder::Encode(const TPictureView& picture, std::vector<uint8_t>& record) {
  const size_t rowBytes = PackedStride();
  const size_t rows = static_cast<size_t>(HeightValue);
  if (!picture.Pixels || picture.Stride < rowBytes ||
      picture.Size < picture.Stride * (rows - 1) + rowBytes)
    throw TMovieError("picture buffer smaller than " + std::to_string(WidthValue) + " x " +
                      std::to_string(HeightValue) + " pixels at " +
                      std::to_string(FormatValue.BitsPerPixel) + " bits");
  record.resize(MaxRecordSize());
  uint8_t* runs = record.data() + NMovie::RecordRuns;
  size_t runBytes = 0;
  switch (FormatValue.BitsPerPixel) {
  case 8:
    runBytes = EncodeRuns<8>(picture, runs);
    break;
  case 24:
    runBytes = EncodeRuns<24>(picture, runs);
    break;
  default:
    runBytes = EncodeRuns<32>(picture, runs);
    break;
  }
  const size_t recordSize = NMovie::RecordRuns + runBytes;
  record.resize(recordSize);
  NLe::Put32(record.data() + NMovie::RecordSizeField, static_cast<uint32_t>(recordSize));
  NLe::Put32(record.data() + NMovie::RecordRunCount,
             static_cast<uint32_t>(runBytes / FormatValue.RunSize));
}

template <unsigned Depth>
size_t TFrameEncoder::EncodeRuns(const TPictureView& picture, uint8_t* out) {
  constexpr unsigned inBytes = Depth / 8;
  constexpr unsigned keptBytes = Depth == 8 ? 1 : 3;
  constexpr uint32_t maxRun = Depth == 8 ? 255 : 65535;
  uint8_t* const start = out;
  uint8_t* previous = Previous.data();
  uint32_t runValue = 0;
  uint32_t runLength = 0;
  // Runs ignore row ends: the value and count carry over into the next row.
  for (int32_t y = 0; y < HeightValue; ++y) {
    const uint8_t* row = picture.Pixels + static_cast<size_t>(y) * picture.Stride;
    for (int32_t x = 0; x < WidthValue; ++x, row += inBytes, previous += keptBytes) {
      const uint32_t now = LoadPixel<Depth>(row);
      const uint32_t difference = now ^ LoadPixel<Depth>(previous);
      if constexpr (Depth == 8)
        previous[0] = static_cast<uint8_t>(now);
      else
        NLe::Put24(previous, now);
      if (difference == runValue && runLength != 0 && runLength < maxRun) {
        ++runLength;
        continue;
      }
      if (runLength != 0) out = PutRun<Depth>(out, runValue, runLength);
      runValue = difference;
      runLength = 1;
    }
  }
  out = PutRun<Depth>(out, runValue, runLength);
  return static_cast<size_t>(out - start);
}

} // namespace NQuillo
