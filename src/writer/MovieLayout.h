#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

// The byte layout of a movie as the player reads it: trailer, segment table, segment header,
// the SegmentDataFile's blocks, frame runs, cursor steps and palette changes.
namespace NQuillo {

// A movie or a part of one that cannot be written or read as asked.
class TMovieError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

namespace NMovie {

constexpr size_t TrailerSize = 4;
constexpr size_t TableCountSize = 4;
constexpr size_t TableEntrySize = 6;
constexpr size_t EntryOffset = 0;
constexpr size_t EntryKind = 4;
constexpr uint16_t KindSegment = 1;
// Each segment ends with four zero bytes that the player never reads.
constexpr size_t SegmentTailSize = 4;

// SegmentHeader.
constexpr size_t HeaderVersion = 0;
constexpr size_t HeaderWidth = 1;
constexpr size_t HeaderHeight = 5;
constexpr size_t HeaderBitsPerPixel = 9;
constexpr size_t HeaderFrameRate = 10;
constexpr size_t HeaderFlags = 14;
constexpr size_t HeaderFrameCount = 18;
constexpr size_t HeaderCursorCount = 22;
constexpr size_t HeaderCursorTrackSize = 26;
constexpr size_t HeaderPaletteDataSize = 30;
constexpr size_t HeaderFrameDataSize = 34;
constexpr size_t HeaderCabinetSize = 38;
constexpr size_t HeaderCabinetOffset = 42;
constexpr size_t HeaderReserved1 = 46;
constexpr size_t HeaderReserved2 = 50;
constexpr size_t HeaderSize = 54;

constexpr uint8_t CurrentVersion = 0;
constexpr int32_t FlagThreeTicksPerFrame = 1;

// Frame record.
constexpr size_t RecordSizeField = 0;
constexpr size_t RecordRunCount = 4;
constexpr size_t RecordRuns = 8;

// CursorStep.
constexpr size_t StepShapeIndex = 0;
constexpr size_t StepX = 2;
constexpr size_t StepY = 4;
constexpr size_t StepSize = 6;

// PaletteChange.
constexpr size_t PaletteEntrySize = 4;
constexpr unsigned MaxPaletteChange = 255;
constexpr unsigned PaletteEntries = 256;

// The longest segment name: one length byte and 255 characters.
constexpr size_t MaxNameBytes = 255;

} // namespace NMovie

// How a run is stored at one colour depth, and how many bytes a pixel takes in the
// pictures handed to the encoder (32-bit pictures carry an unused fourth byte).
struct TRunFormat {
  unsigned BitsPerPixel;
  unsigned PixelFieldSize;
  unsigned CountFieldSize;
  unsigned RunSize;
  uint32_t MaxRunLength;
  unsigned BytesPerPixel;
};

// The run format of 8, 24 or 32 bits; nullptr for every other depth.
const TRunFormat* FindRunFormat(unsigned bitsPerPixel);
const TRunFormat& RunFormat(unsigned bitsPerPixel); // throws for other depths

// The writer spells out the layout apart from the player's loader on purpose: each is tested
// against the other.
struct TSegmentHeader {
  uint8_t Version = NMovie::CurrentVersion;
  int32_t Width = 0;
  int32_t Height = 0;
  uint8_t BitsPerPixel = 0;
  float FrameRate = 0;
  int32_t Flags = 0;
  int32_t FrameCount = 0;
  int32_t CursorCount = 0;
  int32_t CursorTrackSize = 0;
  int32_t PaletteDataSize = 0;
  int32_t FrameDataSize = 0;
  int32_t CabinetSize = 0;
  int32_t CabinetOffset = static_cast<int32_t>(NMovie::HeaderSize);
  int32_t Reserved1 = 0;
  int32_t Reserved2 = 0;

  void Store(uint8_t* bytes) const; // NMovie::HeaderSize bytes
  static TSegmentHeader Load(const uint8_t* bytes);
  unsigned TicksPerFrame() const { return (Flags & NMovie::FlagThreeTicksPerFrame) ? 3 : 1; }
};

// The moment a segment was recorded; it names the cabinet's file and stamps it.
struct TRecordingTime {
  unsigned Year = 2024;
  unsigned Month = 1;
  unsigned Day = 1;
  unsigned Hour = 0;
  unsigned Minute = 0;
  unsigned Second = 0;
  unsigned Tenth = 0;

  bool IsValid() const;
  // "Segm" + YYYYMMDDhhmmss + tenth of a second + ".dat".
  std::string DataFileName() const;
};

} // namespace NQuillo
