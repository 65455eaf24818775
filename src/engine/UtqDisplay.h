// The picture's place in the main window and the display state that the tick draws with.
//
// The arithmetic is here, free of the window system, so that it is the same on every build and
// tested natively; the bitmaps, the palette and the copies to the window are in UtqDisplay_win.
#pragma once

#include "UtqFrameCodec.h"

#include <atomic>
#include <cstdint>

// The bottom panel's strip, taken from the picture area while the panel shows.
constexpr std::int32_t PanelHeight = 40;

// Nearest integer, halves to the even neighbour.
std::int32_t RoundHalfEven(double value);

struct TRect32 {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;
};

// Where the picture goes inside an area: centred at its own size, or scaled down to fit.
struct TPicturePlacement {
  bool Stretched = false;
  float Scale = 1.0f;
  std::int32_t ImageLeft = 0;
  std::int32_t ImageTop = 0;
  std::int32_t ImageWidth = 0;
  std::int32_t ImageHeight = 0;
};

// The picture area of a client rectangle: its extent counted inclusively (right - left + 1),
// less the panel's strip when the panel shows.
void PictureArea(const TRect32& client, bool panelVisible, std::int32_t& width,
                 std::int32_t& height);

// Centres the picture in an area of width x height, scaling it down (never up) when it does
// not fit.
TPicturePlacement PlacePicture(std::int32_t areaWidth, std::int32_t areaHeight,
                               std::int32_t frameWidth, std::int32_t frameHeight);

// What a stopped player does to a window too small for the picture.
enum class TGrowth : std::uint8_t { None, Move, Maximise };
struct TWindowGrowth {
  TGrowth Kind = TGrowth::None;
  TRect32 Window; // for Move: the new window rectangle (Right, Bottom exclusive)
};
// Grows the window by what the area lacks, keeping its centre and staying on the screen; a
// window that would not fit the screen is maximised instead.
TWindowGrowth GrowWindowForPicture(const TRect32& window, std::int32_t areaWidth,
                                   std::int32_t areaHeight, std::int32_t frameWidth,
                                   std::int32_t frameHeight, std::int32_t screenWidth,
                                   std::int32_t screenHeight);

// The placement that the tick reads while the main thread may lay the picture out anew (a
// resize while playing); each field is read whole, and a mix of old and new lasts one frame.
struct TPlacementState {
  std::atomic<bool> Stretched{false};
  std::atomic<float> Scale{1.0f};
  std::atomic<std::int32_t> ImageLeft{0};
  std::atomic<std::int32_t> ImageTop{0};
  std::atomic<std::int32_t> ImageWidth{0};
  std::atomic<std::int32_t> ImageHeight{0};

  void Store(const TPicturePlacement& p);
  TPicturePlacement Load() const;
};
extern TPlacementState Placement;
