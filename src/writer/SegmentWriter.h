#pragma once

#include "writer/BinaryFile.h"
#include "writer/CabinetWriter.h"
#include "writer/CursorRecords.h"
#include "writer/FrameEncoder.h"
#include "writer/MovieLayout.h"
#include "writer/PaletteChanges.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace NQuillo {

struct TSegmentOptions {
  int32_t Width = 0;
  int32_t Height = 0;
  unsigned BitsPerPixel = 32;
  float FrameRate = 10;
  unsigned TicksPerFrame = 1; // 1, or 3 for a cursor that moves between frames
  std::string Name;           // code page 1251, at most 255 bytes
  TRecordingTime Time;
  std::string TempFolder; // empty: the system's
};

// Kept apart from the player's cursor step on purpose, so that each side checks the other.
struct TCursorStep {
  uint16_t ShapeIndex = 0;
  uint16_t X = 0;
  uint16_t Y = 0;
};

// A step with this shape index shows no cursor: the player finds no shape for it.
constexpr uint16_t NoCursorShape = 0xFFFF;

// Records one segment: frames are encoded as they arrive and streamed, with the cursor
// track and the palette changes, into temporary files, so that memory holds two pictures
// whatever the length of the recording. Finish() compresses the SegmentDataFile (name,
// cursor shapes, frames, cursor track, palette changes) into a cabinet.
class TSegmentWriter {
public:
  explicit TSegmentWriter(const TSegmentOptions& options);
  TSegmentWriter(const TSegmentWriter&) = delete;
  TSegmentWriter& operator=(const TSegmentWriter&) = delete;

  // Returns the shape's index for the cursor steps.
  uint16_t AddCursorShape(const TCursorShape& shape);
  // steps: TicksPerFrame cursor steps; palette: the picture's colour table, 8 bits only.
  void AddFrame(const TPictureView& picture, const TCursorStep* steps, size_t stepCount,
                const TPalette* palette = nullptr);

  // Writes the cabinet to sink and returns the header with every field but the ones the
  // movie decides (CabinetOffset and Reserved2 are those of a segment stored back to back).
  // progress, when given, hears how many bytes of the SegmentDataFile have gone in so far.
  using TProgress = std::function<void(uint64_t done, uint64_t total)>;
  TSegmentHeader Finish(ICabSink& sink, const TCabinetOptions& cabinet = TCabinetOptions(),
                        const TProgress& progress = nullptr);

  // The SegmentDataFile itself, as the cabinet holds it; valid while this writer lives and
  // gets no more frames.
  std::unique_ptr<ICabSource> OpenDataFile();

  const TSegmentOptions& Options() const { return OptionsValue; }
  int32_t FrameCount() const { return Frames; }
  int32_t CursorCount() const { return static_cast<int32_t>(Shapes.size()); }
  uint64_t FrameDataSize() const { return FrameBytes; }
  uint64_t DataFileSize() const;

private:
  std::vector<uint8_t> DataFileHead() const;
  TSegmentHeader Header() const;

  const TSegmentOptions OptionsValue;
  TFrameEncoder Encoder;
  std::vector<std::vector<uint8_t>> Shapes;
  TTempFile FrameFile;
  TTempFile TrackFile;
  TTempFile PaletteFile;
  TPaletteChangeWriter PaletteWriter;
  std::vector<uint8_t> Record;
  std::vector<uint8_t> Side; // one frame's cursor steps or palette change
  int32_t Frames = 0;
  uint64_t FrameBytes = 0;
  uint64_t TrackBytes = 0;
  uint64_t PaletteBytes = 0;
  uint64_t ShapeBytes = 0;
  bool IsFinished = false;
};

} // namespace NQuillo
