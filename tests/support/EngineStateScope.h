// Everything process-wide that the core keeps, saved for a test and put back after it.
#pragma once

#include "TestSupport.h"
#include "engine/UtqCircularBlocks.h"
#include "engine/UtqClock.h"
#include "engine/UtqDisplay.h"
#include "engine/UtqPlayerState.h"
#include "movie/tqMovieLoader.h"
#include "movie/tqSegments.h"

#include <string>
#include <vector>

class TtqShell;

// While it lives, the engine works on the scope's own segment list, temporary folder and ring
// of twelve blocks, and its messages and load warnings are collected instead of shown. On the
// way out it first stops the clock and any reader (so that no thread runs over the scope's
// ring or segments), then puts every value back as it found it; on Windows the display's
// bitmaps made inside the scope are deleted and the display is as at start-up again. Make it the first member of a fixture,
// or the first object of a test, so that it goes last.
class TEngineStateScope {
public:
  TEngineStateScope();
  TEngineStateScope(const TEngineStateScope&) = delete;
  TEngineStateScope& operator=(const TEngineStateScope&) = delete;
  ~TEngineStateScope();

  // What ShowEngineError and ShowLoadWarning were given since the scope began.
  static std::vector<std::string>& EngineErrors();
  static std::vector<std::string>& LoadWarnings();

  TScratchFolder Temp;
  TSegmentList List;
  TBlockChain Chain;

private:
  struct TSaved {
    TSegmentList* SegmentList;
    std::string TempFolder;
    TEngineMessage ShowEngineError;
    TLoadWarning ShowLoadWarning;
    TPumpTarget PumpTarget;
    std::int32_t CurrentSegment;
    std::uint8_t PlayState;
    std::int32_t FrameIndex;
    TBlockChain* BlockChain;
    TBlock* FrontBlock;
    TBlock* BackBlock;
    const std::uint8_t* Frame;
    bool StopWaiting;
    bool StopReader;
    bool ReaderFailed;
    bool HoldReader;
    std::int32_t TicksPerFrame;
    std::int32_t TimerPeriod;
    std::int32_t TickCount;
    std::int32_t Velocity;
    bool PanelVisible;
    bool FullScreen;
    bool SavedFullScreen;
    bool CloseOnFinish;
    TTickState Tick;
    const char* TickFailure;
    TPicturePlacement Placement;
    TtqShell* Shell;
  };
  TSaved FSaved;
};
