#include "writer/FrameEncoder.h"

#include "MovieReference.h"

#include <gtest/gtest.h>

#include <random>

using NQuillo::TFrameEncoder;
using NQuillo::TMovieError;
using NQuillo::TPictureView;

namespace {

using TBytes = std::vector<uint8_t>;

TBytes Encode(TFrameEncoder& encoder, const TBytes& picture) {
  TBytes record;
  encoder.Encode({picture.data(), picture.size(),
                  static_cast<size_t>(encoder.Width()) * encoder.Format().BytesPerPixel},
                 record);
  return record;
}

// The colour bytes of a picture as the runs store them: the fourth byte of 32-bit pixels
// is dropped.
TBytes StoredBytes(const TBytes& picture, unsigned bits) {
  if (bits != 32) return picture;
  TBytes out;
  for (size_t i = 0; i < picture.size(); i += 4)
    out.insert(out.end(), &picture[i], &picture[i + 3]);
  return out;
}

TBytes Xor(const TBytes& a, const TBytes& b) {
  TBytes out(a.size());
  for (size_t i = 0; i < a.size(); ++i)
    out[i] = a[i] ^ b[i];
  return out;
}

// Screen-like changes: a few filled rectangles, a stretch of noise, the rest as before.
void Change(TBytes& picture, int32_t width, int32_t height, size_t pixelBytes,
            std::mt19937& random) {
  auto pick = [&random](uint32_t n) { return static_cast<int32_t>(random() % n); };
  for (int block = 0; block < 3; ++block) {
    const int32_t x0 = pick(static_cast<uint32_t>(width)), y0 = pick(static_cast<uint32_t>(height));
    const int32_t w = 1 + pick(static_cast<uint32_t>(width - x0)),
                  h = 1 + pick(static_cast<uint32_t>(height - y0));
    const uint8_t value = static_cast<uint8_t>(random());
    for (int32_t y = y0; y < y0 + h; ++y)
      for (int32_t x = x0; x < x0 + w; ++x)
        for (size_t k = 0; k < pixelBytes; ++k)
          picture[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) *
                      pixelBytes +
                  k] = static_cast<uint8_t>(value + k);
  }
  const size_t noise = picture.size() / 7;
  const size_t start = static_cast<size_t>(random() % (picture.size() - noise + 1));
  for (size_t i = start; i < start + noise; ++i)
    picture[i] = static_cast<uint8_t>(random());
}

} // namespace

TEST(FrameEncoder, StoresHandCheckedRecords) {
  {
    // 3 x 1 at 8 bits against black: runs (5, 2) and (7, 1).
    TFrameEncoder encoder(3, 1, 8);
    EXPECT_EQ(Encode(encoder, {5, 5, 7}), (TBytes{12, 0, 0, 0, 2, 0, 0, 0, 5, 2, 7, 1}));
    // The same picture again: one run of zeros.
    EXPECT_EQ(Encode(encoder, {5, 5, 7}), (TBytes{10, 0, 0, 0, 1, 0, 0, 0, 0, 3}));
    // Only the middle pixel changes, 5 -> 4: the XOR value is 1.
    EXPECT_EQ(Encode(encoder, {5, 4, 7}), (TBytes{14, 0, 0, 0, 3, 0, 0, 0, 0, 1, 1, 1, 0, 1}));
  }
  {
    // 2 x 2 at 24 bits; both rows equal, so a single run crosses the row end.
    TFrameEncoder encoder(2, 2, 24);
    const TBytes picture = {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3};
    EXPECT_EQ(Encode(encoder, picture), (TBytes{13, 0, 0, 0, 1, 0, 0, 0, 1, 2, 3, 4, 0}));
  }
  {
    // 2 x 1 at 32 bits: blue, green, red are stored, the fourth byte is not.
    TFrameEncoder encoder(2, 1, 32);
    EXPECT_EQ(Encode(encoder, {9, 8, 7, 0xAA, 9, 8, 7, 0x55}),
              (TBytes{13, 0, 0, 0, 1, 0, 0, 0, 9, 8, 7, 2, 0}));
    // Changing only the fourth bytes changes nothing.
    EXPECT_EQ(Encode(encoder, {9, 8, 7, 0x00, 9, 8, 7, 0xFF}),
              (TBytes{13, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 2, 0}));
  }
}

