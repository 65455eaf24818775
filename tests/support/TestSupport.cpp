#include "TestSupport.h"

#include "movie/tqSystem.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

std::string DataPath(const std::string& relative) {
  std::string path = std::string(QUILLO_TEST_DATA) + "/" + relative;
#ifdef _WIN32
  // Wine shows the Linux root as drive Z:.
  std::replace(path.begin(), path.end(), '/', '\\');
  path = "Z:" + path;
#endif
  return path;
}

TScratchFolder::TScratchFolder() {
  static std::atomic<unsigned> serial{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const fs::path folder = fs::temp_directory_path() /
                          ("quillo-test-" + std::to_string(stamp) + "-" +
                           std::to_string(serial.fetch_add(1)));
  fs::create_directories(folder);
  FPath = folder.string();
  FPath += static_cast<char>(fs::path::preferred_separator);
}

TScratchFolder::~TScratchFolder() {
  std::error_code ignored;
  // Read-only files left by a test must not stop the clean-up.
  for (auto it = fs::recursive_directory_iterator(FPath, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored))
    fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
  fs::remove_all(FPath, ignored);
}

std::vector<std::string> TScratchFolder::Files() const {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(FPath))
    if (entry.is_regular_file())
      files.push_back(entry.path().lexically_relative(FPath).generic_string());
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  const THandle h = SysOpenFile(path, sys::GenericRead, sys::ShareRead, sys::OpenExisting,
                                sys::AttrNormal);
  if (h == InvalidHandle) throw std::runtime_error("cannot open " + path);
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[65536];
  std::uint32_t done = 0;
  while (SysReadFile(h, buffer, sizeof buffer, done) && done > 0)
    bytes.insert(bytes.end(), buffer, buffer + done);
  SysCloseFile(h);
  return bytes;
}

void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const THandle h = SysOpenFile(path, sys::GenericWrite, 0, sys::CreateAlways, sys::AttrNormal);
  if (h == InvalidHandle) throw std::runtime_error("cannot create " + path);
  std::uint32_t done = 0;
  const bool ok = SysWriteFile(h, bytes.data(), static_cast<std::uint32_t>(bytes.size()), done);
  SysCloseFile(h);
  if (!ok || done != bytes.size()) throw std::runtime_error("cannot write " + path);
}

bool FileExists(const std::string& path) { return SysFileExists(path); }

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}
