#pragma once

#include <string>
#include <vector>

namespace NQuillo {

// What `tqpack info` can find in a movie. A problem is something that makes the player refuse
// a segment, show a wrong picture, read past something or lose data; a note is a departure
// from our writer's own habits that the player does not care about.
enum class EGrade { Note, Problem };

enum class ECheck {
  // Problems.
  Unreadable,
  MovieTooShort,
  NoEntries,
  TableTooLong,
  NothingToPlay,
  SegmentOffset,
  PictureSize,
  ColourDepth,
  FrameRate,
  FrameCount,
  NegativeSize,
  CabinetPlace,
  CabinetStructure,
  CabinetSet,
  CabinetFiles,
  CabinetCompression,
  CabinetBlocks,
  CabinetChecksum,
  CabinetExtraction,
  DataFileNameUnsafe,
  SegmentName,
  CursorShapes,
  Frames,
  TrackTooShort,
  TrackShape,
  PaletteChanges,
  DataFileShort,
  // Notes.
  EntryKind,
  SegmentVersion,
  SegmentPlacement,
  SegmentTail,
  UnusedFlags,
  Reserved1,
  Reserved2,
  TrackTooLong,
  PaletteUnused,
  EightBitWithoutPalette,
  CabinetReserved,
  CabinetTrailing,
  OtherCompression,
  DataFileName,
  DataFileStamp,
  DataFileAttributes,
  NameLength,
  CursorOutside,
  DataFileTrailing,
};

struct TCheckInfo {
  ECheck Check;
  EGrade Grade;
  const char* Name; // short, for the report and the list of checks
  const char* Why;  // what the player does with it, in a few words
};

// Every check, problems first, each once.
const std::vector<TCheckInfo>& AllChecks();
const TCheckInfo& CheckInfo(ECheck check);
const char* GradeText(EGrade grade); // "problem" or "note"

struct TFinding {
  ECheck Check;
  std::string Where; // "movie", "entry 2", "entry 2, frame 7"
  std::string What;

  EGrade Grade() const { return CheckInfo(Check).Grade; }
  // "problem: entry 2: ... (frames: the player would show a wrong picture)"
  std::string Line() const;
};

} // namespace NQuillo
