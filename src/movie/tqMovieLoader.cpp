#include "tqMovieLoader.h"

#include "engine/UtqPlayback.h"
#include "tqCab.h"
#include "tqSegments.h"

#include <cmath>
#include <cstring>

namespace {
constexpr std::int32_t EntrySize = 6;
constexpr std::int32_t MaxNameBytes = 256; // a length byte and up to 255 characters
constexpr std::int32_t MinCursorRecord = 8 + 13 + 13;

// "Segment %d has a later version than the player", in code page 1251.
const char* const NewerVersionLine =
    "\xD1\xE5\xE3\xEC\xE5\xED\xF2 %d \xE8\xEC\xE5\xE5\xF2 \xE1\xEE\xEB\xE5\xE5 "
    "\xEF\xEE\xE7\xE4\xED\xFE\xFE \xE2\xE5\xF0\xF1\xE8\xFE, \xF7\xE5\xEC "
    "\xEF\xF0\xEE\xE8\xE3\xF0\xFB\xE2\xE0\xF2\xE5\xEB\xFC\r";

std::int32_t ReadInt32(TtqStream& stream) {
  std::uint8_t bytes[4];
  stream.ReadBuffer(bytes, 4);
  return TByteReader(bytes, sizeof bytes).Int32(0);
}

// A temporary file that goes when the segment's load ends, however it ends.
class TTemporaryFile {
public:
  explicit TTemporaryFile(std::string path) : FPath(std::move(path)) {}
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;
  ~TTemporaryFile() {
    if (!FPath.empty()) ForceDeleteFile(FPath);
  }
  const std::string& Path() const { return FPath; }

private:
  std::string FPath;
};

// Folders made by an extraction, removed deepest first after the files in them have gone.
struct TTemporaryFolders {
  TTemporaryFolders() = default;
  TTemporaryFolders(const TTemporaryFolders&) = delete;
  TTemporaryFolders& operator=(const TTemporaryFolders&) = delete;
  ~TTemporaryFolders() {
    for (auto it = Paths.rbegin(); it != Paths.rend(); ++it)
      SysRemoveFolder(*it);
  }
  std::vector<std::string> Paths;
};

[[noreturn]] void Damaged(const char* what, std::int32_t entry) {
  throw Exception(Format("LoadMovie: %s of segment %d", what, entry));
}

void ReadSegmentData(TSegmentInfo& segment, const TSegmentHeader& header, TtqFileStream& data,
                     std::int32_t entry) {
  const std::int64_t size = data.GetSize();
  const std::int32_t nameSize = ReadInt32(data);
  if (nameSize < 0 || nameSize > size - 4) Damaged("name size does not fit the data", entry);
  // Only a length byte and 255 characters fit the name; a longer stored name is passed over.
  std::uint8_t name[MaxNameBytes] = {};
  const std::int32_t kept = std::min(nameSize, MaxNameBytes);
  data.ReadBuffer(name, kept);
  if (nameSize > kept) data.SetPosition(data.GetPosition() + (nameSize - kept));
  if (kept > 0)
    segment.Name.assign(reinterpret_cast<const char*>(name + 1),
                        std::min<std::int32_t>(name[0], kept - 1));

  if (header.CursorCount < 0 || header.CursorCount > (size - data.GetPosition()) / MinCursorRecord)
    Damaged("cursor count does not fit the data", entry);
  for (std::int32_t i = 0; i < header.CursorCount; ++i) {
    auto cursor = std::make_unique<TtqCursor>();
    cursor->LoadFromStream(data);
    segment.Cursors.Add(std::move(cursor));
  }

  const std::int64_t left = size - data.GetPosition();
  if (header.FrameDataSize < 0 || header.CursorTrackSize < 0 || header.PaletteDataSize < 0 ||
      static_cast<std::int64_t>(header.FrameDataSize) + header.CursorTrackSize +
              header.PaletteDataSize >
          left)
    Damaged("data sizes do not fit the data", entry);
  // A size of 0 copies nothing (CopyFrom would take 0 as the whole source).
  if (header.FrameDataSize > 0) segment.FrameData->CopyFrom(data, header.FrameDataSize);
  if (header.CursorTrackSize > 0) segment.CursorTrack.CopyFrom(data, header.CursorTrackSize);
  if (header.PaletteDataSize > 0) segment.PaletteChanges.CopyFrom(data, header.PaletteDataSize);
}

void LoadSegment(TtqStream& movie, std::int32_t segmentStart, const TSegmentHeader& header,
                 std::int32_t entry) {
  TSegmentInfo& segment = *SegmentList->Add();
  segment.Width = header.Width;
  segment.Height = header.Height;
  segment.BitsPerPixel = header.BitsPerPixel;
  segment.Flags = header.Flags;
  segment.FrameCount = header.FrameCount;
  segment.FramesPerSecond = RoundFramesPerSecond(header.FrameRate);

  const std::int64_t cabinetStart = static_cast<std::int64_t>(segmentStart) + header.CabinetOffset;
  if (header.CabinetOffset < 0 || header.CabinetSize <= 0 ||
      cabinetStart + header.CabinetSize > movie.GetSize())
    Damaged("cabinet lies outside the movie", entry);
  movie.SetPosition(static_cast<std::int32_t>(cabinetStart));
  const std::string cabinetName = SysTempFileName(TempFolder, "cab");
  if (cabinetName.empty()) RaiseLastOSError();
  TTemporaryFile cabinet(cabinetName);
  {
    TtqFileStream copy(cabinet.Path(), TtqFileStream::ModeCreate);
    copy.CopyFrom(movie, header.CabinetSize);
  }

  // The name the cabinet lists last is the data file's. Only a file this extraction wrote is
  // read, and every file and folder it made goes when the segment has been read.
  std::string listed;
  TTemporaryFolders folders;
  std::vector<std::unique_ptr<TTemporaryFile>> extracted;
  {
    TtqCabReader reader;
    reader.ListFiles(cabinet.Path(),
                     [&](TtqCabReader&, const std::string& name, std::int32_t, std::uint16_t,
                         std::uint16_t, std::uint16_t, std::uint16_t, bool&) { listed = name; });
    try {
      reader.Extract(cabinet.Path(), TempFolder);
    } catch (...) {
      for (const std::string& file : reader.ExtractedFiles())
        ForceDeleteFile(file);
      for (auto it = reader.CreatedFolders().rbegin(); it != reader.CreatedFolders().rend(); ++it)
        SysRemoveFolder(*it);
      throw;
    }
    folders.Paths = reader.CreatedFolders();
    for (const std::string& file : reader.ExtractedFiles())
      extracted.push_back(std::make_unique<TTemporaryFile>(file));
  }
  const std::string dataPath = listed.empty() ? std::string() : JoinPath({TempFolder, listed});
  bool found = false;
  for (const auto& file : extracted)
    found = found || file->Path() == dataPath;
  if (!found) return;
  TtqFileStream data(dataPath, TtqFileStream::ModeRead);
  ReadSegmentData(segment, header, data, entry);
}
} // namespace

