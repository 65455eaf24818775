// The demo played on a real window by the real clock, and the window's pixels compared with
// the writer's pictures and the recorded cursor.
#include "DemoMovie.h"
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

#include <array>
#include <memory>

namespace {
constexpr int FastestSpeed = 8; // x1000: a tick every 10 ms

int ScreenBits() {
  HDC screen = GetDC(nullptr);
  const int bits = GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  return bits;
}

class Playback : public ::testing::Test {
protected:
  void LoadDemo() {
    TtqFileStream stream(SharedDemoPath(), TtqFileStream::ModeRead);
    ASSERT_TRUE(LoadMovie(&stream));
    ASSERT_EQ(Engine.List.Count(), 3);
    Scenes = NQuillo::NDemo::DemoScenes();
  }

  // The demo's frame as the writer drew it, with the cursor of a step (or none).
  std::unique_ptr<TReferencePicture> DemoPicture(std::int32_t s, std::int32_t frame,
                                                 std::int32_t step) {
    TSegmentInfo& segment = *Engine.List.Get(s);
    NQuillo::NDemo::TCanvas canvas(segment.Width, segment.Height);
    Scenes[static_cast<std::size_t>(s)]->Render(frame, canvas);
    std::vector<std::uint8_t> packed;
    canvas.ToPicture(segment.BitsPerPixel, packed);
    auto picture = std::make_unique<TReferencePicture>(segment, packed, PaletteAtFrame(segment, frame));
    if (step >= 0) picture->DrawCursor(TrackStep(segment, step));
    return picture;
  }

  // The window at the end of segment s: its last frame with its last cursor step.
  void ExpectLastFrame(std::int32_t s, bool stretched) {
    SCOPED_TRACE("segment " + std::to_string(s));
    TSegmentInfo& segment = *Engine.List.Get(s);
    const std::int32_t k = TicksPerFrameOf(segment.Flags);
    const TPicturePlacement p = Placement.Load();
    EXPECT_EQ(p.Stretched, stretched);
    EXPECT_EQ(PlayerState.FrameIndex, segment.FrameCount - 1);
    const auto shown = Host->Capture();
    const int w = Host->ClientWidth(), h = Host->ClientHeight();
    const std::int32_t last = segment.FrameCount - 1;
    auto expected = DemoPicture(s, last, last * k)->Place(p, w, h, shown);
    // With three steps a frame the cursor alone moved twice after the frame was presented.
    for (std::int32_t step = last * k + 1; step < segment.FrameCount * k; ++step)
      expected = DemoPicture(s, last, step)->PlaceBoxes(
          p, w, h, expected,
          StepArea(segment, step, Display.CursorBoxWidth, Display.CursorBoxHeight));
    const int right = p.ImageLeft + (p.Stretched ? p.ImageWidth : segment.Width);
    const int bottom = p.ImageTop + (p.Stretched ? p.ImageHeight : segment.Height);
    EXPECT_EQ(CountDifferences(shown, expected, w, p.ImageLeft, p.ImageTop, right, bottom), 0);
    ++Compared;
  }

  TEngineStateScope Engine;
  std::vector<std::unique_ptr<NQuillo::NDemo::TDemoScene>> Scenes;
  std::unique_ptr<TPlaybackHost> Host;
  int Compared = 0;
};
} // namespace

TEST_F(Playback, EachDemoSegmentEndsAsRecorded) {
  if (ScreenBits() != 32) GTEST_SKIP() << "needs a 24-bit X screen";
  LoadDemo();
  Host = std::make_unique<TPlaybackHost>(1023, 734);
  PlayerState.Velocity = FastestSpeed;
  Host->OnSegmentEnd = [&] {
    ExpectLastFrame(PlayerState.CurrentSegment, false);
    return true;
  };
  ASSERT_TRUE(StartSegment(0));
  ASSERT_TRUE(Host->PumpUntil([&] { return Host->SegmentEnds == 3; }, 60000));
  // Past the last segment the player stops at segment 0.
  EXPECT_EQ(PlayerState.PlayState, psStopped);
  EXPECT_EQ(PlayerState.CurrentSegment, 0);
  EXPECT_EQ(PlayerState.MMTimer, 0u);
  EXPECT_EQ(PlayerState.ReaderThread, 0u);
  EXPECT_EQ(Compared, 3);
  EXPECT_TRUE(TEngineStateScope::EngineErrors().empty());
}

