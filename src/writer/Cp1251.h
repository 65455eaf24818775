#pragma once

#include <string>

// Segment names are single-byte text in code page 1251; the command line and the terminal
// speak UTF-8.
namespace NQuillo {

// Throws TMovieError for malformed UTF-8 or a character that code page 1251 lacks.
std::string Utf8ToCp1251(const std::string& utf8);
std::string Cp1251ToUtf8(const std::string& text);

} // namespace NQuillo
