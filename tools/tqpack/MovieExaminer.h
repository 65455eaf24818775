#pragma once

#include "MovieFindings.h"
#include "writer/MovieLayout.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace NQuillo {

// What `tqpack info` finds out about one segment.
struct TSegmentReport {
  int32_t Entry = 0; // 1-based table entry
  uint64_t Offset = 0;
  TSegmentHeader Header;
  std::string Name; // code page 1251
  std::string DataFileName;
  uint16_t CompressionType = 0;
  uint32_t DataBlocks = 0;
  uint64_t DataFileSize = 0;
  uint64_t RunCount = 0;
  uint32_t LargestRecord = 0;
  uint32_t PaletteChangeFrames = 0; // frames whose palette record changes something
};

// One entry of the segment table and the bytes of the movie that belong to it: from its offset
// to the next entry's start (or the movie's end), and at least its header and cabinet.
struct TEntryReport {
  uint16_t Kind = 0;
  int32_t Offset = 0;  // as stored
  bool Inside = false; // the offset lies behind the table, inside the movie
  uint64_t Length = 0; // bytes from the offset that belong to the entry
};

struct TMovieReport {
  std::string Path;
  uint64_t Start = 0;
  uint64_t Length = 0;
  bool Attached = false;
  int32_t EntryCount = 0;
  std::vector<TEntryReport> Entries;
  std::vector<TSegmentReport> Segments; // the entries of kind 1 and version 0
  std::vector<TFinding> Findings;       // in the order they were found

  size_t Count(EGrade grade) const;
  // The first problem's line; empty when there is none.
  std::string FirstProblem() const;
};

// Reads a movie (or a program carrying one) and checks every layer of it: table, segment
// headers, cabinets with their checksums, and the SegmentDataFiles down to every frame run.
// Everything is collected in Findings rather than thrown. tempFolder empty: the system's.
TMovieReport InspectMovie(const std::string& path, const std::string& tempFolder = std::string());

void PrintReport(const TMovieReport& report, std::ostream& out);

// Extracts the SegmentDataFile of every segment into folder; returns their paths.
std::vector<std::string> ExtractDataFiles(const std::string& moviePath, const std::string& folder);

} // namespace NQuillo
