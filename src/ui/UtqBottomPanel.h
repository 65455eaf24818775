// The bottom panel's read-outs and geometry: what the panel shows and where, worked out without
// a window so that the texts and places are exact before anything is drawn.
#pragma once

#include "engine/UtqDisplay.h" // PanelHeight
#include "ui/UtqCommon.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The length of one segment as the time read-out sees it.
struct TSegmentTiming {
  std::int32_t FrameCount = 0;
  std::int32_t FramesPerSecond = 0;
};

// The time read-out and the progress bar of one moment of playback.
struct TTimeReadout {
  std::string TimeLine;      // speed, four blanks, elapsed | total
  std::int32_t Progress = 0; // elapsed share of the whole movie in percent, also the bar's width
};

// "%d x %d x %d / %d fps", for example "1024 x 735 x 32 / 10 fps".
std::string FormatLineText(std::int32_t width, std::int32_t height, std::int32_t bitsPerPixel,
                           std::int32_t framesPerSecond);

// A speed factor as "x" followed by the number with thousands separators, at least one integer
// digit and one or two decimals: x0.1, x0.25, x1,000.0 with "." and "," as separators.
std::string SpeedText(float factor, const std::string& decimalSeparator,
                      const std::string& thousandsSeparator);

// A time in seconds as the clock of a day shows it, "hh:nn:ss": rounded to milliseconds first,
// the seconds' fraction then dropped, and 24 hours or more wrapping to the next day.
std::string ClockText(double seconds);

// Elapsed and total time of the movie: every segment before the current one counts whole, the
// current one up to its frame (frameIndex -1: nothing of it yet). A segment whose frame rate is
// 0 has no length that could be told, so it counts as 0 seconds; the elapsed part of the current
// segment follows the panel's copy of the frame rate in the same way.
TTimeReadout ComputeTimeReadout(const std::vector<TSegmentTiming>& segments,
                                std::int32_t currentSegment, std::int32_t frameIndex,
                                std::int32_t panelFramesPerSecond, const std::string& speedText);

// Places on the panel for a client area of W x H.
constexpr std::int32_t PanelButtonCount = 7;

struct TPanelButtonPlace {
  std::int32_t Command;
  std::int32_t Left;
};
// Play, Pause, Stop, Segments, Previous, Next, Full screen: creation and tab order.
constexpr std::array<TPanelButtonPlace, PanelButtonCount> PanelButtons = {
    {{110, 8}, {111, 8}, {112, 36}, {113, 72}, {114, 100}, {115, 128}, {121, 164}}};
constexpr std::int32_t PanelButtonTop = 8;
constexpr std::int32_t PanelButtonSize = 24;

struct TPanelGeometry {
  std::array<TRect, PanelButtonCount> Buttons;
  std::array<TPoint, 4> TopStrip; // filled polygon; the black line runs 0 -> 3 -> 2
  TPoint FormatOrigin;
  TRect TimeText; // right-aligned
  TRect ProgressFrame;
  TRect ProgressBar; // for the given progress
  TRect Slider;
  TRect Title;
};

TPanelGeometry PanelGeometry(std::int32_t width, std::int32_t height, std::int32_t progress);
