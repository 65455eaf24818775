#include "MovieExaminer.h"

#include "movie/tqCab.h"
#include "writer/BinaryFile.h"
#include "writer/CabChecksum.h"
#include "writer/Cp1251.h"
#include "writer/CursorRecords.h"
#include "writer/LittleEndian.h"
#include "writer/MovieWriter.h"

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

class TExaminer {
public:
  TExaminer(TMovieReport& report, const std::string& tempFolder)
      : Report(report), TempFolder(tempFolder) {}

  void Run(TBinaryFile& file);

private:
  void Problem(const std::string& where, const std::string& what) {
    Report.Problems.push_back(where + ": " + what);
  }
  void Note(const std::string& where, const std::string& what) {
    Report.Notes.push_back(where + ": " + what);
  }
  void CheckHeader(const std::string& where, TSegmentReport& s, uint64_t segmentEnd);
  bool CheckCabinet(TBinaryFile& file, const std::string& where, TSegmentReport& s);
  void CheckDataFile(const std::string& path, const std::string& where, TSegmentReport& s);
  bool CheckShapes(TReader& in, const std::string& where, const TSegmentHeader& h);
  bool CheckFrames(TReader& in, const std::string& where, TSegmentReport& s);
  bool CheckTrack(TReader& in, const std::string& where, const TSegmentHeader& h);
  bool CheckPalette(TReader& in, const std::string& where, TSegmentReport& s);

  TMovieReport& Report;
  const std::string TempFolder;
};

void TExaminer::Run(TBinaryFile& file) {
  const TMovieLocation location = LocateMovie(file);
  Report.Start = location.Start;
  Report.Length = location.Length;
  Report.Attached = location.Attached;
  if (location.Length < NMovie::TableCountSize) {
    Problem("movie", "shorter than its entry count");
    return;
  }
  uint8_t count[4];
  file.ReadAt(location.Start, count, 4);
  Report.EntryCount = NLe::GetI32(count);
  if (Report.EntryCount <= 0) {
    Problem("movie", "entry count " + std::to_string(Report.EntryCount) + ": no segments");
    return;
  }
  const uint64_t tableEnd =
      NMovie::TableCountSize + static_cast<uint64_t>(Report.EntryCount) * NMovie::TableEntrySize;
  if (tableEnd > location.Length) {
    Problem("movie", "segment table of " + std::to_string(Report.EntryCount) +
                         " entries runs past the movie's end");
    return;
  }
  std::vector<uint8_t> table(static_cast<size_t>(tableEnd - NMovie::TableCountSize));
  file.ReadAt(location.Start + NMovie::TableCountSize, table.data(), table.size());
  uint64_t expectedNext = tableEnd;
  for (int32_t i = 0; i < Report.EntryCount; ++i) {
    const uint8_t* entry = table.data() + static_cast<size_t>(i) * NMovie::TableEntrySize;
    const std::string where = "entry " + std::to_string(i + 1);
    const uint16_t kind = static_cast<uint16_t>(NLe::Get16(entry + NMovie::EntryKind));
    const int32_t offset = NLe::GetI32(entry + NMovie::EntryOffset);
    if (kind != NMovie::KindSegment) {
      Note(where, "kind " + std::to_string(kind) + " is passed over by the player");
      continue;
    }
    TSegmentReport s;
    s.Entry = i + 1;
    if (offset < 0 || static_cast<uint64_t>(offset) + NMovie::HeaderSize > location.Length) {
      Problem(where, "segment offset " + std::to_string(offset) + " outside the movie");
      continue;
    }
    s.Offset = static_cast<uint64_t>(offset);
    if (s.Offset < tableEnd) {
      Problem(where, "segment at offset " + std::to_string(offset) + " lies inside the table");
      continue;
    }
    if (s.Offset < expectedNext)
      Problem(where, "segment at offset " + std::to_string(offset) + " overlaps the one before");
    else if (s.Offset != expectedNext)
      Note(where, "segment does not follow the previous one back to back");
    uint8_t header[NMovie::HeaderSize];
    file.ReadAt(location.Start + s.Offset, header, sizeof header);
    s.Header = TSegmentHeader::Load(header);
    CheckHeader(where, s, location.Length);
    const TSegmentHeader& h = s.Header;
    if (h.CabinetOffset >= 0 && h.CabinetSize > 0 &&
        s.Offset + static_cast<uint64_t>(h.CabinetOffset) + static_cast<uint64_t>(h.CabinetSize) <=
            location.Length) {
      const uint64_t end =
          s.Offset + static_cast<uint64_t>(h.CabinetOffset) + static_cast<uint64_t>(h.CabinetSize);
      expectedNext = end + NMovie::SegmentTailSize;
      if (end + NMovie::SegmentTailSize <= location.Length) {
        uint8_t tail[NMovie::SegmentTailSize];
        file.ReadAt(location.Start + end, tail, sizeof tail);
        if (NLe::Get32(tail) != 0) Problem(where, "the four bytes after the cabinet are not zero");
      } else {
        Problem(where, "the movie ends before the four zero bytes after the cabinet");
      }
      if (h.Version == NMovie::CurrentVersion && CheckCabinet(file, where, s)) {
        // Extract through the same reader the player uses.
        TTempFolder folder(TempFolder);
        const std::string cabinet = folder.Path() + "/segment.cab";
        {
          TBinaryFile copy(cabinet, TBinaryFile::EMode::Create);
          CopyBytes(file, location.Start + s.Offset + static_cast<uint64_t>(h.CabinetOffset),
                    static_cast<uint64_t>(h.CabinetSize), copy);
          copy.Flush();
        }
        try {
          TtqCabReader reader;
          reader.Extract(cabinet, folder.Path());
          const std::string data = folder.Path() + "/" + s.DataFileName;
          if (!std::filesystem::exists(data))
            Problem(where, "the cabinet gives no file " + s.DataFileName);
          else
            CheckDataFile(data, where, s);
        } catch (const Exception& e) {
          Problem(where, "cabinet does not extract: " + e.Message());
        }
      }
    }
    Report.Segments.push_back(s);
  }
  if (Report.Segments.empty()) Problem("movie", "no entry of the table is a segment");
  if (expectedNext != location.Length)
    Problem("movie", "the last segment ends " + std::to_string(expectedNext) + " bytes into the " +
                         std::to_string(location.Length) + "-byte movie");
}

