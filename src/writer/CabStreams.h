#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace NQuillo {

// Where the bytes to be archived come from. Read() returns how many bytes it stored, 0 only
// at the end of the data.
class ICabSource {
public:
  virtual ~ICabSource() = default;
  virtual size_t Read(uint8_t* buffer, size_t size) = 0;
};

// Where the cabinet goes. The header's sizes are only known at the end, so the sink must let
// already written bytes be replaced in place.
class ICabSink {
public:
  virtual ~ICabSink() = default;
  virtual void Write(const uint8_t* data, size_t size) = 0;
  virtual void Overwrite(uint64_t offset, const uint8_t* data, size_t size) = 0;
};

class TFunctionCabSource : public ICabSource {
public:
  using TReader = std::function<size_t(uint8_t* buffer, size_t size)>;
  explicit TFunctionCabSource(TReader reader) : Reader(std::move(reader)) {}
  size_t Read(uint8_t* buffer, size_t size) override { return Reader(buffer, size); }

private:
  TReader Reader;
};

class TMemoryCabSource : public ICabSource {
public:
  TMemoryCabSource(const uint8_t* data, size_t size) : Data(data), Size(size) {}
  size_t Read(uint8_t* buffer, size_t size) override;

private:
  const uint8_t* Data;
  size_t Size;
  size_t Offset = 0;
};

class TMemoryCabSink : public ICabSink {
public:
  void Write(const uint8_t* data, size_t size) override;
  void Overwrite(uint64_t offset, const uint8_t* data, size_t size) override;
  const std::vector<uint8_t>& Bytes() const { return Data; }

private:
  std::vector<uint8_t> Data;
};

class TFileCabSource : public ICabSource {
public:
  explicit TFileCabSource(const std::string& path);
  size_t Read(uint8_t* buffer, size_t size) override;

private:
  std::ifstream File;
  std::string Path;
};

// Creates or truncates the file; I/O failures throw std::runtime_error.
class TFileCabSink : public ICabSink {
public:
  explicit TFileCabSink(const std::string& path);
  void Write(const uint8_t* data, size_t size) override;
  void Overwrite(uint64_t offset, const uint8_t* data, size_t size) override;
  // Pushes buffered bytes to the file and reports a failure as an exception.
  void Flush();

private:
  std::ofstream File;
  std::string Path;
};

} // namespace NQuillo
