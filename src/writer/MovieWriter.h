#pragma once

#include "writer/BinaryFile.h"
#include "writer/CabStreams.h"
#include "writer/MovieLayout.h"
#include "writer/SegmentWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace NQuillo {

// Writes a movie file: the segment table, then each segment (header, cabinet, four zero
// bytes) right after the one before. The number of segments is fixed up front; the table
// gets its offsets when the last segment is in.
class TMovieWriter {
public:
  TMovieWriter(const std::string& path, int32_t segmentCount);
  TMovieWriter(const TMovieWriter&) = delete;
  TMovieWriter& operator=(const TMovieWriter&) = delete;

  // Compresses a recorded segment straight into the movie.
  TSegmentHeader AddSegment(TSegmentWriter& segment,
                            const TCabinetOptions& cabinet = TCabinetOptions(),
                            const TSegmentWriter::TProgress& progress = nullptr);
  // Fills in the table; returns the movie's length.
  uint64_t Finish();

private:
  uint64_t BeginSegment();
  TSegmentHeader EndSegment(uint64_t start, TSegmentHeader header);

  TBinaryFile File;
  const int32_t Count;
  std::vector<uint64_t> Offsets;
  bool IsFinished = false;
};

// Where a movie sits inside a file.
struct TMovieLocation {
  uint64_t Start = 0;
  uint64_t Length = 0;
  bool Attached = false; // found through the trailer of a program
};

// A file that starts like a Windows program ("MZ") carries its movie in front of the
// trailer; any other file is a movie from its first byte. Throws when a program has no movie.
TMovieLocation LocateMovie(TBinaryFile& file);

// The length the trailer of a program announces, 0 when it carries no movie (a trailer of
// 0 or less, or one that points outside the file).
uint64_t AttachedMovieLength(TBinaryFile& file);

// Whether a segment table with plausible segment headers and cabinets stands at start.
bool LooksLikeMovie(TBinaryFile& file, uint64_t start, uint64_t length);

// Writes output = program + movie + trailer. A movie already attached to the program is
// left out first. Returns the movie's length.
uint64_t AttachMovie(const std::string& programPath, const std::string& moviePath,
                     const std::string& outputPath);

// Copies size bytes of from, starting at offset, to the end of to.
void CopyBytes(TBinaryFile& from, uint64_t offset, uint64_t size, TBinaryFile& to);

} // namespace NQuillo
