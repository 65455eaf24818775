// The command line against rules that do not use its code: the integer conversion against the
// C library's, and the clamp's promises for any arguments on any screen.
#include "app/UtqCmd.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

namespace {
class TCountingBoxes : public TCmdMessages {
public:
  void ShowHelp() override {
    if (Errors != 0) std::abort(); // nothing is read after an error
    ++Helps;
  }
  void ShowFormatError() override { ++Errors; }
  int Helps = 0;
  int Errors = 0;
};

void CheckConversion(const std::string& text) {
  static const std::regex decimal("[ \t]*[+-]?[0-9]+");
  static const std::regex hex("[ \t]*(\\$|x|X|0x|0X)[0-9a-fA-F]+");
  std::int32_t value = 0;
  const bool ok = TryStrToInt(text, value);
  if (std::regex_match(text, decimal)) {
    errno = 0;
    const long long expected = std::strtoll(text.c_str(), nullptr, 10);
    const bool inRange = errno == 0 && expected >= INT32_MIN && expected <= INT32_MAX;
    if (ok != inRange || (ok && value != expected)) std::abort();
  } else if (std::regex_match(text, hex)) {
    const std::size_t digits = text.find_first_of("$xX") + 1;
    errno = 0;
    const unsigned long long expected = std::strtoull(text.c_str() + digits, nullptr, 16);
    const bool inRange = errno == 0 && expected <= 0xFFFFFFFFull;
    if (ok != inRange || (ok && static_cast<std::uint32_t>(value) != expected)) std::abort();
  } else if (ok) {
    std::abort();
  }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > 4096) return 0;
  // The first two bytes choose the screen, the rest are arguments, one per line.
  const std::int32_t width = 1 + data[0] * 8;
  const std::int32_t height = 1 + data[1] * 8;
  std::vector<std::string> arguments;
  std::string current;
  for (std::size_t i = 2; i < size; ++i) {
    if (data[i] == '\n') {
      arguments.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  if (size > 2) arguments.push_back(current);
  for (const std::string& a : arguments)
    CheckConversion(a);

  TStartOptions options;
  TCountingBoxes boxes;
  ParseArguments(arguments, width, height, options, boxes);
  if (boxes.Errors > 1) std::abort();
  if (boxes.Errors == 0 && !arguments.empty()) {
    if (options.StartWidth < MinWindowWidth || options.StartHeight < MinWindowHeight) std::abort();
    if (options.StartX > width - options.StartWidth) std::abort();
    if (options.StartY > height - options.StartHeight) std::abort();
    if (options.StartX < 0 && options.StartWidth <= width) std::abort();
    if (options.StartY < 0 && options.StartHeight <= height) std::abort();
  }
  if (arguments.empty() && (options.StartWidth != 600 || options.StartX != 0)) std::abort();
  return 0;
}
