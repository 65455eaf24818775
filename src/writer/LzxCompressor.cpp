#include "writer/LzxCompressor.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace NQuillo {

namespace {

unsigned CheckedWindowBits(unsigned windowBits) {
  if (windowBits < NLzx::MinWindowBits || windowBits > NLzx::MaxWindowBits)
    throw std::invalid_argument("LZX window must be 2^15 to 2^21 bytes, not 2^" +
                                std::to_string(windowBits));
  return windowBits;
}

// Blocks of several frames share one set of trees; the frames waiting for their block must
// still be inside the window the matcher keeps, hence at most one window's worth of them.
size_t GroupFrames(unsigned windowBits) {
  return std::min<size_t>(4, (size_t{1} << windowBits) / NLzx::FrameSize);
}

} // namespace

TLzxCompressor::TLzxCompressor(unsigned windowBits, const NLzx::TMatcherTuning& tuning)
    : WindowBitsValue(CheckedWindowBits(windowBits)), FramesPerGroup(GroupFrames(windowBits)),
      Matcher(windowBits, tuning), Encoder(windowBits) {}

void TLzxCompressor::Write(const uint8_t* data, size_t size) {
  if (IsFinished) throw std::logic_error("LZX compressor written to after Finish()");
  if (size > MaxInputBytes - TotalIn)
    throw std::length_error("LZX stream longer than " + std::to_string(MaxInputBytes) + " bytes");
  while (size != 0) {
    const size_t taken = Matcher.Append(data, size);
    data += taken;
    size -= taken;
    TotalIn += taken;
    if (Matcher.PendingBytes() == NLzx::FrameSize) CloseFrame();
  }
}

void TLzxCompressor::CloseFrame() {
  NLzx::TFrameRecord record;
  record.Start = Matcher.FrameStartPosition();
  record.Size = Matcher.PendingBytes();
  record.TokenBegin = Tokens.size();
  Matcher.ParseFrame(Tokens);
  record.TokenEnd = Tokens.size();
  record.RepsAtEnd = Matcher.RepeatedOffsets();
  Frames.push_back(record);
  if (Frames.size() == FramesPerGroup) EncodePending();
}

void TLzxCompressor::EncodePending() {
  Encoder.EncodeGroup(Tokens, Frames, Matcher, Ready);
  Tokens.clear();
  Frames.clear();
  Matcher.SetLiteralBits(Encoder.LiteralBitsHint());
}

void TLzxCompressor::Finish() {
  if (IsFinished) return;
  if (Matcher.PendingBytes() != 0) CloseFrame();
  EncodePending();
  IsFinished = true;
}

bool TLzxCompressor::ReadFrame(TLzxFrame& frame) {
  if (Ready.empty()) return false;
  frame = std::move(Ready.front());
  Ready.pop_front();
  return true;
}

} // namespace NQuillo
