// Every collected cabinet, extracted by our reader, against what cabextract extracted from it
// (tests/data/cab/expected.tsv, recorded with cabextract, not with this code).
#include "TestSupport.h"
#include "movie/tqCab.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {
struct TExpectedFile {
  std::string Name; // raw bytes as stored in the cabinet
  std::size_t Size;
  std::string Sha256;
};

struct TExpectedCabinet {
  std::string Path; // relative to tests/data/cab
  int CabextractStatus = 0;
  std::vector<TExpectedFile> Files;
};

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

std::vector<TExpectedCabinet> LoadExpectations() {
  std::ifstream in(DataPath("cab/expected.tsv"));
  std::vector<TExpectedCabinet> cabinets;
  std::map<std::string, std::size_t> index;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string kind, path;
    std::getline(fields, kind, '\t');
    std::getline(fields, path, '\t');
    if (kind == "C") {
      std::string status;
      std::getline(fields, status, '\t');
      index[path] = cabinets.size();
      cabinets.push_back({path, std::stoi(status), {}});
    } else if (kind == "F") {
      std::string name, size, sha;
      std::getline(fields, name, '\t');
      std::getline(fields, size, '\t');
      std::getline(fields, sha, '\t');
      cabinets.at(index.at(path)).Files.push_back({FromHex(name), std::stoul(size), sha});
    }
  }
  return cabinets;
}

// Cabinets where the FDI contract itself differs from cabextract: a copy ends at the first
// damaged file, while cabextract goes on with the next one.
const std::set<std::string> StopsAtFirstDamagedFile = {
    "libmspack/cve-2014-9732-folders-segfault.cab",
};

#ifdef _WIN32
// Where Wine's cabinet.dll decodes differently from libmspack, which made the expectations:
// it accepts an LZX match that reaches before the start of the data; it takes the last folder
// for a folder index past the end; its Quantum decoder refuses a block that libmspack accepts.
const std::set<std::string> PlatformDecoderDiffers = {
    "libarchive/test_read_format_cab_lzx_invalid_history.cab",
    "libmspack/bad_folderindex.cab",
    "cabextract/cve-2010-2801-qtm-flush.cab",
};
constexpr std::size_t MaxPath = 260;
#else
const std::set<std::string> PlatformDecoderDiffers;
constexpr std::size_t MaxPath = 4096;
#endif

class CabinetCorpus : public ::testing::TestWithParam<TExpectedCabinet> {};

void PrintTo(const TExpectedCabinet& cab, std::ostream* os) { *os << cab.Path; }

std::string NameOf(const ::testing::TestParamInfo<TExpectedCabinet>& info) {
  std::string name;
  for (char c : info.param.Path) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}
} // namespace

TEST(CabinetCorpusManifest, CoversEveryCollectedCabinet) {
  const auto cabinets = LoadExpectations();
  EXPECT_EQ(cabinets.size(), 97u);
  std::size_t files = 0;
  for (const auto& c : cabinets) files += c.Files.size();
  EXPECT_GT(files, 100u);
}

TEST_P(CabinetCorpus, ExtractsWhatCabextractExtractsAndNothingElse) {
  const TExpectedCabinet& cab = GetParam();
  const std::string path = DataPath("cab/" + cab.Path);

  // The reader starts at the given cabinet and goes forward through its set; cabextract also
  // goes back to earlier parts and searches for cabinets inside other files. So the files that
  // must come out are those that start in this cabinet; any other file that comes out must be
  // one that cabextract extracted too, with the same bytes.
  TFdiCabinetInfo info{};
  std::set<std::string> startsHere;
  try {
    TtqCabReader lister;
    lister.IsCabinet(path, info);
    lister.ListFiles(path, [&](TtqCabReader&, const std::string& name, std::int32_t,
                               std::uint16_t folder, std::uint16_t, std::uint16_t, std::uint16_t,
                               bool&) {
      if (folder != 0xFFFD && folder != 0xFFFF) startsHere.insert(name);
    });
  } catch (const Exception&) {
    // A damaged table may stop the listing; extraction must still behave.
  }

  TScratchFolder out;
  TtqCabReader reader;
  ASSERT_NO_THROW(reader.Extract(path, out.Path()));

  std::map<std::string, int> occurrences;
  for (const auto& f : cab.Files) ++occurrences[f.Name];
  std::set<std::string> found;
  for (const auto& f : cab.Files) {
    if (!IsSafeEntryName(f.Name)) continue;
    const std::string target = JoinPath({out.Path(), f.Name});
    if (!FileExists(target)) {
      const bool excused = StopsAtFirstDamagedFile.count(cab.Path) != 0 ||
                           PlatformDecoderDiffers.count(cab.Path) != 0 ||
                           target.size() >= MaxPath; // the system cannot make so long a path
      EXPECT_TRUE(startsHere.count(f.Name) == 0 || excused) << "missing: " << f.Name;
      continue;
    }
    found.insert(f.Name);
    if (occurrences[f.Name] > 1) continue; // a later entry of the same name writes over it
    const auto bytes = ReadWholeFile(target);
    EXPECT_EQ(bytes.size(), f.Size) << f.Name;
    EXPECT_EQ(Sha256Hex(bytes), f.Sha256) << f.Name;
  }
  // Nothing else may be left looking like a good file.
  if (PlatformDecoderDiffers.count(cab.Path) == 0) {
    EXPECT_EQ(out.Files().size(), found.size());
  }
}

INSTANTIATE_TEST_SUITE_P(Collected, CabinetCorpus, ::testing::ValuesIn(LoadExpectations()),
                         NameOf);
