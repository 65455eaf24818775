#include "UtqCircularBlocks.h"

#include "UtqPlayerState.h"

#include <cstdio>
#include <thread>

namespace {
std::thread Reader;

void ErrorToStderr(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }
} // namespace

TEngineMessage ShowEngineError = ErrorToStderr;

void CreateReaderThread() {
  PlayerState.ReaderThread = 1; // there is no handle to show; any non-zero value says "running"
  Reader = std::thread([] {
    try {
      ThreadP();
    } catch (...) {
      // Nothing may leave the thread; the reader has ended either way.
    }
    PlayerState.ReaderThread = 0;
  });
}

void ReleaseEndedReader() {
  if (Reader.joinable()) Reader.join();
}

// POSIX threads cannot be suspended from outside; a paused player simply stops taking blocks,
// and the reader waits once the ring is full.
void SuspendReaderThread() {}
void ResumeReaderThread() {}
void ReleaseHeldReader() {}

// No window system here: no messages to pump.
void PumpMessages() {}
