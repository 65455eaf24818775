#include "CursorTrackFile.h"

#include "PictureFiles.h"
#include "StockCursors.h"
#include "writer/MovieLayout.h"

#include <algorithm>
#include <sstream>

namespace NQuillo {

namespace {

constexpr uint64_t MaxTrackFileBytes = uint64_t{256} << 20;

uint16_t Coordinate(const std::string& word, const std::string& where) {
  if (word.empty() || word.size() > 5 ||
      !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; }))
    throw TMovieError(where + ": \"" + word + "\" is not a coordinate from 0 to 65535");
  const unsigned long value = std::stoul(word);
  if (value > 65535) throw TMovieError(where + ": coordinate " + word + " above 65535");
  return static_cast<uint16_t>(value);
}

} // namespace

std::vector<TTrackStep> ParseCursorTrack(const std::string& text, const std::string& name) {
  const std::vector<std::string>& known = StockCursorNames();
  std::vector<TTrackStep> steps;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string shape, x, y, extra;
    if (!(words >> shape) || shape[0] == '#') continue;
    const std::string where = name + " line " + std::to_string(number);
    if (!(words >> x >> y) || (words >> extra))
      throw TMovieError(where + ": expected \"shape x y\"");
    if (shape != "none" && std::find(known.begin(), known.end(), shape) == known.end() &&
        shape != "busy")
      throw TMovieError(where + ": unknown cursor shape \"" + shape + "\"");
    steps.push_back(
        {shape == "busy" ? "busy0" : shape, Coordinate(x, where), Coordinate(y, where)});
  }
  return steps;
}

std::vector<TTrackStep> ReadCursorTrack(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadWholeFile(path, MaxTrackFileBytes);
  return ParseCursorTrack(std::string(bytes.begin(), bytes.end()), path);
}

} // namespace NQuillo
