// Damaged copies of the self-playing demo through the real player, each started as a user
// starts it, with /closeonfinish: cut short at every 4 KiB of the movie and at bytes of its
// first 2 KiB, and with single bits flipped. Every run must end by itself (a copy that plays is
// sped up with the panel's slider, as a person would), none may crash, every error must reach
// the user as a message box with a clear text, and no temporary file may be left.
// QUILLO_HOSTILE_FULL=1 runs every cut byte and 1000 flips; otherwise a fixed sample of both.
// Movie files damaged the same ways are opened with Open in one running player.
#include "driver/PlayerProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>

namespace {
std::vector<char> ReadAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct TSweep {
  int Tried = 0;
  int Played = 0;       // a segment played, and the player ended at the movie's end
  int NoMovie = 0;      // no movie found: the player ended at once, as it does without one
  int Refused = 0;      // a message box told why
  int Crashed = 0;
  int TimedOut = 0;
  int FilesLeft = 0;
  std::map<std::string, int> Texts; // the boxes' texts, and how often each came
};

class QuilloHostile : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(CountWindows("TQAPP"), 0);
    ASSERT_TRUE(Temp.Created());
    Demo = ReadAll(QUILLO_DEMO_EXE);
    // The movie starts where the bare player ends, its empty four-byte trailer taken off.
    MovieStart = ReadAll(QUILLO_EXE).size() - 4;
    ASSERT_GT(Demo.size(), MovieStart + 4096);
    // Beside this program, outside the player's temporary folder, whose files are counted.
    char self[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string folder(self, std::string(self).find_last_of('\\') + 1);
    Copy = folder + "quillo-hostile-" + std::to_string(GetCurrentProcessId()) + ".exe";
  }
  void TearDown() override { DeleteFileA(Copy.c_str()); }

  void Run(const std::vector<char>& bytes) {
    ++Sweep.Tried;
    {
      std::ofstream out(Copy, std::ios::binary | std::ios::trunc);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    TProcess player(Copy, "/closeonfinish");
    if (!player.Started()) return;
    bool box = false, played = false;
    HWND pause = nullptr;
    DWORD code = STILL_ACTIVE;
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 30000;) {
      code = player.WaitExit(20);
      if (code != static_cast<DWORD>(STILL_ACTIVE)) break;
      if (HWND b = player.Window("#32770")) {
        box = true;
        ++Sweep.Texts[StaticText(b)];
        PostMessageA(b, WM_COMMAND, IDOK, 0);
        WaitUntil([&] { return player.Window("#32770") != b; }, 5000);
      } else if (pause == nullptr) {
        // Once it plays (Pause in Play's place), the slider goes to its right end, x1000.
        const HWND window = player.Window();
        const HWND panel = window ? FindWindowExA(window, nullptr, "tqBottomPanel", nullptr) : nullptr;
        const HWND play = panel ? FindWindowExA(panel, nullptr, "Button", nullptr) : nullptr;
        const HWND next = play ? FindWindowExA(panel, play, "Button", nullptr) : nullptr;
        const HWND slider = panel ? FindWindowExA(panel, nullptr, "tqSlider", nullptr) : nullptr;
        if (next != nullptr && slider != nullptr && IsWindowVisible(next)) {
          RECT r{};
          GetClientRect(slider, &r);
          ClickAt(slider, r.right - 1, r.bottom / 2);
          pause = next;
          played = true;
        }
      }
    }
    if (code == static_cast<DWORD>(STILL_ACTIVE))
      ++Sweep.TimedOut;
    else if (code >= 0xC0000000u)
      ++Sweep.Crashed;
    else if (box)
      ++Sweep.Refused;
    else if (played)
      ++Sweep.Played;
    else
      ++Sweep.NoMovie;
    // The player may still be deleting its files as it ends.
    WaitUntil([&] { return Temp.Files().empty(); }, 2000);
    Sweep.FilesLeft += static_cast<int>(Temp.Files().size());
    if (Sweep.Tried % 50 == 0)
      std::fprintf(stderr, "%d copies: %d refused, %d crashed, %d timed out\n", Sweep.Tried,
                   Sweep.Refused, Sweep.Crashed, Sweep.TimedOut);
  }

