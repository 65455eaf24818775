#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

namespace NQuillo {

// A file read or written as bytes at chosen offsets; every failure throws TMovieError with
// the file's name.
class TBinaryFile {
public:
  enum class EMode { Read, Create };

  TBinaryFile(const std::string& path, EMode mode);
  TBinaryFile(const TBinaryFile&) = delete;
  TBinaryFile& operator=(const TBinaryFile&) = delete;

  // Sequential writing at the end of what was written.
  void Write(const void* data, size_t size);
  // Replaces bytes already written; the next Write still goes to the end.
  void WriteAt(uint64_t offset, const void* data, size_t size);
  // Reads exactly size bytes at offset.
  void ReadAt(uint64_t offset, void* data, size_t size);
  // Reads up to size bytes from the sequential read position; 0 at the end.
  size_t Read(void* data, size_t size);
  void SeekRead(uint64_t offset);
  uint64_t Size();
  void Flush();
  // Flushes and closes, reporting a failure; only Size() and Path() work afterwards.
  void Close();
  const std::string& Path() const { return PathValue; }

private:
  [[noreturn]] void Fail(const char* what) const;

  std::fstream Stream;
  std::string PathValue;
  uint64_t WriteEnd = 0;
  uint64_t ReadPosition = 0;
  bool Writable;
};

// A file of its own in a temporary folder, deleted when this object goes.
class TTempFile {
public:
  // folder empty: the system's temporary folder.
  explicit TTempFile(const std::string& folder = std::string());
  ~TTempFile();
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;

  TBinaryFile& File() { return *FileValue; }
  const std::string& Path() const { return PathValue; }

private:
  std::string PathValue;
  std::unique_ptr<TBinaryFile> FileValue;
};

// A folder of its own in a temporary folder, removed with its contents when this object goes.
class TTempFolder {
public:
  explicit TTempFolder(const std::string& parent = std::string());
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  const std::string& Path() const { return PathValue; }

private:
  std::string PathValue;
};

// A name in folder (or the system's temporary folder) that no file has yet.
std::string UniqueTempPath(const std::string& folder, const std::string& suffix);

} // namespace NQuillo
