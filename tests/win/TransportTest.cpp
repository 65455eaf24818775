// Play, Pause, Stop, previous and next on a real window under the real multimedia timer.
#include "EngineStateScope.h"
#include "MovieBuilder.h"
#include "PlaybackHost.h"
#include "PlaybackReference.h"
#include "SharedDemo.h"
#include "engine/UtqClock.h"
#include "engine/UtqDisplay_win.h"
#include "engine/UtqPlayback.h"
#include "movie/tqMovieLoader.h"
#include "writer/FrameEncoder.h"

#include <gtest/gtest.h>

#include <memory>

namespace {
// A 48 x 32 picture at 32 bits that changes everywhere from frame to frame.
std::vector<std::uint8_t> Picture(int frame) {
  std::vector<std::uint8_t> p(48 * 32 * 4);
  for (std::size_t i = 0; i < p.size(); ++i)
    p[i] = (i % 4 == 3) ? 0 : static_cast<std::uint8_t>(frame * 13 + i / 4 * 7 + i % 4 * 50);
  return p;
}

class Transport : public ::testing::Test {
protected:
  // A segment of frames records at fps; the frame file is cut after keepRecords of them, and
  // record badRecord (if any) claims one run more than it holds.
  TSegmentInfo& AddSegment(int frames, int fps, int keepRecords = -1, int badRecord = -1) {
    TSegmentInfo& s = *Engine.List.Add();
    s.Width = 48;
    s.Height = 32;
    s.BitsPerPixel = 32;
    s.FrameCount = frames;
    s.FramesPerSecond = static_cast<std::uint8_t>(fps);
    NQuillo::TFrameEncoder encoder(48, 32, 32);
    std::vector<std::uint8_t> record;
    for (int f = 0; f < frames && (keepRecords < 0 || f < keepRecords); ++f) {
      const auto picture = Picture(f);
      encoder.Encode(NQuillo::TPictureView{picture.data(), picture.size(), 48 * 4}, record);
      if (f == badRecord) ++record[4];
      s.FrameData->Write(record.data(), static_cast<std::int32_t>(record.size()));
    }
    TtqMemoryStream shape;
    const auto bytes = MonochromeCursorRecord(1);
    shape.Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    shape.SetPosition(0);
    auto cursor = std::make_unique<TtqCursor>();
    cursor->LoadFromStream(shape);
    s.Cursors.Add(std::move(cursor));
    for (int t = 0; t < frames; ++t) {
      const std::uint8_t step[6] = {0, 0, static_cast<std::uint8_t>(t % 40), 0, 12, 0};
      s.CursorTrack.Write(step, 6);
    }
    s.CursorTrack.SetPosition(0);
    return s;
  }

  void ExpectStoppedAtZero() {
    EXPECT_EQ(PlayerState.PlayState, psStopped);
    EXPECT_EQ(PlayerState.CurrentSegment, 0);
    EXPECT_EQ(PlayerState.MMTimer, 0u);
    EXPECT_EQ(PlayerState.ReaderThread, 0u);
    EXPECT_EQ(PlayerState.FrameIndex, -1);
  }

  TEngineStateScope Engine;
  std::unique_ptr<TPlaybackHost> Host = std::make_unique<TPlaybackHost>(200, 150);
};
} // namespace

TEST_F(Transport, PauseThenPlayGoesOnWithTheNextFrame) {
  TSegmentInfo& s = AddSegment(60, 10);
  PlayerState.Velocity = 6; // x5: a frame every 20 ms
  Host->OnSegmentEnd = [] { return false; };
  ASSERT_TRUE(StartSegment(0));
  ASSERT_TRUE(Host->PumpUntil([] { return PlayerState.FrameIndex >= 5; }, 5000));
  Host->Command(111);
  EXPECT_EQ(PlayerState.PlayState, psPaused);
  EXPECT_EQ(PlayerState.MMTimer, 0u);
  const std::int32_t paused = PlayerState.FrameIndex;
  Host->PumpFor(30); // a record the reader was reading is finished
  TBlock* const held = PlayerState.BackBlock;
  Host->PumpFor(200);
  EXPECT_EQ(PlayerState.FrameIndex, paused);
  EXPECT_EQ(PlayerState.BackBlock.load(), held); // the reader is held ...
  EXPECT_NE(PlayerState.ReaderThread, 0u);        // ... not gone
  Host->Command(110);
  EXPECT_EQ(PlayerState.PlayState, psPlaying);
  ASSERT_TRUE(Host->PumpUntil([&] { return PlayerState.FrameIndex != paused; }, 2000));
  EXPECT_EQ(PlayerState.FrameIndex, paused + 1);
  ASSERT_TRUE(Host->PumpUntil([&] { return Host->SegmentEnds == 1; }, 10000));
  // Every frame was applied once and in order: the last picture is the recorded one.
  const auto shown = Host->Capture();
  const TPicturePlacement p = Placement.Load();
  TReferencePicture last(s, Picture(59), {});
  last.DrawCursor(TrackStep(s, 59));
  const auto expected = last.Place(p, Host->ClientWidth(), Host->ClientHeight(), shown);
  EXPECT_EQ(CountDifferences(shown, expected, Host->ClientWidth(), p.ImageLeft, p.ImageTop,
                             p.ImageLeft + 48, p.ImageTop + 32),
            0);
}

