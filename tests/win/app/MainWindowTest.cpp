// The main window made in this process as the program makes it, driven by real messages:
// menus, shortcuts through the loop's own steps, sizing, placement, boxes and repainting.
#include "MainWindowFixture.h"
#include "SharedDemo.h"
#include "app/MainForm_win.h"
#include "engine/UtqDisplay_win.h"
#include "engine/UtqPlayerState.h"
#include "movie/tqSegments.h"
#include "resources/tqResourceIds.h"
#include "shell/GdiHandles.h"
#include "shell/MessageBoxWatcher.h"
#include "shell/ShellStateScope.h"
#include "shell/WindowPixels.h"
#include "ui/UtqBottomPanel_win.h"
#include "ui/UtqSegmentList_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

namespace {
bool Grey(HMENU menu, UINT position) {
  return (GetMenuState(menu, position, MF_BYPOSITION) & MF_GRAYED) != 0;
}
bool Checked(HMENU menu, UINT position) {
  return (GetMenuState(menu, position, MF_BYPOSITION) & MF_CHECKED) != 0;
}

std::string Title(HWND window) {
  char text[1024];
  const int n = GetWindowTextA(window, text, sizeof text);
  return std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string ProgramPath() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

// Closes every dialog and box the thread shows: an open dialog is cancelled, a box confirmed.
// Records the caption of each, in order.
class TDialogCloser {
public:
  explicit TDialogCloser(DWORD thread) : FThread(thread), FWorker([this] { Run(); }) {}
  TDialogCloser(const TDialogCloser&) = delete;
  TDialogCloser& operator=(const TDialogCloser&) = delete;
  ~TDialogCloser() {
    FStop = true;
    FWorker.join();
  }
  std::vector<std::string> Captions() {
    std::lock_guard<std::mutex> hold(FLock);
    return FCaptions;
  }

private:
  static BOOL CALLBACK Find(HWND window, LPARAM found) {
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(window)) {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }
  void Run() {
    while (!FStop) {
      HWND dialog = nullptr;
      EnumThreadWindows(FThread, Find, reinterpret_cast<LPARAM>(&dialog));
      if (dialog == nullptr) {
        Sleep(10);
        continue;
      }
      Sleep(50); // let the dialog finish its set-up
      char caption[256] = {};
      GetWindowTextA(dialog, caption, sizeof caption);
      {
        std::lock_guard<std::mutex> hold(FLock);
        FCaptions.push_back(caption);
      }
      // The open dialog has a file name field (a combo box, or an edit in the old style).
      const bool open =
          GetDlgItem(dialog, 0x47C) != nullptr || GetDlgItem(dialog, 0x480) != nullptr;
      PostMessageA(dialog, WM_COMMAND, open ? IDCANCEL : IDOK, 0);
      while (!FStop && IsWindow(dialog) && IsWindowVisible(dialog))
        Sleep(5);
    }
  }
  DWORD FThread;
  std::atomic<bool> FStop{false};
  std::mutex FLock;
  std::vector<std::string> FCaptions;
  std::thread FWorker;
};

class MainWindow : public TMainWindowFixture {};

TEST_F(MainWindow, WithoutAMovieOpenIsOfferedAndNothingPlays) {
  EXPECT_EQ(Title(Window), "Quillo v1.5 - [app_tests.exe]");
  EXPECT_TRUE(MainForm.OpenEnabled);
  EXPECT_FALSE(Grey(Sub(0), 0));
  EXPECT_FALSE(Grey(Context(), 0));
  EXPECT_TRUE(Checked(Sub(1), 2));
  EXPECT_TRUE(IsWindowVisible(BottomPanel));
  EXPECT_FALSE(IsWindowVisible(SegmentListWindow));
  char cls[32] = {};
  GetClassNameA(BottomPanel, cls, sizeof cls);
  EXPECT_STREQ(cls, "tqBottomPanel");
  GetClassNameA(SegmentListWindow, cls, sizeof cls);
  EXPECT_STREQ(cls, "tqSegmentList");
  EXPECT_EQ(GetParent(BottomPanel), Window);

  TMessageBoxWatcher boxes;
  Command(CM_PLAY);
  EXPECT_EQ(PlayerState.PlayState, psStopped);
  Command(CM_FILEINFO);
  PumpFor(100);
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(MainWindow, OpeningAMovieReplacesListAndTitleAndWaitsStopped) {
  OpenDemo();
  EXPECT_EQ(Title(Window), "Quillo v1.5 - [" + SharedDemoPath() + "]");
  EXPECT_EQ(PlayerState.PlayState, psStopped);
  EXPECT_EQ(PlayerState.CurrentSegment, 0);
  const std::string firstFrameFile = SegmentList->Get(0)->FrameDataFileName;
  OpenDemo(); // again: the old frame files go
  EXPECT_EQ(PlayerState.CurrentSegment, 0);
  EXPECT_EQ(Engine.Temp.Files().size(), 3u);

  TMessageBoxWatcher boxes;
  const std::string missing = Engine.Temp / "missing.tqf";
  OpenMovieFile(missing);
  ASSERT_EQ(boxes.Seen().size(), 1u);
  // "Не могу открыть файл %s", "Ошибка"
  EXPECT_EQ(boxes.Seen()[0].Text, "\xCD\xE5 \xEC\xEE\xE3\xF3 \xEE\xF2\xEA\xF0\xFB\xF2\xFC "
                                  "\xF4\xE0\xE9\xEB " +
                                      missing);
  EXPECT_EQ(boxes.Seen()[0].Caption, "\xCE\xF8\xE8\xE1\xEA\xE0");
  EXPECT_EQ(boxes.Seen()[0].Owner, Window);
  EXPECT_EQ(SegmentList->Count(), 3); // the loaded movie stays
}

TEST_F(MainWindow, ADamagedMovieRaisesItsErrorAndTheWindowStaysUsable) {
  // Half a movie: its segment table points past the end.
  std::vector<char> bytes;
  {
    std::ifstream whole(SharedDemoPath(), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(whole), {});
  }
  const std::string damaged = Engine.Temp / "damaged.tqf";
  std::ofstream(damaged, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
  // The loader warns of the segments it passes over, or raises what the window procedure's
  // guard then shows.
  bool raised = false;
  {
    TMessageBoxWatcher boxes;
    try {
      OpenMovieFile(damaged);
    } catch (const Exception&) {
      raised = true;
    }
    EXPECT_TRUE(raised || !boxes.Seen().empty());
  }
  EXPECT_TRUE(IsWindow(Window));
  Command(CM_PANEL);
  EXPECT_FALSE(PlayerState.PanelVisible);
  OpenDemo();
  EXPECT_EQ(Title(Window), "Quillo v1.5 - [" + SharedDemoPath() + "]");
}

TEST_F(MainWindow, MenuStatesFollowStoppedPlayingAndPaused) {
  OpenDemo();
  Command(CM_PLAY);
  ASSERT_TRUE(PlayingFrames(2));
  EXPECT_TRUE(Grey(Sub(0), 0));
  EXPECT_TRUE(Grey(Context(), 0));
  EXPECT_TRUE(Checked(Sub(1), 0) && !Checked(Sub(1), 1) && !Checked(Sub(1), 2));
  EXPECT_TRUE(Checked(Context(), 2) && !Checked(Context(), 3) && !Checked(Context(), 4));
  EXPECT_TRUE(Checked(Sub(2), 0) && Checked(Context(), 10));

  Command(CM_PAUSE);
  EXPECT_EQ(PlayerState.PlayState, psPaused);
  EXPECT_TRUE(Grey(Sub(0), 0));
  EXPECT_TRUE(!Checked(Sub(1), 0) && Checked(Sub(1), 1) && !Checked(Sub(1), 2));
  EXPECT_TRUE(!Checked(Context(), 2) && Checked(Context(), 3) && !Checked(Context(), 4));

  Command(CM_PANEL);
  EXPECT_FALSE(Checked(Sub(2), 0) || Checked(Context(), 10));
  Command(CM_STOP);
  EXPECT_EQ(PlayerState.PlayState, psStopped);
  EXPECT_FALSE(Grey(Sub(0), 0) || Grey(Context(), 0));
  EXPECT_TRUE(!Checked(Sub(1), 0) && !Checked(Sub(1), 1) && Checked(Sub(1), 2));
  EXPECT_TRUE(!Checked(Context(), 2) && !Checked(Context(), 3) && Checked(Context(), 4));

  Command(CM_SEGMENTS);
  EXPECT_TRUE(Checked(Sub(1), 4) && Checked(Context(), 6));
  EXPECT_TRUE(IsWindowVisible(SegmentListWindow));
  EXPECT_EQ(SendMessageA(SegmentListBox, LB_GETCOUNT, 0, 0), 3);
  Command(CM_SEGMENTS);
  EXPECT_FALSE(Checked(Sub(1), 4) || Checked(Context(), 6));
  EXPECT_FALSE(IsWindowVisible(SegmentListWindow));
}

TEST_F(MainWindow, TheElevenShortcutsRunTheirCommandsThroughTheLoop) {
  OpenDemo();
  TDialogCloser dialogs(GetCurrentThreadId());
  struct TKey {
    UINT Key;
    BYTE Modifier; // 0, VK_CONTROL or VK_MENU
    UINT Command;
  };
  const TKey keys[] = {{'O', VK_CONTROL, CM_OPEN},
                       {VK_F8, 0, CM_FILEINFO},
                       {VK_F1, 0, CM_HELP},
                       {VK_F6, 0, CM_SEGMENTS},
                       {VK_F7, 0, CM_PANEL},
                       {VK_F9, 0, CM_PLAY},
                       {VK_F10, 0, CM_PAUSE},
                       {VK_F11, 0, CM_STOP},
                       {VK_F5, 0, CM_NEXT},
                       {VK_F4, 0, CM_PREVIOUS},
                       {VK_RETURN, VK_MENU, CM_FULLSCREEN}};
  for (const TKey& k : keys) {
    SCOPED_TRACE("command " + std::to_string(k.Command));
    BYTE state[256] = {};
    if (k.Modifier != 0) state[k.Modifier] = 0x80;
    SetKeyboardState(state);
    const bool alt = k.Modifier == VK_MENU;
    const LPARAM lParam = 1 | (alt ? 1 << 29 : 0);
    SeenCommands().clear();
    PostMessageA(Window, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, k.Key, lParam);
    EXPECT_TRUE(PumpUntil([&] { return !SeenCommands().empty(); }, 3000));
    ASSERT_FALSE(SeenCommands().empty());
    EXPECT_EQ(SeenCommands()[0], k.Command);
    BYTE none[256] = {};
    SetKeyboardState(none);
    if (k.Command == CM_PLAY || k.Command == CM_NEXT || k.Command == CM_PREVIOUS) {
      EXPECT_TRUE(PlayingFrames(1));
    }
    if (k.Command == CM_PAUSE) {
      EXPECT_EQ(PlayerState.PlayState, psPaused);
    }
    if (k.Command == CM_STOP) {
      EXPECT_EQ(PlayerState.PlayState, psStopped);
    }
  }
  EXPECT_EQ(PlayerState.CurrentSegment, 0); // F5 then F4
  EXPECT_TRUE(PlayerState.FullScreen);
  EXPECT_TRUE(MainForm.SegmentListVisible);
  const auto seen = dialogs.Captions();
  ASSERT_EQ(seen.size(), 3u); // open, file information, help
  // "Свойства файла", "Справка"
  EXPECT_EQ(seen[1], "\xD1\xE2\xEE\xE9\xF1\xF2\xE2\xE0 \xF4\xE0\xE9\xEB\xE0");
  EXPECT_EQ(seen[2], "\xD1\xEF\xF0\xE0\xE2\xEA\xE0");
}

TEST_F(MainWindow, SmallDragsAreHeldAtTheMinimumAndThePanelShowsNearTheBottom) {
  RECT r{100, 100, 400, 300};
  EXPECT_EQ(SendMessageA(Window, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&r)), TRUE);
  EXPECT_EQ(r.right - r.left, 600);
  EXPECT_EQ(r.bottom - r.top, 400);
  RECT left{300, 100, 600, 300};
  SendMessageA(Window, WM_SIZING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&left));
  EXPECT_EQ(left.left, 300);
  EXPECT_EQ(left.right, 900);
  EXPECT_EQ(left.bottom, 500);

  Command(CM_PANEL);
  ASSERT_FALSE(IsWindowVisible(BottomPanel));
  RECT client{};
  GetClientRect(Window, &client);
  SendMessageA(Window, WM_MOUSEMOVE, 0, MAKELPARAM(50, client.bottom - 10));
  EXPECT_TRUE(IsWindowVisible(BottomPanel));
  RECT panel{};
  GetWindowRect(BottomPanel, &panel);
  EXPECT_EQ(panel.bottom - panel.top, 40);
  SendMessageA(Window, WM_MOUSEMOVE, 0, MAKELPARAM(50, client.bottom - 20));
  EXPECT_FALSE(IsWindowVisible(BottomPanel));
}

TEST_F(MainWindow, FileInformationOfTheDemoByteForByte) {
  OpenDemo();
  TMessageBoxWatcher boxes;
  Command(CM_FILEINFO);
  const auto seen = boxes.Seen();
  ASSERT_EQ(seen.size(), 1u);
  std::ostringstream expected;
  expected << ProgramPath() << "\r\r\xCA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE "
           << "\xF1\xE5\xE3\xEC\xE5\xED\xF2\xEE\xE2: 3\r\r";
  for (int i = 0; i < 3; ++i) {
    const TSegmentInfo& s = *SegmentList->Get(i);
    expected << s.Name << ":  [" << s.Width << " x " << s.Height << " x " << int(s.BitsPerPixel)
             << " \xE1\xE8\xF2 / " << int(s.FramesPerSecond) << " fps]\r";
  }
  EXPECT_EQ(seen[0].Text, expected.str());
  EXPECT_EQ(seen[0].Owner, Window);
}

TEST_F(MainWindow, FullScreenTwiceLeavesTheWindowAsItWas) {
  MoveWindow(Window, 50, 60, 600, 400, TRUE);
  for (int round = 0; round < 2; ++round) {
    Command(CM_FULLSCREEN);
    EXPECT_TRUE(PlayerState.FullScreen);
    EXPECT_EQ(GetMenu(Window), nullptr);
    EXPECT_TRUE(IsZoomed(Window));
    EXPECT_EQ(GetWindowLongPtrA(Window, GWL_STYLE) & WS_CAPTION, WS_BORDER);
    EXPECT_FALSE(PlayerState.PanelVisible);
    EXPECT_TRUE(Checked(Sub(2), 1));
    Command(CM_FULLSCREEN);
    EXPECT_FALSE(PlayerState.FullScreen);
    EXPECT_EQ(GetMenu(Window), MainForm.MainMenu);
    EXPECT_TRUE(PlayerState.PanelVisible);
  }
  RECT r{};
  GetWindowRect(Window, &r);
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.top, 60);
  EXPECT_EQ(r.right - r.left, 600);
  EXPECT_EQ(r.bottom - r.top, 400);
}

TEST_F(MainWindow, APausedPictureIsPaintedAgainAndAStoppedWindowShowsItsBackground) {
  OpenDemo();
  Command(CM_PLAY);
  ASSERT_TRUE(PlayingFrames(3));
  Command(CM_PAUSE);
  PumpFor(50);
  const TWindowPixels before = CaptureClient(Window);
  std::size_t painted = 0;
  for (std::uint32_t p : before.Pixels)
    painted += (p & 0xFFFFFF) != 0xFFFFFF;
  EXPECT_GT(painted, before.Pixels.size() / 4);
  InvalidateRect(Window, nullptr, TRUE);
  UpdateWindow(Window);
  const TWindowPixels after = CaptureClient(Window);
  EXPECT_TRUE(before.Pixels == after.Pixels);

  Command(CM_STOP);
  PumpFor(50);
  UpdateWindow(Window);
  const TWindowPixels stopped = CaptureClient(Window);
  // The panel is drawn at the client's foot; everything above it is background.
  RECT panel{};
  GetWindowRect(BottomPanel, &panel);
  MapWindowPoints(nullptr, Window, reinterpret_cast<POINT*>(&panel), 2);
  ASSERT_TRUE(IsWindowVisible(BottomPanel));
  ASSERT_GT(panel.top, stopped.Height / 2);
  std::size_t background = 0;
  for (int y = 0; y < panel.top; ++y)
    for (int x = 0; x < stopped.Width; ++x)
      background += stopped.At(x, y) == 0xFFFFFF;
  EXPECT_EQ(background, static_cast<std::size_t>(panel.top) * stopped.Width);
}

// The player's own GDI objects cannot be counted from another process under Wine, so the
// transport and the windows' toggles run here, in the process that owns them, and the handle
// table's free room is compared before and after.
TEST_F(MainWindow, TheTransportAndTheTogglesLeaveNoDrawingObjectsBehind) {
  OpenDemo();
  const UINT commands[] = {CM_PLAY,     CM_PAUSE,    CM_PLAY,    CM_STOP,   CM_NEXT,
                           CM_PREVIOUS, CM_SEGMENTS, CM_SEGMENTS, CM_PANEL, CM_PANEL,
                           CM_FULLSCREEN, CM_FULLSCREEN};
  const auto cycles = [&](int n) {
    for (int i = 0; i < n; ++i)
      for (UINT id : commands) {
        Command(id);
        PumpFor(1);
      }
    Command(CM_STOP);
    PumpFor(100);
  };
  cycles(10);
  const int freeBefore = FreeGdiHandles();
  cycles(100);
  const int freeAfter = FreeGdiHandles();
  EXPECT_LE(freeBefore - freeAfter, 8);
  EXPECT_TRUE(IsWindow(Window));
  std::printf("free GDI handles %d before and %d after 100 cycles\n", freeBefore, freeAfter);
}
} // namespace
