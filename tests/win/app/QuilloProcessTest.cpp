// The player as a separate process, as a user starts it: a self-playing movie to its end, a
// second start, and the window's first place from the command line.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {
std::string WinePath(const char* unixPath) {
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

int CountWindows(const char* cls) {
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

std::set<std::string> FilesIn(const std::string& folder) {
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
    FCreated = CreateDirectoryA(FPath.c_str(), nullptr) != 0;
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

std::string StaticText(HWND box) {
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
std::vector<std::uint32_t> ScreenPixelsOf(HWND window, int& width, int& height) {
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

class QuilloProcess : public ::testing::Test {
protected:
  void SetUp() override {
    Player = WinePath(QUILLO_EXE);
    DemoPlayer = WinePath(QUILLO_DEMO_EXE);
    OtherPlayer = WinePath(QUILLO_OTHER_EXE);
    ASSERT_EQ(CountWindows("TQAPP"), 0);
  }
  std::string Player, DemoPlayer, OtherPlayer;
};

TEST_F(QuilloProcess, TheDemoPlaysByItselfAndEndsLeavingNoTemporaryFiles) {
  TOwnTempFolder temp;
  ASSERT_TRUE(temp.Created());
  // The last segment only, so that the run stays short; the program ends after it.
  TProcess player(DemoPlayer, "/closeonfinish /segm 3");
  ASSERT_TRUE(player.Started());
  HWND window = player.WaitWindow();
  ASSERT_NE(window, nullptr);
  Sleep(1500);
  EXPECT_FALSE(temp.Files().empty()) << "while it plays, its frame files are in its folder";
  int w = 0, h = 0;
  const auto pixels = ScreenPixelsOf(window, w, h);
  ASSERT_GT(w * h, 0);
  std::set<std::uint32_t> colours;
  std::size_t painted = 0;
  for (std::uint32_t p : pixels) {
    colours.insert(p & 0xFFFFFF);
    painted += (p & 0xFFFFFF) != 0xFFFFFF;
  }
  EXPECT_GT(painted, pixels.size() / 4);
  EXPECT_GT(colours.size(), 8u);
  EXPECT_EQ(player.WaitExit(40000), 0u);
  EXPECT_EQ(temp.Files(), std::set<std::string>{});
}

TEST_F(QuilloProcess, WithoutAMovieAndCloseOnFinishItEndsAtOnce) {
  TProcess player(Player, "/closeonfinish");
  ASSERT_TRUE(player.Started());
  EXPECT_EQ(player.WaitExit(10000), 0u);
}

TEST_F(QuilloProcess, ASecondStartIsRefusedAndTheFirstGoesOn) {
  TProcess first(DemoPlayer, "");
  HWND window = first.WaitWindow();
  ASSERT_NE(window, nullptr);
  TProcess second(OtherPlayer, "");
  ASSERT_TRUE(second.Started());
  HWND box = second.WaitWindow("#32770", 10000);
  ASSERT_NE(box, nullptr);
  char caption[64] = {};
  GetWindowTextA(box, caption, sizeof caption);
  EXPECT_STREQ(caption, "\xC2\xED\xE8\xEC\xE0\xED\xE8\xE5"); // "Внимание"
  EXPECT_EQ(StaticText(box), "Quillo \xF3\xE6\xE5 \xE7\xE0\xEF\xF3\xF9\xE5\xED");
  EXPECT_EQ(CountWindows("TQAPP"), 1);
  EXPECT_EQ(second.Window(), nullptr);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(second.WaitExit(10000), 0u);
  EXPECT_EQ(first.Window(), window);
  EXPECT_EQ(first.WaitExit(0), static_cast<DWORD>(STILL_ACTIVE));
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(first.WaitExit(10000), 0u);
}

TEST_F(QuilloProcess, TheCommandLinePlacesTheWindow) {
  {
    TProcess player(Player, "-SIZE 800 600 -POS C");
    HWND window = player.WaitWindow();
    ASSERT_NE(window, nullptr);
    RECT r{};
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 112);
    EXPECT_EQ(r.top, 84);
    EXPECT_EQ(r.right - r.left, 800);
    EXPECT_EQ(r.bottom - r.top, 600);
    EXPECT_NE(GetMenu(window), nullptr);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(player.WaitExit(10000), 0u);
  }
  {
    // The panel shows while the mouse is near the bottom edge: the mouse stays away from it.
    SetCursorPos(512, 300);
    TProcess player(Player, "/size fullscreen");
    HWND window = player.WaitWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), WS_BORDER);
    EXPECT_EQ(GetMenu(window), nullptr);
    EXPECT_TRUE(IsZoomed(window));
    HWND panel = FindWindowExA(window, nullptr, "tqBottomPanel", nullptr);
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(IsWindowVisible(panel));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(player.WaitExit(10000), 0u);
  }
  {
    TProcess player(Player, "/size max");
    HWND window = player.WaitWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsZoomed(window));
    EXPECT_NE(GetMenu(window), nullptr);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(player.WaitExit(10000), 0u);
  }
}
} // namespace
