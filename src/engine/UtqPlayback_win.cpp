#include "UtqPlayback.h"

#include "UtqCircularBlocks.h"
#include "UtqClock.h"
#include "UtqDisplay_win.h"
#include "UtqPlayerState.h"
#include "UtqShell.h"
#include "movie/tqSegments.h"

namespace {
HWND MainWindow() { return Shell != nullptr ? static_cast<HWND>(Shell->MainWindow()) : nullptr; }

// A start that cannot go on leaves the player stopped at that segment, the window showing its
// background; a player that was to close on finishing has nothing more to show, and stops so.
bool AbandonStart() {
  if (PlayerState.CloseOnFinish) {
    Stop();
    return false;
  }
  SetPlayState(psStopped);
  if (HWND window = MainWindow()) InvalidateRect(window, nullptr, TRUE);
  return false;
}

bool SetUpDisplay(const TSegmentInfo& segment) {
  try {
    if (!GetDisplaySettings()) return false;
  } catch (const Exception& e) {
    // A size or depth whose bitmaps cannot be made ends the start with its message.
    ShowEngineError(e.Message());
    return false;
  }
  ClearFrameBitmaps();
  Display.Boxes.Reset(Display.CursorBoxWidth, Display.CursorBoxHeight);
  Display.CursorShape = nullptr;
  Display.CursorStep = TCursorStep();
  PlayerState.TicksPerFrame = TicksPerFrameOf(segment.Flags);
  return true;
}
} // namespace

void SetPlayState(std::uint8_t state) {
  if (state == PlayerState.PlayState) return;
  PlayerState.PlayState = state;
  if (Shell == nullptr) return;
  Shell->MoveFocusForPlayState(state);
  Shell->UpdateCommandStates();
  Shell->PaintPanel();
}

bool StartSegment(std::int32_t index) {
  if (index < 0) return false;
  if (SegmentList == nullptr || index >= SegmentList->Count()) {
    Stop();
    return false;
  }
  SelectSegment(index);
  PlayerState.FrameIndex = -1;
  if (Shell != nullptr) Shell->UpdateSegmentInfo();
  const TSegmentInfo& segment = *SegmentList->Get(index);
  if (!SetUpDisplay(segment)) return AbandonStart();
  TickState = TTickState();
  TickState.TicksPerFrame = PlayerState.TicksPerFrame;
  PlayerState.TickCount = 0;
  TickFailure = nullptr;
  if (index == 0) AutoFullScreen();
  SetPlayState(psStopped);
  LayoutPicture();
  bool overtaken = false;
  if (!StartSegmentFrames(index, &overtaken)) {
    // Overtaken by a command handled inside the wait: that command has the player now.
    if (overtaken) return false;
    return AbandonStart(); // the reader has ended without a record, and said why
  }
  CalcTimerPeriod();
  SetTimerActive(true);
  SetPlayState(psPlaying);
  return true;
}

void Play() {
  if (PlayerState.PlayState == psPlaying || SegmentList == nullptr || SegmentList->Count() == 0)
    return;
  if (PlayerState.PlayState == psPaused) {
    ResumeReaderThread();
    SetTimerActive(true);
    SetPlayState(psPlaying);
    return;
  }
  PlayerState.SavedFullScreen = PlayerState.FullScreen;
  if (Shell != nullptr) Shell->SavePlacement();
  if (StartSegment(PlayerState.CurrentSegment)) SetPlayState(psPlaying);
}

void Pause() {
  if (PlayerState.PlayState != psPlaying) return;
  SetPlayState(psPaused);
  SetTimerActive(false);
  SuspendReaderThread();
}

void Stop() {
  SetTimerActive(false);
  StopReaderThread();
  if (PlayerState.CloseOnFinish) {
    if (HWND window = MainWindow()) DestroyWindow(window);
  } else {
    SelectSegment(0);
    SetPlayState(psStopped);
    if (Shell != nullptr && PlayerState.FullScreen != PlayerState.SavedFullScreen)
      Shell->ToggleFullScreen();
    if (HWND window = MainWindow()) InvalidateRect(window, nullptr, TRUE);
    PlayerState.FrameIndex = -1;
    if (Shell != nullptr) {
      Shell->UpdateSegmentInfo();
      Shell->PaintPanel();
    }
  }
  // A stop that a failed tick asked for tells why, once the player has stopped.
  if (const char* failure = TickFailure.exchange(nullptr)) ShowEngineError(failure);
}

void EndPlayback() {
  SetTimerActive(false);
  StopReaderThread();
  PlayerState.FrameIndex = -1;
}
