#include "MessageBoxWatcher.h"
#include "TestSupport.h"
#include "WindowPixels.h"
#include "ui/tqControls_win.h"
#include "ui/tqScoped_win.h"
#include "ui/tqSlider_win.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {
constexpr COLORREF PanelGrey = 0x888080;

// A white top-level window standing in for the bottom panel, always on top of the screen.
class THost {
public:
  THost() {
    WNDCLASSA c{};
    c.lpfnWndProc = DefWindowProcA;
    c.hInstance = GetModuleHandleA(nullptr);
    c.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.lpszClassName = "SliderTestHost";
    RegisterClassA(&c);
    FHandle = CreateWindowExA(WS_EX_TOPMOST, "SliderTestHost", "", WS_POPUP | WS_VISIBLE, 100, 100,
                              600, 40, nullptr, nullptr, c.hInstance, nullptr);
    SetForegroundWindow(FHandle);
  }
  THost(const THost&) = delete;
  THost& operator=(const THost&) = delete;
  ~THost() {
    if (FHandle != nullptr) DestroyWindow(FHandle);
  }
  HWND Get() const { return FHandle; }

private:
  HWND FHandle;
};

void Pump(int milliseconds) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  do {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    Sleep(5);
  } while (GetTickCount() < end);
}

// Real input: the pointer moves to (x, y) of the window's client area, and the left button
// goes down or up there.
void Mouse(HWND window, int x, int y, DWORD buttons) {
  POINT p{x, y};
  ClientToScreen(window, &p);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = (p.x * 65536 + GetSystemMetrics(SM_CXSCREEN) / 2) / GetSystemMetrics(SM_CXSCREEN);
  in.mi.dy = (p.y * 65536 + GetSystemMetrics(SM_CYSCREEN) / 2) / GetSystemMetrics(SM_CYSCREEN);
  in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | buttons;
  SendInput(1, &in, sizeof in);
}

// The slider as the bottom panel makes it: white background, grey pen, the thumb picture,
// 70 x 20 at (322, 18), range 0 to 8 at position 3, then the owner starts to listen.
class SliderWindow : public ::testing::Test {
protected:
  SliderWindow() {
    Slider = CreateControl<TtqSlider>(Host.Get());
    Slider->SetBrush(White.Get());
    Slider->SetTrackPen(Pen.Get());
    Slider->SetThumbBitmap(LoadBitmapA(GetModuleHandleA(nullptr), "VELOCITYBMP"));
    MoveWindow(Slider->Handle(), 322, 18, 70, 20, TRUE);
    Slider->SetMax(8);
    Slider->SetPosition(3);
    Slider->FOnChange = [this](TtqSlider& sender) {
      EXPECT_EQ(&sender, Slider.get());
      ++Notified;
    };
  }

  // What the slider must show: the panel's white, the track outlined in grey across the
  // control, and the thumb, outlined, holding the thumb picture.
  void ExpectPainted(int thumb) {
    UpdateWindow(Slider->Handle());
    const TWindowPixels got = CaptureClient(Slider->Handle());
    ASSERT_EQ(got.Width, 70);
    ASSERT_EQ(got.Height, 20);
    const std::vector<std::uint8_t> file =
        ReadWholeFile(std::string(QUILLO_RESOURCES_DIR) + "/velocity.bmp");
    ASSERT_EQ(file.size(), 54u + 14u * 44u);
    int wrong = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 70; ++x) {
        std::uint32_t want = 0xFFFFFF;
        const bool inTrack = x >= 1 && x <= 68 && y >= 6 && y <= 13;
        if (inTrack && (x == 1 || x == 68 || y == 6 || y == 13)) want = Rgb(PanelGrey);
        const bool inThumb = x >= thumb && x < thumb + 16 && y >= 2 && y < 18;
        if (inThumb) {
          if (x == thumb || x == thumb + 15 || y == 2 || y == 17) {
            want = Rgb(PanelGrey);
          } else {
            const std::uint8_t* p = &file[54 + 44 * (13 - (y - 3)) + 3 * (x - thumb - 1)];
            want = p[0] | p[1] << 8 | p[2] << 16;
          }
        }
        if (got.At(x, y) != want && ++wrong <= 5)
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << got.At(x, y)
                        << ", not " << want;
      }
    EXPECT_EQ(wrong, 0);
  }

  THost Host;
  TGdiObject<HBRUSH> White{CreateSolidBrush(0xFFFFFF)};
  TGdiObject<HPEN> Pen{CreatePen(PS_SOLID, 1, PanelGrey)};
  std::unique_ptr<TtqSlider> Slider;
  int Notified = 0;
};
} // namespace

