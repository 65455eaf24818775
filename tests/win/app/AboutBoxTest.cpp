// The about box over the main window made in this process: opened by its command, looked at
// and closed from inside its own modal loop by a timer of this thread, with real messages.
#include "MainWindowFixture.h"
#include "resources/tqResourceIds.h"
#include "shell/GdiHandles.h"
#include "shell/WindowPixels.h"
#include "ui/UtqPAbout_win.h"

#include <algorithm>
#include <string>

namespace {
// What runs inside the open box; it ends by posting one of the ways to close it.
std::function<void(HWND)> InsideTheBox;
int Opened = 0;

HWND OpenBox() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM out) {
        char name[16] = {};
        GetClassNameA(w, name, sizeof name);
        if (std::string(name) != "#32770" || !IsWindowVisible(w)) return TRUE;
        *reinterpret_cast<HWND*>(out) = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// Every 10 ms while the command runs: the box, once it shows, gets what the test does inside
// it; a box that has not closed two seconds later is closed for the test, which then fails.
HWND Looked = nullptr;
DWORD LookedAt = 0;
void CALLBACK LookInside(HWND, UINT, UINT_PTR, DWORD) {
  const HWND box = OpenBox();
  if (box == nullptr) return;
  if (box != Looked) {
    Looked = box;
    LookedAt = GetTickCount();
    ++Opened;
    InsideTheBox(box);
  } else if (GetTickCount() - LookedAt > 2000) {
    ADD_FAILURE() << "the box did not close, opening " << Opened;
    SendMessageA(box, WM_COMMAND, IDOK, 0);
  }
}

std::vector<std::string> OpenedAddresses;
void RecordAddress(HWND, const char* address) {
  OpenedAddresses.emplace_back(address);
}

class AboutBox : public TMainWindowFixture {
protected:
  void SetUp() override {
    TMainWindowFixture::SetUp();
    OpenedAddresses.clear();
    OpenAddress = RecordAddress;
    Opened = 0;
  }
  void TearDown() override {
    OpenAddress = Saved;
    TMainWindowFixture::TearDown();
  }
  // The box opened by its command; returns once it has closed.
  void Open(std::function<void(HWND)> inside) {
    InsideTheBox = std::move(inside);
    Looked = nullptr;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, LookInside);
    Command(CM_ABOUT);
    KillTimer(nullptr, timer);
  }
  static HWND Child(HWND box, const char* className) {
    return FindWindowExA(box, nullptr, className, nullptr);
  }
  static RECT PlaceIn(HWND box, HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  static void Click(HWND window, int x, int y) {
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }
  static void PressEsc(HWND box) {
    PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageA(box, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0000001));
  }
  static void CloseByItsCaption(HWND box) { PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); }
  static void ClickClose(HWND box) { Click(Child(box, "BUTTON"), 10, 10); }

  TOpenAddress Saved = OpenAddress;
};

