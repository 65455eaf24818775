#include "PictureFiles.h"

#include "PngPicture.h"

#include "writer/BinaryFile.h"
#include "writer/FrameEncoder.h"
#include "writer/LittleEndian.h"
#include "writer/MovieLayout.h"

#include <algorithm>
#include <cstring>

namespace NQuillo {

namespace {

// BITMAPFILEHEADER and the BITMAPINFOHEADER family.
constexpr size_t FileHeaderSize = 14;
constexpr size_t FileType = 0;
constexpr size_t FileBitsOffset = 10;
constexpr size_t InfoSize = 14;
constexpr size_t InfoWidth = 18;
constexpr size_t InfoHeight = 22;
constexpr size_t InfoPlanes = 26;
constexpr size_t InfoBitCount = 28;
constexpr size_t InfoCompression = 30;
constexpr size_t InfoColoursUsed = 46;
constexpr size_t InfoRedMask = 54; // BITFIELDS masks follow a 40-byte header
constexpr size_t CoreWidth = 18;   // the old 12-byte header has 16-bit sizes
constexpr size_t CoreHeight = 20;
constexpr size_t CoreBitCount = 24;
constexpr uint32_t CompressionRgb = 0;
constexpr uint32_t CompressionBitfields = 3;
// Pictures of up to 64 million pixels: the frame encoder's limit.
constexpr uint64_t MaxPictureFileBytes = uint64_t{1} << 30;

[[noreturn]] void Bad(const std::string& name, const std::string& why) {
  throw TMovieError(name + ": " + why);
}

void CheckSize(int64_t width, int64_t height, const std::string& name) {
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535 ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > TFrameEncoder::MaxPixels)
    Bad(name, "unsupported picture size " + std::to_string(width) + " x " + std::to_string(height));
}

// Spreads a channel of a 16- or 32-bit pixel to 8 bits.
uint32_t Channel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  unsigned shift = 0;
  while (!(mask >> shift & 1))
    ++shift;
  const uint32_t value = (pixel & mask) >> shift;
  const uint32_t top = mask >> shift;
  return top == 0 ? 0 : value * 255 / top;
}

int NearestCubeLevel(uint32_t value) {
  return static_cast<int>((value * 5 + 127) / 255);
}

} // namespace

std::vector<uint8_t> ReadWholeFile(const std::string& path, uint64_t maxBytes) {
  TBinaryFile file(path, TBinaryFile::EMode::Read);
  const uint64_t size = file.Size();
  if (size > maxBytes) Bad(path, "file too large");
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  file.ReadAt(0, bytes.data(), bytes.size());
  return bytes;
}

