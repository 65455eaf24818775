#include "writer/CabChecksum.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace NQuillo;

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

} // namespace

TEST(CabChecksum, HandComputedValues) {
  const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B};
  EXPECT_EQ(CabChecksum(bytes, 0), 0u);
  EXPECT_EQ(CabChecksum(bytes, 0, 0xDEADBEEF), 0xDEADBEEFu);
  EXPECT_EQ(CabChecksum(bytes, 4), 0x04030201u);
  EXPECT_EQ(CabChecksum(bytes, 8), 0x04030201u ^ 0x08070605u);
  // The tail is folded in with its first byte highest, unlike the little-endian words.
  EXPECT_EQ(CabChecksum(bytes, 5), 0x04030201u ^ 0x05u);
  EXPECT_EQ(CabChecksum(bytes, 6), 0x04030201u ^ 0x0506u);
  EXPECT_EQ(CabChecksum(bytes, 7), 0x04030201u ^ 0x050607u);
  EXPECT_EQ(CabChecksum(bytes, 11), 0x04030201u ^ 0x08070605u ^ 0x090A0Bu);
  EXPECT_EQ(CabChecksum(bytes, 4, 0x11111111u), 0x15121310u);
}

TEST(CabChecksum, DataBlockChecksumCoversTheSizeFields) {
  const uint8_t payload[] = {0x10, 0x20, 0x30, 0x40, 0x50};
  // Payload sum 0x40302010 ^ 0x50, then the LE word cbData=5, cbUncomp=0x1234.
  EXPECT_EQ(CabDataBlockChecksum(payload, 5, 0x1234), 0x40302040u ^ 0x12340005u);
}

TEST(CabChecksum, AgreesWithCabinetsMadeByOtherTools) {
  // Each of these holds checksummed CFDATA blocks written by another cabinet maker.
  const char* const names[] = {"gcab/test-mszip.cab", "gcab/test-none.cab",
                               "libmspack/normal_2files_1folder.cab",
                               "libmspack/mszip_lzx_qtm.cab"};
  for (const char* name : names) {
    const auto cab = ReadFile(std::string(QUILLO_CAB_TEST_DATA) + "/" + name);
    ASSERT_GT(cab.size(), 36u) << name;
    ASSERT_EQ(Le16(cab, 30) & 4, 0) << name << " has reserve fields";
    const uint16_t folders = Le16(cab, 26);
    size_t checked = 0;
    for (uint16_t folder = 0; folder < folders; ++folder) {
      const size_t entry = 36 + size_t{folder} * 8;
      size_t offset = Le32(cab, entry);
      for (uint16_t block = 0; block < Le16(cab, entry + 4); ++block) {
        ASSERT_LE(offset + 8, cab.size()) << name;
        const uint32_t stored = Le32(cab, offset);
        const uint16_t compressed = Le16(cab, offset + 4);
        const uint16_t uncompressed = Le16(cab, offset + 6);
        ASSERT_LE(offset + 8 + compressed, cab.size()) << name;
        EXPECT_EQ(CabDataBlockChecksum(cab.data() + offset + 8, compressed, uncompressed), stored)
            << name << " folder " << folder << " block " << block;
        offset += 8 + size_t{compressed};
        ++checked;
      }
    }
    EXPECT_GT(checked, 0u) << name;
  }
}