// The box with a client area of 300 x 162, whatever size the template's font gives here: the
// box is brought to that size just before its own set-up takes its measure.
class TBoxSize {
public:
  TBoxSize() : FHook(SetWindowsHookExA(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId())) {}
  TBoxSize(const TBoxSize&) = delete;
  TBoxSize& operator=(const TBoxSize&) = delete;
  ~TBoxSize() { UnhookWindowsHookEx(FHook); }
  bool Hooked() const { return FHook != nullptr; }

private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    const auto& m = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m.message == WM_INITDIALOG) {
      RECT r{0, 0, 300, 162};
      AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(m.hwnd, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(GetWindowLongPtrA(m.hwnd, GWL_EXSTYLE)));
      SetWindowPos(m.hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  HHOOK FHook;
};

bool Dark(std::uint32_t p) {
  return (p >> 16 & 0xFF) < 0x40 && (p >> 8 & 0xFF) < 0x40 && (p & 0xFF) < 0x40;
}

// The box at its own client size, read back from the screen, everything where its layout puts
// it; the link strip then clicked right of its text.
TEST_F(AboutBox, EverythingIsInItsPlaceAndTheLinkOpensTheFullAddress) {
  TWindowPixels p;
  RECT link{}, close{};
  {
    const TBoxSize size;
    ASSERT_TRUE(size.Hooked());
    Open([&](HWND box) {
    UpdateWindow(box);
    p = CaptureClient(box);
    link = PlaceIn(box, Child(box, "Link"));
    close = PlaceIn(box, Child(box, "BUTTON"));
    Click(Child(box, "Link"), 200, 8);
    ClickClose(box);
    });
  }
  ASSERT_EQ(Opened, 1);
  ASSERT_EQ(p.Width, 300);
  ASSERT_EQ(p.Height, 162);
  EXPECT_EQ(link.left, 75);
  EXPECT_EQ(link.top, 101);
  EXPECT_EQ(link.right - link.left, 225);
  EXPECT_EQ(link.bottom - link.top, 16);
  EXPECT_EQ(close.left, 217);
  EXPECT_EQ(close.top, 131);
  EXPECT_EQ(close.right - close.left, 75);
  EXPECT_EQ(close.bottom - close.top, 23);
  EXPECT_EQ(OpenedAddresses, std::vector<std::string>{SiteAddress});

  // The first non-white pixel of each row band, from the left.
  const auto leftmost = [&](int x0, int x1, int y0, int y1, auto is) {
    for (int x = x0; x < x1; ++x)
      for (int y = y0; y < y1; ++y)
        if (is(p.At(x, y))) return x;
    return -1;
  };
  const auto inked = [](std::uint32_t c) { return c != 0xFFFFFF; };
  // The icon's 32 x 32 from (9, 6); white to its left.
  EXPECT_EQ(leftmost(0, 9, 0, 60, inked), -1);
  EXPECT_GE(leftmost(9, 41, 6, 38, inked), 9);
  // The separator from (9, 121) up to, not including, (291, 121).
  constexpr std::uint32_t grey = Rgb(0x888080);
  EXPECT_EQ(p.At(8, 121), 0xFFFFFFu);
  for (int x = 9; x < 291; ++x) EXPECT_EQ(p.At(x, 121), grey) << x;
  EXPECT_EQ(p.At(291, 121), 0xFFFFFFu);
  // The version from (187, 32), in the default font: its letters begin there.
  const int version = leftmost(150, 300, 32, 44, inked);
  EXPECT_GE(version, 187);
  EXPECT_LE(version, 190);
  // The notice from (75, 60) in its rectangle.
  const int notice = leftmost(41, 224, 60, 100, inked);
  EXPECT_GE(notice, 75);
  EXPECT_LE(notice, 78);
  // The title in black from (75, 6), its grey shadow two pixels down and right: the shadow
  // shows beyond the title's right and lower edges.
  const auto bounds = [&](auto is) {
    RECT r{300, 300, -1, -1};
    for (int y = 0; y < 60; ++y)
      for (int x = 41; x < 187; ++x)
        if (is(p.At(x, y))) {
          r.left = std::min<LONG>(r.left, x);
          r.top = std::min<LONG>(r.top, y);
          r.right = std::max<LONG>(r.right, x);
          r.bottom = std::max<LONG>(r.bottom, y);
        }
    return r;
  };
  const RECT title = bounds(Dark);
  const RECT shadow = bounds([](std::uint32_t c) { return c == 0xA0A0A0; });
  EXPECT_GE(title.left, 75);
  EXPECT_LE(title.left, 78);
  EXPECT_GE(title.top, 6);
  EXPECT_EQ(shadow.right - title.right, 2);
  EXPECT_EQ(shadow.bottom - title.bottom, 2);
  // The shadow goes first, so the title's strokes stay black where the shadow's lie under them.
  int covered = 0;
  for (int y = 10; y < 40; ++y)
    for (int x = 79; x < 186; ++x)
      covered += Dark(p.At(x, y)) && Dark(p.At(x - 2, y - 2));
  EXPECT_GT(covered, 20);
  // The link's blue letters in its strip.
  EXPECT_GE(leftmost(75, 300, 101, 117, [](std::uint32_t c) { return c == 0x0000FF; }), 75);
}

// Esc, the caption's close box and the close button each close it, and nothing it drew with
// is left behind after a thousand openings.
TEST_F(AboutBox, EveryWayClosesItAndAThousandOpeningsLeaveNoDrawingObjects) {
  const std::function<void(HWND)> ways[] = {PressEsc, CloseByItsCaption, ClickClose};
  for (int i = 0; i < 30; ++i) Open(ways[i % 3]);
  PumpFor(50);
  const int freeBefore = FreeGdiHandles();
  const DWORD start = GetTickCount();
  for (int i = 0; i < 1000; ++i) Open(ways[i % 3]);
  const DWORD took = GetTickCount() - start;
  PumpFor(50);
  const int freeAfter = FreeGdiHandles();
  EXPECT_EQ(Opened, 1030);
  EXPECT_LE(freeBefore - freeAfter, 8);
  std::printf("1000 openings in %lu ms; free GDI handles %d before and %d after\n",
              static_cast<unsigned long>(took), freeBefore, freeAfter);
}
} // namespace
