#include "writer/CabStreams.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace NQuillo {

namespace {

// Streams count in signed, possibly 32-bit, units on some targets; feed them bounded pieces.
constexpr size_t MaxStreamPiece = size_t{1} << 30;

} // namespace

size_t TMemoryCabSource::Read(uint8_t* buffer, size_t size) {
  const size_t taken = std::min(size, Size - Offset);
  if (taken != 0) std::memcpy(buffer, Data + Offset, taken);
  Offset += taken;
  return taken;
}

void TMemoryCabSink::Write(const uint8_t* data, size_t size) {
  Data.insert(Data.end(), data, data + size);
}

void TMemoryCabSink::Overwrite(uint64_t offset, const uint8_t* data, size_t size) {
  if (offset > Data.size() || size > Data.size() - offset)
    throw std::out_of_range("cabinet sink overwrite past the written bytes");
  std::memcpy(Data.data() + offset, data, size);
}

TFileCabSource::TFileCabSource(const std::string& path) : File(path, std::ios::binary), Path(path) {
  if (!File) throw std::runtime_error("cannot open " + path + " for reading");
}

size_t TFileCabSource::Read(uint8_t* buffer, size_t size) {
  size = std::min(size, MaxStreamPiece);
  File.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(size));
  if (File.bad()) throw std::runtime_error("read error on " + Path);
  return static_cast<size_t>(File.gcount());
}

TFileCabSink::TFileCabSink(const std::string& path)
    : File(path, std::ios::binary | std::ios::trunc), Path(path) {
  if (!File) throw std::runtime_error("cannot create " + path);
}

void TFileCabSink::Write(const uint8_t* data, size_t size) {
  while (size != 0) {
    const size_t piece = std::min(size, MaxStreamPiece);
    File.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(piece));
    if (!File) throw std::runtime_error("write error on " + Path);
    data += piece;
    size -= piece;
  }
}

void TFileCabSink::Overwrite(uint64_t offset, const uint8_t* data, size_t size) {
  const std::streampos end = File.tellp();
  if (end < 0 || offset + size > static_cast<uint64_t>(std::streamoff(end)))
    throw std::out_of_range("cabinet sink overwrite past the written bytes of " + Path);
  File.seekp(static_cast<std::streamoff>(offset));
  Write(data, size);
  File.seekp(end);
  if (!File) throw std::runtime_error("seek error on " + Path);
}

void TFileCabSink::Flush() {
  File.flush();
  if (!File) throw std::runtime_error("write error on " + Path);
}

} // namespace NQuillo
