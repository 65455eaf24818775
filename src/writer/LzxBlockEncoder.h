#pragma once

#include "writer/LzxBitWriter.h"
#include "writer/LzxMatcher.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace NQuillo::NLzx {

// A tokenised 32 KiB frame (the last one of a stream may be shorter).
struct TFrameRecord {
  uint64_t Start = 0; // stream position of its first byte
  uint32_t Size = 0;
  size_t TokenBegin = 0;
  size_t TokenEnd = 0;
  TRepeatedOffsets RepsAtEnd = {1, 1, 1};
};

// The compressed bytes of one frame: the payload of one CFDATA block.
struct TCompressedFrame {
  std::vector<uint8_t> Data;
  uint32_t UncompressedSize = 0;
};

// Turns groups of tokenised frames into LZX blocks. Blocks always span whole frames, so
// every frame's bits can be cut out as its own CFDATA payload after word alignment.
class TLzxBlockEncoder {
public:
  explicit TLzxBlockEncoder(unsigned windowBits);

  // frameBytes holds the input of every frame in the group, from frames[0].Start on.
  void EncodeGroup(const std::vector<TToken>& tokens, const std::vector<TFrameRecord>& frames,
                   const uint8_t* frameBytes, std::deque<TCompressedFrame>& out);

  // The codes one compressed block over frames [first, last) would get, and what it would
  // take in bits, header included: what a parser prices its next pass and block ends with.
  struct TBlockPlan {
    bool Aligned = false;
    std::vector<uint8_t> MainLengths, LengthLengths, AlignedLengths;
    uint64_t Bits = 0;
  };
  TBlockPlan PlanBlock(const std::vector<TToken>& tokens, const std::vector<TFrameRecord>& frames,
                       size_t first, size_t last) const;

  // The mean literal price in the most recent compressed block, for the matcher's cost model.
  int32_t LiteralBitsHint() const { return LiteralBits; }

private:
  struct TPretreeOp {
    uint8_t Symbol;
    uint8_t ExtraWidth;
    uint8_t ExtraValue;
    uint8_t DeltaSymbol; // the value that follows symbol 19
  };

  struct TLengthSection {
    std::vector<TPretreeOp> Ops;
    std::vector<uint8_t> PretreeLengths;
    std::vector<uint16_t> PretreeCodes;
  };

  struct TTrees {
    bool Aligned = false;
    std::vector<uint8_t> MainLengths, LengthLengths, AlignedLengths;
    std::vector<uint16_t> MainCodes, LengthCodes, AlignedCodes;
    TLengthSection Sections[3];
    uint64_t HeaderBits = 0;
  };

  struct TGroup {
    const std::vector<TToken>& Tokens;
    const std::vector<TFrameRecord>& Frames;
    const uint8_t* Bytes;
    std::deque<TCompressedFrame>& Out;
  };

  TTrees BuildTrees(const std::vector<TToken>& tokens, const std::vector<TFrameRecord>& frames,
                    size_t first, size_t last) const;
  void PrepareHeader(TTrees& trees) const;
  static void EncodeLengthDeltas(const uint8_t* previous, const uint8_t* next, size_t count,
                                 TLengthSection& section);
  static uint64_t SectionBits(const TLengthSection& section);
  static uint64_t FrameTokenBits(const std::vector<TToken>& tokens, const TFrameRecord& record,
                                 const TTrees& trees);
  uint64_t UncompressedBits(uint32_t size) const;

  void EncodeRun(const TGroup& group, size_t first, size_t last, const TTrees* trees);
  void WriteCompressedBlock(const TGroup& group, size_t first, size_t last, const TTrees& trees);
  void WriteUncompressedBlock(const TGroup& group, size_t frame);
  void WriteSection(const TLengthSection& section);
  void WriteStreamHeaderOnce();
  void FinishFrame(const TGroup& group, uint32_t uncompressedSize);

  const unsigned MainSymbols;
  std::vector<uint8_t> DecoderMainLengths;
  std::vector<uint8_t> DecoderLengthLengths;
  bool StreamHeaderWritten = false;
  int32_t LiteralBits = 8;

  std::vector<uint8_t> Current;
  TBitWriter Writer;
};

} // namespace NQuillo::NLzx
