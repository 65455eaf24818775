// Frame records and the streams that run in step with them: the run format of each colour
// depth, the expansion of a record's runs into the XOR frame, the XOR of that frame into the
// picture, and the readers of palette changes and cursor steps.
//
// Everything here works on buffers handed in with their lengths, so that the timer tick, the
// tools and the tests share one decoder and none of it can write outside what it was given.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

class TtqStream;

// How the runs of one colour depth are stored, and how wide a pixel is in the frame bitmaps.
struct TFrameRunFormat {
  std::int32_t BitsPerPixel = 0;
  std::int32_t BytesPerPixel = 0;
  std::int32_t PixelFieldSize = 0;
  std::int32_t CountFieldSize = 0;
  std::int32_t MaxRunLength = 0;
  std::int32_t RunSize = 0;
};

// The format of 8, 24 and 32 bits; any other depth gives false and leaves format alone.
bool GetRunFormat(std::int32_t bitsPerPixel, TFrameRunFormat& format);

// The XOR frame and the picture are top-down, rows padded to 4 bytes; the XOR frame has one
// spare row below the picture for the byte that a 24-bit store may put past the last pixel.
struct TFrameGeometry {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  TFrameRunFormat Format;
  std::int32_t RowBytes = 0;
  std::int32_t RowPadding = 0;
  std::int32_t Stride = 0;

  std::size_t PictureBytes() const;  // Stride x Height
  std::size_t XorFrameBytes() const; // Stride x (Height + 1)
  // The largest record of the picture, one run per pixel: the size of a block of the ring.
  std::int32_t MaxRecordSize() const;
};

// Sizes beyond this would not fit a record's int32 size field or a bitmap's size.
constexpr std::int64_t MaxFrameBytes = 0x7FFFFFFF;

// False, geometry untouched, for a depth without a run format, a size below 1 x 1, or a picture
// whose XOR frame or largest record would exceed MaxFrameBytes.
bool MakeFrameGeometry(std::int32_t width, std::int32_t height, std::int32_t bitsPerPixel,
                       TFrameGeometry& geometry);
bool operator==(const TFrameGeometry& a, const TFrameGeometry& b);

constexpr std::size_t FrameRecordHeaderSize = 8; // RecordSize and RunCount

enum TUnpackResult : std::uint8_t {
  // The runs were expanded:
  urComplete, // they cover the picture exactly
  urShort,    // fewer pixels: the rest of the XOR frame is as it was
  urOverlong, // more pixels: the runs were cut off at the end of the picture
  // The record was refused and nothing was written:
  urNoHeader,     // fewer than 8 bytes were given
  urSizeTooSmall, // RecordSize < 8
  urSizeTooLarge, // RecordSize larger than the bytes given
  urSizeMismatch, // RecordSize <> 8 + RunCount x RunSize
  urBadGeometry,  // geometry not as MakeFrameGeometry makes it
  urXorFrameTooSmall,
};

inline bool RunsExpanded(TUnpackResult result) {
  return result <= urOverlong;
}
// A message naming the routine and the failed condition; empty for urComplete.
const char* UnpackResultText(TUnpackResult result);

// Expands the runs of the record (its RecordSize at offset 0, RunCount at 4, the runs from 8)
// into the XOR frame. Reads no byte past record + recordLength and writes none outside the
// XOR frame. At 32 bits the fourth byte of every pixel written is 0. At 24 bits each pixel
// is a 4-byte store, so the byte after a row's last pixel lands in the row padding, or in the
// spare row after the picture's last pixel; a short record gets back the byte after its last
// pixel, so that what it did not cover is as it was.
TUnpackResult ExpandFrameRecord(const std::uint8_t* record, std::size_t recordLength,
                                const TFrameGeometry& geometry, std::uint8_t* xorFrame,
                                std::size_t xorFrameLength);

// XORs the XOR frame into an 8-bit picture of the same geometry as 32-bit words, padding
// included, spare row excluded. The two buffers must not overlap. False, nothing done, when a
// buffer is smaller than the picture or the geometry is not an 8-bit one.
bool ApplyXorFrame8(const std::uint8_t* xorFrame, std::size_t xorFrameLength, std::uint8_t* picture,
                    std::size_t pictureLength, const TFrameGeometry& geometry);

// The same for any supported depth, in memory: what the player's display does with a raster
// operation at 24 and 32 bits. The padding of a 24-bit picture is left alone.
bool ApplyXorFrameInMemory(const std::uint8_t* xorFrame, std::size_t xorFrameLength,
                           std::uint8_t* picture, std::size_t pictureLength,
                           const TFrameGeometry& geometry);

// One entry of the 8-bit colour table, laid out like a DIB colour table entry.
struct TPaletteEntry {
  std::uint8_t Blue = 0;
  std::uint8_t Green = 0;
  std::uint8_t Red = 0;
  std::uint8_t Reserved = 0;
};
static_assert(sizeof(TPaletteEntry) == 4, "a colour table entry is four bytes");
using TPaletteTable = std::array<TPaletteEntry, 256>;

enum TPaletteResult : std::uint8_t {
  prExhausted, // no record left: the palette is kept
  prUnchanged, // ChangeCount 0
  prChanged,
  prClipped,   // entries past 255 were read and dropped
  prTruncated, // the stream ended inside the record: the whole entries that came were taken
};

// Reads the next PaletteChange record and applies it to palette. Every byte of the record is
// consumed, those of dropped entries too, so the stream stays in step with the frames.
TPaletteResult ReadPaletteChange(TtqStream& changes, TPaletteTable& palette);

struct TCursorStep {
  std::uint16_t ShapeIndex = 0;
  std::uint16_t X = 0;
  std::uint16_t Y = 0;
};
constexpr std::int32_t CursorStepSize = 6;

// Reads the next 6-byte step; false, step untouched, when fewer than 6 bytes are left.
bool ReadCursorStep(TtqStream& track, TCursorStep& step);
