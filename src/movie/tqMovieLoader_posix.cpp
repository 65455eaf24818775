#include "tqMovieLoader.h"

#include <cstdio>

namespace {
// Without a window system the warning goes to the error output.
void WarningToStderr(const std::string& text) {
  std::fputs(text.c_str(), stderr);
}
} // namespace

TLoadWarning ShowLoadWarning = WarningToStderr;
