// A small reader of movies written from the layout's tables, sharing no code with the
// writer: it checks what the writer produced.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace NRef {

uint32_t U16(const std::vector<uint8_t>& b, size_t at);
uint32_t U32(const std::vector<uint8_t>& b, size_t at);
int32_t I32(const std::vector<uint8_t>& b, size_t at);

struct THeader {
  uint8_t Version;
  int32_t Width, Height;
  uint8_t Bits;
  float Rate;
  int32_t Flags, Frames, Cursors, TrackSize, PaletteSize, FrameSize, CabinetSize, CabinetOffset,
      Reserved1, Reserved2;
};
THeader ReadHeader(const std::vector<uint8_t>& movie, size_t at);

struct TEntry {
  int32_t Offset;
  int16_t Kind;
};
std::vector<TEntry> ReadTable(const std::vector<uint8_t>& movie);

// The parts of a SegmentDataFile, cut by the header's counts and sizes.
struct TDataFile {
  std::string Name; // without its length byte
  std::vector<std::vector<uint8_t>> Shapes;
  std::vector<uint8_t> Frames, Track, Palette;
};
// Fails the running test (and returns what it got) when the parts do not add up.
TDataFile SplitDataFile(const std::vector<uint8_t>& file, const THeader& h);

// Expands the runs of one frame record into a packed XOR picture (1 byte per pixel at 8 bits,
// 3 at 24 and 32) as the player would, checking counts and sizes on the way. Returns the
// record's size.
size_t ExpandRecord(const std::vector<uint8_t>& frames, size_t at, int32_t width, int32_t height,
                    unsigned bits, std::vector<uint8_t>& xorPicture);

// Applies one palette change record at 'at'; returns the position after it.
size_t ApplyPaletteChange(const std::vector<uint8_t>& changes, size_t at,
                          std::array<uint32_t, 256>& palette);

// Extracts the single file of a cabinet given as bytes, with the platform's cabinet library.
std::vector<uint8_t> ExtractCabinet(const std::vector<uint8_t>& cabinet,
                                    std::string* name = nullptr);

} // namespace NRef
