#include "UtqPlayback.h"

#include "UtqCircularBlocks.h"
#include "UtqFrameCodec.h"
#include "UtqPlayerState.h"
#include "movie/tqSegments.h"

TPlayerState PlayerState;

void SelectSegment(std::int32_t index) {
  if (SegmentList == nullptr || index < 0 || index >= SegmentList->Count()) return;
  StopReaderThread();
  PlayerState.CurrentSegment = index;
}

bool StartSegmentFrames(std::int32_t index) {
  StopReaderThread();
  TBlockChain* chain = PlayerState.BlockChain;
  TSegmentInfo* segment = SegmentList != nullptr ? SegmentList->Get(index) : nullptr;
  TFrameGeometry geometry;
  if (chain == nullptr || chain->Count() == 0 || segment == nullptr || !segment->FrameData ||
      !MakeFrameGeometry(segment->Width, segment->Height, segment->BitsPerPixel, geometry))
    return false;
  PlayerState.CurrentSegment = index;
  PlayerState.FrameIndex = -1;
  chain->SetBlockSize(geometry.MaxRecordSize());
  chain->Reset();
  segment->FrameData->SetPosition(0);
  segment->CursorTrack.SetPosition(0);
  segment->PaletteChanges.SetPosition(0);
  PlayerState.FrontBlock = chain->Head();
  PlayerState.BackBlock = chain->Head();
  StartReaderThread();
  WaitNextBlock(PlayerState.FrontBlock, TBlockSide::Player, PlayerState.FrontBlock);
  return PlayerState.FrontBlock != chain->Head();
}
