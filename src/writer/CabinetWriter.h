#pragma once

#include "writer/CabStreams.h"
#include "writer/LzxCompressor.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace NQuillo {

// A cabinet that cannot be written as asked: a name or size beyond what the format holds.
class TCabinetError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

enum class ECabCompression : uint8_t { None, Lzx };

struct TCabinetFile {
  std::string Name;           // stored as given, e.g. "Segm000000000000001.dat"
  uint16_t Attributes = 0x20; // archive
  uint16_t DosDate = 0;
  uint16_t DosTime = 0;
};

struct TCabinetOptions {
  ECabCompression Compression = ECabCompression::Lzx;
  unsigned LzxWindowBits = NLzx::DefaultWindowBits;
  ELzxLevel LzxLevel = ELzxLevel::Default;
  NLzx::TMatcherTuning LzxTuning; // of the Fast level
};

struct TCabinetSummary {
  uint32_t CabinetBytes = 0;
  uint32_t FileBytes = 0;
  uint16_t DataBlocks = 0;
};

// Writes a version 1.3 cabinet holding one folder with one file, streamed: the header goes
// out first with placeholder sizes, CFDATA blocks follow as input arrives, and Finish()
// rewrites the header with the final sizes through the sink.
class TCabinetWriter {
public:
  // The format's ceilings: 65535 CFDATA blocks of 32 KiB per folder, and cbCabinet is meant
  // to stay a positive 32-bit number.
  static constexpr uint32_t MaxFileBytes = 0x7FFF8000u;
  static constexpr uint32_t MaxCabinetBytes = 0x7FFFFFFFu;
  static constexpr size_t MaxNameBytes = 255;

  TCabinetWriter(ICabSink& sink, const TCabinetFile& file,
                 const TCabinetOptions& options = TCabinetOptions());
  ~TCabinetWriter();
  TCabinetWriter(const TCabinetWriter&) = delete;
  TCabinetWriter& operator=(const TCabinetWriter&) = delete;

  void Append(const uint8_t* data, size_t size);
  TCabinetSummary Finish();

  // Pumps source to its end into a new cabinet on sink.
  static TCabinetSummary Write(ICabSource& source, ICabSink& sink, const TCabinetFile& file,
                               const TCabinetOptions& options = TCabinetOptions());

  static uint16_t MakeDosDate(unsigned year, unsigned month, unsigned day);
  static uint16_t MakeDosTime(unsigned hour, unsigned minute, unsigned second);

private:
  std::vector<uint8_t> BuildHeader() const;
  void WriteDataBlock(const uint8_t* payload, size_t payloadSize, uint32_t uncompressedSize);
  void DrainCompressor();

  ICabSink& Sink;
  const TCabinetFile File;
  const ECabCompression Compression;
  std::unique_ptr<TLzxCompressor> Lzx;
  std::vector<uint8_t> Stored; // the incomplete block of an uncompressed folder
  uint64_t FileBytes = 0;
  uint64_t CabinetBytes = 0;
  uint32_t DataBlocks = 0;
  bool IsFinished = false;
};

} // namespace NQuillo
