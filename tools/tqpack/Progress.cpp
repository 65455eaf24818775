#include "Progress.h"

#ifdef _WIN32
#include <io.h>
#define QUILLO_ISATTY _isatty
#define QUILLO_FILENO _fileno
#else
#include <unistd.h>
#define QUILLO_ISATTY isatty
#define QUILLO_FILENO fileno
#endif

namespace NQuillo {

namespace {
constexpr int BarWidth = 30;
}

TProgressLine::TProgressLine(std::FILE* stream, std::string label)
    : Stream(stream), Label(std::move(label)), Enabled(QUILLO_ISATTY(QUILLO_FILENO(stream)) != 0) {}

TProgressLine::~TProgressLine() {
  Done();
}

void TProgressLine::Update(int64_t done, int64_t total) {
  if (!Enabled || total <= 0) return;
  const auto now = std::chrono::steady_clock::now();
  // A terminal redrawn a few times a second is enough to watch.
  if (Shown && done < total && now - LastDraw < std::chrono::milliseconds(100)) return;
  LastDraw = now;
  Shown = true;
  const int filled = static_cast<int>(done * BarWidth / total);
  std::fprintf(Stream, "\r%s [%.*s%*s] %3d%%  %lld/%lld", Label.c_str(), filled,
               "##############################", BarWidth - filled, "",
               static_cast<int>(done * 100 / total), static_cast<long long>(done),
               static_cast<long long>(total));
  std::fflush(Stream);
}

void TProgressLine::Done() {
  if (!Shown) return;
  std::fputc('\n', Stream);
  std::fflush(Stream);
  Shown = false;
}

} // namespace NQuillo
