#include "UtqCircularBlocks.h"

#include "UtqPlayerState.h"

#include <cstdio>
#include <thread>

namespace {
// A reader still running when the program ends is asked to stop and waited for.
struct TReader {
  TReader() = default;
  TReader(const TReader&) = delete;
  TReader& operator=(const TReader&) = delete;
  ~TReader() {
    PlayerState.StopWaiting = true;
    PlayerState.StopReader = true;
    if (Thread.joinable()) Thread.join();
  }
  std::thread Thread;
};
TReader Reader;

void ErrorToStderr(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }
} // namespace

TEngineMessage ShowEngineError = ErrorToStderr;

void CreateReaderThread() {
  PlayerState.ReaderThread = 1; // there is no handle to show; any non-zero value says "running"
  Reader.Thread = std::thread([] {
    try {
      ThreadP();
    } catch (...) {
      // Nothing may leave the thread; the reader has ended either way.
    }
    PlayerState.ReaderThread = 0;
  });
}

void ReleaseEndedReader() {
  if (Reader.Thread.joinable()) Reader.Thread.join();
}

// No window system here: no messages to pump.
void PumpMessages() {}
