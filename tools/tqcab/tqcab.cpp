// tqcab: lists or extracts a cabinet with the same reader the player uses for its segments.
#include "movie/tqCab.h"

#include <cstdio>
#include <string>

namespace {
int Usage() {
  std::fprintf(stderr, "usage: tqcab list <cabinet>\n"
                       "       tqcab extract <cabinet> <folder>\n");
  return 2;
}

int List(const std::string& cabinet) {
  TtqCabReader reader;
  const bool isCabinet = reader.ListFiles(
      cabinet, [](TtqCabReader&, const std::string& name, std::int32_t size, std::uint16_t folder,
                  std::uint16_t date, std::uint16_t time, std::uint16_t attributes, bool&) {
        std::printf("%10d  %04d-%02d-%02d %02d:%02d:%02d  folder %-5u attr 0x%02X  %s\n", size,
                    1980 + (date >> 9), (date >> 5) & 15, date & 31, time >> 11,
                    (time >> 5) & 63, (time & 31) * 2, folder, attributes, name.c_str());
      });
  if (!isCabinet) {
    std::fprintf(stderr, "tqcab: %s is not a cabinet\n", cabinet.c_str());
    return 1;
  }
  return 0;
}
} // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  try {
    if (command == "list" && argc == 3) return List(argv[2]);
    if (command == "extract" && argc == 4) {
      TtqCabReader reader;
      reader.Extract(argv[2], argv[3]);
      return 0;
    }
  } catch (const Exception& e) {
    std::fprintf(stderr, "tqcab: %s\n", e.Message().c_str());
    return 1;
  }
  return Usage();
}
