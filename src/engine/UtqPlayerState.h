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
  // The frame now shown; -1 while stopped or while a segment starts. The tick moves it on.
  std::atomic<std::int32_t> FrameIndex{-1};

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
  // Pause holds the reader before its next take; Play and every stop let it go.
  std::atomic<bool> HoldReader{false};
  // Raised by every stop of the reader: a wait of the player that began before it gives up, so
  // a segment start overtaken by a command handled inside its wait does not go on.
  std::atomic<std::uint32_t> StopCount{0};

  // The clock. The main thread sets them while the timer is stopped; the tick reads them.
  std::int32_t TicksPerFrame = 1;
  std::atomic<std::int32_t> TimerPeriod{100}; // ms, never below 10
  std::atomic<std::uint32_t> MMTimer{0};      // the timer's id, 0 when none
  std::atomic<bool> TickIdle{true};           // no tick is running
  std::atomic<std::int32_t> TickCount{0};     // ticks of the current segment so far
  std::atomic<std::int32_t> Velocity{3};      // the speed slider's position, 0 to 8

  // The shell's, on the main thread; read by the engine.
  std::atomic<bool> PanelVisible{true};
  std::atomic<bool> FullScreen{false};
  bool SavedFullScreen = false;
  bool CloseOnFinish = false;
};

extern TPlayerState PlayerState;