TEST_F(Transport, PauseWhileStoppedAndPlayWhilePlayingDoNothing) {
  AddSegment(200, 10);
  Host->Command(111);
  EXPECT_EQ(PlayerState.PlayState, psStopped);
  EXPECT_EQ(PlayerState.ReaderThread, 0u);
  ASSERT_TRUE(StartSegment(0));
  const std::uint32_t timer = PlayerState.MMTimer;
  ASSERT_TRUE(Host->PumpUntil([] { return PlayerState.FrameIndex >= 2; }, 5000));
  const std::int32_t before = PlayerState.FrameIndex;
  Host->Command(110);
  EXPECT_EQ(PlayerState.PlayState, psPlaying);
  EXPECT_EQ(PlayerState.MMTimer, timer); // not started anew
  EXPECT_GE(PlayerState.FrameIndex, before);
  Host->Command(112);
}

TEST_F(Transport, StopWhilePausedLeavesNoReader) {
  AddSegment(200, 10);
  ASSERT_TRUE(StartSegment(0));
  ASSERT_TRUE(Host->PumpUntil([] { return PlayerState.FrameIndex >= 1; }, 5000));
  Host->Command(111);
  ASSERT_NE(PlayerState.ReaderThread, 0u);
  Host->Command(112);
  ExpectStoppedAtZero();
  EXPECT_FALSE(PlayerState.HoldReader);
}

TEST_F(Transport, PreviousAtTheFirstSegmentDoesNothing) {
  AddSegment(200, 10);
  ASSERT_TRUE(StartSegment(0));
  const std::uint32_t timer = PlayerState.MMTimer;
  ASSERT_TRUE(Host->PumpUntil([] { return PlayerState.FrameIndex >= 3; }, 5000));
  Host->Command(114);
  EXPECT_EQ(PlayerState.PlayState, psPlaying);
  EXPECT_EQ(PlayerState.MMTimer, timer);
  EXPECT_GE(PlayerState.FrameIndex, 3);
  Host->Command(112);
}

TEST_F(Transport, NextAtTheLastSegmentStopsAtSegmentZero) {
  AddSegment(50, 10);
  AddSegment(50, 10);
  ASSERT_TRUE(StartSegment(1));
  Host->Command(114); // previous: segment 0 from its start
  EXPECT_EQ(PlayerState.CurrentSegment, 0);
  EXPECT_EQ(PlayerState.PlayState, psPlaying);
  Host->Command(115);
  EXPECT_EQ(PlayerState.CurrentSegment, 1);
  Host->Command(115);
  ExpectStoppedAtZero();
  // Told to close when finished, the last Next ends the window instead.
  PlayerState.CloseOnFinish = true;
  ASSERT_TRUE(StartSegment(1));
  Host->Command(115);
  EXPECT_TRUE(Host->Destroyed);
  EXPECT_EQ(PlayerState.MMTimer, 0u);
  EXPECT_EQ(PlayerState.ReaderThread, 0u);
}

