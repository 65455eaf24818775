// The player as a separate process, driven from outside the way a person and the system do:
// started with its arguments, found by its window, given commands and keys as real messages,
// and counted (threads, kernel handles, memory) from the system's process list.
#pragma once

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

inline std::string WinePath(const char* unixPath) {
  std::string path = unixPath;
  // Wine shows the Linux root as drive Z:.
  std::replace(path.begin(), path.end(), '/', '\\');
  return "Z:" + path;
}

class TProcess {
public:
  TProcess(const std::string& program, const std::string& arguments) {
    std::string line = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    FStarted = CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &FInfo) != 0;
  }
  TProcess(const TProcess&) = delete;
  TProcess& operator=(const TProcess&) = delete;
  ~TProcess() {
    if (!FStarted) return;
    if (WaitForSingleObject(FInfo.hProcess, 0) == WAIT_TIMEOUT) {
      if (HWND w = Window()) PostMessageA(w, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(FInfo.hProcess, 5000) == WAIT_TIMEOUT)
        TerminateProcess(FInfo.hProcess, 1);
    }
    CloseHandle(FInfo.hThread);
    CloseHandle(FInfo.hProcess);
  }
  bool Started() const { return FStarted; }
  DWORD Id() const { return FInfo.dwProcessId; }
  HANDLE Handle() const { return FInfo.hProcess; }
  // The exit code, or STILL_ACTIVE when it has not ended within the time.
  DWORD WaitExit(DWORD ms) const {
    if (WaitForSingleObject(FInfo.hProcess, ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = 0;
    GetExitCodeProcess(FInfo.hProcess, &code);
    return code;
  }
  // The process's top-level window of a class, if it has one.
  HWND Window(const char* cls = "TQAPP") const {
    struct TSearch {
      DWORD Process;
      const char* Class;
      HWND Found;
    } search{FInfo.dwProcessId, cls, nullptr};
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
          auto* s = reinterpret_cast<TSearch*>(p);
          DWORD owner = 0;
          GetWindowThreadProcessId(w, &owner);
          char name[64] = {};
          GetClassNameA(w, name, sizeof name);
          if (owner == s->Process && lstrcmpA(name, s->Class) == 0 && IsWindowVisible(w)) {
            s->Found = w;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
  }
  HWND WaitWindow(const char* cls = "TQAPP", DWORD ms = 20000) const {
    for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(20))
      if (HWND w = Window(cls)) return w;
    return nullptr;
  }

private:
  bool FStarted = false;
  PROCESS_INFORMATION FInfo{};
};

inline int CountWindows(const char* cls) {
  int count = 0;
  struct TCount {
    const char* Class;
    int* Count;
  } c{cls, &count};
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto* c = reinterpret_cast<TCount*>(p);
        char name[64] = {};
        GetClassNameA(w, name, sizeof name);
        if (lstrcmpA(name, c->Class) == 0) ++*c->Count;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&c));
  return count;
}

inline std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  WIN32_FIND_DATAA found{};
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.insert(name);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return names;
}

// A temporary folder of the player's own, handed to the processes started while it exists
// through TMP and TEMP, so that what other tests keep in the shared one does not count.
class TOwnTempFolder {
public:
  TOwnTempFolder() {
    char shared[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, shared);
    FPath = std::string(shared) + "quillo-player-" + std::to_string(GetCurrentProcessId()) + "\\";
    // A folder of this name left by a run that was cut short is emptied and taken over.
    FCreated = CreateDirectoryA(FPath.c_str(), nullptr) != 0 ||
               GetLastError() == ERROR_ALREADY_EXISTS;
    for (const std::string& name : FilesIn(FPath))
      DeleteFileA((FPath + name).c_str());
    for (const char* name : {"TMP", "TEMP"}) {
      char value[MAX_PATH + 1] = {};
      FSaved.push_back(GetEnvironmentVariableA(name, value, sizeof value) ? value : "");
      SetEnvironmentVariableA(name, FPath.c_str());
    }
  }
  TOwnTempFolder(const TOwnTempFolder&) = delete;
  TOwnTempFolder& operator=(const TOwnTempFolder&) = delete;
  ~TOwnTempFolder() {
    SetEnvironmentVariableA("TMP", FSaved[0].empty() ? nullptr : FSaved[0].c_str());
    SetEnvironmentVariableA("TEMP", FSaved[1].empty() ? nullptr : FSaved[1].c_str());
    for (const std::string& name : FilesIn(FPath))
      DeleteFileA((FPath + name).c_str());
    RemoveDirectoryA(FPath.c_str());
  }
  bool Created() const { return FCreated; }
  std::set<std::string> Files() const { return FilesIn(FPath); }

private:
  std::string FPath;
  bool FCreated = false;
  std::vector<std::string> FSaved;
};

