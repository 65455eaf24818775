#include "MovieExaminer.h"
#include "PictureFiles.h"
#include "PngPicture.h"
#include "TqpackCommands.h"

#include "MovieReference.h"
#include "PlayerLoad.h"
#include "SharedDemo.h"
#include "TestPng.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <sstream>

using NQuillo::RunTqpack;
using TBytes = std::vector<uint8_t>;

namespace {

struct TRun {
  int Code;
  std::string Out, Err;
};

TRun Tqpack(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = RunTqpack(args, out, err);
  return {code, out.str(), err.str()};
}

void Put32(TBytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A bottom-up 24-bit BMP of rgb pixels (0xRRGGBB), rows padded to 4 bytes.
TBytes Bmp24(int32_t w, int32_t h, const std::vector<uint32_t>& rgb) {
  const uint32_t row = (static_cast<uint32_t>(w) * 3 + 3) / 4 * 4;
  TBytes b = {'B', 'M'};
  Put32(b, 54 + row * static_cast<uint32_t>(h));
  Put32(b, 0);
  Put32(b, 54);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(w));
  Put32(b, static_cast<uint32_t>(h));
  b.insert(b.end(), {1, 0, 24, 0});
  for (int i = 0; i < 6; ++i)
    Put32(b, 0);
  for (int32_t y = h - 1; y >= 0; --y) {
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t c = rgb[static_cast<size_t>(y * w + x)];
      b.insert(b.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                         static_cast<uint8_t>(c >> 16)});
    }
    b.resize(b.size() + row - static_cast<uint32_t>(w) * 3, 0);
  }
  return b;
}

// A top-down 8-bit BMP with a 256-entry colour table.
TBytes Bmp8(int32_t w, int32_t h, const TBytes& indices, const std::vector<uint32_t>& table) {
  const uint32_t row = (static_cast<uint32_t>(w) + 3) / 4 * 4;
  TBytes b = {'B', 'M'};
  Put32(b, 54 + 1024 + row * static_cast<uint32_t>(h));
  Put32(b, 0);
  Put32(b, 54 + 1024);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(w));
  Put32(b, static_cast<uint32_t>(-h));
  b.insert(b.end(), {1, 0, 8, 0});
  for (int i = 0; i < 6; ++i)
    Put32(b, 0);
  for (uint32_t c : table)
    Put32(b, c & 0xFFFFFF);
  for (int32_t y = 0; y < h; ++y) {
    b.insert(b.end(), indices.begin() + y * w, indices.begin() + (y + 1) * w);
    b.resize(b.size() + row - static_cast<uint32_t>(w), 0);
  }
  return b;
}

// An RGB PNG of rgb pixels (0xRRGGBB).
TBytes Png(int32_t w, int32_t h, const std::vector<uint32_t>& rgb) {
  TPngFile png;
  png.Width = static_cast<uint32_t>(w);
  png.Height = static_cast<uint32_t>(h);
  for (uint32_t c : rgb)
    png.Samples.insert(png.Samples.end(), {c >> 16, c >> 8 & 0xFF, c & 0xFF});
  return MakePng(png);
}

std::vector<uint32_t> RandomPicture(int32_t w, int32_t h, uint32_t seed) {
  std::vector<uint32_t> p(static_cast<size_t>(w * h));
  uint32_t x = seed;
  for (uint32_t& c : p) {
    x = x * 1103515245u + 12345u;
    c = (x >> 8) & 0x0F0F0F; // few colours: runs form
  }
  return p;
}

