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

TLzxCompressor::TLzxCompressor(unsigned windowBits, ELzxLevel level,
                               const NLzx::TMatcherTuning& fastTuning)
    : WindowBitsValue(CheckedWindowBits(windowBits)), FramesPerGroup(GroupFrames(windowBits)),
      Encoder(windowBits) {
  if (level == ELzxLevel::Fast)
    Matcher = std::make_unique<NLzx::TLzxMatcher>(windowBits, fastTuning);
  else
    Optimal = std::make_unique<NLzx::TLzxOptimalParser>(windowBits, OptimalTuning(level));
}

TLzxCompressor::TLzxCompressor(unsigned windowBits, const NLzx::TOptimalTuning& tuning)
    : WindowBitsValue(CheckedWindowBits(windowBits)), FramesPerGroup(GroupFrames(windowBits)),
      Optimal(std::make_unique<NLzx::TLzxOptimalParser>(windowBits, tuning)), Encoder(windowBits) {}

NLzx::TOptimalTuning TLzxCompressor::OptimalTuning(ELzxLevel level) {
  NLzx::TOptimalTuning tuning;
  if (level == ELzxLevel::Best) {
    tuning.NiceLength = NLzx::MaxMatch;
    tuning.Passes = 8;
    tuning.FramesPerGroup = 16;
  }
  return tuning;
}

void TLzxCompressor::Write(const uint8_t* data, size_t size) {
  if (IsFinished) throw std::logic_error("LZX compressor written to after Finish()");
  if (size > MaxInputBytes - TotalIn)
    throw std::length_error("LZX stream longer than " + std::to_string(MaxInputBytes) + " bytes");
  while (size != 0) {
    const size_t taken = Optimal ? Optimal->Append(data, size) : Matcher->Append(data, size);
    data += taken;
    size -= taken;
    TotalIn += taken;
    if (PendingBytes() == NLzx::FrameSize) CloseFrame();
  }
}

uint32_t TLzxCompressor::PendingBytes() const {
  return Optimal ? Optimal->PendingBytes() : Matcher->PendingBytes();
}

void TLzxCompressor::CloseFrame() {
  if (Optimal) {
    Optimal->CloseFrame(Encoder, Ready);
    return;
  }
  NLzx::TFrameRecord record;
  record.Start = Matcher->FrameStartPosition();
  record.Size = Matcher->PendingBytes();
  record.TokenBegin = Tokens.size();
  Matcher->ParseFrame(Tokens);
  record.TokenEnd = Tokens.size();
  record.RepsAtEnd = Matcher->RepeatedOffsets();
  Frames.push_back(record);
  if (Frames.size() == FramesPerGroup) EncodePending();
}

void TLzxCompressor::EncodePending() {
  if (Optimal) {
    Optimal->EncodeGroup(Encoder, Ready);
    return;
  }
  if (!Frames.empty())
    Encoder.EncodeGroup(Tokens, Frames, Matcher->BytesAt(Frames[0].Start), Ready);
  Tokens.clear();
  Frames.clear();
  Matcher->SetLiteralBits(Encoder.LiteralBitsHint());
}

void TLzxCompressor::Finish() {
  if (IsFinished) return;
  if (PendingBytes() != 0) CloseFrame();
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
