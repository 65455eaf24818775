#include "SegmentDataExaminer.h"

#include "writer/BinaryFile.h"
#include "writer/CursorRecords.h"
#include "writer/LittleEndian.h"

#include <algorithm>
#include <cstring>

namespace NQuillo {

namespace {

// Sequential reading of a file through a buffer; reports how far it got.
class TReader {
public:
  explicit TReader(const std::string& path) : File(path, TBinaryFile::EMode::Read) {}
  uint64_t Position() const { return Consumed; }
  // False when the file ends first.
  bool Read(void* out, size_t size) {
    uint8_t* at = static_cast<uint8_t*>(out);
    while (size != 0) {
      if (Next == Buffer.size()) {
        Buffer.resize(1 << 16);
        Buffer.resize(File.Read(Buffer.data(), Buffer.size()));
        Next = 0;
        if (Buffer.empty()) return false;
      }
      const size_t n = std::min(size, Buffer.size() - Next);
      std::memcpy(at, Buffer.data() + Next, n);
      Next += n;
      at += n;
      size -= n;
      Consumed += n;
    }
    return true;
  }
  bool Skip(uint64_t size) {
    uint8_t scratch[4096];
    while (size != 0) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(size, sizeof scratch));
      if (!Read(scratch, n)) return false;
      size -= n;
    }
    return true;
  }
  uint64_t Size() { return File.Size(); }

private:
  TBinaryFile File;
  std::vector<uint8_t> Buffer;
  size_t Next = 0;
  uint64_t Consumed = 0;
};

class TDataExaminer {
public:
  TDataExaminer(const std::string& path, const std::string& where, TSegmentReport& segment,
                std::vector<TFinding>& findings)
      : In(path), Where(where), S(segment), H(segment.Header), Findings(findings) {}

  void Run();

private:
  void Add(ECheck check, const std::string& where, const std::string& what) {
    Findings.push_back({check, where, what});
  }
  void Add(ECheck check, const std::string& what) { Add(check, Where, what); }
  bool Name();
  bool Shapes();
  bool Frames();
  bool Track();
  bool Palette();

  TReader In;
  const std::string Where;
  TSegmentReport& S;
  const TSegmentHeader& H;
  std::vector<TFinding>& Findings;
};

void TDataExaminer::Run() {
  if (!Name() || !Shapes() || !Frames() || !Track() || !Palette()) return;
  const uint64_t size = In.Size();
  if (In.Position() != size)
    Add(ECheck::DataFileTrailing, "data file has " + std::to_string(size - In.Position()) +
                                      " bytes more than the header accounts for");
}

bool TDataExaminer::Name() {
  uint8_t word[4];
  if (!In.Read(word, 4)) {
    Add(ECheck::SegmentName, "data file is empty");
    return false;
  }
  const int32_t nameSize = NLe::GetI32(word);
  if (nameSize == 0) {
    Add(ECheck::NameLength, "the data file has no name field: the segment has no name");
    return true;
  }
  if (nameSize < 0 || nameSize > 256) {
    Add(ECheck::SegmentName, "name size " + std::to_string(nameSize) + " is not 0 to 256");
    return false;
  }
  std::string name(static_cast<size_t>(nameSize), '\0');
  if (!In.Read(&name[0], name.size())) {
    Add(ECheck::SegmentName, "data file ends inside the name");
    return false;
  }
  if (static_cast<uint8_t>(name[0]) != nameSize - 1)
    Add(ECheck::NameLength, "name length byte " + std::to_string(static_cast<uint8_t>(name[0])) +
                                " in a name field of " + std::to_string(nameSize) + " bytes");
  S.Name = name.substr(1, std::min<size_t>(static_cast<uint8_t>(name[0]), name.size() - 1));
  return true;
}

