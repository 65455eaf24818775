#include "writer/LzxOptimalParser.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace NQuillo::NLzx {

namespace {

// Match comparison reads whole 8-byte words and may look a little past the data.
constexpr size_t BufferSlack = 16;
constexpr uint32_t Unreached = std::numeric_limits<uint32_t>::max();
// What a symbol the last block never used is assumed to cost if the next one takes it up.
constexpr uint32_t UnusedMainBits = 14;
constexpr uint32_t UnusedLengthBits = 12;
constexpr uint32_t UnusedAlignedBits = 6;

uint32_t LengthHeader(uint32_t length) {
  return std::min(length - MinMatch, uint32_t{NumPrimaryLengths});
}

// Matches kept per position: the shortest ones, which near offsets give, and the longest.
// Real data rarely has more; the bound keeps the cache within its reserve on any input.
constexpr unsigned ShortMatchesKept = 2;
constexpr unsigned LongMatchesKept = 4;
constexpr unsigned MatchLengthBits = 9;

uint32_t PackMatch(const TMatchCandidate& match) {
  return match.Distance << MatchLengthBits | match.Length;
}

// Inside long matches of at most this distance only every SparseSkipStride-th position goes
// into the tree, but for the last SparseSkipTail.
constexpr uint32_t SparseSkipDistance = 4096;
constexpr uint32_t SparseSkipStride = 4;
constexpr uint32_t SparseSkipTail = 64;

// A pass that gains less than this part of the block's size is the last.
constexpr uint64_t SettledFraction = 500;
constexpr unsigned StepCodeShift = 9;
constexpr uint32_t StepLengthMask = (1u << StepCodeShift) - 1;

// Four lanes of the graph's cost and step arrays, which GCC and Clang map onto SIMD registers
// wherever the target has them.
typedef uint32_t TLanes __attribute__((vector_size(16)));

// Offers the lengths first..last of one offset to the nodes ahead, four at a time.
void OfferLengths(uint32_t* __restrict cost, uint32_t* __restrict step,
                  const uint32_t* __restrict price, uint32_t base, uint32_t code, uint32_t first,
                  uint32_t last) {
  const uint32_t tag = code << StepCodeShift;
  uint32_t length = first;
  for (; length + 3 <= last; length += 4) {
    TLanes offered, before, steps;
    std::memcpy(&offered, price + length, sizeof(offered));
    std::memcpy(&before, cost + length, sizeof(before));
    std::memcpy(&steps, step + length, sizeof(steps));
    offered += base;
    const TLanes better = TLanes(offered < before);
    const TLanes newCost = (offered & better) | (before & ~better);
    const TLanes newStep = (((TLanes{0, 1, 2, 3} + length) | tag) & better) | (steps & ~better);
    std::memcpy(cost + length, &newCost, sizeof(newCost));
    std::memcpy(step + length, &newStep, sizeof(newStep));
  }
  for (; length <= last; ++length) {
    const uint32_t offered = base + price[length];
    if (offered < cost[length]) {
      cost[length] = offered;
      step[length] = tag | length;
    }
  }
}

TOptimalTuning Checked(TOptimalTuning tuning) {
  tuning.MaxDepth = std::max(1u, tuning.MaxDepth);
  tuning.NiceLength = std::clamp(tuning.NiceLength, TLzxMatchFinder::MinLength, MaxMatch);
  tuning.Passes = std::max(1u, tuning.Passes);
  tuning.FramesPerGroup = std::clamp(tuning.FramesPerGroup, 1u, 64u);
  return tuning;
}

} // namespace

TLzxOptimalParser::TLzxOptimalParser(unsigned windowBits, const TOptimalTuning& tuning)
    : WindowSize(uint32_t{1} << windowBits), MaxDist(MaxDistance(windowBits)),
      Tuning(Checked(tuning)), Finder(windowBits, Tuning.MaxDepth, Tuning.NiceLength),
      Lazy(windowBits, TMatcherTuning()) {
  const size_t groupBytes = size_t{Tuning.FramesPerGroup} * FrameSize;
  Buffer.assign(WindowSize + groupBytes + BufferSlack, 0);
  Frames.reserve(Tuning.FramesPerGroup);
  SetDefaultCosts();
}

void TLzxOptimalParser::MakeRoomForGroup() {
  const size_t used = End - BufferBase;
  const size_t groupBytes = size_t{Tuning.FramesPerGroup} * FrameSize;
  if (used + groupBytes <= Buffer.size() - BufferSlack) return;
  // One window of history is all that later matches can reach.
  const uint32_t keep = static_cast<uint32_t>(std::min<size_t>(WindowSize, used));
  std::memmove(Buffer.data(), Buffer.data() + (used - keep), keep);
  BufferBase = End - keep;
}

