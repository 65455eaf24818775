#include "movie/tqCab.h"
#include "StoredCabinet.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

namespace {
struct TListed {
  std::string Name;
  std::int32_t Size;
  std::uint16_t Folder, Date, Time, Attributes;
};

std::vector<TListed> ListAll(const std::string& path, bool* result = nullptr, int abortAfter = -1) {
  std::vector<TListed> listed;
  TtqCabReader reader;
  const bool ok = reader.ListFiles(
      path, [&](TtqCabReader&, const std::string& name, std::int32_t size, std::uint16_t folder,
                std::uint16_t date, std::uint16_t time, std::uint16_t attributes, bool& abort) {
        listed.push_back({name, size, folder, date, time, attributes});
        abort = static_cast<int>(listed.size()) == abortAfter;
      });
  if (result != nullptr) *result = ok;
  return listed;
}

std::string Native(const std::string& relative) {
  std::string path = relative;
#ifdef _WIN32
  for (char& c : path)
    if (c == '/') c = '\\';
#endif
  return path;
}

std::vector<std::uint8_t> Filled(std::size_t n, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i)
    bytes[i] = static_cast<std::uint8_t>(seed + i * 13);
  return bytes;
}
} // namespace

TEST(CabPaths, JoinWithExactlyOneBackslash) {
  EXPECT_EQ(IncludeBackslash(""), "");
  EXPECT_EQ(IncludeBackslash("C:\\temp"), "C:\\temp\\");
  EXPECT_EQ(IncludeBackslash("C:\\temp\\"), "C:\\temp\\");
  EXPECT_EQ(JoinPath({"C:\\temp\\", "\\a.dat"}), "C:\\temp\\a.dat");
  EXPECT_EQ(JoinPath({"C:\\temp", "a.dat"}), "C:\\temp\\a.dat");
  EXPECT_EQ(JoinPath({"C:\\temp\\", "a.dat"}), "C:\\temp\\a.dat");
  EXPECT_EQ(JoinPath({"", "C:\\temp", "", "sub\\", "\\a"}), "C:\\temp\\sub\\a");
  EXPECT_EQ(JoinPath({"", ""}), "");
  EXPECT_EQ(JoinPath({"\\lead"}), "\\lead");
}

TEST(CabOpenFlags, MapOntoCreateFileRequests) {
  using namespace fdiopen;
  struct {
    int Flags;
    TCabinetOpenRequest Expected;
  } cases[] = {
      {Binary | ReadOnly, {sys::GenericRead, sys::OpenExisting, sys::AttrNormal}},
      {WriteOnly, {sys::GenericWrite, sys::OpenExisting, sys::AttrNormal}},
      {ReadWrite, {sys::GenericRead | sys::GenericWrite, sys::OpenExisting, sys::AttrNormal}},
      {3, {sys::GenericRead | sys::GenericWrite, sys::OpenExisting, sys::AttrNormal}},
      {Create | Exclusive | Truncate, {sys::GenericRead, sys::CreateNew, sys::AttrNormal}},
      {Create | Truncate, {sys::GenericRead, sys::CreateAlways, sys::AttrNormal}},
      {Truncate, {sys::GenericRead, sys::TruncateExisting, sys::AttrNormal}},
      {Exclusive, {sys::GenericRead, sys::OpenExisting, sys::AttrNormal}},
      {Create | ShortLived | Temporary,
       {sys::GenericRead, sys::OpenAlways, sys::AttrTemporary | sys::FlagDeleteOnClose}},
      {ShortLived | Temporary, {sys::GenericRead, sys::OpenExisting, sys::AttrNormal}},
      {Random | Sequential,
       {sys::GenericRead, sys::OpenExisting,
        sys::AttrNormal | sys::FlagRandomAccess | sys::FlagSequentialScan}},
      {0x8121, {sys::GenericWrite, sys::OpenAlways, sys::AttrNormal | sys::FlagSequentialScan}},
  };
  for (const auto& c : cases) {
    const TCabinetOpenRequest r = CabinetOpenRequest(c.Flags);
    EXPECT_EQ(r.Access, c.Expected.Access) << std::hex << c.Flags;
    EXPECT_EQ(r.Creation, c.Expected.Creation) << std::hex << c.Flags;
    EXPECT_EQ(r.FlagsAndAttributes, c.Expected.FlagsAndAttributes) << std::hex << c.Flags;
  }
}

TEST(CabOpenFlags, AppendStartsAtTheEnd) {
  TScratchFolder folder;
  WriteWholeFile(folder / "log", Bytes("12345"));
  const THandle h = OpenCabinetFile(folder / "log", fdiopen::WriteOnly | fdiopen::Append);
  ASSERT_NE(h, InvalidHandle);
  EXPECT_EQ(SysSeek(h, 0, sys::FromCurrent), 5);
  SysCloseFile(h);
  LastFileError = 0;
  EXPECT_EQ(OpenCabinetFile(folder / "absent", fdiopen::ReadOnly), InvalidHandle);
  EXPECT_NE(LastFileError, 0u);
}

