// Movies assembled field by field for the loader's tests, with stored (uncompressed) cabinets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TTestSegment {
  std::uint8_t Version = 0;
  std::int32_t Width = 1024;
  std::int32_t Height = 735;
  std::uint8_t BitsPerPixel = 32;
  float FrameRate = 10.0f;
  std::int32_t Flags = 0;
  std::int32_t FrameCount = 0;
  std::string Name;                     // the characters; the length byte is added
  std::vector<std::uint8_t> Cursors;    // the shape records, back to back
  std::int32_t CursorCount = 0;
  std::vector<std::uint8_t> Frames;
  std::vector<std::uint8_t> Track;
  std::vector<std::uint8_t> Palette;
  std::string DataFileName = "Segm202412091015300.dat";
  // The data file as stored, when a test wants it other than the fields make it.
  std::vector<std::uint8_t> DataOverride;
  bool EmptyCabinet = false; // a cabinet that lists no file at all
};

struct TTestEntry {
  std::int16_t Kind = 1;
  int Segment = 0; // index into the segments, for Kind 1 entries
};

// The data file of a segment: name, shapes, frames, track and palette.
std::vector<std::uint8_t> SegmentData(const TTestSegment& segment);
// Segments back to back after the table, each followed by four zero bytes.
std::vector<std::uint8_t> MakeMovie(const std::vector<TTestSegment>& segments);
std::vector<std::uint8_t> MakeMovie(const std::vector<TTestSegment>& segments,
                                    const std::vector<TTestEntry>& entries);
// Little-endian fields as the layout stores them.
void PutInt32(std::vector<std::uint8_t>& out, std::int32_t value);
// The 13-byte descriptor in front of a shape record's mask or colour bits.
void PutCursorDescriptor(std::vector<std::uint8_t>& out, std::int32_t size, std::int32_t width,
                         std::int32_t height, std::uint8_t bitsPerPixel);
// The monochrome shape record of the recorder: 32 x 32, hot spot (10, 10), 290 bytes.
std::vector<std::uint8_t> MonochromeCursorRecord(std::uint8_t seed);
// The offsets of the table entries of a movie made by MakeMovie.
std::vector<std::int32_t> EntryOffsets(const std::vector<std::uint8_t>& movie);
