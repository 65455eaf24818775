// The FDI calls served by libmspack. The library reads cabinets only through the callbacks
// given to FDICreate and writes extracted data only through the write callback, to the handle
// that the copy-file notification answered, so the caller sees the same callbacks, notifications
// and answers as with the platform's cabinet library.
#include "CabIntf.h"
#include "tqByteReader.h"

#include <mspack.h>

#include <cstring>
#include <limits>
#include <list>
#include <memory>
#include <string>
#include <vector>

namespace {
constexpr std::uint16_t ContinuedFromPrev = 0xFFFD;
constexpr std::uint16_t ContinuedToNext = 0xFFFE;
constexpr std::uint16_t ContinuedPrevAndNext = 0xFFFF;
constexpr std::uint16_t HeaderHasPrev = 0x1, HeaderHasNext = 0x2, HeaderHasReserve = 0x4;
constexpr int MaxNameLength = 1024;      // longer names in a file table count as corruption
constexpr int MaxNextCabinetTries = 64;  // a caller that keeps saying "try again" ends here
constexpr int MaxCabinetsPerCopy = 1024; // sets are followed no further than this
// The name under which the library opens the output: the handle of the file being copied.
const char* const OutputName = "\x01"
                               "fdi-output";

struct TFdiContext {
  PFNALLOC Alloc;
  PFNFREE Free;
  PFNOPEN Open;
  PFNREAD Read;
  PFNWRITE Write;
  PFNCLOSE Close;
  PFNSEEK Seek;
  TFdiErrorInfo* Error;
  mspack_system System;
  mscab_decompressor* Decompressor = nullptr;
  std::intptr_t Output = 0;
};

struct TFdiFile {
  mspack_file Base;
  TFdiContext* Context;
  std::intptr_t Handle;
  bool Owned; // the output handle belongs to the caller, who closes it
};

// The library hands its decompressors copies of the system record, so the record cannot lead
// back to its context; the context of the FDI call running on this thread can.
thread_local TFdiContext* CurrentContext = nullptr;

class TCurrentContext {
public:
  explicit TCurrentContext(TFdiContext* fdi) : FSaved(CurrentContext) { CurrentContext = fdi; }
  TCurrentContext(const TCurrentContext&) = delete;
  TCurrentContext& operator=(const TCurrentContext&) = delete;
  ~TCurrentContext() { CurrentContext = FSaved; }

private:
  TFdiContext* FSaved;
};

TFdiContext* ContextOf(mspack_system*) {
  return CurrentContext;
}
TFdiFile* FileOf(mspack_file* file) {
  return reinterpret_cast<TFdiFile*>(file);
}

void SetError(TFdiContext& fdi, std::int32_t code) {
  if (fdi.Error == nullptr) return;
  fdi.Error->erfOper = code;
  fdi.Error->erfType = 0;
  fdi.Error->fError = code != FDIERROR_NONE;
}

// Memory the library asks for comes from the caller's allocator; the block remembers which free
// callback gives it back, since the library's free carries no context.
constexpr std::size_t BlockHeader = 16;

void* SysAlloc(mspack_system* self, std::size_t bytes) {
  TFdiContext* fdi = ContextOf(self);
  if (bytes > std::numeric_limits<std::uint32_t>::max() - BlockHeader) return nullptr;
  auto* block =
      static_cast<unsigned char*>(fdi->Alloc(static_cast<std::uint32_t>(bytes + BlockHeader)));
  if (block == nullptr) return nullptr;
  std::memcpy(block, &fdi->Free, sizeof fdi->Free);
  return block + BlockHeader;
}

void SysFree(void* ptr) {
  if (ptr == nullptr) return;
  auto* block = static_cast<unsigned char*>(ptr) - BlockHeader;
  PFNFREE release;
  std::memcpy(&release, block, sizeof release);
  release(block);
}

mspack_file* SysOpen(mspack_system* self, const char* filename, int mode) {
  TFdiContext* fdi = ContextOf(self);
  std::intptr_t handle;
  bool owned = true;
  if (std::strcmp(filename, OutputName) == 0 && mode == MSPACK_SYS_OPEN_WRITE) {
    handle = fdi->Output;
    owned = false;
  } else if (mode == MSPACK_SYS_OPEN_READ) {
    std::string name = filename;
    handle = fdi->Open(&name[0], fdiopen::Binary | fdiopen::ReadOnly, 0x0180);
    if (handle == -1) return nullptr;
  } else {
    return nullptr;
  }
  return reinterpret_cast<mspack_file*>(new TFdiFile{{0}, fdi, handle, owned});
}

void SysClose(mspack_file* file) {
  TFdiFile* f = FileOf(file);
  if (f->Owned) f->Context->Close(f->Handle);
  delete f;
}

int SysRead(mspack_file* file, void* buffer, int bytes) {
  TFdiFile* f = FileOf(file);
  if (bytes < 0) return -1;
  const std::uint32_t n = f->Context->Read(f->Handle, buffer, static_cast<std::uint32_t>(bytes));
  return n == static_cast<std::uint32_t>(-1) ? -1 : static_cast<int>(n);
}

int SysWrite(mspack_file* file, void* buffer, int bytes) {
  TFdiFile* f = FileOf(file);
  if (bytes < 0) return -1;
  const std::uint32_t n = f->Context->Write(f->Handle, buffer, static_cast<std::uint32_t>(bytes));
  return n == static_cast<std::uint32_t>(-1) ? -1 : static_cast<int>(n);
}

int SysSeek(mspack_file* file, off_t offset, int mode) {
  TFdiFile* f = FileOf(file);
  if (offset < std::numeric_limits<std::int32_t>::min() ||
      offset > std::numeric_limits<std::int32_t>::max())
    return 1;
  return f->Context->Seek(f->Handle, static_cast<std::int32_t>(offset), mode) == -1 ? 1 : 0;
}

off_t SysTell(mspack_file* file) {
  TFdiFile* f = FileOf(file);
  return f->Context->Seek(f->Handle, 0, MSPACK_SYS_SEEK_CUR);
}

void SysMessage(mspack_file*, const char*, ...) {} // FDI reports nothing but its error record
void SysCopy(void* src, void* dest, std::size_t bytes) {
  std::memmove(dest, src, bytes);
}

std::int32_t FdiErrorOf(int mspackError) {
  switch (mspackError) {
  case MSPACK_ERR_OPEN:
    return FDIERROR_CABINET_NOT_FOUND;
  case MSPACK_ERR_SIGNATURE:
    return FDIERROR_NOT_A_CABINET;
  case MSPACK_ERR_NOMEMORY:
    return FDIERROR_ALLOC_FAIL;
  case MSPACK_ERR_WRITE:
    return FDIERROR_TARGET_FILE;
  case MSPACK_ERR_DECRUNCH:
    return FDIERROR_MDI_FAIL;
  default:
    return FDIERROR_CORRUPT_CABINET;
  }
}

// What the library does not tell: the header fields and each file entry's raw folder index,
// which marks the files that continue from or into the neighbouring cabinets.
struct TRawEntry {
  std::string Name;
  std::uint32_t Size, Offset;
  std::uint16_t Folder;
};

struct TRawCabinet {
  std::int32_t Size = 0;
  std::uint16_t Folders = 0, Files = 0, Flags = 0, SetId = 0, Index = 0;
  std::vector<TRawEntry> Entries;
};

bool ReadExact(TFdiContext& fdi, std::intptr_t hf, void* buffer, std::uint32_t count) {
  return fdi.Read(hf, buffer, count) == count;
}

bool ReadName(TFdiContext& fdi, std::intptr_t hf, std::string& name) {
  name.clear();
  char c;
  while (ReadExact(fdi, hf, &c, 1)) {
    if (c == '\0') return true;
    if (name.size() == MaxNameLength) return false;
    name += c;
  }
  return false;
}

bool SkipBytes(TFdiContext& fdi, std::intptr_t hf, std::int32_t count) {
  return count == 0 || fdi.Seek(hf, count, 1) != -1;
}

// Reads the fixed header at the handle's position, and with entries also the file table, which
// cabinet libraries read right after the folder table whatever the header's table offset says.
std::int32_t ReadRawCabinet(TFdiContext& fdi, std::intptr_t hf, TRawCabinet& cab, bool entries) {
  enum {
    CabinetSize = 8,
    Major = 25,
    FolderCount = 26,
    FileCount = 28,
    Flags = 30,
    SetId = 32,
    Index = 34,
    HeaderSize = 36,
    FolderSize = 8,
    EntrySize = 16
  };
  std::uint8_t bytes[HeaderSize];
  if (!ReadExact(fdi, hf, bytes, HeaderSize)) return FDIERROR_NOT_A_CABINET;
  const TByteReader header(bytes, HeaderSize);
  if (std::memcmp(header.Bytes(0, 4), "MSCF", 4) != 0) return FDIERROR_NOT_A_CABINET;
  if (header.UInt8(Major) != 1) return FDIERROR_UNKNOWN_CABINET_VERSION;
  cab.Size = header.Int32(CabinetSize);
  cab.Folders = header.UInt16(FolderCount);
  cab.Files = header.UInt16(FileCount);
  cab.Flags = header.UInt16(Flags);
  cab.SetId = header.UInt16(SetId);
  cab.Index = header.UInt16(Index);
  if (!entries) return FDIERROR_NONE;

  int folderReserve = 0;
  if (cab.Flags & HeaderHasReserve) {
    std::uint8_t sizes[4];
    if (!ReadExact(fdi, hf, sizes, 4)) return FDIERROR_CORRUPT_CABINET;
    const TByteReader reserve(sizes, sizeof sizes);
    if (!SkipBytes(fdi, hf, reserve.UInt16(0))) return FDIERROR_CORRUPT_CABINET;
    folderReserve = reserve.UInt8(2);
  }
  std::string ignored;
  const int names = ((cab.Flags & HeaderHasPrev) ? 2 : 0) + ((cab.Flags & HeaderHasNext) ? 2 : 0);
  for (int i = 0; i < names; ++i)
    if (!ReadName(fdi, hf, ignored)) return FDIERROR_CORRUPT_CABINET;
  if (!SkipBytes(fdi, hf, cab.Folders * (FolderSize + folderReserve)))
    return FDIERROR_CORRUPT_CABINET;
  for (int i = 0; i < cab.Files; ++i) {
    std::uint8_t bytes[EntrySize];
    TRawEntry raw;
    if (!ReadExact(fdi, hf, bytes, sizeof bytes) || !ReadName(fdi, hf, raw.Name))
      return FDIERROR_CORRUPT_CABINET;
    const TByteReader entry(bytes, sizeof bytes);
    raw.Size = entry.UInt32(0);
    raw.Offset = entry.UInt32(4);
    raw.Folder = entry.UInt16(8);
    cab.Entries.push_back(std::move(raw));
  }
  return FDIERROR_NONE;
}

std::int32_t ReadRawCabinet(TFdiContext& fdi, const std::string& path, TRawCabinet& cab) {
  std::string name = path;
  const std::intptr_t hf = fdi.Open(&name[0], fdiopen::Binary | fdiopen::ReadOnly, 0x0180);
  if (hf == -1) return FDIERROR_CABINET_NOT_FOUND;
  const std::int32_t result = ReadRawCabinet(fdi, hf, cab, true);
  fdi.Close(hf);
  return result;
}

std::uint16_t DosDate(const mscabd_file& f) {
  return static_cast<std::uint16_t>((f.date_y - 1980) << 9 | f.date_m << 5 | f.date_d);
}
std::uint16_t DosTime(const mscabd_file& f) {
  return static_cast<std::uint16_t>(f.time_h << 11 | f.time_m << 5 | f.time_s >> 1);
}

char* Text(const char* s) {
  return const_cast<char*>(s != nullptr ? s : "");
}

// One FDICopy: the cabinets it opened, closed again whatever happens.
class TCopyRun {
public:
  TCopyRun(TFdiContext& fdi, PFNFDINOTIFY notify, void* pv, const std::string& path)
      : Fdi(fdi), Notify(notify), Pv(pv), PathBuffer(256 + path.size(), '\0') {
    std::memcpy(&PathBuffer[0], path.data(), path.size());
  }
  TCopyRun(const TCopyRun&) = delete;
  TCopyRun& operator=(const TCopyRun&) = delete;
  // Closing the first cabinet closes every cabinet appended to it.
  ~TCopyRun() {
    if (!Cabinets.empty()) Fdi.Decompressor->close(Fdi.Decompressor, Cabinets.front());
  }

