// Choosing and running segments.
#pragma once

#include <cstdint>

// Makes the segment at index current when there is one.
void SelectSegment(std::int32_t index);

// The frame side of a segment start: makes the segment current, sizes the ring for its
// largest record, empties the ring, rewinds the segment's streams, starts the reader and waits
// for the first record. True once that record is in FrontBlock; false when the segment cannot
// be played (no such segment, no ring, a picture without a run format) or no record came.
bool StartSegmentFrames(std::int32_t index);
