#include "TestPng.h"

#include <algorithm>

namespace {
using TBytes = std::vector<uint8_t>;

void PutBe32(TBytes& b, uint32_t v) {
  for (int i = 3; i >= 0; --i)
    b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t Crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k)
      crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void Chunk(TBytes& png, const std::string& type, const TBytes& data) {
  PutBe32(png, static_cast<uint32_t>(data.size()));
  TBytes body(type.begin(), type.end());
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  PutBe32(png, Crc32(body.data(), body.size()));
}

unsigned Channels(uint8_t colourType) {
  switch (colourType) {
  case 2:
    return 3;
  case 4:
    return 2;
  case 6:
    return 4;
  default:
    return 1;
  }
}

// The rows of one (sub-)picture: a filter byte of 0, then the samples packed high bit first.
void AppendRows(const TPngFile& s, uint32_t x0, uint32_t y0, uint32_t dx, uint32_t dy,
                TBytes& raw) {
  const unsigned channels = Channels(s.ColourType);
  for (uint32_t y = y0; y < s.Height; y += dy) {
    if (x0 >= s.Width) return;
    raw.push_back(0);
    uint32_t bits = 0, filled = 0;
    for (uint32_t x = x0; x < s.Width; x += dx)
      for (unsigned c = 0; c < channels; ++c) {
        const uint32_t v = s.Samples[(static_cast<size_t>(y) * s.Width + x) * channels + c];
        if (s.BitDepth == 16) {
          raw.push_back(static_cast<uint8_t>(v >> 8));
          raw.push_back(static_cast<uint8_t>(v));
        } else if (s.BitDepth == 8) {
          raw.push_back(static_cast<uint8_t>(v));
        } else {
          bits = bits << s.BitDepth | v;
          filled += s.BitDepth;
          if (filled == 8) {
            raw.push_back(static_cast<uint8_t>(bits));
            bits = filled = 0;
          }
        }
      }
    if (filled) raw.push_back(static_cast<uint8_t>(bits << (8 - filled)));
  }
}
} // namespace

std::vector<uint8_t> MakePng(const TPngFile& s) {
  TBytes raw;
  if (s.Interlaced) {
    static const uint32_t passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                          {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    for (const auto& p : passes)
      AppendRows(s, p[0], p[1], p[2], p[3], raw);
  } else {
    AppendRows(s, 0, 0, 1, 1, raw);
  }
  TBytes z = {0x78, 0x01};
  for (size_t at = 0; at < raw.size();) {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    z.push_back(at + n == raw.size() ? 1 : 0);
    z.insert(z.end(), {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                       static_cast<uint8_t>(~n), static_cast<uint8_t>(~n >> 8)});
    z.insert(z.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + n));
    at += n;
  }
  uint32_t a = 1, b = 0;
  for (uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBe32(z, b << 16 | a);

  TBytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  TBytes header;
  PutBe32(header, s.Width);
  PutBe32(header, s.Height);
  header.insert(header.end(), {s.BitDepth, s.ColourType, 0, 0, static_cast<uint8_t>(s.Interlaced)});
  Chunk(png, "IHDR", header);
  // Transparency follows the palette; every other chunk here goes before it.
  for (const auto& extra : s.Extra)
    if (extra.first != "tRNS") Chunk(png, extra.first, extra.second);
  if (!s.Palette.empty()) {
    TBytes palette;
    for (uint32_t c : s.Palette)
      palette.insert(palette.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                     static_cast<uint8_t>(c)});
    Chunk(png, "PLTE", palette);
  }
  for (const auto& extra : s.Extra)
    if (extra.first == "tRNS") Chunk(png, extra.first, extra.second);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", {});
  return png;
}
