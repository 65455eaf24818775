#include "writer/LzxBlockEncoder.h"

#include "writer/HuffmanCode.h"
#include "writer/LzxFormat.h"

#include <algorithm>
#include <stdexcept>

namespace NQuillo::NLzx {

namespace {

// Decoders refuse CFDATA payloads over 32 KiB + 6 KiB; stay well clear of that.
constexpr uint64_t MaxFrameBytes = FrameSize + 4096;
constexpr uint64_t BlockHeaderBits = 3 + 24;
constexpr uint64_t AlignedTreeBits = AlignedSymbols * 3;

bool HasLengthFooter(uint16_t mainSymbol) {
  return mainSymbol >= NumChars && ((mainSymbol - NumChars) & 7u) == NumPrimaryLengths;
}

uint64_t WordAlignedBytes(uint64_t bits) {
  return (bits + 15) / 16 * 2;
}

} // namespace

TLzxBlockEncoder::TLzxBlockEncoder(unsigned windowBits)
    : MainSymbols(NumChars + PositionSlotCount(windowBits) * 8), DecoderMainLengths(MainSymbols, 0),
      DecoderLengthLengths(NumSecondaryLengths, 0), Writer(Current) {}

TLzxBlockEncoder::TTrees TLzxBlockEncoder::BuildTrees(const std::vector<TToken>& tokens,
                                                      const std::vector<TFrameRecord>& frames,
                                                      size_t first, size_t last) const {
  std::vector<uint32_t> mainFreq(MainSymbols, 0);
  std::vector<uint32_t> lengthFreq(NumSecondaryLengths, 0);
  std::vector<uint32_t> alignedFreq(AlignedSymbols, 0);
  for (size_t frame = first; frame < last; ++frame) {
    const TFrameRecord& record = frames[frame];
    for (size_t i = record.TokenBegin; i < record.TokenEnd; ++i) {
      const TToken& token = tokens[i];
      ++mainFreq[token.MainSymbol];
      if (HasLengthFooter(token.MainSymbol)) ++lengthFreq[token.LengthFooter];
      if (token.ExtraBits >= 3) ++alignedFreq[token.ExtraValue & 7u];
    }
  }
  // Decoders accept only complete codes, so an unused length tree still gets two entries.
  if (std::all_of(lengthFreq.begin(), lengthFreq.end(), [](uint32_t f) { return f == 0; }))
    lengthFreq[0] = 1;

  TTrees trees;
  trees.MainLengths = BuildLimitedCodeLengths(mainFreq, MainMaxBits);
  trees.LengthLengths = BuildLimitedCodeLengths(lengthFreq, LengthMaxBits);
  trees.AlignedLengths = BuildLimitedCodeLengths(alignedFreq, AlignedMaxBits);

  uint64_t footerBitsVerbatim = 0;
  uint64_t footerBitsAligned = 0;
  for (unsigned slot = 0; slot < AlignedSymbols; ++slot)
    footerBitsAligned += uint64_t{alignedFreq[slot]} * trees.AlignedLengths[slot];
  for (uint32_t f : alignedFreq)
    footerBitsVerbatim += uint64_t{f} * 3;
  trees.Aligned = footerBitsAligned + AlignedTreeBits < footerBitsVerbatim;

  trees.MainCodes = BuildCanonicalCodes(trees.MainLengths);
  trees.LengthCodes = BuildCanonicalCodes(trees.LengthLengths);
  if (trees.Aligned) trees.AlignedCodes = BuildCanonicalCodes(trees.AlignedLengths);
  PrepareHeader(trees);
  return trees;
}

void TLzxBlockEncoder::EncodeLengthDeltas(const uint8_t* previous, const uint8_t* next,
                                          size_t count, TLengthSection& section) {
  auto delta = [](uint8_t before, uint8_t after) {
    return static_cast<uint8_t>((before + 17 - after) % 17);
  };
  size_t i = 0;
  while (i < count) {
    const uint8_t value = next[i];
    size_t run = 1;
    while (i + run < count && next[i + run] == value)
      ++run;
    if (value == 0) {
      while (run >= 4) {
        if (run >= 20) {
          const size_t n = std::min<size_t>(run, 51);
          section.Ops.push_back({18, 5, static_cast<uint8_t>(n - 20), 0});
          i += n;
          run -= n;
        } else {
          const size_t n = std::min<size_t>(run, 19);
          section.Ops.push_back({17, 4, static_cast<uint8_t>(n - 4), 0});
          i += n;
          run -= n;
        }
      }
    } else {
      // Symbol 19 gives 4 or 5 entries one value, priced against the first one's old length.
      while (run >= 4) {
        const size_t n = std::min<size_t>(run, 5);
        section.Ops.push_back({19, 1, static_cast<uint8_t>(n - 4), delta(previous[i], value)});
        i += n;
        run -= n;
      }
    }
    for (; run != 0; --run, ++i)
      section.Ops.push_back({delta(previous[i], next[i]), 0, 0, 0});
  }

  std::vector<uint32_t> freq(PretreeSymbols, 0);
  for (const TPretreeOp& op : section.Ops) {
    ++freq[op.Symbol];
    if (op.Symbol == 19) ++freq[op.DeltaSymbol];
  }
  section.PretreeLengths = BuildLimitedCodeLengths(freq, PretreeMaxBits);
  section.PretreeCodes = BuildCanonicalCodes(section.PretreeLengths);
}

uint64_t TLzxBlockEncoder::SectionBits(const TLengthSection& section) {
  uint64_t bits = PretreeSymbols * 4;
  for (const TPretreeOp& op : section.Ops) {
    bits += section.PretreeLengths[op.Symbol] + op.ExtraWidth;
    if (op.Symbol == 19) bits += section.PretreeLengths[op.DeltaSymbol];
  }
  return bits;
}

void TLzxBlockEncoder::PrepareHeader(TTrees& trees) const {
  for (TLengthSection& section : trees.Sections)
    section = TLengthSection();
  EncodeLengthDeltas(DecoderMainLengths.data(), trees.MainLengths.data(), NumChars,
                     trees.Sections[0]);
  EncodeLengthDeltas(DecoderMainLengths.data() + NumChars, trees.MainLengths.data() + NumChars,
                     MainSymbols - NumChars, trees.Sections[1]);
  EncodeLengthDeltas(DecoderLengthLengths.data(), trees.LengthLengths.data(), NumSecondaryLengths,
                     trees.Sections[2]);
  trees.HeaderBits = BlockHeaderBits + (trees.Aligned ? AlignedTreeBits : 0);
  for (const TLengthSection& section : trees.Sections)
    trees.HeaderBits += SectionBits(section);
}

uint64_t TLzxBlockEncoder::FrameTokenBits(const std::vector<TToken>& tokens,
                                          const TFrameRecord& record, const TTrees& trees) {
  uint64_t bits = 0;
  for (size_t i = record.TokenBegin; i < record.TokenEnd; ++i) {
    const TToken& token = tokens[i];
    bits += trees.MainLengths[token.MainSymbol];
    if (token.MainSymbol < NumChars) continue;
    if (HasLengthFooter(token.MainSymbol)) bits += trees.LengthLengths[token.LengthFooter];
    if (trees.Aligned && token.ExtraBits >= 3)
      bits += token.ExtraBits - 3u + trees.AlignedLengths[token.ExtraValue & 7u];
    else
      bits += token.ExtraBits;
  }
  return bits;
}

TLzxBlockEncoder::TBlockPlan TLzxBlockEncoder::PlanBlock(const std::vector<TToken>& tokens,
                                                         const std::vector<TFrameRecord>& frames,
                                                         size_t first, size_t last) const {
  TTrees trees = BuildTrees(tokens, frames, first, last);
  TBlockPlan plan;
  plan.Bits = trees.HeaderBits;
  for (size_t frame = first; frame < last; ++frame)
    plan.Bits += FrameTokenBits(tokens, frames[frame], trees);
  plan.Aligned = trees.Aligned;
  plan.MainLengths = std::move(trees.MainLengths);
  plan.LengthLengths = std::move(trees.LengthLengths);
  plan.AlignedLengths = std::move(trees.AlignedLengths);
  return plan;
}

uint64_t TLzxBlockEncoder::UncompressedBits(uint32_t size) const {
  return BlockHeaderBits + 16 + 12 * 8 + uint64_t{size} * 8 + (size & 1u) * 8;
}

void TLzxBlockEncoder::EncodeGroup(const std::vector<TToken>& tokens,
                                   const std::vector<TFrameRecord>& frames,
                                   const uint8_t* frameBytes, std::deque<TCompressedFrame>& out) {
  if (frames.empty()) return;
  const TGroup group{tokens, frames, frameBytes, out};
  const size_t count = frames.size();
  const TTrees trees = BuildTrees(tokens, frames, 0, count);

  // Frames that the shared trees cannot shrink go out stored; the rest form compressed runs.
  std::vector<bool> stored(count);
  const uint64_t headerShare = trees.HeaderBits / count;
  for (size_t frame = 0; frame < count; ++frame)
    stored[frame] = FrameTokenBits(tokens, frames[frame], trees) + headerShare + 8 >=
                    UncompressedBits(frames[frame].Size);

  size_t frame = 0;
  while (frame < count) {
    if (stored[frame]) {
      WriteUncompressedBlock(group, frame++);
      continue;
    }
    size_t last = frame;
    while (last < count && !stored[last])
      ++last;
    EncodeRun(group, frame, last, frame == 0 && last == count ? &trees : nullptr);
    frame = last;
  }
}

void TLzxBlockEncoder::EncodeRun(const TGroup& group, size_t first, size_t last,
                                 const TTrees* shared) {
  TTrees own;
  if (shared == nullptr) {
    own = BuildTrees(group.Tokens, group.Frames, first, last);
    shared = &own;
  }
  const TTrees& trees = *shared;

  bool fits = true;
  uint64_t compressedBytes = 0;
  uint64_t storedBytes = 0;
  for (size_t frame = first; frame < last; ++frame) {
    uint64_t bits = FrameTokenBits(group.Tokens, group.Frames[frame], trees);
    if (frame == first) bits += trees.HeaderBits + (StreamHeaderWritten ? 0 : 1);
    const uint64_t bytes = WordAlignedBytes(bits);
    fits = fits && bytes <= MaxFrameBytes;
    compressedBytes += bytes;
    storedBytes += UncompressedBits(group.Frames[frame].Size) / 8;
  }
  if (fits && compressedBytes < storedBytes) {
    WriteCompressedBlock(group, first, last, trees);
  } else if (last - first > 1) {
    for (size_t frame = first; frame < last; ++frame)
      EncodeRun(group, frame, frame + 1, nullptr);
  } else {
    WriteUncompressedBlock(group, first);
  }
}

void TLzxBlockEncoder::WriteStreamHeaderOnce() {
  if (StreamHeaderWritten) return;
  Writer.Put(0, 1); // no E8 call translation
  StreamHeaderWritten = true;
}

void TLzxBlockEncoder::WriteSection(const TLengthSection& section) {
  for (unsigned i = 0; i < PretreeSymbols; ++i)
    Writer.Put(section.PretreeLengths[i], 4);
  for (const TPretreeOp& op : section.Ops) {
    Writer.Put(section.PretreeCodes[op.Symbol], section.PretreeLengths[op.Symbol]);
    Writer.Put(op.ExtraValue, op.ExtraWidth);
    if (op.Symbol == 19)
      Writer.Put(section.PretreeCodes[op.DeltaSymbol], section.PretreeLengths[op.DeltaSymbol]);
  }
}

void TLzxBlockEncoder::WriteCompressedBlock(const TGroup& group, size_t first, size_t last,
                                            const TTrees& trees) {
  uint32_t blockSize = 0;
  for (size_t frame = first; frame < last; ++frame)
    blockSize += group.Frames[frame].Size;

  WriteStreamHeaderOnce();
  Writer.Put(static_cast<uint32_t>(trees.Aligned ? EBlockType::Aligned : EBlockType::Verbatim), 3);
  Writer.Put(blockSize, 24);
  if (trees.Aligned)
    for (unsigned i = 0; i < AlignedSymbols; ++i)
      Writer.Put(trees.AlignedLengths[i], 3);
  for (const TLengthSection& section : trees.Sections)
    WriteSection(section);
  DecoderMainLengths = trees.MainLengths;
  DecoderLengthLengths = trees.LengthLengths;

  uint64_t literalBits = 0;
  uint64_t literals = 0;
  for (size_t frame = first; frame < last; ++frame) {
    const TFrameRecord& record = group.Frames[frame];
    for (size_t i = record.TokenBegin; i < record.TokenEnd; ++i) {
      const TToken& token = group.Tokens[i];
      const uint8_t mainLength = trees.MainLengths[token.MainSymbol];
      Writer.Put(trees.MainCodes[token.MainSymbol], mainLength);
      if (token.MainSymbol < NumChars) {
        literalBits += mainLength;
        ++literals;
        continue;
      }
      if (HasLengthFooter(token.MainSymbol))
        Writer.Put(trees.LengthCodes[token.LengthFooter], trees.LengthLengths[token.LengthFooter]);
      if (trees.Aligned && token.ExtraBits >= 3) {
        Writer.Put(token.ExtraValue >> 3, token.ExtraBits - 3u);
        const unsigned low = token.ExtraValue & 7u;
        Writer.Put(trees.AlignedCodes[low], trees.AlignedLengths[low]);
      } else {
        Writer.Put(token.ExtraValue, token.ExtraBits);
      }
    }
    FinishFrame(group, record.Size);
  }
  if (literals != 0)
    LiteralBits =
        static_cast<int32_t>(std::clamp<uint64_t>((literalBits + literals / 2) / literals, 4, 10));
}

void TLzxBlockEncoder::WriteUncompressedBlock(const TGroup& group, size_t frame) {
  const TFrameRecord& record = group.Frames[frame];
  WriteStreamHeaderOnce();
  Writer.Put(static_cast<uint32_t>(EBlockType::Uncompressed), 3);
  Writer.Put(record.Size, 24);
  // libmspack skips a whole word of padding when the header ends on a word boundary and
  // libarchive skips none; at a frame start the header never ends there, so both agree.
  if (Writer.BitsInWord() == 0)
    throw std::logic_error("LZX stored block header ends on a word boundary");
  Writer.AlignToWord();
  uint8_t repeated[12];
  for (size_t i = 0; i < 3; ++i)
    for (size_t b = 0; b < 4; ++b)
      repeated[i * 4 + b] = static_cast<uint8_t>(record.RepsAtEnd[i] >> (8 * b));
  Writer.PutBytes(repeated, sizeof(repeated));
  Writer.PutBytes(group.Bytes + (record.Start - group.Frames[0].Start), record.Size);
  if (record.Size & 1u) {
    const uint8_t pad = 0;
    Writer.PutBytes(&pad, 1);
  }
  FinishFrame(group, record.Size);
}

void TLzxBlockEncoder::FinishFrame(const TGroup& group, uint32_t uncompressedSize) {
  // Decoders realign to a word at every frame end and libarchive drops leftover bits at each
  // CFDATA boundary, so a frame's payload ends exactly at its padded word.
  Writer.AlignToWord();
  group.Out.push_back({std::move(Current), uncompressedSize});
  Current = std::vector<uint8_t>();
  Current.reserve(FrameSize + 64);
}

} // namespace NQuillo::NLzx
