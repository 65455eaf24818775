#include "UtqFrameCodec.h"

#include "movie/tqByteReader.h"
#include "movie/tqClasses.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t RecordSizeOffset = 0;
constexpr std::size_t RunCountOffset = 4;

// Byte by byte, so that it means the same on any host; compilers make one store of it.
inline void StoreLe32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

// Writes count >= 1 pixels of value and returns the address after the last one. Long runs
// of zero, the bulk of every record, go to memset; short runs are cheaper stored in place.
template <int Depth>
inline std::uint8_t* FillPixels(std::uint8_t* out, std::uint32_t value, std::size_t count) {
  constexpr std::size_t bytesPerPixel = Depth / 8;
  if constexpr (Depth == 8) {
    if (count <= 8) {
      const std::uint8_t v = static_cast<std::uint8_t>(value);
      for (std::size_t i = 0; i < count; ++i)
        out[i] = v;
    } else {
      std::memset(out, static_cast<int>(value), count);
    }
  } else if (value == 0 && count > 8) {
    // At 24 bits the last pixel's fourth byte is written too, as its 4-byte store would.
    std::memset(out, 0, bytesPerPixel * count + (Depth == 24 ? 1 : 0));
  } else {
    // At 24 bits each 4-byte store's fourth byte is covered by the next pixel; the last
    // one's is the caller's to account for.
    for (std::size_t i = 0; i < count; ++i)
      StoreLe32(out + bytesPerPixel * i, value);
  }
  return out + bytesPerPixel * count;
}

// Expands runCount runs, already checked to lie inside the record, into a frame whose XOR
// buffer holds the geometry. With Padded the rows end in padding and the pixels left in the
// current row are followed; without it the rows are back to back and the runs are written
// straight through.
template <int Depth, bool Padded>
TUnpackResult ExpandRuns(const std::uint8_t* run, std::int32_t runCount,
                         const TFrameGeometry& geometry, std::uint8_t* out) {
  constexpr std::size_t runSize = Depth == 8 ? 2 : 5;
  const std::size_t width = static_cast<std::size_t>(geometry.Width);
  const std::size_t padding = static_cast<std::size_t>(geometry.RowPadding);
  std::size_t remaining = width * static_cast<std::size_t>(geometry.Height);
  std::size_t rowLeft = width; // pixels to the end of the current row
  bool cut = false;
  // At 24 bits: the byte after the last pixel written, and what it held before that store.
  std::uint8_t* spill = nullptr;
  std::uint8_t spillWas = 0;

  for (std::int32_t i = 0; i < runCount; ++i, run += runSize) {
    std::uint32_t value;
    std::size_t count;
    if constexpr (Depth == 8) {
      value = run[0];
      count = run[1];
    } else {
      value = std::uint32_t{run[0]} | std::uint32_t{run[1]} << 8 | std::uint32_t{run[2]} << 16;
      count = LoadUInt16LE(run + 3);
    }
    if (count > remaining) {
      cut = true;
      count = remaining;
    }
    if (count == 0) continue;
    remaining -= count;

    auto put = [&](std::size_t n) {
      if constexpr (Depth == 24) {
        spill = out + 3 * n;
        spillWas = *spill;
      }
      out = FillPixels<Depth>(out, value, n);
    };
    if constexpr (!Padded) {
      put(count);
    } else {
      // Most runs end inside their row; one that reaches the row's end goes on after the
      // padding, at the start of the next row.
      while (count >= rowLeft) {
        put(rowLeft);
        out += padding;
        count -= rowLeft;
        rowLeft = width;
      }
      if (count != 0) {
        put(count);
        rowLeft -= count;
      }
    }
  }
  if (cut) return urOverlong;
  if (remaining == 0) return urComplete;
  if constexpr (Depth == 24) {
    if (spill) *spill = spillWas;
  }
  return urShort;
}

template <int Depth>
TUnpackResult ExpandRunsOfDepth(const std::uint8_t* runs, std::int32_t runCount,
                                const TFrameGeometry& geometry, std::uint8_t* xorFrame) {
  return geometry.RowPadding != 0 ? ExpandRuns<Depth, true>(runs, runCount, geometry, xorFrame)
                                  : ExpandRuns<Depth, false>(runs, runCount, geometry, xorFrame);
}

bool ValidGeometry(const TFrameGeometry& geometry) {
  TFrameGeometry made;
  return MakeFrameGeometry(geometry.Width, geometry.Height, geometry.Format.BitsPerPixel, made) &&
         made == geometry;
}

