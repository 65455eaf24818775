#include "writer/MovieWriter.h"

#include "writer/LittleEndian.h"

#include <algorithm>
#include <limits>

namespace NQuillo {

namespace {

constexpr uint64_t MaxInt32 = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
// Segments are copied in pieces of this size, so memory does not grow with the movie.
constexpr size_t CopyPiece = size_t{1} << 20;

// The cabinet writer addresses its header from the cabinet's first byte; inside the movie
// that byte sits at Base.
class TMovieCabSink : public ICabSink {
public:
  TMovieCabSink(TBinaryFile& file, uint64_t base) : File(file), Base(base) {}
  void Write(const uint8_t* data, size_t size) override { File.Write(data, size); }
  void Overwrite(uint64_t offset, const uint8_t* data, size_t size) override {
    File.WriteAt(Base + offset, data, size);
  }

private:
  TBinaryFile& File;
  const uint64_t Base;
};

void CheckMovieSize(uint64_t size) {
  // Offsets in the table and the trailer are signed 32-bit numbers.
  if (size > MaxInt32) throw TMovieError("movie larger than 2 GiB - 1 byte");
}

} // namespace

TMovieWriter::TMovieWriter(const std::string& path, int32_t segmentCount)
    : File(path, TBinaryFile::EMode::Create), Count(segmentCount) {
  const uint64_t tableEnd =
      NMovie::TableCountSize +
      static_cast<uint64_t>(std::max(segmentCount, 0)) * NMovie::TableEntrySize;
  if (segmentCount <= 0 || tableEnd > MaxInt32)
    throw TMovieError("a movie needs between 1 and many segments, not " +
                      std::to_string(segmentCount));
  const std::vector<uint8_t> table(static_cast<size_t>(tableEnd), 0);
  File.Write(table.data(), table.size());
}

uint64_t TMovieWriter::BeginSegment() {
  if (IsFinished || Offsets.size() >= static_cast<size_t>(Count))
    throw TMovieError("more segments than the movie was made for");
  const uint64_t start = File.Size();
  CheckMovieSize(start + NMovie::HeaderSize);
  const uint8_t placeholder[NMovie::HeaderSize] = {};
  File.Write(placeholder, sizeof placeholder);
  return start;
}

TSegmentHeader TMovieWriter::EndSegment(uint64_t start, TSegmentHeader header) {
  const uint8_t tail[NMovie::SegmentTailSize] = {};
  File.Write(tail, sizeof tail);
  const uint64_t length = File.Size() - start;
  CheckMovieSize(File.Size());
  header.CabinetOffset = static_cast<int32_t>(NMovie::HeaderSize);
  header.Reserved2 = static_cast<int32_t>(length);
  uint8_t bytes[NMovie::HeaderSize];
  header.Store(bytes);
  File.WriteAt(start, bytes, sizeof bytes);
  Offsets.push_back(start);
  return header;
}

TSegmentHeader TMovieWriter::AddSegment(TSegmentWriter& segment, const TCabinetOptions& cabinet,
                                        const TSegmentWriter::TProgress& progress) {
  const uint64_t start = BeginSegment();
  TMovieCabSink sink(File, start + NMovie::HeaderSize);
  const TSegmentHeader header = segment.Finish(sink, cabinet, progress);
  return EndSegment(start, header);
}

uint64_t TMovieWriter::Finish() {
  if (IsFinished) throw TMovieError("movie already finished");
  if (Offsets.size() != static_cast<size_t>(Count))
    throw TMovieError("movie has " + std::to_string(Offsets.size()) + " of its " +
                      std::to_string(Count) + " segments");
  IsFinished = true;
  std::vector<uint8_t> table(NMovie::TableCountSize + Offsets.size() * NMovie::TableEntrySize);
  NLe::PutI32(table.data(), Count);
  for (size_t i = 0; i < Offsets.size(); ++i) {
    uint8_t* entry = table.data() + NMovie::TableCountSize + i * NMovie::TableEntrySize;
    NLe::Put32(entry + NMovie::EntryOffset, static_cast<uint32_t>(Offsets[i]));
    NLe::Put16(entry + NMovie::EntryKind, NMovie::KindSegment);
  }
  File.WriteAt(0, table.data(), table.size());
  // Closed here, so that the finished movie can be opened at once, also on Windows.
  File.Close();
  return File.Size();
}

bool LooksLikeMovie(TBinaryFile& file, uint64_t start, uint64_t length) {
  if (length < NMovie::TableCountSize) return false;
  uint8_t count[NMovie::TableCountSize];
  file.ReadAt(start, count, sizeof count);
  const int32_t entries = NLe::GetI32(count);
  if (entries <= 0 ||
      NMovie::TableCountSize + static_cast<uint64_t>(entries) * NMovie::TableEntrySize > length)
    return false;
  std::vector<uint8_t> table(static_cast<size_t>(entries) * NMovie::TableEntrySize);
  file.ReadAt(start + NMovie::TableCountSize, table.data(), table.size());
  bool anySegment = false;
  for (int32_t i = 0; i < entries; ++i) {
    const uint8_t* entry = table.data() + static_cast<size_t>(i) * NMovie::TableEntrySize;
    if (NLe::Get16(entry + NMovie::EntryKind) != NMovie::KindSegment) continue;
    const uint64_t offset = NLe::Get32(entry + NMovie::EntryOffset);
    if (offset + NMovie::HeaderSize > length) return false;
    uint8_t header[NMovie::HeaderSize];
    file.ReadAt(start + offset, header, sizeof header);
    const TSegmentHeader h = TSegmentHeader::Load(header);
    // A segment of a newer version is the player's to pass over, and ours.
    if (h.Version != NMovie::CurrentVersion) continue;
    if (h.CabinetOffset < 0 || h.CabinetSize < 4 ||
        offset + static_cast<uint64_t>(h.CabinetOffset) + static_cast<uint64_t>(h.CabinetSize) >
            length)
      return false;
    uint8_t signature[4];
    file.ReadAt(start + offset + static_cast<uint64_t>(h.CabinetOffset), signature, 4);
    if (signature[0] != 'M' || signature[1] != 'S' || signature[2] != 'C' || signature[3] != 'F')
      return false;
    anySegment = true;
  }
  return anySegment;
}

uint64_t AttachedMovieLength(TBinaryFile& file) {
  const uint64_t size = file.Size();
  if (size < NMovie::TrailerSize) return 0;
  uint8_t trailer[NMovie::TrailerSize];
  file.ReadAt(size - NMovie::TrailerSize, trailer, sizeof trailer);
  const int32_t length = NLe::GetI32(trailer);
  if (length <= 0 || static_cast<uint64_t>(length) > size - NMovie::TrailerSize) return 0;
  return static_cast<uint64_t>(length);
}

TMovieLocation LocateMovie(TBinaryFile& file) {
  TMovieLocation location;
  const uint64_t size = file.Size();
  uint8_t magic[2] = {};
  if (size >= 2) file.ReadAt(0, magic, 2);
  if (magic[0] == 'M' && magic[1] == 'Z') {
    location.Length = AttachedMovieLength(file);
    if (location.Length == 0) throw TMovieError(file.Path() + " is a program without a movie");
    location.Start = size - NMovie::TrailerSize - location.Length;
    location.Attached = true;
  } else {
    location.Length = size;
  }
  return location;
}

void CopyBytes(TBinaryFile& from, uint64_t offset, uint64_t size, TBinaryFile& to) {
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<uint64_t>(size, CopyPiece)));
  while (size != 0) {
    const size_t piece = static_cast<size_t>(std::min<uint64_t>(size, CopyPiece));
    from.ReadAt(offset, buffer.data(), piece);
    to.Write(buffer.data(), piece);
    offset += piece;
    size -= piece;
  }
}