TEST_F(Transport, TheSegmentEndIsPostedOnceWhateverTicksFollow) {
  AddSegment(20, 10);
  PlayerState.Velocity = 8;
  Host->OnSegmentEnd = [] { return false; }; // the end is only counted; the clock goes on
  ASSERT_TRUE(StartSegment(0));
  ASSERT_TRUE(Host->PumpUntil([&] { return Host->SegmentEnds == 1; }, 5000));
  const int updates = Host->TimeUpdates;
  Host->PumpFor(300); // some thirty more ticks
  EXPECT_EQ(Host->SegmentEnds, 1);
  EXPECT_EQ(Host->TimeUpdates, updates); // they find no frame and do nothing
  EXPECT_NE(PlayerState.MMTimer, 0u);
  Host->Command(112);
}

TEST_F(Transport, NoTickStartsOnceTheTimerIsStopped) {
  AddSegment(2000, 100);
  PlayerState.Velocity = 8;
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(StartSegment(0));
    Host->PumpFor(static_cast<DWORD>(round % 7 * 3));
    SetTimerActive(false);
    const int updates = Host->TimeUpdates;
    EXPECT_TRUE(PlayerState.TickIdle);
    Sleep(35);
    EXPECT_EQ(Host->TimeUpdates, updates);
  }
  Host->Command(112);
}

// The reader ends early on a cut frame file, and a record that cannot be decoded fails the
// tick: either way the tick asks the main thread to stop, once, and nobody waits.
TEST_F(Transport, AFrameFileCutShortOrABadRecordStopsPlayback) {
  AddSegment(30, 10, 10);
  PlayerState.Velocity = 8;
  ASSERT_TRUE(StartSegment(0));
  ASSERT_TRUE(Host->PumpUntil([] { return PlayerState.PlayState == psStopped; }, 5000));
  Host->PumpFor(50);
  EXPECT_EQ(Host->StopsPosted, 1);
  ExpectStoppedAtZero();
  EXPECT_EQ(TEngineStateScope::EngineErrors(), std::vector<std::string>{"ThreadP: BytesRead <> size"});

  Engine.List.Clear();
  TEngineStateScope::EngineErrors().clear();
  Host->StopsPosted = 0;
  AddSegment(30, 10, -1, 12);
  ASSERT_TRUE(StartSegment(0));
  ASSERT_TRUE(Host->PumpUntil([] { return PlayerState.PlayState == psStopped; }, 5000));
  Host->PumpFor(50);
  EXPECT_EQ(Host->StopsPosted, 1);
  ExpectStoppedAtZero();
  ASSERT_EQ(TEngineStateScope::EngineErrors().size(), 1u);
  EXPECT_EQ(TEngineStateScope::EngineErrors()[0].rfind("UnpackFrame", 0), 0u)
      << TEngineStateScope::EngineErrors()[0];
}

// A command handled inside the start's wait for its first record overtakes the start. The
// reader is kept from delivering by holding the ring's lock on this thread (the lock lets its
// owner in again), and the window's handler lets it go before it acts.
TEST_F(Transport, AStartOvertakenInsideItsWaitGivesUp) {
  AddSegment(40, 10);
  AddSegment(40, 10);
  PlayerState.Velocity = 8;
  for (const int action : {0, 1, 2}) {
    SCOPED_TRACE(action);
    if (Host->Destroyed) Host = std::make_unique<TPlaybackHost>(200, 150);
    Host->OnApp = [&] {
      BlockLock.Leave();
      if (action == 0) Host->Command(112);
      if (action == 1) StartSegment(1);
      if (action == 2) DestroyWindow(Host->Handle());
    };
    BlockLock.Enter();
    PostMessageA(Host->Handle(), WM_APP, 0, 0);
    EXPECT_FALSE(StartSegment(0));
    if (action == 1) {
      // The start that overtook plays on, undisturbed by the one it overtook.
      EXPECT_EQ(PlayerState.CurrentSegment, 1);
      EXPECT_EQ(PlayerState.PlayState, psPlaying);
      Host->OnSegmentEnd = [] { return false; };
      ASSERT_TRUE(Host->PumpUntil([&] { return Host->SegmentEnds == 1; }, 5000));
      EXPECT_EQ(PlayerState.FrameIndex, 39);
      Host->Command(112);
      Host->SegmentEnds = 0;
    } else {
      EXPECT_EQ(PlayerState.MMTimer, 0u);
      EXPECT_EQ(PlayerState.ReaderThread, 0u);
      EXPECT_NE(PlayerState.PlayState, psPlaying);
    }
  }
}