// Decodes every frame of a one-segment movie into packed pictures.
std::vector<TBytes> DecodeMovie(const TBytes& movie, NRef::THeader& h, NRef::TDataFile& data,
                                std::string* dataName = nullptr) {
  h = NRef::ReadHeader(movie, 10);
  const TBytes cabinet(movie.begin() + 64, movie.begin() + 64 + h.CabinetSize);
  data = NRef::SplitDataFile(NRef::ExtractCabinet(cabinet, dataName), h);
  std::vector<TBytes> frames;
  TBytes shown(static_cast<size_t>(h.Width * h.Height) * (h.Bits == 8 ? 1 : 3), 0), difference;
  for (size_t f = 0, at = 0; f < static_cast<size_t>(h.Frames); ++f) {
    at += NRef::ExpandRecord(data.Frames, at, h.Width, h.Height, h.Bits, difference);
    for (size_t i = 0; i < shown.size(); ++i)
      shown[i] ^= difference[i];
    frames.push_back(shown);
  }
  return frames;
}

TBytes AsBgr(const std::vector<uint32_t>& rgb) {
  TBytes out;
  for (uint32_t c : rgb)
    out.insert(out.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                           static_cast<uint8_t>(c >> 16)});
  return out;
}

// The "Field: value" lines of info's report, segment by segment.
std::vector<std::map<std::string, std::string>> InfoFields(const std::string& report) {
  std::vector<std::map<std::string, std::string>> segments;
  std::istringstream lines(report);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.compare(0, 8, "segment ") == 0) segments.emplace_back();
    const size_t colon = line.find(": ");
    if (!segments.empty() && line.compare(0, 2, "  ") == 0 && colon != std::string::npos)
      segments.back()[line.substr(2, colon - 2)] = line.substr(colon + 2);
  }
  return segments;
}

// info finds a problem, and join and attach refuse the movie with it.
void ExpectRefused(const std::string& movie, const std::string& what) {
  const TRun info = ::Tqpack({"info", movie});
  EXPECT_EQ(info.Code, 1) << what << "\n" << info.Out;
  EXPECT_NE(info.Out.find("problem: "), std::string::npos) << what;
  const std::string problem = NQuillo::InspectMovie(movie).FirstProblem();
  EXPECT_FALSE(problem.empty()) << what;
  const std::string out = movie + ".out";
  const TRun join = ::Tqpack({"join", out, movie});
  EXPECT_EQ(join.Code, 1) << what;
  EXPECT_NE(join.Err.find(" is damaged: " + problem), std::string::npos)
      << what << ": " << join.Err;
  WriteWholeFile(out + ".exe", {'M', 'Z', 0, 0});
  const TRun attach = ::Tqpack({"attach", out + ".exe", movie, out});
  EXPECT_EQ(attach.Code, 1) << what;
  EXPECT_NE(attach.Err.find(" is damaged: " + problem), std::string::npos)
      << what << ": " << attach.Err;
}

class Tqpack : public testing::Test {
protected:
  static void SetUpTestSuite() {
    Folder = new TScratchFolder;
    WriteWholeFile(*Folder / "demo.tqf", ::ReadWholeFile(SharedDemoPath()));
    Demo = new TBytes(::ReadWholeFile(*Folder / "demo.tqf"));
  }
  static void TearDownTestSuite() {
    delete Demo;
    delete Folder;
  }
  static TScratchFolder* Folder;
  static TBytes* Demo;
};

TScratchFolder* Tqpack::Folder = nullptr;
TBytes* Tqpack::Demo = nullptr;

} // namespace

