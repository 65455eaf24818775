#include "engine/UtqCircularBlocks.h"
#include "EngineStateScope.h"
#include "TestSupport.h"
#include "engine/UtqPlayback.h"
#include "engine/UtqPlayerState.h"
#include "movie/tqSegments.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {
using namespace std::chrono_literals;

// Record i has i % 7 runs of 5 bytes, filled with a pattern that names the record.
std::vector<std::uint8_t> Record(int i) {
  const int runs = i % 7;
  const std::uint32_t size = 8 + 5 * static_cast<std::uint32_t>(runs);
  std::vector<std::uint8_t> r(size);
  for (int b = 0; b < 4; ++b)
    r[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(size >> (8 * b));
  r[4] = static_cast<std::uint8_t>(runs);
  for (std::uint32_t b = 8; b < size; ++b)
    r[b] = static_cast<std::uint8_t>(i * 31 + b);
  return r;
}

// A segment of frame records in its frame file, with the ring and the engine's state set up
// for each test and put back after it.
class BlockRing : public ::testing::Test {
protected:
  void SetUp() override { PlayerState.PlayState = psPlaying; }

  // Writes the records to a new segment's frame file; what the file holds may be cut short.
  // The segment's pictures are 6 x 1 at 32 bits, so a block holds 8 + 5 * 6 bytes, the
  // largest record made here.
  void MakeSegment(int records, std::size_t keepBytes = SIZE_MAX,
                   const std::vector<std::uint8_t>& extra = {}) {
    TSegmentInfo& segment = *List.Add();
    segment.Width = 6;
    segment.Height = 1;
    segment.BitsPerPixel = 32;
    segment.FrameCount = records;
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < records; ++i) {
      const auto r = Record(i);
      bytes.insert(bytes.end(), r.begin(), r.end());
    }
    bytes.insert(bytes.end(), extra.begin(), extra.end());
    if (keepBytes < bytes.size()) bytes.resize(keepBytes);
    segment.FrameData->Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  }

  // Takes records the way the player does, from the first one on, checking each.
  int TakeAll(int atMost) {
    int taken = 0;
    if (PlayerState.FrontBlock.load() == Chain.Head()) return 0; // no first record came
    do {
      const auto expected = Record(taken);
      const TBlock* block = PlayerState.FrontBlock;
      EXPECT_TRUE(std::equal(expected.begin(), expected.end(), block->Data.begin())) << taken;
      ++taken;
    } while (taken < atMost && AdvanceFrontBlock());
    return taken;
  }

  int CountInState(TBlockState state) {
    int n = 0;
    TBlock* b = Chain.Head();
    for (int i = 0; i < Chain.Count(); ++i, b = b->Next)
      n += b->State == state;
    return n;
  }

  // Polls until the condition holds or a few seconds have passed.
  template <typename F> bool Eventually(F condition) {
    for (int i = 0; i < 500; ++i) {
      if (condition()) return true;
      std::this_thread::sleep_for(10ms);
    }
    return condition();
  }

  TEngineStateScope Engine;
  TSegmentList& List = Engine.List;
  TBlockChain& Chain = Engine.Chain;
  std::vector<std::string>& Messages = TEngineStateScope::EngineErrors();
};
} // namespace

TEST(BlockChain, RingOrderSizesAndReset) {
  TBlockChain chain;
  EXPECT_EQ(chain.Head(), nullptr);
  std::vector<TBlock*> added;
  for (int i = 0; i < 12; ++i) {
    auto block = std::make_unique<TBlock>();
    added.push_back(block.get());
    chain.Add(std::move(block));
  }
  EXPECT_EQ(chain.Count(), 12);
  EXPECT_EQ(chain.Head(), added.back());
  TBlock* b = chain.Head()->Next; // the block added first
  for (int i = 0; i < 12; ++i, b = b->Next)
    EXPECT_EQ(b, added[static_cast<std::size_t>(i)]);

  EXPECT_TRUE(added[0]->SetSize(16));
  EXPECT_FALSE(added[0]->SetSize(16));
  EXPECT_FALSE(added[0]->SetSize(-1));
  chain.SetBlockSize(-5);
  EXPECT_EQ(chain.BlockSize(), 0);
  chain.SetBlockSize(40);
  EXPECT_EQ(chain.BlockSize(), 40);
  added[3]->Data[7] = 9;
  added[3]->Last = true;
  added[3]->State = bsReady;
  chain.Reset();
  EXPECT_EQ(added[3]->Data[7], 0);
  EXPECT_FALSE(added[3]->Last);
  EXPECT_EQ(added[3]->State, bsFree);
  chain.Clear();
  EXPECT_EQ(chain.Count(), 0);
}

