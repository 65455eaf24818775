// The demo movie for the tests that read it. Under CTest a setup test writes it once and
// names it in QUILLO_DEMO_MOVIE; a test program run by hand writes its own.
#pragma once

#include "TestSupport.h"
#include "TqpackCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>

inline const std::string& SharedDemoPath() {
  static TScratchFolder folder;
  static const std::string path = [] {
    if (const char* given = std::getenv("QUILLO_DEMO_MOVIE")) {
      std::string movie = given;
#ifdef _WIN32
      // Wine shows the Linux root as drive Z:.
      std::replace(movie.begin(), movie.end(), '/', '\\');
      movie = "Z:" + movie;
#endif
      if (FileExists(movie)) return movie;
    }
    std::ostringstream out, err;
    const std::string movie = folder / "demo.tqf";
    EXPECT_EQ(NQuillo::RunTqpack({"demo", movie}, out, err), 0) << err.str();
    return movie;
  }();
  return path;
}