uint64_t AttachMovie(const std::string& programPath, const std::string& moviePath,
                     const std::string& outputPath) {
  TBinaryFile program(programPath, TBinaryFile::EMode::Read);
  TBinaryFile movie(moviePath, TBinaryFile::EMode::Read);
  const TMovieLocation location = LocateMovie(movie);
  if (location.Length < NMovie::TableCountSize)
    throw TMovieError(moviePath + " is too short to be a movie");
  CheckMovieSize(location.Length);
  // The last four bytes of a program without a movie can hold anything, so only a trailer
  // in front of which a movie really stands is taken for an earlier attachment.
  uint64_t programSize = program.Size();
  const uint64_t oldMovie = AttachedMovieLength(program);
  if (oldMovie != 0 &&
      LooksLikeMovie(program, programSize - NMovie::TrailerSize - oldMovie, oldMovie))
    programSize -= oldMovie + NMovie::TrailerSize;

  TBinaryFile output(outputPath, TBinaryFile::EMode::Create);
  CopyBytes(program, 0, programSize, output);
  CopyBytes(movie, location.Start, location.Length, output);
  uint8_t trailer[NMovie::TrailerSize];
  NLe::Put32(trailer, static_cast<uint32_t>(location.Length));
  output.Write(trailer, sizeof trailer);
  output.Close();
  return location.Length;
}

} // namespace NQuillo