TEST(BlockChain, TakesLookAtTheNextBlockOnly) {
  TBlockChain chain;
  for (int i = 0; i < 3; ++i)
    chain.Add();
  TBlock* a = chain.Head()->Next;
  TBlock* b = a->Next;
  EXPECT_EQ(NextReadyBlock(a), nullptr); // b is free, not ready
  EXPECT_EQ(NextFreeBlock(a), b);
  EXPECT_EQ(b->State, bsFilling);
  EXPECT_EQ(NextFreeBlock(a), nullptr);
  b->State = bsReady;
  EXPECT_EQ(NextReadyBlock(a), b);
  EXPECT_EQ(b->State, bsInUse);
  b->Next->State = bsReady;
  b->Last = true; // nothing follows the last record
  EXPECT_EQ(NextReadyBlock(b), nullptr);
  EXPECT_EQ(NextFreeBlock(b), nullptr);
}

TEST_F(BlockRing, RecordsArriveInOrderWithLastOnTheFinalOne) {
  MakeSegment(406);
  ASSERT_TRUE(StartSegmentFrames(0));
  EXPECT_EQ(TakeAll(1000), 406);
  EXPECT_TRUE(PlayerState.FrontBlock.load()->Last);
  EXPECT_TRUE(Eventually([] { return PlayerState.ReaderThread == 0; }));
  EXPECT_FALSE(PlayerState.ReaderFailed);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(BlockRing, TheLastRecordIsShownEvenWhenTheReaderWaitsOnThePlayersBlock) {
  // With the ring full the reader waits for the block the player holds; once given back it
  // gets the last record at once. A take that looked at that block after giving it back would
  // find "last" and end the segment early.
  MakeSegment(13);
  ASSERT_TRUE(StartSegmentFrames(0));
  int shown = 1;
  for (;;) {
    std::this_thread::sleep_for(20ms); // the reader fills every block it can and waits
    const auto expected = Record(shown - 1);
    ASSERT_TRUE(
        std::equal(expected.begin(), expected.end(), PlayerState.FrontBlock.load()->Data.begin()));
    if (!AdvanceFrontBlock()) break;
    ++shown;
  }
  EXPECT_EQ(shown, 13);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(BlockRing, AReaderAheadOfThePlayerFillsTheRingAndWaits) {
  MakeSegment(100);
  ASSERT_TRUE(StartSegmentFrames(0));
  EXPECT_TRUE(Eventually([&] { return CountInState(bsReady) == 11; }));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(CountInState(bsInUse), 1);
  EXPECT_EQ(CountInState(bsReady), 11); // the block the player holds is not filled again
  EXPECT_NE(PlayerState.ReaderThread, 0u);

  // A stop while the reader waits for a free block ends it.
  StopReaderThread();
  EXPECT_EQ(PlayerState.ReaderThread, 0u);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(BlockRing, StartingAgainEndsTheRunningReaderFirst) {
  MakeSegment(100);
  ASSERT_TRUE(StartSegmentFrames(0));
  EXPECT_TRUE(Eventually([&] { return CountInState(bsReady) == 11; }));
  // A new reader while the first waits on the full ring: it goes on from where the first left
  // the file and the ring, and counts its own 88 records to the end. Two readers at once would
  // take the records out of order or run past the end of the file.
  List.Get(0)->FrameCount = 88;
  StartReaderThread();
  EXPECT_NE(PlayerState.ReaderThread, 0u);
  EXPECT_FALSE(PlayerState.StopWaiting);
  EXPECT_EQ(TakeAll(1000), 100);
  EXPECT_TRUE(PlayerState.FrontBlock.load()->Last);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(BlockRing, AStopWhilePausedEndsTheHeldReader) {
  MakeSegment(100);
  ASSERT_TRUE(StartSegmentFrames(0));
  EXPECT_TRUE(Eventually([&] { return CountInState(bsReady) >= 3; }));
  PlayerState.PlayState = psPaused;
  SuspendReaderThread();
  StopReaderThread();
  EXPECT_EQ(PlayerState.ReaderThread, 0u);
  PlayerState.PlayState = psStopped;
}

// A pause may come at any moment of the reader's work, taking a block under the lock included.
// The held reader takes nothing more, and neither the player's next takes nor a stop can hang.
TEST_F(BlockRing, APauseAtAnyMomentHoldsTheReaderWithoutADeadlock) {
  MakeSegment(400);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(StartSegmentFrames(0));
    // Taking and pausing race with the reader; the moment moves a little every round.
    for (int i = 0; i < round % 5; ++i) AdvanceFrontBlock();
    std::this_thread::sleep_for(std::chrono::microseconds(37 * round));
    SuspendReaderThread();
    // Held: the reader ends at most the one take it had begun when the pause came (however
    // long the machine keeps it from running), then readies nothing, however many blocks the
    // player takes and frees.
    while (CountInState(bsReady) > 0)
      ASSERT_TRUE(AdvanceFrontBlock());
    std::this_thread::sleep_for(5ms);
    EXPECT_LE(CountInState(bsReady) + CountInState(bsFilling), 1);
    EXPECT_NE(PlayerState.ReaderThread, 0u);
    if (round % 2 == 0) {
      StopReaderThread(); // a stop while held
    } else {
      ResumeReaderThread();
      while (AdvanceFrontBlock()) {
      }
      EXPECT_TRUE(PlayerState.FrontBlock.load()->Last);
    }
    EXPECT_TRUE(Eventually([] { return PlayerState.ReaderThread == 0; }));
  }
  EXPECT_TRUE(Messages.empty());
}

TEST_F(BlockRing, AShortFrameFileIsReportedOnceAndNobodyWaitsForever) {
  std::size_t upToTen = 0;
  for (int i = 0; i < 10; ++i)
    upToTen += Record(i).size();
  MakeSegment(20, upToTen + 6); // the eleventh record is cut inside its runs
  ASSERT_TRUE(StartSegmentFrames(0));
  EXPECT_EQ(TakeAll(1000), 10); // the reader has ended: no block comes after the tenth
  EXPECT_FALSE(PlayerState.FrontBlock.load()->Last);
  EXPECT_EQ(Messages, std::vector<std::string>{"ThreadP: BytesRead <> size"});
  EXPECT_TRUE(PlayerState.ReaderFailed);
  StopReaderThread(); // returns at once: the reader is gone
}

TEST_F(BlockRing, RecordSizesTheBlockCannotHoldAreRefused) {
  struct {
    std::vector<std::uint8_t> Bad;
    const char* Message;
  } cases[] = {
      {{0, 0, 0, 0}, "ThreadP: Size = 0"},
      {{0x00, 0x10, 0x00, 0x00, 1, 0, 0, 0}, "ThreadP: Size > BlockSize"}, // 4096 > 38
      {{5, 0, 0, 0, 1, 0, 0, 0}, "ThreadP: Size > BlockSize"},             // below a header
      {{0xFF, 0xFF, 0xFF, 0xFF}, "ThreadP: Size > BlockSize"},             // negative
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Message);
    List.Clear();
    Messages.clear();
    MakeSegment(3, SIZE_MAX, c.Bad);
    List.Get(0)->FrameCount = 5;
    ASSERT_TRUE(StartSegmentFrames(0));
    EXPECT_TRUE(Eventually([] { return PlayerState.ReaderThread == 0; }));
    EXPECT_EQ(Messages, std::vector<std::string>{c.Message});
    EXPECT_EQ(CountInState(bsReady), 2);   // the player holds the first
    EXPECT_EQ(CountInState(bsFilling), 1); // the block of the refused record
    EXPECT_EQ(TakeAll(1000), 3);
  }
}

TEST_F(BlockRing, SegmentsThatCannotBePlayedDoNotStart) {
  MakeSegment(3);
  List.Get(0)->BitsPerPixel = 16; // no run format
  EXPECT_FALSE(StartSegmentFrames(0));
  EXPECT_FALSE(StartSegmentFrames(1)); // no such segment
  MakeSegment(0);                      // an empty frame file: the reader ends at once
  EXPECT_FALSE(StartSegmentFrames(1));
  EXPECT_EQ(PlayerState.CurrentSegment, 1);
  EXPECT_EQ(PlayerState.ReaderThread, 0u);
}
