#include "EngineStateScope.h"

#include "engine/UtqShell.h"

#ifdef _WIN32
#include "engine/UtqDisplay_win.h"
#endif

namespace {
void ResetDisplay() {
#ifdef _WIN32
  Display.DeleteBitmaps();
  Display.hPalette.Reset();
  Display.FrameWidth = Display.FrameHeight = Display.FrameBpp = 0;
  Display.ScreenBpp = Display.ScreenWidth = Display.ScreenHeight = 0;
  Display.Palette = TPaletteTable{};
  Display.CursorShape = nullptr;
  Display.CursorStep = TCursorStep();
  InitDisplay();
#endif
}
} // namespace

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
             PlayerState.ReaderFailed,
             PlayerState.HoldReader,
             PlayerState.TicksPerFrame,
             PlayerState.TimerPeriod,
             PlayerState.TickCount,
             PlayerState.Velocity,
             PlayerState.PanelVisible,
             PlayerState.FullScreen,
             PlayerState.SavedFullScreen,
             PlayerState.CloseOnFinish,
             TickState,
             TickFailure,
             Placement.Load(),
             Shell} {
  // A clock or a reader left by someone else would run over the state replaced here.
  SetTimerActive(false);
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
  PlayerState.HoldReader = false;
  PlayerState.TicksPerFrame = 1;
  PlayerState.TimerPeriod = 100;
  PlayerState.TickCount = 0;
  PlayerState.Velocity = DefaultVelocity;
  PlayerState.PanelVisible = false;
  PlayerState.FullScreen = false;
  PlayerState.SavedFullScreen = false;
  PlayerState.CloseOnFinish = false;
  TickState = TTickState();
  TickFailure = nullptr;
  Placement.Store(TPicturePlacement());
  Shell = nullptr;
  ResetDisplay();
}

TEngineStateScope::~TEngineStateScope() {
  SetTimerActive(false);
  StopReaderThread();
  ResetDisplay();
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
  PlayerState.HoldReader = FSaved.HoldReader;
  PlayerState.TicksPerFrame = FSaved.TicksPerFrame;
  PlayerState.TimerPeriod = FSaved.TimerPeriod;
  PlayerState.TickCount = FSaved.TickCount;
  PlayerState.Velocity = FSaved.Velocity;
  PlayerState.PanelVisible = FSaved.PanelVisible;
  PlayerState.FullScreen = FSaved.FullScreen;
  PlayerState.SavedFullScreen = FSaved.SavedFullScreen;
  PlayerState.CloseOnFinish = FSaved.CloseOnFinish;
  TickState = FSaved.Tick;
  TickFailure = FSaved.TickFailure;
  Placement.Store(FSaved.Placement);
  Shell = FSaved.Shell;
}

std::vector<std::string>& TEngineStateScope::EngineErrors() {
  static std::vector<std::string> errors;
  return errors;
}

std::vector<std::string>& TEngineStateScope::LoadWarnings() {
  static std::vector<std::string> warnings;
  return warnings;
}
