#pragma once

#include "writer/LzxBlockEncoder.h"
#include "writer/LzxFormat.h"
#include "writer/LzxMatcher.h"
#include "writer/LzxOptimalParser.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace NQuillo {

using TLzxFrame = NLzx::TCompressedFrame;

// How hard the compressor works. Fast parses greedily with one byte of lazy look-ahead;
// Default and Best choose the cheapest path through each block under its own codes, Best
// with deeper searches, longer matches weighed, more passes and longer runs of frames.
enum class ELzxLevel : uint8_t { Fast, Default, Best };

// Streaming LZX compressor producing one compressed frame per 32 KiB of input, ready to be
// stored as consecutive CFDATA blocks of a single cabinet folder. Feed input with Write(),
// end it with Finish(), and drain finished frames with ReadFrame() as you go: the compressor
// holds the window, a few frames of tokens and whatever frames have not been read yet.
class TLzxCompressor {
public:
  // The longest stream one compressor accepts: positions stay in 31 bits.
  static constexpr uint64_t MaxInputBytes = 0x80000000u;

  explicit TLzxCompressor(unsigned windowBits = NLzx::DefaultWindowBits,
                          ELzxLevel level = ELzxLevel::Default,
                          const NLzx::TMatcherTuning& fastTuning = NLzx::TMatcherTuning());

  // The near-optimal parser with settings of one's own.
  TLzxCompressor(unsigned windowBits, const NLzx::TOptimalTuning& tuning);

  // The parser settings behind Default and Best.
  static NLzx::TOptimalTuning OptimalTuning(ELzxLevel level);

  TLzxCompressor(const TLzxCompressor&) = delete;
  TLzxCompressor& operator=(const TLzxCompressor&) = delete;

  void Write(const uint8_t* data, size_t size);
  void Finish();
  bool ReadFrame(TLzxFrame& frame);

  unsigned WindowBits() const { return WindowBitsValue; }
  // The CFFOLDER typeCompress word that announces this stream.
  uint16_t FolderCompressionType() const {
    return static_cast<uint16_t>((WindowBitsValue << 8) | 3u);
  }
  uint64_t BytesIn() const { return TotalIn; }
  bool Finished() const { return IsFinished; }

private:
  uint32_t PendingBytes() const;
  void CloseFrame();
  void EncodePending();

  const unsigned WindowBitsValue;
  const size_t FramesPerGroup;
  std::unique_ptr<NLzx::TLzxMatcher> Matcher;       // Fast
  std::unique_ptr<NLzx::TLzxOptimalParser> Optimal; // Default and Best
  NLzx::TLzxBlockEncoder Encoder;
  std::vector<NLzx::TToken> Tokens;
  std::vector<NLzx::TFrameRecord> Frames;
  std::deque<TLzxFrame> Ready;
  uint64_t TotalIn = 0;
  bool IsFinished = false;
};

} // namespace NQuillo
