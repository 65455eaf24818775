#include "UtqPlayback.h"

#include "UtqCircularBlocks.h"
#include "UtqClock.h"
#include "UtqFrameCodec.h"
#include "UtqPlayerState.h"
#include "UtqShell.h"
#include "movie/tqSegments.h"

#include <new>

TPlayerState PlayerState;
TtqShell* Shell = nullptr;

void SelectSegment(std::int32_t index) {
  if (SegmentList == nullptr || index < 0 || index >= SegmentList->Count()) return;
  // The clock first: a tick that waits for the reader must not see it go and take that for a
  // failure.
  SetTimerActive(false);
  StopReaderThread();
  PlayerState.CurrentSegment = index;
}

bool StartSegmentFrames(std::int32_t index, bool* overtaken) {
  StopReaderThread();
  TBlockChain* chain = PlayerState.BlockChain;
  TSegmentInfo* segment = SegmentList != nullptr ? SegmentList->Get(index) : nullptr;
  TFrameGeometry geometry;
  if (chain == nullptr || chain->Count() == 0 || segment == nullptr || !segment->FrameData ||
      !MakeFrameGeometry(segment->Width, segment->Height, segment->BitsPerPixel, geometry))
    return false;
  PlayerState.CurrentSegment = index;
  PlayerState.FrameIndex = -1;
  try {
    chain->SetBlockSize(geometry.MaxRecordSize());
  } catch (const std::bad_alloc&) {
    chain->SetBlockSize(0);
    ShowEngineError("StartSegment: no memory for the blocks");
    return false;
  }
  chain->Reset();
  segment->FrameData->SetPosition(0);
  segment->CursorTrack.SetPosition(0);
  segment->PaletteChanges.SetPosition(0);
  PlayerState.FrontBlock = chain->Head();
  PlayerState.BackBlock = chain->Head();
  StartReaderThread();
  const std::uint32_t stops = PlayerState.StopCount;
  TBlock* const head = chain->Head();
  WaitNextBlock(PlayerState.FrontBlock, TBlockSide::Player, PlayerState.FrontBlock);
  // A command handled inside the wait (a stop, another start, the window's end) has taken the
  // segment over; nothing of this start is touched again, the ring may be gone.
  if (PlayerState.StopCount != stops) {
    if (overtaken != nullptr) *overtaken = true;
    return false;
  }
  if (PlayerState.FrontBlock == head) return false;
  PlayerState.FrameIndex = 0;
  PlayerState.Frame = PlayerState.FrontBlock.load()->Data.data();
  return true;
}