size_t TLzxOptimalParser::Append(const uint8_t* data, size_t size) {
  if (Frames.empty() && FrameStart == End) MakeRoomForGroup();
  const size_t room = FrameSize - (End - FrameStart);
  const size_t taken = std::min(size, room);
  if (taken != 0) {
    std::memcpy(Buffer.data() + (End - BufferBase), data, taken);
    End += static_cast<uint32_t>(taken);
  }
  return taken;
}

void TLzxOptimalParser::CloseFrame(TLzxBlockEncoder& encoder, std::deque<TCompressedFrame>& out) {
  TFrameRecord record;
  record.Start = FrameStart;
  record.Size = End - FrameStart;
  Frames.push_back(record);
  FrameStart = End;
  if (Frames.size() == Tuning.FramesPerGroup) EncodeGroup(encoder, out);
}

void TLzxOptimalParser::FindMatches() {
  // The tree wants every position's next nice-length bytes when it is inserted.
  const uint32_t nice = Finder.Nice();
  while (!Uninserted.empty() && End - Uninserted.front() >= nice) {
    const uint32_t pos = Uninserted.front();
    Uninserted.pop_front();
    Finder.Skip(Ptr(pos), pos, std::min(MaxDist, pos - BufferBase), std::min(MaxMatch, End - pos));
  }
  const uint32_t groupStart = static_cast<uint32_t>(Frames.front().Start);
  const uint32_t count = End - groupStart;
  MatchBegin.resize(size_t{count} + 1);
  Matches.clear();
  Matches.reserve(size_t{count} * (ShortMatchesKept + LongMatchesKept));
  TMatchCandidate found[MaxMatch];
  uint32_t skip = 0;
  uint32_t skipDistance = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t pos = groupStart + i;
    MatchBegin[i] = static_cast<uint32_t>(Matches.size());
    const uint32_t maxLength = std::min(MaxMatch, End - pos);
    const uint32_t maxDistance = std::min(MaxDist, pos - BufferBase);
    const bool complete = Uninserted.empty() && End - pos >= nice;
    if (!complete) Uninserted.push_back(pos);
    if (skip != 0) {
      // Inside a long match the parse will not stop, so only keep the tree up to date. A near
      // match repeats a short stretch, which later searches find one period back as well:
      // there every few positions will do, except at its end, where what follows is new.
      --skip;
      const bool sparse = skipDistance <= SparseSkipDistance && skip >= SparseSkipTail;
      if (complete && (!sparse || pos % SparseSkipStride == 0))
        Finder.Skip(Ptr(pos), pos, maxDistance, maxLength);
      continue;
    }
    const unsigned n = complete ? Finder.Find(Ptr(pos), pos, maxDistance, maxLength, found)
                                : Finder.Search(Ptr(pos), pos, maxDistance, maxLength, found);
    for (unsigned k = 0; k < n; ++k)
      if (k < ShortMatchesKept || k + LongMatchesKept >= n) Matches.push_back(PackMatch(found[k]));
    if (n != 0 && found[n - 1].Length >= Tuning.NiceLength) {
      skip = found[n - 1].Length - 1;
      skipDistance = found[n - 1].Distance;
    }
  }
  MatchBegin[count] = static_cast<uint32_t>(Matches.size());
}

void TLzxOptimalParser::SetMatchCosts(const uint32_t* main, const uint32_t* footer) {
  for (unsigned slot = 0; slot < MaxPositionSlots; ++slot)
    for (uint32_t length = MinMatch; length <= MaxMatch; ++length) {
      const uint32_t header = LengthHeader(length);
      Costs.Match[slot][length] =
          main[slot * 8 + header] + (header == NumPrimaryLengths ? footer[length - 9] : 0);
    }
}

void TLzxOptimalParser::SetDefaultCosts() {
  std::fill(std::begin(Costs.Literal), std::end(Costs.Literal), 8u);
  uint32_t main[MaxPositionSlots * 8];
  for (unsigned symbol = 0; symbol < MaxPositionSlots * 8; ++symbol)
    main[symbol] = symbol < 3 * 8 ? 6 : 9;
  uint32_t footer[NumSecondaryLengths];
  std::fill(std::begin(footer), std::end(footer), 6u);
  SetMatchCosts(main, footer);
  std::fill(std::begin(Costs.Aligned), std::end(Costs.Aligned), 3u);
  Costs.UseAligned = false;
}

