#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace NQuillo::NTest {

struct TLzxDecodeError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A deliberately plain LZX decoder for the tests, reading one CFDATA payload at a time the
// way libarchive does (leftover bits are dropped at each payload's end). Besides decoding it
// enforces what the stricter real decoders demand: complete Huffman codes, pretree codes of
// at most 10 bits, no match running past its frame or block, word-aligned payload ends and
// stored-block headers that never end on a word boundary.
class TTestLzxDecoder {
public:
  // Streams from other encoders may announce E8 translation; it is read but never applied,
  // so such streams are only fit for data without 0xE8 bytes.
  explicit TTestLzxDecoder(unsigned windowBits, bool acceptTranslationHeader = false);

  void DecodeFrame(const uint8_t* data, size_t size, uint32_t uncompressedSize,
                   std::vector<uint8_t>& out);

  // How many blocks of each type (index 1..3) the stream has used so far.
  const uint32_t* BlockCounts() const { return Blocks; }

private:
  struct THuffman {
    std::vector<uint8_t> Lengths;
    uint16_t Counts[17] = {};
    std::vector<uint16_t> Symbols;
    bool Empty = true;
  };

  uint32_t Bit();
  uint32_t Bits(unsigned count);
  void BuildTable(THuffman& table, unsigned maxBits, bool mayBeEmpty);
  uint32_t Decode(const THuffman& table);
  void ReadLengths(std::vector<uint8_t>& lengths, size_t first, size_t last);
  void StartBlock();
  void Emit(uint8_t byte, std::vector<uint8_t>& out);

  const uint32_t WindowSize;
  const unsigned MainSymbols;
  std::vector<uint8_t> Window;
  uint32_t WindowPos = 0;
  uint64_t Produced = 0;
  uint32_t R[3] = {1, 1, 1};
  bool HeaderRead = false;
  const bool AcceptTranslationHeader;
  unsigned BlockType = 0;
  uint32_t BlockLength = 0;
  uint32_t BlockRemaining = 0;
  THuffman Main, Length, Aligned;
  uint32_t Blocks[4] = {};

  const uint8_t* Data = nullptr;
  size_t Size = 0;
  size_t BitPos = 0;
};

} // namespace NQuillo::NTest
