#include "ui/tqSlider.h"
#include "ui/UtqCommon.h"
#include "ui/tqControls.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {
// The bottom panel's speed slider: 70 pixels wide, range 0 to 8.
constexpr std::int32_t PanelWidth = 70;

class TCountingEvents : public TSliderEvents {
public:
  void Invalidate() override { ++Invalidated; }
  void Changed() override {
    ++Notified;
    if (ThrowOnChange) throw std::runtime_error("owner failed");
  }
  int Invalidated = 0;
  int Notified = 0;
  bool ThrowOnChange = false;
};

class SliderModel : public ::testing::Test {
protected:
  SliderModel() {
    Slider.Reset();
    Slider.SetMax(8);
  }
  void ResetCounts() { Events.Invalidated = Events.Notified = 0; }
  TCountingEvents Events;
  TSliderModel Slider{Events};
};
} // namespace

TEST_F(SliderModel, ThumbOffsetsOfThePanelSliderRoundTiesToEven) {
  const std::int32_t expected[] = {0, 7, 14, 20, 27, 34, 40, 47, 54};
  for (std::int32_t p = 0; p <= 8; ++p) {
    Slider.FPosition = p;
    EXPECT_EQ(Slider.PositionToThumb(PanelWidth), expected[p]) << "position " << p;
  }
  // An empty range or a control narrower than the thumb gives the lowest position.
  Slider.FPosition = 5;
  EXPECT_EQ(Slider.PositionToThumb(15), 0);
  Slider.SetMax(0);
  EXPECT_EQ(Slider.PositionToThumb(PanelWidth), 0);
}

TEST_F(SliderModel, SetPositionMovesTheThumbAndNotifiesTwice) {
  Slider.SetPosition(3, PanelWidth);
  EXPECT_EQ(Slider.FPosition, 3);
  EXPECT_EQ(Slider.FThumbPos, 20);
  EXPECT_EQ(Events.Notified, 2) << "once from the thumb, once from the position";
  EXPECT_EQ(Events.Invalidated, 1);

  ResetCounts();
  Slider.SetPosition(99, PanelWidth);
  EXPECT_EQ(Slider.FPosition, 8);
  EXPECT_EQ(Slider.FThumbPos, 54);
  EXPECT_EQ(Events.Notified, 2);
}

TEST_F(SliderModel, AnUnchangedPositionNeitherMovesNorNotifies) {
  Slider.SetPosition(8, PanelWidth);
  ResetCounts();
  Slider.SetPosition(8, PanelWidth);
  Slider.SetPosition(12, PanelWidth); // clamps to the current value
  EXPECT_EQ(Events.Notified, 0);
  EXPECT_EQ(Events.Invalidated, 0);
  Slider.SetPosition(-4, PanelWidth);
  EXPECT_EQ(Slider.FPosition, 0);
  EXPECT_EQ(Slider.FThumbPos, 0);
}

TEST_F(SliderModel, DraggingFollowsThePixelAndDerivesThePosition) {
  Slider.SetThumbPos(30, PanelWidth);
  EXPECT_EQ(Slider.FThumbPos, 30) << "not snapped to the step";
  EXPECT_EQ(Slider.FPosition, 4); // Round(30 / 54 * 8)
  EXPECT_EQ(Events.Notified, 2) << "the move and the new position";
  EXPECT_FALSE(Slider.FUpdating);

  // One pixel back: the same position, so only the move is heard of.
  ResetCounts();
  Slider.SetThumbPos(29, PanelWidth);
  EXPECT_EQ(Slider.FPosition, 4);
  EXPECT_EQ(Events.Notified, 1);
  EXPECT_EQ(Events.Invalidated, 1);

  // A position from the thumb does not move the thumb back onto the step.
  Slider.SetThumbPos(33, PanelWidth);
  EXPECT_EQ(Slider.FPosition, 5);
  EXPECT_EQ(Slider.FThumbPos, 33);
}

