#include "EngineStateScope.h"

TEngineStateScope::TEngineStateScope()
    : FSaved{SegmentList,
             TempFolder,
             ShowEngineError,
             ShowLoadWarning,
             PumpTarget,
             PlayerState.CurrentSegment,
             PlayerState.PlayState,
             PlayerState.FrameIndex,
             PlayerState.BlockChain,
             PlayerState.FrontBlock,
             PlayerState.BackBlock,
             PlayerState.Frame,
             PlayerState.StopWaiting,
             PlayerState.StopReader,
             PlayerState.ReaderFailed} {
  // A reader left by someone else would run over the state replaced here.
  StopReaderThread();
  for (int i = 0; i < 12; ++i)
    Chain.Add();
  SegmentList = &List;
  TempFolder = Temp.Path();
  EngineErrors().clear();
  LoadWarnings().clear();
  ShowEngineError = [](const std::string& text) { EngineErrors().push_back(text); };
  ShowLoadWarning = [](const std::string& text) { LoadWarnings().push_back(text); };
  PumpTarget = TPumpTarget{};
  PlayerState.CurrentSegment = 0;
  PlayerState.PlayState = psStopped;
  PlayerState.FrameIndex = -1;
  PlayerState.BlockChain = &Chain;
  PlayerState.FrontBlock = nullptr;
  PlayerState.BackBlock = nullptr;
  PlayerState.Frame = nullptr;
  PlayerState.StopWaiting = false;
  PlayerState.StopReader = false;
  PlayerState.ReaderFailed = false;
}

TEngineStateScope::~TEngineStateScope() {
  StopReaderThread();
  List.Clear();
  SegmentList = FSaved.SegmentList;
  TempFolder = FSaved.TempFolder;
  ShowEngineError = FSaved.ShowEngineError;
  ShowLoadWarning = FSaved.ShowLoadWarning;
  PumpTarget = FSaved.PumpTarget;
  PlayerState.CurrentSegment = FSaved.CurrentSegment;
  PlayerState.PlayState = FSaved.PlayState;
  PlayerState.FrameIndex = FSaved.FrameIndex;
  PlayerState.BlockChain = FSaved.BlockChain;
  PlayerState.FrontBlock = FSaved.FrontBlock;
  PlayerState.BackBlock = FSaved.BackBlock;
  PlayerState.Frame = FSaved.Frame;
  PlayerState.StopWaiting = FSaved.StopWaiting;
  PlayerState.StopReader = FSaved.StopReader;
  PlayerState.ReaderFailed = FSaved.ReaderFailed;
}

std::vector<std::string>& TEngineStateScope::EngineErrors() {
  static std::vector<std::string> errors;
  return errors;
}

std::vector<std::string>& TEngineStateScope::LoadWarnings() {
  static std::vector<std::string> warnings;
  return warnings;
}
