#include "tqSystem.h"

#include <windows.h>

namespace {
HANDLE Native(THandle handle) {
  return reinterpret_cast<HANDLE>(handle);
}
} // namespace

THandle SysOpenFile(const std::string& name, std::uint32_t access, std::uint32_t share,
                    std::uint32_t creation, std::uint32_t flagsAndAttributes) {
  HANDLE h =
      CreateFileA(name.c_str(), access, share, nullptr, creation, flagsAndAttributes, nullptr);
  return h == INVALID_HANDLE_VALUE ? InvalidHandle : reinterpret_cast<THandle>(h);
}

bool SysReadFile(THandle handle, void* buffer, std::uint32_t count, std::uint32_t& done) {
  DWORD got = 0;
  const bool ok = ReadFile(Native(handle), buffer, count, &got, nullptr) != 0;
  done = got;
  return ok;
}

bool SysWriteFile(THandle handle, const void* buffer, std::uint32_t count, std::uint32_t& done) {
  DWORD put = 0;
  const bool ok = WriteFile(Native(handle), buffer, count, &put, nullptr) != 0;
  done = put;
  return ok;
}

std::int32_t SysSeek(THandle handle, std::int32_t distance, int origin) {
  const DWORD pos = SetFilePointer(Native(handle), distance, nullptr, static_cast<DWORD>(origin));
  if (pos == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
  return static_cast<std::int32_t>(pos);
}

bool SysCloseFile(THandle handle) {
  return CloseHandle(Native(handle)) != 0;
}
std::uint32_t SysLastError() {
  return GetLastError();
}
void SysSetLastError(std::uint32_t code) {
  SetLastError(code);
}

std::uint32_t SysGetAttributes(const std::string& path) {
  return GetFileAttributesA(path.c_str());
}

bool SysSetAttributes(const std::string& path, std::uint32_t attributes) {
  return SetFileAttributesA(path.c_str(), attributes) != 0;
}

bool SysFileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool SysDeleteFile(const std::string& path) {
  return DeleteFileA(path.c_str()) != 0;
}
bool SysMakeFolder(const std::string& path) {
  return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool SysStampDosTime(THandle handle, std::uint16_t date, std::uint16_t time) {
  FILETIME local, utc;
  if (!DosDateTimeToFileTime(date, time, &local) || !LocalFileTimeToFileTime(&local, &utc))
    return false;
  return SetFileTime(Native(handle), &utc, nullptr, &utc) != 0;
}

std::string SysFullPath(const std::string& path) {
  char buffer[MAX_PATH * 4];
  const DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
  if (n == 0 || n >= sizeof buffer) return path;
  return std::string(buffer, n);
}

std::string SysErrorText(std::uint32_t code) {
  char buffer[256];
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, buffer, sizeof buffer, nullptr);
  return std::string(buffer, n);
}

std::string SysTempFolder() {
  char buffer[MAX_PATH + 1];
  const DWORD n = GetTempPathA(sizeof buffer, buffer);
  return n == 0 || n > MAX_PATH ? std::string() : std::string(buffer, n);
}

std::string SysTempFileName(const std::string& folder, const std::string& prefix) {
  char buffer[MAX_PATH];
  if (GetTempFileNameA(folder.c_str(), prefix.c_str(), 0, buffer) == 0) return std::string();
  return buffer;
}

bool SysRemoveFolder(const std::string& path) {
  return RemoveDirectoryA(path.c_str()) != 0;
}
