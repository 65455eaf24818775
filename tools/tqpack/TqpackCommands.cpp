#include "TqpackCommands.h"

#include "CursorTrackFile.h"
#include "DemoMovie.h"
#include "MovieExaminer.h"
#include "MovieJoin.h"
#include "PictureFiles.h"
#include "PngPicture.h"
#include "Progress.h"
#include "StockCursors.h"
#include "movie/tqClasses.h"
#include "writer/Cp1251.h"
#include "writer/MovieWriter.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <ostream>

namespace NQuillo {

namespace fs = std::filesystem;

namespace {

// A command line that cannot be followed: the message comes with the usage text.
class TUsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

void PrintUsage(std::ostream& err) {
  err << "usage: tqpack make <folder> <out.tqf> [--fps N] [--depth 8|24|32] [--name TEXT]\n"
         "                   [--ticks 1|3] [--cursor TRACK] [--time YYYY-MM-DDThh:mm:ss]\n"
         "                   [--window 15..21] [--level fast|default|best] [--temp FOLDER]\n"
         "       tqpack join <out.tqf> <movie> <movie>...\n"
         "       tqpack attach <player.exe> <movie> <out.exe>\n"
         "       tqpack demo <out.tqf>\n"
         "       tqpack info <movie>\n"
         "       tqpack checks\n"
         "       tqpack extract <movie> <folder>\n"
         "\n"
         "make   turns a folder of pictures (";
  err << (PngSupported() ? "BMP or PNG" : "BMP; this build reads no PNG")
      << ", taken in name order, all of one size)\n"
         "       into a one-segment movie. Defaults: 10 fps, 32 bits, one timer tick per\n"
         "       frame, no cursor, level default (best is slower and smaller, fast much\n"
         "       faster and larger). TRACK is a text file of \"shape x y\" lines, one per timer\n"
         "       tick; shapes: none";
  for (const std::string& name : StockCursorNames())
    err << ", " << name;
  err << ".\n"
         "join   puts the entries of several movies into one, each copied byte for byte.\n"
         "attach appends a movie to the player so that it plays when started.\n"
         "       Both take every movie without problems and refuse a damaged one.\n"
         "demo   writes the demo movie of three segments.\n"
         "info   shows what a movie (or a player carrying one) holds and checks it. A problem\n"
         "       is something the player would refuse, show wrongly, read past or lose (exit\n"
         "       code 1); a note departs from tqpack's own habits, but the player does not\n"
         "       care (exit code 0). Each finding says which check it is and why.\n"
         "checks lists every check of info with its grade and why.\n"
         "extract writes each segment's data file (the cabinet's content) into a folder.\n";
}

// Splits "--name value" and "--name=value" options from the positional arguments.
struct TArguments {
  std::vector<std::string> Positional;
  std::map<std::string, std::string> Options;

  TArguments(const std::vector<std::string>& args, size_t first,
             const std::vector<std::string>& known) {
    for (size_t i = first; i < args.size(); ++i) {
      const std::string& a = args[i];
      if (a.size() < 3 || a.compare(0, 2, "--") != 0) {
        Positional.push_back(a);
        continue;
      }
      std::string name = a.substr(2), value;
      const size_t equals = name.find('=');
      if (equals != std::string::npos) {
        value = name.substr(equals + 1);
        name.resize(equals);
      } else {
        if (i + 1 >= args.size()) throw TUsageError("option --" + name + " needs a value");
        value = args[++i];
      }
      if (std::find(known.begin(), known.end(), name) == known.end())
        throw TUsageError("unknown option --" + name);
      Options[name] = value;
    }
  }

  std::string Get(const std::string& name, const std::string& fallback) const {
    const auto found = Options.find(name);
    return found == Options.end() ? fallback : found->second;
  }
};

long ParseWhole(const std::string& text, const std::string& what, long low, long high) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < low || value > high)
    throw TUsageError(what + " must be a whole number from " + std::to_string(low) + " to " +
                      std::to_string(high) + ", not \"" + text + "\"");
  return value;
}

