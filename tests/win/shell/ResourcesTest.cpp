// The program's resources as the Win32 API reads them from the running module.
#include "TestSupport.h"
#include "resources/tqResourceIds.h"
#include "ui/tqScoped_win.h"
#include "writer/Cp1251.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>

using NQuillo::Utf8ToCp1251;

namespace {
constexpr WORD Russian = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT); // 1049
constexpr WORD Neutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);

HMODULE Self() {
  return GetModuleHandleA(nullptr);
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR into) {
  reinterpret_cast<std::set<WORD>*>(into)->insert(language);
  return TRUE;
}

std::set<WORD> Languages(LPCSTR type, LPCSTR name) {
  std::set<WORD> languages;
  EnumResourceLanguagesA(Self(), type, name, CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  return languages;
}

// The bytes of one resource in one language; empty when there is none.
std::vector<std::uint8_t> ResourceBytes(LPCSTR type, LPCSTR name, WORD language) {
  HRSRC found = FindResourceExA(Self(), type, name, language);
  if (found == nullptr) return {};
  const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(Self(), found)));
  return std::vector<std::uint8_t>(data, data + SizeofResource(Self(), found));
}

std::string MenuText(HMENU menu, UINT position) {
  char text[256];
  const int length = GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

bool IsSeparator(HMENU menu, UINT position) {
  MENUITEMINFOA item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_FTYPE;
  return GetMenuItemInfoA(menu, position, TRUE, &item) && (item.fType & MFT_SEPARATOR) != 0;
}

class TMenu {
public:
  explicit TMenu(HMENU menu) : FMenu(menu) {}
  TMenu(const TMenu&) = delete;
  TMenu& operator=(const TMenu&) = delete;
  ~TMenu() {
    if (FMenu != nullptr) DestroyMenu(FMenu);
  }
  HMENU Get() const { return FMenu; }

private:
  HMENU FMenu;
};

struct TMenuItem {
  int Id; // -1 for a separator
  const char* Caption;
  const char* Shortcut;
};
} // namespace

TEST(Resources, MainMenuItemsIdsPositionsAndTexts) {
  ASSERT_EQ(GetACP(), 1251u) << "the texts are compared in code page 1251";
  EXPECT_EQ(Languages(RT_MENU, "TQAPP"), std::set<WORD>{Russian});
  TMenu menu(LoadMenuA(Self(), "TQAPP"));
  ASSERT_NE(menu.Get(), nullptr);

  const struct {
    const char* Title;
    std::vector<TMenuItem> Items;
  } expected[] = {
      {"Файл",
       {{101, "Загрузить", "Ctrl+O"},
        {102, "Свойства...", "F8"},
        {-1, "", ""},
        {100, "Выход", "Alt+F4"}}},
      {"Действия",
       {{110, "Воспроизведение", "F9"},
        {111, "Пауза", "F10"},
        {112, "Стоп", "F11"},
        {-1, "", ""},
        {113, "Сегменты", "F6"},
        {114, "Предыдущий", "F4"},
        {115, "Следующий", "F5"}}},
      {"Вид", {{120, "Панель управления", "F7"}, {121, "Во весь экран", "Alt+Enter"}}},
      {"Справка", {{130, "Справка", "F1"}, {-1, "", ""}, {131, "О программе...", nullptr}}},
  };
  ASSERT_EQ(GetMenuItemCount(menu.Get()), 4);
  for (UINT s = 0; s < 4; ++s) {
    EXPECT_EQ(MenuText(menu.Get(), s), Utf8ToCp1251(expected[s].Title));
    HMENU sub = GetSubMenu(menu.Get(), static_cast<int>(s));
    ASSERT_NE(sub, nullptr);
    const auto& items = expected[s].Items;
    ASSERT_EQ(GetMenuItemCount(sub), static_cast<int>(items.size()));
    for (UINT p = 0; p < items.size(); ++p) {
      SCOPED_TRACE(testing::Message() << "submenu " << s << " position " << p);
      if (items[p].Id < 0) {
        EXPECT_TRUE(IsSeparator(sub, p));
        continue;
      }
      EXPECT_FALSE(IsSeparator(sub, p));
      EXPECT_EQ(GetMenuItemID(sub, static_cast<int>(p)), static_cast<UINT>(items[p].Id));
      std::string text = Utf8ToCp1251(items[p].Caption);
      if (items[p].Shortcut != nullptr) text += std::string("\x08") + items[p].Shortcut;
      EXPECT_EQ(MenuText(sub, p), text);
    }
  }
}

