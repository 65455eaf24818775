#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace NQuillo {

// The tqpack program without its process: arguments after the program name, normal output,
// and messages. Returns the exit code: 0 done, 1 failed or damage found, 2 bad usage.
int RunTqpack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace NQuillo