TEST_F(Playback, EachDemoSegmentEndsAsRecordedScaledDown) {
  if (ScreenBits() != 32) GTEST_SKIP() << "needs a 24-bit X screen";
  LoadDemo();
  Host = std::make_unique<TPlaybackHost>(1023, 734);
  PlayerState.Velocity = FastestSpeed;
  // A stopped start grows the window back around the picture: it is made small again once the
  // segment plays, and the picture follows it.
  Host->OnSegmentEnd = [&] {
    ExpectLastFrame(PlayerState.CurrentSegment, true);
    if (StartSegment(PlayerState.CurrentSegment + 1)) Host->Resize(600, 400);
    return false;
  };
  ASSERT_TRUE(StartSegment(0));
  Host->Resize(600, 400);
  ASSERT_TRUE(Host->PumpUntil([&] { return Host->SegmentEnds == 3; }, 60000));
  EXPECT_EQ(PlayerState.PlayState, psStopped);
  EXPECT_EQ(Compared, 3);
}

// Three cursor steps per frame, ticked by hand: the window shows frame f at tick 3f, and the
// cursor moves over it at 3f + 1 and 3f + 2.
TEST_F(Playback, TheCursorMovesOnTheWindowBetweenFrames) {
  if (ScreenBits() != 32) GTEST_SKIP() << "needs a 24-bit X screen";
  LoadDemo();
  const std::int32_t s = 1;
  TSegmentInfo& segment = *Engine.List.Get(s);
  ASSERT_EQ(TicksPerFrameOf(segment.Flags), 3);
  Host = std::make_unique<TPlaybackHost>(1023, 734);
  PlayerState.Velocity = 0; // the first tick would be long in coming; the test ticks itself
  ASSERT_TRUE(StartSegment(s));
  SetTimerActive(false);
  ASSERT_EQ(PlayerState.TickCount, 0);
  const int w = Host->ClientWidth(), h = Host->ClientHeight();
  const TPicturePlacement p = Placement.Load();
  int moved = 0;
  for (std::int32_t t = 0; t < 36; ++t) {
    SCOPED_TRACE("tick " + std::to_string(t));
    RunOneTick();
    ASSERT_EQ(PlayerState.TickCount, t + 1);
    const std::int32_t f = t / 3;
    EXPECT_EQ(PlayerState.FrameIndex, f + 1); // frame f + 1 is taken at tick 3f
    const auto shown = Host->Capture();
    const auto expected = DemoPicture(s, f, t)->Place(p, w, h, shown);
    // The whole picture, also between frames: the boxes of the old and the new step that
    // reach the window then are exactly what changed on it.
    EXPECT_EQ(CountDifferences(shown, expected, w, p.ImageLeft, p.ImageTop,
                               p.ImageLeft + segment.Width, p.ImageTop + segment.Height),
              0);
    if (t % 3 != 0) {
      const TCursorStepAt now = TrackStep(segment, t), before = TrackStep(segment, t - 1);
      if (now.X != before.X || now.Y != before.Y) ++moved;
    }
  }
  EXPECT_GT(moved, 0); // the cursor moved between frames at least once in these ticks
}

namespace {
// A 64 x 48 picture at 32 bits: grey, with a square at (12, 12) that changes from frame to frame.
std::vector<std::uint8_t> ChangingSquare(int frame) {
  std::vector<std::uint8_t> p(64 * 48 * 4);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      const bool square = frame > 0 && x >= 12 && x < 40 && y >= 12 && y < 40;
      const std::uint8_t v = square ? static_cast<std::uint8_t>(37 * frame + x + 3 * y) : 0x80;
      std::uint8_t* px = &p[static_cast<std::size_t>((y * 64 + x) * 4)];
      px[0] = v;
      px[1] = static_cast<std::uint8_t>(v ^ 0x5A);
      px[2] = static_cast<std::uint8_t>(255 - v);
    }
  return p;
}

