#include "writer/PaletteChanges.h"

#include "writer/LittleEndian.h"
#include "writer/MovieLayout.h"

namespace NQuillo {

TPaletteUse PaletteUseOf(const uint8_t* pixels, size_t count) {
  TPaletteUse used{};
  for (size_t i = 0; i < count; ++i)
    used[pixels[i]] = true;
  return used;
}

void TPaletteChangeWriter::Encode(const TPalette& wanted, const TPaletteUse& used,
                                  std::vector<uint8_t>& out) {
  int first = -1;
  int last = -1;
  for (int i = 0; i < 256; ++i) {
    const size_t k = static_cast<size_t>(i);
    if (!Known[k] || Shown[k] != (wanted[k] & 0xFFFFFFu)) {
      if (first < 0) first = i;
      last = i;
    }
  }
  if (first < 0) {
    out.push_back(0);
    return;
  }
  const int span = last - first + 1;
  if (span > static_cast<int>(NMovie::MaxPaletteChange)) {
    // Only entries 0 and 255 can be the one left for later.
    const bool firstWaits = !used[0] && used[255];
    if (firstWaits)
      first = 1;
    else
      last = 254;
  }
  const size_t count = static_cast<size_t>(last - first + 1);
  const size_t at = out.size();
  out.resize(at + 2 + count * NMovie::PaletteEntrySize, 0);
  out[at] = static_cast<uint8_t>(count);
  out[at + 1] = static_cast<uint8_t>(first);
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = static_cast<size_t>(first) + i;
    NLe::Put24(out.data() + at + 2 + i * NMovie::PaletteEntrySize, wanted[entry] & 0xFFFFFFu);
    Shown[entry] = wanted[entry] & 0xFFFFFFu;
    Known[entry] = true;
  }
}

} // namespace NQuillo
