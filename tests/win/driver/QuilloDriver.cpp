// Drives a running player from outside, as a person would: finds its window and gives it
// commands, or closes the dialog it shows. Every wait has a time limit.
//   quillo-driver command <id>   the player's menu command <id>
//   quillo-driver dialog <id>    the command <id> (1 OK, 2 Cancel) to the player's open dialog
//   quillo-driver windows        the player's window and its children: class, visibility and
//                                client rectangle on the screen, one line each
// Exit code 0 when the command was given, 2 when no window came within ten seconds.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
constexpr DWORD WaitMs = 10000;

HWND PlayerWindow() {
  return FindWindowA("TQAPP", nullptr);
}

// The visible dialog box of the player's thread.
HWND PlayerDialog() {
  const HWND player = PlayerWindow();
  if (player == nullptr) return nullptr;
  struct TSearch {
    DWORD Thread;
    HWND Found;
  } search{GetWindowThreadProcessId(player, nullptr), nullptr};
  EnumWindows(
      [](HWND w, LPARAM p) {
        auto& s = *reinterpret_cast<TSearch*>(p);
        char name[16] = {};
        GetClassNameA(w, name, sizeof name);
        if (GetWindowThreadProcessId(w, nullptr) != s.Thread || std::strcmp(name, "#32770") != 0 ||
            !IsWindowVisible(w))
          return TRUE;
        s.Found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

void PrintWindow(HWND w) {
  char name[64] = {};
  GetClassNameA(w, name, sizeof name);
  RECT r{};
  GetClientRect(w, &r);
  MapWindowPoints(w, nullptr, reinterpret_cast<POINT*>(&r), 2);
  std::printf("%s %s %ld %ld %ld %ld\n", name, IsWindowVisible(w) ? "shown" : "hidden", r.left,
              r.top, r.right, r.bottom);
}

HWND WaitFor(HWND (*find)()) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (const HWND w = find()) return w;
    if (GetTickCount() - start > WaitMs) return nullptr;
    Sleep(50);
  }
}
} // namespace

int main(int argc, char** argv) {
  const bool list = argc == 2 && std::strcmp(argv[1], "windows") == 0;
  if (!list && (argc != 3 || (std::strcmp(argv[1], "command") != 0 &&
                              std::strcmp(argv[1], "dialog") != 0))) {
    std::fprintf(stderr, "usage: quillo-driver command|dialog <id>, or quillo-driver windows\n");
    return 1;
  }
  if (list) {
    const HWND player = WaitFor(PlayerWindow);
    if (player == nullptr) return 2;
    PrintWindow(player);
    EnumChildWindows(
        player,
        [](HWND w, LPARAM) {
          PrintWindow(w);
          return TRUE;
        },
        0);
    return 0;
  }
  const bool dialog = std::strcmp(argv[1], "dialog") == 0;
  const HWND target = WaitFor(dialog ? PlayerDialog : PlayerWindow);
  if (target == nullptr) {
    std::fprintf(stderr, "quillo-driver: no %s within %lu ms\n", dialog ? "dialog" : "player",
                 static_cast<unsigned long>(WaitMs));
    return 2;
  }
  PostMessageA(target, WM_COMMAND, static_cast<WPARAM>(std::atoi(argv[2])), 0);
  return 0;
}
