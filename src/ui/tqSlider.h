// The arithmetic of the horizontal slider: the position within its range, the thumb's offset
// and the rules for when the owner is told of a change.
#pragma once

#include <cstdint>

// What the slider's window does for the model.
class TSliderEvents {
public:
  virtual ~TSliderEvents() = default;
  virtual void Invalidate() = 0; // repaint the whole control
  virtual void Changed() = 0;    // tell the owner, if it listens
};

class TSliderModel {
public:
  explicit TSliderModel(TSliderEvents& events) : FEvents(events) {}
  TSliderModel(const TSliderModel&) = delete;
  TSliderModel& operator=(const TSliderModel&) = delete;

  // The set-up of a new slider: range 0 to 10, a 16 x 16 thumb at the left end.
  void Reset();

  // The thumb offset for the current position in a control this wide.
  std::int32_t PositionToThumb(std::int32_t width) const;
  // Clamps to the range; moves the thumb unless the position comes from the thumb itself.
  void SetPosition(std::int32_t v, std::int32_t width);
  // Clamps to the track and derives the position from the thumb. The owner hears of every
  // call that asks for another offset, even one that clamps back to where the thumb was.
  void SetThumbPos(std::int32_t x, std::int32_t width);
  // Only the range changes: the position may be left outside it.
  void SetMax(std::int32_t v) { FMax = v; }

  std::int32_t FMin = 0;
  std::int32_t FThumbPos = 0;
  std::int32_t FMax = 0;
  std::int32_t FThumbWidth = 0;
  std::int32_t FThumbHeight = 0;
  std::int32_t FPosition = 0;
  bool FUpdating = false;

private:
  TSliderEvents& FEvents;
};
