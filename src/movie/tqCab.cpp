#include "tqCab.h"

#include "tqByteReader.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <set>

thread_local std::uint32_t LastFileError = 0;
TCabCallbackProbe CabCallbackProbe = nullptr;

namespace {
constexpr int MaxEntryName = 780;
constexpr std::uint16_t AppliedAttributes = 0x27; // read-only, hidden, system, archive
constexpr int CopyTargetFlags =
    fdiopen::Binary | fdiopen::Create | fdiopen::Sequential | fdiopen::WriteOnly;

std::string Hex4(std::int32_t value) {
  return Format("%04X", static_cast<unsigned>(value));
}

// The system's text for a code, without the trailing blanks, line ends and full stop.
std::string TrimmedSystemText(std::uint32_t code) {
  std::string text = SysErrorText(code).substr(0, 256);
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
    text.pop_back();
  return text;
}

std::string CabinetMessage(const TFdiErrorInfo& info) {
  if (info.fError == 0) return "FDI error";
  std::string message = FdiErrorText(info.erfOper) + " [0x" + Hex4(info.erfOper) + "]";
  if (info.erfType != 0)
    message += ".\r\n" + TrimmedSystemText(static_cast<std::uint32_t>(info.erfType)) + " [0x" +
               Hex4(info.erfType) + "].";
  return message;
}

void RecordFileError() {
  if (const std::uint32_t code = SysLastError()) LastFileError = code;
}

// The library's frames lie between the reader and its callbacks, and nothing may unwind
// through them: whatever a callback raises is kept here, the library is told the callback
// failed, and the reader raises it again once the library has returned. After the first one
// every callback fails at once, so that the library gives up soon.
thread_local std::exception_ptr PendingCallbackError;

template <typename R, typename F> R Guarded(TCabCallback kind, R failure, F body) {
  if (PendingCallbackError) return failure;
  try {
    if (CabCallbackProbe != nullptr) CabCallbackProbe(kind);
    return body();
  } catch (...) {
    PendingCallbackError = std::current_exception();
    return failure;
  }
}

// Raises what a callback kept during the library call that has just returned.
void RaisePendingCallbackError() {
  if (!PendingCallbackError) return;
  std::exception_ptr error = PendingCallbackError;
  PendingCallbackError = nullptr;
  std::rethrow_exception(error);
}

// The callbacks the library calls for memory and files.
void* DIAMONDAPI FdiAlloc(std::uint32_t size) {
  return Guarded<void*>(TCabCallback::Alloc, nullptr, [&] { return std::malloc(size); });
}
void DIAMONDAPI FdiFree(void* block) {
  std::free(block);
}

std::intptr_t DIAMONDAPI FdiOpen(char* name, int flags, int /*permission*/) {
  return Guarded<std::intptr_t>(TCabCallback::Open, InvalidHandle,
                                [&] { return OpenCabinetFile(name, flags); });
}

std::uint32_t DIAMONDAPI FdiRead(std::intptr_t hf, void* buffer, std::uint32_t count) {
  return Guarded<std::uint32_t>(TCabCallback::Read, static_cast<std::uint32_t>(-1), [&] {
    std::uint32_t done = 0;
    if (SysReadFile(hf, buffer, count, done)) return done;
    RecordFileError();
    return static_cast<std::uint32_t>(-1);
  });
}

std::uint32_t DIAMONDAPI FdiWrite(std::intptr_t hf, void* buffer, std::uint32_t count) {
  return Guarded<std::uint32_t>(TCabCallback::Write, static_cast<std::uint32_t>(-1), [&] {
    std::uint32_t done = 0;
    if (SysWriteFile(hf, buffer, count, done)) return done;
    RecordFileError();
    return static_cast<std::uint32_t>(-1);
  });
}

int DIAMONDAPI FdiClose(std::intptr_t hf) {
  // The handle goes whatever else happens, or it would stay open for the life of the program.
  const bool closed = SysCloseFile(hf);
  return Guarded<int>(TCabCallback::Close, -1, [&] {
    if (closed) return 0;
    RecordFileError();
    return -1;
  });
}

std::int32_t DIAMONDAPI FdiSeek(std::intptr_t hf, std::int32_t distance, int origin) {
  return Guarded<std::int32_t>(TCabCallback::Seek, -1, [&] {
    const std::int32_t position = SysSeek(hf, distance, origin);
    if (position == -1) RecordFileError();
    return position;
  });
}

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

std::string Upper(std::string s) {
  for (char& c : s)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Closes a handle whatever way the routine that opened it is left.
class THandleGuard {
public:
  explicit THandleGuard(THandle h) : FHandle(h) {}
  THandleGuard(const THandleGuard&) = delete;
  THandleGuard& operator=(const THandleGuard&) = delete;
  ~THandleGuard() { SysCloseFile(FHandle); }

private:
  THandle FHandle;
};
} // namespace

EtqCabinet::EtqCabinet(const TFdiErrorInfo& info)
    : Exception(CabinetMessage(info)), ErrorCode(info.erfOper), ErrorType(info.erfType),
      ErrorPresent(info.fError != 0) {}

bool ForceDeleteFile(const std::string& path) {
  const std::uint32_t attributes = SysGetAttributes(path);
  if (attributes == sys::InvalidAttributes) return false;
  if ((attributes & sys::AttrReadOnly) != 0)
    SysSetAttributes(path, attributes & ~sys::AttrReadOnly);
  return SysDeleteFile(path);
}

std::string FdiErrorText(std::int32_t code) {
  static const char* const texts[] = {
      "No error",
      "Cabinet not found",
      "Cabinet file does not have the correct format",
      "Cabinet file has an unknown version number",
      "Cabinet file is corrupt",
      "Could not allocate enough memory",
      "Unknown compression type in a cabinet folder",
      "Failure decompressing data from a cabinet file",
      "Failure writing to target file",
      "Cabinets in a set do not have the same RESERVE sizes",
      "Cabinet returned on fdintNEXT_CABINET is incorrect",
      "FDI aborted",
  };
  if (code < 0 || code >= static_cast<std::int32_t>(sizeof texts / sizeof texts[0]))
    return "FDI error";
  return texts[code];
}

std::string IncludeBackslash(const std::string& s) {
  return s.empty() || s.back() == '\\' ? s : s + '\\';
}

std::string JoinPath(std::initializer_list<std::string> parts) {
  std::string result;
  for (const std::string& part : parts) {
    if (part.empty()) continue;
    if (result.empty()) {
      result = part;
      continue;
    }
    const bool endsWith = result.back() == '\\', startsWith = part.front() == '\\';
    if (endsWith && startsWith)
      result.append(part, 1, std::string::npos);
    else if (!endsWith && !startsWith)
      result += '\\' + part;
    else
      result += part;
  }
  return result;
}

bool ForceFolder(const std::string& folder) {
  if (folder.empty()) return false;
  if (SysMakeFolder(folder)) return true;
  if (folder.size() < 2) return false;
  const std::size_t slash = folder.find_last_of('\\', folder.size() - 2);
  if (slash == std::string::npos || slash == 0) return false;
  return ForceFolder(folder.substr(0, slash)) && SysMakeFolder(folder);
}

TCabinetOpenRequest CabinetOpenRequest(int flags) {
  using namespace fdiopen;
  TCabinetOpenRequest r{};
  switch (flags & 3) {
  case ReadOnly:
    r.Access = sys::GenericRead;
    break;
  case WriteOnly:
    r.Access = sys::GenericWrite;
    break;
  default:
    r.Access = sys::GenericRead | sys::GenericWrite;
    break;
  }
  const bool create = (flags & Create) != 0;
  if (create && (flags & Exclusive) != 0)
    r.Creation = sys::CreateNew;
  else if ((flags & Truncate) != 0)
    r.Creation = create ? sys::CreateAlways : sys::TruncateExisting;
  else
    r.Creation = create ? sys::OpenAlways : sys::OpenExisting;
  r.FlagsAndAttributes = create && (flags & ShortLived) != 0 ? sys::AttrTemporary : sys::AttrNormal;
  if (flags & Random) r.FlagsAndAttributes |= sys::FlagRandomAccess;
  if (flags & Sequential) r.FlagsAndAttributes |= sys::FlagSequentialScan;
  if (create && (flags & Temporary) != 0) r.FlagsAndAttributes |= sys::FlagDeleteOnClose;
  return r;
}

THandle OpenCabinetFile(const std::string& name, int flags) {
  const TCabinetOpenRequest r = CabinetOpenRequest(flags);
  const THandle h = SysOpenFile(name, r.Access, sys::ShareRead, r.Creation, r.FlagsAndAttributes);
  if (h == InvalidHandle) {
    RecordFileError();
    return InvalidHandle;
  }
  if ((flags & fdiopen::Append) != 0 && SysSeek(h, 0, sys::FromEnd) == -1) {
    RecordFileError();
    SysCloseFile(h);
    return InvalidHandle;
  }
  return h;
}

bool SetFileTimeAndAttributes(const std::string& path, std::uint16_t date, std::uint16_t time,
                              std::uint16_t attributes) {
  const THandle h = SysOpenFile(path, sys::GenericRead | sys::GenericWrite, sys::ShareRead,
                                sys::OpenExisting, sys::FlagSequentialScan | sys::AttrNormal);
  if (h == InvalidHandle) {
    RecordFileError();
    return false;
  }
  SysStampDosTime(h, date, time);
  SysCloseFile(h);
  SysSetAttributes(path, attributes & AppliedAttributes);
  return true;
}

bool IsSafeEntryName(const std::string& name) {
  if (name.empty() || name.front() == '\\' || name.front() == '/') return false;
  if (name.find(':') != std::string::npos) return false; // drive letters and alternate streams
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(start, end - start);
    // Windows drops trailing dots and blanks, so ". ." and "..." may also mean a parent.
    if (!part.empty() && part.find_first_not_of(". ") == std::string::npos) return false;
    start = end + 1;
  }
  return true;
}

