#include "TestLzxDecoder.h"

#include <string>

namespace NQuillo::NTest {

namespace {

unsigned ExtraBitsOf(unsigned slot) {
  return slot < 4 ? 0 : slot < 36 ? slot / 2 - 1 : 17;
}

uint32_t BaseOf(unsigned slot) {
  // Each slot starts where the previous one's footer range ends.
  uint32_t base = 0;
  for (unsigned s = 0; s < slot; ++s)
    base += s < 3 ? 1 : uint32_t{1} << ExtraBitsOf(s);
  return slot < 3 ? slot : base;
}

} // namespace

TTestLzxDecoder::TTestLzxDecoder(unsigned windowBits, bool acceptTranslationHeader)
    : WindowSize(uint32_t{1} << windowBits),
      MainSymbols(256 + 8 * (windowBits == 21   ? 50
                             : windowBits == 20 ? 42
                                                : windowBits * 2)),
      Window(WindowSize, 0), AcceptTranslationHeader(acceptTranslationHeader) {
  Main.Lengths.assign(MainSymbols, 0);
  Length.Lengths.assign(249, 0);
  Aligned.Lengths.assign(8, 0);
}

uint32_t TTestLzxDecoder::Bit() {
  const size_t word = BitPos / 16 * 2;
  if (word + 1 >= Size) throw TLzxDecodeError("read past the end of a CFDATA payload");
  const uint32_t value = Data[word] | uint32_t{Data[word + 1]} << 8;
  const uint32_t bit = (value >> (15 - BitPos % 16)) & 1u;
  ++BitPos;
  return bit;
}

uint32_t TTestLzxDecoder::Bits(unsigned count) {
  uint32_t value = 0;
  while (count-- != 0)
    value = value << 1 | Bit();
  return value;
}

void TTestLzxDecoder::BuildTable(THuffman& table, unsigned maxBits, bool mayBeEmpty) {
  std::fill(std::begin(table.Counts), std::end(table.Counts), 0);
  for (uint8_t length : table.Lengths) {
    if (length > maxBits)
      throw TLzxDecodeError("code length " + std::to_string(length) + " over " +
                            std::to_string(maxBits));
    ++table.Counts[length];
  }
  table.Counts[0] = 0;
  int64_t left = 1;
  for (unsigned bits = 1; bits <= 16; ++bits) {
    left = left * 2 - table.Counts[bits];
    if (left < 0) throw TLzxDecodeError("oversubscribed Huffman code");
  }
  table.Empty = left == (int64_t{1} << 16);
  if (table.Empty ? !mayBeEmpty : left != 0) throw TLzxDecodeError("incomplete Huffman code");
  table.Symbols.clear();
  for (unsigned bits = 1; bits <= 16; ++bits)
    for (size_t symbol = 0; symbol < table.Lengths.size(); ++symbol)
      if (table.Lengths[symbol] == bits) table.Symbols.push_back(static_cast<uint16_t>(symbol));
}

uint32_t TTestLzxDecoder::Decode(const THuffman& table) {
  if (table.Empty) throw TLzxDecodeError("symbol read through an empty code");
  uint32_t code = 0, first = 0, index = 0;
  for (unsigned bits = 1; bits <= 16; ++bits) {
    code |= Bit();
    const uint32_t count = table.Counts[bits];
    if (code - first < count) return table.Symbols[index + code - first];
    index += count;
    first = (first + count) << 1;
    code <<= 1;
  }
  throw TLzxDecodeError("bad Huffman code");
}

void TTestLzxDecoder::ReadLengths(std::vector<uint8_t>& lengths, size_t first, size_t last) {
  THuffman pretree;
  pretree.Lengths.resize(20);
  for (auto& length : pretree.Lengths)
    length = static_cast<uint8_t>(Bits(4));
  BuildTable(pretree, 10, false);
  for (size_t i = first; i < last;) {
    const uint32_t symbol = Decode(pretree);
    size_t run = 1;
    uint32_t value;
    if (symbol == 17 || symbol == 18) {
      run = symbol == 17 ? 4 + Bits(4) : 20 + Bits(5);
      value = 0;
    } else if (symbol == 19) {
      run = 4 + Bits(1);
      const uint32_t delta = Decode(pretree);
      if (delta > 16) throw TLzxDecodeError("bad pretree delta");
      value = (lengths[i] + 17 - delta) % 17;
    } else {
      value = (lengths[i] + 17 - symbol) % 17;
    }
    if (i + run > last) throw TLzxDecodeError("length run past its section");
    for (; run != 0; --run)
      lengths[i++] = static_cast<uint8_t>(value);
  }
}

void TTestLzxDecoder::StartBlock() {
  BlockType = Bits(3);
  BlockLength = BlockRemaining = Bits(24);
  if (BlockLength == 0 || BlockType < 1 || BlockType > 3) throw TLzxDecodeError("bad block header");
  ++Blocks[BlockType];
  if (BlockType == 3) {
    if (BitPos % 16 == 0) throw TLzxDecodeError("stored block header ends on a word boundary");
    BitPos = (BitPos + 15) / 16 * 16;
    for (uint32_t& r : R) {
      const size_t at = BitPos / 8;
      if (at + 4 > Size) throw TLzxDecodeError("stored block header truncated");
      r = Data[at] | uint32_t{Data[at + 1]} << 8 | uint32_t{Data[at + 2]} << 16 |
          uint32_t{Data[at + 3]} << 24;
      BitPos += 32;
    }
    return;
  }
  if (BlockType == 2) {
    for (auto& length : Aligned.Lengths)
      length = static_cast<uint8_t>(Bits(3));
    BuildTable(Aligned, 7, false);
  }
  ReadLengths(Main.Lengths, 0, 256);
  ReadLengths(Main.Lengths, 256, MainSymbols);
  BuildTable(Main, 16, false);
  ReadLengths(Length.Lengths, 0, 249);
  BuildTable(Length, 16, true);
}

void TTestLzxDecoder::Emit(uint8_t byte, std::vector<uint8_t>& out) {
  Window[WindowPos] = byte;
  WindowPos = (WindowPos + 1) & (WindowSize - 1);
  ++Produced;
  out.push_back(byte);
}

void TTestLzxDecoder::DecodeFrame(const uint8_t* data, size_t size, uint32_t uncompressedSize,
                                  std::vector<uint8_t>& out) {
  if (size % 2 != 0) throw TLzxDecodeError("odd CFDATA payload size");
  Data = data;
  Size = size;
  BitPos = 0;
  if (!HeaderRead) {
    if (Bit() != 0) {
      if (!AcceptTranslationHeader) throw TLzxDecodeError("E8 translation switched on");
      Bits(32);
    }
    HeaderRead = true;
  }
  uint32_t todo = uncompressedSize;
  while (todo != 0) {
    if (BlockRemaining == 0) StartBlock();
    uint32_t run = std::min(todo, BlockRemaining);
    todo -= run;
    BlockRemaining -= run;
    if (BlockType == 3) {
      const size_t at = BitPos / 8;
      if (at + run > Size) throw TLzxDecodeError("stored block truncated");
      for (uint32_t i = 0; i < run; ++i)
        Emit(Data[at + i], out);
      BitPos += size_t{run} * 8;
      if (BlockRemaining == 0 && (BlockLength & 1)) BitPos += 8;
      continue;
    }
    while (run != 0) {
      const uint32_t symbol = Decode(Main);
      if (symbol < 256) {
        Emit(static_cast<uint8_t>(symbol), out);
        --run;
        continue;
      }
      uint32_t length = (symbol - 256) & 7;
      if (length == 7) length += Decode(Length);
      length += 2;
      const unsigned slot = (symbol - 256) >> 3;
      uint32_t distance;
      if (slot < 3) {
        distance = R[slot];
        R[slot] = R[0];
        R[0] = distance;
      } else {
        const unsigned extra = ExtraBitsOf(slot);
        uint32_t footer;
        if (BlockType == 2 && extra >= 3)
          footer = Bits(extra - 3) << 3 | Decode(Aligned);
        else
          footer = Bits(extra);
        distance = BaseOf(slot) + footer - 2;
        R[2] = R[1];
        R[1] = R[0];
        R[0] = distance;
      }
      if (length > run) throw TLzxDecodeError("match runs past its frame or block");
      if (distance == 0 || distance > Produced || distance > WindowSize - 3)
        throw TLzxDecodeError("match distance " + std::to_string(distance) + " out of reach");
      for (uint32_t i = 0; i < length; ++i)
        Emit(Window[(WindowPos - distance) & (WindowSize - 1)], out);
      run -= length;
    }
  }
  const size_t used = (BitPos + 15) / 16 * 2;
  if (used != Size)
    throw TLzxDecodeError("CFDATA payload has " + std::to_string(Size) + " bytes, stream used " +
                          std::to_string(used));
}

} // namespace NQuillo::NTest