TEST_F(SliderWindow, ItsOwnClassStyleAndProperty) {
  HWND h = Slider->Handle();
  ASSERT_NE(h, nullptr);
  char name[32];
  GetClassNameA(h, name, sizeof name);
  EXPECT_STREQ(name, "tqSlider");
  EXPECT_EQ(GetClassLongPtrA(h, GCL_STYLE), CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS);
  EXPECT_EQ(GetClassLongPtrA(h, GCLP_HBRBACKGROUND), COLOR_MENU + 1);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(h, GWL_STYLE)), 0x50010000u);
  EXPECT_EQ(GetPropA(h, MAKEINTATOM(ControlPropertyAtom())), Slider.get());
  char atomName[8] = {};
  GlobalGetAtomNameA(ControlPropertyAtom(), atomName, sizeof atomName);
  EXPECT_STREQ(atomName, "tqCD");

  // WM_SIZE and WM_MOVE of the panel's MoveWindow stored the place; the thumb sits on 3.
  EXPECT_EQ(Slider->FLeft, 322);
  EXPECT_EQ(Slider->FTop, 18);
  EXPECT_EQ(Slider->FWidth, 70);
  EXPECT_EQ(Slider->FHeight, 20);
  EXPECT_EQ(Slider->GetPosition(), 3);
  EXPECT_EQ(Slider->Model().FThumbPos, 20);
  EXPECT_EQ(Notified, 0) << "the owner listens only after the set-up";
}

TEST_F(SliderWindow, PaintsTrackAndThumb) {
  ExpectPainted(20);
  Slider->SetPosition(99);
  EXPECT_EQ(Slider->GetPosition(), 8);
  EXPECT_EQ(Notified, 2);
  ExpectPainted(54);
}

TEST_F(SliderWindow, DragWithTheRealMouse) {
  Pump(50);
  Mouse(Host.Get(), 322 + 3, 18 + 10, MOUSEEVENTF_LEFTDOWN);
  Pump(100);
  EXPECT_EQ(GetCapture(), Slider->Handle());
  EXPECT_TRUE(Slider->Dragging());
  EXPECT_EQ(Slider->Model().FThumbPos, 0) << "3 - 8 clamps to 0";
  EXPECT_EQ(Slider->GetPosition(), 0);
  ExpectPainted(0);

  // Left of the control the captured pointer has a negative x; the thumb stays at 0.
  Mouse(Host.Get(), 322 - 20, 18 + 10, 0);
  Pump(100);
  EXPECT_EQ(Slider->Model().FThumbPos, 0);
  EXPECT_TRUE(Slider->Dragging());

  // Offset 30 is position Round(30 / 54 x 8) = 4; the thumb stays on the pixel.
  Mouse(Host.Get(), 322 + 38, 18 + 10, 0);
  Pump(100);
  EXPECT_EQ(Slider->Model().FThumbPos, 30);
  EXPECT_EQ(Slider->GetPosition(), 4);

  Mouse(Host.Get(), 322 + 38, 18 + 10, MOUSEEVENTF_LEFTUP);
  Pump(100);
  EXPECT_FALSE(Slider->Dragging());
  EXPECT_EQ(GetCapture(), nullptr);
  ExpectPainted(30);

  // Without the button the pointer no longer drags.
  Mouse(Host.Get(), 322 + 60, 18 + 10, 0);
  Pump(100);
  EXPECT_EQ(Slider->Model().FThumbPos, 30);
  EXPECT_GT(Notified, 0);
}

TEST_F(SliderWindow, ANewSizePutsTheThumbOnItsStep) {
  Slider->SetThumbPos(33); // position 5, thumb between steps
  EXPECT_EQ(Slider->GetPosition(), 5);
  MoveWindow(Slider->Handle(), 322, 18, 120, 20, TRUE);
  EXPECT_EQ(Slider->Model().FThumbPos, 65); // Round(5 x 104 / 8)
}