  TOwnTempFolder Temp;
  std::vector<char> Demo;
  std::size_t MovieStart = 0;
  std::string Copy;
  TSweep Sweep;
};

TEST_F(QuilloHostile, DamagedCopiesOfTheDemoEndByThemselvesAndTellWhatIsWrong) {
  const bool full = std::getenv("QUILLO_HOSTILE_FULL") != nullptr;
  const DWORD start = GetTickCount();
  for (std::size_t cut = MovieStart; cut < Demo.size(); cut += 4096)
    Run({Demo.begin(), Demo.begin() + static_cast<std::ptrdiff_t>(cut)});
  for (std::size_t b = 1; b < 2048; b += full ? 1 : 89)
    Run({Demo.begin(), Demo.begin() + static_cast<std::ptrdiff_t>(MovieStart + b)});
  std::uint32_t seed = 20261210;
  const std::size_t movieBytes = Demo.size() - MovieStart;
  for (int i = 0; i < (full ? 1000 : 12); ++i) {
    seed = seed * 1664525u + 1013904223u;
    std::vector<char> flipped = Demo;
    flipped[MovieStart + (seed >> 8) % movieBytes] ^= static_cast<char>(1 << (seed & 7));
    Run(flipped);
  }
  const DWORD took = GetTickCount() - start;

  EXPECT_EQ(Sweep.Crashed, 0);
  EXPECT_EQ(Sweep.TimedOut, 0);
  EXPECT_EQ(Sweep.FilesLeft, 0);
  EXPECT_GT(Sweep.Refused, 0);
  for (const auto& [text, count] : Sweep.Texts) {
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find("Error in WndProc"), std::string::npos) << text;
  }
  std::printf("%d copies in %lu ms: %d played to the end, %d without a movie, %d refused with a "
              "message, "
              "%d crashed, %d timed out, %d temporary files left\n",
              Sweep.Tried, static_cast<unsigned long>(took), Sweep.Played, Sweep.NoMovie,
              Sweep.Refused, Sweep.Crashed, Sweep.TimedOut, Sweep.FilesLeft);
  for (const auto& [text, count] : Sweep.Texts) std::printf("  %4d x %s\n", count, text.c_str());
}

