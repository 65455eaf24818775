// The picture's place in the window and the cursor's boxes on the picture and in the window.
#include "engine/UtqDisplay.h"
#include "engine/UtqOverlay.h"

#include <gtest/gtest.h>

TEST(PictureLayout, CentredUnscaledWhenItFits) {
  std::int32_t w = 0, h = 0;
  PictureArea(TRect32{0, 0, 1280, 984}, true, w, h); // the extent is counted inclusively
  EXPECT_EQ(w, 1281);
  EXPECT_EQ(h, 945);
  const TPicturePlacement p = PlacePicture(w, h, 1024, 735);
  EXPECT_FALSE(p.Stretched);
  EXPECT_EQ(p.ImageLeft, 128);
  EXPECT_EQ(p.ImageTop, 105);
  PictureArea(TRect32{0, 0, 1280, 984}, false, w, h);
  EXPECT_EQ(h, 985);
  // Never scaled up: a small picture is centred at its own size.
  const TPicturePlacement small = PlacePicture(1000, 800, 100, 50);
  EXPECT_FALSE(small.Stretched);
  EXPECT_EQ(small.ImageLeft, 450);
  EXPECT_EQ(small.ImageTop, 375);
  // Exactly the area's size: no scaling, at the corner.
  const TPicturePlacement exact = PlacePicture(1024, 735, 1024, 735);
  EXPECT_FALSE(exact.Stretched);
  EXPECT_EQ(exact.ImageLeft, 0);
  EXPECT_EQ(exact.ImageTop, 0);
}

TEST(PictureLayout, ScaledDownByTheTighterSide) {
  const TPicturePlacement p = PlacePicture(800, 600, 1024, 735);
  EXPECT_TRUE(p.Stretched);
  EXPECT_FLOAT_EQ(p.Scale, 0.78125f);
  EXPECT_EQ(p.ImageWidth, 800);
  EXPECT_EQ(p.ImageHeight, 574); // 574.21875
  EXPECT_EQ(p.ImageLeft, 0);
  EXPECT_EQ(p.ImageTop, 13);
  // Too narrow only: the height scales by the width's factor.
  const TPicturePlacement narrow = PlacePicture(512, 1000, 1024, 735);
  EXPECT_TRUE(narrow.Stretched);
  EXPECT_FLOAT_EQ(narrow.Scale, 0.5f);
  EXPECT_EQ(narrow.ImageWidth, 512);
  EXPECT_EQ(narrow.ImageHeight, 368); // 367.5 goes to the even neighbour
  EXPECT_EQ(narrow.ImageTop, 316);
  // An area gone to nothing (a minimised window) shows nothing, not a mirrored picture.
  const TPicturePlacement none = PlacePicture(-39, 1, 1024, 735);
  EXPECT_TRUE(none.Stretched);
  EXPECT_GE(none.ImageWidth, 0);
  EXPECT_GE(none.ImageHeight, 0);
}

TEST(PictureLayout, AStoppedPlayerGrowsTheWindowAroundItsCentre) {
  // A 600 x 500 window at (100, 50) whose area lacks 424 x 235 of a 1024 x 735 picture.
  const TRect32 window{100, 50, 700, 550};
  const TWindowGrowth g = GrowWindowForPicture(window, 600, 500, 1024, 735, 1920, 1080);
  ASSERT_EQ(g.Kind, TGrowth::Move);
  const std::int32_t width = 601 + 424, height = 501 + 235;
  EXPECT_EQ(g.Window.Right - g.Window.Left, width);
  EXPECT_EQ(g.Window.Bottom - g.Window.Top, height);
  EXPECT_EQ(g.Window.Left, 400 - width / 2 < 0 ? 0 : 400 - width / 2);
  EXPECT_EQ(g.Window.Top, 300 - height / 2 < 0 ? 0 : 300 - height / 2);
  // Only the short side grows.
  const TWindowGrowth tall = GrowWindowForPicture(TRect32{500, 300, 1700, 700}, 1200, 400, 1024, 735, 1920, 1080);
  ASSERT_EQ(tall.Kind, TGrowth::Move);
  EXPECT_EQ(tall.Window.Right - tall.Window.Left, 1201);
  EXPECT_EQ(tall.Window.Bottom - tall.Window.Top, 401 + 335);
  EXPECT_EQ(tall.Window.Left, 1100 - 1201 / 2);
  EXPECT_EQ(tall.Window.Top, 500 - 736 / 2);
  // Kept on the screen: a window near the bottom right corner moves up and left.
  const TWindowGrowth corner = GrowWindowForPicture(TRect32{1500, 800, 1900, 1050}, 400, 250, 800, 600, 1920, 1080);
  ASSERT_EQ(corner.Kind, TGrowth::Move);
  EXPECT_EQ(corner.Window.Right, 1920);
  EXPECT_EQ(corner.Window.Bottom, 1080);
  // Near the top left corner it is clamped at 0.
  const TWindowGrowth origin = GrowWindowForPicture(TRect32{0, 0, 300, 200}, 300, 200, 800, 600, 1920, 1080);
  EXPECT_EQ(origin.Window.Left, 0);
  EXPECT_EQ(origin.Window.Top, 0);
}

