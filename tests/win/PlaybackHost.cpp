#include "PlaybackHost.h"

#include "engine/UtqDisplay_win.h"
#include "engine/UtqCircularBlocks.h"
#include "engine/UtqPlayback.h"
#include "engine/UtqPlayerState.h"

#include <winternl.h>

#include <gtest/gtest.h>

namespace {
constexpr char ClassName[] = "QuilloPlaybackHost";

void RegisterHostClass() {
  static const bool registered = [] {
    WNDCLASSA c{};
    c.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    c.lpfnWndProc = DefWindowProcA;
    c.hInstance = GetModuleHandleA(nullptr);
    c.hCursor = LoadCursor(nullptr, IDC_ARROW);
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    c.lpszClassName = ClassName;
    return RegisterClassA(&c) != 0;
  }();
  EXPECT_TRUE(registered);
}
} // namespace

TPlaybackHost::TPlaybackHost(int clientWidth, int clientHeight) {
  RegisterHostClass();
  // No frame: the client area is the window, and a picture of nearly screen size fits.
  FWindow = CreateWindowA(ClassName, "Quillo test", WS_POPUP, 0, 0, clientWidth, clientHeight,
                          nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  EXPECT_NE(FWindow, nullptr);
  SetWindowLongPtrA(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrA(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc));
  ShowWindow(FWindow, SW_SHOWNORMAL);
  SetForegroundWindow(FWindow); // a palette is realised in the foreground only for it
  UpdateWindow(FWindow);
  Shell = this;
  PumpTarget.Window = FWindow; // a wait of the main thread dispatches this window's messages
  PumpFor(50);
}

TPlaybackHost::~TPlaybackHost() {
  if (!Destroyed) DestroyWindow(FWindow);
  PumpFor(10);
  if (Shell == this) Shell = nullptr;
}

LRESULT CALLBACK TPlaybackHost::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* host = reinterpret_cast<TPlaybackHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  try {
    switch (message) {
    case WM_COMMAND:
      host->OnCommand(LOWORD(wParam));
      return 0;
    case WM_APP:
      if (host->OnApp) host->OnApp();
      return 0;
    case WM_SIZE:
      // As the main window does: a playing or paused picture follows the window.
      if (PlayerState.PlayState != psStopped) LayoutPicture();
      break;
    case WM_DESTROY:
      EndPlayback();
      PumpTarget.Window = nullptr;
      host->Destroyed = true;
      return 0;
    default:
      break;
    }
  } catch (const std::exception& e) {
    ADD_FAILURE() << "Error in WndProc: " << e.what();
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void TPlaybackHost::OnCommand(UINT id) {
  switch (id) {
  case 110: Play(); break;
  case 111: Pause(); break;
  case 112:
    ++StopsPosted;
    Stop();
    break;
  case 114: StartSegment(PlayerState.CurrentSegment - 1); break;
  case 115:
    ++SegmentEnds;
    if (!OnSegmentEnd || OnSegmentEnd()) StartSegment(PlayerState.CurrentSegment + 1);
    break;
  default: break;
  }
}

void TPlaybackHost::Resize(int width, int height) {
  SetWindowPos(FWindow, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

void TPlaybackHost::ToggleFullScreen() {
  ++FullScreenToggles;
  PlayerState.FullScreen = !PlayerState.FullScreen;
}

bool TPlaybackHost::PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    if (condition()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(1);
  }
}

void TPlaybackHost::PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

int TPlaybackHost::ClientWidth() const {
  RECT r{};
  GetClientRect(FWindow, &r);
  return r.right;
}
int TPlaybackHost::ClientHeight() const {
  RECT r{};
  GetClientRect(FWindow, &r);
  return r.bottom;
}

std::vector<std::uint32_t> TPlaybackHost::Capture() const {
  const int w = ClientWidth(), h = ClientHeight();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC window = GetDC(FWindow);
  HDC memory = CreateCompatibleDC(window);
  HBITMAP section = CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, section);
  BitBlt(memory, 0, 0, w, h, window, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  std::vector<std::uint32_t> pixels(p, p + static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (auto& v : pixels) v &= 0xFFFFFF;
  SelectObject(memory, old);
  DeleteObject(section);
  DeleteDC(memory);
  ReleaseDC(FWindow, window);
  return pixels;
}

int ProcessThreadCount() {
  // The system's process list: Wine's thread snapshot lists only the calling thread.
  std::vector<std::uint8_t> buffer(1 << 20);
  ULONG needed = 0;
  if (NtQuerySystemInformation(SystemProcessInformation, buffer.data(),
                               static_cast<ULONG>(buffer.size()), &needed) != 0)
    return -1;
  const DWORD self = GetCurrentProcessId();
  for (std::size_t at = 0;;) {
    const auto* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + at);
    if (static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(p->UniqueProcessId)) == self)
      return static_cast<int>(p->NumberOfThreads);
    if (p->NextEntryOffset == 0) return -1;
    at += p->NextEntryOffset;
  }
}
