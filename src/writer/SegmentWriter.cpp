#include "writer/SegmentWriter.h"

#include "writer/LittleEndian.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace NQuillo {

namespace {

constexpr uint64_t MaxInt32 = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
constexpr uint64_t MaxPaletteChangeBytes = 2 + NMovie::MaxPaletteChange * NMovie::PaletteEntrySize;

const TSegmentOptions& CheckedOptions(const TSegmentOptions& options) {
  if (options.TicksPerFrame != 1 && options.TicksPerFrame != 3)
    throw TMovieError("ticks per frame must be 1 or 3, not " +
                      std::to_string(options.TicksPerFrame));
  // The player keeps the rate rounded in one byte: 1 to 255 frames per second survive that.
  if (!(options.FrameRate >= 1.0f && options.FrameRate <= 255.0f))
    throw TMovieError("frame rate must lie between 1 and 255 frames per second");
  if (options.Name.size() > NMovie::MaxNameBytes)
    throw TMovieError("segment name longer than 255 bytes");
  if (options.Width > 65535 || options.Height > 65535)
    throw TMovieError("cursor positions are 16-bit: pictures wider or taller than 65535 pixels "
                      "cannot be recorded");
  if (!options.Time.IsValid()) throw TMovieError("invalid recording date or time");
  return options;
}

// Reads the parts of the SegmentDataFile one after the other.
class TDataFileSource : public ICabSource {
public:
  TDataFileSource(std::vector<uint8_t> head, std::vector<TBinaryFile*> files)
      : Head(std::move(head)), Files(std::move(files)) {
    for (TBinaryFile* file : Files)
      file->SeekRead(0);
  }

  size_t Read(uint8_t* buffer, size_t size) override {
    if (HeadDone < Head.size()) {
      const size_t n = std::min(size, Head.size() - HeadDone);
      std::memcpy(buffer, Head.data() + HeadDone, n);
      HeadDone += n;
      return n;
    }
    while (Current < Files.size()) {
      const size_t n = Files[Current]->Read(buffer, size);
      if (n != 0) return n;
      ++Current;
    }
    return 0;
  }

private:
  std::vector<uint8_t> Head;
  size_t HeadDone = 0;
  std::vector<TBinaryFile*> Files;
  size_t Current = 0;
};

} // namespace

TSegmentWriter::TSegmentWriter(const TSegmentOptions& options)
    : OptionsValue(CheckedOptions(options)),
      Encoder(options.Width, options.Height, options.BitsPerPixel), FrameFile(options.TempFolder),
      TrackFile(options.TempFolder), PaletteFile(options.TempFolder) {}

uint16_t TSegmentWriter::AddCursorShape(const TCursorShape& shape) {
  if (IsFinished) throw TMovieError("segment already finished");
  if (Shapes.size() >= NoCursorShape) throw TMovieError("too many cursor shapes in a segment");
  Shapes.push_back(CursorShapeRecord(shape));
  ShapeBytes += Shapes.back().size();
  return static_cast<uint16_t>(Shapes.size() - 1);
}

void TSegmentWriter::AddFrame(const TPictureView& picture, const TCursorStep* steps,
                              size_t stepCount, const TPalette* palette) {
  if (IsFinished) throw TMovieError("segment already finished");
  if (stepCount != OptionsValue.TicksPerFrame || !steps)
    throw TMovieError("a frame needs " + std::to_string(OptionsValue.TicksPerFrame) +
                      " cursor step(s), got " + std::to_string(stepCount));
  for (size_t i = 0; i < stepCount; ++i)
    if (steps[i].ShapeIndex != NoCursorShape && steps[i].ShapeIndex >= Shapes.size())
      throw TMovieError("cursor step names shape " + std::to_string(steps[i].ShapeIndex) + " of " +
                        std::to_string(Shapes.size()));
  const bool indexed = OptionsValue.BitsPerPixel == 8;
  if (indexed && !palette) throw TMovieError("an 8-bit frame needs its palette");
  if (Frames == std::numeric_limits<int32_t>::max()) throw TMovieError("too many frames");

  // Every part must stay addressable by the header's 32-bit sizes, whatever this frame holds.
  const uint64_t worstFrame =
      Encoder.MaxRecordSize() + stepCount * NMovie::StepSize + MaxPaletteChangeBytes;
  if (FrameBytes + worstFrame > MaxInt32 ||
      DataFileSize() + worstFrame > TCabinetWriter::MaxFileBytes)
    throw TMovieError("segment too large: start a new segment");
  Encoder.Encode(picture, Record);

  Side.assign(stepCount * NMovie::StepSize, 0);
  for (size_t i = 0; i < stepCount; ++i) {
    uint8_t* at = Side.data() + i * NMovie::StepSize;
    NLe::Put16(at + NMovie::StepShapeIndex, steps[i].ShapeIndex);
    NLe::Put16(at + NMovie::StepX, steps[i].X);
    NLe::Put16(at + NMovie::StepY, steps[i].Y);
  }
  TrackFile.File().Write(Side.data(), Side.size());
  TrackBytes += Side.size();

  if (indexed) {
    // An 8-bit picture is one byte per pixel, so its rows are the pixels the palette serves.
    TPaletteUse used{};
    for (int32_t y = 0; y < Encoder.Height(); ++y) {
      const uint8_t* row = picture.Pixels + static_cast<size_t>(y) * picture.Stride;
      for (int32_t x = 0; x < Encoder.Width(); ++x)
        used[row[x]] = true;
    }
    Side.clear();
    PaletteWriter.Encode(*palette, used, Side);
    PaletteFile.File().Write(Side.data(), Side.size());
    PaletteBytes += Side.size();
  }

  FrameFile.File().Write(Record.data(), Record.size());
  FrameBytes += Record.size();
  ++Frames;
}

