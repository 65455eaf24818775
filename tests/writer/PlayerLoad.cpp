#include "PlayerLoad.h"

#include "EngineStateScope.h"
#include "movie/tqMovieLoader.h"
#include "movie/tqSegments.h"

#include <sstream>

namespace {
using TBytes = std::vector<unsigned char>;

TBytes StreamBytes(TtqStream& stream) {
  TBytes bytes(static_cast<size_t>(stream.GetSize()));
  stream.SetPosition(0);
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  return bytes;
}

// After a load a memory stream stands behind its data; the buffer holds a spare byte beyond.
TBytes MemoryBytes(TtqMemoryStream& stream) {
  const std::int32_t size = stream.GetPosition();
  return size > 0 ? TBytes(stream.Memory(), stream.Memory() + size) : TBytes();
}

void PutInt(TBytes& out, std::int32_t v) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<unsigned char>(static_cast<std::uint32_t>(v) >> (8 * i)));
}

void PutBitmap(TBytes& out, const TCursorBitmap& b) {
  for (std::int32_t v : {b.Size, b.Width, b.Height, std::int32_t{b.BitsPerPixel}})
    PutInt(out, v);
  out.insert(out.end(), b.Bits.begin(), b.Bits.end());
}

std::string Hex(const TBytes& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (unsigned char b : bytes) {
    text += digits[b >> 4];
    text += digits[b & 15];
  }
  return text;
}
} // namespace

std::string DescribeSegment(int width, int height, int bitsPerPixel, int frameCount,
                            int framesPerSecond, int ticksPerFrame, const std::string& name,
                            const std::vector<TBytes>& cursors, const TBytes& frames,
                            const TBytes& track, const TBytes& palette) {
  std::ostringstream text;
  text << width << " x " << height << " x " << bitsPerPixel << ", " << frameCount << " frames, "
       << framesPerSecond << " fps, " << ticksPerFrame << " ticks per frame, name "
       << Hex(TBytes(name.begin(), name.end())) << ", cursors";
  for (const TBytes& cursor : cursors)
    text << " " << Hex(cursor);
  text << ", frames " << Hex(frames) << ", track " << Hex(track) << ", palette " << Hex(palette);
  return text.str();
}

TPlayerLoad LoadWithPlayer(const std::string& path, bool attached) {
  TEngineStateScope engine;
  TPlayerLoad load;
  try {
    TtqFileStream stream(path, TtqFileStream::ModeRead);
    load.Result = attached ? LoadAttachedMovie(&stream) : LoadMovie(&stream);
  } catch (const Exception& e) {
    load.Error = e.Message();
  }
  for (std::int32_t i = 0; i < engine.List.Count(); ++i) {
    TSegmentInfo& s = *engine.List.Get(i);
    std::vector<TBytes> cursors;
    for (std::int32_t c = 0; c < s.Cursors.Count(); ++c) {
      const TCursorRecord& r = s.Cursors.Items(c)->Record();
      TBytes bytes;
      PutInt(bytes, r.HotX);
      PutInt(bytes, r.HotY);
      PutBitmap(bytes, r.Mask);
      PutBitmap(bytes, r.Colour);
      cursors.push_back(bytes);
    }
    load.Segments.push_back(
        DescribeSegment(s.Width, s.Height, s.BitsPerPixel, s.FrameCount, s.FramesPerSecond,
                        (s.Flags & 1) ? 3 : 1, s.Name, cursors, StreamBytes(*s.FrameData),
                        MemoryBytes(s.CursorTrack), MemoryBytes(s.PaletteChanges)));
  }
  load.Warnings = TEngineStateScope::LoadWarnings();
  return load;
}
