// The clock: timer periods, and every frame and cursor step followed through the tick's
// schedule on a model of the ring, the picture and the window.
#include "EngineStateScope.h"
#include "engine/UtqClock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(TimerPeriod, FollowsFrameRateStepsAndSpeed) {
  EXPECT_EQ(TimerPeriodFor(10, 1, 1.0f), 100);
  EXPECT_EQ(TimerPeriodFor(10, 1, 0.1f), 1000);
  EXPECT_EQ(TimerPeriodFor(10, 1, 5.0f), 20);
  EXPECT_EQ(TimerPeriodFor(10, 1, 10.0f), 10);
  EXPECT_EQ(TimerPeriodFor(10, 1, 1000.0f), 10);
  EXPECT_EQ(TimerPeriodFor(25, 3, 1.0f), 13); // 40 div 3
  EXPECT_EQ(TimerPeriodFor(25, 3, 2.0f), 10); // 6.5 rounds to 6, raised to 10
  EXPECT_EQ(TimerPeriodFor(0, 1, 1000.0f), 100);
  EXPECT_EQ(TimerPeriodFor(0, 3, 0.1f), 100);
  EXPECT_EQ(TimerPeriodFor(4, 1, 0.5f), 500);
  // Halves go to the even neighbour.
  EXPECT_EQ(TimerPeriodFor(8, 1, 0.25f), 500); // 125 / 0.25
  EXPECT_EQ(TimerPeriodFor(40, 1, 2.0f), 12);  // 25 / 2 = 12.5 -> 12
  EXPECT_EQ(TimerPeriodFor(33, 1, 2.0f), 15);  // 30 / 2
  EXPECT_EQ(TicksPerFrameOf(0), 1);
  EXPECT_EQ(TicksPerFrameOf(1), 3);
  EXPECT_EQ(TicksPerFrameOf(2), 1);
  EXPECT_EQ(VelocityTable[DefaultVelocity], 1.0f);
  EXPECT_EQ(VelocityTable[8], 1000.0f);
}

TEST(TimerPeriod, OfTheCurrentSegmentAtTheSlidersPosition) {
  TEngineStateScope engine;
  TSegmentInfo* s = engine.List.Add(std::make_unique<TSegmentInfo>());
  s->FramesPerSecond = 10;
  PlayerState.TicksPerFrame = 1;
  PlayerState.CurrentSegment = 0;
  PlayerState.Velocity = 3;
  CalcTimerPeriod();
  EXPECT_EQ(PlayerState.TimerPeriod, 100);
  PlayerState.Velocity = 7;
  CalcTimerPeriod();
  EXPECT_EQ(PlayerState.TimerPeriod, 10);
  PlayerState.Velocity = 0;
  CalcTimerPeriod();
  EXPECT_EQ(PlayerState.TimerPeriod, 1000);
  PlayerState.CurrentSegment = 1; // none: the period is left alone
  PlayerState.Velocity = 3;
  CalcTimerPeriod();
  EXPECT_EQ(PlayerState.TimerPeriod, 1000);
}

namespace {
// The ring, the picture and the window as the tick's steps see them, with everything that
// reached the window written down.
class TModel final : public TTickSteps {
public:
  TModel(int frames, int k) : Frames(frames) { State.TicksPerFrame = k; }

  struct TShown {
    int Tick, Frame, Step;
    bool WholeFrame;
  };

  bool FrontInUse() override { return InUse; }
  bool FrontIsLast() override { return Front == Frames - 1; }
  bool UnpackFrame() override {
    if (Front == FailAt) return false;
    Decoded = Front;
    return true;
  }
  void ApplyXorFrame() override {
    EXPECT_FALSE(CursorOnPicture) << "tick " << State.TickCount;
    EXPECT_EQ(Decoded, Front) << "tick " << State.TickCount;
    Applied.push_back(Decoded);
    Decoded = -1;
  }
  void ReadCursorStep() override { ++Step; }
  void SaveUnderCursor() override { EXPECT_FALSE(CursorOnPicture); }
  void DrawCursorShape() override {
    CursorOnPicture = true;
    DrawnStep = Step;
  }
  void RestoreUnderCursor() override { CursorOnPicture = false; }
  void CommitCursorPos() override {}
  void PresentCursorArea() override {
    Shown.push_back({State.TickCount, OnScreen, DrawnStep, false});
  }
  void PresentFrame() override {
    EXPECT_TRUE(CursorOnPicture);
    OnScreen = Applied.empty() ? -1 : Applied.back();
    Shown.push_back({State.TickCount, OnScreen, DrawnStep, true});
  }
  void UpdateTime() override { ++TimeUpdates; }
  void FreeFrontBlock() override { InUse = false; }
  bool TakeNextBlock() override {
    if (Front + 1 >= ReaderEndsAt) return false;
    ++Front;
    return true;
  }
  void PostSegmentEnd() override { ++SegmentEnds; }
  void PostStop() override { ++Stops; }

