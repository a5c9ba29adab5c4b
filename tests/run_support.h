// Helpers for whole-run tests: a scratch run directory, input files made on
// the spot, and a run with the console captured and the clock fixed.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "hbook/memory/store.h"
#include "hbook/objects/histogram.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"
#include "textout/console.h"
#include "transport/run/main_RU.h"
#include "transport/run/runfiles.h"
#include "transport/run/runoptions.h"
#include "transport/run/runstamp.h"

namespace runtest {

namespace fs = std::filesystem;

inline std::string readText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// A fresh directory under the system temp directory, removed at the end.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& tag) {
    path_ = fs::temp_directory_path() /
            ("tarn-" + tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

  void copyShippedInputs() const {
    for (const char* name : {"lam.hbook", "gradx.hbook", "sq.hbook"})
      fs::copy_file(fs::path(TARN_DATA_DIR) / name, path_ / name, fs::copy_options::overwrite_existing);
  }

 private:
  static int& counter() {
    static int n = 0;
    return n;
  }
  fs::path path_;
};

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

// How a reference file in tests/data/run compares with what a run made:
// the first line that differs, or none. With TARN_UPDATE_REFERENCE=1 the
// file is written instead (review its diff before committing it).
struct ReferenceDifference {
  bool differs = false;
  std::size_t line = 0;  // 1-based
  std::string expected, actual;
  std::string describe(const std::string& name) const {
    return name + " differs from the reference first at line " + std::to_string(line) + ":\n  expected: " + expected +
           "\n  actual:   " + actual;
  }
};

inline ReferenceDifference compareOrUpdateReference(const std::string& name, const std::string& actual) {
  ReferenceDifference d;
  const fs::path ref = fs::path(TARN_TEST_DATA) / "run" / name;
  const char* update = std::getenv("TARN_UPDATE_REFERENCE");
  if (update && std::strcmp(update, "1") == 0) {
    std::ofstream(ref, std::ios::binary) << actual;
    return d;
  }
  const std::string expected = fs::exists(ref) ? readText(ref) : "<no reference file " + ref.string() + ">\n";
  if (expected == actual) return d;
  const auto e = lines(expected), a = lines(actual);
  std::size_t i = 0;
  while (i < e.size() && i < a.size() && e[i] == a[i]) ++i;
  d.differs = true;
  d.line = i + 1;
  d.expected = i < e.size() ? e[i] : "<end>";
  d.actual = i < a.size() ? a[i] : "<end>";
  return d;
}

// The value printed after `label` on the console line starting with it.
inline long long countAfter(const std::string& console, const std::string& label) {
  for (const std::string& line : lines(console))
    if (line.rfind(" " + label, 0) == 0) return std::stoll(line.substr(1 + label.size()));
  return -1;
}

}  // namespace runtest
