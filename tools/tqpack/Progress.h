#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace NQuillo {

// One line on a terminal that is rewritten in place as work goes on; silent when the stream
// is not a terminal, so that logs and pipes stay clean.
class TProgressLine {
public:
  TProgressLine(std::FILE* stream, std::string label);
  ~TProgressLine();
  TProgressLine(const TProgressLine&) = delete;
  TProgressLine& operator=(const TProgressLine&) = delete;

  void Update(int64_t done, int64_t total);
  void Done();

private:
  std::FILE* Stream;
  const std::string Label;
  const bool Enabled;
  bool Shown = false;
  std::chrono::steady_clock::time_point LastDraw;
};

} // namespace NQuillo
