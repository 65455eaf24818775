// Turning a cabinet into plain files through the cabinet library's FDI interface.
#pragma once

#include "CabIntf.h"
#include "tqClasses.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// A failure reported by the cabinet library, made from its error record.
class EtqCabinet : public Exception {
public:
  explicit EtqCabinet(const TFdiErrorInfo& info);
  const std::int32_t ErrorCode;
  const std::int32_t ErrorType;
  const bool ErrorPresent;
};

std::string FdiErrorText(std::int32_t code);

std::string IncludeBackslash(const std::string& s);
std::string JoinPath(std::initializer_list<std::string> parts);
bool ForceFolder(const std::string& folder);

// The CreateFileA request that the library's C run-time open flags stand for.
struct TCabinetOpenRequest {
  std::uint32_t Access;
  std::uint32_t Creation;
  std::uint32_t FlagsAndAttributes;
};
TCabinetOpenRequest CabinetOpenRequest(int flags);
THandle OpenCabinetFile(const std::string& name, int flags);
bool SetFileTimeAndAttributes(const std::string& path, std::uint16_t date, std::uint16_t time,
                              std::uint16_t attributes);
// Deletes a file even when it is read-only; false when it is not there or cannot go.
bool ForceDeleteFile(const std::string& path);
// Whether a name from a cabinet's file table stays inside the folder it is extracted into.
bool IsSafeEntryName(const std::string& name);

// The system error code of the most recent failing file operation of the library's callbacks
// on this thread.
extern thread_local std::uint32_t LastFileError;

// The kinds of callback the library makes into the reader.
enum class TCabCallback { Alloc, Open, Read, Write, Close, Seek, Notify };
// Called as each callback begins, when set. Whatever it raises is handled as a failure of that
// callback would be: tests use it to make every kind of callback fail.
using TCabCallbackProbe = void (*)(TCabCallback kind);
extern TCabCallbackProbe CabCallbackProbe;

class TtqCabReader {
public:
  using TFileListCallback = std::function<void(
      TtqCabReader& reader, const std::string& name, std::int32_t size, std::uint16_t folder,
      std::uint16_t date, std::uint16_t time, std::uint16_t attributes, bool& abort)>;

  TtqCabReader() = default;
  TtqCabReader(const TtqCabReader&) = delete;
  TtqCabReader& operator=(const TtqCabReader&) = delete;
  ~TtqCabReader();

  // False, without calling back, when the file is no cabinet.
  bool ListFiles(const std::string& path, const TFileListCallback& callback);
  // Extracts every file of the cabinet, and of the following cabinets of its set that exist.
  void Extract(const std::string& path, const std::string& folder);
  bool IsCabinet(const std::string& path, TFdiCabinetInfo& info);
  // The files the last Extract wrote completely, as full paths.
  const std::vector<std::string>& ExtractedFiles() const { return FExtracted; }
  // The folders the last Extract made for names with folders, parents before children.
  const std::vector<std::string>& CreatedFolders() const { return FCreatedFolders; }

private:
  static std::intptr_t DIAMONDAPI NotifyHandler(TFdiNotificationType type,
                                                TFdiNotification* notification);
  std::intptr_t Notify(TFdiNotificationType type, const TFdiNotification& n);
  std::intptr_t CopyFile(const TFdiNotification& n);
  void CloseFileInfo(const TFdiNotification& n);
  void DiscardIncompleteFiles();
  void EnsureContext();
  void DestroyContext();
  void CheckResult(bool ok);
  void RemoveExtraction();

  HFDI Context = nullptr;
  std::string CabinetFileName;
  std::string DestinationFolder;
  std::string NextCabinetPath;
  std::string ContinuationPath;
  bool ContinuationRequested = false;
  TFdiErrorInfo ErrorInfo = {};
  TtqStringList OpenNames;
  TtqStringList OpenTargets;
  // The last file opened for writing in the running copy: when the copy fails, this one was
  // cut short even if the library went on to close it.
  std::string LastCopyTarget;
  std::vector<std::string> FExtracted;
  std::vector<std::string> FCreatedFolders;
};
