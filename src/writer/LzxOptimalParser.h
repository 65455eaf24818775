#pragma once

#include "writer/LzxBlockEncoder.h"
#include "writer/LzxFormat.h"
#include "writer/LzxMatchFinder.h"
#include "writer/LzxMatcher.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace NQuillo::NLzx {

struct TOptimalTuning {
  unsigned MaxDepth = 24;      // tree nodes visited per position
  uint32_t NiceLength = 128;   // a match this long is taken without weighing alternatives
  unsigned Passes = 3;         // parses of each block at most, each priced by the last's codes
  unsigned FramesPerGroup = 8; // frames whose block ends are chosen together
};

// Near-optimal LZX parser. It collects a group of frames, finds every useful match length at
// every position once, and then chooses literals, matches and repeated-offset matches as the
// cheapest path through each block, priced first by the codes of the previous block and then
// by the codes its own last parse produced. Block ends fall on frame ends, where the sum of
// the blocks' sizes, headers included, is least.
class TLzxOptimalParser {
public:
  TLzxOptimalParser(unsigned windowBits, const TOptimalTuning& tuning);

  // Copies as much of data as fits in the current frame; returns the bytes taken.
  size_t Append(const uint8_t* data, size_t size);
  uint32_t PendingBytes() const { return End - FrameStart; }

  // Ends the frame being filled; once a group is complete it is parsed and encoded.
  void CloseFrame(TLzxBlockEncoder& encoder, std::deque<TCompressedFrame>& out);
  // Parses and encodes the frames closed so far.
  void EncodeGroup(TLzxBlockEncoder& encoder, std::deque<TCompressedFrame>& out);

private:
  struct TCosts {
    uint32_t Literal[NumChars];
    // Main symbol and length footer of a match by offset slot and length; the offset's own
    // footer bits come on top.
    uint32_t Match[MaxPositionSlots][MaxMatch + 1];
    uint32_t Aligned[AlignedSymbols];
    bool UseAligned = false;
  };

  struct TParse {
    std::vector<TToken> Tokens;
    std::vector<TFrameRecord> Frames;
  };

  void MakeRoomForGroup();
  void FindMatches();
  void SetDefaultCosts();
  void SetCosts(const TLzxBlockEncoder::TBlockPlan& plan);
  void SetMatchCosts(const uint32_t* main, const uint32_t* footer);
  uint32_t OffsetCost(uint32_t formatted, unsigned slot) const;
  void ParseBlock(size_t first, size_t last, const TRepeatedOffsets& start, TParse& parse);
  void TracePath(size_t first, size_t last, const TRepeatedOffsets& start, TParse& parse);
  void ParseLazily(size_t first, size_t last, TParse& parse);
  std::vector<size_t> ChooseBlockEnds(const TLzxBlockEncoder& encoder, const TParse& parse) const;

  const uint8_t* Ptr(uint32_t pos) const { return Buffer.data() + (pos - BufferBase); }

  const uint32_t WindowSize;
  const uint32_t MaxDist;
  const TOptimalTuning Tuning;
  TLzxMatchFinder Finder;
  // The greedy parser with one byte of look-ahead, run beside: on some data its choices of
  // long matches keep the repeated offsets more useful than the cost model foresees, and a
  // block takes whichever parse comes out smaller.
  TLzxMatcher Lazy;

  std::vector<uint8_t> Buffer;
  uint32_t BufferBase = 0; // stream position of Buffer[0]
  uint32_t FrameStart = 0; // first byte of the frame being filled
  uint32_t End = 0;        // one past the last byte appended
  std::vector<TFrameRecord> Frames;
  TRepeatedOffsets Reps = {1, 1, 1};

  // Positions near the end of the input so far, searched but not yet in the tree: inserting
  // them before the bytes after them arrive would misorder it.
  std::deque<uint32_t> Uninserted;
  std::vector<uint32_t> MatchBegin; // per group position, into Matches
  std::vector<uint32_t> Matches;    // distance << 9 | length, shortest first per position
  // The graph of one block: per position the cheapest cost found so far to reach it, the
  // step that does (formatted offset or repeated-offset index << 9 | length; length 1 is a
  // literal), and the repeated offsets after that step.
  std::vector<uint32_t> NodeCost;
  std::vector<uint32_t> NodeStep;
  std::vector<TRepeatedOffsets> NodeReps;
  std::vector<uint32_t> PathSteps;
  TParse Trials[3]; // the best parse of a block so far and the next attempts
  TCosts Costs;
};

} // namespace NQuillo::NLzx
