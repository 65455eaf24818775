#include "MessageBoxWatcher.h"

namespace {
std::string WindowText(HWND window) {
  char text[4096];
  const int length = GetWindowTextA(window, text, sizeof text);
  return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

bool IsClass(HWND window, const char* name) {
  char cls[64];
  return GetClassNameA(window, cls, sizeof cls) > 0 && lstrcmpiA(cls, name) == 0;
}

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  if (IsClass(window, "#32770") && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

struct TBoxParts {
  std::string Text;
  HICON Icon = nullptr;
};

BOOL CALLBACK ReadPart(HWND child, LPARAM parts) {
  auto* p = reinterpret_cast<TBoxParts*>(parts);
  if (!IsClass(child, "Static")) return TRUE;
  if ((GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    p->Icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
  } else {
    const std::string text = WindowText(child);
    if (text.size() > p->Text.size()) p->Text = text;
  }
  return TRUE;
}
} // namespace

TMessageBoxWatcher::TMessageBoxWatcher()
    : FThread(GetCurrentThreadId()), FWatcher([this] { Watch(); }) {}

TMessageBoxWatcher::~TMessageBoxWatcher() {
  FStop = true;
  FWatcher.join();
}

std::vector<TSeenBox> TMessageBoxWatcher::Seen() {
  std::lock_guard<std::mutex> hold(FLock);
  return FSeen;
}

void TMessageBoxWatcher::Watch() {
  while (!FStop) {
    HWND box = nullptr;
    EnumThreadWindows(FThread, FindBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) {
      Sleep(10);
      continue;
    }
    TSeenBox seen;
    seen.Caption = WindowText(box);
    seen.Owner = GetWindow(box, GW_OWNER);
    TBoxParts parts;
    EnumChildWindows(box, ReadPart, reinterpret_cast<LPARAM>(&parts));
    seen.Text = parts.Text;
    seen.Icon = parts.Icon;
    {
      std::lock_guard<std::mutex> hold(FLock);
      FSeen.push_back(seen);
    }
    SendMessageA(box, WM_COMMAND, IDOK, 0);
    // The box goes away inside its thread's loop; do not read it twice.
    while (!FStop && IsWindow(box) && IsWindowVisible(box))
      Sleep(5);
  }
}