TImage ReadBmp(const std::vector<uint8_t>& b, const std::string& name) {
  if (b.size() < FileHeaderSize + 12 || b[FileType] != 'B' || b[FileType + 1] != 'M')
    Bad(name, "not a BMP file");
  const uint32_t infoSize = NLe::Get32(&b[InfoSize]);
  const bool core = infoSize == 12;
  if (!core && (infoSize < 40 || infoSize > 256)) Bad(name, "unknown BMP header");
  if (b.size() < FileHeaderSize + infoSize) Bad(name, "truncated BMP header");
  const int64_t width =
      core ? int64_t{NLe::Get16(&b[CoreWidth])} : int64_t{NLe::GetI32(&b[InfoWidth])};
  const int64_t rawHeight =
      core ? int64_t{NLe::Get16(&b[CoreHeight])} : int64_t{NLe::GetI32(&b[InfoHeight])};
  const unsigned bits = NLe::Get16(&b[core ? CoreBitCount : InfoBitCount]);
  const uint32_t compression = core ? CompressionRgb : NLe::Get32(&b[InfoCompression]);
  if (!core && NLe::Get16(&b[InfoPlanes]) != 1) Bad(name, "BMP with more than one plane");
  const bool topDown = rawHeight < 0;
  const int64_t height = topDown ? -rawHeight : rawHeight;
  CheckSize(width, height, name);
  if (compression != CompressionRgb &&
      !(compression == CompressionBitfields && (bits == 16 || bits == 32)))
    Bad(name, "compressed BMP files are not supported");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    Bad(name, "BMP with " + std::to_string(bits) + " bits per pixel is not supported");

  TImage image;
  image.Width = static_cast<int32_t>(width);
  image.Height = static_cast<int32_t>(height);
  image.BitsPerPixel = bits <= 8 ? 8 : 32;

  uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (bits == 32) {
    masks[0] = 0xFF0000;
    masks[1] = 0x00FF00;
    masks[2] = 0x0000FF;
  }
  if (compression == CompressionBitfields) {
    if (b.size() < InfoRedMask + 12) Bad(name, "truncated BMP colour masks");
    for (int i = 0; i < 3; ++i)
      masks[i] = NLe::Get32(&b[InfoRedMask + 4 * static_cast<size_t>(i)]);
  }
  if (bits <= 8) {
    const size_t entrySize = core ? 3 : 4;
    uint32_t colours = core ? 0 : NLe::Get32(&b[InfoColoursUsed]);
    if (colours == 0 || colours > (1u << bits)) colours = 1u << bits;
    const size_t tableAt = FileHeaderSize + infoSize;
    if (b.size() < tableAt + colours * entrySize) Bad(name, "truncated BMP colour table");
    for (size_t i = 0; i < colours; ++i)
      image.Palette[i] = NLe::Get24(&b[tableAt + i * entrySize]);
  }

  const uint64_t rowBytes = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
  const uint64_t bitsAt = NLe::Get32(&b[FileBitsOffset]);
  if (bitsAt > b.size() || rowBytes * static_cast<uint64_t>(height) > b.size() - bitsAt)
    Bad(name, "truncated BMP pixels");
  const size_t outBytes = image.BitsPerPixel / 8;
  image.Pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * outBytes, 0);
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* row = &b[static_cast<size_t>(
        bitsAt + rowBytes * static_cast<uint64_t>(topDown ? y : height - 1 - y))];
    uint8_t* out = &image.Pixels[static_cast<size_t>(y) * static_cast<size_t>(width) * outBytes];
    for (int64_t x = 0; x < width; ++x) {
      const size_t ux = static_cast<size_t>(x);
      switch (bits) {
      case 1:
        out[ux] = row[ux / 8] >> (7 - ux % 8) & 1;
        break;
      case 4:
        out[ux] = ux % 2 ? row[ux / 2] & 0x0F : row[ux / 2] >> 4;
        break;
      case 8:
        out[ux] = row[ux];
        break;
      case 24:
        NLe::Put24(out + ux * 4, NLe::Get24(row + ux * 3));
        break;
      default: {
        const uint32_t pixel = bits == 16 ? NLe::Get16(row + ux * 2) : NLe::Get32(row + ux * 4);
        NLe::Put24(out + ux * 4, Channel(pixel, masks[0]) << 16 | Channel(pixel, masks[1]) << 8 |
                                     Channel(pixel, masks[2]));
      }
      }
    }
  }
  return image;
}

TImage ReadPicture(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadWholeFile(path, MaxPictureFileBytes);
  static const uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), pngSignature, 8) == 0)
    return ReadPng(bytes, path);
  return ReadBmp(bytes, path);
}