TEST_F(SliderWindow, ReplacingTheThumbPictureDeletesTheOldOne) {
  HBITMAP first = LoadBitmapA(GetModuleHandleA(nullptr), "VELOCITYBMP");
  Slider->SetThumbBitmap(first);
  BITMAP bm{};
  EXPECT_EQ(GetObjectA(first, sizeof bm, &bm), static_cast<int>(sizeof bm));
  Slider->SetThumbBitmap(LoadBitmapA(GetModuleHandleA(nullptr), "VELOCITYBMP"));
  EXPECT_EQ(GetObjectA(first, sizeof bm, &bm), 0) << "the first picture was deleted";
}

namespace {
// The smallest concrete control: the base class's behaviour, plus a record of set-up.
class TTestControl : public TtqControl {
public:
  bool AfterCreateRan = false;

protected:
  std::string GetClassName() override { return "tqTestControl"; }
  void AfterCreate() override {
    AfterCreateRan = true;
    TtqControl::AfterCreate();
  }
};
} // namespace

TEST(Control, BaseClassWindowAndDispatch) {
  THost host;
  auto control = CreateControl<TTestControl>(host.Get());
  HWND h = control->Handle();
  ASSERT_NE(h, nullptr);
  EXPECT_TRUE(control->AfterCreateRan);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(h, GWL_STYLE)), 0x50800000u);
  EXPECT_EQ(control->Brush(), reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1)));
  EXPECT_EQ(GetClassLongPtrA(h, GCLP_HCURSOR),
            reinterpret_cast<LONG_PTR>(LoadCursorA(nullptr, IDC_ARROW)));

  // The setters move the window to the stored rectangle.
  control->SetLeft(10);
  control->SetTop(5);
  control->SetWidth(50);
  control->SetHeight(20);
  RECT r{};
  GetWindowRect(h, &r);
  MapWindowPoints(nullptr, host.Get(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 5);
  EXPECT_EQ(r.right - r.left, 50);
  EXPECT_EQ(r.bottom - r.top, 20);
  EXPECT_EQ(control->FLeft, 10) << "the border does not creep into the stored place";
  EXPECT_EQ(control->FTop, 5);
  EXPECT_EQ(control->FWidth, 50);
  EXPECT_EQ(control->FHeight, 20);

  // A proposed rectangle is stored with both corners inside; WM_USER + 1 applies it.
  RECT proposed{30, 4, 69, 13};
  EXPECT_EQ(SendMessageA(h, WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&proposed)), 1);
  EXPECT_EQ(control->FWidth, 40);
  EXPECT_EQ(control->FHeight, 10);
  EXPECT_EQ(SendMessageA(h, WM_USER + 1, 0, 0), 0);
  GetWindowRect(h, &r);
  MapWindowPoints(nullptr, host.Get(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.right - r.left, 40);
  EXPECT_EQ(SendMessageA(h, WM_ERASEBKGND, 0, 0), 0);

  // A second control of the class registers nothing new and still gets its window.
  auto second = CreateControl<TTestControl>(host.Get());
  EXPECT_NE(second->Handle(), nullptr);
  second.reset();
  EXPECT_TRUE(IsWindow(h));
  control.reset();
  EXPECT_FALSE(IsWindow(h));
}

TEST(Control, AWindowThatGoesWithItsParentLeavesNoHandle) {
  auto host = std::make_unique<THost>();
  auto control = CreateControl<TTestControl>(host->Get());
  ASSERT_NE(control->Handle(), nullptr);
  host.reset();
  EXPECT_EQ(control->Handle(), nullptr);
}

TEST(Control, AWindowThatCannotBeMadeShowsTheBox) {
  std::unique_ptr<TTestControl> control;
  std::vector<TSeenBox> seen;
  {
    TMessageBoxWatcher watcher;
    control = CreateControl<TTestControl>(nullptr); // a child window needs a parent
    seen = watcher.Seen();
  }
  EXPECT_EQ(control->Handle(), nullptr);
  EXPECT_FALSE(control->AfterCreateRan);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].Text, "FHandle = 0");
  EXPECT_EQ(seen[0].Caption, "");
  EXPECT_EQ(seen[0].Icon, nullptr);
}