TEST(CabErrors, MessagesFollowTheErrorRecord) {
  EXPECT_EQ(EtqCabinet(TFdiErrorInfo{0, 0, 0}).Message(), "FDI error");
  EXPECT_EQ(EtqCabinet(TFdiErrorInfo{4, 0, 0}).Message(), "FDI error");
  EXPECT_EQ(EtqCabinet(TFdiErrorInfo{2, 0, 1}).Message(),
            "Cabinet file does not have the correct format [0x0002]");
  EXPECT_EQ(EtqCabinet(TFdiErrorInfo{99, 0, 1}).Message(), "FDI error [0x0063]");
  EXPECT_EQ(EtqCabinet(TFdiErrorInfo{0x12345, 0, 1}).Message(), "FDI error [0x12345]");

  const EtqCabinet e(TFdiErrorInfo{5, 8, 1});
  EXPECT_EQ(e.ErrorCode, 5);
  EXPECT_EQ(e.ErrorType, 8);
  EXPECT_TRUE(e.ErrorPresent);
  const std::string head = "Could not allocate enough memory [0x0005].\r\n";
  ASSERT_EQ(e.Message().compare(0, head.size(), head), 0) << e.Message();
  const std::string tail = " [0x0008].";
  ASSERT_GT(e.Message().size(), head.size() + tail.size());
  EXPECT_EQ(e.Message().substr(e.Message().size() - tail.size()), tail);
  const std::string system =
      e.Message().substr(head.size(), e.Message().size() - head.size() - tail.size());
  EXPECT_FALSE(system.empty());
  EXPECT_NE(system.back(), '.');
  EXPECT_EQ(system.find('\n'), std::string::npos);

  EXPECT_EQ(FdiErrorText(11), "FDI aborted");
  EXPECT_EQ(FdiErrorText(12), "FDI error");
  EXPECT_EQ(FdiErrorText(-1), "FDI error");
}

TEST(CabEntryNames, OnlyNamesInsideTheDestinationAreSafe) {
  for (const char* good :
       {"Segm20240314150926.dat", "sub\\file", "a/b", "dir1\\file1", "..a", "a..", "x\\.hidden"})
    EXPECT_TRUE(IsSafeEntryName(good)) << good;
  for (const char* bad :
       {"", "\\abs", "/abs", "..\\..\\x", "../x", "a\\..\\..\\x", "a/../b", "C:\\x", "C:x",
        "file:stream", "..", ". .\\x", "...\\x", "a\\.. \\x", "a\\."})
    EXPECT_FALSE(IsSafeEntryName(bad)) << bad;
}

TEST(CabListFiles, NoCabinetMeansFalseAndNoCallback) {
  TScratchFolder folder;
  WriteWholeFile(folder / "plain.txt", Bytes("this is not a cabinet at all, just some text"));
  bool ok = true;
  EXPECT_TRUE(ListAll(folder / "plain.txt", &ok).empty());
  EXPECT_FALSE(ok);
  WriteWholeFile(folder / "empty", {});
  EXPECT_TRUE(ListAll(folder / "empty", &ok).empty());
  EXPECT_FALSE(ok);
  EXPECT_THROW(ListAll(folder / "missing.cab"), EWin32Error);

  // Extracting it is silent and leaves nothing.
  TtqCabReader reader;
  reader.Extract(folder / "plain.txt", folder / "out");
  EXPECT_EQ(folder.Files(), (std::vector<std::string>{"empty", "plain.txt"}));
}

TEST(CabListFiles, ZeroFilesAndAbort) {
  TScratchFolder folder;
  WriteWholeFile(folder / "none.cab", MakeStoredCabinet({}));
  bool ok = false;
  EXPECT_TRUE(ListAll(folder / "none.cab", &ok).empty());
  EXPECT_TRUE(ok);

  TStoredFile a{"a.txt", Bytes("alpha")}, b{"b.txt", Bytes("beta")};
  b.Attributes = 0x21;
  WriteWholeFile(folder / "two.cab", MakeStoredCabinet({a, b}));
  const auto all = ListAll(folder / "two.cab", &ok);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[1].Name, "b.txt");
  EXPECT_EQ(all[1].Size, 4);
  EXPECT_EQ(all[1].Date, b.Date);
  EXPECT_EQ(all[1].Time, b.Time);
  EXPECT_EQ(all[1].Attributes, 0x21);
  const auto first = ListAll(folder / "two.cab", &ok, 1);
  EXPECT_TRUE(ok);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].Name, "a.txt");
}

