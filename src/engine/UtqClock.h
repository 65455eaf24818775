// The playback clock: the timer period of a segment at a speed, and what each timer tick does.
//
// The tick's schedule is written here once, over an interface of its steps, so that the order
// of decodes, applies, cursor steps and presents is the same on the timer thread and in the
// native tests that follow every frame and cursor step through it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

// The speed factors of the velocity slider's positions 0 to 8; it starts at 3 (factor 1).
constexpr std::int32_t VelocityCount = 9;
constexpr std::int32_t DefaultVelocity = 3;
extern const std::array<float, VelocityCount> VelocityTable;

// The period never goes below this, and is asked for at this resolution.
constexpr std::int32_t MinTimerPeriod = 10;

// (1000 div fps) div ticksPerFrame, divided by the speed (nearest, halves to even), at least
// 10 ms; 100 ms for a segment without a frame rate.
std::int32_t TimerPeriodFor(std::int32_t framesPerSecond, std::int32_t ticksPerFrame, float speed);
// The period of the current segment at the slider's position, into PlayerState.TimerPeriod;
// nothing without a current segment.
void CalcTimerPeriod();

// Kills the timer, waiting for a tick that runs to finish; when on, starts it anew at
// PlayerState.TimerPeriod. Once it returns with on false, no tick runs or starts. Raises
// "MMTimer = 0" when the timer cannot be made. Main thread only.
void SetTimerActive(bool on);

#ifdef _WIN32
// One tick now, outside the timer (as the timer would run it, dropped while another runs).
void RunOneTick();
#endif

// 1, or 3 when bit 0 of the segment's flags is set.
std::int32_t TicksPerFrameOf(std::int32_t flags);

// The steps a tick is made of. The picture is the accumulated picture of the segment.
class TTickSteps {
public:
  virtual ~TTickSteps() = default;
  virtual bool FrontInUse() = 0;             // FrontBlock holds a frame being shown
  virtual bool FrontIsLast() = 0;            // ... the segment's last
  virtual bool UnpackFrame() = 0;            // false: the record could not be decoded
  virtual void ApplyXorFrame() = 0;
  virtual void ReadCursorStep() = 0;
  virtual void SaveUnderCursor() = 0;
  virtual void DrawCursorShape() = 0;
  virtual void RestoreUnderCursor() = 0;
  virtual void CommitCursorPos() = 0;
  virtual void PresentCursorArea() = 0;
  virtual void PresentFrame() = 0;
  virtual void UpdateTime() = 0;
  virtual void FreeFrontBlock() = 0;
  virtual bool TakeNextBlock() = 0;         // false: no block came (the reader failed or stopped)
  virtual void PostSegmentEnd() = 0;        // command 115 to the main window
  virtual void PostStop() = 0;              // command 112 to the main window
};

// What the tick keeps from one tick to the next; the tick's own while the timer runs, set up
// by the segment start while the timer is stopped.
struct TTickState {
  std::int32_t TickCount = 0;
  std::int32_t TicksPerFrame = 1;
  bool FirstTick = true;
  bool SegmentEndPosted = false;
  // The frame in FrontBlock has been applied and presented; only the last frame stays front
  // after that, while the cursor steps between frames still come.
  bool FrontShown = false;
  // A step failed: the stop is left to the main thread, and no tick does anything until the
  // next segment start.
  bool Halted = false;
};

// The tick's own state; the segment start sets it up with the timer stopped.
extern TTickState TickState;
// The failure a tick met, for the stop on the main thread to show once it has stopped.
extern std::atomic<const char*> TickFailure;

// One timer tick (everything but the guard against overlapping ticks).
//
// K = 1: each tick restores the picture under the cursor, decodes and applies the frame in
// FrontBlock, reads one cursor step, draws the cursor, presents the picture and takes the next
// block. The first tick applies frames 0 and 1 and presents frame 1 with cursor step 1.
//
// K = 3: tick T reads cursor step T. Frame f is presented at tick 3f with step 3f, and the
// cursor alone moves on the window at ticks 3f + 1 and 3f + 2 with steps 3f + 1 and 3f + 2.
// The first tick (T = 0) decodes and applies frame 0, draws cursor step 0, presents the frame
// and takes frame 1; after it, the frame taken at tick 3f is decoded at 3f + 1, applied (with
// the cursor lifted) at 3f + 2 and presented at 3f + 3. So every record is applied exactly once
// and in order. The last frame stays in FrontBlock for the two cursor steps after its present;
// the segment's end is posted at the last of them (its frame is not decoded or applied again).
//
// The end of the segment is posted once (command 115). A frame that cannot be decoded, or a
// block that never comes because the reader ended early, halts the ticks and posts Stop (112):
// the stop must run on the main thread, and it waits for the tick, which must not wait for
// itself.
void RunTick(TTickState& state, TTickSteps& steps);