TtqCabReader::~TtqCabReader() {
  try {
    DestroyContext();
  } catch (const Exception&) {
    // Nothing can be reported from here; the context is gone either way.
  }
}

void TtqCabReader::EnsureContext() {
  if (Context != nullptr) return;
  ErrorInfo = TFdiErrorInfo{};
  Context =
      FDICreate(FdiAlloc, FdiFree, FdiOpen, FdiRead, FdiWrite, FdiClose, FdiSeek, -1, &ErrorInfo);
  RaisePendingCallbackError();
  CheckResult(Context != nullptr);
}

void TtqCabReader::DestroyContext() {
  if (Context == nullptr) return;
  const bool ok = FDIDestroy(Context);
  Context = nullptr;
  RaisePendingCallbackError();
  CheckResult(ok);
}

void TtqCabReader::CheckResult(bool ok) {
  if (ok) return;
  ErrorInfo.erfType = static_cast<std::int32_t>(LastFileError);
  throw EtqCabinet(ErrorInfo);
}

bool TtqCabReader::IsCabinet(const std::string& path, TFdiCabinetInfo& info) {
  const THandle h = OpenCabinetFile(path, fdiopen::Binary | fdiopen::ReadOnly);
  if (h == InvalidHandle) throw EWin32Error(SysLastError());
  THandleGuard guard(h);
  EnsureContext();
  const bool cabinet = FDIIsCabinet(Context, h, &info);
  RaisePendingCallbackError();
  return cabinet;
}