// One player without a movie of its own opens damaged copies of the demo's movie file one after
// the other through its Open dialog, as a person would, and plays each that loads.
TEST_F(QuilloHostile, DamagedMovieFilesOpenedWithOpenAreToldOrPlayedAndTheWindowGoesOn) {
  const std::vector<char> movie = ReadAll(QUILLO_DEMO_TQF);
  ASSERT_GT(movie.size(), 65536u);
  std::vector<std::vector<char>> damaged{movie}; // the whole movie first: it plays
  for (std::size_t cut = 4; cut < movie.size(); cut += 16384)
    damaged.emplace_back(movie.begin(), movie.begin() + static_cast<std::ptrdiff_t>(cut));
  std::uint32_t seed = 20261211;
  for (int i = 0; i < 8; ++i) {
    seed = seed * 1664525u + 1013904223u;
    damaged.push_back(movie);
    damaged.back()[(seed >> 8) % movie.size()] ^= static_cast<char>(1 << (seed & 7));
  }

  TProcess player(WinePath(QUILLO_EXE), "");
  const HWND window = player.WaitWindow();
  ASSERT_NE(window, nullptr);
  const HWND panel = FindWindowExA(window, nullptr, "tqBottomPanel", nullptr);
  const HWND play = FindWindowExA(panel, nullptr, "Button", nullptr);
  const HWND pause = FindWindowExA(panel, play, "Button", nullptr);
  const HWND slider = FindWindowExA(panel, nullptr, "tqSlider", nullptr);
  ASSERT_NE(slider, nullptr);
  RECT r{};
  GetClientRect(slider, &r);
  ClickAt(slider, r.right - 1, r.bottom / 2); // x1000 for every movie it plays
  // A box of the player's that is not the Open dialog: told, counted, closed.
  const auto told = [&] {
    const HWND box = player.Window("#32770");
    if (box == nullptr) return false;
    ++Sweep.Texts[StaticText(box)];
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitUntil([&] { return player.Window("#32770") != box; }, 5000);
    return true;
  };
  int opened = 0;
  for (const std::vector<char>& bytes : damaged) {
    // A name of its own for every copy: the title shows it once the load is over.
    const std::string file =
        Copy.substr(0, Copy.size() - 4) + "-" + std::to_string(++Sweep.Tried) + ".tqf";
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    // Stopped first, as Open wants it; a box that the stop brings is told like any other.
    if (!GiveCommand(window, 112)) {
      ++Sweep.TimedOut;
      break;
    }
    told();
    PostMessageA(window, WM_COMMAND, 101, 0); // Open
    // The Open dialog, known by its file name field; then the name goes in, and OK.
    HWND dialog = nullptr, name = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
          dialog = player.Window("#32770");
          name = dialog ? GetDlgItem(dialog, 0x480) : nullptr;
          if (dialog != nullptr && name == nullptr) name = GetDlgItem(dialog, 0x47C);
          return name != nullptr;
        },
        10000)) << "no Open dialog for copy " << Sweep.Tried;
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return player.Window("#32770") != dialog; }, 10000));
    ++opened;
    const auto loaded = [&] {
      char title[MAX_PATH + 64] = {};
      GetWindowTextA(window, title, sizeof title);
      return std::string(title).find(file) != std::string::npos;
    };
    ASSERT_TRUE(WaitUntil([&] { return loaded() || player.Window("#32770") != nullptr; }, 10000));
    const bool refused = told();
    ASSERT_TRUE(WaitUntil(loaded, 10000));
    DeleteFileA(file.c_str());
    if (refused) {
      ++Sweep.Refused;
      continue;
    }
    // Play: a start whose reader fails shows its box inside the command, so it is posted.
    PostMessageA(window, WM_COMMAND, 110, 0);
    const auto playing = [&] { return IsWindowVisible(pause) && !IsWindowVisible(play); };
    const auto stopped = [&] { return IsWindowVisible(play) && !IsWindowVisible(pause); };
    if (!WaitUntil([&] { return playing() || player.Window("#32770") != nullptr; }, 10000)) {
      ++Sweep.TimedOut;
      break;
    }
    if (told()) {
      ++Sweep.Refused;
    } else if (WaitUntilHeld(stopped, 500, 60000)) {
      // A reader that fails later tells it once the player has stopped.
      if (WaitUntil(told, 500))
        ++Sweep.Refused;
      else
        ++Sweep.Played;
    } else {
      ++Sweep.TimedOut;
      break;
    }
  }
  EXPECT_EQ(opened, static_cast<int>(damaged.size()));
  EXPECT_TRUE(IsWindow(window));
  PostMessageA(window, WM_CLOSE, 0, 0);
  const DWORD code = player.WaitExit(10000);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(Sweep.TimedOut, 0);
  EXPECT_GT(Sweep.Refused, 0);
  WaitUntil([&] { return Temp.Files().empty(); }, 2000);
  EXPECT_EQ(Temp.Files(), std::set<std::string>{});
  for (const auto& [text, count] : Sweep.Texts)
    EXPECT_EQ(text.find("Error in WndProc"), std::string::npos) << text;
  std::printf("%d movie files opened: %d played to the end, %d refused with a message, "
              "%d timed out; exit code %lu\n",
              Sweep.Tried, Sweep.Played, Sweep.Refused, Sweep.TimedOut,
              static_cast<unsigned long>(code));
  for (const auto& [text, count] : Sweep.Texts) std::printf("  %4d x %s\n", count, text.c_str());
}
} // namespace
