#include "ui/UtqBottomPanel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string FormatLineText(std::int32_t width, std::int32_t height, std::int32_t bitsPerPixel,
                           std::int32_t framesPerSecond) {
  char text[64];
  std::snprintf(text, sizeof text, "%d x %d x %d / %d fps", static_cast<int>(width),
                static_cast<int>(height), static_cast<int>(bitsPerPixel),
                static_cast<int>(framesPerSecond));
  return text;
}

std::string SpeedText(float factor, const std::string& decimalSeparator,
                      const std::string& thousandsSeparator) {
  // Hundredths, rounded half away from zero as number formatting does.
  const long long hundredths = std::llround(static_cast<double>(factor) * 100.0);
  const unsigned long long magnitude =
      static_cast<unsigned long long>(hundredths < 0 ? -hundredths : hundredths);
  const std::string digits = std::to_string(magnitude / 100);

  std::string text = hundredths < 0 ? "x-" : "x";
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += thousandsSeparator;
    text += digits[i];
  }
  const unsigned fraction = static_cast<unsigned>(magnitude % 100);
  text += decimalSeparator;
  text += static_cast<char>('0' + fraction / 10);
  if (fraction % 10 != 0) text += static_cast<char>('0' + fraction % 10);
  return text;
}

std::string ClockText(double seconds) {
  constexpr long long msPerDay = 86400000;
  const double ms = std::round(std::fabs(seconds) * 1000.0);
  // Whole days carry into the date, which the clock does not show.
  const long long ofDay = std::isfinite(ms) ? static_cast<long long>(std::fmod(ms, msPerDay)) : 0;
  const long long wholeSeconds = ofDay / 1000;
  const int hours = static_cast<int>(wholeSeconds / 3600);
  const int minutes = static_cast<int>(wholeSeconds / 60 % 60);
  const int secs = static_cast<int>(wholeSeconds % 60);
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", hours, minutes, secs);
  return text;
}

TTimeReadout ComputeTimeReadout(const std::vector<TSegmentTiming>& segments,
                                std::int32_t currentSegment, std::int32_t frameIndex,
                                std::int32_t panelFramesPerSecond, const std::string& speedText) {
  double total = 0;
  double elapsed = 0;
  if (!segments.empty()) {
    for (std::size_t i = 0; i < segments.size(); ++i) {
      if (static_cast<std::int64_t>(i) == currentSegment) elapsed = total;
      if (segments[i].FramesPerSecond != 0)
        total += static_cast<double>(segments[i].FrameCount) / segments[i].FramesPerSecond;
    }
    if (panelFramesPerSecond != 0)
      elapsed += (static_cast<double>(frameIndex) + 1) / panelFramesPerSecond;
  }

  TTimeReadout readout;
  readout.TimeLine = speedText + "    " + ClockText(elapsed) + " | " + ClockText(total);
  if (total != 0) {
    // To nearest, ties to even; never past the ends of the bar's frame.
    const double share = 100.0 * elapsed / total;
    double rounded = std::round(share);
    if (std::fabs(share - std::trunc(share)) == 0.5) rounded = 2.0 * std::round(share / 2.0);
    readout.Progress = static_cast<std::int32_t>(std::clamp(rounded, 0.0, 100.0));
  }
  return readout;
}

TPanelGeometry PanelGeometry(std::int32_t width, std::int32_t height, std::int32_t progress) {
  TPanelGeometry g;
  for (std::size_t i = 0; i < PanelButtons.size(); ++i)
    g.Buttons[i] = {PanelButtons[i].Left, PanelButtonTop, PanelButtons[i].Left + PanelButtonSize,
                    PanelButtonTop + PanelButtonSize};
  g.TopStrip = {{{194, 0}, {width, 0}, {width, 16}, {210, 16}}};
  g.FormatOrigin = {214, 2};
  g.TimeText = MakeRect(width - 2, 1, -170, 20);
  g.ProgressFrame = {210, height - 17, 314, height - 7};
  g.ProgressBar = {212, height - 15, 212 + progress, height - 9};
  g.Slider = {322, 18, 322 + 70, 18 + 20};
  g.Title = {400, height - 19, width - 2, height - 3};
  return g;
}