  bool Run(const std::string& fileName);

private:
  bool Fail(std::int32_t code) {
    SetError(Fdi, code);
    return false;
  }
  std::intptr_t Send(TFdiNotificationType type, TFdiNotification& n) {
    n.pv = Pv;
    return Notify(type, &n);
  }
  std::int32_t OpenCabinet(const std::string& full, TRawCabinet& raw, mscabd_cabinet*& cab);
  bool ContinueFolder(std::int32_t& failure);

  TFdiContext& Fdi;
  PFNFDINOTIFY Notify;
  void* Pv;
  std::string PathBuffer; // the caller may write another folder here on a next-cabinet request
  std::vector<mscabd_cabinet*> Cabinets;
  std::list<std::string> Names;
  bool Continued = false;
};

std::int32_t TCopyRun::OpenCabinet(const std::string& full, TRawCabinet& raw,
                                   mscabd_cabinet*& cab) {
  cab = nullptr;
  if (const std::int32_t e = ReadRawCabinet(Fdi, full, raw)) return e;
  // The library keeps the name it was given, not a copy of it.
  Names.push_back(full);
  cab = Fdi.Decompressor->open(Fdi.Decompressor, Names.back().c_str());
  if (cab == nullptr) return FdiErrorOf(Fdi.Decompressor->last_error(Fdi.Decompressor));
  if (cab->base_offset != 0) { // the library searched past a non-cabinet start: not ours
    Fdi.Decompressor->close(Fdi.Decompressor, cab);
    cab = nullptr;
    return FDIERROR_NOT_A_CABINET;
  }
  return FDIERROR_NONE;
}

// Joins the following cabinets of the set until the folder that runs off the end of the last
// one is complete, asking the caller for each through the next-cabinet notification.
bool TCopyRun::ContinueFolder(std::int32_t& failure) {
  for (;;) {
    mscabd_cabinet* last = Cabinets.back();
    if (last->nextname == nullptr || Cabinets.size() >= MaxCabinetsPerCopy)
      return failure = FDIERROR_CORRUPT_CABINET, false;
    std::int32_t problem = FDIERROR_NONE;
    mscabd_cabinet* next = nullptr;
    TRawCabinet raw;
    for (int tries = 0; next == nullptr; ++tries) {
      if (tries == MaxNextCabinetTries) return failure = problem, false;
      std::string name = last->nextname;
      TFdiNotification n{};
      n.psz1 = &name[0];
      n.psz2 = Text(last->nextinfo);
      n.psz3 = &PathBuffer[0];
      n.fdie = problem;
      if (Send(fdintNEXT_CABINET, n) == -1) return failure = FDIERROR_USER_ABORT, false;
      raw = TRawCabinet();
      problem = OpenCabinet(std::string(PathBuffer.c_str()) + name, raw, next);
      if (next != nullptr &&
          Fdi.Decompressor->append(Fdi.Decompressor, last, next) != MSPACK_ERR_OK) {
        Fdi.Decompressor->close(Fdi.Decompressor, next);
        next = nullptr;
        problem = FDIERROR_WRONG_CABINET;
      }
    }
    Cabinets.push_back(next);
    bool goesOn = false;
    for (const TRawEntry& e : raw.Entries)
      goesOn = goesOn || e.Folder == ContinuedPrevAndNext;
    if (!goesOn) return true;
  }
}

bool TCopyRun::Run(const std::string& fileName) {
  TRawCabinet raw;
  mscabd_cabinet* cab = nullptr;
  if (const std::int32_t e = OpenCabinet(std::string(PathBuffer.c_str()) + fileName, raw, cab))
    return Fail(e);
  Cabinets.push_back(cab);

  TFdiNotification info{};
  info.psz1 = Text(cab->nextname);
  info.psz2 = Text(cab->nextinfo);
  info.psz3 = &PathBuffer[0];
  info.setID = raw.SetId;
  info.iCabinet = raw.Index;
  if (Send(fdintCABINET_INFO, info) == -1) return Fail(FDIERROR_USER_ABORT);

  // The library leaves out entries it finds unusable; pair the rest with the raw table. The
  // pairs are taken before any extraction, since joining the next cabinet lengthens the list.
  std::vector<std::pair<mscabd_file*, std::uint16_t>> files;
  std::size_t r = 0;
  for (mscabd_file* file = cab->files; file != nullptr; file = file->next) {
    while (r < raw.Entries.size() &&
           (raw.Entries[r].Name != file->filename || raw.Entries[r].Size != file->length ||
            raw.Entries[r].Offset != file->offset))
      ++r;
    if (r == raw.Entries.size()) return Fail(FDIERROR_CORRUPT_CABINET);
    files.emplace_back(file, raw.Entries[r++].Folder);
  }

  for (const auto& [file, folder] : files) {
    if (folder == ContinuedFromPrev || folder == ContinuedPrevAndNext) {
      TFdiNotification n{};
      n.psz1 = file->filename;
      n.psz2 = Text(cab->prevname);
      n.psz3 = Text(cab->previnfo);
      if (Send(fdintPARTIAL_FILE, n) == -1) return Fail(FDIERROR_USER_ABORT);
      continue;
    }

    TFdiNotification copy{};
    copy.psz1 = file->filename;
    copy.cb = static_cast<std::int32_t>(file->length);
    copy.date = DosDate(*file);
    copy.time = DosTime(*file);
    copy.attribs = static_cast<std::uint16_t>(file->attribs);
    copy.iFolder = folder;
    const std::intptr_t hf = Send(fdintCOPY_FILE, copy);
    if (hf == -1) return Fail(FDIERROR_USER_ABORT);
    if (hf == 0) continue;

    std::int32_t failure = FDIERROR_NONE;
    if (folder == ContinuedToNext && !Continued) {
      if (!ContinueFolder(failure)) {
        Fdi.Close(hf);
        return Fail(failure);
      }
      Continued = true;
    }
    Fdi.Output = hf;
    const int result = Fdi.Decompressor->extract(Fdi.Decompressor, file, OutputName);
    if (result != MSPACK_ERR_OK) {
      Fdi.Close(hf);
      return Fail(FdiErrorOf(result));
    }

    TFdiNotification done = copy;
    done.hf = hf;
    done.cb = (file->attribs & MSCAB_ATTRIB_EXEC) != 0;
    const std::intptr_t closed = Send(fdintCLOSE_FILE_INFO, done);
    if (closed == 0 || closed == -1) return Fail(FDIERROR_USER_ABORT);
  }
  return true;
}

TFdiContext* FdiOf(HFDI hfdi) {
  return static_cast<TFdiContext*>(hfdi);
}
} // namespace