bool TtqCabReader::ListFiles(const std::string& path, const TFileListCallback& callback) {
  TFdiCabinetInfo info{};
  if (!IsCabinet(path, info)) return false;

  enum { Signature = 0, FilesOffset = 16, FileCount = 28, HeaderSize = 36 };
  enum {
    EntrySize = 0,
    EntryFolder = 8,
    EntryDate = 10,
    EntryTime = 12,
    EntryAttributes = 14,
    EntryBytes = 16
  };
  TtqFileStream stream(path, TtqFileStream::ModeReadShareRead);
  std::uint8_t headerBytes[HeaderSize];
  stream.ReadBuffer(headerBytes, HeaderSize);
  const TByteReader header(headerBytes, HeaderSize);
  if (header.UInt32(Signature) != 0x4643534Du) // "MSCF"
    throw Exception("Cabinet file does not have the correct format");
  const std::uint32_t filesOffset = header.UInt32(FilesOffset);
  stream.SetPosition(static_cast<std::int32_t>(filesOffset));
  if (static_cast<std::uint32_t>(stream.GetPosition()) != filesOffset)
    throw Exception("Failure setting file stream position");

  bool abort = false;
  const int count = header.UInt16(FileCount);
  for (int i = 0; i < count && !abort; ++i) {
    std::uint8_t entryBytes[EntryBytes];
    stream.ReadBuffer(entryBytes, EntryBytes);
    const TByteReader entry(entryBytes, EntryBytes);
    std::string name;
    for (char c;;) {
      stream.ReadBuffer(&c, 1);
      if (c == '\0') break;
      if (name.size() == MaxEntryName) throw Exception(FdiErrorText(FDIERROR_CORRUPT_CABINET));
      name += c;
    }
    callback(*this, name, entry.Int32(EntrySize), entry.UInt16(EntryFolder),
             entry.UInt16(EntryDate), entry.UInt16(EntryTime), entry.UInt16(EntryAttributes),
             abort);
  }
  return true;
}

