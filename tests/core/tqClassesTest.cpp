#include "TestSupport.h"
#include "movie/tqByteReader.h"
#include "movie/tqClasses.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <thread>

namespace {
std::vector<std::uint8_t> Sequence(std::size_t n) {
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return bytes;
}

// A memory stream that records the size of every ReadBuffer asked of it.
class TRecordingStream : public TtqMemoryStream {
public:
  void ReadBuffer(void* buffer, std::int32_t count) override {
    Requests.push_back(count);
    TtqMemoryStream::ReadBuffer(buffer, count);
  }
  std::vector<std::int32_t> Requests;
};

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(no error)";
}
} // namespace

TEST(FileStream, ReadsToTheEndThenReportsTheFileByName) {
  TScratchFolder folder;
  const std::string name = folder / "ten.bin";
  WriteWholeFile(name, Sequence(10));
  TtqFileStream stream(name, TtqFileStream::ModeRead);
  std::uint8_t buffer[16];
  EXPECT_EQ(stream.Read(buffer, 16), 10);
  EXPECT_EQ(stream.Read(buffer, 16), 0);
  stream.ReadBuffer(buffer, 0); // nothing asked, nothing raised
  EXPECT_EQ(ErrorOf([&] { stream.ReadBuffer(buffer, 1); }), "Cannot read file " + name);

  // A short read keeps the bytes that came and moves past them.
  stream.SetPosition(6);
  std::uint8_t tail[8] = {};
  EXPECT_EQ(ErrorOf([&] { stream.ReadBuffer(tail, 8); }), "Cannot read file " + name);
  EXPECT_EQ(tail[0], Sequence(10)[6]);
  EXPECT_EQ(stream.GetPosition(), 10);
}

TEST(FileStream, SizeLeavesThePositionAndHandleReadsMoveIt) {
  TScratchFolder folder;
  const std::string name = folder / "data.bin";
  const auto bytes = Sequence(1000);
  WriteWholeFile(name, bytes);
  TtqFileStream stream(name, TtqFileStream::ModeReadShareRead);
  stream.SetPosition(123);
  EXPECT_EQ(stream.GetSize(), 1000);
  EXPECT_EQ(stream.GetPosition(), 123);

  // Reads straight through the handle are reads of the stream.
  std::uint8_t b[10];
  std::uint32_t done = 0;
  ASSERT_TRUE(SysReadFile(stream.Handle, b, 10, done));
  EXPECT_EQ(stream.GetPosition(), 133);
  std::uint8_t next = 0;
  stream.ReadBuffer(&next, 1);
  EXPECT_EQ(next, bytes[133]);
}

TEST(FileStream, ModesCreateTruncateAndRefuse) {
  TScratchFolder folder;
  const std::string name = folder / "made.bin";
  EXPECT_THROW(TtqFileStream(name, TtqFileStream::ModeRead), EWin32Error); // opening needs an existing file
  WriteWholeFile(name, Sequence(50));
  {
    TtqFileStream created(name, TtqFileStream::ModeCreate); // cut to nothing
    EXPECT_EQ(created.GetSize(), 0);
    EXPECT_EQ(created.Write("abc", 3), 3);
  }
  EXPECT_EQ(ReadWholeFile(name), Bytes("abc"));
  TtqFileStream readOnly(name, TtqFileStream::ModeRead);
  EXPECT_EQ(readOnly.Write("x", 1), 0); // a failing write counts nothing and raises nothing
  EXPECT_THROW(TtqFileStream(folder.Path() + "missing" + "/x.bin", TtqFileStream::ModeCreate),
               EWin32Error);
}

TEST(MemoryStream, KeepsOneSpareByteBeyondEveryWrite) {
  TtqMemoryStream stream;
  stream.Write("0123456789", 10);
  EXPECT_EQ(stream.GetSize(), 11);
  EXPECT_EQ(stream.GetPosition(), 10);
  stream.SetPosition(0);
  char buffer[100] = {};
  EXPECT_EQ(stream.Read(buffer, 100), 11);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  EXPECT_EQ(buffer[10], 0);

  stream.SetPosition(11); // at the end: ignored
  EXPECT_EQ(stream.GetPosition(), 11);
  stream.SetPosition(10);
  EXPECT_EQ(stream.GetPosition(), 10);
  stream.SetPosition(-1);
  EXPECT_EQ(stream.GetPosition(), 10);

  TtqMemoryStream empty;
  EXPECT_EQ(empty.Write(nullptr, 0), 0);
  EXPECT_EQ(empty.GetSize(), 1);
  EXPECT_EQ(empty.Write("x", -1), 0);
  EXPECT_EQ(empty.GetSize(), 1);
}

