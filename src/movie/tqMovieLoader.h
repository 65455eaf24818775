// Reading a movie into the segment list: the trailer of a self-playing file, the segment
// table, each segment's header, cabinet and data file.
#pragma once

#include "tqByteReader.h"
#include "tqClasses.h"

#include <cstdint>
#include <string>

// The 54-byte header in front of each segment's cabinet.
struct TSegmentHeader {
  std::uint8_t Version = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::uint8_t BitsPerPixel = 0;
  float FrameRate = 0;
  std::int32_t Flags = 0;
  std::int32_t FrameCount = 0;
  std::int32_t CursorCount = 0;
  std::int32_t CursorTrackSize = 0;
  std::int32_t PaletteDataSize = 0;
  std::int32_t FrameDataSize = 0;
  std::int32_t CabinetSize = 0;
  std::int32_t CabinetOffset = 0;
  std::int32_t Reserved1 = 0;
  std::int32_t Reserved2 = 0;
};
constexpr std::int32_t SegmentHeaderSize = 54;
// The fields of a segment header; raises when the buffer is shorter than a header.
TSegmentHeader ParseSegmentHeader(const TByteReader& header);

// Frames per second from the stored rate: the nearest integer, halves to the even one, kept in
// eight bits.
std::uint8_t RoundFramesPerSecond(float rate);

// The movie in front of the 4-byte trailer of the program's own file; false when there is none.
bool LoadAttachedMovie(TtqStream* stream);
// The movie at the stream's position, into SegmentList; false when there is no movie.
bool LoadMovie(TtqStream* stream);

// Shows the lines about passed-over segments; the platform's warning box unless replaced.
using TLoadWarning = void (*)(const std::string& text);
extern TLoadWarning ShowLoadWarning;
