#include "writer/BinaryFile.h"

#include "writer/MovieLayout.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

namespace NQuillo {

namespace fs = std::filesystem;

namespace {

// Streams count in std::streamsize, which is 32 bits on some targets; move bounded pieces.
constexpr size_t MaxPiece = size_t{1} << 30;

std::ios::openmode OpenMode(TBinaryFile::EMode mode) {
  return mode == TBinaryFile::EMode::Read
             ? std::ios::in | std::ios::binary
             : std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc;
}

uint64_t NameSeed() {
  static std::atomic<uint64_t> counter{0};
  uint64_t seed =
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  seed ^= ++counter * 0x9E3779B97F4A7C15ull;
  try {
    std::random_device device;
    seed ^= static_cast<uint64_t>(device()) << 32 ^ device();
  } catch (const std::exception&) {
    // Time and counter alone still make names that differ within this process.
  }
  return seed;
}

} // namespace

TBinaryFile::TBinaryFile(const std::string& path, EMode mode)
    : Stream(path, OpenMode(mode)), PathValue(path), Writable(mode == EMode::Create) {
  if (!Stream) throw TMovieError((mode == EMode::Read ? "cannot open " : "cannot create ") + path);
}

void TBinaryFile::Fail(const char* what) const {
  throw TMovieError(std::string(what) + " " + PathValue);
}

void TBinaryFile::Write(const void* data, size_t size) {
  if (!Writable) Fail("cannot write to");
  Stream.seekp(static_cast<std::streamoff>(WriteEnd));
  const char* bytes = static_cast<const char*>(data);
  for (size_t done = 0; done < size;) {
    const size_t piece = std::min(size - done, MaxPiece);
    Stream.write(bytes + done, static_cast<std::streamsize>(piece));
    if (!Stream) Fail("write error on");
    done += piece;
  }
  WriteEnd += size;
}

void TBinaryFile::WriteAt(uint64_t offset, const void* data, size_t size) {
  if (!Writable) Fail("cannot write to");
  if (offset > WriteEnd || size > WriteEnd - offset) Fail("write past the end of");
  Stream.seekp(static_cast<std::streamoff>(offset));
  Stream.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!Stream) Fail("write error on");
}

void TBinaryFile::ReadAt(uint64_t offset, void* data, size_t size) {
  Stream.clear();
  Stream.seekg(static_cast<std::streamoff>(offset));
  char* bytes = static_cast<char*>(data);
  for (size_t done = 0; done < size;) {
    const size_t piece = std::min(size - done, MaxPiece);
    Stream.read(bytes + done, static_cast<std::streamsize>(piece));
    if (static_cast<size_t>(Stream.gcount()) != piece) Fail("unexpected end of");
    done += piece;
  }
}

size_t TBinaryFile::Read(void* data, size_t size) {
  Stream.clear();
  Stream.seekg(static_cast<std::streamoff>(ReadPosition));
  Stream.read(static_cast<char*>(data), static_cast<std::streamsize>(std::min(size, MaxPiece)));
  if (Stream.bad()) Fail("read error on");
  const size_t got = static_cast<size_t>(Stream.gcount());
  ReadPosition += got;
  Stream.clear();
  return got;
}

void TBinaryFile::SeekRead(uint64_t offset) {
  ReadPosition = offset;
}

uint64_t TBinaryFile::Size() {
  if (Writable || !Stream.is_open()) return WriteEnd;
  Stream.clear();
  Stream.seekg(0, std::ios::end);
  const std::streamoff size = Stream.tellg();
  if (size < 0) Fail("cannot find the size of");
  return static_cast<uint64_t>(size);
}

void TBinaryFile::Flush() {
  Stream.flush();
  if (!Stream) Fail("write error on");
}

void TBinaryFile::Close() {
  if (!Stream.is_open()) return;
  Flush();
  Stream.close();
  if (Stream.fail()) Fail("cannot close");
  Writable = false;
}

std::string UniqueTempPath(const std::string& folder, const std::string& suffix) {
  std::error_code error;
  const fs::path base = folder.empty() ? fs::temp_directory_path(error) : fs::path(folder);
  if (error) throw TMovieError("no temporary folder: " + error.message());
  std::mt19937_64 random(NameSeed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[40];
    std::snprintf(name, sizeof name, "tqpack-%016llx%s", static_cast<unsigned long long>(random()),
                  suffix.c_str());
    const fs::path path = base / name;
    if (!fs::exists(path, error)) return path.string();
  }
  throw TMovieError("cannot find a free temporary file name in " + base.string());
}

TTempFile::TTempFile(const std::string& folder)
    : PathValue(UniqueTempPath(folder, ".tmp")),
      FileValue(std::make_unique<TBinaryFile>(PathValue, TBinaryFile::EMode::Create)) {}

TTempFile::~TTempFile() {
  FileValue.reset(); // closed first: an open file cannot be removed on Windows
  std::error_code ignored;
  fs::remove(PathValue, ignored);
}

TTempFolder::TTempFolder(const std::string& parent) : PathValue(UniqueTempPath(parent, "")) {
  std::error_code error;
  if (!fs::create_directory(PathValue, error))
    throw TMovieError("cannot create folder " + PathValue);
}

TTempFolder::~TTempFolder() {
  std::error_code ignored;
  fs::remove_all(PathValue, ignored);
}

} // namespace NQuillo