TEST_F(Tqpack, InfoPrintsTheHeaderValuesWritten) {
  const TRun info = ::Tqpack({"info", *Folder / "demo.tqf"});
  EXPECT_EQ(info.Code, 0) << info.Out;
  EXPECT_NE(info.Out.find("no problems found"), std::string::npos);
  EXPECT_EQ(info.Out.find("problem:"), std::string::npos);
  const auto fields = InfoFields(info.Out);
  const std::vector<NRef::TEntry> table = NRef::ReadTable(*Demo);
  ASSERT_EQ(fields.size(), table.size());
  for (size_t i = 0; i < table.size(); ++i) {
    const NRef::THeader h = NRef::ReadHeader(*Demo, static_cast<size_t>(table[i].Offset));
    auto& f = fields[i];
    EXPECT_EQ(f.at("Version"), std::to_string(h.Version));
    EXPECT_EQ(f.at("Width"), std::to_string(h.Width));
    EXPECT_EQ(f.at("Height"), std::to_string(h.Height));
    EXPECT_EQ(f.at("BitsPerPixel"), std::to_string(h.Bits));
    EXPECT_EQ(f.at("FrameRate"), h.Rate == 10.0f ? "10" : "5");
    EXPECT_EQ(f.at("Flags").substr(0, 1), std::to_string(h.Flags));
    EXPECT_EQ(f.at("FrameCount"), std::to_string(h.Frames));
    EXPECT_EQ(f.at("CursorCount"), std::to_string(h.Cursors));
    EXPECT_EQ(f.at("CursorTrackSize"), std::to_string(h.TrackSize));
    EXPECT_EQ(f.at("PaletteDataSize"), std::to_string(h.PaletteSize));
    EXPECT_EQ(f.at("FrameDataSize"), std::to_string(h.FrameSize));
    EXPECT_EQ(f.at("CabinetSize"), std::to_string(h.CabinetSize));
    EXPECT_EQ(f.at("CabinetOffset"), "54");
    EXPECT_EQ(f.at("Reserved1"), "0");
    EXPECT_EQ(f.at("Reserved2"), std::to_string(h.Reserved2));
    EXPECT_NE(f.at("cabinet").find("compression 0x1403 (LZX, window 2^20)"), std::string::npos);
  }
  EXPECT_EQ(fields[0].at("Name"),
            "\"\xD0\xA1\xD0\xB5\xD0\xB3\xD0\xBC\xD0\xB5\xD0\xBD\xD1\x82 1: "
            "\xD1\x80\xD0\xB5\xD0\xB4\xD0\xB0\xD0\xBA\xD1\x82\xD0\xBE\xD1\x80\"");
}

// Damage makes info exit 1, and join and attach refuse the movie naming the same problem.
TEST_F(Tqpack, DamagedMoviesAreReportedAndRefused) {
  const NRef::THeader second =
      NRef::ReadHeader(*Demo, static_cast<size_t>(NRef::ReadTable(*Demo)[1].Offset));
  const size_t secondAt = static_cast<size_t>(NRef::ReadTable(*Demo)[1].Offset);
  struct TDamage {
    const char* What;
    size_t Cut;    // bytes kept, 0: all
    size_t FlipAt; // byte whose bit 2 is flipped, SIZE_MAX: none
  };
  const size_t none = SIZE_MAX;
  const TDamage damages[] = {
      {"cut to nothing", 1, none},
      {"cut inside the table", 10, none},
      {"cut inside the first header", 40, none},
      {"cut inside the first cabinet", 5000, none},
      {"cut in the middle", Demo->size() / 2, none},
      {"last byte missing", Demo->size() - 5, none},
      {"entry count", 0, 0},
      {"segment offset", 0, 4 + 6},
      {"width", 0, secondAt + 1},
      {"frame count", 0, secondAt + 18},
      {"cursor track size", 0, secondAt + 26},
      {"cabinet size", 0, secondAt + 38},
      {"cabinet data", 0, secondAt + 54 + static_cast<size_t>(second.CabinetSize) / 2},
      {"first cabinet's data", 0, 22 + 54 + 3000},
      {"last cabinet's data", 0, Demo->size() - 300},
  };
  for (const TDamage& d : damages) {
    TBytes damaged = *Demo;
    if (d.Cut) damaged.resize(d.Cut);
    if (d.FlipAt != none) damaged[d.FlipAt] ^= 4;
    WriteWholeFile(*Folder / "damaged.tqf", damaged);
    ExpectRefused(*Folder / "damaged.tqf", d.What);
  }
  WriteWholeFile(*Folder / "empty.tqf", {});
  ExpectRefused(*Folder / "empty.tqf", "empty file");
  ExpectRefused(*Folder / "missing.tqf", "missing file");
}

