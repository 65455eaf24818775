#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Little-endian fields at named offsets of a byte buffer; every file the writer makes is
// little-endian whatever the host. The writer and tqpack's checker use these rather than the
// player's field reader on purpose, so that the two sides check each other.
namespace NQuillo::NLe {

inline void Put8(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
}

inline void Put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

inline void Put24(uint8_t* at, uint32_t value) {
  Put16(at, value);
  at[2] = static_cast<uint8_t>(value >> 16);
}

inline void Put32(uint8_t* at, uint32_t value) {
  Put16(at, value);
  Put16(at + 2, value >> 16);
}

inline void PutI32(uint8_t* at, int32_t value) {
  Put32(at, static_cast<uint32_t>(value));
}

inline void PutF32(uint8_t* at, float value) {
  static_assert(sizeof(float) == 4, "IEEE single expected");
  uint32_t bits = 0;
  std::memcpy(&bits, &value, 4);
  Put32(at, bits);
}

inline uint32_t Get8(const uint8_t* at) {
  return at[0];
}
inline uint32_t Get16(const uint8_t* at) {
  return at[0] | uint32_t{at[1]} << 8;
}
inline uint32_t Get24(const uint8_t* at) {
  return Get16(at) | uint32_t{at[2]} << 16;
}
inline uint32_t Get32(const uint8_t* at) {
  return Get16(at) | Get16(at + 2) << 16;
}
inline int32_t GetI32(const uint8_t* at) {
  return static_cast<int32_t>(Get32(at));
}

inline float GetF32(const uint8_t* at) {
  const uint32_t bits = Get32(at);
  float value = 0;
  std::memcpy(&value, &bits, 4);
  return value;
}

} // namespace NQuillo::NLe
