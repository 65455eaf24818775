#pragma once

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

struct TMovieReport {
  std::string Path;
  uint64_t Start = 0;
  uint64_t Length = 0;
  bool Attached = false;
  int32_t EntryCount = 0;
  std::vector<TSegmentReport> Segments;
  std::vector<std::string> Problems; // damage: the player would fail or show something else
  std::vector<std::string> Notes;    // unusual but playable
};

// Reads a movie (or a program carrying one) and checks every layer of it: table, segment
// headers, cabinets with their checksums, and the SegmentDataFiles down to every frame run.
// Damage is collected in Problems rather than thrown. tempFolder empty: the system's.
TMovieReport InspectMovie(const std::string& path, const std::string& tempFolder = std::string());

void PrintReport(const TMovieReport& report, std::ostream& out);

// Extracts the SegmentDataFile of every segment into folder; returns their paths.
std::vector<std::string> ExtractDataFiles(const std::string& moviePath, const std::string& folder);

} // namespace NQuillo
