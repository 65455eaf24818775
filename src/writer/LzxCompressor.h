#pragma once

#include "writer/LzxBlockEncoder.h"
#include "writer/LzxFormat.h"
#include "writer/LzxMatcher.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace NQuillo {

using TLzxFrame = NLzx::TCompressedFrame;

// Streaming LZX compressor producing one compressed frame per 32 KiB of input, ready to be
// stored as consecutive CFDATA blocks of a single cabinet folder. Feed input with Write(),
// end it with Finish(), and drain finished frames with ReadFrame() as you go: the compressor
// holds the window, a few frames of tokens and whatever frames have not been read yet.
class TLzxCompressor {
public:
  // The longest stream one compressor accepts: positions stay in 31 bits.
  static constexpr uint64_t MaxInputBytes = 0x80000000u;

  explicit TLzxCompressor(unsigned windowBits = NLzx::DefaultWindowBits,
                          const NLzx::TMatcherTuning& tuning = NLzx::TMatcherTuning());

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
  void CloseFrame();
  void EncodePending();

  const unsigned WindowBitsValue;
  const size_t FramesPerGroup;
  NLzx::TLzxMatcher Matcher;
  NLzx::TLzxBlockEncoder Encoder;
  std::vector<NLzx::TToken> Tokens;
  std::vector<NLzx::TFrameRecord> Frames;
  std::deque<TLzxFrame> Ready;
  uint64_t TotalIn = 0;
  bool IsFinished = false;
};

} // namespace NQuillo
