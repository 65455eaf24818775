#include "MovieJoin.h"

#include "writer/BinaryFile.h"
#include "writer/LittleEndian.h"
#include "writer/MovieWriter.h"

#include <limits>
#include <map>

namespace NQuillo {

namespace {
constexpr uint64_t MaxInt32 = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
} // namespace

uint64_t JoinMovies(const std::vector<TMovieReport>& movies, const std::string& outputPath) {
  uint64_t entries = 0;
  for (const TMovieReport& movie : movies)
    entries += movie.Entries.size();
  const uint64_t tableEnd = NMovie::TableCountSize + entries * NMovie::TableEntrySize;
  if (entries == 0 || tableEnd > MaxInt32)
    throw TMovieError("a movie holds between 1 and many entries, not " + std::to_string(entries));
  std::vector<uint8_t> table(static_cast<size_t>(tableEnd), 0);
  NLe::Put32(table.data(), static_cast<uint32_t>(entries));

  TBinaryFile output(outputPath, TBinaryFile::EMode::Create);
  output.Write(table.data(), table.size());
  uint8_t* entry = table.data() + NMovie::TableCountSize;
  for (const TMovieReport& movie : movies) {
    TBinaryFile input(movie.Path, TBinaryFile::EMode::Read);
    std::map<int32_t, uint64_t> copies; // offset in the input, offset in the output
    for (const TEntryReport& e : movie.Entries) {
      uint64_t offset = static_cast<uint32_t>(e.Offset);
      if (e.Inside) {
        auto copy = copies.find(e.Offset);
        if (copy == copies.end()) {
          const uint64_t at = output.Size();
          if (at + e.Length > MaxInt32)
            throw TMovieError("joined movie larger than 2 GiB - 1 byte");
          CopyBytes(input, movie.Start + static_cast<uint64_t>(e.Offset), e.Length, output);
          copy = copies.emplace(e.Offset, at).first;
        }
        offset = copy->second;
      }
      NLe::Put32(entry + NMovie::EntryOffset, static_cast<uint32_t>(offset));
      NLe::Put16(entry + NMovie::EntryKind, e.Kind);
      entry += NMovie::TableEntrySize;
    }
  }
  output.WriteAt(0, table.data(), table.size());
  output.Close();
  return output.Size();
}

} // namespace NQuillo
