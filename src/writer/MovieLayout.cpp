#include "writer/MovieLayout.h"

#include "writer/LittleEndian.h"

#include <cstdio>

namespace NQuillo {

namespace {

constexpr TRunFormat Formats[] = {
    {8, 1, 1, 2, 255, 1},
    {24, 3, 2, 5, 65535, 3},
    {32, 3, 2, 5, 65535, 4},
};

bool IsLeapYear(unsigned year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
  static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

} // namespace

const TRunFormat* FindRunFormat(unsigned bitsPerPixel) {
  for (const TRunFormat& format : Formats)
    if (format.BitsPerPixel == bitsPerPixel) return &format;
  return nullptr;
}

const TRunFormat& RunFormat(unsigned bitsPerPixel) {
  const TRunFormat* format = FindRunFormat(bitsPerPixel);
  if (!format)
    throw TMovieError("colour depth " + std::to_string(bitsPerPixel) +
                      " is not one of 8, 24 and 32 bits");
  return *format;
}

void TSegmentHeader::Store(uint8_t* bytes) const {
  using namespace NMovie;
  NLe::Put8(bytes + HeaderVersion, Version);
  NLe::PutI32(bytes + HeaderWidth, Width);
  NLe::PutI32(bytes + HeaderHeight, Height);
  NLe::Put8(bytes + HeaderBitsPerPixel, BitsPerPixel);
  NLe::PutF32(bytes + HeaderFrameRate, FrameRate);
  NLe::PutI32(bytes + HeaderFlags, Flags);
  NLe::PutI32(bytes + HeaderFrameCount, FrameCount);
  NLe::PutI32(bytes + HeaderCursorCount, CursorCount);
  NLe::PutI32(bytes + HeaderCursorTrackSize, CursorTrackSize);
  NLe::PutI32(bytes + HeaderPaletteDataSize, PaletteDataSize);
  NLe::PutI32(bytes + HeaderFrameDataSize, FrameDataSize);
  NLe::PutI32(bytes + HeaderCabinetSize, CabinetSize);
  NLe::PutI32(bytes + HeaderCabinetOffset, CabinetOffset);
  NLe::PutI32(bytes + HeaderReserved1, Reserved1);
  NLe::PutI32(bytes + HeaderReserved2, Reserved2);
}

TSegmentHeader TSegmentHeader::Load(const uint8_t* bytes) {
  using namespace NMovie;
  TSegmentHeader h;
  h.Version = static_cast<uint8_t>(NLe::Get8(bytes + HeaderVersion));
  h.Width = NLe::GetI32(bytes + HeaderWidth);
  h.Height = NLe::GetI32(bytes + HeaderHeight);
  h.BitsPerPixel = static_cast<uint8_t>(NLe::Get8(bytes + HeaderBitsPerPixel));
  h.FrameRate = NLe::GetF32(bytes + HeaderFrameRate);
  h.Flags = NLe::GetI32(bytes + HeaderFlags);
  h.FrameCount = NLe::GetI32(bytes + HeaderFrameCount);
  h.CursorCount = NLe::GetI32(bytes + HeaderCursorCount);
  h.CursorTrackSize = NLe::GetI32(bytes + HeaderCursorTrackSize);
  h.PaletteDataSize = NLe::GetI32(bytes + HeaderPaletteDataSize);
  h.FrameDataSize = NLe::GetI32(bytes + HeaderFrameDataSize);
  h.CabinetSize = NLe::GetI32(bytes + HeaderCabinetSize);
  h.CabinetOffset = NLe::GetI32(bytes + HeaderCabinetOffset);
  h.Reserved1 = NLe::GetI32(bytes + HeaderReserved1);
  h.Reserved2 = NLe::GetI32(bytes + HeaderReserved2);
  return h;
}

bool TRecordingTime::IsValid() const {
  // DOS dates run from 1980 to 2107; the file name has room for four year digits anyway.
  return Year >= 1980 && Year <= 2107 && Month >= 1 && Month <= 12 && Day >= 1 &&
         Day <= DaysInMonth(Year, Month) && Hour < 24 && Minute < 60 && Second < 60 && Tenth < 10;
}

std::string TRecordingTime::DataFileName() const {
  if (!IsValid()) throw TMovieError("invalid recording date or time");
  char name[32];
  std::snprintf(name, sizeof name, "Segm%04u%02u%02u%02u%02u%02u%u.dat", Year, Month, Day, Hour,
                Minute, Second, Tenth);
  return name;
}

} // namespace NQuillo