float ParseRate(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(value >= 1.0 && value <= 255.0))
    throw TUsageError("--fps must be a number from 1 to 255, not \"" + text + "\"");
  return static_cast<float>(value);
}

TRecordingTime ParseTime(const std::string& text) {
  TRecordingTime t;
  int used = 0;
  const int fields = std::sscanf(text.c_str(), "%4u-%2u-%2uT%2u:%2u:%2u%n", &t.Year, &t.Month,
                                 &t.Day, &t.Hour, &t.Minute, &t.Second, &used);
  const std::string rest = fields == 6 ? text.substr(static_cast<size_t>(used)) : std::string("?");
  if (rest.size() == 2 && rest[0] == '.' && rest[1] >= '0' && rest[1] <= '9')
    t.Tenth = static_cast<unsigned>(rest[1] - '0');
  else if (!rest.empty())
    t.Year = 0;
  if (!t.IsValid())
    throw TUsageError("--time must be a date and time from 1980 to 2107 such as "
                      "2024-03-15T10:00:00, not \"" +
                      text + "\"");
  return t;
}

TRecordingTime Now() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  TRecordingTime t;
  if (!local) return t;
  t.Year = static_cast<unsigned>(local->tm_year + 1900);
  t.Month = static_cast<unsigned>(local->tm_mon + 1);
  t.Day = static_cast<unsigned>(local->tm_mday);
  t.Hour = static_cast<unsigned>(local->tm_hour);
  t.Minute = static_cast<unsigned>(local->tm_min);
  t.Second = static_cast<unsigned>(std::min(local->tm_sec, 59));
  if (!t.IsValid()) t = TRecordingTime();
  return t;
}

std::vector<std::string> PictureFilesIn(const std::string& folder) {
  std::error_code error;
  if (!fs::is_directory(folder, error)) throw TMovieError(folder + " is not a folder");
  std::vector<std::string> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    std::string extension = entry.path().extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), [](char c) {
      return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    if ((extension == ".bmp" || extension == ".png") && entry.is_regular_file(error))
      files.push_back(entry.path().string());
  }
  if (error) throw TMovieError("cannot list " + folder + ": " + error.message());
  std::sort(files.begin(), files.end());
  if (files.empty()) throw TMovieError("no .bmp or .png pictures in " + folder);
  return files;
}

// Notes are no reason to refuse a movie: the player plays it.
void RefuseDamaged(const TMovieReport& report) {
  if (report.Count(EGrade::Problem) != 0)
    throw TMovieError(report.Path + " is damaged: " + report.FirstProblem());
}

