// The shell's process-wide state, saved for a test and put back after it.
#pragma once

#include "app/UtqCmd.h"
#include "ui/UtqCommon_win.h"

#include <string>

class TShellStateScope {
public:
  TShellStateScope()
      : FOptions(StartOptions), FFontTemplate(FontTemplate), FFace(FontRequestedFace) {}
  TShellStateScope(const TShellStateScope&) = delete;
  TShellStateScope& operator=(const TShellStateScope&) = delete;
  ~TShellStateScope() {
    StartOptions = FOptions;
    FontTemplate = FFontTemplate;
    FontRequestedFace = FFace;
  }

private:
  TStartOptions FOptions;
  LOGFONTA FFontTemplate;
  std::string FFace;
};