TEST_F(SliderModel, OffsetsClampToTheTrackButStillNotify) {
  Slider.SetThumbPos(-5, PanelWidth); // -5 clamps to 0, where the thumb already is
  EXPECT_EQ(Slider.FThumbPos, 0);
  EXPECT_EQ(Events.Invalidated, 0);
  EXPECT_EQ(Events.Notified, 1);

  ResetCounts();
  Slider.SetThumbPos(500, PanelWidth);
  EXPECT_EQ(Slider.FThumbPos, 54);
  EXPECT_EQ(Slider.FPosition, 8);
  ResetCounts();
  Slider.SetThumbPos(54, PanelWidth); // the same offset: nothing at all
  EXPECT_EQ(Events.Notified, 0);
  Slider.SetThumbPos(60, PanelWidth);
  EXPECT_EQ(Events.Notified, 1);
  EXPECT_EQ(Events.Invalidated, 0);
}

TEST_F(SliderModel, ALowerMaximumLeavesThePositionUntilTheNextNewValue) {
  Slider.SetPosition(8, PanelWidth);
  Slider.SetMax(5);
  EXPECT_EQ(Slider.FPosition, 8);
  Slider.SetPosition(8, PanelWidth);
  EXPECT_EQ(Slider.FPosition, 8);
  Slider.SetPosition(7, PanelWidth);
  EXPECT_EQ(Slider.FPosition, 5);
}

TEST_F(SliderModel, AFailingOwnerDoesNotLeaveTheSliderUpdating) {
  Events.ThrowOnChange = true;
  EXPECT_THROW(Slider.SetThumbPos(40, PanelWidth), std::runtime_error);
  EXPECT_FALSE(Slider.FUpdating);
  EXPECT_EQ(Slider.FPosition, 6);
  EXPECT_EQ(Slider.FThumbPos, 40);
  // With the flag cleared, a position from the program moves the thumb again.
  Events.ThrowOnChange = false;
  Slider.SetPosition(2, PanelWidth);
  EXPECT_EQ(Slider.FThumbPos, 14);
}

TEST(ControlGeometry, AnchoredEdgesStayPut) {
  TControlGeometry g;
  g.FLeft = 10;
  g.FTop = 20;
  g.FWidth = 100;
  g.FHeight = 50;
  g.FRightSpace = 30;
  g.FBottomSpace = 40;
  TControlGeometry plain = g;
  plain.StoreLeft(5);
  plain.StoreWidth(120);
  EXPECT_EQ(plain.FWidth, 120);
  EXPECT_EQ(plain.FRightSpace, 30);

  g.FAnchors = akRight | akBottom;
  g.StoreLeft(4); // the right edge stays at 110
  EXPECT_EQ(g.FLeft, 4);
  EXPECT_EQ(g.FWidth, 106);
  g.StoreWidth(100); // six pixels more room on the right
  EXPECT_EQ(g.FRightSpace, 36);
  g.StoreTop(30);
  EXPECT_EQ(g.FHeight, 40);
  g.StoreHeight(45);
  EXPECT_EQ(g.FBottomSpace, 35);

  g.StoreSizingRect(3, 4, 12, 8);
  EXPECT_EQ(g.FWidth, 10);
  EXPECT_EQ(g.FHeight, 5);
}

TEST(MakeRect, BothCornersLieInside) {
  const TRect r = MakeRect(100, 1, -170, 20);
  EXPECT_EQ(r.Left, -69);
  EXPECT_EQ(r.Right, 100);
  EXPECT_EQ(r.Top, 1);
  EXPECT_EQ(r.Bottom, 20);
  const TRect e = MakeRect(10, 10, 0, 0);
  EXPECT_EQ(e.Right, 9);
  EXPECT_EQ(e.Bottom, 9);
  const TRect n = MakeRect(75, 60, 150, -81);
  EXPECT_EQ(n.Right, 224);
  EXPECT_EQ(n.Top, -20);
  EXPECT_EQ(n.Bottom, 60);
}
