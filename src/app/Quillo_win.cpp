// The program's entry: the main routine, and exit code 0 whatever happened inside it.
#include "MainForm_win.h"

#include <exception>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    QuilloMain();
  } catch (const std::exception& e) {
    // "Ошибка"
    MessageBoxA(nullptr, e.what(), "\xCE\xF8\xE8\xE1\xEA\xE0", MB_OK | MB_ICONERROR);
  }
  return 0;
}
