#pragma once

#include "MovieExaminer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace NQuillo {

// Writes one movie that holds every table entry of the given movies in their order, each
// entry with its bytes exactly as they stand (header, cabinet and whatever follows up to the
// next entry); only the table's offsets change. Entries that point outside their movie keep
// their offset. Entries of one movie that share an offset share their copy. Returns the
// movie's length.
uint64_t JoinMovies(const std::vector<TMovieReport>& movies, const std::string& outputPath);

} // namespace NQuillo
