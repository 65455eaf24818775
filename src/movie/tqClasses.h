// The program's small class library: byte streams over files and memory, a string list and
// a lock. Every byte of a movie passes through these streams.
#pragma once

#include "tqSystem.h"

#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <vector>

// The general error: an exception that carries only its message.
class Exception : public std::exception {
public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const std::string& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }

private:
  std::string FMessage;
};

// A checked system call failed: "Win32 Error.  Code: %d.\n%s".
class EWin32Error : public Exception {
public:
  explicit EWin32Error(std::uint32_t code);
  std::uint32_t ErrorCode() const noexcept { return FErrorCode; }

private:
  std::uint32_t FErrorCode;
};

// Raises EWin32Error for the calling thread's last system error.
[[noreturn]] void RaiseLastOSError();

// printf-style formatting into a string.
std::string Format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

class TtqStream {
public:
  TtqStream() = default;
  TtqStream(const TtqStream&) = delete;
  TtqStream& operator=(const TtqStream&) = delete;
  virtual ~TtqStream() = default;

  virtual std::int32_t GetPosition() = 0;
  virtual void SetPosition(std::int32_t position) = 0;
  virtual std::int32_t GetSize() = 0;
  virtual std::int32_t Read(void* buffer, std::int32_t count) = 0;
  virtual std::int32_t Write(const void* buffer, std::int32_t count) = 0;
  virtual void ReadBuffer(void* buffer, std::int32_t count) = 0;
  // Copies count bytes from the source's position; 0 means the whole source from its start.
  std::int32_t CopyFrom(TtqStream& source, std::int32_t count);

  static constexpr std::int32_t CopyChunk = 0xF000;
};

class TtqFileStream : public TtqStream {
public:
  static constexpr std::uint16_t ModeCreate = 0xFFFF;
  // Opened for reading only; others may not open the file meanwhile.
  static constexpr std::uint16_t ModeRead = 0x0000;
  // Opened for reading only; others may read it too, but not write it.
  static constexpr std::uint16_t ModeReadShareRead = 0x0020;

  TtqFileStream(const std::string& fileName, std::uint16_t mode);
  ~TtqFileStream() override;

  std::int32_t GetPosition() override;
  void SetPosition(std::int32_t position) override;
  std::int32_t GetSize() override;
  std::int32_t Read(void* buffer, std::int32_t count) override;
  std::int32_t Write(const void* buffer, std::int32_t count) override;
  void ReadBuffer(void* buffer, std::int32_t count) override;

  // The stream keeps no position of its own: reads through Handle move it.
  const THandle Handle;
  const std::string FileName;
};

class TtqMemoryStream : public TtqStream {
public:
  std::int32_t GetPosition() override { return Position; }
  void SetPosition(std::int32_t position) override;
  std::int32_t GetSize() override { return static_cast<std::int32_t>(Data.size()); }
  std::int32_t Read(void* buffer, std::int32_t count) override;
  std::int32_t Write(const void* buffer, std::int32_t count) override;
  void ReadBuffer(void* buffer, std::int32_t count) override;
  void SetSize(std::int32_t size);
  const std::uint8_t* Memory() const { return Data.data(); }

private:
  std::vector<std::uint8_t> Data;
  std::int32_t Position = 0;
};

class TtqStringList {
public:
  std::int32_t Add(const std::string& s);
  void Delete(std::int32_t index);
  void Clear();
  std::string Get(std::int32_t index) const;
  std::int32_t IndexOf(const std::string& s) const;
  std::int32_t Count() const { return FCount; }
  std::int32_t Capacity() const { return static_cast<std::int32_t>(Items.size()); }

private:
  std::int32_t FCount = 0;
  std::vector<std::string> Items;
};

class TCriticalSection {
public:
  TCriticalSection() = default;
  TCriticalSection(const TCriticalSection&) = delete;
  TCriticalSection& operator=(const TCriticalSection&) = delete;
  void Enter() { FLock.lock(); }
  void Leave() { FLock.unlock(); }

private:
  std::recursive_mutex FLock;
};