void TtqCabReader::Extract(const std::string& path, const std::string& folder) {
  CabinetFileName = SysFullPath(path);
  DestinationFolder = IncludeBackslash(folder);
  OpenNames.Clear();
  OpenTargets.Clear();
  FExtracted.clear();
  FCreatedFolders.clear();

  // A set whose cabinets name each other in a ring would otherwise be followed for ever.
  std::set<std::string> done;
  std::string current = CabinetFileName;
  while (!current.empty()) {
    done.insert(Upper(current));
    NextCabinetPath.clear();
    ContinuationPath.clear();
    ContinuationRequested = false;
    LastCopyTarget.clear();
    EnsureContext();
    const std::size_t slash = current.find_last_of('\\');
    std::string name = slash == std::string::npos ? current : current.substr(slash + 1);
    std::string where = slash == std::string::npos ? std::string() : current.substr(0, slash + 1);
    if (!FDICopy(Context, &name[0], &where[0], 0, NotifyHandler, nullptr, this))
      DiscardIncompleteFiles();
    try {
      RaisePendingCallbackError();
    } catch (...) {
      // A callback that raised ends the whole extraction: what it had written goes too.
      RemoveExtraction();
      throw;
    }

    std::string next;
    if (ContinuationRequested)
      next = ContinuationPath;
    else if (!SameText(NextCabinetPath, current))
      next = NextCabinetPath;
    if (!next.empty() && (!SysFileExists(next) || done.count(Upper(next)) != 0)) next.clear();
    current = next;
  }
}

// A copy that failed leaves its file unfinished: it goes, rather than pass for a good one.
void TtqCabReader::DiscardIncompleteFiles() {
  for (std::int32_t i = 0; i < OpenTargets.Count(); ++i)
    ForceDeleteFile(OpenTargets.Get(i));
  OpenNames.Clear();
  OpenTargets.Clear();
  if (!LastCopyTarget.empty()) {
    ForceDeleteFile(LastCopyTarget);
    FExtracted.erase(std::remove(FExtracted.begin(), FExtracted.end(), LastCopyTarget),
                     FExtracted.end());
  }
  LastCopyTarget.clear();
}

