// Helpers for whole-run tests: input files made on the spot, and a run in
// this process with the console captured and the clock fixed.
#pragma once

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "hbook/memory/store.h"
#include "hbook/objects/histogram.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"
#include "support/files.h"
#include "support/reference.h"
#include "support/scratchdir.h"
#include "textout/console.h"
#include "transport/run/main_RU.h"
#include "transport/run/runfiles.h"
#include "transport/run/runoptions.h"
#include "transport/run/runstamp.h"

namespace testsupport {

namespace fs = std::filesystem;

inline hbook::Histogram makeHistogram(int id, const std::string& title, int nx, float xmin, float xmax,
                                      const std::vector<float>& contents) {
  hbook::Histogram h;
  h.id = id;
  h.title = title;
  h.nx = nx;
  h.xmin = xmin;
  h.xmax = xmax;
  h.channels.assign(nx + 2, 0.0f);
  for (int i = 0; i < nx && i < static_cast<int>(contents.size()); ++i) h.channels[i + 1] = contents[i];
  h.entries = nx;
  return h;
}

inline void writeHistograms(const fs::path& file, const std::vector<hbook::Histogram>& hs) {
  std::vector<const hbook::Histogram*> ptrs;
  for (const auto& h : hs) ptrs.push_back(&h);
  hbook::writeFile(file.string(), ptrs, true);
}

struct RunResult {
  int status = 0;
  std::string console;
  std::string log;
  std::string logName;
};

// Runs the program in `dir` with the given options (their clock included),
// the console captured; the log is read from the output directory, or from
// `dir` when the options name none.
inline RunResult runWithOptions(const fs::path& dir, const tarn::RunOptions& options, const tarn::RunStamp& start) {
  RunResult r;
  const fs::path previous = fs::current_path();
  fs::current_path(dir);
  std::ostringstream console;
  textout::setConsole(&console);
  r.status = tarn::runTarn(options);
  textout::setConsole(nullptr);
  fs::current_path(previous);
  r.console = console.str();
  r.logName = tarn::logFileName(start);
  const fs::path logDir = options.outputDir.empty() ? dir : fs::path(options.outputDir);
  if (fs::exists(logDir / r.logName)) r.log = readText(logDir / r.logName);
  return r;
}

// Runs the program in `dir` with `events` events, a start clock reading of
// `start` and an end reading one minute later.
inline RunResult runIn(const fs::path& dir, int events, const tarn::RunStamp& start) {
  tarn::RunOptions options;
  options.nEvents = events;
  auto reading = std::make_shared<int>(0);
  options.clock = [reading, start] {
    if ((*reading)++ == 0) return start;
    tarn::RunStamp end = start;
    end.time = start.time.substr(0, 2) + "59" + start.time.substr(4);
    return end;
  };
  return runWithOptions(dir, options, start);
}

// The value printed after `label` on the console line starting with it.
inline long long countAfter(const std::string& console, const std::string& label) {
  for (const std::string& line : lines(console))
    if (line.rfind(" " + label, 0) == 0) return std::stoll(line.substr(1 + label.size()));
  return -1;
}

}  // namespace testsupport