TEST(CabListFiles, CutShortHeaderOrTableRaisesTheStreamError) {
  TScratchFolder folder;
  auto cab = MakeStoredCabinet({TStoredFile{"name.dat", Bytes("x")}});
  cab.resize(50); // header and folder, half a file entry
  WriteWholeFile(folder / "cut.cab", cab);
  try {
    ListAll(folder / "cut.cab");
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot read file " + (folder / "cut.cab"));
  }
}

TEST(CabExtract, CreatesSubFoldersAndStampsTimeAndAttributes) {
  TScratchFolder folder;
  TStoredFile plain{"top.bin", Filled(40000, 1)};
  TStoredFile nested{"one\\two\\deep.bin", Filled(70000, 2)};
  nested.Attributes = 0x20 | 0x40 | 0x80 | 0x01; // execute and name-encoding bits are dropped
  nested.Date = (2019 - 1980) << 9 | 7 << 5 | 4;
  nested.Time = 23 << 11 | 59 << 5 | 58 / 2;
  WriteWholeFile(folder / "in.cab", MakeStoredCabinet({plain, nested}));

  TtqCabReader reader;
  reader.Extract(folder / "in.cab", folder.Path() + "out"); // no trailing separator
  EXPECT_EQ(ReadWholeFile(folder / "out/top.bin"), plain.Data);
  EXPECT_EQ(ReadWholeFile(folder / Native("out/one/two/deep.bin")), nested.Data);

  const std::string deep = folder / Native("out/one/two/deep.bin");
  std::uint32_t attributes = SysGetAttributes(deep);
  EXPECT_EQ(attributes & sys::AttrReadOnly, sys::AttrReadOnly);
  // Local time 2019-07-04 23:59:58.
  std::tm local{};
  local.tm_year = 119;
  local.tm_mon = 6;
  local.tm_mday = 4;
  local.tm_hour = 23;
  local.tm_min = 59;
  local.tm_sec = 58;
  local.tm_isdst = -1;
  const auto expected = std::mktime(&local);
  const auto written = std::filesystem::last_write_time(deep);
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
      written.time_since_epoch() -
      std::filesystem::file_time_type::clock::now().time_since_epoch() +
      std::chrono::system_clock::now().time_since_epoch());
  EXPECT_NEAR(static_cast<double>(seconds.count()), static_cast<double>(expected), 2.0);
}

TEST(CabExtract, OverwritesReadOnlyAndKeepsALongerTail) {
  TScratchFolder folder;
  TStoredFile f{"same.bin", Bytes("NEW")};
  WriteWholeFile(folder / "in.cab", MakeStoredCabinet({f}));
  WriteWholeFile(folder / "same.bin", Bytes("old contents that are longer"));
  ASSERT_TRUE(SysSetAttributes(folder / "same.bin", sys::AttrReadOnly));

  TtqCabReader reader;
  reader.Extract(folder / "in.cab", folder.Path());
  EXPECT_EQ(ReadWholeFile(folder / "same.bin"), Bytes("NEW contents that are longer"));
  EXPECT_EQ(SysGetAttributes(folder / "same.bin") & sys::AttrReadOnly, 0u);
}

TEST(CabExtract, FollowsTheSetWhileTheNextCabinetExists) {
  TScratchFolder folder;
  WriteWholeFile(folder / "part1.cab",
                 MakeStoredCabinet({TStoredFile{"first.txt", Bytes("1")}}, "part2.cab"));
  WriteWholeFile(folder / "part2.cab",
                 MakeStoredCabinet({TStoredFile{"second.txt", Bytes("2")}}, "part3.cab"));
  TtqCabReader reader;
  reader.Extract(folder / "part1.cab", folder / "out");
  EXPECT_EQ(folder.Files(), (std::vector<std::string>{"out/first.txt", "out/second.txt",
                                                      "part1.cab", "part2.cab"}));

  // Two cabinets that name each other are each read once.
  TScratchFolder ring;
  WriteWholeFile(ring / "a.cab", MakeStoredCabinet({TStoredFile{"a.txt", Bytes("a")}}, "b.cab"));
  WriteWholeFile(ring / "b.cab", MakeStoredCabinet({TStoredFile{"b.txt", Bytes("b")}}, "a.cab"));
  TtqCabReader again;
  again.Extract(ring / "a.cab", ring / "out");
  EXPECT_EQ(ring.Files(), (std::vector<std::string>{"a.cab", "b.cab", "out/a.txt", "out/b.txt"}));
}

