#include "tqClasses.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

std::string Format(const char* pattern, ...) {
  va_list args;
  va_start(args, pattern);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, pattern, args);
  va_end(args);
  std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(&text[0], text.size() + 1, pattern, again);
  va_end(again);
  return text;
}

namespace {
std::string Win32ErrorMessage(std::uint32_t code) {
  if (code == 0) return "A Win32 API function failed";
  return Format("Win32 Error.  Code: %d.\n%s", static_cast<int>(code), SysErrorText(code).c_str());
}

// Sharing bits 4..7 of an open mode: 0 and 1 none, 2 read, 3 write, 4 both.
std::uint32_t ShareOfMode(std::uint16_t mode) {
  switch ((mode >> 4) & 0x0F) {
  case 2:
    return sys::ShareRead;
  case 3:
    return sys::ShareWrite;
  case 4:
    return sys::ShareRead | sys::ShareWrite;
  default:
    return 0;
  }
}

std::uint32_t AccessOfMode(std::uint16_t mode) {
  switch (mode & 3) {
  case 0:
    return sys::GenericRead;
  case 1:
    return sys::GenericWrite;
  default:
    return sys::GenericRead | sys::GenericWrite;
  }
}

THandle OpenForMode(const std::string& fileName, std::uint16_t mode) {
  const THandle h = mode == TtqFileStream::ModeCreate
                        ? SysOpenFile(fileName, sys::GenericRead | sys::GenericWrite, 0,
                                      sys::CreateAlways, sys::AttrNormal)
                        : SysOpenFile(fileName, AccessOfMode(mode), ShareOfMode(mode),
                                      sys::OpenExisting, sys::AttrNormal);
  if (h == InvalidHandle) RaiseLastOSError();
  return h;
}
} // namespace

EWin32Error::EWin32Error(std::uint32_t code)
    : Exception(Win32ErrorMessage(code)), FErrorCode(code) {}

void RaiseLastOSError() {
  throw EWin32Error(SysLastError());
}

std::int32_t TtqStream::CopyFrom(TtqStream& source, std::int32_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.GetSize();
  }
  if (count <= 0) return count;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min(count, CopyChunk)));
  std::int32_t remaining = count;
  while (remaining > 0) {
    const std::int32_t n = std::min(remaining, CopyChunk);
    source.ReadBuffer(buffer.data(), n);
    Write(buffer.data(), n);
    remaining -= n;
  }
  return count;
}

TtqFileStream::TtqFileStream(const std::string& fileName, std::uint16_t mode)
    : Handle(OpenForMode(fileName, mode)), FileName(fileName) {}

TtqFileStream::~TtqFileStream() {
  SysCloseFile(Handle);
}

std::int32_t TtqFileStream::GetPosition() {
  return SysSeek(Handle, 0, sys::FromCurrent);
}

void TtqFileStream::SetPosition(std::int32_t position) {
  SysSeek(Handle, position, sys::FromBegin);
}

std::int32_t TtqFileStream::GetSize() {
  const std::int32_t here = SysSeek(Handle, 0, sys::FromCurrent);
  const std::int32_t size = SysSeek(Handle, 0, sys::FromEnd);
  SysSeek(Handle, here, sys::FromBegin);
  return size;
}

std::int32_t TtqFileStream::Read(void* buffer, std::int32_t count) {
  if (count <= 0) return 0;
  std::uint32_t done = 0;
  if (!SysReadFile(Handle, buffer, static_cast<std::uint32_t>(count), done)) return 0;
  return static_cast<std::int32_t>(done);
}

std::int32_t TtqFileStream::Write(const void* buffer, std::int32_t count) {
  if (count <= 0) return 0;
  std::uint32_t done = 0;
  if (!SysWriteFile(Handle, buffer, static_cast<std::uint32_t>(count), done)) return 0;
  return static_cast<std::int32_t>(done);
}

void TtqFileStream::ReadBuffer(void* buffer, std::int32_t count) {
  if (count != 0 && Read(buffer, count) != count)
    throw Exception(Format("Cannot read file %s", FileName.c_str()));
}

void TtqMemoryStream::SetPosition(std::int32_t position) {
  if (position >= 0 && position < GetSize()) Position = position;
}

std::int32_t TtqMemoryStream::Read(void* buffer, std::int32_t count) {
  if (count < 0 || Data.empty()) return 0;
  const std::int32_t n = std::min(count, GetSize() - Position);
  if (n <= 0) return 0;
  std::memcpy(buffer, Data.data() + Position, static_cast<std::size_t>(n));
  Position += n;
  return n;
}

std::int32_t TtqMemoryStream::Write(const void* buffer, std::int32_t count) {
  if (count < 0) return 0;
  // The buffer grows to one byte more than the write needs, so that the position after the
  // write still stands inside the stream and the next write lands right after this one.
  if (static_cast<std::int64_t>(Position) + count >= GetSize()) {
    if (static_cast<std::int64_t>(Position) + count + 1 > INT32_MAX) return 0;
    SetSize(Position + count + 1);
  }
  if (count > 0) std::memcpy(Data.data() + Position, buffer, static_cast<std::size_t>(count));
  Position += count;
  return count;
}

void TtqMemoryStream::ReadBuffer(void* buffer, std::int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw Exception("Cannot read buffer");
}

void TtqMemoryStream::SetSize(std::int32_t size) {
  Data.resize(static_cast<std::size_t>(std::max(size, 0)), 0);
}

std::int32_t TtqStringList::Add(const std::string& s) {
  if (FCount == Capacity()) Items.resize(Items.size() + 16);
  Items[static_cast<std::size_t>(FCount)] = s;
  return FCount++;
}

void TtqStringList::Delete(std::int32_t index) {
  if (index < 0 || index >= FCount) return;
  std::move(Items.begin() + index + 1, Items.begin() + FCount, Items.begin() + index);
  --FCount;
  Items[static_cast<std::size_t>(FCount)].clear();
}

void TtqStringList::Clear() {
  Items.clear();
  Items.shrink_to_fit();
  FCount = 0;
}

std::string TtqStringList::Get(std::int32_t index) const {
  return index >= 0 && index < FCount ? Items[static_cast<std::size_t>(index)] : std::string();
}

std::int32_t TtqStringList::IndexOf(const std::string& s) const {
  for (std::int32_t i = 0; i < FCount; ++i)
    if (Items[static_cast<std::size_t>(i)] == s) return i;
  return -1;
}
