// What the player's own loader makes of a movie file, in a form that compares: the checks of
// tqpack info are held against it.
#pragma once

#include <string>
#include <vector>

struct TPlayerLoad {
  bool Result = false;
  std::string Error;                 // the exception that ended the load, if any
  std::vector<std::string> Segments; // every value of a loaded segment that playback uses
  std::vector<std::string> Warnings;

  bool operator==(const TPlayerLoad& other) const {
    return Result == other.Result && Error == other.Error && Segments == other.Segments &&
           Warnings == other.Warnings;
  }
};

// Loads the movie file at path (attached: the program carrying one) with the player's loader.
TPlayerLoad LoadWithPlayer(const std::string& path, bool attached = false);
// The parts of a loaded segment's description, for messages and for building expectations.
std::string DescribeSegment(int width, int height, int bitsPerPixel, int frameCount,
                            int framesPerSecond, int ticksPerFrame, const std::string& name,
                            const std::vector<std::vector<unsigned char>>& cursors,
                            const std::vector<unsigned char>& frames,
                            const std::vector<unsigned char>& track,
                            const std::vector<unsigned char>& palette);