void TExaminer::CheckHeader(const std::string& where, TSegmentReport& s, uint64_t movieEnd) {
  const TSegmentHeader& h = s.Header;
  if (h.Version != NMovie::CurrentVersion) {
    Problem(where, "version " + std::to_string(h.Version) + ": the player skips this segment");
    return;
  }
  if (h.Width <= 0 || h.Height <= 0 || h.Width > 65535 || h.Height > 65535)
    Problem(where, "picture size " + std::to_string(h.Width) + " x " + std::to_string(h.Height));
  if (!FindRunFormat(h.BitsPerPixel))
    Problem(where, std::to_string(h.BitsPerPixel) + " bits per pixel cannot be played");
  // The player rounds the rate half to even into a byte.
  if (!std::isfinite(h.FrameRate) || std::nearbyint(h.FrameRate) < 1 ||
      std::nearbyint(h.FrameRate) > 255)
    Problem(where, "frame rate " + std::to_string(h.FrameRate) + " is not 1 to 255");
  if (h.Flags & ~NMovie::FlagThreeTicksPerFrame)
    Problem(where, "undefined flag bits " + Hex(static_cast<uint32_t>(h.Flags), 8));
  if (h.FrameCount <= 0) Problem(where, "frame count " + std::to_string(h.FrameCount));
  if (h.CursorCount < 0 || h.CursorTrackSize < 0 || h.PaletteDataSize < 0 || h.FrameDataSize < 0)
    Problem(where, "negative size in the header");
  if (h.CabinetSize <= 0 || h.CabinetOffset < static_cast<int32_t>(NMovie::HeaderSize) ||
      s.Offset + static_cast<uint64_t>(std::max(h.CabinetOffset, 0)) +
              static_cast<uint64_t>(std::max(h.CabinetSize, 0)) >
          movieEnd)
    Problem(where, "cabinet of " + std::to_string(h.CabinetSize) + " bytes at " +
                       std::to_string(h.CabinetOffset) + " does not fit the movie");
  if (h.Reserved1 != 0) Problem(where, "Reserved1 is " + std::to_string(h.Reserved1) + ", not 0");
  const int64_t total = int64_t{h.CabinetOffset} + h.CabinetSize + 4;
  if (h.Reserved2 != total)
    Problem(where, "Reserved2 " + std::to_string(h.Reserved2) + " is not the segment length " +
                       std::to_string(total));
  const int64_t steps = int64_t{h.FrameCount} * h.TicksPerFrame();
  if (h.FrameCount > 0 && h.CursorTrackSize != steps * static_cast<int64_t>(NMovie::StepSize))
    Problem(where, "cursor track of " + std::to_string(h.CursorTrackSize) + " bytes for " +
                       std::to_string(steps) + " timer ticks");
  if (h.BitsPerPixel != 8 && h.PaletteDataSize != 0)
    Problem(where, "palette changes in a " + std::to_string(h.BitsPerPixel) + "-bit segment");
}