std::vector<uint8_t> BmpFileBytes(const TImage& image) {
  const bool indexed = image.BitsPerPixel == 8;
  const unsigned bits = indexed ? 8 : 24;
  const size_t rowBytes = (static_cast<size_t>(image.Width) * bits + 31) / 32 * 4;
  const size_t tableBytes = indexed ? 256 * 4 : 0;
  const size_t bitsAt = FileHeaderSize + 40 + tableBytes;
  std::vector<uint8_t> b(bitsAt + rowBytes * static_cast<size_t>(image.Height), 0);
  b[0] = 'B';
  b[1] = 'M';
  NLe::Put32(&b[2], static_cast<uint32_t>(b.size()));
  NLe::Put32(&b[FileBitsOffset], static_cast<uint32_t>(bitsAt));
  NLe::Put32(&b[InfoSize], 40);
  NLe::PutI32(&b[InfoWidth], image.Width);
  NLe::PutI32(&b[InfoHeight], image.Height);
  NLe::Put16(&b[InfoPlanes], 1);
  NLe::Put16(&b[InfoBitCount], bits);
  if (indexed)
    for (size_t i = 0; i < 256; ++i)
      NLe::Put24(&b[FileHeaderSize + 40 + i * 4], image.Palette[i]);
  const size_t inBytes = indexed ? 1 : 4;
  for (int32_t y = 0; y < image.Height; ++y) {
    uint8_t* row = &b[bitsAt + rowBytes * static_cast<size_t>(image.Height - 1 - y)];
    const uint8_t* in =
        &image.Pixels[static_cast<size_t>(y) * static_cast<size_t>(image.Width) * inBytes];
    for (int32_t x = 0; x < image.Width; ++x) {
      const size_t ux = static_cast<size_t>(x);
      if (indexed)
        row[ux] = in[ux];
      else
        NLe::Put24(row + ux * 3, NLe::Get24(in + ux * 4));
    }
  }
  return b;
}

TPalette CubePalette() {
  TPalette palette{};
  for (uint32_t i = 0; i < 216; ++i)
    palette[i] = (i / 36) * 51 << 16 | (i / 6 % 6) * 51 << 8 | (i % 6) * 51;
  // Greys between the cube's own, for the soft shades of window frames and text.
  for (uint32_t i = 0; i < 38; ++i) {
    const uint32_t g = (i + 1) * 255 / 39;
    palette[216 + i] = g << 16 | g << 8 | g;
  }
  return palette;
}

void ConvertPicture(const TImage& image, unsigned bitsPerPixel, std::vector<uint8_t>& pixels,
                    TPalette& palette) {
  const size_t count = static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height);
  const TRunFormat& format = RunFormat(bitsPerPixel);
  pixels.resize(count * format.BytesPerPixel);
  if (bitsPerPixel == 8) {
    if (image.BitsPerPixel == 8) {
      palette = image.Palette;
      std::memcpy(pixels.data(), image.Pixels.data(), count);
      return;
    }
    palette = CubePalette();
    for (size_t i = 0; i < count; ++i) {
      const uint32_t rgb = NLe::Get24(&image.Pixels[i * 4]);
      const uint32_t r = rgb >> 16, g = rgb >> 8 & 0xFF, bl = rgb & 0xFF;
      const int cube = NearestCubeLevel(r) * 36 + NearestCubeLevel(g) * 6 + NearestCubeLevel(bl);
      uint8_t index = static_cast<uint8_t>(cube);
      if (r == g && g == bl) {
        // A grey: the nearest of the ramp and the cube's greys.
        int best = cube;
        int bestError = std::abs(static_cast<int>(palette[static_cast<size_t>(cube)] & 0xFF) -
                                 static_cast<int>(r));
        for (int k = 216; k < 254; ++k) {
          const int error = std::abs(static_cast<int>(palette[static_cast<size_t>(k)] & 0xFF) -
                                     static_cast<int>(r));
          if (error < bestError) {
            best = k;
            bestError = error;
          }
        }
        index = static_cast<uint8_t>(best);
      }
      pixels[i] = index;
    }
    return;
  }
  for (size_t i = 0; i < count; ++i) {
    const uint32_t rgb =
        image.BitsPerPixel == 8 ? image.Palette[image.Pixels[i]] : NLe::Get24(&image.Pixels[i * 4]);
    uint8_t* out = &pixels[i * format.BytesPerPixel];
    NLe::Put24(out, rgb);
    if (format.BytesPerPixel == 4) out[3] = 0;
  }
}

} // namespace NQuillo
