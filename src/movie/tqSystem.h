// The few operating-system file services the movie container needs, with the Win32 meaning
// on every platform. On Windows each maps straight onto its API call; the POSIX version
// gives the same answers where the system has the concept and drops what it lacks.
// Paths may use backslashes on every platform: the POSIX side maps them to slashes.
#pragma once

#include <cstdint>
#include <string>

using THandle = std::intptr_t;
constexpr THandle InvalidHandle = -1;

namespace sys {
// Access rights, sharing, creation dispositions and attributes, with their Win32 values.
constexpr std::uint32_t GenericRead = 0x80000000u;
constexpr std::uint32_t GenericWrite = 0x40000000u;
constexpr std::uint32_t ShareRead = 0x1;
constexpr std::uint32_t ShareWrite = 0x2;
constexpr std::uint32_t CreateNew = 1;
constexpr std::uint32_t CreateAlways = 2;
constexpr std::uint32_t OpenExisting = 3;
constexpr std::uint32_t OpenAlways = 4;
constexpr std::uint32_t TruncateExisting = 5;
constexpr std::uint32_t AttrReadOnly = 0x1;
constexpr std::uint32_t AttrHidden = 0x2;
constexpr std::uint32_t AttrSystem = 0x4;
constexpr std::uint32_t AttrDirectory = 0x10;
constexpr std::uint32_t AttrArchive = 0x20;
constexpr std::uint32_t AttrNormal = 0x80;
constexpr std::uint32_t AttrTemporary = 0x100;
constexpr std::uint32_t FlagDeleteOnClose = 0x04000000u;
constexpr std::uint32_t FlagSequentialScan = 0x08000000u;
constexpr std::uint32_t FlagRandomAccess = 0x10000000u;
constexpr std::uint32_t InvalidAttributes = 0xFFFFFFFFu;
constexpr int FromBegin = 0;
constexpr int FromCurrent = 1;
constexpr int FromEnd = 2;
} // namespace sys

// CreateFileA; InvalidHandle on failure with the reason in SysLastError.
THandle SysOpenFile(const std::string& name, std::uint32_t access, std::uint32_t share,
                    std::uint32_t creation, std::uint32_t flagsAndAttributes);
bool SysReadFile(THandle handle, void* buffer, std::uint32_t count, std::uint32_t& done);
bool SysWriteFile(THandle handle, const void* buffer, std::uint32_t count, std::uint32_t& done);
// SetFilePointer: the new position, or -1 on failure.
std::int32_t SysSeek(THandle handle, std::int32_t distance, int origin);
bool SysCloseFile(THandle handle);
std::uint32_t SysLastError();
void SysSetLastError(std::uint32_t code);

std::uint32_t SysGetAttributes(const std::string& path);
bool SysSetAttributes(const std::string& path, std::uint32_t attributes);
bool SysFileExists(const std::string& path);
bool SysDeleteFile(const std::string& path);
bool SysMakeFolder(const std::string& path);
// DosDateTimeToFileTime, LocalFileTimeToFileTime, then SetFileTime as creation and last-write
// time; false when the date is invalid or the stamp fails.
bool SysStampDosTime(THandle handle, std::uint16_t date, std::uint16_t time);
// The absolute form of a path, with backslashes as separators on every platform.
std::string SysFullPath(const std::string& path);
// GetTempPathA: the system's temporary folder, ending with a separator.
std::string SysTempFolder();
// GetTempFileNameA with a unique name: makes the empty file and returns its path, or "" on failure.
std::string SysTempFileName(const std::string& folder, const std::string& prefix);
bool SysRemoveFolder(const std::string& path);
// The system's text for an error code, as FormatMessageA gives it (possibly with a line end).
std::string SysErrorText(std::uint32_t code);
