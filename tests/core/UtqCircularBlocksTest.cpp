#include "TestSupport.h"
#include "engine/UtqCircularBlocks.h"
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
  for (int b = 0; b < 4; ++b) r[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(size >> (8 * b));
  r[4] = static_cast<std::uint8_t>(runs);
  for (std::uint32_t b = 8; b < size; ++b) r[b] = static_cast<std::uint8_t>(i * 31 + b);
  return r;
}

std::vector<std::string> Messages;

// A segment of frame records in its frame file, a ring of twelve blocks, and the state the
// engine keeps, set up for each test and torn down after it.
class BlockRing : public ::testing::Test {
protected:
  void SetUp() override {
    SavedTempFolder = TempFolder;
    TempFolder = Temp.Path();
    SegmentList = &List;
    for (int i = 0; i < 12; ++i) Chain.Add();
    Chain.SetBlockSize(8 + 5 * 6);
    PlayerState.BlockChain = &Chain;
    PlayerState.CurrentSegment = 0;
    PlayerState.PlayState = psPlaying;
    Messages.clear();
    ShowEngineError = [](const std::string& text) { Messages.push_back(text); };
  }
  void TearDown() override {
    StopReaderThread();
    PlayerState.BlockChain = nullptr;
    PlayerState.FrontBlock = nullptr;
    PlayerState.BackBlock = nullptr;
    List.Clear();
    SegmentList = nullptr;
    TempFolder = SavedTempFolder;
  }

  // Writes the records to a new segment's frame file; what the file holds may be cut short.
  void MakeSegment(int records, std::size_t keepBytes = SIZE_MAX,
                   const std::vector<std::uint8_t>& extra = {}) {
    TSegmentInfo& segment = *List.Add();
    segment.FrameCount = records;
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < records; ++i) {
      const auto r = Record(i);
      bytes.insert(bytes.end(), r.begin(), r.end());
    }
    bytes.insert(bytes.end(), extra.begin(), extra.end());
    if (keepBytes < bytes.size()) bytes.resize(keepBytes);
    segment.FrameData->Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    segment.FrameData->SetPosition(0);
  }

  // What a segment start does before the player's first take.
  void StartSegment() {
    Chain.Reset();
    PlayerState.FrontBlock = Chain.Head();
    PlayerState.BackBlock = PlayerState.FrontBlock.load();
    PlayerState.StopWaiting = false;
    StartReaderThread();
  }

  int CountInState(TBlockState state) {
    int n = 0;
    TBlock* b = Chain.Head();
    for (int i = 0; i < Chain.Count(); ++i, b = b->Next) n += b->State == state;
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

  TScratchFolder Temp;
  TSegmentList List;
  TBlockChain Chain;
  std::string SavedTempFolder;
};
} // namespace

