#include "ui/UtqBottomPanel.h"

#include <gtest/gtest.h>

namespace {
const std::vector<TSegmentTiming> TwoSegments = {{406, 10}, {1084, 10}};

std::string Speed(float factor) {
  return SpeedText(factor, ".", ",");
}
} // namespace

TEST(PanelTimeReadout, ElapsedAndTotalOverEverySegment) {
  // 40.6 s before the current segment, 10 s into it, 149 s in all.
  TTimeReadout r = ComputeTimeReadout(TwoSegments, 1, 99, 10, "x1.0");
  EXPECT_EQ(r.TimeLine, "x1.0    00:00:50 | 00:02:29");
  EXPECT_EQ(r.Progress, 34);

  r = ComputeTimeReadout(TwoSegments, 0, -1, 10, "x1.0");
  EXPECT_EQ(r.TimeLine, "x1.0    00:00:00 | 00:02:29");
  EXPECT_EQ(r.Progress, 0);

  r = ComputeTimeReadout({}, 0, 5, 10, "x0.5");
  EXPECT_EQ(r.TimeLine, "x0.5    00:00:00 | 00:00:00");
  EXPECT_EQ(r.Progress, 0);

  r = ComputeTimeReadout({{800, 10}}, 0, 49, 10, Speed(1.0f));
  EXPECT_EQ(r.TimeLine, "x1.0    00:00:05 | 00:01:20");

  // The last frame of the movie fills the bar.
  EXPECT_EQ(ComputeTimeReadout(TwoSegments, 1, 1083, 10, "").Progress, 100);
}

TEST(PanelTimeReadout, ProgressRoundsHalvesToEven) {
  // 1 of 8 frames is 12.5 %, 3 of 8 is 37.5 %.
  EXPECT_EQ(ComputeTimeReadout({{8, 1}}, 0, 0, 1, "").Progress, 12);
  EXPECT_EQ(ComputeTimeReadout({{8, 1}}, 0, 2, 1, "").Progress, 38);
}

TEST(PanelTimeReadout, ASegmentWithoutFrameRateHasNoLength) {
  // Neither a division by zero nor an infinite time: that segment counts as 0 s.
  TTimeReadout r = ComputeTimeReadout({{406, 10}, {50, 0}, {100, 10}}, 1, 20, 0, "x1.0");
  EXPECT_EQ(r.TimeLine, "x1.0    00:00:40 | 00:00:50");
  EXPECT_EQ(r.Progress, 80); // 40.6 of 50.6 s
  r = ComputeTimeReadout({{50, 0}}, 0, 20, 0, "x1.0");
  EXPECT_EQ(r.TimeLine, "x1.0    00:00:00 | 00:00:00");
  EXPECT_EQ(r.Progress, 0);
}

TEST(PanelTimeReadout, ClockOfADay) {
  EXPECT_EQ(ClockText(0), "00:00:00");
  EXPECT_EQ(ClockText(50.6), "00:00:50");
  EXPECT_EQ(ClockText(59.9996), "00:01:00") << "rounded to milliseconds before the fraction goes";
  EXPECT_EQ(ClockText(59.9994), "00:00:59");
  EXPECT_EQ(ClockText(3600 * 23 + 60 * 59 + 59), "23:59:59");
  EXPECT_EQ(ClockText(86400 + 3661), "01:01:01") << "a day and more wraps";
  EXPECT_EQ(ClockText(86399.9999), "00:00:00") << "rounding up to a whole day wraps too";
}

TEST(PanelSpeedText, TheNineSpeeds) {
  const float factors[] = {0.1f, 0.25f, 0.5f, 1.0f, 2.0f, 3.0f, 5.0f, 10.0f, 1000.0f};
  const char* const texts[] = {"x0.1", "x0.25", "x0.5",  "x1.0",    "x2.0",
                               "x3.0", "x5.0",  "x10.0", "x1,000.0"};
  for (std::size_t i = 0; i < 9; ++i)
    EXPECT_EQ(Speed(factors[i]), texts[i]);
  EXPECT_EQ(SpeedText(1000.0f, ",", "\xA0"), "x1\xA0"
                                             "000,0")
      << "the user's separators";
  EXPECT_EQ(SpeedText(1234567.0f, ".", "'"), "x1'234'567.0");
}

TEST(PanelFormatLine, SizeDepthAndRate) {
  EXPECT_EQ(FormatLineText(1024, 735, 32, 10), "1024 x 735 x 32 / 10 fps");
  EXPECT_EQ(FormatLineText(600, 400, 32, 12), "600 x 400 x 32 / 12 fps");
}

TEST(PanelGeometry, NothingOverlapsAt600By40) {
  const TPanelGeometry g = PanelGeometry(600, PanelHeight, 100);
  auto overlaps = [](const TRect& a, const TRect& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
  };
  // Play and Pause share one place; every other pair stays apart.
  EXPECT_EQ(g.Buttons[0].Left, g.Buttons[1].Left);
  EXPECT_EQ(g.Buttons[0].Left, 8);
  EXPECT_EQ(g.Buttons[6].Right, 188);
  EXPECT_EQ(g.Buttons[0].Top, 8);
  EXPECT_EQ(g.Buttons[0].Bottom, 32);
  const TRect strip = {g.TopStrip[0].X, g.TopStrip[0].Y, g.TopStrip[1].X, g.TopStrip[2].Y};
  std::vector<TRect> parts(g.Buttons.begin() + 1, g.Buttons.end());
  parts.insert(parts.end(), {strip, g.ProgressFrame, g.Slider, g.Title});
  for (std::size_t i = 0; i < parts.size(); ++i)
    for (std::size_t j = i + 1; j < parts.size(); ++j)
      EXPECT_FALSE(overlaps(parts[i], parts[j])) << i << " and " << j;

  EXPECT_EQ(strip.Left, 194);
  EXPECT_EQ(strip.Bottom, 16);
  EXPECT_EQ(g.ProgressFrame.Left, 210);
  EXPECT_EQ(g.ProgressFrame.Right, 314);
  EXPECT_EQ(g.ProgressFrame.Top, 23);
  EXPECT_EQ(g.ProgressFrame.Bottom, 33);
  EXPECT_EQ(g.Slider.Left, 322);
  EXPECT_EQ(g.Slider.Right, 392);
  EXPECT_EQ(g.Slider.Top, 18);
  EXPECT_EQ(g.Slider.Bottom, 38);
  EXPECT_EQ(g.Title.Left, 400);
  EXPECT_EQ(g.Title.Top, 21);
  EXPECT_EQ(g.Title.Bottom, 37);
  EXPECT_EQ(g.TimeText.Left, 429);
  EXPECT_EQ(g.TimeText.Right, 598);
  // A full bar fills the inside of its frame exactly, one pixel of white on each side.
  EXPECT_EQ(g.ProgressBar.Left, g.ProgressFrame.Left + 2);
  EXPECT_EQ(g.ProgressBar.Right, g.ProgressFrame.Right - 2);
  EXPECT_EQ(PanelGeometry(600, PanelHeight, 0).ProgressBar.Right, 212);
}
