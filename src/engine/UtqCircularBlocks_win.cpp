#include "UtqCircularBlocks.h"

#include "UtqPlayerState.h"

#include <windows.h>

namespace {
// The handle of the last reader thread; closed once that thread has ended.
HANDLE ReaderHandle = nullptr;

DWORD WINAPI ReaderEntry(void*) {
  try {
    ThreadP();
  } catch (...) {
    // Nothing may leave the thread; the reader has ended either way.
  }
  PlayerState.ReaderThread = 0;
  return 0;
}

void ErrorBox(const std::string& text) {
  MessageBoxA(nullptr, text.c_str(), "\xCE\xF8\xE8\xE1\xEA\xE0" /* Error */, MB_OK);
}
} // namespace

TEngineMessage ShowEngineError = ErrorBox;

void CreateReaderThread() {
  // Made suspended, so that the handle is stored before the thread can clear it as it ends.
  ReaderHandle = CreateThread(nullptr, 0, ReaderEntry, nullptr, CREATE_SUSPENDED, nullptr);
  if (ReaderHandle == nullptr) return;
  PlayerState.ReaderThread = reinterpret_cast<std::uintptr_t>(ReaderHandle);
  ResumeThread(ReaderHandle);
}

void ReleaseEndedReader() {
  if (ReaderHandle != nullptr) CloseHandle(ReaderHandle);
  ReaderHandle = nullptr;
}

void PumpMessages() {
  HWND window = static_cast<HWND>(PumpTarget.Window);
  if (window == nullptr) return;
  MSG message;
  while (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
    // The filter does not keep the thread's quit message out; taken here it would be lost and
    // the program would run on without a window.
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
    if (PumpTarget.Accelerators != nullptr)
      TranslateAcceleratorA(window, static_cast<HACCEL>(PumpTarget.Accelerators), &message);
  }
}