void PutStep(TtqMemoryStream& track, std::uint16_t shape, std::uint16_t x, std::uint16_t y) {
  const std::uint8_t step[6] = {static_cast<std::uint8_t>(shape), static_cast<std::uint8_t>(shape >> 8),
                                static_cast<std::uint8_t>(x), 0, static_cast<std::uint8_t>(y), 0};
  track.Write(step, 6);
}
} // namespace

// The cursor is shown on two steps and then hidden (its shape index names no shape) over the
// square, which every later frame changes: the square must end exactly as recorded.
TEST_F(Playback, AHiddenCursorLeavesNothingBehindInThePicture) {
  if (ScreenBits() != 32) GTEST_SKIP() << "needs a 24-bit X screen";
  constexpr int Frames = 8;
  TSegmentInfo& segment = *Engine.List.Add();
  segment.Width = 64;
  segment.Height = 48;
  segment.BitsPerPixel = 32;
  segment.FrameCount = Frames;
  segment.FramesPerSecond = 10;
  NQuillo::TFrameEncoder encoder(64, 48, 32);
  std::vector<std::uint8_t> record;
  for (int f = 0; f < Frames; ++f) {
    const auto picture = ChangingSquare(f);
    encoder.Encode(NQuillo::TPictureView{picture.data(), picture.size(), 64 * 4}, record);
    segment.FrameData->Write(record.data(), static_cast<std::int32_t>(record.size()));
  }
  {
    TtqMemoryStream shape;
    const auto bytes = MonochromeCursorRecord(3);
    shape.Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    shape.SetPosition(0);
    auto cursor = std::make_unique<TtqCursor>();
    ASSERT_EQ(cursor->LoadFromStream(shape), CursorLoaded);
    segment.Cursors.Add(std::move(cursor));
  }
  for (int t = 0; t < Frames; ++t) PutStep(segment.CursorTrack, t < 2 ? 0 : 99, 25, 25);
  segment.CursorTrack.SetPosition(0);

  Host = std::make_unique<TPlaybackHost>(200, 150);
  PlayerState.Velocity = FastestSpeed;
  std::vector<std::uint32_t> shown;
  Host->OnSegmentEnd = [&] {
    shown = Host->Capture();
    return false;
  };
  ASSERT_TRUE(StartSegment(0));
  ASSERT_TRUE(Host->PumpUntil([&] { return Host->SegmentEnds == 1; }, 10000));
  Stop();
  const TPicturePlacement p = Placement.Load();
  TReferencePicture last(segment, ChangingSquare(Frames - 1), {});
  const auto expected = last.Place(p, Host->ClientWidth(), Host->ClientHeight(), shown);
  EXPECT_EQ(CountDifferences(shown, expected, Host->ClientWidth(), p.ImageLeft, p.ImageTop,
                             p.ImageLeft + 64, p.ImageTop + 48),
            0);
}

