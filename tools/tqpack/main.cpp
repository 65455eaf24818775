// tqpack: makes, joins, attaches, inspects movies, and writes the demo movie.
#include "TqpackCommands.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
  try {
    return NQuillo::RunTqpack(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                              std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "tqpack: " << e.what() << "\n";
  } catch (...) {
    std::cerr << "tqpack: unexpected failure\n";
  }
  return 1;
}
