// The command line of a parameter scan (CLI11):
//
//   tarn scan --set KEY=V1,V2,... [--set KEY2=W1,W2,...] --seed S [--events N]
//             [--jobs J|auto] [--beamline FILE] [--input-dir DIR] [--output-dir DIR]
//             [--checkpoint-every T]
//
// Each --set names one key of the beamline description and its values,
// separated by commas, each as tarn's --set takes it ("30", "300 mm",
// "left"); a --set with one value holds that key at it for every point. The
// points are every combination of the values (the grid), the first key's
// values changing slowest. Every point is a run of N events with the seed S
// (the same for every point) on the beamline FILE (the shipped one when
// none is given) with the point's values set, in a folder of its own under
// DIR (default ./scan).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace tarn::scan {

struct Axis {
  std::string key;                  // "cells.length"
  std::vector<std::string> values;  // as given: "30", "300 mm"
};

struct Options {
  std::vector<Axis> axes;
  std::string beamlineFile;  // --beamline, "" for the shipped beamline
  std::int64_t events = 100000;
  std::int64_t seed = -1;
  int jobs = 1;                  // job slots shared by the points (0: one per core)
  std::string inputDir;          // "" the working directory
  std::string outputDir = "scan";
  std::string checkpointEvery;   // --checkpoint-every as given, "" when not
  std::string command;           // the command line, for the manifest and the messages
};

struct CommandLine {
  Options options;
  int exitStatus = -1;  // >= 0: leave at once with it (help, a wrong command line)
};

// argv[0] is "scan".
CommandLine parseCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// "KEY=V1,V2,..." as an axis; false with `why` when it is not one.
bool parseAxis(const std::string& text, Axis& axis, std::string& why);

}  // namespace tarn::scan
