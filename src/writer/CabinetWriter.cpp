#include "writer/CabinetWriter.h"

#include "writer/CabChecksum.h"

#include <algorithm>
#include <string>

namespace NQuillo {

namespace {

// CFHEADER without reserve fields or neighbouring-cabinet names.
constexpr size_t HeaderSignature = 0;
constexpr size_t HeaderCabinetBytes = 8;
constexpr size_t HeaderFilesOffset = 16;
constexpr size_t HeaderMinorVersion = 24;
constexpr size_t HeaderMajorVersion = 25;
constexpr size_t HeaderFolderCount = 26;
constexpr size_t HeaderFileCount = 28;
constexpr size_t HeaderFlags = 30;
constexpr size_t HeaderSetId = 32;
constexpr size_t HeaderCabinetIndex = 34;
constexpr size_t HeaderSize = 36;

// CFFOLDER, right after the header.
constexpr size_t FolderDataOffset = 0;
constexpr size_t FolderBlockCount = 4;
constexpr size_t FolderCompression = 6;
constexpr size_t FolderSize = 8;

// CFFILE, after the only folder; the zero-terminated name follows the fixed part.
constexpr size_t FileSize = 0;
constexpr size_t FileFolderOffset = 4;
constexpr size_t FileFolderIndex = 8;
constexpr size_t FileDate = 10;
constexpr size_t FileTime = 12;
constexpr size_t FileAttributes = 14;
constexpr size_t FileName = 16;

// CFDATA header; the payload follows.
constexpr size_t DataChecksum = 0;
constexpr size_t DataCompressedBytes = 4;
constexpr size_t DataUncompressedBytes = 6;
constexpr size_t DataHeaderSize = 8;

constexpr uint32_t BlockBytes = NLzx::FrameSize;
// The largest CFDATA payload that libmspack and libarchive accept.
constexpr size_t MaxPayloadBytes = BlockBytes + 6144;
constexpr size_t SourceChunk = 1 << 16;

void Put16(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  bytes[offset] = static_cast<uint8_t>(value);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  Put16(bytes, offset, value & 0xFFFFu);
  Put16(bytes, offset + 2, value >> 16);
}

const TCabinetFile& CheckedFile(const TCabinetFile& file) {
  if (file.Name.empty()) throw TCabinetError("cabinet file name is empty");
  if (file.Name.size() > TCabinetWriter::MaxNameBytes)
    throw TCabinetError("cabinet file name longer than 255 bytes: " + file.Name);
  if (file.Name.find('\0') != std::string::npos)
    throw TCabinetError("cabinet file name contains a NUL byte");
  return file;
}

} // namespace

TCabinetWriter::TCabinetWriter(ICabSink& sink, const TCabinetFile& file,
                               const TCabinetOptions& options)
    : Sink(sink), File(CheckedFile(file)), Compression(options.Compression) {
  if (Compression == ECabCompression::Lzx)
    Lzx = std::make_unique<TLzxCompressor>(options.LzxWindowBits, options.LzxLevel,
                                           options.LzxTuning);
  const std::vector<uint8_t> header = BuildHeader();
  Sink.Write(header.data(), header.size());
  CabinetBytes = header.size();
}

TCabinetWriter::~TCabinetWriter() = default;

std::vector<uint8_t> TCabinetWriter::BuildHeader() const {
  const size_t filesOffset = HeaderSize + FolderSize;
  const size_t dataOffset = filesOffset + FileName + File.Name.size() + 1;
  std::vector<uint8_t> bytes(dataOffset, 0);

  const char signature[4] = {'M', 'S', 'C', 'F'};
  std::copy(signature, signature + 4, bytes.begin() + HeaderSignature);
  Put32(bytes, HeaderCabinetBytes,
        static_cast<uint32_t>(std::max<uint64_t>(CabinetBytes, dataOffset)));
  Put32(bytes, HeaderFilesOffset, static_cast<uint32_t>(filesOffset));
  bytes[HeaderMinorVersion] = 3;
  bytes[HeaderMajorVersion] = 1;
  Put16(bytes, HeaderFolderCount, 1);
  Put16(bytes, HeaderFileCount, 1);
  Put16(bytes, HeaderFlags, 0);
  Put16(bytes, HeaderSetId, 0);
  Put16(bytes, HeaderCabinetIndex, 0);

  const size_t folder = HeaderSize;
  Put32(bytes, folder + FolderDataOffset, static_cast<uint32_t>(dataOffset));
  Put16(bytes, folder + FolderBlockCount, DataBlocks);
  Put16(bytes, folder + FolderCompression, Lzx ? Lzx->FolderCompressionType() : 0);

  const size_t entry = filesOffset;
  Put32(bytes, entry + FileSize, static_cast<uint32_t>(FileBytes));
  Put32(bytes, entry + FileFolderOffset, 0);
  Put16(bytes, entry + FileFolderIndex, 0);
  Put16(bytes, entry + FileDate, File.DosDate);
  Put16(bytes, entry + FileTime, File.DosTime);
  Put16(bytes, entry + FileAttributes, File.Attributes);
  std::copy(File.Name.begin(), File.Name.end(), bytes.begin() + entry + FileName);
  return bytes;
}

void TCabinetWriter::WriteDataBlock(const uint8_t* payload, size_t payloadSize,
                                    uint32_t uncompressedSize) {
  if (payloadSize == 0 || payloadSize > MaxPayloadBytes || uncompressedSize > BlockBytes)
    throw std::logic_error("CFDATA block of " + std::to_string(payloadSize) + " bytes for " +
                           std::to_string(uncompressedSize));
  if (DataBlocks == 0xFFFFu)
    throw TCabinetError("a cabinet folder holds at most 65535 CFDATA blocks");
  if (CabinetBytes + DataHeaderSize + payloadSize > MaxCabinetBytes)
    throw TCabinetError("cabinet would exceed " + std::to_string(MaxCabinetBytes) + " bytes");

  std::vector<uint8_t> header(DataHeaderSize);
  const auto compressed = static_cast<uint16_t>(payloadSize);
  const auto uncompressed = static_cast<uint16_t>(uncompressedSize);
  Put32(header, DataChecksum, CabDataBlockChecksum(payload, compressed, uncompressed));
  Put16(header, DataCompressedBytes, compressed);
  Put16(header, DataUncompressedBytes, uncompressed);
  Sink.Write(header.data(), header.size());
  Sink.Write(payload, payloadSize);
  CabinetBytes += DataHeaderSize + payloadSize;
  ++DataBlocks;
}

void TCabinetWriter::DrainCompressor() {
  TLzxFrame frame;
  while (Lzx->ReadFrame(frame))
    WriteDataBlock(frame.Data.data(), frame.Data.size(), frame.UncompressedSize);
}

void TCabinetWriter::Append(const uint8_t* data, size_t size) {
  if (IsFinished) throw std::logic_error("cabinet appended to after Finish()");
  if (size > MaxFileBytes - FileBytes)
    throw TCabinetError("file " + File.Name + " is larger than a cabinet folder can hold (" +
                        std::to_string(MaxFileBytes) + " bytes)");
  FileBytes += size;
  if (Lzx) {
    // Bounded pieces keep the compressor's queue of finished frames short.
    while (size != 0) {
      const size_t piece = std::min<size_t>(size, 4 * BlockBytes);
      Lzx->Write(data, piece);
      DrainCompressor();
      data += piece;
      size -= piece;
    }
    return;
  }
  while (size != 0) {
    const size_t piece = std::min<size_t>(size, BlockBytes - Stored.size());
    Stored.insert(Stored.end(), data, data + piece);
    data += piece;
    size -= piece;
    if (Stored.size() == BlockBytes) {
      WriteDataBlock(Stored.data(), Stored.size(), BlockBytes);
      Stored.clear();
    }
  }
}

TCabinetSummary TCabinetWriter::Finish() {
  if (!IsFinished) {
    if (Lzx) {
      Lzx->Finish();
      DrainCompressor();
    } else if (!Stored.empty()) {
      WriteDataBlock(Stored.data(), Stored.size(), static_cast<uint32_t>(Stored.size()));
      Stored.clear();
    }
    const std::vector<uint8_t> header = BuildHeader();
    Sink.Overwrite(0, header.data(), header.size());
    IsFinished = true;
  }
  TCabinetSummary summary;
  summary.CabinetBytes = static_cast<uint32_t>(CabinetBytes);
  summary.FileBytes = static_cast<uint32_t>(FileBytes);
  summary.DataBlocks = static_cast<uint16_t>(DataBlocks);
  return summary;
}

TCabinetSummary TCabinetWriter::Write(ICabSource& source, ICabSink& sink, const TCabinetFile& file,
                                      const TCabinetOptions& options) {
  TCabinetWriter writer(sink, file, options);
  std::vector<uint8_t> chunk(SourceChunk);
  for (;;) {
    const size_t got = source.Read(chunk.data(), chunk.size());
    if (got == 0) break;
    writer.Append(chunk.data(), got);
  }
  return writer.Finish();
}

uint16_t TCabinetWriter::MakeDosDate(unsigned year, unsigned month, unsigned day) {
  if (year < 1980 || year > 2107 || month < 1 || month > 12 || day < 1 || day > 31)
    throw std::invalid_argument("date outside the DOS range 1980-01-01 to 2107-12-31");
  return static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day);
}

uint16_t TCabinetWriter::MakeDosTime(unsigned hour, unsigned minute, unsigned second) {
  if (hour > 23 || minute > 59 || second > 59)
    throw std::invalid_argument("time of day out of range");
  return static_cast<uint16_t>(hour << 11 | minute << 5 | second / 2);
}

} // namespace NQuillo
