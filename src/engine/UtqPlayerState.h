// The process-wide playback state, written by the engine and the shell, read by the panels.
#pragma once

#include <cstdint>

struct TPlayerState {
  std::int32_t CurrentSegment = 0; // index into the segment list
};

extern TPlayerState PlayerState;