int Make(const TArguments& a, std::ostream& out) {
  if (a.Positional.size() != 2) throw TUsageError("make needs a folder and an output file");
  const std::vector<std::string> files = PictureFilesIn(a.Positional[0]);

  TSegmentOptions options;
  options.FrameRate = ParseRate(a.Get("fps", "10"));
  options.BitsPerPixel = static_cast<unsigned>(ParseWhole(a.Get("depth", "32"), "--depth", 8, 32));
  if (!FindRunFormat(options.BitsPerPixel)) throw TUsageError("--depth must be 8, 24 or 32");
  options.TicksPerFrame = static_cast<unsigned>(ParseWhole(a.Get("ticks", "1"), "--ticks", 1, 3));
  if (options.TicksPerFrame == 2) throw TUsageError("--ticks must be 1 or 3");
  // "Сегмент 1", as recorders name a first segment.
  options.Name = a.Options.count("name") ? Utf8ToCp1251(a.Get("name", ""))
                                         : std::string("\xD1\xE5\xE3\xEC\xE5\xED\xF2 1");
  if (options.Name.size() > NMovie::MaxNameBytes)
    throw TUsageError("--name is longer than 255 characters");
  options.Time = a.Options.count("time") ? ParseTime(a.Get("time", "")) : Now();
  options.TempFolder = a.Get("temp", "");
  TCabinetOptions cabinet;
  cabinet.LzxWindowBits =
      static_cast<unsigned>(ParseWhole(a.Get("window", "20"), "--window", 15, 21));
  const std::string level = a.Get("level", "default");
  if (level == "fast")
    cabinet.LzxLevel = ELzxLevel::Fast;
  else if (level == "best")
    cabinet.LzxLevel = ELzxLevel::Best;
  else if (level != "default")
    throw TUsageError("--level must be fast, default or best, not \"" + level + "\"");

  std::vector<TTrackStep> track;
  const int64_t steps = static_cast<int64_t>(files.size()) * options.TicksPerFrame;
  if (a.Options.count("cursor")) {
    track = ReadCursorTrack(a.Get("cursor", ""));
    if (static_cast<int64_t>(track.size()) != steps)
      throw TMovieError(a.Get("cursor", "") + " has " + std::to_string(track.size()) +
                        " cursor steps; " + std::to_string(files.size()) + " pictures at " +
                        std::to_string(options.TicksPerFrame) + " per frame need " +
                        std::to_string(steps));
  }

  TImage first = ReadPicture(files[0]);
  options.Width = first.Width;
  options.Height = first.Height;
  TSegmentWriter segment(options);
  std::map<std::string, uint16_t> shapes;
  std::vector<TCursorStep> frameSteps(options.TicksPerFrame);
  std::vector<uint8_t> pixels;
  TPalette palette{};
  const TRunFormat& format = RunFormat(options.BitsPerPixel);
  TProgressLine progress(stderr, "make");
  for (size_t i = 0; i < files.size(); ++i) {
    const TImage image = i == 0 ? std::move(first) : ReadPicture(files[i]);
    if (image.Width != options.Width || image.Height != options.Height)
      throw TMovieError(files[i] + " is " + std::to_string(image.Width) + " x " +
                        std::to_string(image.Height) + ", the first picture " +
                        std::to_string(options.Width) + " x " + std::to_string(options.Height));
    ConvertPicture(image, options.BitsPerPixel, pixels, palette);
    for (unsigned k = 0; k < options.TicksPerFrame; ++k) {
      TCursorStep& step = frameSteps[k];
      step = TCursorStep{NoCursorShape, 0, 0};
      if (track.empty()) continue;
      const TTrackStep& t = track[i * options.TicksPerFrame + k];
      step.X = t.X;
      step.Y = t.Y;
      if (t.Shape == "none") continue;
      auto found = shapes.find(t.Shape);
      if (found == shapes.end())
        found = shapes.emplace(t.Shape, segment.AddCursorShape(StockCursor(t.Shape))).first;
      step.ShapeIndex = found->second;
    }
    const TPictureView view{pixels.data(), pixels.size(),
                            static_cast<size_t>(options.Width) * format.BytesPerPixel};
    segment.AddFrame(view, frameSteps.data(), frameSteps.size(),
                     options.BitsPerPixel == 8 ? &palette : nullptr);
    progress.Update(static_cast<int64_t>(i + 1), static_cast<int64_t>(files.size()));
  }
  progress.Done();
  TMovieWriter movie(a.Positional[1], 1);
  TProgressLine compressing(stderr, "compress");
  const TSegmentHeader h =
      movie.AddSegment(segment, cabinet, [&compressing](uint64_t done, uint64_t total) {
        compressing.Update(static_cast<int64_t>(done), static_cast<int64_t>(total));
      });
  compressing.Done();
  const uint64_t size = movie.Finish();
  out << a.Positional[1] << ": " << h.FrameCount << " frames of " << h.Width << " x " << h.Height
      << " at " << unsigned{h.BitsPerPixel} << " bits, " << h.FrameDataSize
      << " bytes of frames in a cabinet of " << h.CabinetSize << ", movie " << size << " bytes\n";
  return 0;
}