// 8 bits on an 8-bit screen: the picture's palette is realised, so the system palette holds
// every colour the last frame uses. (The pixels read back from Wine's 8-bit X screen come out
// matched to a colour cube of its own, whatever palette is realised, so they are not compared.)
TEST_F(Playback, EightBitSegmentRealisesItsPaletteOnAnEightBitScreen) {
  if (ScreenBits() != 8) GTEST_SKIP() << "needs an 8-bit X screen (QUILLO_XVFB_SCREEN=1024x768x8)";
  LoadDemo();
  Host = std::make_unique<TPlaybackHost>(1023, 734);
  PlayerState.Velocity = FastestSpeed;
  TSegmentInfo& segment = *Engine.List.Get(2);
  ASSERT_EQ(segment.BitsPerPixel, 8);
  int missing = -1;
  Host->OnSegmentEnd = [&] {
    NQuillo::NDemo::TCanvas canvas(segment.Width, segment.Height);
    Scenes[2]->Render(segment.FrameCount - 1, canvas);
    std::vector<std::uint8_t> indices;
    canvas.ToPicture(8, indices);
    const auto palette = PaletteAtFrame(segment, segment.FrameCount - 1);
    PALETTEENTRY system[256]{};
    HDC dc = GetDC(Host->Handle());
    GetSystemPaletteEntries(dc, 0, 256, system);
    ReleaseDC(Host->Handle(), dc);
    std::array<bool, 256> used{};
    for (std::uint8_t i : indices) used[i] = true;
    missing = 0;
    for (std::size_t e = 0; e < 256; ++e) {
      if (!used[e]) continue;
      bool found = false;
      for (const PALETTEENTRY& s : system)
        found |= (static_cast<std::uint32_t>(s.peRed) << 16 | s.peGreen << 8 | s.peBlue) == palette[e];
      missing += !found;
    }
    return false;
  };
  ASSERT_TRUE(StartSegment(2));
  ASSERT_TRUE(Host->PumpUntil([&] { return Host->SegmentEnds == 1; }, 20000));
  EXPECT_EQ(missing, 0);
  EXPECT_NE(Display.hPalette.Get(), nullptr);
  Stop();
}

// 32 bits on a 16-bit screen: the picture is kept in the screen's format, so it matches at the
// screen's 5-6-5 precision.
TEST_F(Playback, TrueColourSegmentOnASixteenBitScreen) {
  if (ScreenBits() != 16) GTEST_SKIP() << "needs a 16-bit X screen (QUILLO_XVFB_SCREEN=1024x768x16)";
  LoadDemo();
  Host = std::make_unique<TPlaybackHost>(1023, 734);
  PlayerState.Velocity = FastestSpeed;
  Host->OnSegmentEnd = [&] {
    const TPicturePlacement p = Placement.Load();
    TSegmentInfo& segment = *Engine.List.Get(0);
    const auto shown = Host->Capture();
    const int w = Host->ClientWidth(), h = Host->ClientHeight();
    const auto expected = DemoPicture(0, segment.FrameCount - 1, segment.FrameCount - 1)->Place(p, w, h, shown);
    EXPECT_EQ(CountDifferences(shown, expected, w, p.ImageLeft, p.ImageTop, p.ImageLeft + segment.Width,
                               p.ImageTop + segment.Height, 0xF8FCF8),
              0);
    ++Compared;
    return false;
  };
  ASSERT_TRUE(StartSegment(0));
  ASSERT_TRUE(Host->PumpUntil([&] { return Host->SegmentEnds == 1; }, 20000));
  EXPECT_EQ(Compared, 1);
  Stop();
}

// The bitmaps are kept from one start to the next when nothing changed and made anew when the
// size or a depth did; a mark in the XOR frame's spare row, which no start clears, tells.
TEST_F(Playback, BitmapsAreKeptOrMadeAnew) {
  LoadDemo();
  Host = std::make_unique<TPlaybackHost>(1023, 734);
  PlayerState.Velocity = 0;
  auto startMarked = [&](std::int32_t s) {
    EXPECT_TRUE(StartSegment(s));
    SetTimerActive(false);
    const bool kept = Display.PXorFrame[Display.Geometry.XorFrameBytes() - 1] == 0xA5;
    Display.PXorFrame[Display.Geometry.XorFrameBytes() - 1] = 0xA5;
    return kept;
  };
  const bool sameDepth = ScreenBits() == 32;
  startMarked(0);
  EXPECT_EQ(startMarked(0), sameDepth); // a 32-bit movie keeps its bitmaps on a 32-bit screen only
  EXPECT_FALSE(startMarked(1));         // another size and depth
  EXPECT_FALSE(startMarked(1));         // 24 bits never match the screen's format here
  EXPECT_FALSE(startMarked(0));
  Stop();
}