TEST(TqpackMake, MakesMoviesFromBmpPictures) {
  TScratchFolder pictures;
  const int32_t w = 5, h = 3; // rows of 15 bytes, padded in the files
  std::vector<std::vector<uint32_t>> shots;
  for (int i = 0; i < 4; ++i) {
    shots.push_back(RandomPicture(w, h, static_cast<uint32_t>(i / 2))); // frames 0/1 and 2/3 equal
    WriteWholeFile(pictures / ("shot" + std::to_string(i) + ".BMP"), Bmp24(w, h, shots.back()));
  }
  WriteWholeFile(pictures / "notes.txt", {'x'});
  std::string track = "# shape x y\n";
  for (int i = 0; i < 12; ++i)
    track += std::string(i < 6   ? "arrow"
                         : i < 9 ? "busy"
                                 : "none") +
             " " + std::to_string(i) + " 2\r\n";
  WriteWholeFile(pictures / "track.txt", TBytes(track.begin(), track.end()));

  const std::string movie = pictures / "made.tqf";
  const TRun make =
      ::Tqpack({"make", pictures.Path(), movie, "--depth", "24", "--fps=12.5", "--ticks", "3",
                "--cursor", pictures / "track.txt", "--time", "2023-01-02T03:04:05.6", "--name",
                "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB1\xD0\xB0"});
  ASSERT_EQ(make.Code, 0) << make.Err;
  EXPECT_EQ(::Tqpack({"info", movie}).Code, 0);

  NRef::THeader header;
  NRef::TDataFile data;
  std::string name;
  const std::vector<TBytes> frames = DecodeMovie(::ReadWholeFile(movie), header, data, &name);
  EXPECT_EQ(name, "Segm202301020304056.dat");
  EXPECT_EQ(header.Rate, 12.5f);
  EXPECT_EQ(header.Flags, 1);
  EXPECT_EQ(header.Cursors, 2) << "arrow and busy";
  EXPECT_EQ(data.Name, "\xCF\xF0\xEE\xE1\xE0");
  ASSERT_EQ(frames.size(), 4u);
  for (size_t i = 0; i < 4; ++i)
    EXPECT_EQ(frames[i], AsBgr(shots[i])) << "frame " << i;
  ASSERT_EQ(data.Track.size(), 12u * 6);
  EXPECT_EQ(NRef::U16(data.Track, 0), 0u);
  EXPECT_EQ(NRef::U16(data.Track, 6 * 7), 1u);
  EXPECT_EQ(NRef::U16(data.Track, 6 * 7 + 2), 7u);
  EXPECT_EQ(NRef::U16(data.Track, 6 * 11), 0xFFFFu);
}

TEST(TqpackMake, EveryLevelMakesTheSameMovie) {
  TScratchFolder pictures;
  const int32_t w = 64, h = 48;
  std::vector<std::vector<uint32_t>> shots;
  for (int i = 0; i < 6; ++i) {
    shots.push_back(RandomPicture(w, h, static_cast<uint32_t>(i % 3)));
    WriteWholeFile(pictures / ("shot" + std::to_string(i) + ".bmp"), Bmp24(w, h, shots.back()));
  }
  std::map<std::string, size_t> sizes;
  for (const std::string level : {"fast", "default", "best"}) {
    const std::string movie = pictures / (level + ".tqf");
    const TRun make = ::Tqpack({"make", pictures.Path(), movie, "--level", level});
    ASSERT_EQ(make.Code, 0) << level << ": " << make.Err;
    NRef::THeader header;
    NRef::TDataFile data;
    const std::vector<TBytes> frames = DecodeMovie(::ReadWholeFile(movie), header, data, nullptr);
    ASSERT_EQ(frames.size(), shots.size()) << level;
    for (size_t i = 0; i < shots.size(); ++i)
      EXPECT_EQ(frames[i], AsBgr(shots[i])) << level << " frame " << i;
    sizes[level] = static_cast<size_t>(header.CabinetSize);
  }
  EXPECT_LE(sizes["default"], sizes["fast"]);
}