bool TExaminer::CheckCabinet(TBinaryFile& file, const std::string& where, TSegmentReport& s) {
  const TSegmentHeader& h = s.Header;
  const uint64_t base = Report.Start + s.Offset + static_cast<uint64_t>(h.CabinetOffset);
  const uint64_t size = static_cast<uint64_t>(h.CabinetSize);
  if (size < CabHeaderSize + FolderSize + FileName + 2) {
    Problem(where, "cabinet too small");
    return false;
  }
  uint8_t head[CabHeaderSize + 4];
  file.ReadAt(base, head, CabHeaderSize);
  if (std::memcmp(head + CabSignature, "MSCF", 4) != 0) {
    Problem(where, "no cabinet signature at the cabinet offset");
    return false;
  }
  const uint32_t cabBytes = NLe::Get32(head + CabBytes);
  if (cabBytes != size)
    Problem(where, "cabinet says it is " + std::to_string(cabBytes) + " bytes, the header " +
                       std::to_string(size));
  if (NLe::Get32(head + CabReserved1) != 0 || NLe::Get32(head + CabReserved2) != 0 ||
      NLe::Get32(head + CabReserved3) != 0)
    Problem(where, "cabinet reserved fields are not zero");
  if (head[CabMajor] != 1 || head[CabMinor] != 3)
    Problem(where, "cabinet version " + std::to_string(head[CabMajor]) + "." +
                       std::to_string(head[CabMinor]));
  const uint16_t flags = static_cast<uint16_t>(NLe::Get16(head + CabFlags));
  const uint16_t folders = static_cast<uint16_t>(NLe::Get16(head + CabFolders));
  const uint16_t files = static_cast<uint16_t>(NLe::Get16(head + CabFiles));
  if (flags & CabFlagLinked) Problem(where, "cabinet continues in another cabinet");
  if (flags & ~CabFlagsKnown) Problem(where, "undefined cabinet flags " + Hex(flags, 4));
  if (NLe::Get16(head + CabIndex) != 0) Problem(where, "cabinet is not the first of its set");
  if (folders != 1 || files != 1) {
    Problem(where, "cabinet holds " + std::to_string(folders) + " folders and " +
                       std::to_string(files) + " files instead of one each");
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
    Problem(where, "cabinet folder entry past its end");
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
    Problem(where, "cabinet compression word " + Hex(s.CompressionType, 4) + " is not valid");
  else if (type != 3 || window != 20)
    Note(where, "cabinet compression " + Hex(s.CompressionType, 4) + " (" +
                    CompressionText(s.CompressionType) + ") instead of LZX with a 2^20 window");

  const uint32_t filesAt = NLe::Get32(head + CabFilesOffset);
  uint8_t entry[FileName + 256] = {};
  if (filesAt + FileName + 2 > size) {
    Problem(where, "cabinet file entry past its end");
    return false;
  }
  file.ReadAt(base + filesAt, entry,
              static_cast<size_t>(std::min<uint64_t>(sizeof entry, size - filesAt)));
  const void* nul = std::memchr(entry + FileName, 0, sizeof entry - FileName);
  if (!nul) {
    Problem(where, "cabinet file name is not terminated");
    return false;
  }
  s.DataFileName = reinterpret_cast<const char*>(entry + FileName);
  const uint32_t fileBytes = NLe::Get32(entry + FileBytes);
  if (NLe::Get32(entry + FileFolderStart) != 0 || NLe::Get16(entry + FileFolderIndex) != 0)
    Problem(where, "cabinet file does not start its folder");
  if (IsRecorderName(s.DataFileName) &&
      !StampMatchesName(s.DataFileName, static_cast<uint16_t>(NLe::Get16(entry + FileDate)),
                        static_cast<uint16_t>(NLe::Get16(entry + FileTime))))
    Problem(where, "the data file's date and time differ from those in its name");
  if (!IsRecorderName(s.DataFileName))
    Problem(where,
            "data file name \"" + s.DataFileName + "\" is not \"Segm\" + 15 digits + \".dat\"");
  if (NLe::Get16(entry + FileAttributes) != 0x20)
    Problem(where,
            "data file attributes " + Hex(NLe::Get16(entry + FileAttributes), 2) + ", not 0x20");

  // Every data block: sizes add up and checksums hold.
  uint64_t blockAt = dataStart;
  uint64_t uncompressed = 0;
  std::vector<uint8_t> block;
  for (uint32_t i = 0; i < blocks; ++i) {
    uint8_t dataHead[DataHeaderSize];
    if (blockAt + DataHeaderSize + dataReserve > size) {
      Problem(where, "cabinet data block " + std::to_string(i + 1) + " past the cabinet's end");
      return false;
    }
    file.ReadAt(base + blockAt, dataHead, DataHeaderSize);
    const uint16_t packed = static_cast<uint16_t>(NLe::Get16(dataHead + DataBytes));
    const uint16_t unpacked = static_cast<uint16_t>(NLe::Get16(dataHead + DataUncompressed));
    const uint64_t payloadAt = blockAt + DataHeaderSize + dataReserve;
    if (payloadAt + packed > size) {
      Problem(where, "cabinet data block " + std::to_string(i + 1) + " past the cabinet's end");
      return false;
    }
    const uint32_t checksum = NLe::Get32(dataHead + DataChecksum);
    if (checksum != 0 && dataReserve == 0) {
      block.resize(packed);
      file.ReadAt(base + payloadAt, block.data(), block.size());
      if (CabDataBlockChecksum(block.data(), packed, unpacked) != checksum)
        Problem(where, "checksum of cabinet data block " + std::to_string(i + 1) + " is wrong");
    }
    uncompressed += unpacked;
    blockAt = payloadAt + packed;
  }
  if (blockAt != size) Problem(where, "cabinet data blocks end at " + std::to_string(blockAt));
  if (uncompressed != fileBytes)
    Problem(where, "cabinet blocks unpack to " + std::to_string(uncompressed) +
                       " bytes, the file has " + std::to_string(fileBytes));
  s.DataFileSize = fileBytes;
  return true;
}

void TExaminer::CheckDataFile(const std::string& path, const std::string& where,
                               TSegmentReport& s) {
  TReader in(path);
  const TSegmentHeader& h = s.Header;
  uint8_t word[4];
  if (!in.Read(word, 4)) {
    Problem(where, "data file is empty");
    return;
  }
  const int32_t nameSize = NLe::GetI32(word);
  if (nameSize < 1 || nameSize > 256) {
    Problem(where, "name size " + std::to_string(nameSize) + " is not 1 to 256");
    return;
  }
  std::string name(static_cast<size_t>(nameSize), '\0');
  if (!in.Read(&name[0], name.size())) {
    Problem(where, "data file ends inside the name");
    return;
  }
  if (static_cast<uint8_t>(name[0]) != nameSize - 1)
    Note(where, "name length byte " + std::to_string(static_cast<uint8_t>(name[0])) +
                    " in a name field of " + std::to_string(nameSize) + " bytes");
  s.Name = name.substr(1, std::min<size_t>(static_cast<uint8_t>(name[0]), name.size() - 1));
  if (!CheckShapes(in, where, h) || !CheckFrames(in, where, s) || !CheckTrack(in, where, h) ||
      !CheckPalette(in, where, s))
    return;
  const uint64_t size = in.Size();
  if (in.Position() != size)
    Problem(where, "data file has " + std::to_string(size - in.Position()) +
                       " bytes more than the header accounts for");
}

bool TExaminer::CheckShapes(TReader& in, const std::string& where, const TSegmentHeader& h) {
  using namespace NCursorRecord;
  for (int32_t i = 0; i < h.CursorCount; ++i) {
    const std::string shape = where + ", cursor shape " + std::to_string(i);
    uint8_t fixed[Mask + DescriptorBytes];
    if (!in.Read(fixed, sizeof fixed)) {
      Problem(shape, "data file ends inside the cursor shapes");
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
        Problem(shape, "mask of " + std::to_string(maskSize) + " bytes does not match " +
                           std::to_string(maskWidth) + " x " + std::to_string(maskHeight));
      if (!in.Skip(static_cast<uint64_t>(maskSize))) {
        Problem(shape, "data file ends inside the mask");
        return false;
      }
    }
    uint8_t colour[DescriptorBytes];
    if (!in.Read(colour, sizeof colour)) {
      Problem(shape, "data file ends inside the cursor shapes");
      return false;
    }
    const int32_t colourSize = NLe::GetI32(colour + DescriptorSize);
    if (colourSize > 0) {
      const int32_t w = NLe::GetI32(colour + DescriptorWidth);
      const int32_t ht = NLe::GetI32(colour + DescriptorHeight);
      const unsigned bits = colour[DescriptorBitsPerPixel];
      if (w <= 0 || ht <= 0 || (bits != 24 && bits != 32) ||
          static_cast<uint64_t>(colourSize) != DibRowBytes(w, bits) * static_cast<uint64_t>(ht))
        Problem(shape, "colour bits of " + std::to_string(colourSize) + " bytes do not match " +
                           std::to_string(w) + " x " + std::to_string(ht) + " at " +
                           std::to_string(bits) + " bits");
      if (!in.Skip(static_cast<uint64_t>(colourSize))) {
        Problem(shape, "data file ends inside the colour bits");
        return false;
      }
    } else if (maskHeight % 2 != 0) {
      Problem(shape, "monochrome mask of odd height " + std::to_string(maskHeight));
    }
  }
  return true;
}

bool TExaminer::CheckFrames(TReader& in, const std::string& where, TSegmentReport& s) {
  const TSegmentHeader& h = s.Header;
  const TRunFormat* format = FindRunFormat(h.BitsPerPixel);
  const uint64_t start = in.Position();
  const uint64_t pixels =
      static_cast<uint64_t>(std::max(h.Width, 0)) * static_cast<uint64_t>(std::max(h.Height, 0));
  std::vector<uint8_t> runs;
  for (int32_t f = 0; f < h.FrameCount && format; ++f) {
    const std::string frame = where + ", frame " + std::to_string(f);
    uint8_t head[NMovie::RecordRuns];
    if (in.Position() - start + sizeof head > static_cast<uint64_t>(h.FrameDataSize) ||
        !in.Read(head, sizeof head)) {
      Problem(frame, "frame data ends before the frame count is reached");
      return false;
    }
    const int32_t recordSize = NLe::GetI32(head + NMovie::RecordSizeField);
    const int32_t runCount = NLe::GetI32(head + NMovie::RecordRunCount);
    if (runCount < 0 || int64_t{recordSize} != int64_t{8} + int64_t{runCount} * format->RunSize ||
        in.Position() - start + static_cast<uint64_t>(recordSize) - 8 >
            static_cast<uint64_t>(h.FrameDataSize)) {
      Problem(frame, "record size " + std::to_string(recordSize) + " does not match " +
                         std::to_string(runCount) + " runs within the frame data");
      return false;
    }
    s.RunCount += static_cast<uint64_t>(runCount);
    s.LargestRecord = std::max(s.LargestRecord, static_cast<uint32_t>(recordSize));
    uint64_t covered = 0;
    runs.resize(static_cast<size_t>(format->RunSize) * 4096);
    for (int32_t left = runCount; left > 0;) {
      const int32_t batch = std::min(left, 4096);
      if (!in.Read(runs.data(), static_cast<size_t>(batch) * format->RunSize)) {
        Problem(frame, "data file ends inside the runs");
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
      Problem(frame,
              "runs cover " + std::to_string(covered) + " pixels of " + std::to_string(pixels));
  }
  if (format && in.Position() - start != static_cast<uint64_t>(h.FrameDataSize)) {
    Problem(where, "frame data size " + std::to_string(h.FrameDataSize) + ", records take " +
                       std::to_string(in.Position() - start));
    return in.Skip(
        static_cast<uint64_t>(h.FrameDataSize) -
        std::min<uint64_t>(in.Position() - start, static_cast<uint64_t>(h.FrameDataSize)));
  }
  return format ? true : in.Skip(static_cast<uint64_t>(h.FrameDataSize));
}

bool TExaminer::CheckTrack(TReader& in, const std::string& where, const TSegmentHeader& h) {
  uint64_t outside = 0, unknownShape = 0;
  for (int32_t i = 0; i < h.CursorTrackSize / static_cast<int32_t>(NMovie::StepSize); ++i) {
    uint8_t step[NMovie::StepSize];
    if (!in.Read(step, sizeof step)) {
      Problem(where, "data file ends inside the cursor track");
      return false;
    }
    const uint32_t shape = NLe::Get16(step + NMovie::StepShapeIndex);
    if (shape >= static_cast<uint32_t>(std::max(h.CursorCount, 0)) && shape != 0xFFFF)
      ++unknownShape;
    if (NLe::Get16(step + NMovie::StepX) >= static_cast<uint32_t>(std::max(h.Width, 0)) ||
        NLe::Get16(step + NMovie::StepY) >= static_cast<uint32_t>(std::max(h.Height, 0)))
      ++outside;
  }
  if (!in.Skip(static_cast<uint64_t>(h.CursorTrackSize % static_cast<int32_t>(NMovie::StepSize)))) {
    Problem(where, "data file ends inside the cursor track");
    return false;
  }
  if (unknownShape)
    Problem(where, std::to_string(unknownShape) + " cursor steps name a shape that is not there");
  if (outside) Note(where, std::to_string(outside) + " cursor steps lie outside the picture");
  return true;
}

bool TExaminer::CheckPalette(TReader& in, const std::string& where, TSegmentReport& s) {
  const TSegmentHeader& h = s.Header;
  if (h.PaletteDataSize == 0) {
    if (h.BitsPerPixel == 8) Note(where, "8-bit segment without palette changes");
    return true;
  }
  const uint64_t start = in.Position();
  int32_t records = 0;
  while (in.Position() - start < static_cast<uint64_t>(h.PaletteDataSize)) {
    uint8_t head[2];
    if (!in.Read(head, 1)) {
      Problem(where, "data file ends inside the palette changes");
      return false;
    }
    ++records;
    if (head[0] == 0) continue;
    if (!in.Read(head + 1, 1) || !in.Skip(uint64_t{head[0]} * NMovie::PaletteEntrySize)) {
      Problem(where, "data file ends inside the palette changes");
      return false;
    }
    ++s.PaletteChangeFrames;
    if (head[0] + head[1] > 256)
      Problem(where, "palette change " + std::to_string(records) + " runs past entry 255");
  }
  if (in.Position() - start != static_cast<uint64_t>(h.PaletteDataSize))
    Problem(where, "palette changes overrun their size");
  if (records != h.FrameCount)
    Problem(where, std::to_string(records) + " palette change records for " +
                       std::to_string(h.FrameCount) + " frames");
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
    report.Problems.push_back(e.what());
  }
  return report;
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
  for (const std::string& note : r.Notes)
    out << "note: " << note << "\n";
  for (const std::string& problem : r.Problems)
    out << "problem: " << problem << "\n";
  out << (r.Problems.empty() ? "no problems found\n"
                             : std::to_string(r.Problems.size()) + " problem(s) found\n");
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