TEST(FrameEncoder, SplitsRunsAtTheDepthsMaximum) {
  {
    // An unchanged 1024 x 735 picture: eleven runs of 65535 zeros and one of 31755.
    TFrameEncoder encoder(1024, 735, 32);
    const TBytes black(1024 * 735 * 4, 0);
    const TBytes record = Encode(encoder, black);
    ASSERT_EQ(record.size(), 8u + 12 * 5);
    EXPECT_EQ(NRef::U32(record, 4), 12u);
    for (size_t r = 0; r < 11; ++r)
      EXPECT_EQ(NRef::U16(record, 8 + r * 5 + 3), 65535u);
    EXPECT_EQ(NRef::U16(record, 8 + 11 * 5 + 3), 31755u);
  }
  {
    // 256 equal pixels at 8 bits: 255 + 1.
    TFrameEncoder encoder(16, 16, 8);
    const TBytes record = Encode(encoder, TBytes(256, 0x42));
    EXPECT_EQ(record, (TBytes{12, 0, 0, 0, 2, 0, 0, 0, 0x42, 255, 0x42, 1}));
  }
  {
    // 65536 equal pixels at 24 bits: 65535 + 1.
    TFrameEncoder encoder(256, 256, 24);
    TBytes picture(256 * 256 * 3);
    for (size_t i = 0; i < picture.size(); i += 3)
      picture[i] = 1;
    EXPECT_EQ(Encode(encoder, picture),
              (TBytes{18, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0xFF, 0xFF, 1, 0, 0, 1, 0}));
  }
}

// Random and changing pictures at every depth and awkward widths decode back exactly.
TEST(FrameEncoder, RoundTripsThroughTheReferenceExpander) {
  std::mt19937 random(20240315);
  for (const unsigned bits : {8u, 24u, 32u}) {
    const size_t inBytes = bits / 8;
    for (const int32_t width : {1, 2, 3, 1023, 1024}) {
      for (const int32_t height : {1, 2, 7}) {
        SCOPED_TRACE(std::to_string(bits) + " bits, " + std::to_string(width) + " x " +
                     std::to_string(height));
        TFrameEncoder encoder(width, height, bits);
        TBytes picture(static_cast<size_t>(width) * static_cast<size_t>(height) * inBytes);
        TBytes shown(picture.size() / inBytes * (bits == 8 ? 1 : 3), 0);
        for (int frame = 0; frame < 5; ++frame) {
          if (frame == 0)
            for (uint8_t& b : picture)
              b = static_cast<uint8_t>(random() % 3); // long runs
          else if (frame == 3)
            for (uint8_t& b : picture)
              b = static_cast<uint8_t>(random()); // all different
          else if (picture.size() > 1)
            Change(picture, width, height, inBytes, random);
          const TBytes record = Encode(encoder, picture);
          TBytes difference;
          ASSERT_EQ(NRef::ExpandRecord(record, 0, width, height, bits, difference), record.size());
          shown = Xor(shown, difference);
          ASSERT_EQ(shown, StoredBytes(picture, bits)) << "frame " << frame;
        }
      }
    }
  }
}

TEST(FrameEncoder, ReadsRowsAtTheGivenStride) {
  // 3 x 2 at 24 bits in rows of 12 bytes: the three padding bytes must be ignored.
  TFrameEncoder encoder(3, 2, 24);
  TBytes padded(24, 0xCC);
  for (size_t y = 0; y < 2; ++y)
    for (size_t i = 0; i < 9; ++i)
      padded[y * 12 + i] = static_cast<uint8_t>(y * 9 + i);
  TBytes record;
  encoder.Encode({padded.data(), padded.size(), 12}, record);
  TBytes difference;
  NRef::ExpandRecord(record, 0, 3, 2, 24, difference);
  TBytes packed(18);
  for (size_t i = 0; i < 18; ++i)
    packed[i] = static_cast<uint8_t>(i);
  EXPECT_EQ(difference, packed);
}

TEST(FrameEncoder, RefusesWhatItCannotEncode) {
  EXPECT_THROW(TFrameEncoder(0, 5, 8), TMovieError);
  EXPECT_THROW(TFrameEncoder(5, -1, 8), TMovieError);
  EXPECT_THROW(TFrameEncoder(5, 5, 16), TMovieError);
  EXPECT_THROW(TFrameEncoder(65536, 65536, 8), TMovieError);
  TFrameEncoder encoder(4, 4, 32);
  TBytes record;
  TBytes small(4 * 4 * 4 - 1);
  EXPECT_THROW(encoder.Encode({small.data(), small.size(), 16}, record), TMovieError);
  TBytes enough(4 * 4 * 4);
  EXPECT_THROW(encoder.Encode({enough.data(), enough.size(), 15}, record), TMovieError);
  EXPECT_THROW(encoder.Encode({nullptr, 0, 16}, record), TMovieError);
}