TEST(TqpackMake, MakesEightBitMoviesWithTheirColourTables) {
  TScratchFolder pictures;
  std::vector<uint32_t> table(256);
  for (uint32_t i = 0; i < 256; ++i)
    table[i] = i * 0x010305u & 0xFFFFFF;
  const TBytes first = {1, 1, 2, 3, 200, 5, 5};
  const TBytes second = {1, 9, 2, 3, 200, 5, 255};
  WriteWholeFile(pictures / "a.bmp", Bmp8(7, 1, first, table));
  table[9] = 0xABCDEF;
  WriteWholeFile(pictures / "b.bmp", Bmp8(7, 1, second, table));
  const TRun make = ::Tqpack({"make", pictures.Path(), pictures / "m.tqf", "--depth", "8"});
  ASSERT_EQ(make.Code, 0) << make.Err;
  NRef::THeader h;
  NRef::TDataFile data;
  const std::vector<TBytes> frames = DecodeMovie(::ReadWholeFile(pictures / "m.tqf"), h, data);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0], first);
  EXPECT_EQ(frames[1], second);
  std::array<uint32_t, 256> palette{};
  size_t at = NRef::ApplyPaletteChange(data.Palette, 0, palette);
  for (uint8_t i : first)
    EXPECT_EQ(palette[i], table[i]); // 9, the changed entry, is unused
  at = NRef::ApplyPaletteChange(data.Palette, at, palette);
  EXPECT_EQ(at, data.Palette.size());
  for (uint8_t i : second)
    EXPECT_EQ(palette[i], table[i]);
}

TEST(TqpackMake, MakesMoviesFromPngPictures) {
  if (!NQuillo::PngSupported()) GTEST_SKIP() << "this build reads BMP only";
  TScratchFolder pictures;
  const std::vector<uint32_t> a = RandomPicture(3, 300, 5), b = RandomPicture(3, 300, 6);
  WriteWholeFile(pictures / "1.png", Png(3, 300, a));
  WriteWholeFile(pictures / "2.png", Png(3, 300, b));
  ASSERT_EQ(::Tqpack({"make", pictures.Path(), pictures / "p.tqf"}).Code, 0);
  NRef::THeader h;
  NRef::TDataFile data;
  const std::vector<TBytes> frames = DecodeMovie(::ReadWholeFile(pictures / "p.tqf"), h, data);
  EXPECT_EQ(h.Bits, 32);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0], AsBgr(a));
  EXPECT_EQ(frames[1], AsBgr(b));
}

