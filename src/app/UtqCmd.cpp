#include "UtqCmd.h"

#include <cstddef>
#include <cstdint>

TStartOptions StartOptions;

namespace {
bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ReadHex(const std::string& text, std::size_t at, std::int32_t& value) {
  if (at == text.size()) return false;
  std::uint64_t v = 0;
  for (; at < text.size(); ++at) {
    const int d = HexDigit(text[at]);
    if (d < 0) return false;
    v = v * 16 + static_cast<std::uint64_t>(d);
    if (v > 0xFFFFFFFFu) return false;
  }
  value = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  return true;
}

bool ReadDecimal(const std::string& text, std::size_t at, std::int32_t& value) {
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  if (at == text.size()) return false;
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t v = 0;
  for (; at < text.size(); ++at) {
    if (text[at] < '0' || text[at] > '9') return false;
    v = v * 10 + (text[at] - '0');
    if (v > limit) return false;
  }
  value = static_cast<std::int32_t>(negative ? -v : v);
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The argument is not a number: the caller shows the error and stops parsing.
struct TBadArgument {};

std::int32_t IntegerValue(const std::string& argument) {
  std::int32_t value = 0;
  if (!TryStrToInt(argument, value)) throw TBadArgument{};
  return value;
}

// Screen minus window, worked out wide: a hostile size such as -2147483648 must not overflow.
std::int32_t Fit(std::int64_t v) {
  if (v < INT32_MIN) return INT32_MIN;
  if (v > INT32_MAX) return INT32_MAX;
  return static_cast<std::int32_t>(v);
}

std::int32_t Room(std::int32_t screen, std::int32_t window) {
  return Fit(static_cast<std::int64_t>(screen) - window);
}

enum TParseState { psOption, psPosX, psPosY, psSizeWidth, psSizeHeight, psSegment };

void Clamp(TStartOptions& o, std::int32_t screenWidth, std::int32_t screenHeight) {
  if (o.StartX < 0) o.StartX = 0;
  if (o.StartY < 0) o.StartY = 0;
  if (o.StartWidth < MinWindowWidth) o.StartWidth = MinWindowWidth;
  if (o.StartHeight < MinWindowHeight) o.StartHeight = MinWindowHeight;
  if (o.StartX > screenWidth - o.StartWidth) o.StartX = screenWidth - o.StartWidth;
  if (o.StartY > screenHeight - o.StartHeight) o.StartY = screenHeight - o.StartHeight;
}
} // namespace

bool TryStrToInt(const std::string& text, std::int32_t& value) {
  std::size_t at = 0;
  while (at < text.size() && IsBlank(text[at]))
    ++at;
  if (at < text.size() && text[at] == '$') return ReadHex(text, at + 1, value);
  if (at < text.size() && (text[at] == 'x' || text[at] == 'X')) return ReadHex(text, at + 1, value);
  if (at + 1 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X'))
    return ReadHex(text, at + 2, value);
  return ReadDecimal(text, at, value);
}

void ParseArguments(const std::vector<std::string>& arguments, std::int32_t screenWidth,
                    std::int32_t screenHeight, TStartOptions& options, TCmdMessages& messages) {
  const bool closeOnFinish = options.CloseOnFinish;
  options = TStartOptions{};
  options.CloseOnFinish = closeOnFinish;
  if (arguments.empty()) return;

  TParseState state = psOption;
  try {
    for (const std::string& raw : arguments) {
      if (raw.empty()) throw TBadArgument{};
      std::string a = Lower(raw);
      switch (state) {
      case psOption:
        if (a[0] == '-') a[0] = '/';
        if (a == "/closeonfinish")
          options.CloseOnFinish = true;
        else if (a == "/size")
          state = psSizeWidth;
        else if (a == "/pos")
          state = psPosX;
        else if (a == "/segm")
          state = psSegment;
        else if (a == "/?" || a == "/help")
          messages.ShowHelp();
        break;
      case psPosX:
        state = psPosY;
        if (a == "c") {
          options.StartX = Room(screenWidth, options.StartWidth) / 2;
          options.StartY = Room(screenHeight, options.StartHeight) / 2;
          state = psOption;
        } else if (a == "l") {
          options.StartX = 0;
        } else if (a == "r") {
          options.StartX = Room(screenWidth, options.StartWidth);
        } else {
          options.StartX = IntegerValue(a);
        }
        break;
      case psPosY:
        if (a == "t")
          options.StartY = 0;
        else if (a == "b")
          options.StartY = Room(screenHeight, options.StartHeight);
        else
          options.StartY = IntegerValue(a);
        state = psOption;
        break;
      case psSizeWidth:
        state = psOption;
        if (a == "fullscreen") {
          options.StartFullScreen = true;
          options.SizeMode = smNormal;
        } else if (a == "max") {
          options.SizeMode = smMaximized;
        } else if (a == "min") {
          options.SizeMode = smNormal;
          options.StartWidth = MinWindowWidth;
          options.StartHeight = MinWindowHeight;
        } else {
          options.SizeMode = smNormal;
          options.StartWidth = IntegerValue(a);
          state = psSizeHeight;
        }
        break;
      case psSizeHeight:
        options.StartHeight = IntegerValue(a);
        options.StartFullScreen =
            options.StartWidth == screenWidth && options.StartHeight == screenHeight;
        state = psOption;
        break;
      case psSegment:
        options.StartSegmentNumber = IntegerValue(a);
        state = psOption;
        break;
      }
    }
  } catch (const TBadArgument&) {
    // What was set before the bad argument stays, unclamped.
    messages.ShowFormatError();
    return;
  }
  Clamp(options, screenWidth, screenHeight);
}

const char* const HelpCaption =
    "\xCF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xFB \xE7\xE0\xEF\xF3\xF1\xEA\xE0 Quillo v1.5";

std::string HelpText() {
  static const char* const Lines[] = {
      "\"FileName.exe\" [-size {FULLSCREEN|MAX|MIN|{w h}} [-pos {C|{{L|R|x} {T|B|y}}}]] "
      "[-segm N] [-closeonfinfish]",
      "",
      "fullscreen - \xEF\xEE\xEB\xED\xEE\xFD\xEA\xF0\xE0\xED\xED\xFB\xE9 \xF0\xE5\xE6\xE8\xEC "
      "\xE1\xE5\xE7 \xED\xE8\xE6\xED\xE5\xE9 \xEF\xE0\xED\xE5\xEB\xE8 "
      "\xF3\xEF\xF0\xE0\xE2\xEB\xE5\xED\xE8\xFF",
      "max - \xEC\xE0\xEA\xF1\xE8\xEC\xE0\xEB\xFC\xED\xFB\xE9 \xF0\xE0\xE7\xEC\xE5\xF0 "
      "(\xE7\xE0\xED\xE8\xEC\xE0\xE5\xF2 \xE2\xE5\xF1\xFC \xFD\xEA\xF0\xE0\xED, \xED\xEE "
      "\xEF\xF0\xE8 \xFD\xF2\xEE\xEC \xEE\xF1\xF2\xE0\xE5\xF2\xF1\xFF "
      "\xE7\xE0\xE3\xEE\xEB\xEE\xE2\xEE\xEA \xEE\xEA\xED\xE0 \xE8 \xED\xE8\xE6\xED\xFF\xFF "
      "\xEF\xE0\xED\xE5\xEB\xFC)",
      "min - \xEC\xE8\xED\xE8\xEC\xE0\xEB\xFC\xED\xFB\xE9 \xF0\xE0\xE7\xEC\xE5\xF0 (600 x 400)",
      "w h - Width, Height - \xF8\xE8\xF0\xE8\xED\xE0, \xE2\xFB\xF1\xEE\xF2\xE0 "
      "\xEF\xF0\xEE\xE8\xE3\xF0\xFB\xE2\xE0\xF2\xE5\xEB\xFF",
      "",
      "c - Center - \xE2 \xF6\xE5\xED\xF2\xF0\xE5 \xFD\xEA\xF0\xE0\xED\xE0",
      "",
      "L - Left - \xEF\xEE \xEB\xE5\xE2\xEE\xEC\xF3 \xEA\xF0\xE0\xFE \xFD\xEA\xF0\xE0\xED\xE0",
      "R - Right - \xEF\xEE \xEF\xF0\xE0\xE2\xEE\xEC\xF3 \xFD\xEA\xF0\xE0\xED\xE0",
      // The letter before the last word is the Cyrillic one.
      "x - \xEE\xF2\xF1\xF2\xF3\xEF\xE8\xF2\xFC \xEE\xF2 \xEB\xE5\xE2\xEE\xE3\xEE "
      "\xEA\xF0\xE0\xFF \xFD\xEA\xF0\xE0\xED\xE0 \xF5 \xEF\xE8\xEA\xF1\xE5\xEB\xE5\xE9",
      "",
      "T - Top - \xEF\xEE \xE2\xE5\xF0\xF5\xED\xE5\xEC\xF3 \xEA\xF0\xE0\xFE "
      "\xFD\xEA\xF0\xE0\xED\xE0",
      "B - Bottom - \xEF\xEE \xED\xE8\xE6\xED\xE5\xEC\xF3 \xEA\xF0\xE0\xFE "
      "\xFD\xEA\xF0\xE0\xED\xE0",
      "y - \xEE\xF2\xF1\xF2\xF3\xEF\xE8\xF2\xFC \xEE\xF2 \xE2\xE5\xF0\xF5\xED\xE5\xE3\xEE "
      "\xEA\xF0\xE0\xFF \xFD\xEA\xF0\xE0\xED\xE0 y \xEF\xE8\xEA\xF1\xE5\xEB\xE5\xE9",
      "",
      "N - Segment Number - \xED\xE0\xF7\xE8\xED\xE0\xF2\xFC "
      "\xE2\xEE\xF1\xEF\xF0\xEE\xE8\xE7\xE2\xE5\xE4\xE5\xED\xE8\xE5 \xF1 "
      "\xF1\xE5\xE3\xEC\xE5\xED\xF2\xE0 N",
      "",
      "CloseOnFinish - \xE7\xE0\xEA\xF0\xFB\xF2\xFC "
      "\xEF\xF0\xEE\xE8\xE3\xF0\xFB\xE2\xE0\xF2\xE5\xEB\xFC \xEF\xEE "
      "\xEE\xEA\xEE\xED\xF7\xE0\xED\xE8\xE8 "
      "\xE2\xEE\xF1\xEF\xF0\xEE\xE8\xE7\xE2\xE5\xE4\xE5\xED\xE8\xFF",
  };
  // One carriage return between lines, none after the last.
  std::string text = Lines[0];
  for (std::size_t i = 1; i < sizeof Lines / sizeof Lines[0]; ++i)
    (text += '\r') += Lines[i];
  return text;
}
