// The real player driven for a long time through its menu commands and its panel, as a person
// would: the transport at the highest speed, whole plays of the demo, and the segment list, the
// panel and full screen toggled along the way. Nothing may hang, no box may appear, and its
// threads, kernel handles and memory must stay flat.
#include "driver/PlayerProcess.h"
#include "resources/tqResourceIds.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {
int CountFromEnvironment(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

class QuilloSoak : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(CountWindows("TQAPP"), 0);
    ASSERT_TRUE(Temp.Created());
    Player = std::make_unique<TProcess>(WinePath(QUILLO_DEMO_EXE), "");
    ASSERT_TRUE(Player->Started());
    Window = Player->WaitWindow();
    ASSERT_NE(Window, nullptr);
    const HWND panel = FindWindowExA(Window, nullptr, "tqBottomPanel", nullptr);
    ASSERT_NE(panel, nullptr);
    PlayButton = FindWindowExA(panel, nullptr, "Button", nullptr);
    PauseButton = FindWindowExA(panel, PlayButton, "Button", nullptr);
    Slider = FindWindowExA(panel, nullptr, "tqSlider", nullptr);
    ASSERT_NE(PauseButton, nullptr);
    ASSERT_NE(Slider, nullptr);
    // The demo starts by itself; the speed slider is then pulled to its right end, x1000.
    ASSERT_TRUE(WaitUntil([&] { return Playing(); }, 20000));
    RECT r{};
    GetClientRect(Slider, &r);
    ClickAt(Slider, r.right - 1, r.bottom / 2);
  }
  void TearDown() override {
    if (Player == nullptr) return;
    PostMessageA(Window, WM_CLOSE, 0, 0);
    EXPECT_EQ(Player->WaitExit(10000), 0u);
    Player.reset();
    EXPECT_EQ(Temp.Files(), std::set<std::string>{}) << "temporary files left";
  }

  bool Playing() const { return IsWindowVisible(PauseButton) && !IsWindowVisible(PlayButton); }
  bool Stopped() const { return IsWindowVisible(PlayButton) && !IsWindowVisible(PauseButton); }
  // A command that the player did not take in time counts as a hang; a box it showed is
  // counted and closed, so that the run goes on.
  void Give(UINT id) {
    if (!GiveCommand(Window, id)) ++Hangs;
    if (HWND box = Player->Window("#32770")) {
      ++Boxes;
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      WaitUntil([&] { return Player->Window("#32770") == nullptr; }, 5000);
    }
  }
  // Stopped, its threads given time to end.
  TProcessCounts StoppedCounts(int threadsAtMost) {
    Give(CM_STOP);
    TProcessCounts c = CountsOf(Player->Id(), Player->Handle());
    for (const DWORD start = GetTickCount(); c.Threads > threadsAtMost && GetTickCount() - start < 5000;
         Sleep(50))
      c = CountsOf(Player->Id(), Player->Handle());
    return c;
  }

  TOwnTempFolder Temp;
  std::unique_ptr<TProcess> Player;
  HWND Window = nullptr;
  HWND PlayButton = nullptr;
  HWND PauseButton = nullptr;
  HWND Slider = nullptr;
  int Hangs = 0;
  int Boxes = 0;
};

TEST_F(QuilloSoak, ThousandsOfCommandsAndWholePlaysLeaveThePlayerAsItWas) {
  const int cycles = CountFromEnvironment("QUILLO_SOAK_CYCLES", 200);
  const int plays = CountFromEnvironment("QUILLO_SOAK_PLAYS", 10);
  const UINT transport[] = {CM_PLAY, CM_PAUSE, CM_PLAY, CM_STOP, CM_NEXT, CM_PREVIOUS};
  const UINT toggles[] = {CM_SEGMENTS, CM_SEGMENTS, CM_PANEL, CM_PANEL, CM_FULLSCREEN,
                          CM_FULLSCREEN};
  const auto cycle = [&](int i) {
    for (UINT id : transport) Give(id);
    if (i % 50 == 0)
      for (UINT id : toggles) Give(id);
  };
  // A first round warms what the player keeps for the rest of its life (fonts, the DC cache).
  for (int i = 0; i < 20; ++i) cycle(i);
  const TProcessCounts before = StoppedCounts(1 << 30);
  ASSERT_GT(before.Threads, 0);

  // While it plays, the reader and the clock have threads of their own.
  Give(CM_PLAY);
  const int threadsPlaying = CountsOf(Player->Id(), Player->Handle()).Threads;
  EXPECT_GT(threadsPlaying, before.Threads);

  const DWORD start = GetTickCount();
  for (int i = 1; i <= cycles; ++i) cycle(i);
  const DWORD cyclesMs = GetTickCount() - start;
  EXPECT_TRUE(Stopped() || Playing());

  int played = 0, unfinished = 0;
  const DWORD playsStart = GetTickCount();
  for (int i = 0; i < plays; ++i) {
    Give(CM_STOP);
    Give(CM_PLAY);
    if (i % 10 == 0)
      for (UINT id : toggles) Give(id);
    // The whole demo, to the stop at its end (not the moment's stop between two segments).
    if (WaitUntilHeld([&] { return Stopped(); }, 500, 60000))
      ++played;
    else
      ++unfinished;
  }
  const DWORD playsMs = GetTickCount() - playsStart;

  const TProcessCounts after = StoppedCounts(before.Threads);
  EXPECT_EQ(Hangs, 0);
  EXPECT_EQ(Boxes, 0);
  EXPECT_EQ(played, plays);
  EXPECT_EQ(unfinished, 0);
  EXPECT_LE(after.Threads, before.Threads);
  EXPECT_LE(after.Handles, before.Handles + 8);
  EXPECT_GT(before.PrivateBytes, 0u);
  EXPECT_LE(after.PrivateBytes, before.PrivateBytes + (8u << 20));
  RecordProperty("cycles", cycles);
  RecordProperty("plays", played);
  std::printf("%d cycles in %lu ms, %d whole plays in %lu ms, %d hangs, %d boxes\n"
              "threads %d stopped (%d playing) -> %d, kernel handles %d -> %d, "
              "private bytes %zu -> %zu\n",
              cycles, static_cast<unsigned long>(cyclesMs), played,
              static_cast<unsigned long>(playsMs), Hangs, Boxes, before.Threads, threadsPlaying,
              after.Threads,
              before.Handles, after.Handles, before.PrivateBytes, after.PrivateBytes);
}
} // namespace
