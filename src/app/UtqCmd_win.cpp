#include "UtqCmd.h"

#include "resources/tqResourceIds.h"
#include "ui/UtqCommon_win.h"
#include "ui/tqScoped_win.h"

#include <windows.h>

#include <cstdlib>

namespace {
class TMessageBoxes : public TCmdMessages {
public:
  void ShowHelp() override {
    MessageBoxA(nullptr, HelpText().c_str(), HelpCaption, MB_ICONINFORMATION);
  }
  void ShowFormatError() override {
    MessageBoxA(nullptr, LoadResString(IDS_BADCOMMANDLINE).c_str(),
                LoadResString(IDS_ERROR).c_str(), MB_ICONERROR);
  }
};
} // namespace

TCmdMessages& CommandLineMessageBoxes() {
  static TMessageBoxes boxes;
  return boxes;
}

std::vector<std::string> ProgramArguments() {
  // The runtime has split the command line the platform's way: quoted arguments keep
  // their blanks.
  std::vector<std::string> arguments;
  for (int i = 1; i < __argc; ++i)
    arguments.emplace_back(__argv[i]);
  return arguments;
}

void ParseCommandLine() {
  int width = 0;
  int height = 0;
  {
    TScopedGetDC screen(nullptr);
    width = GetDeviceCaps(screen.Get(), HORZRES);
    height = GetDeviceCaps(screen.Get(), VERTRES);
  }
  ParseArguments(ProgramArguments(), width, height, StartOptions, CommandLineMessageBoxes());
}