TEST(TqpackMake, RefusesBadInputWithAMessage) {
  TScratchFolder pictures;
  const std::string out = pictures / "out.tqf";
  auto expectFailure = [&](const std::vector<std::string>& args, int code,
                           const std::string& text) {
    const TRun run = ::Tqpack(args);
    EXPECT_EQ(run.Code, code) << args[0] << " " << text;
    EXPECT_NE(run.Err.find(text), std::string::npos) << run.Err;
  };
  expectFailure({"make", pictures.Path(), out}, 1, "no .bmp or .png pictures");
  expectFailure({"make", pictures / "nowhere", out}, 1, "is not a folder");
  WriteWholeFile(pictures / "a.bmp", Bmp24(4, 4, RandomPicture(4, 4, 1)));
  WriteWholeFile(pictures / "b.bmp", Bmp24(5, 4, RandomPicture(5, 4, 1)));
  expectFailure({"make", pictures.Path(), out}, 1, "b.bmp is 5 x 4");
  expectFailure({"make", pictures.Path(), out, "--depth", "16"}, 2, "--depth");
  expectFailure({"make", pictures.Path(), out, "--fps", "0"}, 2, "--fps");
  expectFailure({"make", pictures.Path(), out, "--ticks", "2"}, 2, "--ticks");
  expectFailure({"make", pictures.Path(), out, "--level", "max"}, 2, "--level");
  expectFailure({"make", pictures.Path(), out, "--time", "2024-02-30T00:00:00"}, 2, "--time");
  expectFailure({"make", pictures.Path(), out, "--colour", "red"}, 2, "unknown option --colour");
  expectFailure(
      {"make", pictures.Path(), out, "--name", "\xE2\x82\xAC\xE2\x84\x96\xF0\x9F\x98\x80"}, 1,
      "code page 1251");
  expectFailure({"make", pictures.Path()}, 2, "usage:");
  WriteWholeFile(pictures / "b.bmp", TBytes{'B', 'M', 1, 2, 3});
  expectFailure({"make", pictures.Path(), out}, 1, "b.bmp");
  WriteWholeFile(pictures / "b.bmp", Bmp24(4, 4, RandomPicture(4, 4, 2)));
  WriteWholeFile(pictures / "t.txt", {'a', 'r', 'r', 'o', 'w', ' ', '1', ' ', '1', '\n'});
  expectFailure({"make", pictures.Path(), out, "--cursor", pictures / "t.txt"}, 1, "need 2");
  WriteWholeFile(pictures / "t.txt", {'h', 'o', 'u', 'r', ' ', '1', ' ', '1', '\n'});
  expectFailure({"make", pictures.Path(), out, "--cursor", pictures / "t.txt"}, 1,
                "unknown cursor shape");
  WriteWholeFile(pictures / "t.txt", {'h', 'a', 'n', 'd', ' ', '1', ' ', '-', '1', '\n'});
  expectFailure({"make", pictures.Path(), out, "--cursor", pictures / "t.txt"}, 1, "line 1");
  expectFailure({"shrink", out}, 2, "unknown command");
  expectFailure({}, 2, "usage:");
  expectFailure({"join", out}, 2, "join needs");
  expectFailure({"attach", out, out}, 2, "attach needs");
  WriteWholeFile(pictures / "junk.tqf", TBytes(100, 0xFF));
  expectFailure({"join", out, pictures / "junk.tqf"}, 1, "damaged");
}

TEST_F(Tqpack, JoinsAndAttaches) {
  TScratchFolder work;
  const TRun join =
      ::Tqpack({"join", work / "six.tqf", *Folder / "demo.tqf", *Folder / "demo.tqf"});
  ASSERT_EQ(join.Code, 0) << join.Err;
  const TBytes six = ::ReadWholeFile(work / "six.tqf");
  const std::vector<NRef::TEntry> table = NRef::ReadTable(six), demoTable = NRef::ReadTable(*Demo);
  ASSERT_EQ(table.size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    // The same segment bytes, only at another place in the movie.
    const size_t from = static_cast<size_t>(demoTable[i % 3].Offset);
    const size_t length = static_cast<size_t>(NRef::ReadHeader(*Demo, from).Reserved2);
    EXPECT_TRUE(std::equal(Demo->begin() + static_cast<long>(from),
                           Demo->begin() + static_cast<long>(from + length),
                           six.begin() + table[i].Offset))
        << "segment " << i;
  }
  EXPECT_EQ(::Tqpack({"info", work / "six.tqf"}).Code, 0);

  WriteWholeFile(work / "player.exe", {'M', 'Z', 0x90, 0, 3, 0, 0, 0, 0, 0, 0, 0});
  const TRun attach =
      ::Tqpack({"attach", work / "player.exe", work / "six.tqf", work / "self.exe"});
  ASSERT_EQ(attach.Code, 0) << attach.Err;
  const TBytes self = ::ReadWholeFile(work / "self.exe");
  EXPECT_EQ(NRef::U32(self, self.size() - 4), six.size());
  const TRun info = ::Tqpack({"info", work / "self.exe"});
  EXPECT_EQ(info.Code, 0) << info.Out;
  EXPECT_NE(info.Out.find("attached to a program at offset 12"), std::string::npos);
  EXPECT_EQ(::Tqpack({"info", work / "player.exe"}).Code, 1) << "a program without a movie";
}

