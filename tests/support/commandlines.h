// The command lines of tarn and of tarn scan parsed as the programs parse
// them, with what the parser printed, for tests of options and refusals.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "transport/run/commandline.h"
#include "transport/scan/options.h"

namespace testsupport {

struct ParsedRun {
  tarn::CommandLine line;
  std::string out, err;
};

// tarn's command line: args without the program name (version "tarn 9.9").
inline ParsedRun parseRun(std::vector<const char*> args) {
  args.insert(args.begin(), "tarn");
  std::ostringstream out, err;
  ParsedRun p;
  p.line = tarn::parseCommandLine(static_cast<int>(args.size()), args.data(), "tarn 9.9", out, err);
  p.out = out.str();
  p.err = err.str();
  return p;
}

struct ParsedScan {
  tarn::scan::CommandLine line;
  std::string out, err;
};

// tarn scan's command line: args after "scan".
inline ParsedScan parseScan(std::vector<const char*> args) {
  args.insert(args.begin(), "scan");
  std::ostringstream out, err;
  ParsedScan p{tarn::scan::parseCommandLine(static_cast<int>(args.size()), args.data(), out, err), "", ""};
  p.out = out.str();
  p.err = err.str();
  return p;
}

}  // namespace testsupport