// XORs n bytes of source into destination. Most of an XOR frame is zero, so blocks of zero
// are passed over without touching the destination; the fixed block size lets compilers use
// their widest registers without a tail of their own.
void XorBytes(std::uint8_t* __restrict destination, const std::uint8_t* __restrict source,
              std::size_t n) {
  constexpr std::size_t block = 64;
  std::size_t i = 0;
  for (; i + block <= n; i += block) {
    std::uint8_t any = 0;
    for (std::size_t k = 0; k < block; ++k)
      any |= source[i + k];
    if (any == 0) continue;
    for (std::size_t k = 0; k < block; ++k)
      destination[i + k] ^= source[i + k];
  }
  for (; i < n; ++i)
    destination[i] ^= source[i];
}

bool PictureFits(std::size_t xorFrameLength, std::size_t pictureLength,
                 const TFrameGeometry& geometry) {
  return ValidGeometry(geometry) && xorFrameLength >= geometry.PictureBytes() &&
         pictureLength >= geometry.PictureBytes();
}

} // namespace

bool GetRunFormat(std::int32_t bitsPerPixel, TFrameRunFormat& format) {
  switch (bitsPerPixel) {
  case 8:
    format = {8, 1, 1, 1, 255, 2};
    return true;
  case 24:
    format = {24, 3, 3, 2, 65535, 5};
    return true;
  case 32:
    format = {32, 4, 3, 2, 65535, 5};
    return true;
  default:
    return false;
  }
}

std::size_t TFrameGeometry::PictureBytes() const {
  return static_cast<std::size_t>(Stride) * static_cast<std::size_t>(Height);
}

std::size_t TFrameGeometry::XorFrameBytes() const {
  return static_cast<std::size_t>(Stride) * (static_cast<std::size_t>(Height) + 1);
}

std::int32_t TFrameGeometry::MaxRecordSize() const {
  return static_cast<std::int32_t>(static_cast<std::int64_t>(FrameRecordHeaderSize) +
                                   std::int64_t{Format.RunSize} * Width * Height);
}

bool MakeFrameGeometry(std::int32_t width, std::int32_t height, std::int32_t bitsPerPixel,
                       TFrameGeometry& geometry) {
  TFrameRunFormat format;
  if (!GetRunFormat(bitsPerPixel, format) || width < 1 || height < 1) return false;
  const std::int64_t rowBytes = std::int64_t{width} * format.BytesPerPixel;
  const std::int64_t padding = (4 - rowBytes % 4) % 4;
  const std::int64_t stride = rowBytes + padding;
  if (stride * (std::int64_t{height} + 1) > MaxFrameBytes ||
      std::int64_t{width} * height * format.RunSize + std::int64_t{FrameRecordHeaderSize} >
          MaxFrameBytes)
    return false;
  geometry.Width = width;
  geometry.Height = height;
  geometry.Format = format;
  geometry.RowBytes = static_cast<std::int32_t>(rowBytes);
  geometry.RowPadding = static_cast<std::int32_t>(padding);
  geometry.Stride = static_cast<std::int32_t>(stride);
  return true;
}

bool operator==(const TFrameGeometry& a, const TFrameGeometry& b) {
  const TFrameRunFormat& f = a.Format;
  const TFrameRunFormat& g = b.Format;
  return a.Width == b.Width && a.Height == b.Height && a.RowBytes == b.RowBytes &&
         a.RowPadding == b.RowPadding && a.Stride == b.Stride && f.BitsPerPixel == g.BitsPerPixel &&
         f.BytesPerPixel == g.BytesPerPixel && f.PixelFieldSize == g.PixelFieldSize &&
         f.CountFieldSize == g.CountFieldSize && f.MaxRunLength == g.MaxRunLength &&
         f.RunSize == g.RunSize;
}

const char* UnpackResultText(TUnpackResult result) {
  switch (result) {
  case urComplete:
    return "";
  case urShort:
    return "UnpackFrame: Runs < Width * Height";
  case urOverlong:
    return "UnpackFrame: Runs > Width * Height";
  case urNoHeader:
    return "UnpackFrame: BlockSize < 8";
  case urSizeTooSmall:
    return "UnpackFrame: RecordSize < 8";
  case urSizeTooLarge:
    return "UnpackFrame: RecordSize > BlockSize";
  case urSizeMismatch:
    return "UnpackFrame: RecordSize <> 8 + RunCount * RunSize";
  case urBadGeometry:
    return "UnpackFrame: unsupported frame geometry";
  case urXorFrameTooSmall:
    return "UnpackFrame: PXorFrame too small";
  }
  return "UnpackFrame: unknown result";
}