TEST(CabExtract, NamesThatClimbOutAreNotWritten) {
  TScratchFolder sandbox;
  const std::string target = sandbox / Native("deep/er/out");
  ASSERT_TRUE(ForceFolder(JoinPath({sandbox.Path(), "deep\\er\\out"})) ||
              SysGetAttributes(target) != sys::InvalidAttributes);
  std::vector<TStoredFile> hostile;
  for (const char* name : {"..\\..\\escaped1", "../../escaped2", "\\rooted3", "/rooted4",
                           "in\\..\\..\\..\\escaped5", "C:\\drive6", "good.txt"})
    hostile.push_back(TStoredFile{name, Bytes(name)});
  WriteWholeFile(sandbox / "bad.cab", MakeStoredCabinet(hostile));
  TtqCabReader reader;
  reader.Extract(sandbox / "bad.cab", target);
  EXPECT_EQ(sandbox.Files(), (std::vector<std::string>{"bad.cab", "deep/er/out/good.txt"}));

  // The collected path-walk cabinet: nothing at all may land outside the destination.
  reader.Extract(DataPath("cab/cabextract/dirwalk-vulns.cab"), target);
  for (const std::string& file : sandbox.Files())
    EXPECT_TRUE(file == "bad.cab" || file.rfind("deep/er/out/", 0) == 0) << file;
}

TEST(CabExtract, ACopyThatFailsLeavesNoFileBehind) {
  TScratchFolder folder;
  TStoredFile good{"good.bin", Filled(1000, 3)}, bad{"bad.bin", Filled(100000, 4)};
  auto cab = MakeStoredCabinet({good, bad});
  cab.resize(cab.size() - 40000); // the second file's data runs off the end
  WriteWholeFile(folder / "cut.cab", cab);
  TtqCabReader reader;
  reader.Extract(folder / "cut.cab", folder / "out");
  EXPECT_EQ(folder.Files(), (std::vector<std::string>{"cut.cab", "out/good.bin"}));
}

namespace {
// What a callback raises in the tests below: its own class, so that the class is seen to
// arrive unchanged.
class ECallbackFault : public Exception {
public:
  using Exception::Exception;
};

TCabCallback FaultKind;
int FaultAfter = 0; // calls of that kind that succeed first
int CallsOfKind = 0;

void RaiseOnKind(TCabCallback kind) {
  if (kind != FaultKind) return;
  if (CallsOfKind++ == FaultAfter)
    throw ECallbackFault("fault in callback " + std::to_string(static_cast<int>(kind)));
}

class TProbeScope {
public:
  TProbeScope(TCabCallback kind, int after) {
    FaultKind = kind;
    FaultAfter = after;
    CallsOfKind = 0;
    CabCallbackProbe = RaiseOnKind;
  }
  TProbeScope(const TProbeScope&) = delete;
  TProbeScope& operator=(const TProbeScope&) = delete;
  ~TProbeScope() { CabCallbackProbe = nullptr; }
};
} // namespace

// A raise inside any callback must not pass through the cabinet library: it comes out of the
// reader as itself once the library has returned, the extraction leaves nothing behind, and
// the library stays usable.
TEST(CabCallbacks, ARaiseInsideAnyCallbackReachesTheCallerAndLeavesNothing) {
  TScratchFolder folder;
  TStoredFile first{"first.bin", Filled(70000, 5)},
      nested{"sub\\dir\\second.bin", Filled(50000, 6)};
  WriteWholeFile(folder / "in.cab", MakeStoredCabinet({first, nested}));

  const struct {
    TCabCallback Kind;
    const char* Name;
  } kinds[] = {{TCabCallback::Alloc, "alloc"},  {TCabCallback::Open, "open"},
               {TCabCallback::Read, "read"},    {TCabCallback::Write, "write"},
               {TCabCallback::Close, "close"},  {TCabCallback::Seek, "seek"},
               {TCabCallback::Notify, "notify"}};
  for (const auto& k : kinds) {
    // Each kind fails once on its first call, and once on a later call, when the extraction
    // has written part of its files.
    for (int after : {0, 3}) {
      SCOPED_TRACE(std::string(k.Name) + " after " + std::to_string(after));
      TScratchFolder out;
      bool raised = false;
      {
        TProbeScope probe(k.Kind, after);
        try {
          TtqCabReader reader;
          reader.Extract(folder / "in.cab", out.Path());
        } catch (const ECallbackFault& e) {
          raised = true;
          EXPECT_EQ(e.Message(), "fault in callback " + std::to_string(static_cast<int>(k.Kind)));
        }
        // Every kind is called; a later call may not come.
        if (after == 0) {
          EXPECT_GT(CallsOfKind, 0);
        }
        if (CallsOfKind <= after) continue;
      }
      EXPECT_TRUE(raised);
      EXPECT_EQ(out.Files(), std::vector<std::string>{});
      EXPECT_EQ(SysGetAttributes(out / "sub"), sys::InvalidAttributes);
    }
  }
  // Afterwards the library works as before.
  TScratchFolder out;
  TtqCabReader reader;
  reader.Extract(folder / "in.cab", out.Path());
  EXPECT_EQ(ReadWholeFile(out / Native("sub/dir/second.bin")), nested.Data);
}