bool TDataExaminer::Shapes() {
  using namespace NCursorRecord;
  for (int32_t i = 0; i < H.CursorCount; ++i) {
    const std::string shape = Where + ", cursor shape " + std::to_string(i);
    uint8_t fixed[Mask + DescriptorBytes];
    if (!In.Read(fixed, sizeof fixed)) {
      Add(ECheck::CursorShapes, shape, "data file ends inside the cursor shapes");
      return false;
    }
    const uint8_t* mask = fixed + Mask;
    const int32_t maskSize = NLe::GetI32(mask + DescriptorSize);
    const int32_t maskWidth = NLe::GetI32(mask + DescriptorWidth);
    const int32_t maskHeight = NLe::GetI32(mask + DescriptorHeight);
    if (maskSize > 0) {
      if (maskWidth <= 0 || maskHeight <= 0 || mask[DescriptorBitsPerPixel] != 1 ||
          static_cast<uint64_t>(maskSize) !=
              MaskRowBytes(maskWidth) * static_cast<uint64_t>(maskHeight))
        Add(ECheck::CursorShapes, shape,
            "mask of " + std::to_string(maskSize) + " bytes does not match " +
                std::to_string(maskWidth) + " x " + std::to_string(maskHeight));
      if (!In.Skip(static_cast<uint64_t>(maskSize))) {
        Add(ECheck::CursorShapes, shape, "data file ends inside the mask");
        return false;
      }
    }
    uint8_t colour[DescriptorBytes];
    if (!In.Read(colour, sizeof colour)) {
      Add(ECheck::CursorShapes, shape, "data file ends inside the cursor shapes");
      return false;
    }
    const int32_t colourSize = NLe::GetI32(colour + DescriptorSize);
    if (colourSize > 0) {
      const int32_t w = NLe::GetI32(colour + DescriptorWidth);
      const int32_t ht = NLe::GetI32(colour + DescriptorHeight);
      const unsigned bits = colour[DescriptorBitsPerPixel];
      if (w <= 0 || ht <= 0 || (bits != 24 && bits != 32) ||
          static_cast<uint64_t>(colourSize) != DibRowBytes(w, bits) * static_cast<uint64_t>(ht))
        Add(ECheck::CursorShapes, shape,
            "colour bits of " + std::to_string(colourSize) + " bytes do not match " +
                std::to_string(w) + " x " + std::to_string(ht) + " at " + std::to_string(bits) +
                " bits");
      if (!In.Skip(static_cast<uint64_t>(colourSize))) {
        Add(ECheck::CursorShapes, shape, "data file ends inside the colour bits");
        return false;
      }
    } else if (maskHeight % 2 != 0) {
      Add(ECheck::CursorShapes, shape,
          "monochrome mask of odd height " + std::to_string(maskHeight));
    }
  }
  return true;
}

bool TDataExaminer::Frames() {
  const TRunFormat* format = FindRunFormat(H.BitsPerPixel);
  if (!format) return In.Skip(static_cast<uint64_t>(H.FrameDataSize));
  const uint64_t start = In.Position();
  const uint64_t size = static_cast<uint64_t>(H.FrameDataSize);
  const uint64_t pixels =
      static_cast<uint64_t>(std::max(H.Width, 0)) * static_cast<uint64_t>(std::max(H.Height, 0));
  std::vector<uint8_t> runs(static_cast<size_t>(format->RunSize) * 4096);
  for (int32_t f = 0; f < H.FrameCount; ++f) {
    const std::string frame = Where + ", frame " + std::to_string(f);
    uint8_t head[NMovie::RecordRuns];
    if (In.Position() - start + sizeof head > size) {
      Add(ECheck::Frames, frame, "frame data ends before the frame count is reached");
      return false;
    }
    if (!In.Read(head, sizeof head)) {
      Add(ECheck::DataFileShort, frame, "data file ends inside the frames");
      return false;
    }
    const int32_t recordSize = NLe::GetI32(head + NMovie::RecordSizeField);
    const int32_t runCount = NLe::GetI32(head + NMovie::RecordRunCount);
    if (runCount < 0 || int64_t{recordSize} != int64_t{8} + int64_t{runCount} * format->RunSize ||
        In.Position() - start + static_cast<uint64_t>(recordSize) - 8 > size) {
      Add(ECheck::Frames, frame,
          "record size " + std::to_string(recordSize) + " does not match " +
              std::to_string(runCount) + " runs within the frame data");
      return false;
    }
    S.RunCount += static_cast<uint64_t>(runCount);
    S.LargestRecord = std::max(S.LargestRecord, static_cast<uint32_t>(recordSize));
    uint64_t covered = 0;
    for (int32_t left = runCount; left > 0;) {
      const int32_t batch = std::min(left, 4096);
      if (!In.Read(runs.data(), static_cast<size_t>(batch) * format->RunSize)) {
        Add(ECheck::DataFileShort, frame, "data file ends inside the runs");
        return false;
      }
      for (int32_t r = 0; r < batch; ++r) {
        const uint8_t* count =
            runs.data() + static_cast<size_t>(r) * format->RunSize + format->PixelFieldSize;
        covered += format->CountFieldSize == 1 ? NLe::Get8(count) : NLe::Get16(count);
      }
      left -= batch;
    }
    if (covered != pixels)
      Add(ECheck::Frames, frame,
          "runs cover " + std::to_string(covered) + " pixels of " + std::to_string(pixels));
  }
  const uint64_t used = In.Position() - start;
  if (used == size) return true;
  Add(ECheck::Frames,
      "frame data size " + std::to_string(size) + ", records take " + std::to_string(used));
  if (In.Skip(size - used)) return true;
  Add(ECheck::DataFileShort, "data file ends inside the frames");
  return false;
}

