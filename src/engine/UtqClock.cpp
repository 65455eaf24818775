#include "UtqClock.h"

#include "UtqDisplay.h"
#include "UtqPlayerState.h"
#include "movie/tqSegments.h"

TTickState TickState;
std::atomic<const char*> TickFailure{nullptr};

const std::array<float, VelocityCount> VelocityTable = {0.1f, 0.25f, 0.5f, 1.0f, 2.0f,
                                                        3.0f, 5.0f,  10.0f, 1000.0f};

std::int32_t TimerPeriodFor(std::int32_t framesPerSecond, std::int32_t ticksPerFrame, float speed) {
  if (framesPerSecond <= 0) return 100;
  std::int32_t period = 1000 / framesPerSecond / (ticksPerFrame > 0 ? ticksPerFrame : 1);
  if (speed > 0) period = RoundHalfEven(static_cast<double>(period) / static_cast<double>(speed));
  return period < MinTimerPeriod ? MinTimerPeriod : period;
}

void CalcTimerPeriod() {
  const TSegmentInfo* segment =
      SegmentList != nullptr ? SegmentList->Get(PlayerState.CurrentSegment) : nullptr;
  if (segment == nullptr) return;
  std::int32_t position = PlayerState.Velocity;
  if (position < 0 || position >= VelocityCount) position = DefaultVelocity;
  PlayerState.TimerPeriod = TimerPeriodFor(segment->FramesPerSecond, PlayerState.TicksPerFrame,
                                           VelocityTable[static_cast<std::size_t>(position)]);
}

std::int32_t TicksPerFrameOf(std::int32_t flags) { return (flags & 1) != 0 ? 3 : 1; }

namespace {
// The player's advance to the next frame, once the frame in FrontBlock has been shown. False
// when the ticks must halt.
bool NextFrameBlock(TTickState& s, TTickSteps& steps) {
  const std::int32_t t = s.TickCount, k = s.TicksPerFrame;
  if (s.SegmentEndPosted) return true;
  if (k == 3 && steps.FrontIsLast()) {
    // The last frame stays shown through its in-between cursor steps.
    if (t % 3 == 0) s.FrontShown = true;
    if (!(t % 3 == 2 && s.FrontShown)) return true;
  } else if (t % k != 0) {
    return true;
  }
  if (steps.FrontIsLast()) {
    steps.FreeFrontBlock();
    s.SegmentEndPosted = true;
    steps.PostSegmentEnd();
    return true;
  }
  // The next block is taken before the shown one is given back (so the reader cannot refill
  // it while the take looks at it).
  if (!steps.TakeNextBlock()) {
    s.Halted = true;
    steps.PostStop();
    return false;
  }
  s.FrontShown = false;
  return true;
}

bool Unpack(TTickState& s, TTickSteps& steps) {
  if (steps.UnpackFrame()) return true;
  s.Halted = true;
  steps.PostStop();
  return false;
}

void DrawCursor(TTickSteps& steps) {
  steps.SaveUnderCursor();
  steps.DrawCursorShape();
}

void FirstTick(TTickState& s, TTickSteps& steps) {
  if (!Unpack(s, steps)) return;
  steps.ApplyXorFrame();
  steps.ReadCursorStep();
  if (s.TicksPerFrame == 1) {
    if (!NextFrameBlock(s, steps)) return;
    // A segment of one frame has ended here: its frame is applied once, not twice.
    if (!s.SegmentEndPosted) {
      if (!Unpack(s, steps)) return;
      steps.ApplyXorFrame();
    }
    steps.ReadCursorStep();
  }
  DrawCursor(steps);
  steps.CommitCursorPos();
  steps.PresentFrame();
}

void LaterTick(TTickState& s, TTickSteps& steps) {
  const std::int32_t t = s.TickCount;
  steps.RestoreUnderCursor();
  if (s.TicksPerFrame == 1) {
    if (!Unpack(s, steps)) return;
    steps.ApplyXorFrame();
    steps.ReadCursorStep();
    DrawCursor(steps);
    steps.CommitCursorPos();
    steps.PresentFrame();
    return;
  }
  steps.ReadCursorStep();
  DrawCursor(steps);
  if (t % 3 != 0) steps.PresentCursorArea();
  steps.CommitCursorPos();
  if ((t - 1) % 3 == 0 && !s.FrontShown && !Unpack(s, steps)) return;
  if ((t - 2) % 3 == 0 && !s.FrontShown) {
    steps.RestoreUnderCursor();
    steps.ApplyXorFrame();
    DrawCursor(steps);
  }
  if (t % 3 == 0) steps.PresentFrame();
}
} // namespace

void RunTick(TTickState& s, TTickSteps& steps) {
  if (s.Halted || !steps.FrontInUse()) return;
  if (s.FirstTick) {
    s.FirstTick = false;
    FirstTick(s, steps);
  } else {
    LaterTick(s, steps);
  }
  if (s.Halted) return;
  steps.UpdateTime();
  if (!NextFrameBlock(s, steps)) return;
  ++s.TickCount;
}
