// Everything process-wide that the core keeps, saved for a test and put back after it.
#pragma once

#include "TestSupport.h"
#include "engine/UtqCircularBlocks.h"
#include "engine/UtqPlayerState.h"
#include "movie/tqMovieLoader.h"
#include "movie/tqSegments.h"

#include <string>
#include <vector>

// While it lives, the engine works on the scope's own segment list, temporary folder and ring
// of twelve blocks, and its messages and load warnings are collected instead of shown. On the
// way out it first stops any reader (so that no thread runs over the scope's ring or
// segments), then puts every value back as it found it. Make it the first member of a fixture,
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
  };
  TSaved FSaved;
};
