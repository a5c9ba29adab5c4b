// The command line of tarn (CLI11). Without arguments the program is the
// run of always: main() does not even parse.
//
//   --events N      events of the run (default 100000; 1 to 10^15; 1e9 is 10^9)
//   --seed S        ranNo instead of the clock's (0 to 2147483647): it seeds
//                   RANLUX and names the histogram file
//   --input-dir D   where lam.hbook, gradx.hbook and sq.hbook are read
//   --output-dir D  where the run log and the histogram file go (made if missing)
//   --sampler C     auto, rndm or ranlux: where HRNDM1 takes its numbers (sampler.h)
//   --beamline F    the beamline described by the TOML file F (data/beamline.toml
//                   is the shipped one; docs/beamline.md)
//   --set K=V       one value of the beamline, after the file (repeatable)
//   --help, --version
//
// A wrong command line (an unknown option, a bad value) prints the error
// and the usage on standard error and gives exit status 2 before anything
// is created; so does a beamline description that cannot be used (its
// messages name the file, the line and the key).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "transport/run/runoptions.h"

namespace tarn {

constexpr std::int64_t MOST_EVENTS = 1000000000000000;  // 10^15

struct CommandLine {
  RunOptions run;       // extendedReport set: the run reports the extra lines
  int exitStatus = -1;  // >= 0: leave at once with it (help, version, a wrong command line)
};

// `version` is what --version prints; `quiet` keeps the help and the error
// messages off the streams (the ranks after the first of a parallel run).
CommandLine parseCommandLine(int argc, const char* const* argv, const std::string& version, std::ostream& out,
                             std::ostream& err, bool quiet = false);

// A count of events: digits, or digits 'e' digits (1e9), exactly an integer
// from 1 to MOST_EVENTS; -1 otherwise.
std::int64_t parseEventCount(const std::string& text);

// The usage text.
std::string usageText();

}  // namespace tarn
