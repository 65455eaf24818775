#include "DemoMovie.h"

#include "StockCursors.h"
#include "writer/MovieWriter.h"

#include <algorithm>

namespace NQuillo::NDemo {

TPalette TDemoScene::Palette(int32_t) const {
  return TPalette{};
}

std::vector<std::unique_ptr<TDemoScene>> DemoScenes() {
  std::vector<std::unique_ptr<TDemoScene>> scenes;
  scenes.push_back(MakeEditorScene());
  scenes.push_back(MakeBrowserScene());
  scenes.push_back(MakePaintScene());
  return scenes;
}

TPoint Follow(const std::vector<TWaypoint>& path, int32_t tick) {
  if (path.empty()) return {};
  if (tick <= path.front().Tick) return {path.front().X, path.front().Y};
  for (size_t i = 1; i < path.size(); ++i) {
    const TWaypoint& a = path[i - 1];
    const TWaypoint& b = path[i];
    if (tick >= b.Tick) continue;
    // Smoothstep in fixed point: s = t^2 (3 - 2t) with t in 1/1024 units.
    const int64_t t = int64_t{tick - a.Tick} * 1024 / (b.Tick - a.Tick);
    const int64_t s = t * t * (3 * 1024 - 2 * t) / (1024 * 1024);
    return {static_cast<int32_t>(a.X + (b.X - a.X) * s / 1024),
            static_cast<int32_t>(a.Y + (b.Y - a.Y) * s / 1024)};
  }
  return {path.back().X, path.back().Y};
}

void RecordScene(const TDemoScene& scene, TSegmentWriter& segment,
                 const TProgressFunction& progress, int64_t progressBase, int64_t progressTotal) {
  const TSegmentOptions& options = segment.Options();
  const std::vector<std::string> names = scene.CursorNames();
  for (const std::string& name : names)
    segment.AddCursorShape(StockCursor(name));

  TCanvas canvas(options.Width, options.Height);
  std::vector<uint8_t> picture;
  std::vector<TCursorStep> steps(options.TicksPerFrame);
  const TRunFormat& format = RunFormat(options.BitsPerPixel);
  for (int32_t frame = 0; frame < scene.FrameCount(); ++frame) {
    scene.Render(frame, canvas);
    canvas.ToPicture(options.BitsPerPixel, picture);
    for (unsigned k = 0; k < options.TicksPerFrame; ++k) {
      const TDemoCursor cursor = scene.Cursor(frame * static_cast<int32_t>(options.TicksPerFrame) +
                                              static_cast<int32_t>(k));
      const auto found = std::find(names.begin(), names.end(), cursor.Shape);
      if (found == names.end()) throw TMovieError("demo scene uses an unlisted cursor");
      steps[k].ShapeIndex = static_cast<uint16_t>(found - names.begin());
      steps[k].X = static_cast<uint16_t>(std::clamp(cursor.At.X, 0, options.Width - 1));
      steps[k].Y = static_cast<uint16_t>(std::clamp(cursor.At.Y, 0, options.Height - 1));
    }
    const TPictureView view{picture.data(), picture.size(),
                            static_cast<size_t>(options.Width) * format.BytesPerPixel};
    if (options.BitsPerPixel == 8) {
      const TPalette palette = scene.Palette(frame);
      segment.AddFrame(view, steps.data(), steps.size(), &palette);
    } else {
      segment.AddFrame(view, steps.data(), steps.size());
    }
    if (progress) progress(progressBase + frame + 1, progressTotal);
  }
}

void WriteDemoMovie(const std::string& path, const std::string& tempFolder,
                    const TProgressFunction& progress) {
  const std::vector<std::unique_ptr<TDemoScene>> scenes = DemoScenes();
  int64_t total = 0;
  for (const auto& scene : scenes)
    total += scene->FrameCount();
  TMovieWriter movie(path, static_cast<int32_t>(scenes.size()));
  int64_t done = 0;
  for (const auto& scene : scenes) {
    TSegmentOptions options = scene->Options();
    options.TempFolder = tempFolder;
    TSegmentWriter segment(options);
    RecordScene(*scene, segment, progress, done, total);
    done += scene->FrameCount();
    movie.AddSegment(segment);
  }
  movie.Finish();
}

} // namespace NQuillo::NDemo
