// Recorded mouse-cursor shapes: the shape record of a segment's data file, and the cursor made
// from it.
#pragma once

#include "movie/tqClasses.h"

#include <cstdint>
#include <memory>
#include <vector>

// One bitmap of a shape record: its descriptor as stored and the bits that were kept.
struct TCursorBitmap {
  std::int32_t Size = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::uint8_t BitsPerPixel = 0;
  std::vector<std::uint8_t> Bits; // exactly the bitmap's size; absent bytes are zero
};

struct TCursorRecord {
  std::int32_t HotX = 0;
  std::int32_t HotY = 0;
  TCursorBitmap Mask;
  TCursorBitmap Colour;
  bool Monochrome() const { return Colour.Size <= 0; }
};

// Results of reading a shape record.
enum : int { CursorLoaded = 0, CursorNoMemory = 2, CursorNoBitmap = 4 };

// Bytes in a row of the mask (rows padded to 2 bytes) and of the colour bits (padded to 4).
std::int64_t MaskRowBytes(std::int32_t width, std::uint8_t bitsPerPixel);
std::int64_t ColourRowBytes(std::int32_t width, std::uint8_t bitsPerPixel);

// Reads one record at the stream's position. A Size larger than its bitmap is cut to the bitmap
// (the rest is passed over, so the next record is found); a smaller one leaves the rest zero.
// On failure the position is left inside the record, where it stopped.
int ReadCursorRecord(TtqStream& stream, TCursorRecord& record);

class TtqCursor {
public:
  TtqCursor();
  TtqCursor(const TtqCursor&) = delete;
  TtqCursor& operator=(const TtqCursor&) = delete;
  ~TtqCursor();

  int LoadFromStream(TtqStream& stream);
  void Clear();
  bool Empty() const;
  const TCursorRecord& Record() const { return FRecord; }

#ifdef _WIN32
  // The shape with its hot spot at (x, y); dc is an HDC.
  void Draw(void* dc, int x, int y) const;
  void* Handle() const;
#endif

private:
  struct TSystemCursor; // the system objects made from the record, where there are any
  TCursorRecord FRecord;
  std::unique_ptr<TSystemCursor> FSystem;
};

class TCursorList {
public:
  TCursorList() = default;
  TCursorList(const TCursorList&) = delete;
  TCursorList& operator=(const TCursorList&) = delete;

  std::int32_t Add(std::unique_ptr<TtqCursor> cursor);
  std::int32_t Count() const { return static_cast<std::int32_t>(FItems.size()); }
  TtqCursor* Items(std::int32_t index) const;
  void Clear() { FItems.clear(); }

private:
  std::vector<std::unique_ptr<TtqCursor>> FItems;
};
