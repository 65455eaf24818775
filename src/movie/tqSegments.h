// The loaded segments of a movie, in load order, each with its own temporary frame file.
#pragma once

#include "engine/UtqCursor_new.h"
#include "tqClasses.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The system temporary folder with a trailing separator, read once at start.
extern std::string TempFolder;

struct TSegmentInfo {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::uint8_t BitsPerPixel = 0;
  std::int32_t FrameCount = 0;
  std::uint8_t FramesPerSecond = 0;
  std::string Name; // the characters of the stored name, without its length byte
  std::int32_t Flags = 0;
  TCursorList Cursors;
  std::unique_ptr<TtqFileStream> FrameData;
  TtqMemoryStream CursorTrack;
  TtqMemoryStream PaletteChanges;
  std::string FrameDataFileName;
};

class TSegmentList {
public:
  TSegmentList() = default;
  TSegmentList(const TSegmentList&) = delete;
  TSegmentList& operator=(const TSegmentList&) = delete;
  ~TSegmentList() { Clear(); }

  // Appends the segment; without one, makes a new segment with its frame file.
  TSegmentInfo* Add(std::unique_ptr<TSegmentInfo> segment = nullptr);
  TSegmentInfo* Get(std::int32_t index) const;
  // Closes and deletes the segment's frame file and releases the segment.
  void Delete(std::int32_t index);
  void Clear();
  std::int32_t Count() const { return FCount; }
  std::int32_t Capacity() const { return static_cast<std::int32_t>(Items.size()); }

private:
  std::int32_t FCount = 0;
  std::vector<std::unique_ptr<TSegmentInfo>> Items;
};

// The one list of the running program; its owner creates and frees it.
extern TSegmentList* SegmentList;
