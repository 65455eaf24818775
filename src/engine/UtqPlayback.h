// Choosing and running segments.
#pragma once

#include <cstdint>

// Makes the segment at index current when there is one.
void SelectSegment(std::int32_t index);