// Every cut and every flipped bit of a small movie is inspected without a crash. A cut or a
// flip that info finds no problem in loads in the player's loader exactly as the movie did;
// every cut into a cabinet is a problem; join and attach refuse every movie with a problem. The
// frame rate alone can change unseen: any rate from 1 to 255 is one a recorder may have written.
TEST(TqpackInfo, SurvivesEveryCutAndBitFlipOfASmallMovie) {
  TScratchFolder folder;
  WriteWholeFile(folder / "a.bmp", Bmp24(5, 3, RandomPicture(5, 3, 1)));
  WriteWholeFile(folder / "b.bmp", Bmp24(5, 3, RandomPicture(5, 3, 2)));
  WriteWholeFile(folder / "t.txt", TBytes{'h', 'a', 'n', 'd', ' ', '1', ' ', '2', '\n', 'p', 'e',
                                          'n', ' ', '3', ' ', '1', '\n'});
  ASSERT_EQ(
      ::Tqpack({"make", folder.Path(), folder / "small.tqf", "--cursor", folder / "t.txt"}).Code,
      0);
  const TBytes movie = ::ReadWholeFile(folder / "small.tqf");
  ASSERT_EQ(NQuillo::InspectMovie(folder / "small.tqf").Count(NQuillo::EGrade::Problem), 0u);
  const TPlayerLoad original = LoadWithPlayer(folder / "small.tqf");
  ASSERT_EQ(original.Segments.size(), 1u) << original.Error;
  // A movie with a problem is refused by join and attach too.
  WriteWholeFile(folder / "player.exe", {'M', 'Z', 0, 0});
  auto hasProblem = [&folder](const std::string& path) {
    if (NQuillo::InspectMovie(path).Count(NQuillo::EGrade::Problem) == 0) return false;
    const TRun join = ::Tqpack({"join", folder / "joined.tqf", path});
    const TRun attach = ::Tqpack({"attach", folder / "player.exe", path, folder / "self.exe"});
    EXPECT_TRUE(join.Code == 1 && join.Err.find(" is damaged: ") != std::string::npos) << join.Err;
    EXPECT_TRUE(attach.Code == 1 && attach.Err.find(" is damaged: ") != std::string::npos)
        << attach.Err;
    return true;
  };
  for (size_t cut = 0; cut < movie.size(); ++cut) {
    WriteWholeFile(folder / "cut.tqf",
                   TBytes(movie.begin(), movie.begin() + static_cast<long>(cut)));
    if (cut + 4 < movie.size()) {
      EXPECT_TRUE(hasProblem(folder / "cut.tqf")) << "cut at " << cut;
    } else {
      EXPECT_FALSE(hasProblem(folder / "cut.tqf")) << "only the bytes after the cabinet go";
      EXPECT_EQ(LoadWithPlayer(folder / "cut.tqf"), original) << "cut at " << cut;
    }
  }
  const size_t rateAt = 4 + 6 + 10; // the one segment's FrameRate
  size_t unseen = 0, flips = 0;
  for (size_t at = 0; at < movie.size(); ++at)
    for (int bit = 0; bit < 8; bit += 3) {
      TBytes flipped = movie;
      flipped[at] ^= static_cast<uint8_t>(1 << bit);
      WriteWholeFile(folder / "flip.tqf", flipped);
      ++flips;
      if (hasProblem(folder / "flip.tqf")) continue;
      ++unseen;
      if (at >= rateAt && at < rateAt + 4) continue;
      EXPECT_EQ(LoadWithPlayer(folder / "flip.tqf"), original)
          << "bit " << bit << " of byte " << at;
    }
  std::cout << unseen << " of " << flips << " flips leave a movie without problems\n";
}