void TLzxOptimalParser::SetCosts(const TLzxBlockEncoder::TBlockPlan& plan) {
  auto bits = [](uint8_t length, uint32_t unused) { return length != 0 ? length : unused; };
  for (unsigned c = 0; c < NumChars; ++c)
    Costs.Literal[c] = bits(plan.MainLengths[c], UnusedMainBits);
  uint32_t main[MaxPositionSlots * 8];
  for (unsigned symbol = 0; symbol < MaxPositionSlots * 8; ++symbol)
    main[symbol] = NumChars + symbol < plan.MainLengths.size()
                       ? bits(plan.MainLengths[NumChars + symbol], UnusedMainBits)
                       : UnusedMainBits;
  uint32_t footer[NumSecondaryLengths];
  for (unsigned k = 0; k < NumSecondaryLengths; ++k)
    footer[k] = bits(plan.LengthLengths[k], UnusedLengthBits);
  SetMatchCosts(main, footer);
  for (unsigned k = 0; k < AlignedSymbols; ++k)
    Costs.Aligned[k] = bits(plan.AlignedLengths[k], UnusedAlignedBits);
  Costs.UseAligned = plan.Aligned;
}

uint32_t TLzxOptimalParser::OffsetCost(uint32_t formatted, unsigned slot) const {
  const uint32_t extra = SlotExtraBits(slot);
  if (Costs.UseAligned && extra >= 3)
    return extra - 3 + Costs.Aligned[(formatted - SlotBase(slot)) & 7u];
  return extra;
}

void TLzxOptimalParser::ParseBlock(size_t first, size_t last, const TRepeatedOffsets& start,
                                   TParse& parse) {
  const uint32_t groupStart = static_cast<uint32_t>(Frames.front().Start);
  const uint32_t blockStart = static_cast<uint32_t>(Frames[first].Start);
  const uint32_t blockEnd = static_cast<uint32_t>(Frames[last - 1].Start) + Frames[last - 1].Size;
  const uint32_t count = blockEnd - blockStart;
  if (NodeCost.size() < size_t{count} + 1) {
    NodeCost.resize(size_t{count} + 1);
    NodeStep.resize(size_t{count} + 1);
    NodeReps.resize(size_t{count} + 1);
  }
  std::fill(NodeCost.begin() + 1, NodeCost.begin() + count + 1, Unreached);
  NodeCost[0] = 0;
  NodeStep[0] = 0;
  NodeReps[0] = start;

  size_t frame = first;
  uint32_t frameEnd = static_cast<uint32_t>(Frames[frame].Start) + Frames[frame].Size;
  uint32_t i = 0;
  while (i < count) {
    const uint32_t pos = blockStart + i;
    if (pos == frameEnd) {
      ++frame;
      frameEnd = static_cast<uint32_t>(Frames[frame].Start) + Frames[frame].Size;
    }
    // The repeated offsets at a node are those of the cheapest path that reaches it.
    TRepeatedOffsets& reps = NodeReps[i];
    if (i != 0) {
      const uint32_t length = NodeStep[i] & StepLengthMask;
      const uint32_t code = NodeStep[i] >> StepCodeShift;
      reps = NodeReps[i - length];
      if (length > 1) {
        if (code < 3)
          std::swap(reps[0], reps[code]);
        else
          reps = {code - 2, reps[0], reps[1]};
      }
    }
    const uint8_t* current = Ptr(pos);
    const uint32_t base = NodeCost[i];
    uint32_t* const cost = &NodeCost[i];
    uint32_t* const step = &NodeStep[i];
    auto relax = [cost, step](uint32_t length, uint32_t code, uint32_t offered) {
      if (offered < cost[length]) {
        cost[length] = offered;
        step[length] = code << StepCodeShift | length;
      }
    };
    relax(1, 0, base + Costs.Literal[current[0]]);
    const uint32_t limit = std::min(MaxMatch, frameEnd - pos);
    if (limit < MinMatch) {
      ++i;
      continue;
    }

    const uint32_t history = std::min(MaxDist, pos - BufferBase);
    uint32_t repLength[3] = {0, 0, 0};
    uint32_t longestRep = 0;
    uint32_t longestRepIndex = 0;
    for (uint32_t k = 0; k < 3; ++k) {
      const uint32_t distance = reps[k];
      if (distance > history || (k > 0 && distance == reps[0]) || (k == 2 && distance == reps[1]))
        continue;
      const uint8_t* earlier = current - distance;
      if (earlier[0] != current[0] || earlier[1] != current[1]) continue;
      repLength[k] = CommonLength(current, earlier, 2, limit);
      if (repLength[k] > longestRep) {
        longestRep = repLength[k];
        longestRepIndex = k;
      }
    }

    const uint32_t* match = Matches.data() + MatchBegin[pos - groupStart];
    const uint32_t* matchEnd = Matches.data() + MatchBegin[pos - groupStart + 1];
    const uint32_t lengthMask = (1u << MatchLengthBits) - 1;
    const uint32_t longestMatch =
        match != matchEnd ? std::min(matchEnd[-1] & lengthMask, limit) : 0;
    if (std::max(longestRep, longestMatch) >= Tuning.NiceLength) {
      // A very long match is taken as it stands; the positions it covers are not weighed.
      uint32_t length;
      if (longestRep >= longestMatch) {
        length = longestRep;
        relax(length, longestRepIndex, base + Costs.Match[longestRepIndex][length]);
      } else {
        length = longestMatch;
        const uint32_t formatted = FormattedOffset(matchEnd[-1] >> MatchLengthBits);
        const unsigned slot = SlotOfFormattedOffset(formatted);
        relax(length, formatted, base + OffsetCost(formatted, slot) + Costs.Match[slot][length]);
      }
      i += length;
      continue;
    }

    // Each length is weighed with the offset that most likely codes it cheapest: the
    // repeated offsets in queue order, then the nearest explicit one.
    uint32_t previous = MinMatch - 1;
    for (uint32_t k = 0; k < 3; ++k) {
      OfferLengths(cost, step, Costs.Match[k], base, k, previous + 1, repLength[k]);
      previous = std::max(previous, repLength[k]);
    }
    for (; match != matchEnd && previous < limit; ++match) {
      const uint32_t top = std::min(*match & lengthMask, limit);
      const uint32_t distance = *match >> MatchLengthBits;
      if (distance == reps[0] || distance == reps[1] || distance == reps[2]) {
        previous = top;
        continue;
      }
      const uint32_t formatted = FormattedOffset(distance);
      const unsigned slot = SlotOfFormattedOffset(formatted);
      const uint32_t offsetBase = base + OffsetCost(formatted, slot);
      OfferLengths(cost, step, Costs.Match[slot], offsetBase, formatted, previous + 1, top);
      previous = top;
    }
    ++i;
  }
  TracePath(first, last, start, parse);
}

