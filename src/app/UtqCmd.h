// The command line: options that place the first window, choose the segment played first and
// say whether the program ends when playback stops.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the command line asked for. Every parse starts again from these defaults except
// CloseOnFinish, which is only ever switched on.
struct TStartOptions {
  std::int32_t StartX = 0;
  std::int32_t StartY = 0;
  std::int32_t StartWidth = 600;
  std::int32_t StartHeight = 400;
  std::int32_t StartSegmentNumber = 1; // 1-based
  std::uint8_t SizeMode = 0;           // 0: the rectangle above; 2: maximised
  bool StartFullScreen = false;
  bool CloseOnFinish = false;
};

enum : std::uint8_t { smNormal = 0, smMaximized = 2 };
constexpr std::int32_t MinWindowWidth = 600;
constexpr std::int32_t MinWindowHeight = 400;

// The main thread's results of the last parse.
extern TStartOptions StartOptions;

// The two boxes the parser shows; the help box returns when the user has closed it.
class TCmdMessages {
public:
  virtual ~TCmdMessages() = default;
  virtual void ShowHelp() = 0;
  virtual void ShowFormatError() = 0;
};

// The runtime's integer conversion: optional leading blanks, then an optional sign and decimal
// digits, or hexadecimal digits after "$", "x" or "0x"; nothing may follow. Decimal values
// must lie in the 32-bit range; hexadecimal ones are 32-bit patterns, so "$FFFFFFFF" is -1.
bool TryStrToInt(const std::string& text, std::int32_t& value);

// Parses the arguments after the program path for a screen of the given size.
void ParseArguments(const std::vector<std::string>& arguments, std::int32_t screenWidth,
                    std::int32_t screenHeight, TStartOptions& options, TCmdMessages& messages);

// The help box's caption and text and the texts of the error box, in code page 1251.
extern const char* const HelpCaption;
std::string HelpText();

#ifdef _WIN32
// The help box and the error box as the player shows them: message boxes without owner.
TCmdMessages& CommandLineMessageBoxes();
// The program's arguments after its path.
std::vector<std::string> ProgramArguments();
// Reads the program's own arguments and the screen size, and parses into StartOptions,
// showing the boxes as message boxes.
void ParseCommandLine();
#endif
