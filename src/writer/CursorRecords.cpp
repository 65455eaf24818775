#include "writer/CursorRecords.h"

#include "writer/LittleEndian.h"
#include "writer/MovieLayout.h"

namespace NQuillo {

namespace {

// Cursors larger than this are no cursors: the system's are 32 or 64 pixels square.
constexpr int32_t MaxCursorSide = 256;

void CheckShape(const TCursorShape& shape) {
  if (shape.Width <= 0 || shape.Height <= 0 || shape.Width > MaxCursorSide ||
      shape.Height > MaxCursorSide)
    throw TMovieError("cursor shape of " + std::to_string(shape.Width) + " x " +
                      std::to_string(shape.Height) + " pixels is not between 1 and 256 square");
  const size_t pixels = static_cast<size_t>(shape.Width) * static_cast<size_t>(shape.Height);
  if (shape.AndMask.size() != pixels || shape.Colour.size() != pixels)
    throw TMovieError("cursor shape pixel arrays do not match its size");
  if (shape.ColourBits != 0 && shape.ColourBits != 24 && shape.ColourBits != 32)
    throw TMovieError("cursor colour bits must be 0, 24 or 32");
}

void PutDescriptor(uint8_t* at, size_t size, int32_t width, int32_t height, unsigned bits) {
  using namespace NCursorRecord;
  NLe::Put32(at + DescriptorSize, static_cast<uint32_t>(size));
  NLe::PutI32(at + DescriptorWidth, width);
  NLe::PutI32(at + DescriptorHeight, height);
  NLe::Put8(at + DescriptorBitsPerPixel, bits);
}

// Sets the bit of pixel x in a 1-bit row, leftmost pixel in the top bit.
void SetMaskBit(uint8_t* row, int32_t x) {
  row[x / 8] = static_cast<uint8_t>(row[x / 8] | (0x80u >> (x % 8)));
}

uint32_t ParseHexColour(const std::string& hex) {
  uint32_t value = 0;
  for (char c : hex) {
    uint32_t digit = 0;
    if (c >= '0' && c <= '9')
      digit = static_cast<uint32_t>(c - '0');
    else if (c >= 'a' && c <= 'f')
      digit = static_cast<uint32_t>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F')
      digit = static_cast<uint32_t>(c - 'A' + 10);
    else
      throw TMovieError("bad colour in cursor palette: " + hex);
    value = value << 4 | digit;
  }
  return value;
}

} // namespace

size_t MaskRowBytes(int32_t width) {
  return (static_cast<size_t>(width) + 15) / 16 * 2;
}

size_t DibRowBytes(int32_t width, unsigned bitsPerPixel) {
  return (static_cast<size_t>(width) * bitsPerPixel + 31) / 32 * 4;
}

TCursorShape TCursorShape::FromArt(const std::vector<std::string>& rows, int32_t hotX, int32_t hotY,
                                   unsigned colourBits, const std::vector<std::string>& palette) {
  TCursorShape shape;
  shape.HotX = hotX;
  shape.HotY = hotY;
  shape.Height = static_cast<int32_t>(rows.size());
  shape.Width = rows.empty() ? 0 : static_cast<int32_t>(rows[0].size());
  shape.ColourBits = colourBits;
  for (const std::string& row : rows) {
    if (static_cast<int32_t>(row.size()) != shape.Width)
      throw TMovieError("cursor art rows differ in length");
    for (char c : row) {
      uint8_t mask = 0;
      uint32_t colour = 0;
      switch (c) {
      case '.':
        mask = 1;
        break;
      case '#':
        break;
      case 'o':
        colour = 0xFFFFFF;
        break;
      case '~':
        mask = 1;
        colour = 0xFFFFFF;
        break;
      default: {
        bool found = false;
        for (const std::string& item : palette)
          if (item.size() == 7 && item[0] == c) {
            colour = ParseHexColour(item.substr(1));
            found = true;
          }
        if (!found) throw TMovieError(std::string("cursor art uses an unknown colour '") + c + "'");
      }
      }
      shape.AndMask.push_back(mask);
      shape.Colour.push_back(colour);
    }
  }
  CheckShape(shape);
  return shape;
}

std::vector<uint8_t> CursorShapeRecord(const TCursorShape& shape) {
  using namespace NCursorRecord;
  CheckShape(shape);
  const bool monochrome = shape.ColourBits == 0;
  const size_t maskRow = MaskRowBytes(shape.Width);
  const int32_t maskHeight = monochrome ? shape.Height * 2 : shape.Height;
  const size_t maskSize = maskRow * static_cast<size_t>(maskHeight);
  const size_t colourRow = monochrome ? 0 : DibRowBytes(shape.Width, shape.ColourBits);
  const size_t colourSize = colourRow * static_cast<size_t>(shape.Height);

  std::vector<uint8_t> record(Mask + DescriptorBytes + maskSize + DescriptorBytes + colourSize, 0);
  NLe::PutI32(record.data() + HotX, shape.HotX);
  NLe::PutI32(record.data() + HotY, shape.HotY);
  PutDescriptor(record.data() + Mask, maskSize, shape.Width, maskHeight, 1);
  uint8_t* const maskBits = record.data() + Mask + DescriptorBytes;
  uint8_t* const colourDescriptor = maskBits + maskSize;
  uint8_t* const colourBits = colourDescriptor + DescriptorBytes;
  if (monochrome)
    PutDescriptor(colourDescriptor, 0, 0, 0, MonochromeColourBits);
  else
    PutDescriptor(colourDescriptor, colourSize, shape.Width, shape.Height, shape.ColourBits);

  const size_t bytesPerColour = shape.ColourBits / 8;
  for (int32_t y = 0; y < shape.Height; ++y) {
    for (int32_t x = 0; x < shape.Width; ++x) {
      const size_t i =
          static_cast<size_t>(y) * static_cast<size_t>(shape.Width) + static_cast<size_t>(x);
      if (shape.AndMask[i]) SetMaskBit(maskBits + static_cast<size_t>(y) * maskRow, x);
      if (monochrome) {
        // The XOR half of a monochrome mask sits below the AND half.
        if (shape.Colour[i] != 0)
          SetMaskBit(maskBits + static_cast<size_t>(y + shape.Height) * maskRow, x);
      } else {
        NLe::Put24(colourBits + static_cast<size_t>(y) * colourRow +
                       static_cast<size_t>(x) * bytesPerColour,
                   shape.Colour[i] & 0xFFFFFFu);
      }
    }
  }
  return record;
}

} // namespace NQuillo
