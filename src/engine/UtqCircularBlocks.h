// The ring of frame buffers between the reader thread, which fills them from the segment's frame
// file, and the player, which takes them in the same order.
#pragma once

#include "movie/tqClasses.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum TBlockState : std::uint8_t { bsFree = 0, bsFilling = 1, bsInUse = 2, bsReady = 3 };

class TBlock {
public:
  TBlock() = default;
  TBlock(const TBlock&) = delete;
  TBlock& operator=(const TBlock&) = delete;

  void Clear();
  // Resizes and clears the data; false when n is negative or already the size.
  bool SetSize(std::int32_t n);

  TBlock* Next = nullptr;
  bool Last = false;
  // Written after Data and Last, so whoever sees a state also sees what it stands for.
  std::atomic<std::uint8_t> State{bsFree};
  std::vector<std::uint8_t> Data;
};

class TBlockChain {
public:
  TBlockChain() = default;
  TBlockChain(const TBlockChain&) = delete;
  TBlockChain& operator=(const TBlockChain&) = delete;
  ~TBlockChain() { Clear(); }

  // Links the block (a new cleared one when none is given) in after Head; it becomes Head.
  void Add(std::unique_ptr<TBlock> block = nullptr);
  void Clear();
  void Reset();
  void SetBlockSize(std::int32_t n);
  std::int32_t Count() const { return FCount; }
  std::int32_t BlockSize() const { return FBlockSize; }
  TBlock* Head() const { return FHead; }

private:
  std::int32_t FCount = 0;
  std::int32_t FBlockSize = 0;
  TBlock* FHead = nullptr;
};

// Guards the takes of blocks; the only lock between the reader and the player.
extern TCriticalSection BlockLock;

// The reader's take: the block after current when it is free (it becomes bsFilling).
TBlock* NextFreeBlock(TBlock* current);
// The player's take: the block after current when it is ready (it becomes bsInUse).
TBlock* NextReadyBlock(TBlock* current);

enum class TBlockSide { Reader, Player };
// Waits, polling every millisecond, until the side's take succeeds and stores the block in
// out. Gives up, leaving out unchanged, on a stop request, and on the player's side also when
// the reader has ended without leaving the block it waits for, or when the reader was stopped
// (StopReaderThread) while it waited.
void WaitNextBlock(std::atomic<TBlock*>& current, TBlockSide side, std::atomic<TBlock*>& out);

// The player's step to the next frame: false when FrontBlock held the last record or no block
// came. The next block is taken before FrontBlock is given back, so the reader cannot fill
// FrontBlock again while the take still looks at it.
bool AdvanceFrontBlock();

// The reader thread's body: fills blocks with the current segment's frame records.
void ThreadP();
// Ends any reader that runs, then starts a new one on the current segment.
void StartReaderThread();
// Asks the reader to end and returns once it has.
void StopReaderThread();
// Pause and play: the reader is held where it stands and let go again. The reader is never
// suspended from outside: a thread suspended while it owns a lock (the ring's, the heap's,
// the file system's) deadlocks whoever asks for that lock next. It is held instead at the one
// point where it owns nothing, before it takes its next block; a record it is reading is
// finished first.
void SuspendReaderThread();
void ResumeReaderThread();

// The platform's side of the thread: make one that runs ThreadP and clears ReaderThread as its
// last act; release what is left of an ended one.
void CreateReaderThread();
void ReleaseEndedReader();

// The window whose messages the main thread dispatches while it waits for a block, with the
// shortcuts translated for it. The main window sets it once it exists and clears it when it
// goes; only the main thread touches it.
struct TPumpTarget {
  void* Window = nullptr;       // HWND
  void* Accelerators = nullptr; // HACCEL
};
extern TPumpTarget PumpTarget;

// Keeps the main window alive while the main thread waits; nothing elsewhere. A quit message
// it meets is left for the message loop, and pumping ends there.
void PumpMessages();
// How the engine shows its consistency failures; a box captioned "Ошибка" unless replaced.
using TEngineMessage = void (*)(const std::string& text);
extern TEngineMessage ShowEngineError;
