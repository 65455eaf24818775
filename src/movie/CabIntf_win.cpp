#include "CabIntf.h"

#include <windows.h>

namespace {
// The entry points as the library exports them; BOOL-returning calls answer an int.
using TFDICreate = HFDI(DIAMONDAPI*)(PFNALLOC, PFNFREE, PFNOPEN, PFNREAD, PFNWRITE, PFNCLOSE,
                                     PFNSEEK, int, TFdiErrorInfo*);
using TFDIIsCabinet = BOOL(DIAMONDAPI*)(HFDI, INT_PTR, TFdiCabinetInfo*);
using TFDICopy = BOOL(DIAMONDAPI*)(HFDI, char*, char*, int, PFNFDINOTIFY, PFNFDIDECRYPT, void*);
using TFDIDestroy = BOOL(DIAMONDAPI*)(HFDI);

const char* const EntryNames[] = {"FCICreate",      "FCIAddFile", "FCIFlushCabinet",
                                  "FCIFlushFolder", "FCIDestroy", "FDICreate",
                                  "FDIIsCabinet",   "FDICopy",    "FDIDestroy"};
constexpr int EntryCount = sizeof EntryNames / sizeof EntryNames[0];

// The library stays loaded from the first context creation to the end of the program.
struct TCabinetLibrary {
  HMODULE Handle = nullptr;
  FARPROC Entries[EntryCount] = {};

  TCabinetLibrary() = default;
  TCabinetLibrary(const TCabinetLibrary&) = delete;
  TCabinetLibrary& operator=(const TCabinetLibrary&) = delete;
  ~TCabinetLibrary() {
    if (Handle != nullptr) FreeLibrary(Handle);
  }

  template <typename T> T Entry(int index) const {
    return reinterpret_cast<T>(reinterpret_cast<void*>(Entries[index]));
  }
};

TCabinetLibrary CabinetLibrary;

void BindCabinetLibrary() {
  CabinetLibrary.Handle = LoadLibraryA("cabinet.dll");
  if (CabinetLibrary.Handle == nullptr) {
    MessageBoxA(nullptr, "Cabinet.dll not found", "Error", MB_OK);
    return;
  }
  bool complete = true;
  for (int i = 0; i < EntryCount; ++i) {
    CabinetLibrary.Entries[i] = GetProcAddress(CabinetLibrary.Handle, EntryNames[i]);
    complete = complete && CabinetLibrary.Entries[i] != nullptr;
  }
  if (!complete) MessageBoxA(nullptr, "Cabinet.dll is invalid", "Error", MB_OK);
}

enum { iFDICreate = 5, iFDIIsCabinet, iFDICopy, iFDIDestroy };
} // namespace

HFDI FDICreate(PFNALLOC pfnalloc, PFNFREE pfnfree, PFNOPEN pfnopen, PFNREAD pfnread,
               PFNWRITE pfnwrite, PFNCLOSE pfnclose, PFNSEEK pfnseek, int cpuType,
               TFdiErrorInfo* perf) {
  if (CabinetLibrary.Handle == nullptr) BindCabinetLibrary();
  // A library without the entry point cannot make a context: the caller reports that.
  const auto create = CabinetLibrary.Entry<TFDICreate>(iFDICreate);
  if (create == nullptr) return nullptr;
  return create(pfnalloc, pfnfree, pfnopen, pfnread, pfnwrite, pfnclose, pfnseek, cpuType, perf);
}

bool FDIIsCabinet(HFDI hfdi, std::intptr_t hf, TFdiCabinetInfo* info) {
  const auto isCabinet = CabinetLibrary.Entry<TFDIIsCabinet>(iFDIIsCabinet);
  return isCabinet != nullptr && isCabinet(hfdi, hf, info) != FALSE;
}

bool FDICopy(HFDI hfdi, char* pszCabinet, char* pszCabPath, int flags, PFNFDINOTIFY pfnfdin,
             PFNFDIDECRYPT pfnfdid, void* pvUser) {
  const auto copy = CabinetLibrary.Entry<TFDICopy>(iFDICopy);
  return copy != nullptr && copy(hfdi, pszCabinet, pszCabPath, flags, pfnfdin, pfnfdid, pvUser);
}

bool FDIDestroy(HFDI hfdi) {
  const auto destroy = CabinetLibrary.Entry<TFDIDestroy>(iFDIDestroy);
  return destroy != nullptr && destroy(hfdi) != FALSE;
}
