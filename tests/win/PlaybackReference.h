// What the window must show: the writer's picture of a frame, drawn in the player's format on
// the real GDI, with the recorded cursor over it, placed in a client area as the layout says.
#pragma once

#include "engine/UtqDisplay.h"
#include "engine/UtqOverlay.h"
#include "movie/tqSegments.h"

#include <windows.h>

#include <cstdint>
#include <vector>

struct TCursorStepAt {
  std::uint16_t Shape = 0, X = 0, Y = 0;
};
// Cursor step index of the segment's track, as stored.
TCursorStepAt TrackStep(TSegmentInfo& segment, std::int32_t index);
// The boxes that the step's move presents: from the box of the step before to its own.
TCursorArea StepArea(TSegmentInfo& segment, std::int32_t index, int boxWidth, int boxHeight);

// A picture given as packed rows (1, 3 or 4 bytes a pixel) with its 8-bit colour table, turned
// into the bitmap the player keeps for that depth, with the cursor drawn over it.
class TReferencePicture {
public:
  TReferencePicture(TSegmentInfo& segment, const std::vector<std::uint8_t>& packed,
                    const std::vector<std::uint32_t>& palette);
  TReferencePicture(const TReferencePicture&) = delete;
  TReferencePicture& operator=(const TReferencePicture&) = delete;
  ~TReferencePicture();

  // Draws the shape of the step (none for a shape index outside the list).
  void DrawCursor(const TCursorStepAt& step);
  // The client area of width x height as the window shows it, the picture placed as given; the
  // rest is left as in background.
  std::vector<std::uint32_t> Place(const TPicturePlacement& p, int width, int height,
                                   const std::vector<std::uint32_t>& background) const;
  // Only the boxes of the picture, each copied (or scaled) on its own as the cursor's moves
  // reach the window.
  std::vector<std::uint32_t> PlaceBoxes(const TPicturePlacement& p, int width, int height,
                                        const std::vector<std::uint32_t>& background,
                                        const TCursorArea& area) const;

private:
  std::vector<std::uint32_t> Copy(const TPicturePlacement& p, int width, int height,
                                  const std::vector<std::uint32_t>& background,
                                  const std::vector<TBox>* boxes) const;

  TSegmentInfo& FSegment;
  HDC FDc = nullptr;
  HBITMAP FBitmap = nullptr;
  HGDIOBJ FOld = nullptr;
};

// The palette of the segment's palette changes up to and including frame (0x00RRGGBB).
std::vector<std::uint32_t> PaletteAtFrame(TSegmentInfo& segment, std::int32_t frame);

// Pixels that differ inside the rectangle [left, right) x [top, bottom) of two client areas.
int CountDifferences(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b,
                     int width, int left, int top, int right, int bottom, std::uint32_t mask = 0xFFFFFF);
