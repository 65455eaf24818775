#include "StoredCabinet.h"

namespace {
void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void PutText(std::vector<std::uint8_t>& out, const std::string& s) {
  out.insert(out.end(), s.begin(), s.end());
  out.push_back(0);
}
void Patch32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
} // namespace

std::vector<std::uint8_t> MakeStoredCabinet(const std::vector<TStoredFile>& files,
                                            const std::string& nextCabinet) {
  std::vector<std::uint8_t> all;
  for (const TStoredFile& f : files) all.insert(all.end(), f.Data.begin(), f.Data.end());
  const std::uint32_t blocks = static_cast<std::uint32_t>((all.size() + 32767) / 32768);
  const bool folder = !files.empty();

  std::vector<std::uint8_t> cab;
  for (char c : {'M', 'S', 'C', 'F'}) cab.push_back(static_cast<std::uint8_t>(c));
  Put32(cab, 0);
  Put32(cab, 0); // cabinet size, patched below
  Put32(cab, 0);
  Put32(cab, 0); // file table offset, patched below
  Put32(cab, 0);
  cab.push_back(3);
  cab.push_back(1);
  Put16(cab, folder ? 1 : 0);
  Put16(cab, static_cast<std::uint32_t>(files.size()));
  Put16(cab, nextCabinet.empty() ? 0 : 2);
  Put16(cab, 0x1234);
  Put16(cab, 0);
  if (!nextCabinet.empty()) {
    PutText(cab, nextCabinet);
    PutText(cab, "");
  }
  std::size_t dataOffsetAt = 0;
  if (folder) {
    dataOffsetAt = cab.size();
    Put32(cab, 0); // data offset, patched below
    Put16(cab, blocks);
    Put16(cab, 0); // stored
  }
  Patch32(cab, 16, static_cast<std::uint32_t>(cab.size()));
  std::uint32_t offset = 0;
  for (const TStoredFile& f : files) {
    Put32(cab, static_cast<std::uint32_t>(f.Data.size()));
    Put32(cab, offset);
    Put16(cab, 0);
    Put16(cab, f.Date);
    Put16(cab, f.Time);
    Put16(cab, f.Attributes);
    PutText(cab, f.Name);
    offset += static_cast<std::uint32_t>(f.Data.size());
  }
  if (folder) Patch32(cab, dataOffsetAt, static_cast<std::uint32_t>(cab.size()));
  for (std::size_t at = 0; at < all.size(); at += 32768) {
    const std::size_t n = std::min<std::size_t>(32768, all.size() - at);
    Put32(cab, 0); // no checksum
    Put16(cab, static_cast<std::uint32_t>(n));
    Put16(cab, static_cast<std::uint32_t>(n));
    cab.insert(cab.end(), all.begin() + static_cast<std::ptrdiff_t>(at),
               all.begin() + static_cast<std::ptrdiff_t>(at + n));
  }
  Patch32(cab, 8, static_cast<std::uint32_t>(cab.size()));
  return cab;
}
