#pragma once

#include "writer/CursorRecords.h"

#include <string>
#include <vector>

namespace NQuillo {

// The cursor shapes tqpack knows by name, 32 x 32 like the system's: "arrow", "ibeam" and
// "hand" are monochrome; "busy" (four turns "busy0" .. "busy3", 32-bit colour) and "pen"
// (24-bit colour) are colour cursors.
const std::vector<std::string>& StockCursorNames();
// Throws TMovieError for an unknown name.
TCursorShape StockCursor(const std::string& name);

} // namespace NQuillo
