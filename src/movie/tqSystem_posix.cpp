#include "tqSystem.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Windows keeps the last error per thread; errno is per thread too, but every library call may
// change it, so the code is kept apart.
thread_local std::uint32_t LastError = 0;

bool Fail() {
  LastError = errno != 0 ? static_cast<std::uint32_t>(errno) : EIO;
  return false;
}

std::string Local(const std::string& path) {
  std::string local = path;
  std::replace(local.begin(), local.end(), '\\', '/');
  return local;
}

// Windows finds files whatever the letter case of their names; so do we, for the last part of
// a path that does not exist as written (cabinet sets name their parts in any case).
std::string Existing(const std::string& path) {
  std::string local = Local(path);
  struct stat st;
  if (::stat(local.c_str(), &st) == 0) return local;
  const std::size_t slash = local.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : local.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? local : local.substr(slash + 1);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return local;
  std::string found = local;
  while (const dirent* entry = ::readdir(dir)) {
    if (::strcasecmp(entry->d_name, name.c_str()) == 0) {
      found = (slash == std::string::npos ? std::string() : folder) + entry->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

int Fd(THandle handle) {
  return handle >= 0 && handle <= INT_MAX ? static_cast<int>(handle) : -1;
}

bool ValidDosStamp(std::uint16_t date, std::uint16_t time) {
  const int day = date & 0x1F, month = (date >> 5) & 0x0F;
  const int second = (time & 0x1F) * 2, minute = (time >> 5) & 0x3F, hour = time >> 11;
  static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month >= 1 && month <= 12 && day >= 1 && day <= days[month - 1] && hour <= 23 &&
         minute <= 59 && second <= 59;
}
} // namespace

THandle SysOpenFile(const std::string& name, std::uint32_t access, std::uint32_t /*share*/,
                    std::uint32_t creation, std::uint32_t flagsAndAttributes) {
  // POSIX has no mandatory sharing modes, so the sharing word has nothing to map onto.
  int flags = O_CLOEXEC;
  const bool read = (access & sys::GenericRead) != 0, write = (access & sys::GenericWrite) != 0;
  flags |= read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
  switch (creation) {
  case sys::CreateNew:
    flags |= O_CREAT | O_EXCL;
    break;
  case sys::CreateAlways:
    flags |= O_CREAT | O_TRUNC;
    break;
  case sys::OpenExisting:
    break;
  case sys::OpenAlways:
    flags |= O_CREAT;
    break;
  case sys::TruncateExisting:
    flags |= O_TRUNC;
    break;
  default:
    LastError = EINVAL;
    return InvalidHandle;
  }
  const mode_t mode = (flagsAndAttributes & sys::AttrReadOnly) ? 0444 : 0666;
  const std::string local = (flags & O_CREAT) != 0 ? Local(name) : Existing(name);
  const int fd = ::open(local.c_str(), flags, mode);
  if (fd < 0) {
    Fail();
    return InvalidHandle;
  }
  struct stat st;
  const bool statFailed = ::fstat(fd, &st) != 0;
  if (statFailed || S_ISDIR(st.st_mode)) {
    // CreateFileA refuses folders.
    if (!statFailed) errno = EISDIR;
    Fail();
    ::close(fd);
    return InvalidHandle;
  }
  if ((flagsAndAttributes & sys::FlagDeleteOnClose) != 0) ::unlink(local.c_str());
  return fd;
}

bool SysReadFile(THandle handle, void* buffer, std::uint32_t count, std::uint32_t& done) {
  done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < count) {
    const ssize_t n = ::read(Fd(handle), out + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail();
    }
    if (n == 0) break;
    done += static_cast<std::uint32_t>(n);
  }
  return true;
}

bool SysWriteFile(THandle handle, const void* buffer, std::uint32_t count, std::uint32_t& done) {
  done = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (done < count) {
    const ssize_t n = ::write(Fd(handle), in + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail();
    }
    done += static_cast<std::uint32_t>(n);
  }
  return true;
}

std::int32_t SysSeek(THandle handle, std::int32_t distance, int origin) {
  const int whence = origin == sys::FromBegin ? SEEK_SET
                     : origin == sys::FromEnd ? SEEK_END
                                              : SEEK_CUR;
  const off_t pos = ::lseek(Fd(handle), distance, whence);
  if (pos < 0) return Fail(), -1;
  if (pos > INT32_MAX) {
    LastError = EOVERFLOW;
    return -1;
  }
  return static_cast<std::int32_t>(pos);
}

bool SysCloseFile(THandle handle) {
  return ::close(Fd(handle)) == 0 || Fail();
}
std::uint32_t SysLastError() {
  return LastError;
}
void SysSetLastError(std::uint32_t code) {
  LastError = code;
}

std::uint32_t SysGetAttributes(const std::string& path) {
  struct stat st;
  if (::stat(Existing(path).c_str(), &st) != 0) return Fail(), sys::InvalidAttributes;
  std::uint32_t attributes = 0;
  if (S_ISDIR(st.st_mode)) attributes |= sys::AttrDirectory;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= sys::AttrReadOnly;
  return attributes != 0 ? attributes : sys::AttrNormal;
}

bool SysSetAttributes(const std::string& path, std::uint32_t attributes) {
  // Only read-only has a local meaning: it is the absence of write permission.
  const std::string local = Local(path);
  struct stat st;
  if (::stat(local.c_str(), &st) != 0) return Fail();
  mode_t mode = st.st_mode & 07777;
  if (attributes & sys::AttrReadOnly)
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  else
    mode |= S_IWUSR;
  return ::chmod(local.c_str(), mode) == 0 || Fail();
}

bool SysFileExists(const std::string& path) {
  struct stat st;
  return ::stat(Existing(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool SysDeleteFile(const std::string& path) {
  return ::unlink(Local(path).c_str()) == 0 || Fail();
}
bool SysMakeFolder(const std::string& path) {
  return ::mkdir(Local(path).c_str(), 0777) == 0 || Fail();
}

bool SysStampDosTime(THandle handle, std::uint16_t date, std::uint16_t time) {
  if (!ValidDosStamp(date, time)) {
    LastError = EINVAL;
    return false;
  }
  std::tm local{};
  local.tm_year = 80 + (date >> 9);
  local.tm_mon = ((date >> 5) & 0x0F) - 1;
  local.tm_mday = date & 0x1F;
  local.tm_hour = time >> 11;
  local.tm_min = (time >> 5) & 0x3F;
  local.tm_sec = (time & 0x1F) * 2;
  local.tm_isdst = -1;
  const std::time_t when = std::mktime(&local);
  if (when == static_cast<std::time_t>(-1)) return Fail();
  // There is no creation time to set here; the last-access time stays as it is.
  const struct timespec times[2] = {{0, UTIME_OMIT}, {when, 0}};
  return ::futimens(Fd(handle), times) == 0 || Fail();
}

std::string SysFullPath(const std::string& path) {
  std::string full = Local(path);
  if (full.empty() || full[0] != '/') {
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd) == nullptr) return path;
    std::string base = cwd;
    if (base.back() != '/') base += '/';
    full = base + full;
  }
  std::replace(full.begin(), full.end(), '/', '\\');
  return full;
}

std::string SysErrorText(std::uint32_t code) {
  return std::strerror(static_cast<int>(code));
}

std::string SysTempFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string folder = dir != nullptr && *dir != '\0' ? dir : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string SysTempFileName(const std::string& folder, const std::string& prefix) {
  std::string name = Local(folder);
  if (!name.empty() && name.back() != '/') name += '/';
  name += prefix + "XXXXXX";
  const int fd = ::mkstemp(&name[0]);
  if (fd < 0) return Fail(), std::string();
  ::close(fd);
  return name;
}

bool SysRemoveFolder(const std::string& path) {
  return ::rmdir(Local(path).c_str()) == 0 || Fail();
}