  void Run(int ticks) {
    for (int i = 0; i < ticks; ++i) RunTick(State, *this);
  }

  TTickState State;
  int Frames;
  int FailAt = -1;
  int ReaderEndsAt = 1 << 30;
  int Front = 0, Decoded = -1, Step = -1, DrawnStep = -1, OnScreen = -1;
  bool InUse = true, CursorOnPicture = false;
  int SegmentEnds = 0, Stops = 0, TimeUpdates = 0;
  std::vector<int> Applied;
  std::vector<TShown> Shown;
};

std::vector<int> Sequence(int n) {
  std::vector<int> v;
  for (int i = 0; i < n; ++i) v.push_back(i);
  return v;
}
} // namespace

TEST(TickSchedule, ThreeStepsPerFrame) {
  for (const int frames : {1, 2, 3, 7, 40}) {
    SCOPED_TRACE(frames);
    TModel m(frames, 3);
    m.Run(3 * frames + 20); // further ticks after the end find no block in use
    EXPECT_EQ(m.Applied, Sequence(frames)); // every record once, in order
    EXPECT_EQ(m.SegmentEnds, 1);
    EXPECT_EQ(m.Stops, 0);
    EXPECT_EQ(m.Step, 3 * frames - 1); // every cursor step was read
    // Frame f is presented at tick 3f with step 3f, and the cursor moves over it on the
    // window at 3f + 1 and 3f + 2 with those steps: nothing else reaches the window.
    ASSERT_EQ(m.Shown.size(), static_cast<std::size_t>(3 * frames));
    for (int t = 0; t < 3 * frames; ++t) {
      SCOPED_TRACE(t);
      const TModel::TShown& s = m.Shown[static_cast<std::size_t>(t)];
      EXPECT_EQ(s.Tick, t);
      EXPECT_EQ(s.Frame, t / 3);
      EXPECT_EQ(s.Step, t);
      EXPECT_EQ(s.WholeFrame, t % 3 == 0);
    }
    EXPECT_EQ(m.TimeUpdates, 3 * frames);
  }
}

TEST(TickSchedule, OneStepPerFrame) {
  for (const int frames : {1, 2, 5, 30}) {
    SCOPED_TRACE(frames);
    TModel m(frames, 1);
    m.Run(frames + 10);
    EXPECT_EQ(m.Applied, Sequence(frames));
    EXPECT_EQ(m.SegmentEnds, 1);
    EXPECT_EQ(m.Stops, 0);
    // The first tick applies frames 0 and 1 and shows frame 1 with step 1; then one frame and
    // one step a tick. A segment of one frame shows it once, with step 1.
    const int shown = frames == 1 ? 1 : frames - 1;
    ASSERT_EQ(m.Shown.size(), static_cast<std::size_t>(shown));
    for (int t = 0; t < shown; ++t) {
      SCOPED_TRACE(t);
      const TModel::TShown& s = m.Shown[static_cast<std::size_t>(t)];
      EXPECT_TRUE(s.WholeFrame);
      EXPECT_EQ(s.Frame, frames == 1 ? 0 : t + 1);
      EXPECT_EQ(s.Step, t + 1);
    }
  }
}

TEST(TickSchedule, AFailedDecodeOrAMissingBlockHaltsAndAsksTheMainThreadToStop) {
  for (const int k : {1, 3}) {
    SCOPED_TRACE(k);
    TModel failed(20, k);
    failed.FailAt = 6;
    failed.Run(200);
    EXPECT_EQ(failed.Applied, Sequence(6));
    EXPECT_EQ(failed.Stops, 1); // once, however many ticks come after
    EXPECT_EQ(failed.SegmentEnds, 0);
    EXPECT_TRUE(failed.State.Halted);

    TModel cut(20, k);
    cut.ReaderEndsAt = 9; // the reader ended after nine records
    cut.Run(200);
    EXPECT_EQ(cut.Stops, 1);
    EXPECT_EQ(cut.SegmentEnds, 0);
    EXPECT_LE(cut.Applied.size(), 9u);
    EXPECT_EQ(cut.Applied, Sequence(static_cast<int>(cut.Applied.size())));
  }
}

TEST(TickSchedule, NothingHappensWithoutABlockInUse) {
  TModel m(10, 1);
  m.InUse = false;
  m.Run(5);
  EXPECT_TRUE(m.Applied.empty());
  EXPECT_TRUE(m.Shown.empty());
  EXPECT_EQ(m.TimeUpdates, 0);
  EXPECT_EQ(m.State.TickCount, 0);
}
