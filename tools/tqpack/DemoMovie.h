#pragma once

#include "DemoCanvas.h"
#include "writer/PaletteChanges.h"
#include "writer/SegmentWriter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The demo movie: a made-up screen-capture session of three segments, drawn procedurally
// with integer arithmetic only, so that every build on every machine writes the same bytes.
namespace NQuillo::NDemo {

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
};

struct TDemoCursor {
  std::string Shape; // a stock cursor name
  TPoint At;
};

class TDemoScene {
public:
  virtual ~TDemoScene() = default;
  virtual TSegmentOptions Options() const = 0;
  virtual int32_t FrameCount() const = 0;
  // The stock cursor names the scene uses, in the order the segment stores them.
  virtual std::vector<std::string> CursorNames() const = 0;
  // Draws frame number frame from nothing; frames do not depend on each other.
  virtual void Render(int32_t frame, TCanvas& canvas) const = 0;
  // The cursor at timer tick number tick (TicksPerFrame ticks per frame).
  virtual TDemoCursor Cursor(int32_t tick) const = 0;
  // 8-bit scenes: the colour table of a frame.
  virtual TPalette Palette(int32_t frame) const;
};

std::unique_ptr<TDemoScene> MakeEditorScene();
std::unique_ptr<TDemoScene> MakeBrowserScene();
std::unique_ptr<TDemoScene> MakePaintScene();
std::vector<std::unique_ptr<TDemoScene>> DemoScenes();

// Called with the frames done so far and the frames of the whole demo.
using TProgressFunction = std::function<void(int64_t done, int64_t total)>;

// Records a scene into a segment writer.
void RecordScene(const TDemoScene& scene, TSegmentWriter& segment,
                 const TProgressFunction& progress = nullptr, int64_t progressBase = 0,
                 int64_t progressTotal = 0);
// Writes the three-segment demo movie to path; tempFolder empty: the system's.
void WriteDemoMovie(const std::string& path, const std::string& tempFolder = std::string(),
                    const TProgressFunction& progress = nullptr);

// A path through waypoints; between two of them the motion eases in and out.
struct TWaypoint {
  int32_t Tick;
  int32_t X;
  int32_t Y;
};
TPoint Follow(const std::vector<TWaypoint>& path, int32_t tick);

} // namespace NQuillo::NDemo
