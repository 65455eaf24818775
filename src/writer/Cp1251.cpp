#include "writer/Cp1251.h"

#include "writer/MovieLayout.h"

#include <cstdint>

namespace NQuillo {

namespace {

// Code points of bytes 0x80..0xBF; 0 marks the one byte the code page leaves undefined.
// Bytes 0xC0..0xFF are U+0410..U+044F in order.
constexpr uint16_t HighHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

uint32_t CodePointOf(uint8_t byte) {
  if (byte < 0x80) return byte;
  if (byte >= 0xC0) return 0x0410u + (byte - 0xC0u);
  return HighHalf[byte - 0x80];
}

int ByteOf(uint32_t codePoint) {
  if (codePoint < 0x80) return static_cast<int>(codePoint);
  if (codePoint >= 0x0410 && codePoint <= 0x044F)
    return static_cast<int>(0xC0 + codePoint - 0x0410);
  for (int i = 0; i < 64; ++i)
    if (HighHalf[i] == codePoint && codePoint != 0) return 0x80 + i;
  return -1;
}

void AppendUtf8(std::string& out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | codePoint >> 6);
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | codePoint >> 12);
    out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

} // namespace

std::string Utf8ToCp1251(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const uint8_t lead = static_cast<uint8_t>(utf8[i]);
    size_t length = lead < 0x80             ? 1
                    : (lead & 0xE0) == 0xC0 ? 2
                    : (lead & 0xF0) == 0xE0 ? 3
                    : (lead & 0xF8) == 0xF0 ? 4
                                            : 0;
    if (length == 0 || i + length > utf8.size())
      throw TMovieError("text is not valid UTF-8: " + utf8);
    uint32_t codePoint = length == 1 ? lead : lead & (0x7Fu >> length);
    for (size_t k = 1; k < length; ++k) {
      const uint8_t next = static_cast<uint8_t>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) throw TMovieError("text is not valid UTF-8: " + utf8);
      codePoint = codePoint << 6 | (next & 0x3Fu);
    }
    const int byte = ByteOf(codePoint);
    if (byte < 0)
      throw TMovieError("\"" + utf8 + "\" has a character that code page 1251 cannot hold");
    out += static_cast<char>(byte);
    i += length;
  }
  return out;
}

std::string Cp1251ToUtf8(const std::string& text) {
  std::string out;
  for (char c : text) {
    const uint32_t codePoint = CodePointOf(static_cast<uint8_t>(c));
    AppendUtf8(out, codePoint != 0 ? codePoint : 0xFFFD);
  }
  return out;
}

} // namespace NQuillo