TEST(BlockChain, RingOrderSizesAndReset) {
  TBlockChain chain;
  EXPECT_EQ(chain.Head(), nullptr);
  std::vector<TBlock*> added;
  for (int i = 0; i < 12; ++i) {
    auto block = std::make_unique<TBlock>();
    added.push_back(block.get());
    EXPECT_EQ(chain.Add(std::move(block)), 0);
  }
  EXPECT_EQ(chain.Count(), 12);
  EXPECT_EQ(chain.Head(), added.back());
  TBlock* b = chain.Head()->Next; // the block added first
  for (int i = 0; i < 12; ++i, b = b->Next) EXPECT_EQ(b, added[static_cast<std::size_t>(i)]);

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
  for (int i = 0; i < 3; ++i) chain.Add();
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
  StartSegment();
  int taken = 0;
  for (;;) {
    TBlock* before = PlayerState.FrontBlock;
    WaitNextBlock(PlayerState.FrontBlock, TBlockSide::Player, PlayerState.FrontBlock);
    TBlock* block = PlayerState.FrontBlock;
    ASSERT_NE(block, before) << "no block after record " << taken;
    const auto expected = Record(taken);
    ASSERT_TRUE(std::equal(expected.begin(), expected.end(), block->Data.begin())) << taken;
    ++taken;
    block->State = bsFree;
    if (block->Last) break;
  }
  EXPECT_EQ(taken, 406);
  EXPECT_TRUE(Eventually([] { return PlayerState.ReaderThread == 0; }));
  EXPECT_FALSE(PlayerState.ReaderFailed);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(BlockRing, TheLastRecordIsShownEvenWhenTheReaderWaitsOnThePlayersBlock) {
  // With the ring full the reader waits for the block the player holds; once given back it
  // gets the last record at once. A take that looked at that block after giving it back would
  // find "last" and end the segment early.
  MakeSegment(13);
  StartSegment();
  WaitNextBlock(PlayerState.FrontBlock, TBlockSide::Player, PlayerState.FrontBlock);
  int shown = 1;
  for (;;) {
    std::this_thread::sleep_for(20ms); // the reader fills every block it can and waits
    const auto expected = Record(shown - 1);
    ASSERT_TRUE(std::equal(expected.begin(), expected.end(), PlayerState.FrontBlock.load()->Data.begin()));
    if (!AdvanceFrontBlock()) break;
    ++shown;
  }
  EXPECT_EQ(shown, 13);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(BlockRing, AReaderAheadOfThePlayerFillsTheRingAndWaits) {
  MakeSegment(100);
  StartSegment();
  EXPECT_TRUE(Eventually([&] { return CountInState(bsReady) == 12; }));
  WaitNextBlock(PlayerState.FrontBlock, TBlockSide::Player, PlayerState.FrontBlock);
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
  StartSegment();
  EXPECT_TRUE(Eventually([&] { return CountInState(bsReady) == 12; }));
  // A new reader while the first waits on the full ring: it goes on from where the first left
  // the file and the ring, and counts its own 88 records to the end. Two readers at once would
  // take the records out of order or run past the end of the file.
  List.Get(0)->FrameCount = 88;
  StartReaderThread();
  EXPECT_NE(PlayerState.ReaderThread, 0u);
  EXPECT_FALSE(PlayerState.StopWaiting);
  int taken = 0;
  for (; taken < 100; ++taken) {
    TBlock* before = PlayerState.FrontBlock;
    WaitNextBlock(PlayerState.FrontBlock, TBlockSide::Player, PlayerState.FrontBlock);
    TBlock* block = PlayerState.FrontBlock;
    ASSERT_NE(block, before) << taken;
    const auto expected = Record(taken);
    ASSERT_TRUE(std::equal(expected.begin(), expected.end(), block->Data.begin())) << taken;
    block->State = bsFree;
  }
  EXPECT_TRUE(PlayerState.FrontBlock.load()->Last);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(BlockRing, AStopWhilePausedEndsTheHeldReader) {
  MakeSegment(100);
  StartSegment();
  EXPECT_TRUE(Eventually([&] { return CountInState(bsReady) >= 3; }));
  PlayerState.PlayState = psPaused;
  SuspendReaderThread();
  StopReaderThread();
  EXPECT_EQ(PlayerState.ReaderThread, 0u);
  PlayerState.PlayState = psStopped;
}

TEST_F(BlockRing, AShortFrameFileIsReportedOnceAndNobodyWaitsForever) {
  std::size_t upToTen = 0;
  for (int i = 0; i < 10; ++i) upToTen += Record(i).size();
  MakeSegment(20, upToTen + 6); // the eleventh record is cut inside its runs
  StartSegment();
  int taken = 0;
  for (;;) {
    TBlock* before = PlayerState.FrontBlock;
    WaitNextBlock(PlayerState.FrontBlock, TBlockSide::Player, PlayerState.FrontBlock);
    if (PlayerState.FrontBlock.load() == before) break; // the reader has ended: no block comes
    ++taken;
    PlayerState.FrontBlock.load()->State = bsFree;
  }
  EXPECT_EQ(taken, 10);
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
    StartSegment();
    EXPECT_TRUE(Eventually([] { return PlayerState.ReaderThread == 0; }));
    EXPECT_EQ(Messages, std::vector<std::string>{c.Message});
    EXPECT_EQ(CountInState(bsReady), 3);
    EXPECT_EQ(CountInState(bsFilling), 1); // the block of the refused record
  }
}