int Join(const TArguments& a, std::ostream& out) {
  if (a.Positional.size() < 2) throw TUsageError("join needs an output file and movies");
  std::vector<TMovieReport> movies;
  size_t segments = 0;
  for (size_t i = 1; i < a.Positional.size(); ++i) {
    movies.push_back(InspectMovie(a.Positional[i], a.Get("temp", "")));
    RefuseDamaged(movies.back());
    segments += movies.back().Segments.size();
    std::error_code error;
    if (fs::exists(a.Positional[0]) && fs::equivalent(a.Positional[i], a.Positional[0], error))
      throw TMovieError("the output " + a.Positional[0] + " is also an input");
  }
  const uint64_t size = JoinMovies(movies, a.Positional[0]);
  size_t entries = 0;
  for (const TMovieReport& movie : movies)
    entries += movie.Entries.size();
  out << a.Positional[0] << ": " << entries << " entries, " << segments << " segments, " << size
      << " bytes\n";
  return 0;
}

int Attach(const TArguments& a, std::ostream& out) {
  if (a.Positional.size() != 3)
    throw TUsageError("attach needs a player, a movie and an output file");
  std::error_code error;
  for (int i = 0; i < 2; ++i)
    if (fs::exists(a.Positional[2]) &&
        fs::equivalent(a.Positional[static_cast<size_t>(i)], a.Positional[2], error))
      throw TMovieError("the output " + a.Positional[2] + " is also an input");
  RefuseDamaged(InspectMovie(a.Positional[1]));
  const uint64_t length = AttachMovie(a.Positional[0], a.Positional[1], a.Positional[2]);
  out << a.Positional[2] << ": movie of " << length << " bytes attached\n";
  return 0;
}

int Demo(const TArguments& a, std::ostream& out) {
  if (a.Positional.size() != 1) throw TUsageError("demo needs an output file");
  TProgressLine progress(stderr, "demo");
  NDemo::WriteDemoMovie(a.Positional[0], a.Get("temp", ""),
                        [&progress](int64_t done, int64_t total) { progress.Update(done, total); });
  progress.Done();
  out << a.Positional[0] << ": demo movie of " << fs::file_size(a.Positional[0]) << " bytes\n";
  return 0;
}

int Info(const TArguments& a, std::ostream& out) {
  if (a.Positional.size() != 1) throw TUsageError("info needs one movie");
  const TMovieReport report = InspectMovie(a.Positional[0], a.Get("temp", ""));
  PrintReport(report, out);
  return report.Count(EGrade::Problem) == 0 ? 0 : 1;
}

int Checks(const TArguments& a, std::ostream& out) {
  if (!a.Positional.empty()) throw TUsageError("checks takes no arguments");
  for (const TCheckInfo& check : AllChecks())
    out << GradeText(check.Grade) << " " << check.Name << ": " << check.Why << "\n";
  return 0;
}

int Extract(const TArguments& a, std::ostream& out) {
  if (a.Positional.size() != 2) throw TUsageError("extract needs a movie and a folder");
  std::error_code error;
  fs::create_directories(a.Positional[1], error);
  for (const std::string& path : ExtractDataFiles(a.Positional[0], a.Positional[1]))
    out << path << "\n";
  return 0;
}

} // namespace

int RunTqpack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::string command = args.empty() ? "" : args[0];
  try {
    if (command == "make")
      return Make(TArguments(args, 1,
                             {"fps", "depth", "name", "ticks", "cursor", "time", "window", "level",
                              "temp"}),
                  out);
    if (command == "join") return Join(TArguments(args, 1, {"temp"}), out);
    if (command == "attach") return Attach(TArguments(args, 1, {}), out);
    if (command == "demo") return Demo(TArguments(args, 1, {"temp"}), out);
    if (command == "info") return Info(TArguments(args, 1, {"temp"}), out);
    if (command == "checks") return Checks(TArguments(args, 1, {}), out);
    if (command == "extract") return Extract(TArguments(args, 1, {}), out);
    if (command == "help" || command == "--help" || command == "-h") {
      PrintUsage(out);
      return 0;
    }
    if (!command.empty()) err << "tqpack: unknown command \"" << command << "\"\n";
  } catch (const TUsageError& e) {
    err << "tqpack " << command << ": " << e.what() << "\n";
  } catch (const std::exception& e) {
    err << "tqpack " << command << ": " << e.what() << "\n";
    return 1;
  }
  PrintUsage(err);
  return 2;
}

} // namespace NQuillo
