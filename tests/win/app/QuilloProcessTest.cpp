// The player as a separate process, as a user starts it: a self-playing movie to its end, a
// second start, and the window's first place from the command line.
#include "driver/PlayerProcess.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {
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

// The demo's player cut where its movie begins: what it then finds at its end is no trailer of
// a movie it can load. It says so plainly, and having nothing to play it ends by itself.
TEST_F(QuilloProcess, ADamagedAttachedMovieIsToldAndThePlayerEndsByItself) {
  TOwnTempFolder temp;
  ASSERT_TRUE(temp.Created());
  const auto size = [](const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path, GetFileExInfoStandard, &data);
    return static_cast<std::size_t>(data.nFileSizeLow);
  };
  std::vector<char> bytes(size(QUILLO_EXE) - 4);
  {
    std::ifstream in(QUILLO_DEMO_EXE, std::ios::binary);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  char self[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string copy = std::string(self, std::string(self).find_last_of('\\') + 1) +
                           "quillo-cut-" + std::to_string(GetCurrentProcessId()) + ".exe";
  std::ofstream(copy, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  {
    TProcess player(copy, "/closeonfinish");
    ASSERT_TRUE(player.Started());
    HWND box = player.WaitWindow("#32770", 20000);
    ASSERT_NE(box, nullptr);
    // "Фильм повреждён и не может быть показан:", then what is wrong.
    const std::string text = StaticText(box);
    EXPECT_EQ(text.rfind("\xD4\xE8\xEB\xFC\xEC \xEF\xEE\xE2\xF0\xE5\xE6\xE4\xB8\xED", 0), 0u) << text;
    EXPECT_GT(text.size(), 45u);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(player.WaitExit(10000), 0u);
  }
  EXPECT_EQ(temp.Files(), std::set<std::string>{});
  DeleteFileA(copy.c_str());
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