HFDI FDICreate(PFNALLOC pfnalloc, PFNFREE pfnfree, PFNOPEN pfnopen, PFNREAD pfnread,
               PFNWRITE pfnwrite, PFNCLOSE pfnclose, PFNSEEK pfnseek, int /*cpuType*/,
               TFdiErrorInfo* perf) {
  auto fdi = std::make_unique<TFdiContext>(
      TFdiContext{pfnalloc, pfnfree, pfnopen, pfnread, pfnwrite, pfnclose, pfnseek, perf, {}});
  fdi->System = mspack_system{SysOpen,    SysClose, SysRead, SysWrite, SysSeek, SysTell,
                              SysMessage, SysAlloc, SysFree, SysCopy,  nullptr};
  TCurrentContext current(fdi.get());
  fdi->Decompressor = mspack_create_cab_decompressor(&fdi->System);
  if (fdi->Decompressor == nullptr) {
    SetError(*fdi, FDIERROR_ALLOC_FAIL);
    return nullptr;
  }
  return fdi.release();
}

bool FDIIsCabinet(HFDI hfdi, std::intptr_t hf, TFdiCabinetInfo* info) {
  TFdiContext* fdi = FdiOf(hfdi);
  if (fdi == nullptr) return false;
  TRawCabinet cab;
  if (const std::int32_t e = ReadRawCabinet(*fdi, hf, cab, false)) {
    SetError(*fdi, e);
    return false;
  }
  if (info != nullptr) {
    info->cbCabinet = cab.Size;
    info->cFolders = cab.Folders;
    info->cFiles = cab.Files;
    info->setID = cab.SetId;
    info->iCabinet = cab.Index;
    info->fReserve = (cab.Flags & HeaderHasReserve) != 0;
    info->hasprev = (cab.Flags & HeaderHasPrev) != 0;
    info->hasnext = (cab.Flags & HeaderHasNext) != 0;
  }
  return true;
}

bool FDICopy(HFDI hfdi, char* pszCabinet, char* pszCabPath, int /*flags*/, PFNFDINOTIFY pfnfdin,
             PFNFDIDECRYPT /*pfnfdid*/, void* pvUser) {
  TFdiContext* fdi = FdiOf(hfdi);
  if (fdi == nullptr || pfnfdin == nullptr) return false;
  TCurrentContext current(fdi);
  TCopyRun run(*fdi, pfnfdin, pvUser, pszCabPath != nullptr ? pszCabPath : "");
  return run.Run(pszCabinet != nullptr ? pszCabinet : "");
}

bool FDIDestroy(HFDI hfdi) {
  TFdiContext* fdi = FdiOf(hfdi);
  if (fdi == nullptr) return false;
  TCurrentContext current(fdi);
  mspack_destroy_cab_decompressor(fdi->Decompressor);
  delete fdi;
  return true;
}
