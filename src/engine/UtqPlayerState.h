// The process-wide playback state, written by the engine and the shell, read by the panels.
// Fields that another thread polls are atomic.
#pragma once

#include <atomic>
#include <cstdint>

class TBlock;
class TBlockChain;

enum TPlayState : std::uint8_t { psStopped = 0, psPlaying = 1, psPaused = 2 };

struct TPlayerState {
  std::atomic<std::int32_t> CurrentSegment{0}; // index into the segment list
  std::atomic<std::uint8_t> PlayState{psStopped};
  std::int32_t FrameIndex = -1; // frame now shown; -1 while stopped or while a segment starts

  // The block ring and the reader thread.
  TBlockChain* BlockChain = nullptr;
  std::atomic<TBlock*> FrontBlock{nullptr}; // the player's block
  std::atomic<TBlock*> BackBlock{nullptr};  // the reader's block
  const std::uint8_t* Frame = nullptr;      // the record in FrontBlock
  std::atomic<std::uintptr_t> ReaderThread{0}; // the running reader, 0 when there is none
  std::atomic<bool> StopWaiting{false};
  std::atomic<bool> StopReader{false};
  // Set by a reader that ended before it had read the segment's last record.
  std::atomic<bool> ReaderFailed{false};
};

extern TPlayerState PlayerState;
