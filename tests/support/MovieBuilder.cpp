#include "MovieBuilder.h"

#include "StoredCabinet.h"

#include <cstring>

namespace {
void Put8(std::vector<std::uint8_t>& out, std::uint32_t v) { out.push_back(static_cast<std::uint8_t>(v)); }
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) Put8(out, v >> (8 * i));
}
void Append(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}
} // namespace

std::vector<std::uint8_t> SegmentData(const TTestSegment& s) {
  if (!s.DataOverride.empty()) return s.DataOverride;
  std::vector<std::uint8_t> data;
  Put32(data, static_cast<std::uint32_t>(s.Name.size() + 1));
  Put8(data, static_cast<std::uint32_t>(s.Name.size()));
  data.insert(data.end(), s.Name.begin(), s.Name.end());
  Append(data, s.Cursors);
  Append(data, s.Frames);
  Append(data, s.Track);
  Append(data, s.Palette);
  return data;
}

std::vector<std::uint8_t> MakeMovie(const std::vector<TTestSegment>& segments) {
  std::vector<TTestEntry> entries;
  for (std::size_t i = 0; i < segments.size(); ++i) entries.push_back({1, static_cast<int>(i)});
  return MakeMovie(segments, entries);
}

std::vector<std::uint8_t> MakeMovie(const std::vector<TTestSegment>& segments,
                                    const std::vector<TTestEntry>& entries) {
  std::vector<std::vector<std::uint8_t>> blobs;
  for (const TTestSegment& s : segments) {
    const auto cabinet = s.EmptyCabinet
                             ? MakeStoredCabinet({})
                             : MakeStoredCabinet({TStoredFile{s.DataFileName, SegmentData(s)}});
    std::vector<std::uint8_t> blob;
    Put8(blob, s.Version);
    Put32(blob, static_cast<std::uint32_t>(s.Width));
    Put32(blob, static_cast<std::uint32_t>(s.Height));
    Put8(blob, s.BitsPerPixel);
    std::uint32_t rate;
    std::memcpy(&rate, &s.FrameRate, 4);
    Put32(blob, rate);
    Put32(blob, static_cast<std::uint32_t>(s.Flags));
    Put32(blob, static_cast<std::uint32_t>(s.FrameCount));
    Put32(blob, static_cast<std::uint32_t>(s.CursorCount));
    Put32(blob, static_cast<std::uint32_t>(s.Track.size()));
    Put32(blob, static_cast<std::uint32_t>(s.Palette.size()));
    Put32(blob, static_cast<std::uint32_t>(s.Frames.size()));
    Put32(blob, static_cast<std::uint32_t>(cabinet.size()));
    Put32(blob, 54);
    Put32(blob, 0);
    Put32(blob, static_cast<std::uint32_t>(54 + cabinet.size() + 4));
    Append(blob, cabinet);
    Put32(blob, 0);
    blobs.push_back(std::move(blob));
  }
  std::vector<std::uint8_t> movie;
  Put32(movie, static_cast<std::uint32_t>(entries.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(4 + 6 * entries.size());
  std::vector<std::uint32_t> starts;
  for (const auto& blob : blobs) {
    starts.push_back(offset);
    offset += static_cast<std::uint32_t>(blob.size());
  }
  for (const TTestEntry& e : entries) {
    Put32(movie, e.Kind == 1 ? starts.at(static_cast<std::size_t>(e.Segment)) : 0);
    Put8(movie, static_cast<std::uint16_t>(e.Kind) & 0xFF);
    Put8(movie, static_cast<std::uint16_t>(e.Kind) >> 8);
  }
  for (const auto& blob : blobs) Append(movie, blob);
  return movie;
}

void PutInt32(std::vector<std::uint8_t>& out, std::int32_t value) {
  Put32(out, static_cast<std::uint32_t>(value));
}

void PutCursorDescriptor(std::vector<std::uint8_t>& out, std::int32_t size, std::int32_t width,
                         std::int32_t height, std::uint8_t bitsPerPixel) {
  PutInt32(out, size);
  PutInt32(out, width);
  PutInt32(out, height);
  Put8(out, bitsPerPixel);
}

std::vector<std::uint8_t> MonochromeCursorRecord(std::uint8_t seed) {
  std::vector<std::uint8_t> r;
  PutInt32(r, 10);
  PutInt32(r, 10);
  PutCursorDescriptor(r, 256, 32, 64, 1); // mask: 32 x 64 at one bit, AND half over XOR half
  for (int i = 0; i < 256; ++i) Put8(r, static_cast<std::uint32_t>(seed + i * 31));
  PutCursorDescriptor(r, 0, 0, 0, 32); // no colour bits
  return r;
}

std::vector<std::int32_t> EntryOffsets(const std::vector<std::uint8_t>& movie) {
  std::vector<std::int32_t> offsets;
  const std::int32_t count = static_cast<std::int32_t>(movie[0] | movie[1] << 8 | movie[2] << 16 |
                                                       movie[3] << 24);
  for (std::int32_t i = 0; i < count; ++i) {
    const std::size_t at = 4 + 6 * static_cast<std::size_t>(i);
    offsets.push_back(static_cast<std::int32_t>(movie[at] | movie[at + 1] << 8 |
                                                movie[at + 2] << 16 | movie[at + 3] << 24));
  }
  return offsets;
}