// Start, pause, play, stop and next, 300 times over the demo at the fastest speed.
TEST_F(Transport, ThreeHundredCyclesLeaveNoThreadAndNoGdiObject) {
  {
    TtqFileStream stream(SharedDemoPath(), TtqFileStream::ModeRead);
    ASSERT_TRUE(LoadMovie(&stream));
  }
  PlayerState.Velocity = 8;
  auto cycle = [&](int i) {
    StartSegment(i % 3);
    Host->PumpFor(6);
    Host->Command(111);
    Host->Command(110);
    Host->PumpFor(6);
    Host->Command(112);
    Host->Command(115);
    Host->PumpFor(4);
  };
  // The multimedia timer's own thread ends by itself some time after the last timer is killed,
  // so both counts are taken once the threads have settled. Wine's cache of window DCs grows to
  // the most DCs held at one moment (the tick's and the window's), a handful at most; anything
  // left behind by a cycle would show 300 times over.
  auto settledThreads = [&](int atMost) {
    const DWORD until = GetTickCount() + 5000;
    int count = ProcessThreadCount();
    while (count > atMost && GetTickCount() < until) {
      Host->PumpFor(20);
      count = ProcessThreadCount();
    }
    return count;
  };
  for (int i = 0; i < 20; ++i) cycle(i);
  Host->Command(112);
  const int threads = settledThreads(1);
  const int freeGdi = FreeGdiHandles();
  ASSERT_GT(threads, 0);
  for (int i = 1; i <= 300; ++i) cycle(i);
  Host->Command(112);
  ExpectStoppedAtZero();
  const int threadsAfter = settledThreads(threads);
  EXPECT_LE(threadsAfter, threads);
  const int freeAfter = FreeGdiHandles();
  EXPECT_LE(freeGdi - freeAfter, 8);
  RecordProperty("free_gdi_handles", freeAfter);
  std::printf("threads %d before and %d after, free GDI handles %d before and %d after\n", threads,
              threadsAfter, freeGdi, freeAfter);
  EXPECT_TRUE(TEngineStateScope::EngineErrors().empty());
}

// A depth without a run format is never decoded: the start ends with the message and the window
// minimised, the player stopped there. A size whose bitmaps cannot be made ends the start with
// a message too, and the next segment starts as if nothing had happened.
TEST_F(Transport, ASegmentThatCannotBeShownEndsItsStartWithAMessage) {
  AddSegment(10, 10).BitsPerPixel = 16;
  TSegmentInfo& huge = AddSegment(10, 10);
  huge.Width = 30000;
  huge.Height = 30000;
  AddSegment(10, 10);
  EXPECT_FALSE(StartSegment(0));
  EXPECT_EQ(TEngineStateScope::EngineErrors(),
            std::vector<std::string>{"\xC4\xE0\xED\xED\xFB\xE9 \xE2\xE8\xE4\xE5\xEE \xF0\xE5\xE6\xE8\xEC "
                                     "\xED\xE5 \xEF\xEE\xE4\xE4\xE5\xF0\xE6\xE8\xE2\xE0\xE5\xF2\xF1\xFF"});
  EXPECT_TRUE(IsIconic(Host->Handle()));
  EXPECT_EQ(PlayerState.PlayState, psStopped);
  EXPECT_EQ(PlayerState.ReaderThread, 0u);
  EXPECT_EQ(PlayerState.MMTimer, 0u);
  ShowWindow(Host->Handle(), SW_RESTORE);

  TEngineStateScope::EngineErrors().clear();
  EXPECT_FALSE(StartSegment(1));
  EXPECT_EQ(TEngineStateScope::EngineErrors(),
            std::vector<std::string>{"GetDisplaySettings: hbmXorFrame = 0"});
  EXPECT_EQ(PlayerState.PlayState, psStopped);
  EXPECT_EQ(PlayerState.ReaderThread, 0u);

  TEngineStateScope::EngineErrors().clear();
  PlayerState.Velocity = 8;
  Host->OnSegmentEnd = [] { return false; };
  ASSERT_TRUE(StartSegment(2));
  ASSERT_TRUE(Host->PumpUntil([&] { return Host->SegmentEnds == 1; }, 5000));
  EXPECT_EQ(PlayerState.FrameIndex, 9);
  EXPECT_TRUE(TEngineStateScope::EngineErrors().empty());
  Host->Command(112);
}
