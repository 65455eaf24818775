#include "UtqCircularBlocks.h"

#include "UtqPlayerState.h"
#include "movie/tqByteReader.h"
#include "movie/tqSegments.h"

#include <chrono>
#include <cstring>
#include <thread>

TCriticalSection BlockLock;
TPumpTarget PumpTarget;

namespace {
constexpr std::int32_t RecordHeader = 8; // RecordSize and RunCount

// Takes the block after current when it is in the state wanted, under the lock.
TBlock* Take(TBlock* current, TBlockState wanted, TBlockState taken) {
  BlockLock.Enter();
  TBlock* result = nullptr;
  if (!current->Last) {
    TBlock* b = current->Next;
    if (b->State == wanted) {
      b->State = taken;
      result = b;
    }
  }
  BlockLock.Leave();
  return result;
}

// Reads the segment's records into the ring; returns the message of a failure, or "".
std::string FillBlocks(TSegmentInfo& segment) {
  std::int32_t read = 0;
  while (!PlayerState.StopReader) {
    TBlock* before = PlayerState.BackBlock;
    if (before == nullptr) return "ThreadP: BackBlock = nil";
    WaitNextBlock(PlayerState.BackBlock, TBlockSide::Reader, PlayerState.BackBlock);
    TBlock* block = PlayerState.BackBlock;
    if (block == before) return std::string(); // the wait gave up on a stop request
    std::uint8_t* data = block->Data.data();
    const std::int32_t capacity = static_cast<std::int32_t>(block->Data.size());
    if (capacity < RecordHeader) return "ThreadP: Size > BlockSize";
    if (segment.FrameData->Read(data, 4) != 4) return "ThreadP: BytesRead <> size";
    const std::int32_t size = TByteReader(data, RecordHeader).Int32(0);
    if (size == 0) return "ThreadP: Size = 0";
    // A size the block cannot hold, or one too small for a record, is never read.
    if (size < RecordHeader || size > capacity) return "ThreadP: Size > BlockSize";
    if (segment.FrameData->Read(data + 4, size - 4) != size - 4)
      return "ThreadP: BytesRead <> size";
    if (++read == segment.FrameCount) {
      block->Last = true;
      block->State = bsReady;
      return std::string();
    }
    block->State = bsReady;
  }
  return std::string();
}
} // namespace

void TBlock::Clear() {
  std::fill(Data.begin(), Data.end(), 0);
  State = bsFree;
}

bool TBlock::SetSize(std::int32_t n) {
  if (n < 0 || static_cast<std::size_t>(n) == Data.size()) return false;
  Data.assign(static_cast<std::size_t>(n), 0);
  Clear();
  return true;
}

void TBlockChain::Add(std::unique_ptr<TBlock> block) {
  if (!block) {
    block = std::make_unique<TBlock>();
    block->Clear();
  }
  TBlock* b = block.release();
  if (FHead == nullptr) {
    b->Next = b;
  } else {
    b->Next = FHead->Next;
    FHead->Next = b;
  }
  FHead = b;
  ++FCount;
}

void TBlockChain::Clear() {
  TBlock* b = FHead;
  for (std::int32_t i = 0; i < FCount; ++i) {
    TBlock* next = b->Next;
    delete b;
    b = next;
  }
  FHead = nullptr;
  FCount = 0;
}

void TBlockChain::Reset() {
  TBlock* b = FHead;
  for (std::int32_t i = 0; i < FCount; ++i, b = b->Next) {
    b->Last = false;
    std::fill(b->Data.begin(), b->Data.end(), 0);
    b->State = bsFree;
  }
}

void TBlockChain::SetBlockSize(std::int32_t n) {
  if (n < 0) return;
  TBlock* b = FHead;
  for (std::int32_t i = 0; i < FCount; ++i, b = b->Next)
    b->SetSize(n);
  FBlockSize = n;
}

TBlock* NextFreeBlock(TBlock* current) {
  return Take(current, bsFree, bsFilling);
}
TBlock* NextReadyBlock(TBlock* current) {
  return Take(current, bsReady, bsInUse);
}

void WaitNextBlock(std::atomic<TBlock*>& current, TBlockSide side, std::atomic<TBlock*>& out) {
  TBlock* from = current;
  if (from == nullptr) return;
  const std::uint32_t stops = PlayerState.StopCount;
  for (int counter = 1;; ++counter) {
    // A stop handled meanwhile (inside PumpMessages, on the main thread) may have freed or
    // replaced the ring: the block waited from is not looked at again.
    if (side == TBlockSide::Player && PlayerState.StopCount != stops) return;
    // The reader's state is looked at before the take, so that a block it readied just before
    // it ended is still taken.
    const bool readerGone = side == TBlockSide::Player && PlayerState.ReaderThread == 0;
    // A held reader takes nothing: it rests here, where it holds no lock and no block.
    const bool held = side == TBlockSide::Reader && PlayerState.HoldReader;
    TBlock* b = held ? nullptr
                     : side == TBlockSide::Reader ? NextFreeBlock(from) : NextReadyBlock(from);
    if (b != nullptr) {
      out = b;
      return;
    }
    if (PlayerState.StopWaiting || readerGone) return;
    if (counter % 100 == 0) {
      PumpMessages();
      counter = 0;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
}

bool AdvanceFrontBlock() {
  TBlock* old = PlayerState.FrontBlock;
  if (old == nullptr) return false;
  if (old->Last) {
    old->State = bsFree;
    return false;
  }
  WaitNextBlock(PlayerState.FrontBlock, TBlockSide::Player, PlayerState.FrontBlock);
  old->State = bsFree;
  return PlayerState.FrontBlock != old;
}

void ThreadP() {
  std::string failure;
  TSegmentInfo* segment =
      SegmentList != nullptr ? SegmentList->Get(PlayerState.CurrentSegment) : nullptr;
  if (PlayerState.BlockChain != nullptr && PlayerState.BlockChain->Count() > 0 &&
      segment != nullptr && segment->FrameData) {
    try {
      failure = FillBlocks(*segment);
    } catch (const std::exception& e) {
      failure = std::string("ThreadP: ") + e.what();
    }
  }
  if (!failure.empty()) {
    PlayerState.ReaderFailed = true;
    ShowEngineError(failure);
  }
}

void StartReaderThread() {
  StopReaderThread();
  PlayerState.StopReader = false;
  // Stopping an old reader raised the flag that ends waits; the new segment's waits need it down.
  PlayerState.StopWaiting = false;
  PlayerState.ReaderFailed = false;
  PlayerState.HoldReader = false;
  CreateReaderThread();
}

void StopReaderThread() {
  ++PlayerState.StopCount;
  if (PlayerState.ReaderThread != 0) {
    PlayerState.StopWaiting = true;
    PlayerState.StopReader = true;
    // A held reader must take no block once it sees the stop.
    ResumeReaderThread();
    while (PlayerState.ReaderThread != 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ReleaseEndedReader();
}

void SuspendReaderThread() { PlayerState.HoldReader = true; }
void ResumeReaderThread() { PlayerState.HoldReader = false; }
