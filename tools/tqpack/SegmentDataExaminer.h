#pragma once

#include "MovieExaminer.h"

#include <string>
#include <vector>

namespace NQuillo {

// Checks a segment's extracted data file against its header, block by block down to every
// frame run, the way the player will read it; fills in the segment's name and frame figures.
void ExamineSegmentData(const std::string& path, const std::string& where, TSegmentReport& segment,
                        std::vector<TFinding>& findings);

} // namespace NQuillo