uint64_t TSegmentWriter::DataFileSize() const {
  return 4 + 1 + OptionsValue.Name.size() + ShapeBytes + FrameBytes + TrackBytes + PaletteBytes;
}

std::vector<uint8_t> TSegmentWriter::DataFileHead() const {
  const size_t nameSize = 1 + OptionsValue.Name.size();
  std::vector<uint8_t> head(4 + nameSize);
  NLe::Put32(head.data(), static_cast<uint32_t>(nameSize));
  head[4] = static_cast<uint8_t>(OptionsValue.Name.size());
  std::memcpy(head.data() + 5, OptionsValue.Name.data(), OptionsValue.Name.size());
  for (const std::vector<uint8_t>& shape : Shapes)
    head.insert(head.end(), shape.begin(), shape.end());
  return head;
}

std::unique_ptr<ICabSource> TSegmentWriter::OpenDataFile() {
  return std::make_unique<TDataFileSource>(
      DataFileHead(),
      std::vector<TBinaryFile*>{&FrameFile.File(), &TrackFile.File(), &PaletteFile.File()});
}

TSegmentHeader TSegmentWriter::Header() const {
  TSegmentHeader h;
  h.Width = OptionsValue.Width;
  h.Height = OptionsValue.Height;
  h.BitsPerPixel = static_cast<uint8_t>(OptionsValue.BitsPerPixel);
  h.FrameRate = OptionsValue.FrameRate;
  h.Flags = OptionsValue.TicksPerFrame == 3 ? NMovie::FlagThreeTicksPerFrame : 0;
  h.FrameCount = Frames;
  h.CursorCount = static_cast<int32_t>(Shapes.size());
  h.CursorTrackSize = static_cast<int32_t>(TrackBytes);
  h.PaletteDataSize = static_cast<int32_t>(PaletteBytes);
  h.FrameDataSize = static_cast<int32_t>(FrameBytes);
  return h;
}

TSegmentHeader TSegmentWriter::Finish(ICabSink& sink, const TCabinetOptions& cabinet,
                                      const TProgress& progress) {
  if (IsFinished) throw TMovieError("segment already finished");
  if (Frames == 0) throw TMovieError("a segment needs at least one frame");
  IsFinished = true;
  FrameFile.File().Flush();
  TrackFile.File().Flush();
  PaletteFile.File().Flush();

  TCabinetFile file;
  file.Name = OptionsValue.Time.DataFileName();
  const TRecordingTime& t = OptionsValue.Time;
  file.DosDate = TCabinetWriter::MakeDosDate(t.Year, t.Month, t.Day);
  file.DosTime = TCabinetWriter::MakeDosTime(t.Hour, t.Minute, t.Second);
  std::unique_ptr<ICabSource> source = OpenDataFile();
  const uint64_t total = DataFileSize();
  uint64_t done = 0;
  TFunctionCabSource counted([&](uint8_t* buffer, size_t size) {
    const size_t got = source->Read(buffer, size);
    done += got;
    if (progress) progress(done, total);
    return got;
  });
  const TCabinetSummary summary = TCabinetWriter::Write(counted, sink, file, cabinet);
  if (summary.FileBytes != DataFileSize())
    throw TMovieError("segment data changed while it was compressed");
  if (summary.CabinetBytes > MaxInt32 - NMovie::HeaderSize - NMovie::SegmentTailSize)
    throw TMovieError("segment cabinet too large");

  TSegmentHeader h = Header();
  h.CabinetSize = static_cast<int32_t>(summary.CabinetBytes);
  h.CabinetOffset = static_cast<int32_t>(NMovie::HeaderSize);
  h.Reserved2 =
      static_cast<int32_t>(NMovie::HeaderSize + summary.CabinetBytes + NMovie::SegmentTailSize);
  return h;
}

} // namespace NQuillo
