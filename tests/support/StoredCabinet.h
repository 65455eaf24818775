// Small uncompressed cabinets made to order, for the cases the collected ones do not cover.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TStoredFile {
  std::string Name;
  std::vector<std::uint8_t> Data;
  std::uint16_t Date = (2024 - 1980) << 9 | 3 << 5 | 14; // 14 March 2024
  std::uint16_t Time = 15 << 11 | 9 << 5 | 26 / 2;       // 15:09:26
  std::uint16_t Attributes = 0x20;
};

// One folder stored without compression; a next cabinet name makes it a member of a set.
std::vector<std::uint8_t> MakeStoredCabinet(const std::vector<TStoredFile>& files,
                                            const std::string& nextCabinet = std::string());
