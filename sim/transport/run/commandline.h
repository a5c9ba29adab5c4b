// The command line of tarn (CLI11). Without arguments the program is the
// run of always: main() does not even parse.
//
//   --events N            events of the run (default 100000; up to 4 x 10^14; 1e9 is 10^9)
//   --seed S              ranNo instead of the clock's (0 to 2147483647): it
//                         seeds the random streams and names the histogram file
//   --input-dir D         where lam.hbook, gradx.hbook and sq.hbook are read
//   --output-dir D        where the run log and the histogram file go (made if missing)
//   --sampler C           auto or ranlux: where HRNDM1 takes its numbers (sampler.h)
//   --blocks F-L          only blocks F to L of the run (a task of a job array)
//   --jobs J              J worker processes on this machine (0 or auto: its cores)
//   --resume DIR          go on with the stopped run whose files are in DIR
//   --checkpoint-every T  seconds of work between checkpoints (default 60)
//   --beamline F          the beamline described by the TOML file F (data/beamline.toml
//                         is the shipped one; docs/beamline.md)
//   --set K=V             one value of the beamline, after the file (repeatable)
//   --help, --version
//
// A wrong command line (an unknown option, a bad value) prints one line
// saying what is wrong and where to look on standard error, and gives exit
// status 2 before anything is created; so does a beamline description that
// cannot be used (its messages name the file, the line and the key).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "transport/run/runoptions.h"

namespace tarn {

// 2^32 blocks of 100000 events is 4.29 x 10^14: a seed's block streams are
// made for 2^32 blocks (ranlux/blockstreams.h).
constexpr std::int64_t MOST_EVENTS = 400000000000000;  // 4 x 10^14
constexpr int MOST_JOBS = 1024;

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

// The usage text (tarn --help).
std::string usageText();

// What a wrong command line prints: "tarn: WHAT (see tarn --help)".
std::string commandLineError(const std::string& what);

}  // namespace tarn
