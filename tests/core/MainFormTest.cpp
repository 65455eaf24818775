#include "app/MainForm.h"
#include "engine/UtqPlayerState.h"
#include "movie/tqSegments.h"

#include <gtest/gtest.h>

#include <memory>

namespace {
TRect Held(TRect r) {
  ApplyMinimumSize(r);
  return r;
}

TEST(MainFormLayout, ChildrenFollowTheClientAreaAndThePanel) {
  const TRect withPanel = SegmentListBounds(800, 500, true);
  EXPECT_EQ(withPanel.Right, 400);
  EXPECT_EQ(withPanel.Bottom, 460);
  EXPECT_EQ(SegmentListBounds(800, 500, false).Bottom, 500);
  const TRect panel = PanelBounds(800, 500);
  EXPECT_EQ(panel.Left, 0);
  EXPECT_EQ(panel.Top, 460);
  EXPECT_EQ(panel.Right, 800);
  EXPECT_EQ(panel.Bottom, 500);
}

TEST(MainFormLayout, PanelShowsWithinFifteenPixelsOfTheBottom) {
  EXPECT_TRUE(PanelShownForMouse(490, 500));  // 10 above
  EXPECT_TRUE(PanelShownForMouse(485, 500));  // 15 above
  EXPECT_FALSE(PanelShownForMouse(484, 500)); // 16 above
  EXPECT_FALSE(PanelShownForMouse(480, 500)); // 20 above
  EXPECT_FALSE(PanelShownForMouse(0, 500));
}

TEST(MainFormLayout, DragsAreHeldAtTheMinimumFromEveryEdge) {
  const TRect small = Held(TRect{100, 50, 400, 250}); // 300 x 200
  EXPECT_EQ(small.Left, 100);
  EXPECT_EQ(small.Top, 50);
  EXPECT_EQ(small.Right, 700);
  EXPECT_EQ(small.Bottom, 450);
  // The left edge dragged right past the minimum: the right edge follows.
  const TRect fromLeft = Held(TRect{500, 0, 900, 600});
  EXPECT_EQ(fromLeft.Right, 1100);
  EXPECT_EQ(fromLeft.Bottom, 600);
  const TRect large = Held(TRect{0, 0, 601, 401});
  EXPECT_EQ(large.Right, 601);
  EXPECT_EQ(large.Bottom, 401);
}

TEST(MainFormLayout, SavedPlacementIsTheTrueExtent) {
  const TSavedPlacement p = PlacementOf(TRect{10, 20, 610, 420}, false);
  EXPECT_EQ(p.X, 10);
  EXPECT_EQ(p.Y, 20);
  EXPECT_EQ(p.Width, 600);
  EXPECT_EQ(p.Height, 400);
  EXPECT_FALSE(p.PanelVisible);
}

TEST(MainFormCommands, StatesFollowThePlayState) {
  const TCommandStates stopped = CommandStatesFor(psStopped, true, true, false);
  EXPECT_TRUE(stopped.OpenEnabled);
  EXPECT_TRUE(stopped.StopChecked);
  EXPECT_FALSE(stopped.PlayChecked || stopped.PauseChecked);
  EXPECT_TRUE(stopped.PanelChecked);
  EXPECT_FALSE(stopped.FullScreenChecked);
  EXPECT_FALSE(CommandStatesFor(psStopped, false, true, false).OpenEnabled);

  const TCommandStates playing = CommandStatesFor(psPlaying, true, false, true);
  EXPECT_FALSE(playing.OpenEnabled);
  EXPECT_TRUE(playing.PlayChecked);
  EXPECT_FALSE(playing.PauseChecked || playing.StopChecked);
  EXPECT_FALSE(playing.PanelChecked);
  EXPECT_TRUE(playing.FullScreenChecked);

  const TCommandStates paused = CommandStatesFor(psPaused, true, true, false);
  EXPECT_FALSE(paused.OpenEnabled);
  EXPECT_TRUE(paused.PauseChecked);
  EXPECT_FALSE(paused.PlayChecked || paused.StopChecked);
}

TEST(MainFormTexts, TitleAndFileInformation) {
  EXPECT_EQ(FileNameOf("C:\\movies\\demo.exe"), "demo.exe");
  EXPECT_EQ(FileNameOf("demo.exe"), "demo.exe");
  EXPECT_EQ(MainTitle("demo.exe"), "Quillo v1.5 - [demo.exe]");

  TSegmentList list;
  auto one = std::make_unique<TSegmentInfo>();
  one->Name = "\xD1\xE5\xE3\xEC\xE5\xED\xF2 1";
  one->Width = 1024;
  one->Height = 735;
  one->BitsPerPixel = 32;
  one->FramesPerSecond = 10;
  list.Add(std::move(one));
  auto two = std::make_unique<TSegmentInfo>();
  two->Name = "100% %s";
  two->Width = 640;
  two->Height = 480;
  two->BitsPerPixel = 8;
  two->FramesPerSecond = 25;
  list.Add(std::move(two));
  const std::string line = "%s:  [%d x %d x %d \xE1\xE8\xF2 / %d fps]\r";
  EXPECT_EQ(FileInfoText("C:\\q.exe", list, line),
            "C:\\q.exe\r\r\xCA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE "
            "\xF1\xE5\xE3\xEC\xE5\xED\xF2\xEE\xE2: 2\r\r"
            "\xD1\xE5\xE3\xEC\xE5\xED\xF2 1:  [1024 x 735 x 32 \xE1\xE8\xF2 / 10 fps]\r"
            "100% %s:  [640 x 480 x 8 \xE1\xE8\xF2 / 25 fps]\r");
}
} // namespace
