#include "writer/PaletteChanges.h"

#include "MovieReference.h"

#include <gtest/gtest.h>

#include <random>

using namespace NQuillo;
using TBytes = std::vector<uint8_t>;

namespace {

TPalette Ramp() {
  TPalette p{};
  for (uint32_t i = 0; i < 256; ++i)
    p[i] = i << 16 | (255 - i) << 8 | (i * 7 & 0xFF);
  return p;
}

TPaletteUse UseAllBut(int left) {
  TPaletteUse used{};
  used.fill(true);
  if (left >= 0) used[static_cast<size_t>(left)] = false;
  return used;
}

} // namespace

TEST(PaletteChanges, FirstRecordSendsAllItCanAndTheRestFollows) {
  const TPalette p = Ramp();
  {
    TPaletteChangeWriter writer;
    TBytes out;
    writer.Encode(p, UseAllBut(255), out);
    ASSERT_EQ(out.size(), 2u + 255 * 4);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(TBytes(out.begin() + 2 + 4 * 7, out.begin() + 2 + 4 * 8), (TBytes{49, 248, 7, 0}));
    out.clear();
    writer.Encode(p, UseAllBut(-1), out);
    EXPECT_EQ(out, (TBytes{1, 255, 249, 0, 255, 0}));
    out.clear();
    writer.Encode(p, UseAllBut(-1), out);
    EXPECT_EQ(out, TBytes{0});
  }
  {
    // When the picture leaves entry 0 unused but needs 255, entry 0 is the one that waits.
    TPaletteChangeWriter writer;
    TBytes out;
    writer.Encode(p, UseAllBut(0), out);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[1], 1);
  }
}

TEST(PaletteChanges, SendsTheSpanOfChangedEntries) {
  TPalette p = Ramp();
  TPaletteChangeWriter writer;
  TBytes out;
  writer.Encode(p, UseAllBut(255), out);
  writer.Encode(p, UseAllBut(-1), out);
  out.clear();
  p[10] = 0x010203;
  p[12] = 0x040506;
  writer.Encode(p, UseAllBut(-1), out);
  EXPECT_EQ(out, (TBytes{3, 10, 3, 2, 1, 0, 77, 244, 11, 0, 6, 5, 4, 0}));
  // The reserved byte of an entry plays no part.
  out.clear();
  p[12] |= 0xFF000000u;
  writer.Encode(p, UseAllBut(-1), out);
  EXPECT_EQ(out, TBytes{0});
}

// A player whose palette starts with garbage shows every used entry right after each frame.
TEST(PaletteChanges, PlayerShowsUsedColoursAfterEveryFrame) {
  std::mt19937 random(7);
  std::array<uint32_t, 256> shown;
  for (uint32_t& e : shown)
    e = random() & 0xFFFFFF;
  TPaletteChangeWriter writer;
  TPalette wanted = Ramp();
  TBytes out;
  for (int frame = 0; frame < 50; ++frame) {
    if (frame % 5 == 2)
      for (int k = 0; k < 40; ++k)
        wanted[random() % 256] = random() & 0xFFFFFF;
    TPaletteUse used{};
    for (int k = 0; k < 200; ++k)
      used[random() % 256] = true;
    out.clear();
    writer.Encode(wanted, used, out);
    EXPECT_EQ(NRef::ApplyPaletteChange(out, 0, shown), out.size());
    for (size_t i = 0; i < 256; ++i)
      if (used[i]) {
        ASSERT_EQ(shown[i], wanted[i]) << "frame " << frame << " entry " << i;
      }
  }
}