void TtqCabReader::RemoveExtraction() {
  for (const std::string& file : FExtracted)
    ForceDeleteFile(file);
  FExtracted.clear();
  for (auto folder = FCreatedFolders.rbegin(); folder != FCreatedFolders.rend(); ++folder)
    SysRemoveFolder(*folder);
  FCreatedFolders.clear();
}

std::intptr_t DIAMONDAPI TtqCabReader::NotifyHandler(TFdiNotificationType type,
                                                     TFdiNotification* n) {
  LastFileError = 0;
  // The finished file's handle is closed before anything can fail, so that it can always go.
  if (type == fdintCLOSE_FILE_INFO) SysCloseFile(n->hf);
  return Guarded<std::intptr_t>(TCabCallback::Notify, -1, [&] {
    return static_cast<TtqCabReader*>(n->pv)->Notify(type, *n);
  });
}

std::intptr_t TtqCabReader::Notify(TFdiNotificationType type, const TFdiNotification& n) {
  switch (type) {
  case fdintCABINET_INFO:
    NextCabinetPath = n.psz1;
    if (!NextCabinetPath.empty()) NextCabinetPath = JoinPath({n.psz3, n.psz1});
    return 0;
  case fdintCOPY_FILE:
    return CopyFile(n);
  case fdintCLOSE_FILE_INFO:
    CloseFileInfo(n);
    return 1;
  case fdintNEXT_CABINET:
    ContinuationPath = JoinPath({n.psz3, n.psz1});
    ContinuationRequested = true;
    return n.fdie == FDIERROR_NONE ? 0 : -1;
  default:
    return 0;
  }
}

std::intptr_t TtqCabReader::CopyFile(const TFdiNotification& n) {
  // A name that climbs out of the destination, or names a drive or a root, is not extracted.
  if (!IsSafeEntryName(n.psz1)) return 0;
  const std::string target = JoinPath({DestinationFolder, n.psz1});
  if (target.empty()) return 0;
  // The folders below the destination that this name needs, and which of them are new.
  std::vector<std::string> missing;
  for (std::size_t at = target.find('\\', DestinationFolder.size()); at != std::string::npos;
       at = target.find('\\', at + 1)) {
    const std::string folder = target.substr(0, at);
    if (SysGetAttributes(folder) == sys::InvalidAttributes) missing.push_back(folder);
  }
  ForceFolder(target.substr(0, target.find_last_of('\\') + 1));
  for (const std::string& folder : missing)
    if (SysGetAttributes(folder) != sys::InvalidAttributes) FCreatedFolders.push_back(folder);
  const std::uint32_t attributes = SysGetAttributes(target);
  if (attributes != sys::InvalidAttributes && (attributes & sys::AttrReadOnly) != 0)
    SysSetAttributes(target, attributes & ~sys::AttrReadOnly);
  // Noted before the file is opened: nothing may fail between the open and handing the handle
  // to the library, or the handle would be lost.
  OpenNames.Add(n.psz1);
  OpenTargets.Add(target);
  LastCopyTarget = target;
  const THandle h = OpenCabinetFile(target, CopyTargetFlags);
  if (h == InvalidHandle) {
    OpenNames.Delete(OpenNames.Count() - 1);
    OpenTargets.Delete(OpenTargets.Count() - 1);
    LastCopyTarget.clear();
    return -1;
  }
  return h;
}

void TtqCabReader::CloseFileInfo(const TFdiNotification& n) {
  const std::int32_t i = OpenNames.IndexOf(n.psz1);
  if (i < 0) return;
  const std::string target = OpenTargets.Get(i);
  OpenNames.Delete(i);
  OpenTargets.Delete(i);
  SetFileTimeAndAttributes(target, n.date, n.time, n.attribs);
  if (std::find(FExtracted.begin(), FExtracted.end(), target) == FExtracted.end())
    FExtracted.push_back(target);
}
