#include "tqMovieLoader.h"

#include <windows.h>

namespace {
void WarningBox(const std::string& text) {
  MessageBoxA(nullptr, text.c_str(), "\xC2\xED\xE8\xEC\xE0\xED\xE8\xE5" /* Warning */,
              MB_ICONWARNING);
}
} // namespace

TLoadWarning ShowLoadWarning = WarningBox;
