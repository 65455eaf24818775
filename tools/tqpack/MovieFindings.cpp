#include "MovieFindings.h"

#include <stdexcept>

namespace NQuillo {

namespace {
constexpr EGrade P = EGrade::Problem;
constexpr EGrade N = EGrade::Note;
} // namespace

const std::vector<TCheckInfo>& AllChecks() {
  static const std::vector<TCheckInfo> checks = {
      {ECheck::Unreadable, P, "movie-file", "there is no movie to read"},
      {ECheck::MovieTooShort, P, "movie-size", "the player cannot read the entry count"},
      {ECheck::NoEntries, P, "entry-count", "the player takes the movie for an empty one"},
      {ECheck::TableTooLong, P, "table-size",
       "the player refuses a table that runs past the movie's end"},
      {ECheck::NothingToPlay, P, "no-segment", "the player loads no segment it can play"},
      {ECheck::SegmentOffset, P, "segment-offset",
       "the player refuses a header outside the movie or reads one out of the table"},
      {ECheck::PictureSize, P, "picture-size", "the player cannot make a picture of this size"},
      {ECheck::ColourDepth, P, "colour-depth", "the player plays 8, 24 and 32 bits only"},
      {ECheck::FrameRate, P, "frame-rate",
       "the player keeps the rounded rate in a byte; outside 1 to 255 its clock goes wrong"},
      {ECheck::FrameCount, P, "frame-count", "the player has no frame to show"},
      {ECheck::NegativeSize, P, "negative-size", "the player refuses negative sizes"},
      {ECheck::CabinetPlace, P, "cabinet-place",
       "the player refuses a cabinet that does not lie inside the movie"},
      {ECheck::CabinetStructure, P, "cabinet-structure",
       "the platform's cabinet reader refuses it or unpacks something else"},
      {ECheck::CabinetSet, P, "cabinet-set",
       "the player unpacks one cabinet alone; the rest of a set is missing"},
      {ECheck::CabinetFiles, P, "cabinet-files",
       "the player reads the last file listed and expects exactly one"},
      {ECheck::CabinetCompression, P, "cabinet-compression",
       "no cabinet reader unpacks this compression"},
      {ECheck::CabinetBlocks, P, "cabinet-blocks",
       "the cabinet reader runs out of data or unpacks a file of another size"},
      {ECheck::CabinetChecksum, P, "cabinet-checksum",
       "the cabinet reader refuses the block, or the picture is wrong"},
      {ECheck::CabinetExtraction, P, "cabinet-extraction",
       "the player gets no data file from the cabinet"},
      {ECheck::DataFileNameUnsafe, P, "data-file-path",
       "the data file would be written outside the temporary folder, or not at all"},
      {ECheck::SegmentName, P, "segment-name", "the player refuses the name or loses part of it"},
      {ECheck::CursorShapes, P, "cursor-shapes",
       "the player reads the shapes wrongly and everything after them too"},
      {ECheck::Frames, P, "frames", "the player would show a wrong picture or read past a record"},
      {ECheck::TrackTooShort, P, "cursor-track",
       "the cursor freezes where the track ends, or the player refuses the segment"},
      {ECheck::TrackShape, P, "cursor-step-shape", "the player draws no cursor at these steps"},
      {ECheck::PaletteChanges, P, "palette-changes",
       "the player would show wrong colours or refuse the segment"},
      {ECheck::DataFileShort, P, "data-file-size",
       "the player refuses a data file shorter than the header's sizes"},
      {ECheck::EntryKind, N, "entry-kind", "the player passes over entries of other kinds"},
      {ECheck::SegmentVersion, N, "segment-version",
       "the player skips a newer segment with a warning and plays the others"},
      {ECheck::SegmentPlacement, N, "segment-placement",
       "the player finds every segment through the table alone"},
      {ECheck::SegmentTail, N, "segment-tail", "the player never reads the bytes after a cabinet"},
      {ECheck::UnusedFlags, N, "flags", "the player reads bit 0 of the flags only"},
      {ECheck::Reserved1, N, "reserved1", "the player does not read Reserved1"},
      {ECheck::Reserved2, N, "reserved2", "the player does not read Reserved2"},
      {ECheck::TrackTooLong, N, "cursor-track-length",
       "the player stops at the last tick; later steps are never used"},
      {ECheck::PaletteUnused, N, "palette-unused", "only 8-bit segments read palette changes"},
      {ECheck::EightBitWithoutPalette, N, "palette-none",
       "the picture keeps the colours it starts with"},
      {ECheck::CabinetReserved, N, "cabinet-reserved",
       "cabinet readers do not read the reserved fields"},
      {ECheck::CabinetTrailing, N, "cabinet-trailing",
       "the cabinet reader stops after the last data block"},
      {ECheck::OtherCompression, N, "compression",
       "the cabinet reader unpacks stored, MSZIP, Quantum and LZX cabinets alike"},
      {ECheck::DataFileName, N, "data-file-name",
       "the player opens whatever name the cabinet lists"},
      {ECheck::DataFileStamp, N, "data-file-date",
       "the player does not read the cabinet's date and time"},
      {ECheck::DataFileAttributes, N, "data-file-attributes",
       "the player reads and deletes the data file whatever its attributes"},
      {ECheck::NameLength, N, "name-length",
       "the player shows the characters the length byte counts, within the name field"},
      {ECheck::CursorOutside, N, "cursor-position",
       "the player draws the cursor clipped, or not at all"},
      {ECheck::DataFileTrailing, N, "data-file-trailing",
       "the player reads what the header's sizes name and nothing more"},
  };
  return checks;
}

const TCheckInfo& CheckInfo(ECheck check) {
  for (const TCheckInfo& info : AllChecks())
    if (info.Check == check) return info;
  throw std::logic_error("check without a description");
}

const char* GradeText(EGrade grade) {
  return grade == EGrade::Problem ? "problem" : "note";
}

std::string TFinding::Line() const {
  const TCheckInfo& info = CheckInfo(Check);
  return std::string(GradeText(info.Grade)) + ": " + Where + ": " + What + " (" + info.Name + ": " +
         info.Why + ")";
}

} // namespace NQuillo
