#include "writer/LzxMatcher.h"

#include "writer/LzxFormat.h"

#include <algorithm>
#include <cstring>

namespace NQuillo::NLzx {

namespace {

constexpr uint32_t NoPosition = 0xFFFFFFFFu;
// Match comparison reads whole 8-byte words and may look a little past the data.
constexpr size_t BufferSlack = 16;
constexpr uint32_t SparseSearchAfter = 64;
constexpr uint32_t MaxSearchStride = 8;

uint64_t Load64(const uint8_t* p) {
  uint64_t value;
  std::memcpy(&value, p, sizeof(value));
  return value;
}

} // namespace

TLzxMatcher::TLzxMatcher(unsigned windowBits, const TMatcherTuning& tuning)
    : WindowSize(uint32_t{1} << windowBits),
      MaxDist(MaxDistance(windowBits)), Tuning(tuning) {
  // About one head per four window positions keeps chains short without a large table.
  HashBits = std::clamp(windowBits - 2, 16u, 18u);
  Buffer.assign(size_t{2} * WindowSize + FrameSize + BufferSlack, 0);
  Head.assign(size_t{1} << HashBits, NoPosition);
  Prev.assign(WindowSize, NoPosition);
}

void TLzxMatcher::MakeRoomForFrame() {
  const size_t used = End - BufferBase;
  if (used + FrameSize <= Buffer.size() - BufferSlack) return;
  // Keeping one window of history is all later matches can reach.
  const uint32_t keep = WindowSize;
  std::memmove(Buffer.data(), Buffer.data() + (used - keep), keep);
  BufferBase = End - keep;
}

size_t TLzxMatcher::Append(const uint8_t* data, size_t size) {
  if (FrameStart == End) MakeRoomForFrame();
  const size_t room = FrameSize - (End - FrameStart);
  const size_t taken = std::min(size, room);
  if (taken != 0) {
    std::memcpy(Buffer.data() + (End - BufferBase), data, taken);
    End += static_cast<uint32_t>(taken);
  }
  return taken;
}

uint32_t TLzxMatcher::HashAt(uint32_t pos) const {
  const uint8_t* p = Ptr(pos);
  const uint32_t key = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
  return (key * 0x9E3779B1u) >> (32 - HashBits);
}

void TLzxMatcher::InsertUpTo(uint32_t pos) {
  // A position is hashed once its three key bytes have arrived.
  const uint32_t limit = std::min(pos, End >= 2 ? End - 2 : 0);
  const uint32_t mask = WindowSize - 1;
  while (NextInsert < limit) {
    const uint32_t hash = HashAt(NextInsert);
    Prev[NextInsert & mask] = Head[hash];
    Head[hash] = NextInsert;
    ++NextInsert;
  }
}

uint32_t TLzxMatcher::MatchLength(const uint8_t* a, const uint8_t* b, uint32_t limit) const {
  uint32_t length = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  while (length + 8 <= limit) {
    const uint64_t diff = Load64(a + length) ^ Load64(b + length);
    if (diff != 0) return length + static_cast<uint32_t>(__builtin_ctzll(diff)) / 8;
    length += 8;
  }
#endif
  while (length < limit && a[length] == b[length])
    ++length;
  return length;
}

int32_t TLzxMatcher::Gain(uint32_t length, uint32_t distance) const {
  // Rough bit prices: what the match saves against sending its bytes as literals.
  int32_t cost;
  if (distance == Reps[0])
    cost = 6;
  else if (distance == Reps[1] || distance == Reps[2])
    cost = 8;
  else
    cost =
        9 + static_cast<int32_t>(SlotExtraBits(SlotOfFormattedOffset(FormattedOffset(distance))));
  if (length >= MinMatch + NumPrimaryLengths) cost += 4;
  return static_cast<int32_t>(length) * LiteralBits - cost;
}

TLzxMatcher::TMatch TLzxMatcher::FindBest(uint32_t pos, uint32_t end) const {
  TMatch best;
  const uint32_t maxLength = std::min(MaxMatch, end - pos);
  if (maxLength < MinMatch) return best;
  const uint8_t* current = Ptr(pos);
  const uint32_t history = pos - BufferBase;

  for (uint32_t distance : Reps) {
    if (distance > history) continue;
    const uint32_t length = MatchLength(current, current - distance, maxLength);
    if (length < MinMatch) continue;
    const int32_t gain = Gain(length, distance);
    if (gain > best.Gain) best = {length, distance, gain};
    if (length == maxLength) return best;
  }
  if (maxLength < 3) return best;

  const uint32_t mask = WindowSize - 1;
  uint32_t candidate = Head[HashAt(pos)];
  for (unsigned steps = Tuning.MaxChain; steps != 0 && candidate < pos; --steps) {
    const uint32_t distance = pos - candidate;
    if (distance > MaxDist || distance > history) break;
    const uint8_t* earlier = Ptr(candidate);
    if (earlier[best.Length] == current[best.Length] && earlier[0] == current[0] &&
        earlier[1] == current[1]) {
      const uint32_t length = MatchLength(current, earlier, maxLength);
      if (length >= 3) {
        const int32_t gain = Gain(length, distance);
        if (gain > best.Gain) {
          best = {length, distance, gain};
          if (length >= Tuning.NiceLength || length == maxLength) break;
        }
      }
    }
    const uint32_t next = Prev[candidate & mask];
    if (next >= candidate) break;
    candidate = next;
  }
  return best;
}

void TLzxMatcher::EmitLiteral(uint32_t pos, std::vector<TToken>& tokens) const {
  tokens.push_back({*Ptr(pos), 0, 0, 0});
}

void TLzxMatcher::EmitMatch(const TMatch& match, std::vector<TToken>& tokens) {
  unsigned slot;
  uint32_t extra = 0;
  if (match.Distance == Reps[0]) {
    slot = 0;
  } else if (match.Distance == Reps[1]) {
    slot = 1;
    std::swap(Reps[0], Reps[1]);
  } else if (match.Distance == Reps[2]) {
    slot = 2;
    std::swap(Reps[0], Reps[2]);
  } else {
    const uint32_t formatted = FormattedOffset(match.Distance);
    slot = SlotOfFormattedOffset(formatted);
    extra = formatted - SlotBase(slot);
    Reps[2] = Reps[1];
    Reps[1] = Reps[0];
    Reps[0] = match.Distance;
  }
  const uint32_t header = std::min(match.Length - MinMatch, uint32_t{NumPrimaryLengths});
  const uint32_t footer = match.Length - MinMatch - header;
  tokens.push_back({static_cast<uint16_t>(NumChars + slot * 8 + header),
                    static_cast<uint8_t>(footer), static_cast<uint8_t>(SlotExtraBits(slot)),
                    extra});
}

void TLzxMatcher::ParseFrame(std::vector<TToken>& tokens) {
  const uint32_t end = End;
  uint32_t pos = FrameStart;
  uint32_t misses = 0;
  while (pos < end) {
    InsertUpTo(pos);
    TMatch current = FindBest(pos, end);
    if (current.Length == 0) {
      // In data that does not repeat, search ever more sparsely until a match turns up.
      ++misses;
      const uint32_t step = misses < SparseSearchAfter
                                ? 1
                                : std::min(MaxSearchStride, (misses - SparseSearchAfter) / 32 + 2);
      for (uint32_t i = 0; i < step && pos < end; ++i)
        EmitLiteral(pos++, tokens);
      continue;
    }
    misses = 0;
    // One-step lazy evaluation: a literal now may let a better match start at the next byte.
    while (current.Length < Tuning.LazyLimit && pos + 1 < end) {
      InsertUpTo(pos + 1);
      const TMatch next = FindBest(pos + 1, end);
      if (next.Gain <= current.Gain) break;
      EmitLiteral(pos++, tokens);
      current = next;
    }
    EmitMatch(current, tokens);
    pos += current.Length;
  }
  FrameStart = end;
}

} // namespace NQuillo::NLzx