void TLzxOptimalParser::TracePath(size_t first, size_t last, const TRepeatedOffsets& start,
                                  TParse& parse) {
  const uint32_t blockStart = static_cast<uint32_t>(Frames[first].Start);
  const uint32_t blockEnd = static_cast<uint32_t>(Frames[last - 1].Start) + Frames[last - 1].Size;
  PathSteps.clear();
  for (uint32_t j = blockEnd - blockStart; j != 0; j -= NodeStep[j] & StepLengthMask)
    PathSteps.push_back(NodeStep[j]);

  parse.Tokens.clear();
  parse.Frames.clear();
  TRepeatedOffsets reps = start;
  size_t frame = first;
  TFrameRecord record = Frames[frame];
  record.TokenBegin = 0;
  uint32_t pos = blockStart;
  for (auto step = PathSteps.rbegin(); step != PathSteps.rend(); ++step) {
    const uint32_t length = *step & StepLengthMask;
    const uint32_t code = *step >> StepCodeShift;
    if (length == 1) {
      parse.Tokens.push_back({*Ptr(pos), 0, 0, 0});
    } else {
      unsigned slot;
      uint32_t extra = 0;
      if (code < 3) {
        slot = code;
        std::swap(reps[0], reps[slot]);
      } else {
        slot = SlotOfFormattedOffset(code);
        extra = code - SlotBase(slot);
        reps = {code - 2, reps[0], reps[1]};
      }
      const uint32_t header = LengthHeader(length);
      parse.Tokens.push_back({static_cast<uint16_t>(NumChars + slot * 8 + header),
                              static_cast<uint8_t>(length - MinMatch - header),
                              static_cast<uint8_t>(SlotExtraBits(slot)), extra});
    }
    pos += length;
    if (pos == record.Start + record.Size) {
      record.TokenEnd = parse.Tokens.size();
      record.RepsAtEnd = reps;
      parse.Frames.push_back(record);
      if (++frame < last) {
        record = Frames[frame];
        record.TokenBegin = parse.Tokens.size();
      }
    }
  }
}

