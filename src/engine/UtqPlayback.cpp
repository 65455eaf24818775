#include "UtqPlayback.h"

#include "UtqCircularBlocks.h"
#include "UtqPlayerState.h"
#include "movie/tqSegments.h"

TPlayerState PlayerState;

void SelectSegment(std::int32_t index) {
  if (SegmentList == nullptr || index < 0 || index >= SegmentList->Count()) return;
  StopReaderThread();
  PlayerState.CurrentSegment = index;
}
