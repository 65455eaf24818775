// Helpers shared by the tests: test data, scratch folders, whole-file reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A path below tests/data, in the form the platform's file calls take.
std::string DataPath(const std::string& relative);

// A fresh empty folder, removed with everything in it when the object goes.
class TScratchFolder {
public:
  TScratchFolder();
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;
  ~TScratchFolder();
  // The folder with a trailing separator.
  const std::string& Path() const { return FPath; }
  std::string operator/(const std::string& name) const { return FPath + name; }
  // Every regular file below the folder, as paths relative to it with '/' separators, sorted.
  std::vector<std::string> Files() const;

private:
  std::string FPath;
};

std::vector<std::uint8_t> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool FileExists(const std::string& path);
std::string Sha256Hex(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> Bytes(const std::string& text);