bool TDataExaminer::Track() {
  uint64_t outside = 0, unknownShape = 0;
  for (int32_t i = 0; i < H.CursorTrackSize / static_cast<int32_t>(NMovie::StepSize); ++i) {
    uint8_t step[NMovie::StepSize];
    if (!In.Read(step, sizeof step)) {
      Add(ECheck::DataFileShort, "data file ends inside the cursor track");
      return false;
    }
    const uint32_t shape = NLe::Get16(step + NMovie::StepShapeIndex);
    if (shape >= static_cast<uint32_t>(std::max(H.CursorCount, 0)) && shape != 0xFFFF)
      ++unknownShape;
    if (NLe::Get16(step + NMovie::StepX) >= static_cast<uint32_t>(std::max(H.Width, 0)) ||
        NLe::Get16(step + NMovie::StepY) >= static_cast<uint32_t>(std::max(H.Height, 0)))
      ++outside;
  }
  if (!In.Skip(static_cast<uint64_t>(H.CursorTrackSize % static_cast<int32_t>(NMovie::StepSize)))) {
    Add(ECheck::DataFileShort, "data file ends inside the cursor track");
    return false;
  }
  if (unknownShape)
    Add(ECheck::TrackShape,
        std::to_string(unknownShape) + " cursor steps name a shape that is not there");
  if (outside)
    Add(ECheck::CursorOutside, std::to_string(outside) + " cursor steps lie outside the picture");
  return true;
}

bool TDataExaminer::Palette() {
  if (H.PaletteDataSize == 0) {
    if (H.BitsPerPixel == 8)
      Add(ECheck::EightBitWithoutPalette, "8-bit segment without palette changes");
    return true;
  }
  const uint64_t size = static_cast<uint64_t>(H.PaletteDataSize);
  if (H.BitsPerPixel != 8) {
    if (In.Skip(size)) return true;
    Add(ECheck::DataFileShort, "data file ends inside the palette changes");
    return false;
  }
  const uint64_t start = In.Position();
  int32_t records = 0;
  while (In.Position() - start < size) {
    uint8_t head[2];
    if (!In.Read(head, 1)) {
      Add(ECheck::DataFileShort, "data file ends inside the palette changes");
      return false;
    }
    ++records;
    if (head[0] == 0) continue;
    if (!In.Read(head + 1, 1) || !In.Skip(uint64_t{head[0]} * NMovie::PaletteEntrySize)) {
      Add(ECheck::DataFileShort, "data file ends inside the palette changes");
      return false;
    }
    ++S.PaletteChangeFrames;
    if (head[0] + head[1] > 256)
      Add(ECheck::PaletteChanges,
          "palette change " + std::to_string(records) + " runs past entry 255");
  }
  if (In.Position() - start != size)
    Add(ECheck::PaletteChanges, "palette changes overrun their size");
  if (records != H.FrameCount)
    Add(ECheck::PaletteChanges, std::to_string(records) + " palette change records for " +
                                    std::to_string(H.FrameCount) + " frames");
  return true;
}

} // namespace

void ExamineSegmentData(const std::string& path, const std::string& where, TSegmentReport& segment,
                        std::vector<TFinding>& findings) {
  TDataExaminer(path, where, segment, findings).Run();
}

} // namespace NQuillo