inline std::string StaticText(HWND box) {
  std::string longest;
  EnumChildWindows(
      box,
      [](HWND child, LPARAM p) -> BOOL {
        char cls[32] = {}, text[1024] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0) {
          auto* longest = reinterpret_cast<std::string*>(p);
          if (std::string(text).size() > longest->size()) *longest = text;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&longest));
  return longest;
}

// The screen's pixels over a window's client area.
inline std::vector<std::uint32_t> ScreenPixelsOf(HWND window, int& width, int& height) {
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  width = client.right;
  height = client.bottom;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, section);
  BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  std::vector<std::uint32_t> pixels(p, p + static_cast<std::size_t>(width) * height);
  SelectObject(memory, old);
  DeleteObject(section);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

// What the system counts for a process: its threads and kernel handles from the process list,
// its private memory from the process itself. GetGuiResources answers 0 under Wine, and another
// process's GDI table cannot be read, so GDI objects are counted in-process elsewhere.
struct TProcessCounts {
  int Threads = -1;
  int Handles = -1;
  std::size_t PrivateBytes = 0;
};

inline TProcessCounts CountsOf(DWORD id, HANDLE process) {
  TProcessCounts counts;
  std::vector<unsigned char> buffer(1 << 20);
  ULONG needed = 0;
  while (NtQuerySystemInformation(SystemProcessInformation, buffer.data(),
                                  static_cast<ULONG>(buffer.size()), &needed) != 0) {
    if (buffer.size() >= (64u << 20)) return counts;
    buffer.resize(buffer.size() * 2);
  }
  for (std::size_t at = 0;;) {
    const auto* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + at);
    if (static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(p->UniqueProcessId)) == id) {
      counts.Threads = static_cast<int>(p->NumberOfThreads);
      counts.Handles = static_cast<int>(p->HandleCount);
      break;
    }
    if (p->NextEntryOffset == 0) break;
    at += p->NextEntryOffset;
  }
  // The private commit charge: Wine fills it for another process as PagefileUsage only.
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (K32GetProcessMemoryInfo(process, &memory, sizeof memory))
    counts.PrivateBytes = memory.PagefileUsage;
  return counts;
}

// A command given as the menu gives it; false when the player did not take it within the time.
inline bool GiveCommand(HWND player, UINT id, UINT timeoutMs = 10000) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(player, WM_COMMAND, id, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

// A left click at a point of a window's client area, as the mouse sends it.
inline void ClickAt(HWND window, int x, int y) {
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// Waits for a condition, polling; false when the time ran out.
template <class TCondition> bool WaitUntil(TCondition condition, DWORD timeoutMs) {
  for (const DWORD start = GetTickCount();; Sleep(5)) {
    if (condition()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
  }
}

// Waits until a condition has held for a while without a break: the player passes through the
// stopped state for a moment at every change of segment, and only stays in it at the end.
template <class TCondition> bool WaitUntilHeld(TCondition condition, DWORD holdMs, DWORD timeoutMs) {
  DWORD heldSince = 0;
  bool holding = false;
  for (const DWORD start = GetTickCount();; Sleep(5)) {
    const DWORD now = GetTickCount();
    if (!condition())
      holding = false;
    else if (!holding) {
      holding = true;
      heldSince = now;
    } else if (now - heldSince >= holdMs) {
      return true;
    }
    if (now - start > timeoutMs) return false;
  }
}