TEST(MemoryStream, ReadBufferAndSetSize) {
  TtqMemoryStream stream;
  stream.Write("abc", 3);
  stream.SetPosition(1);
  char b[4] = {};
  EXPECT_EQ(ErrorOf([&] { stream.ReadBuffer(b, 4); }), "Cannot read buffer");
  EXPECT_EQ(std::string(b, 3), std::string("bc\0", 3)); // what came stays
  stream.ReadBuffer(b, 0);
  stream.SetSize(2);
  EXPECT_EQ(stream.GetSize(), 2);
  EXPECT_EQ(stream.Read(b, 1), 0); // the position now stands past the end
  stream.SetPosition(0);
  EXPECT_EQ(stream.Read(b, 4), 2);
  EXPECT_EQ(std::string(b, 2), "ab");
}

TEST(CopyFrom, MovesSeventyThousandBytesInTwoChunks) {
  TRecordingStream source;
  const auto bytes = Sequence(70000);
  source.Write(bytes.data(), 70000);
  source.SetSize(70000); // drop the spare byte so that the source is exactly the data
  source.SetPosition(5000);

  TtqMemoryStream target;
  EXPECT_EQ(target.CopyFrom(source, 0), 70000); // 0: the whole source from its start
  EXPECT_EQ(source.Requests, (std::vector<std::int32_t>{61440, 8560}));
  EXPECT_EQ(source.GetPosition(), 70000);
  EXPECT_EQ(target.GetSize(), 70001);
  EXPECT_EQ(target.GetPosition(), 70000);
  EXPECT_EQ(std::vector<std::uint8_t>(target.Memory(), target.Memory() + 70000), bytes);
  EXPECT_EQ(target.Memory()[70000], 0);
}

TEST(CopyFrom, CopiesFromThePositionAndPassesShortReadsOn) {
  TScratchFolder folder;
  const std::string name = folder / "source.bin";
  const auto bytes = Sequence(200000);
  WriteWholeFile(name, bytes);
  TtqFileStream source(name, TtqFileStream::ModeRead);
  source.SetPosition(100);
  TtqFileStream target(folder / "target.bin", TtqFileStream::ModeCreate);
  EXPECT_EQ(target.CopyFrom(source, 150000), 150000);
  EXPECT_EQ(source.GetPosition(), 150100);
  EXPECT_EQ(target.GetSize(), 150000);

  // Asking for more than is left raises the source's error; what was written stays.
  TtqMemoryStream partial;
  source.SetPosition(199000);
  EXPECT_EQ(ErrorOf([&] { partial.CopyFrom(source, 70000); }), "Cannot read file " + name);
  EXPECT_EQ(partial.GetSize(), 0);
  source.SetPosition(100000);
  EXPECT_EQ(ErrorOf([&] { partial.CopyFrom(source, 130000); }), "Cannot read file " + name);
  EXPECT_EQ(partial.GetSize(), 61440 + 1);
}

TEST(StringList, GrowsBySixteenAndMatchesExactly) {
  TtqStringList list;
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_EQ(list.Add("Segm1.dat"), 0);
  EXPECT_EQ(list.Capacity(), 16);
  for (int i = 1; i < 16; ++i) EXPECT_EQ(list.Add("s" + std::to_string(i)), i);
  EXPECT_EQ(list.Capacity(), 16);
  EXPECT_EQ(list.Add("s16"), 16);
  EXPECT_EQ(list.Capacity(), 32);

  EXPECT_EQ(list.IndexOf("Segm1.dat"), 0);
  EXPECT_EQ(list.IndexOf("SEGM1.DAT"), -1);
  EXPECT_EQ(list.Get(-1), "");
  EXPECT_EQ(list.Get(list.Count()), "");

  list.Delete(17);
  list.Delete(-1);
  EXPECT_EQ(list.Count(), 17);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 16);
  EXPECT_EQ(list.Get(0), "s1");
  EXPECT_EQ(list.Get(15), "s16");
  EXPECT_EQ(list.Capacity(), 32);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
}

TEST(CriticalSection, IsReentrantAndExcludesOtherThreads) {
  TCriticalSection lock;
  lock.Enter();
  lock.Enter(); // the holder may enter again
  std::atomic<bool> entered{false};
  std::thread other([&] {
    lock.Enter();
    entered = true;
    lock.Leave();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(entered);
  lock.Leave();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(entered); // still held once
  lock.Leave();
  other.join();
  EXPECT_TRUE(entered);
}

TEST(ByteReader, ReadsLittleEndianFieldsInsideItsBufferOnly) {
  const std::uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0xFF, 0xFE};
  const TByteReader r(bytes, sizeof bytes);
  EXPECT_EQ(r.UInt8(5), 0xFE);
  EXPECT_EQ(r.UInt16(0), 0x0201);
  EXPECT_EQ(r.Int16(4), -257);
  EXPECT_EQ(r.UInt32(0), 0x04030201u);
  EXPECT_EQ(r.Int32(2), static_cast<std::int32_t>(0xFEFF0403u));
  EXPECT_TRUE(r.Holds(6, 0));
  EXPECT_FALSE(r.Holds(3, 4));
  EXPECT_FALSE(r.Holds(SIZE_MAX, 2)); // an offset that would wrap round
  EXPECT_THROW(r.Int32(3), Exception);
  EXPECT_THROW(r.UInt8(6), Exception);
  EXPECT_THROW(r.Bytes(1, SIZE_MAX), Exception);
}
