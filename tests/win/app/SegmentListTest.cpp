// The segment list of the main window made in this process, driven by real key and mouse
// messages through the program's own message loop while the demo plays.
#include "MainWindowFixture.h"
#include "engine/UtqPlayerState.h"
#include "resources/tqResourceIds.h"
#include "shell/WindowPixels.h"
#include "ui/UtqBottomPanel_win.h"
#include "ui/UtqSegmentList_win.h"

#include <string>
#include <vector>

namespace {
class SegmentListWindowTest : public TMainWindowFixture {
protected:
  // The demo playing its first segment, the list opened by its command.
  void OpenWhilePlaying() {
    OpenDemo();
    Command(CM_PLAY);
    ASSERT_TRUE(PlayingFrames(3));
    Command(CM_SEGMENTS);
    PumpFor(20);
    ASSERT_TRUE(IsWindowVisible(SegmentListBox));
  }
  // A key pressed and released on the list box, as the keyboard sends it.
  void Key(WPARAM key) {
    PostMessageA(SegmentListBox, WM_KEYDOWN, key, 1);
    PostMessageA(SegmentListBox, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
    PumpFor(30);
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    const auto count = static_cast<int>(SendMessageA(SegmentListBox, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      std::string line(static_cast<std::size_t>(
                           SendMessageA(SegmentListBox, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)),
                       '\0');
      SendMessageA(SegmentListBox, LB_GETTEXT, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(line.data()));
      lines.push_back(line);
    }
    return lines;
  }
  // The list closed, the keyboard on the Segments button, and nothing checked.
  void ExpectClosed() {
    EXPECT_FALSE(MainForm.SegmentListVisible);
    EXPECT_FALSE(IsWindowVisible(SegmentListWindow));
    EXPECT_EQ(GetFocus(), SegmentsButton);
    EXPECT_NE(SendMessageA(SegmentsButton, BM_GETCHECK, 0, 0), BST_CHECKED);
  }
};

TEST_F(SegmentListWindowTest, OpensOnTheCurrentSegmentAndDownThenEnterPlaysTheNextFromItsStart) {
  OpenWhilePlaying();
  const std::vector<std::string> expected{SegmentList->Get(0)->Name, SegmentList->Get(1)->Name,
                                          SegmentList->Get(2)->Name};
  EXPECT_EQ(Lines(), expected);
  EXPECT_EQ(SendMessageA(SegmentListBox, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(GetFocus(), SegmentListBox);
  EXPECT_EQ(SendMessageA(SegmentsButton, BM_GETCHECK, 0, 0), BST_CHECKED);

  Key(VK_DOWN);
  EXPECT_EQ(SendMessageA(SegmentListBox, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(PlayerState.CurrentSegment, 0); // moving the selection plays nothing yet
  Key(VK_RETURN);
  EXPECT_EQ(PlayerState.CurrentSegment, 1);
  EXPECT_EQ(PlayerState.PlayState, psPlaying);
  EXPECT_LT(PlayerState.FrameIndex, 3);
  ExpectClosed();
}

TEST_F(SegmentListWindowTest, EscClosesTheListWithoutAChange) {
  OpenWhilePlaying();
  Key(VK_DOWN);
  Key(VK_DOWN);
  Key(VK_ESCAPE);
  EXPECT_EQ(PlayerState.CurrentSegment, 0);
  EXPECT_EQ(PlayerState.PlayState, psPlaying);
  ExpectClosed();
  // Opened again, it shows the current segment, not the line left selected.
  Command(CM_SEGMENTS);
  EXPECT_EQ(SendMessageA(SegmentListBox, LB_GETCURSEL, 0, 0), 0);
}

TEST_F(SegmentListWindowTest, ADoubleClickPlaysThatLineAndEqualNamesGoByPosition) {
  OpenDemo();
  SegmentList->Get(1)->Name = SegmentList->Get(2)->Name;
  Command(CM_SEGMENTS);
  ASSERT_EQ(Lines()[1], Lines()[2]);
  RECT line{};
  SendMessageA(SegmentListBox, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&line));
  const LPARAM at = MAKELPARAM(line.left + 5, (line.top + line.bottom) / 2);
  PostMessageA(SegmentListBox, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(SegmentListBox, WM_LBUTTONUP, 0, at);
  PostMessageA(SegmentListBox, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageA(SegmentListBox, WM_LBUTTONUP, 0, at);
  ASSERT_TRUE(PumpUntil([] { return PlayerState.PlayState == psPlaying; }, 5000));
  EXPECT_EQ(PlayerState.CurrentSegment, 2);
  EXPECT_FALSE(MainForm.SegmentListVisible);
}

TEST_F(SegmentListWindowTest, AGreyFrameAndTitleBarWithTheCaptionSitAboveTheListBox) {
  OpenDemo();
  Command(CM_SEGMENTS);
  PumpFor(30);
  RECT box{};
  GetWindowRect(SegmentListBox, &box);
  MapWindowPoints(nullptr, SegmentListWindow, reinterpret_cast<POINT*>(&box), 2);
  const TWindowPixels p = CaptureClient(SegmentListWindow);
  EXPECT_EQ(box.left, 4);
  EXPECT_EQ(box.top, 24);
  EXPECT_EQ(box.right, p.Width - 4);
  EXPECT_EQ(box.bottom, p.Height - 4);

  constexpr std::uint32_t grey = Rgb(0x888080);
  EXPECT_EQ(p.At(0, p.Height / 2), grey);           // the frame
  EXPECT_EQ(p.At(p.Width - 1, 10), grey);
  EXPECT_EQ(p.At(2, 10), 0xFFFFFFu);                 // the background inside it
  EXPECT_EQ(p.At(4, 4), grey);                      // the title bar's corners
  EXPECT_EQ(p.At(p.Width - 5, 21), grey);
  EXPECT_EQ(p.At(p.Width - 4, 21), 0xFFFFFFu);
  int caption = 0; // white letters on the bar, from x 6 on
  for (int y = 4; y < 22; ++y)
    for (int x = 4; x < p.Width - 4; ++x)
      if (p.At(x, y) == 0xFFFFFF) {
        EXPECT_GE(x, 6);
        ++caption;
      }
  EXPECT_GT(caption, 20);
}
} // namespace