TSegmentHeader ParseSegmentHeader(const TByteReader& b) {
  enum {
    Version = 0,
    Width = 1,
    Height = 5,
    BitsPerPixel = 9,
    FrameRate = 10,
    Flags = 14,
    FrameCount = 18,
    CursorCount = 22,
    CursorTrackSize = 26,
    PaletteDataSize = 30,
    FrameDataSize = 34,
    CabinetSize = 38,
    CabinetOffset = 42,
    Reserved1 = 46,
    Reserved2 = 50
  };
  if (!b.Holds(0, SegmentHeaderSize)) throw Exception("Cannot read buffer");
  TSegmentHeader h;
  h.Version = b.UInt8(Version);
  h.Width = b.Int32(Width);
  h.Height = b.Int32(Height);
  h.BitsPerPixel = b.UInt8(BitsPerPixel);
  const std::uint32_t rateBits = b.UInt32(FrameRate);
  std::memcpy(&h.FrameRate, &rateBits, sizeof h.FrameRate);
  h.Flags = b.Int32(Flags);
  h.FrameCount = b.Int32(FrameCount);
  h.CursorCount = b.Int32(CursorCount);
  h.CursorTrackSize = b.Int32(CursorTrackSize);
  h.PaletteDataSize = b.Int32(PaletteDataSize);
  h.FrameDataSize = b.Int32(FrameDataSize);
  h.CabinetSize = b.Int32(CabinetSize);
  h.CabinetOffset = b.Int32(CabinetOffset);
  h.Reserved1 = b.Int32(Reserved1);
  h.Reserved2 = b.Int32(Reserved2);
  return h;
}

std::uint8_t RoundFramesPerSecond(float rate) {
  // A rate that is no number or too large for an integer has no sensible frame count per second.
  if (!std::isfinite(rate) || std::fabs(rate) > 2147483647.0f) return 0;
  return static_cast<std::uint8_t>(static_cast<std::int64_t>(std::nearbyint(rate)) & 0xFF);
}

bool LoadAttachedMovie(TtqStream* stream) {
  if (stream == nullptr) return false;
  const std::int32_t size = stream->GetSize();
  if (size < 4) return false;
  stream->SetPosition(size - 4);
  const std::int32_t length = ReadInt32(*stream);
  if (length <= 0) return false;
  if (length > size - 4) throw Exception("LoadAttachedMovie: the movie is longer than the file");
  stream->SetPosition(size - 4 - length);
  return LoadMovie(stream);
}

bool LoadMovie(TtqStream* stream) {
  if (stream == nullptr) return false;
  const std::int32_t movieStart = stream->GetPosition();
  const std::int64_t movieEnd = stream->GetSize();
  std::string warnings;
  const std::int32_t entryCount = ReadInt32(*stream);
  if (entryCount <= 0) return false;
  if (entryCount > (movieEnd - movieStart - 4) / EntrySize)
    throw Exception("LoadMovie: the segment table runs past the end of the movie");
  std::vector<std::uint8_t> table(static_cast<std::size_t>(entryCount) * EntrySize);
  stream->ReadBuffer(table.data(), static_cast<std::int32_t>(table.size()));

  const TByteReader entries(table.data(), table.size());
  for (std::int32_t i = 0; i < entryCount; ++i) {
    const std::size_t entry = static_cast<std::size_t>(i) * EntrySize;
    const std::int32_t offset = entries.Int32(entry);
    const std::int16_t kind = entries.Int16(entry + 4);
    if (kind != 1) continue;
    const std::int64_t segmentStart = static_cast<std::int64_t>(movieStart) + offset;
    if (offset < 0 || segmentStart + SegmentHeaderSize > movieEnd)
      Damaged("header lies outside the movie", i + 1);
    stream->SetPosition(static_cast<std::int32_t>(segmentStart));
    std::uint8_t bytes[SegmentHeaderSize];
    stream->ReadBuffer(bytes, SegmentHeaderSize);
    const TSegmentHeader header = ParseSegmentHeader(TByteReader(bytes, sizeof bytes));
    if (header.Version != 0) {
      warnings += Format(NewerVersionLine, i + 1);
      continue;
    }
    LoadSegment(*stream, static_cast<std::int32_t>(segmentStart), header, i + 1);
  }

  SelectSegment(0);
  if (!warnings.empty()) ShowLoadWarning(warnings);
  return true;
}
