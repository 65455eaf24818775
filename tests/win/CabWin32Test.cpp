#include "StoredCabinet.h"
#include "TestSupport.h"
#include "movie/tqCab.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {
FILETIME StampOf(std::uint16_t date, std::uint16_t time) {
  FILETIME local{}, utc{};
  EXPECT_TRUE(DosDateTimeToFileTime(date, time, &local));
  EXPECT_TRUE(LocalFileTimeToFileTime(&local, &utc));
  return utc;
}

bool operator==(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

struct TTimes {
  FILETIME Creation, Access, Write;
};

TTimes TimesOf(const std::string& path) {
  TTimes t{};
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
  EXPECT_TRUE(GetFileTime(h, &t.Creation, &t.Access, &t.Write));
  CloseHandle(h);
  return t;
}
} // namespace

TEST(CabWin32, ExtractedFilesCarryTheCabinetTimeAndMaskedAttributes) {
  TScratchFolder folder;
  TStoredFile marked{"marked.bin", Bytes("marked")};
  marked.Attributes = 0x01 | 0x02 | 0x04 | 0x20 | 0x40 | 0x80;
  marked.Date = (2003 - 1980) << 9 | 11 << 5 | 30;
  marked.Time = 7 << 11 | 5 << 5 | 3; // 07:05:06
  TStoredFile plain{"plain.bin", Bytes("plain")}; // archive only
  WriteWholeFile(folder / "in.cab", MakeStoredCabinet({marked, plain}));

  TtqCabReader reader;
  reader.Extract(folder / "in.cab", folder.Path());

  EXPECT_EQ(GetFileAttributesA((folder / "marked.bin").c_str()), 0x27u);
  EXPECT_EQ(GetFileAttributesA((folder / "plain.bin").c_str()),
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  const TTimes times = TimesOf(folder / "marked.bin");
  EXPECT_TRUE(times.Creation == StampOf(marked.Date, marked.Time));
  EXPECT_TRUE(times.Write == StampOf(marked.Date, marked.Time));
  EXPECT_FALSE(times.Access == StampOf(marked.Date, marked.Time)); // left alone
  SetFileAttributesA((folder / "marked.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(CabWin32, AnInvalidDosStampStillAppliesTheAttributes) {
  TScratchFolder folder;
  TStoredFile odd{"odd.bin", Bytes("odd")};
  odd.Date = 0; // month 0 is no date
  odd.Attributes = 0x21;
  WriteWholeFile(folder / "in.cab", MakeStoredCabinet({odd}));
  TtqCabReader reader;
  reader.Extract(folder / "in.cab", folder.Path());
  EXPECT_EQ(ReadWholeFile(folder / "odd.bin"), Bytes("odd"));
  EXPECT_EQ(GetFileAttributesA((folder / "odd.bin").c_str()), 0x21u);
  SetFileAttributesA((folder / "odd.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileStreamWin32, SharingFollowsTheModeWord) {
  TScratchFolder folder;
  const std::string name = folder / "shared.bin";
  WriteWholeFile(name, Bytes("data"));
  auto otherReader = [&] {
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool opened = h != INVALID_HANDLE_VALUE;
    if (opened) CloseHandle(h);
    return opened;
  };
  {
    TtqFileStream exclusive(name, TtqFileStream::ModeRead);
    EXPECT_FALSE(otherReader());
  }
  {
    TtqFileStream shared(name, TtqFileStream::ModeReadShareRead);
    EXPECT_TRUE(otherReader());
  }
  {
    TtqFileStream created(name, TtqFileStream::ModeCreate);
    EXPECT_FALSE(otherReader());
  }
}

TEST(FileStreamWin32, AFailedOpenReportsTheSystemError) {
  TScratchFolder folder;
  try {
    TtqFileStream missing(folder / "missing.bin", TtqFileStream::ModeRead);
    FAIL() << "opened a missing file";
  } catch (const EWin32Error& e) {
    EXPECT_EQ(e.ErrorCode(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(e.Message().rfind("Win32 Error.  Code: 2.\n", 0), 0u) << e.Message();
    EXPECT_GT(e.Message().size(), std::string("Win32 Error.  Code: 2.\n").size());
  }
}