TEST(PictureLayout, MaximisedWhenTheGrownWindowWouldNotFit) {
  EXPECT_EQ(GrowWindowForPicture(TRect32{0, 0, 800, 600}, 790, 560, 1024, 768, 1024, 768).Kind,
            TGrowth::Maximise);
  EXPECT_EQ(GrowWindowForPicture(TRect32{0, 0, 800, 600}, 790, 560, 780, 550, 1024, 768).Kind,
            TGrowth::None);
}

TEST(CursorArea, OneUnionBoxWhenTheBoxesTouchElseTwo) {
  const TCursorArea right = CursorArea(100, 100, 105, 100, 32, 32);
  ASSERT_EQ(right.Count, 1);
  EXPECT_EQ(right.Boxes[0], (TBox{100, 100, 37, 32}));
  const TCursorArea upLeft = CursorArea(100, 100, 90, 80, 32, 32);
  ASSERT_EQ(upLeft.Count, 1);
  EXPECT_EQ(upLeft.Boxes[0], (TBox{90, 80, 42, 52}));
  const TCursorArea jump = CursorArea(100, 100, 300, 100, 32, 32);
  ASSERT_EQ(jump.Count, 2);
  EXPECT_EQ(jump.Boxes[0], (TBox{100, 100, 32, 32})); // the old box first
  EXPECT_EQ(jump.Boxes[1], (TBox{300, 100, 32, 32}));
  const TCursorArea down = CursorArea(100, 100, 100, 132, 32, 32); // a box's height down
  EXPECT_EQ(down.Count, 2);
  EXPECT_EQ(CursorArea(100, 100, 100, 131, 32, 32).Count, 1);
  const TCursorArea still = CursorArea(7, 9, 7, 9, 32, 32);
  ASSERT_EQ(still.Count, 1);
  EXPECT_EQ(still.Boxes[0], (TBox{7, 9, 32, 32}));
}

TEST(CursorArea, BoxesInTheWindow) {
  TPicturePlacement scaled;
  scaled.Stretched = true;
  scaled.Scale = 0.5f;
  scaled.ImageLeft = 10;
  scaled.ImageTop = 20;
  EXPECT_EQ(BoxInWindow(TBox{100, 40, 32, 32}, scaled), (TBox{60, 40, 16, 16}));
  scaled.Scale = 0.78125f; // 33 x 0.78125 = 25.78125; 10 x 0.78125 = 7.8125
  EXPECT_EQ(BoxInWindow(TBox{33, 10, 32, 32}, scaled), (TBox{36, 28, 25, 25}));
  TPicturePlacement plain;
  plain.ImageLeft = 128;
  plain.ImageTop = 105;
  EXPECT_EQ(BoxInWindow(TBox{-32, -32, 32, 32}, plain), (TBox{96, 73, 32, 32}));
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
}

TEST(CursorBoxes, OnlyADrawnBoxIsPutBack) {
  TCursorBoxes b;
  b.Reset(32, 32);
  EXPECT_EQ(b.Left, -32);
  EXPECT_EQ(b.OldTop, -32);
  std::int32_t left = 0, top = 0;
  EXPECT_FALSE(b.TakeDrawn(left, top)); // nothing drawn yet

  b.MoveTo(50, 60, 10, 10);
  b.MarkDrawn();
  b.Commit();
  EXPECT_EQ(b.OldLeft, 40);
  ASSERT_TRUE(b.TakeDrawn(left, top));
  EXPECT_EQ(left, 40);
  EXPECT_EQ(top, 50);
  // A step without a shape draws nothing: the next restore must put nothing back, while the
  // box stays where it was for the copy to the window.
  b.Commit();
  EXPECT_FALSE(b.TakeDrawn(left, top));
  EXPECT_EQ(b.Left, 40);
  EXPECT_EQ(b.OldLeft, 40);
  // Drawn again elsewhere, put back there once.
  b.MoveTo(200, 100, 0, 0);
  b.MarkDrawn();
  ASSERT_TRUE(b.TakeDrawn(left, top));
  EXPECT_EQ(left, 200);
  EXPECT_FALSE(b.TakeDrawn(left, top));
}
