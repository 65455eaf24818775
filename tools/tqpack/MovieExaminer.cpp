#include "MovieExaminer.h"

#include "SegmentDataExaminer.h"

#include "movie/tqCab.h"
#include "writer/BinaryFile.h"
#include "writer/CabChecksum.h"
#include "writer/Cp1251.h"
#include "writer/LittleEndian.h"
#include "writer/MovieWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <ostream>

namespace NQuillo {

namespace {

// Cabinet structures, as far as a single-folder cabinet needs them.
constexpr size_t CabSignature = 0;
constexpr size_t CabReserved1 = 4;
constexpr size_t CabBytes = 8;
constexpr size_t CabReserved2 = 12;
constexpr size_t CabReserved3 = 20;
constexpr size_t CabFilesOffset = 16;
constexpr size_t CabMinor = 24;
constexpr size_t CabMajor = 25;
constexpr size_t CabFolders = 26;
constexpr size_t CabFiles = 28;
constexpr size_t CabFlags = 30;
constexpr size_t CabIndex = 34;
constexpr size_t CabHeaderSize = 36;
constexpr uint16_t CabFlagReserve = 4;
constexpr uint16_t CabFlagLinked = 3; // a previous or next cabinet
constexpr uint16_t CabFlagsKnown = 7;
constexpr size_t FolderDataStart = 0;
constexpr size_t FolderBlocks = 4;
constexpr size_t FolderCompression = 6;
constexpr size_t FolderSize = 8;
constexpr size_t FileBytes = 0;
constexpr size_t FileFolderStart = 4;
constexpr size_t FileFolderIndex = 8;
constexpr size_t FileDate = 10;
constexpr size_t FileTime = 12;
constexpr size_t FileAttributes = 14;
constexpr size_t FileName = 16;
constexpr size_t DataChecksum = 0;
constexpr size_t DataBytes = 4;
constexpr size_t DataUncompressed = 6;
constexpr size_t DataHeaderSize = 8;

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

std::string CompressionText(uint16_t type) {
  switch (type & 0x0F) {
  case 0:
    return "stored";
  case 1:
    return "MSZIP";
  case 2:
    return "Quantum";
  case 3:
    return "LZX, window 2^" + std::to_string(type >> 8 & 0x1F);
  default:
    return "unknown";
  }
}

bool IsRecorderName(const std::string& name) {
  if (name.size() != 4 + 15 + 4 || name.compare(0, 4, "Segm") != 0 ||
      name.compare(19, 4, ".dat") != 0)
    return false;
  for (size_t i = 4; i < 19; ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}

// Whether a DOS date and time stamp the moment that a recorder's data file name spells.
bool StampMatchesName(const std::string& name, uint16_t date, uint16_t time) {
  auto number = [&name](size_t at, size_t digits) {
    return static_cast<unsigned>(std::stoul(name.substr(at, digits)));
  };
  const unsigned year = number(4, 4), month = number(8, 2), day = number(10, 2);
  const unsigned hour = number(12, 2), minute = number(14, 2), second = number(16, 2);
  return date == ((year - 1980) << 9 | month << 5 | day) &&
         time == (hour << 11 | minute << 5 | second / 2);
}

// A name under which the extraction writes inside the folder it is given.
bool IsSafeFileName(const std::string& name) {
  if (name.empty() || name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos)
    return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("/\\", start);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

class TExaminer {
public:
  TExaminer(TMovieReport& report, const std::string& tempFolder)
      : Report(report), TempFolder(tempFolder) {}

  void Run(TBinaryFile& file);

private:
  void Add(ECheck check, const std::string& where, const std::string& what) {
    Report.Findings.push_back({check, where, what});
  }
  bool ReadTable(TBinaryFile& file);
  void ExamineSegment(TBinaryFile& file, size_t index);
  void CheckHeader(const std::string& where, const TSegmentReport& s);
  bool CheckCabinet(TBinaryFile& file, const std::string& where, TSegmentReport& s);
  void ExtractAndExamine(TBinaryFile& file, const std::string& where, TSegmentReport& s);
  void CheckPlacement(TBinaryFile& file);
  void MeasureEntries();
  // The start of the first entry behind offset, or the movie's end.
  uint64_t NextStart(uint64_t offset) const;

  TMovieReport& Report;
  const std::string TempFolder;
  uint64_t TableEnd = 0;
  std::vector<uint64_t> Starts;      // the entries' offsets inside the movie, sorted, once each
  std::vector<uint64_t> SegmentEnds; // per entry: the end of a readable segment's cabinet, or 0
};

void TExaminer::Run(TBinaryFile& file) {
  if (!ReadTable(file)) return;
  SegmentEnds.assign(Report.Entries.size(), 0);
  for (size_t i = 0; i < Report.Entries.size(); ++i)
    ExamineSegment(file, i);
  if (Report.Segments.empty())
    Add(ECheck::NothingToPlay, "movie", "no entry of the table is a segment the player plays");
  CheckPlacement(file);
  MeasureEntries();
}

bool TExaminer::ReadTable(TBinaryFile& file) {
  const TMovieLocation location = LocateMovie(file);
  Report.Start = location.Start;
  Report.Length = location.Length;
  Report.Attached = location.Attached;
  if (location.Length < NMovie::TableCountSize) {
    Add(ECheck::MovieTooShort, "movie", "shorter than its entry count");
    return false;
  }
  uint8_t count[4];
  file.ReadAt(location.Start, count, 4);
  Report.EntryCount = NLe::GetI32(count);
  if (Report.EntryCount <= 0) {
    Add(ECheck::NoEntries, "movie",
        "entry count " + std::to_string(Report.EntryCount) + ": no segments");
    return false;
  }
  TableEnd =
      NMovie::TableCountSize + static_cast<uint64_t>(Report.EntryCount) * NMovie::TableEntrySize;
  if (TableEnd > location.Length) {
    Add(ECheck::TableTooLong, "movie",
        "segment table of " + std::to_string(Report.EntryCount) +
            " entries runs past the movie's end");
    return false;
  }
  std::vector<uint8_t> table(static_cast<size_t>(TableEnd - NMovie::TableCountSize));
  file.ReadAt(location.Start + NMovie::TableCountSize, table.data(), table.size());
  for (int32_t i = 0; i < Report.EntryCount; ++i) {
    const uint8_t* bytes = table.data() + static_cast<size_t>(i) * NMovie::TableEntrySize;
    TEntryReport entry;
    entry.Kind = static_cast<uint16_t>(NLe::Get16(bytes + NMovie::EntryKind));
    entry.Offset = NLe::GetI32(bytes + NMovie::EntryOffset);
    entry.Inside = entry.Offset >= 0 && static_cast<uint64_t>(entry.Offset) >= TableEnd &&
                   static_cast<uint64_t>(entry.Offset) < location.Length;
    if (entry.Inside) Starts.push_back(static_cast<uint64_t>(entry.Offset));
    Report.Entries.push_back(entry);
  }
  std::sort(Starts.begin(), Starts.end());
  Starts.erase(std::unique(Starts.begin(), Starts.end()), Starts.end());
  return true;
}

uint64_t TExaminer::NextStart(uint64_t offset) const {
  const auto next = std::upper_bound(Starts.begin(), Starts.end(), offset);
  return next == Starts.end() ? Report.Length : *next;
}

void TExaminer::ExamineSegment(TBinaryFile& file, size_t index) {
  const TEntryReport& entry = Report.Entries[index];
  const std::string where = "entry " + std::to_string(index + 1);
  if (entry.Kind != NMovie::KindSegment) {
    Add(ECheck::EntryKind, where,
        "kind " + std::to_string(entry.Kind) + " is passed over by the player");
    return;
  }
  if (entry.Offset < 0 ||
      static_cast<uint64_t>(entry.Offset) + NMovie::HeaderSize > Report.Length) {
    Add(ECheck::SegmentOffset, where,
        "segment offset " + std::to_string(entry.Offset) + " outside the movie");
    return;
  }
  TSegmentReport s;
  s.Entry = static_cast<int32_t>(index + 1);
  s.Offset = static_cast<uint64_t>(entry.Offset);
  if (s.Offset < TableEnd) {
    Add(ECheck::SegmentOffset, where,
        "segment at offset " + std::to_string(entry.Offset) + " lies inside the table");
    return;
  }
  uint8_t header[NMovie::HeaderSize];
  file.ReadAt(Report.Start + s.Offset, header, sizeof header);
  s.Header = TSegmentHeader::Load(header);
  const TSegmentHeader& h = s.Header;
  if (h.Version != NMovie::CurrentVersion) {
    Add(ECheck::SegmentVersion, where,
        "version " + std::to_string(h.Version) +
            ": written by a newer recorder; tqpack copies it as it stands");
    return;
  }
  CheckHeader(where, s);
  if (h.CabinetOffset >= static_cast<int32_t>(NMovie::HeaderSize) && h.CabinetSize > 0 &&
      s.Offset + static_cast<uint64_t>(h.CabinetOffset) + static_cast<uint64_t>(h.CabinetSize) <=
          Report.Length) {
    SegmentEnds[index] =
        s.Offset + static_cast<uint64_t>(h.CabinetOffset) + static_cast<uint64_t>(h.CabinetSize);
    if (CheckCabinet(file, where, s)) ExtractAndExamine(file, where, s);
  }
  Report.Segments.push_back(s);
}

void TExaminer::ExtractAndExamine(TBinaryFile& file, const std::string& where, TSegmentReport& s) {
  const TSegmentHeader& h = s.Header;
  // Extract through the same reader the player uses.
  TTempFolder folder(TempFolder);
  const std::string cabinet = folder.Path() + "/segment.cab";
  {
    TBinaryFile copy(cabinet, TBinaryFile::EMode::Create);
    CopyBytes(file, Report.Start + s.Offset + static_cast<uint64_t>(h.CabinetOffset),
              static_cast<uint64_t>(h.CabinetSize), copy);
    copy.Flush();
  }
  try {
    TtqCabReader reader;
    reader.Extract(cabinet, folder.Path());
    const std::string data = folder.Path() + "/" + s.DataFileName;
    if (!std::filesystem::exists(data))
      Add(ECheck::CabinetExtraction, where, "the cabinet gives no file " + s.DataFileName);
    else
      ExamineSegmentData(data, where, s, Report.Findings);
  } catch (const Exception& e) {
    Add(ECheck::CabinetExtraction, where, "cabinet does not extract: " + e.Message());
  }
}

// What lies between the segments: our writer puts them back to back after the table, each
// with four zero bytes after its cabinet; the player reads none of that.
void TExaminer::CheckPlacement(TBinaryFile& file) {
  if (!Starts.empty() && Starts.front() > TableEnd)
    Add(ECheck::SegmentPlacement, "movie",
        std::to_string(Starts.front() - TableEnd) +
            " bytes between the table and the first entry, at offset " +
            std::to_string(Starts.front()));
  for (size_t i = 0; i < Report.Entries.size(); ++i) {
    const uint64_t end = SegmentEnds[i];
    if (end == 0) continue;
    const std::string where = "entry " + std::to_string(i + 1);
    const uint64_t offset = static_cast<uint64_t>(Report.Entries[i].Offset);
    for (size_t k = 0; k < i; ++k)
      if (Report.Entries[k].Kind == NMovie::KindSegment &&
          Report.Entries[k].Offset == Report.Entries[i].Offset)
        Add(ECheck::SegmentPlacement, where,
            "the same segment as entry " + std::to_string(k + 1) + ": it plays twice");
    const uint64_t next = NextStart(offset);
    const std::string after = next == Report.Length ? "the movie's end" : "the next entry";
    if (next < end) {
      Add(ECheck::SegmentPlacement, where,
          "the cabinet runs " + std::to_string(end - next) + " bytes into the entry at offset " +
              std::to_string(next));
    } else if (next == end) {
      Add(ECheck::SegmentTail, where, "no bytes between the cabinet and " + after);
    } else if (next - end < NMovie::SegmentTailSize) {
      Add(ECheck::SegmentTail, where,
          "only " + std::to_string(next - end) + " bytes between the cabinet and " + after);
    } else if (next - end > NMovie::SegmentTailSize) {
      Add(ECheck::SegmentPlacement, where,
          std::to_string(next - end) + " bytes between the cabinet and " + after);
    } else {
      uint8_t tail[NMovie::SegmentTailSize];
      file.ReadAt(Report.Start + end, tail, sizeof tail);
      if (NLe::Get32(tail) != 0)
        Add(ECheck::SegmentTail, where, "the four bytes after the cabinet are not zero");
    }
  }
}

void TExaminer::MeasureEntries() {
  for (size_t i = 0; i < Report.Entries.size(); ++i) {
    TEntryReport& entry = Report.Entries[i];
    if (!entry.Inside) continue;
    const uint64_t offset = static_cast<uint64_t>(entry.Offset);
    entry.Length = std::max(NextStart(offset), SegmentEnds[i]) - offset;
  }
}

void TExaminer::CheckHeader(const std::string& where, const TSegmentReport& s) {
  const TSegmentHeader& h = s.Header;
  if (h.Width <= 0 || h.Height <= 0 || h.Width > 65535 || h.Height > 65535)
    Add(ECheck::PictureSize, where,
        "picture size " + std::to_string(h.Width) + " x " + std::to_string(h.Height));
  if (!FindRunFormat(h.BitsPerPixel))
    Add(ECheck::ColourDepth, where,
        std::to_string(h.BitsPerPixel) + " bits per pixel cannot be played");
  // The player rounds the rate half to even into a byte.
  if (!std::isfinite(h.FrameRate) || std::nearbyint(h.FrameRate) < 1 ||
      std::nearbyint(h.FrameRate) > 255)
    Add(ECheck::FrameRate, where, "frame rate " + std::to_string(h.FrameRate) + " is not 1 to 255");
  if (h.Flags & ~NMovie::FlagThreeTicksPerFrame)
    Add(ECheck::UnusedFlags, where,
        "flag bits " + Hex(static_cast<uint32_t>(h.Flags), 8) + " beyond bit 0");
  if (h.FrameCount <= 0)
    Add(ECheck::FrameCount, where, "frame count " + std::to_string(h.FrameCount));
  if (h.CursorCount < 0 || h.CursorTrackSize < 0 || h.PaletteDataSize < 0 || h.FrameDataSize < 0)
    Add(ECheck::NegativeSize, where, "negative size in the header");
  if (h.CabinetSize <= 0 || h.CabinetOffset < static_cast<int32_t>(NMovie::HeaderSize) ||
      s.Offset + static_cast<uint64_t>(std::max(h.CabinetOffset, 0)) +
              static_cast<uint64_t>(std::max(h.CabinetSize, 0)) >
          Report.Length)
    Add(ECheck::CabinetPlace, where,
        "cabinet of " + std::to_string(h.CabinetSize) + " bytes at " +
            std::to_string(h.CabinetOffset) + " does not fit the movie");
  if (h.Reserved1 != 0)
    Add(ECheck::Reserved1, where, "Reserved1 is " + std::to_string(h.Reserved1) + ", not 0");
  const int64_t total = int64_t{h.CabinetOffset} + h.CabinetSize + 4;
  if (h.Reserved2 != total)
    Add(ECheck::Reserved2, where,
        "Reserved2 " + std::to_string(h.Reserved2) + " is not the segment length " +
            std::to_string(total));
  const int64_t steps = int64_t{h.FrameCount} * h.TicksPerFrame();
  const int64_t stepBytes = steps * static_cast<int64_t>(NMovie::StepSize);
  if (h.FrameCount > 0 && h.CursorTrackSize >= 0) {
    const std::string what = "cursor track of " + std::to_string(h.CursorTrackSize) +
                             " bytes for " + std::to_string(steps) + " timer ticks";
    if (h.CursorTrackSize < stepBytes || h.CursorTrackSize % NMovie::StepSize != 0)
      Add(ECheck::TrackTooShort, where, what);
    else if (h.CursorTrackSize > stepBytes)
      Add(ECheck::TrackTooLong, where, what);
  }
  if (h.BitsPerPixel != 8 && h.PaletteDataSize > 0)
    Add(ECheck::PaletteUnused, where,
        "palette changes in a " + std::to_string(h.BitsPerPixel) + "-bit segment");
}

bool TExaminer::CheckCabinet(TBinaryFile& file, const std::string& where, TSegmentReport& s) {
  const TSegmentHeader& h = s.Header;
  const uint64_t base = Report.Start + s.Offset + static_cast<uint64_t>(h.CabinetOffset);
  const uint64_t size = static_cast<uint64_t>(h.CabinetSize);
  if (size < CabHeaderSize + FolderSize + FileName + 2) {
    Add(ECheck::CabinetStructure, where, "cabinet too small");
    return false;
  }
  uint8_t head[CabHeaderSize + 4];
  file.ReadAt(base, head, CabHeaderSize);
  if (std::memcmp(head + CabSignature, "MSCF", 4) != 0) {
    Add(ECheck::CabinetStructure, where, "no cabinet signature at the cabinet offset");
    return false;
  }
  const uint32_t cabBytes = NLe::Get32(head + CabBytes);
  if (cabBytes != size)
    Add(ECheck::CabinetStructure, where,
        "cabinet says it is " + std::to_string(cabBytes) + " bytes, the header " +
            std::to_string(size));
  if (NLe::Get32(head + CabReserved1) != 0 || NLe::Get32(head + CabReserved2) != 0 ||
      NLe::Get32(head + CabReserved3) != 0)
    Add(ECheck::CabinetReserved, where, "cabinet reserved fields are not zero");
  if (head[CabMajor] != 1 || head[CabMinor] != 3)
    Add(ECheck::CabinetStructure, where,
        "cabinet version " + std::to_string(head[CabMajor]) + "." + std::to_string(head[CabMinor]));
  const uint16_t flags = static_cast<uint16_t>(NLe::Get16(head + CabFlags));
  const uint16_t folders = static_cast<uint16_t>(NLe::Get16(head + CabFolders));
  const uint16_t files = static_cast<uint16_t>(NLe::Get16(head + CabFiles));
  if (flags & CabFlagLinked) Add(ECheck::CabinetSet, where, "cabinet continues in another cabinet");
  if (flags & ~CabFlagsKnown)
    Add(ECheck::CabinetStructure, where, "undefined cabinet flags " + Hex(flags, 4));
  if (NLe::Get16(head + CabIndex) != 0)
    Add(ECheck::CabinetSet, where, "cabinet is not the first of its set");
  if (folders != 1 || files != 1) {
    Add(ECheck::CabinetFiles, where,
        "cabinet holds " + std::to_string(folders) + " folders and " + std::to_string(files) +
            " files instead of one each");
    if (folders == 0 || files == 0) return false;
  }
  size_t headerReserve = 0, dataReserve = 0;
  uint64_t at = CabHeaderSize;
  if (flags & CabFlagReserve) {
    uint8_t reserve[4];
    file.ReadAt(base + at, reserve, 4);
    headerReserve = NLe::Get16(reserve);
    dataReserve = reserve[3];
    at += 4 + headerReserve;
  }
  uint8_t folder[FolderSize];
  if (at + FolderSize > size) {
    Add(ECheck::CabinetStructure, where, "cabinet folder entry past its end");
    return false;
  }
  file.ReadAt(base + at, folder, FolderSize);
  s.CompressionType = static_cast<uint16_t>(NLe::Get16(folder + FolderCompression));
  const uint32_t dataStart = NLe::Get32(folder + FolderDataStart);
  const uint32_t blocks = NLe::Get16(folder + FolderBlocks);
  s.DataBlocks = blocks;
  const unsigned type = s.CompressionType & 0x0F;
  const unsigned window = s.CompressionType >> 8 & 0x1F;
  if (type > 3 || (s.CompressionType & ~0x1F0Fu) != 0 ||
      (type == 3 && (window < 15 || window > 21)))
    Add(ECheck::CabinetCompression, where,
        "cabinet compression word " + Hex(s.CompressionType, 4) + " is not valid");
  else if (type != 3 || window != 20)
    Add(ECheck::OtherCompression, where,
        "cabinet compression " + Hex(s.CompressionType, 4) + " (" +
            CompressionText(s.CompressionType) + ") instead of LZX with a 2^20 window");

  const uint32_t filesAt = NLe::Get32(head + CabFilesOffset);
  uint8_t entry[FileName + 256] = {};
  if (filesAt + FileName + 2 > size) {
    Add(ECheck::CabinetStructure, where, "cabinet file entry past its end");
    return false;
  }
  file.ReadAt(base + filesAt, entry,
              static_cast<size_t>(std::min<uint64_t>(sizeof entry, size - filesAt)));
  const void* nul = std::memchr(entry + FileName, 0, sizeof entry - FileName);
  if (!nul) {
    Add(ECheck::CabinetStructure, where, "cabinet file name is not terminated");
    return false;
  }
  s.DataFileName = reinterpret_cast<const char*>(entry + FileName);
  if (!IsSafeFileName(s.DataFileName)) {
    Add(ECheck::DataFileNameUnsafe, where, "data file name \"" + s.DataFileName + "\"");
    return false;
  }
  const uint32_t fileBytes = NLe::Get32(entry + FileBytes);
  if (NLe::Get32(entry + FileFolderStart) != 0 || NLe::Get16(entry + FileFolderIndex) != 0)
    Add(ECheck::CabinetStructure, where, "cabinet file does not start its folder");
  if (IsRecorderName(s.DataFileName) &&
      !StampMatchesName(s.DataFileName, static_cast<uint16_t>(NLe::Get16(entry + FileDate)),
                        static_cast<uint16_t>(NLe::Get16(entry + FileTime))))
    Add(ECheck::DataFileStamp, where,
        "the data file's date and time differ from those in its name");
  if (!IsRecorderName(s.DataFileName))
    Add(ECheck::DataFileName, where,
        "data file name \"" + s.DataFileName + "\" is not \"Segm\" + 15 digits + \".dat\"");
  if (NLe::Get16(entry + FileAttributes) != 0x20)
    Add(ECheck::DataFileAttributes, where,
        "data file attributes " + Hex(NLe::Get16(entry + FileAttributes), 2) + ", not 0x20");

  // Every data block: sizes add up and checksums hold.
  uint64_t blockAt = dataStart;
  uint64_t uncompressed = 0;
  std::vector<uint8_t> block;
  for (uint32_t i = 0; i < blocks; ++i) {
    uint8_t dataHead[DataHeaderSize];
    if (blockAt + DataHeaderSize + dataReserve > size) {
      Add(ECheck::CabinetBlocks, where,
          "cabinet data block " + std::to_string(i + 1) + " past the cabinet's end");
      return false;
    }
    file.ReadAt(base + blockAt, dataHead, DataHeaderSize);
    const uint16_t packed = static_cast<uint16_t>(NLe::Get16(dataHead + DataBytes));
    const uint16_t unpacked = static_cast<uint16_t>(NLe::Get16(dataHead + DataUncompressed));
    const uint64_t payloadAt = blockAt + DataHeaderSize + dataReserve;
    if (payloadAt + packed > size) {
      Add(ECheck::CabinetBlocks, where,
          "cabinet data block " + std::to_string(i + 1) + " past the cabinet's end");
      return false;
    }
    const uint32_t checksum = NLe::Get32(dataHead + DataChecksum);
    if (checksum != 0 && dataReserve == 0) {
      block.resize(packed);
      file.ReadAt(base + payloadAt, block.data(), block.size());
      if (CabDataBlockChecksum(block.data(), packed, unpacked) != checksum)
        Add(ECheck::CabinetChecksum, where,
            "checksum of cabinet data block " + std::to_string(i + 1) + " is wrong");
    }
    uncompressed += unpacked;
    blockAt = payloadAt + packed;
  }
  if (blockAt != size)
    Add(ECheck::CabinetTrailing, where,
        std::to_string(size - blockAt) + " bytes after the last data block");
  if (uncompressed != fileBytes)
    Add(ECheck::CabinetBlocks, where,
        "cabinet blocks unpack to " + std::to_string(uncompressed) + " bytes, the file has " +
            std::to_string(fileBytes));
  s.DataFileSize = fileBytes;
  return true;
}

} // namespace

TMovieReport InspectMovie(const std::string& path, const std::string& tempFolder) {
  TMovieReport report;
  report.Path = path;
  try {
    TBinaryFile file(path, TBinaryFile::EMode::Read);
    TExaminer(report, tempFolder).Run(file);
  } catch (const TMovieError& e) {
    report.Findings.push_back({ECheck::Unreadable, "movie", e.what()});
  }
  return report;
}

size_t TMovieReport::Count(EGrade grade) const {
  return static_cast<size_t>(std::count_if(
      Findings.begin(), Findings.end(), [grade](const TFinding& f) { return f.Grade() == grade; }));
}

std::string TMovieReport::FirstProblem() const {
  for (const TFinding& f : Findings)
    if (f.Grade() == EGrade::Problem) return f.Where + ": " + f.What;
  return std::string();
}

void PrintReport(const TMovieReport& r, std::ostream& out) {
  out << "movie: " << r.Path << "\n";
  out << (r.Attached ? "  attached to a program at offset " : "  movie file, starting at ")
      << r.Start << ", " << r.Length << " bytes\n";
  out << "  entries: " << r.EntryCount << ", segments: " << r.Segments.size() << "\n";
  for (const TSegmentReport& s : r.Segments) {
    const TSegmentHeader& h = s.Header;
    out << "segment " << s.Entry << " at offset " << s.Offset << "\n";
    out << "  Name: \"" << Cp1251ToUtf8(s.Name) << "\"\n";
    out << "  Version: " << unsigned{h.Version} << "\n";
    out << "  Width: " << h.Width << "\n";
    out << "  Height: " << h.Height << "\n";
    out << "  BitsPerPixel: " << unsigned{h.BitsPerPixel} << "\n";
    out << "  FrameRate: " << h.FrameRate << "\n";
    out << "  Flags: " << h.Flags << " (" << h.TicksPerFrame() << " timer tick"
        << (h.TicksPerFrame() == 1 ? "" : "s") << " per frame)\n";
    out << "  FrameCount: " << h.FrameCount << "\n";
    out << "  CursorCount: " << h.CursorCount << "\n";
    out << "  CursorTrackSize: " << h.CursorTrackSize << "\n";
    out << "  PaletteDataSize: " << h.PaletteDataSize << "\n";
    out << "  FrameDataSize: " << h.FrameDataSize << "\n";
    out << "  CabinetSize: " << h.CabinetSize << "\n";
    out << "  CabinetOffset: " << h.CabinetOffset << "\n";
    out << "  Reserved1: " << h.Reserved1 << "\n";
    out << "  Reserved2: " << h.Reserved2 << "\n";
    if (!s.DataFileName.empty()) {
      out << "  cabinet: file " << s.DataFileName << ", " << s.DataFileSize << " bytes in "
          << s.DataBlocks << " data blocks, compression " << Hex(s.CompressionType, 4) << " ("
          << CompressionText(s.CompressionType) << ")";
      if (s.DataFileSize > 0 && h.CabinetSize > 0)
        out << ", "
            << (100 * static_cast<uint64_t>(h.CabinetSize) + s.DataFileSize / 2) / s.DataFileSize
            << "% of the data";
      out << "\n";
    }
    if (s.RunCount > 0)
      out << "  frames: " << s.RunCount << " runs, largest record " << s.LargestRecord
          << " bytes\n";
    if (h.BitsPerPixel == 8) out << "  palette changes: " << s.PaletteChangeFrames << " frames\n";
  }
  for (const EGrade grade : {EGrade::Note, EGrade::Problem})
    for (const TFinding& finding : r.Findings)
      if (finding.Grade() == grade) out << finding.Line() << "\n";
  const size_t problems = r.Count(EGrade::Problem), notes = r.Count(EGrade::Note);
  out << (problems == 0 ? std::string("no problems found")
                        : std::to_string(problems) + " problem(s) found")
      << ", " << notes << " note(s)\n";
}

std::vector<std::string> ExtractDataFiles(const std::string& moviePath, const std::string& folder) {
  TBinaryFile file(moviePath, TBinaryFile::EMode::Read);
  const TMovieLocation location = LocateMovie(file);
  std::vector<std::string> paths;
  uint8_t count[4];
  file.ReadAt(location.Start, count, 4);
  const int32_t entries = NLe::GetI32(count);
  if (entries <= 0 ||
      NMovie::TableCountSize + uint64_t(entries) * NMovie::TableEntrySize > location.Length)
    throw TMovieError(moviePath + ": no segment table");
  for (int32_t i = 0; i < entries; ++i) {
    uint8_t entry[NMovie::TableEntrySize];
    file.ReadAt(location.Start + NMovie::TableCountSize +
                    static_cast<uint64_t>(i) * NMovie::TableEntrySize,
                entry, sizeof entry);
    if (NLe::Get16(entry + NMovie::EntryKind) != NMovie::KindSegment) continue;
    const uint64_t offset = NLe::Get32(entry + NMovie::EntryOffset);
    uint8_t header[NMovie::HeaderSize];
    if (offset + NMovie::HeaderSize > location.Length)
      throw TMovieError(moviePath + ": damaged table");
    file.ReadAt(location.Start + offset, header, sizeof header);
    const TSegmentHeader h = TSegmentHeader::Load(header);
    // A segment of a newer version is the player's to pass over, and ours.
    if (h.Version != NMovie::CurrentVersion) continue;
    if (h.CabinetOffset < 0 || h.CabinetSize <= 0 ||
        offset + static_cast<uint64_t>(h.CabinetOffset) + static_cast<uint64_t>(h.CabinetSize) >
            location.Length)
      throw TMovieError(moviePath + ": damaged segment " + std::to_string(i + 1));
    TTempFolder temp;
    const std::string cabinet = temp.Path() + "/segment.cab";
    {
      TBinaryFile copy(cabinet, TBinaryFile::EMode::Create);
      CopyBytes(file, location.Start + offset + static_cast<uint64_t>(h.CabinetOffset),
                static_cast<uint64_t>(h.CabinetSize), copy);
    }
    std::string name;
    TtqCabReader reader;
    reader.ListFiles(cabinet,
                     [&name](TtqCabReader&, const std::string& entryName, int32_t, uint16_t,
                             uint16_t, uint16_t, uint16_t, bool&) { name = entryName; });
    reader.Extract(cabinet, folder);
    if (name.empty())
      throw TMovieError(moviePath + ": segment " + std::to_string(i + 1) + " has an empty cabinet");
    paths.push_back((std::filesystem::path(folder) / name).string());
  }
  return paths;
}

} // namespace NQuillo