TEST(Resources, ElevenShortcuts) {
  EXPECT_EQ(Languages(RT_ACCELERATOR, "MENUP"), std::set<WORD>{Russian});
  HACCEL table = LoadAcceleratorsA(Self(), "MENUP");
  ASSERT_NE(table, nullptr);
  ACCEL entries[32];
  const int count = CopyAcceleratorTableA(table, entries, 32);
  const ACCEL expected[] = {{FVIRTKEY | FCONTROL, 'O', 101}, {FVIRTKEY, VK_F8, 102},
                            {FVIRTKEY, VK_F9, 110},          {FVIRTKEY, VK_F10, 111},
                            {FVIRTKEY, VK_F11, 112},         {FVIRTKEY, VK_F6, 113},
                            {FVIRTKEY, VK_F7, 120},          {FVIRTKEY | FALT, VK_RETURN, 121},
                            {FVIRTKEY, VK_F1, 130},          {FVIRTKEY, VK_F4, 114},
                            {FVIRTKEY, VK_F5, 115}};
  ASSERT_EQ(count, 11);
  for (int i = 0; i < count; ++i) {
    SCOPED_TRACE(testing::Message() << "entry " << i);
    EXPECT_EQ(entries[i].fVirt & ~FNOINVERT, expected[i].fVirt);
    EXPECT_EQ(entries[i].key, expected[i].key);
    EXPECT_EQ(entries[i].cmd, expected[i].cmd);
  }
}

TEST(Resources, IconGroupsHoldOne32By32ImageOf16Colours) {
  for (const char* name : {"PMAINICON", "MAINICON"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Languages(RT_GROUP_ICON, name), std::set<WORD>{Russian});
    const std::vector<std::uint8_t> group = ResourceBytes(RT_GROUP_ICON, name, Russian);
    ASSERT_EQ(group.size(), 6u + 14u) << "a header and one entry";
    EXPECT_EQ(group[2] | group[3] << 8, 1) << "type: icon";
    EXPECT_EQ(group[4] | group[5] << 8, 1) << "one image";
    EXPECT_EQ(group[6], 32);                  // width
    EXPECT_EQ(group[7], 32);                  // height
    EXPECT_EQ(group[8], 16);                  // colours
    EXPECT_EQ(group[12] | group[13] << 8, 4); // bits per pixel
    const WORD id = static_cast<WORD>(group[18] | group[19] << 8);
    const std::vector<std::uint8_t> image = ResourceBytes(RT_ICON, MAKEINTRESOURCEA(id), Russian);
    ASSERT_GE(image.size(), 40u);
    BITMAPINFOHEADER header;
    std::memcpy(&header, image.data(), sizeof header);
    EXPECT_EQ(header.biWidth, 32);
    EXPECT_EQ(header.biHeight, 64) << "colour bits and mask";
    EXPECT_EQ(header.biBitCount, 4);

    HICON icon = LoadIconA(Self(), name);
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    TGdiObject<HBITMAP> colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    GetObjectA(colour.Get(), sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 32);
    EXPECT_EQ(bm.bmHeight, 32);
  }
  EXPECT_NE(ResourceBytes(RT_ICON, MAKEINTRESOURCEA(1), Russian),
            ResourceBytes(RT_ICON, MAKEINTRESOURCEA(2), Russian))
      << "the window's icon and the file's icon are different pictures";
}

// Every bitmap as loaded, pixel for pixel against the file it was made from.
TEST(Resources, ButtonBitmapsAreTheDrawnPictures) {
  const struct {
    const char* Name;
    const char* File;
    int Size;
  } bitmaps[] = {{"PLAYBMP", "play.bmp", 20},
                 {"PAUSEBMP", "pause.bmp", 20},
                 {"STOPBMP", "stop.bmp", 20},
                 {"SEGMENTSBMP", "segments.bmp", 20},
                 {"PREVBMP", "prev.bmp", 20},
                 {"NEXTBMP", "next.bmp", 20},
                 {"FULLSCREENBMP", "fullscreen.bmp", 20},
                 {"VELOCITYBMP", "velocity.bmp", 14}};
  TScopedGetDC screen(nullptr);
  for (const auto& b : bitmaps) {
    SCOPED_TRACE(b.Name);
    EXPECT_EQ(Languages(RT_BITMAP, b.Name), std::set<WORD>{Russian});
    TGdiObject<HBITMAP> bitmap(LoadBitmapA(Self(), b.Name));
    ASSERT_NE(bitmap.Get(), nullptr);
    BITMAP bm{};
    GetObjectA(bitmap.Get(), sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, b.Size);
    EXPECT_EQ(bm.bmHeight, b.Size);

    // The file: a 24-bit picture, rows bottom-up and padded to four bytes.
    const std::vector<std::uint8_t> file =
        ReadWholeFile(std::string(QUILLO_RESOURCES_DIR) + "/" + b.File);
    ASSERT_GT(file.size(), 54u);
    const std::size_t bits = file[10] | file[11] << 8;
    const std::size_t stride = (static_cast<std::size_t>(b.Size) * 3 + 3) / 4 * 4;
    ASSERT_EQ(file.size(), bits + stride * static_cast<std::size_t>(b.Size));

    // Read back as top-down 32-bit pixels.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = b.Size;
    info.bmiHeader.biHeight = -b.Size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(b.Size * b.Size));
    ASSERT_EQ(GetDIBits(screen.Get(), bitmap.Get(), 0, static_cast<UINT>(b.Size), pixels.data(),
                        &info, DIB_RGB_COLORS),
              b.Size);
    int different = 0;
    for (int y = 0; y < b.Size; ++y)
      for (int x = 0; x < b.Size; ++x) {
        const std::uint8_t* p =
            &file[bits + stride * static_cast<std::size_t>(b.Size - 1 - y) + 3u * x];
        const std::uint32_t want = p[0] | p[1] << 8 | p[2] << 16;
        if ((pixels[static_cast<std::size_t>(y * b.Size + x)] & 0xFFFFFF) != want) ++different;
      }
    EXPECT_EQ(different, 0);
  }
}

