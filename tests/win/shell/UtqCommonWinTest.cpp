#include "ShellStateScope.h"
#include "ui/UtqCommon_win.h"
#include "ui/tqScoped_win.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {
int CALLBACK CountFonts(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return 1;
}

bool Installed(const char* family) {
  int count = 0;
  TScopedGetDC screen(nullptr);
  EnumFontFamiliesA(screen.Get(), family, CountFonts, reinterpret_cast<LPARAM>(&count));
  return count > 0;
}

LOGFONTA Described(HFONT font) {
  LOGFONTA f{};
  GetObjectA(font, sizeof f, &f);
  return f;
}

// The face that the font mapper really picks for the font.
std::string RealisedFace(HFONT font) {
  TScopedGetDC screen(nullptr);
  TScopedSelect select(screen.Get(), font);
  char face[LF_FACESIZE] = {};
  GetTextFaceA(screen.Get(), sizeof face, face);
  return face;
}
} // namespace

TEST(CreateFontByName, FindsTheFaceAndKeepsItForAFaceThatIsMissing) {
  TShellStateScope state;
  ASSERT_TRUE(Installed("Tahoma"));
  ASSERT_FALSE(Installed("Times New Roman")) << "this test needs a face that is not installed";

  TGdiObject<HFONT> panel(CreateFontByName("Tahoma", 13, fsBold));
  ASSERT_NE(panel.Get(), nullptr);
  LOGFONTA f = Described(panel.Get());
  EXPECT_STREQ(f.lfFaceName, "Tahoma");
  EXPECT_EQ(f.lfHeight, 13);
  EXPECT_EQ(f.lfWidth, 0);
  EXPECT_EQ(f.lfWeight, FW_BOLD);
  EXPECT_EQ(f.lfCharSet, DEFAULT_CHARSET);
  EXPECT_EQ(f.lfItalic | f.lfUnderline | f.lfStrikeOut, 0);
  EXPECT_EQ(RealisedFace(panel.Get()), "Tahoma");

  TGdiObject<HFONT> title(CreateFontByName("Times New Roman", 18, fsBold));
  f = Described(title.Get());
  EXPECT_STREQ(f.lfFaceName, "Tahoma") << "the previous lookup's face";
  EXPECT_EQ(f.lfHeight, 18);
  EXPECT_EQ(FontRequestedFace, "Times New Roman");

  TGdiObject<HFONT> link(CreateFontByName("Tahoma", 14, fsUnderline | fsItalic | fsStrikeOut));
  f = Described(link.Get());
  EXPECT_EQ(f.lfWeight, FW_NORMAL);
  EXPECT_EQ(f.lfUnderline, 1);
  EXPECT_EQ(f.lfItalic, 1);
  EXPECT_EQ(f.lfStrikeOut, 1);

  // The name must match with case.
  TGdiObject<HFONT> lower(CreateFontByName("tahoma", 14, 0));
  EXPECT_STREQ(Described(lower.Get()).lfFaceName, "Tahoma") << "kept, not found";
}

TEST(CreateFontByName, BeforeAnyLookupTheMapperChooses) {
  TShellStateScope state;
  FontTemplate = LOGFONTA{};
  TGdiObject<HFONT> font(CreateFontByName("Times New Roman", 18, fsBold));
  ASSERT_NE(font.Get(), nullptr);
  EXPECT_STREQ(Described(font.Get()).lfFaceName, "");
  EXPECT_FALSE(RealisedFace(font.Get()).empty());
}
