#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace NQuillo::NLzx {

// One LZX main-tree event with everything needed to price and write it.
struct TToken {
  uint16_t MainSymbol;  // < 256 literal, else 256 + slot * 8 + length header
  uint8_t LengthFooter; // meaningful when the length header is 7
  uint8_t ExtraBits;    // offset footer width of the slot
  uint32_t ExtraValue;  // offset footer value
};

using TRepeatedOffsets = std::array<uint32_t, 3>;

struct TMatcherTuning {
  unsigned MaxChain = 24;   // hash-chain candidates examined per position
  uint32_t NiceLength = 96; // stop searching once a match is this long
  uint32_t LazyLimit = 48;  // matches this long are taken without looking one byte ahead
};

// Sliding window with hash chains that turns frames of input into LZX tokens. The window
// keeps the last 2^windowBits bytes plus the frame being filled, and positions are counted
// from the start of the stream so the chains never need rebasing.
class TLzxMatcher {
public:
  TLzxMatcher(unsigned windowBits, const TMatcherTuning& tuning);

  // Copies as much of data as fits in the current frame; returns the bytes taken.
  size_t Append(const uint8_t* data, size_t size);
  uint32_t PendingBytes() const { return End - FrameStart; }

  // Tokenises the pending bytes as one frame: no match crosses its end.
  void ParseFrame(std::vector<TToken>& tokens);

  uint64_t FrameStartPosition() const { return FrameStart; }
  const TRepeatedOffsets& RepeatedOffsets() const { return Reps; }
  // Continues from the repeated offsets another parse of the same stream ended with.
  void SetRepeatedOffsets(const TRepeatedOffsets& reps) { Reps = reps; }
  // The typical price of a literal in the current data, which decides when short matches pay.
  void SetLiteralBits(int32_t bits) { LiteralBits = bits; }
  // Bytes at stream position pos; valid for the last window of parsed input.
  const uint8_t* BytesAt(uint64_t pos) const { return Buffer.data() + (pos - BufferBase); }

private:
  struct TMatch {
    uint32_t Length = 0;
    uint32_t Distance = 0;
    int32_t Gain = 0;
  };

  void MakeRoomForFrame();
  void InsertUpTo(uint32_t pos);
  TMatch FindBest(uint32_t pos, uint32_t end) const;
  uint32_t MatchLength(const uint8_t* a, const uint8_t* b, uint32_t limit) const;
  uint32_t HashAt(uint32_t pos) const;
  int32_t Gain(uint32_t length, uint32_t distance) const;
  void EmitLiteral(uint32_t pos, std::vector<TToken>& tokens) const;
  void EmitMatch(const TMatch& match, std::vector<TToken>& tokens);

  const uint8_t* Ptr(uint32_t pos) const { return Buffer.data() + (pos - BufferBase); }

  const uint32_t WindowSize;
  const uint32_t MaxDist;
  const TMatcherTuning Tuning;
  unsigned HashBits;

  std::vector<uint8_t> Buffer;
  uint32_t BufferBase = 0; // stream position of Buffer[0]
  uint32_t FrameStart = 0; // first byte not yet tokenised
  uint32_t End = 0;        // one past the last byte appended
  uint32_t NextInsert = 0; // first position not yet in the hash chains

  std::vector<uint32_t> Head;
  std::vector<uint32_t> Prev;
  TRepeatedOffsets Reps = {1, 1, 1};
  int32_t LiteralBits = 8;
};

} // namespace NQuillo::NLzx