TEST(Resources, AboutBoxTemplate) {
  EXPECT_EQ(Languages(RT_DIALOG, "ABOUTBOX"), std::set<WORD>{Russian});
  const std::vector<std::uint8_t> t = ResourceBytes(RT_DIALOG, "ABOUTBOX", Russian);
  ASSERT_GE(t.size(), 18u);
  auto word = [&](std::size_t at) {
    return static_cast<std::uint16_t>(t.at(at) | t.at(at + 1) << 8);
  };
  const std::uint32_t style = word(0) | static_cast<std::uint32_t>(word(2)) << 16;
  ASSERT_NE(word(2), 0xFFFF) << "a plain template, not the extended one";
  EXPECT_EQ(style, static_cast<std::uint32_t>(DS_SETFONT | DS_MODALFRAME | WS_CAPTION | WS_SYSMENU |
                                              WS_CLIPCHILDREN));
  EXPECT_EQ(word(4) | word(6) << 16, 0) << "no extended style";
  EXPECT_EQ(word(8), 0) << "no controls";
  EXPECT_EQ(static_cast<std::int16_t>(word(10)), 100);
  EXPECT_EQ(static_cast<std::int16_t>(word(12)), 25);
  EXPECT_EQ(static_cast<std::int16_t>(word(14)), 200);
  EXPECT_EQ(static_cast<std::int16_t>(word(16)), 100);

  std::size_t at = 18;
  auto text = [&]() {
    std::u16string s;
    for (; word(at) != 0; at += 2)
      s += static_cast<char16_t>(word(at));
    at += 2;
    return s;
  };
  EXPECT_EQ(text(), u"") << "no menu";
  EXPECT_EQ(text(), u"") << "the standard dialog class";
  EXPECT_EQ(text(), u"О программе");
  EXPECT_EQ(word(at), 8) << "points";
  at += 2;
  EXPECT_EQ(text(), u"MS Sans Serif");
}

TEST(Resources, StringTableIsLanguageNeutral) {
  // Strings 1 to 15 share the first block of the table.
  EXPECT_EQ(Languages(RT_STRING, MAKEINTRESOURCEA(1)), std::set<WORD>{Neutral});
  const struct {
    UINT Id;
    const char* Text;
  } strings[] = {{IDS_ERROR, "Ошибка"},
                 {IDS_BADCOMMANDLINE, "Неверный формат командной строки"},
                 {IDS_CANNOTOPEN, "Не могу открыть файл %s"},
                 {IDS_HELPCAPTION, "Справка"},
                 {IDS_FILEINFOCAPTION, "Свойства файла"},
                 {IDS_SEGMENTLINE, "%s:  [%d x %d x %d бит / %d fps]\r"}};
  for (const auto& s : strings) {
    char text[256];
    const int length = LoadStringA(Self(), s.Id, text, sizeof text);
    EXPECT_EQ(std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0),
              Utf8ToCp1251(s.Text))
        << "string " << s.Id;
  }
}

TEST(Resources, VersionOnePointFive) {
  EXPECT_EQ(Languages(RT_VERSION, MAKEINTRESOURCEA(1)), std::set<WORD>{Russian});
  char self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(self, &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(self, 0, size, info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010005u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010005u);
  char* value = nullptr;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\041904E3\\ProductVersion",
                             reinterpret_cast<void**>(&value), &length));
  EXPECT_STREQ(value, "1.5");
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\041904E3\\ProductName",
                             reinterpret_cast<void**>(&value), &length));
  EXPECT_STREQ(value, "Quillo");
}
