#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace NQuillo {

// A cursor track for `tqpack make`: a text file with one step per line, "shape x y", where
// shape is a stock cursor name or "none". Blank lines and lines starting with '#' are skipped.
struct TTrackStep {
  std::string Shape;
  uint16_t X = 0;
  uint16_t Y = 0;
};

std::vector<TTrackStep> ReadCursorTrack(const std::string& path);
std::vector<TTrackStep> ParseCursorTrack(const std::string& text, const std::string& name);

} // namespace NQuillo
