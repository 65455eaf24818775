// The FDI interface of the cabinet library: its records, callback types and the four
// decompression calls. On Windows the calls go to the platform's cabinet.dll, bound at run
// time; elsewhere they are served by a layer of our own with the same contract.
#pragma once

#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define DIAMONDAPI __cdecl
#else
#define DIAMONDAPI
#endif

// The layouts below are those the cabinet library publishes; they cross into it unchanged.
struct TFdiErrorInfo {
  std::int32_t erfOper;
  std::int32_t erfType;
  std::int32_t fError;
};

struct TFdiCabinetInfo {
  std::int32_t cbCabinet;
  std::uint16_t cFolders;
  std::uint16_t cFiles;
  std::uint16_t setID;
  std::uint16_t iCabinet;
  std::int32_t fReserve;
  std::int32_t hasprev;
  std::int32_t hasnext;
};

struct TFdiNotification {
  std::int32_t cb;
  char* psz1;
  char* psz2;
  char* psz3;
  void* pv;
  std::intptr_t hf;
  std::uint16_t date;
  std::uint16_t time;
  std::uint16_t attribs;
  std::uint16_t setID;
  std::uint16_t iCabinet;
  std::uint16_t iFolder;
  std::int32_t fdie;
};

enum TFdiNotificationType : std::int32_t {
  fdintCABINET_INFO = 0,
  fdintPARTIAL_FILE = 1,
  fdintCOPY_FILE = 2,
  fdintCLOSE_FILE_INFO = 3,
  fdintNEXT_CABINET = 4,
  fdintENUMERATE = 5,
};

enum TFdiError : std::int32_t {
  FDIERROR_NONE = 0,
  FDIERROR_CABINET_NOT_FOUND = 1,
  FDIERROR_NOT_A_CABINET = 2,
  FDIERROR_UNKNOWN_CABINET_VERSION = 3,
  FDIERROR_CORRUPT_CABINET = 4,
  FDIERROR_ALLOC_FAIL = 5,
  FDIERROR_BAD_COMPR_TYPE = 6,
  FDIERROR_MDI_FAIL = 7,
  FDIERROR_TARGET_FILE = 8,
  FDIERROR_RESERVE_MISMATCH = 9,
  FDIERROR_WRONG_CABINET = 10,
  FDIERROR_USER_ABORT = 11,
};

// The C run-time open flags that the library passes to the open callback.
namespace fdiopen {
constexpr int ReadOnly = 0x0000;
constexpr int WriteOnly = 0x0001;
constexpr int ReadWrite = 0x0002;
constexpr int Append = 0x0008;
constexpr int Random = 0x0010;
constexpr int Sequential = 0x0020;
constexpr int Temporary = 0x0040;
constexpr int Create = 0x0100;
constexpr int Truncate = 0x0200;
constexpr int Exclusive = 0x0400;
constexpr int ShortLived = 0x1000;
constexpr int Binary = 0x8000;
} // namespace fdiopen

using HFDI = void*;
using PFNALLOC = void*(DIAMONDAPI*)(std::uint32_t cb);
using PFNFREE = void(DIAMONDAPI*)(void* pv);
using PFNOPEN = std::intptr_t(DIAMONDAPI*)(char* pszFile, int oflag, int pmode);
using PFNREAD = std::uint32_t(DIAMONDAPI*)(std::intptr_t hf, void* pv, std::uint32_t cb);
using PFNWRITE = std::uint32_t(DIAMONDAPI*)(std::intptr_t hf, void* pv, std::uint32_t cb);
using PFNCLOSE = int(DIAMONDAPI*)(std::intptr_t hf);
using PFNSEEK = std::int32_t(DIAMONDAPI*)(std::intptr_t hf, std::int32_t dist, int seektype);
using PFNFDINOTIFY = std::intptr_t(DIAMONDAPI*)(TFdiNotificationType type,
                                                TFdiNotification* notification);
using PFNFDIDECRYPT = int(DIAMONDAPI*)(void* decrypt);

HFDI FDICreate(PFNALLOC pfnalloc, PFNFREE pfnfree, PFNOPEN pfnopen, PFNREAD pfnread,
               PFNWRITE pfnwrite, PFNCLOSE pfnclose, PFNSEEK pfnseek, int cpuType,
               TFdiErrorInfo* perf);
bool FDIIsCabinet(HFDI hfdi, std::intptr_t hf, TFdiCabinetInfo* info);
bool FDICopy(HFDI hfdi, char* pszCabinet, char* pszCabPath, int flags, PFNFDINOTIFY pfnfdin,
             PFNFDIDECRYPT pfnfdid, void* pvUser);
bool FDIDestroy(HFDI hfdi);