TUnpackResult ExpandFrameRecord(const std::uint8_t* record, std::size_t recordLength,
                                const TFrameGeometry& geometry, std::uint8_t* xorFrame,
                                std::size_t xorFrameLength) {
  if (!ValidGeometry(geometry)) return urBadGeometry;
  if (!xorFrame || xorFrameLength < geometry.XorFrameBytes()) return urXorFrameTooSmall;
  if (!record || recordLength < FrameRecordHeaderSize) return urNoHeader;
  const TByteReader header(record, FrameRecordHeaderSize);
  const std::int32_t recordSize = header.Int32(RecordSizeOffset);
  const std::int32_t runCount = header.Int32(RunCountOffset);
  if (recordSize < static_cast<std::int32_t>(FrameRecordHeaderSize)) return urSizeTooSmall;
  if (static_cast<std::uint64_t>(recordSize) > recordLength) return urSizeTooLarge;
  if (static_cast<std::int64_t>(FrameRecordHeaderSize) +
          std::int64_t{runCount} * geometry.Format.RunSize !=
      recordSize)
    return urSizeMismatch;

  const std::uint8_t* runs = record + FrameRecordHeaderSize;
  switch (geometry.Format.BitsPerPixel) {
  case 8:
    return ExpandRunsOfDepth<8>(runs, runCount, geometry, xorFrame);
  case 24:
    return ExpandRunsOfDepth<24>(runs, runCount, geometry, xorFrame);
  default:
    return ExpandRunsOfDepth<32>(runs, runCount, geometry, xorFrame);
  }
}

bool ApplyXorFrame8(const std::uint8_t* xorFrame, std::size_t xorFrameLength, std::uint8_t* picture,
                    std::size_t pictureLength, const TFrameGeometry& geometry) {
  if (geometry.Format.BitsPerPixel != 8 || !xorFrame || !picture ||
      !PictureFits(xorFrameLength, pictureLength, geometry))
    return false;
  XorBytes(picture, xorFrame, geometry.PictureBytes());
  return true;
}

bool ApplyXorFrameInMemory(const std::uint8_t* xorFrame, std::size_t xorFrameLength,
                           std::uint8_t* picture, std::size_t pictureLength,
                           const TFrameGeometry& geometry) {
  if (!xorFrame || !picture || !PictureFits(xorFrameLength, pictureLength, geometry)) return false;
  if (geometry.Format.BitsPerPixel == 8 || geometry.RowPadding == 0) {
    XorBytes(picture, xorFrame, geometry.PictureBytes());
    return true;
  }
  const std::size_t stride = static_cast<std::size_t>(geometry.Stride);
  const std::size_t rowBytes = static_cast<std::size_t>(geometry.RowBytes);
  for (std::int32_t y = 0; y < geometry.Height; ++y, picture += stride, xorFrame += stride)
    XorBytes(picture, xorFrame, rowBytes);
  return true;
}

TPaletteResult ReadPaletteChange(TtqStream& changes, TPaletteTable& palette) {
  std::uint8_t head[2];
  if (changes.Read(head, 1) != 1) return prExhausted;
  const std::size_t changeCount = head[0];
  if (changeCount == 0) return prUnchanged;
  if (changes.Read(head + 1, 1) != 1) return prTruncated;
  const std::size_t firstEntry = head[1];

  std::uint8_t entries[255 * sizeof(TPaletteEntry)];
  const std::int32_t got =
      changes.Read(entries, static_cast<std::int32_t>(changeCount * sizeof(TPaletteEntry)));
  const std::size_t whole = got > 0 ? static_cast<std::size_t>(got) / sizeof(TPaletteEntry) : 0;
  const std::size_t kept = std::min(whole, palette.size() - firstEntry);
  for (std::size_t i = 0; i < kept; ++i) {
    const std::uint8_t* e = entries + i * sizeof(TPaletteEntry);
    palette[firstEntry + i] = TPaletteEntry{e[0], e[1], e[2], e[3]};
  }
  if (whole < changeCount) return prTruncated;
  return kept < changeCount ? prClipped : prChanged;
}

bool ReadCursorStep(TtqStream& track, TCursorStep& step) {
  std::uint8_t bytes[CursorStepSize];
  if (track.Read(bytes, CursorStepSize) != CursorStepSize) return false;
  const TByteReader fields(bytes, CursorStepSize);
  step.ShapeIndex = fields.UInt16(0);
  step.X = fields.UInt16(2);
  step.Y = fields.UInt16(4);
  return true;
}
