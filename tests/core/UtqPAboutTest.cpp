#include "ui/UtqPAbout.h"

#include <gtest/gtest.h>

namespace {
void ExpectPoint(const TPoint& p, std::int32_t x, std::int32_t y, const char* what) {
  EXPECT_EQ(p.X, x) << what;
  EXPECT_EQ(p.Y, y) << what;
}
void ExpectRect(const TRect& r, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d,
                const char* what) {
  EXPECT_EQ(r.Left, a) << what;
  EXPECT_EQ(r.Top, b) << what;
  EXPECT_EQ(r.Right, c) << what;
  EXPECT_EQ(r.Bottom, d) << what;
}
} // namespace

TEST(AboutLayout, PlacesAt300By162) {
  const TAboutLayout a = AboutLayout(300, 162);
  ExpectPoint(a.Icon, 9, 6, "icon");
  ExpectPoint(a.Title, 75, 6, "title");
  ExpectPoint(a.TitleShadow, 77, 8, "shadow");
  ExpectPoint(a.Version, 187, 32, "version");
  ExpectRect(a.Notice, 75, 60, 224, 140, "notice corners");
  ExpectRect(a.Link, 75, 101, 225, 16, "link place and size");
  ExpectPoint(a.SeparatorFrom, 9, 121, "separator start");
  ExpectPoint(a.SeparatorTo, 291, 121, "separator end");
  ExpectRect(a.CloseButton, 217, 131, 75, 23, "close button place and size");
  EXPECT_EQ(a.CloseButton.Left + a.CloseButton.Right, 300 - 8) << "8 pixels inside the edge";
}

TEST(AboutLayout, ScalesWithTheClientArea) {
  const TAboutLayout a = AboutLayout(600, 324);
  ExpectPoint(a.Icon, 18, 13, "icon");
  ExpectRect(a.Link, 150, 202, 450, 16, "the strip keeps its height");
  ExpectRect(a.CloseButton, 442, 263, 150, 46, "close button");
}