void TLzxOptimalParser::ParseLazily(size_t first, size_t last, TParse& parse) {
  parse.Tokens.clear();
  parse.Frames.clear();
  Lazy.SetRepeatedOffsets(Reps);
  for (size_t frame = first; frame < last; ++frame) {
    TFrameRecord record = Frames[frame];
    const uint8_t* bytes = Ptr(static_cast<uint32_t>(record.Start));
    for (size_t taken = 0; taken < record.Size;)
      taken += Lazy.Append(bytes + taken, record.Size - taken);
    record.TokenBegin = parse.Tokens.size();
    Lazy.ParseFrame(parse.Tokens);
    record.TokenEnd = parse.Tokens.size();
    record.RepsAtEnd = Lazy.RepeatedOffsets();
    parse.Frames.push_back(record);
  }
}

std::vector<size_t> TLzxOptimalParser::ChooseBlockEnds(const TLzxBlockEncoder& encoder,
                                                       const TParse& parse) const {
  // Cheapest split of the group into runs of whole frames, each run priced as one block.
  const size_t count = parse.Frames.size();
  std::vector<uint64_t> best(count + 1, std::numeric_limits<uint64_t>::max());
  std::vector<size_t> from(count + 1, 0);
  best[0] = 0;
  for (size_t last = 1; last <= count; ++last)
    for (size_t first = 0; first < last; ++first) {
      const uint64_t bits =
          best[first] + encoder.PlanBlock(parse.Tokens, parse.Frames, first, last).Bits;
      if (bits < best[last]) {
        best[last] = bits;
        from[last] = first;
      }
    }
  std::vector<size_t> ends;
  for (size_t last = count; last != 0; last = from[last])
    ends.push_back(last);
  std::reverse(ends.begin(), ends.end());
  return ends;
}

void TLzxOptimalParser::EncodeGroup(TLzxBlockEncoder& encoder, std::deque<TCompressedFrame>& out) {
  if (Frames.empty()) return;
  FindMatches();
  TParse whole;
  ParseBlock(0, Frames.size(), Reps, whole);
  const std::vector<size_t> ends = ChooseBlockEnds(encoder, whole);

  size_t first = 0;
  for (size_t last : ends) {
    // The group's path holds for this block while it starts from the repeated offsets the
    // previous block really ended with.
    const bool wholeHolds = first == 0 || Reps == whole.Frames[first - 1].RepsAtEnd;
    TLzxBlockEncoder::TBlockPlan plan = encoder.PlanBlock(whole.Tokens, whole.Frames, first, last);
    uint64_t bestBits = wholeHolds ? plan.Bits : std::numeric_limits<uint64_t>::max();
    const std::vector<TToken>* tokens = &whole.Tokens;
    std::vector<TFrameRecord> frames(whole.Frames.begin() + static_cast<ptrdiff_t>(first),
                                     whole.Frames.begin() + static_cast<ptrdiff_t>(last));
    TParse* best = nullptr;
    // Every frame goes through the lazy parser once, in order, so that its window follows.
    TParse& lazy = Trials[2];
    Lazy.SetLiteralBits(encoder.LiteralBitsHint());
    ParseLazily(first, last, lazy);
    TLzxBlockEncoder::TBlockPlan lazyPlan =
        encoder.PlanBlock(lazy.Tokens, lazy.Frames, 0, lazy.Frames.size());
    if (lazyPlan.Bits < bestBits) {
      bestBits = lazyPlan.Bits;
      best = &lazy;
      plan = std::move(lazyPlan);
    }
    for (unsigned pass = 1; pass < Tuning.Passes; ++pass) {
      TParse& trial = Trials[best == &Trials[0] ? 1 : 0];
      SetCosts(plan);
      ParseBlock(first, last, Reps, trial);
      plan = encoder.PlanBlock(trial.Tokens, trial.Frames, 0, trial.Frames.size());
      if (plan.Bits >= bestBits) break;
      // Passes stop paying once the codes have settled.
      const bool settled = bestBits - plan.Bits < plan.Bits / SettledFraction;
      bestBits = plan.Bits;
      best = &trial;
      if (settled) break;
    }
    if (best != nullptr) {
      tokens = &best->Tokens;
      frames = best->Frames;
    }
    encoder.EncodeGroup(*tokens, frames, Ptr(static_cast<uint32_t>(frames.front().Start)), out);
    Reps = frames.back().RepsAtEnd;
    SetCosts(plan);
    first = last;
  }
  Frames.clear();
}

} // namespace NQuillo::NLzx
