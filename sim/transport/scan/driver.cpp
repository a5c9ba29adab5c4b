#include "transport/scan/driver.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <thread>

#include "hbook/rz/reader.h"
#include "transport/description/limits.h"
#include "transport/event/catalogue.h"
#include "transport/run/digest.h"
#include "transport/run/exitstatus.h"
#include "transport/run/inputcheck.h"
#include "transport/run/interrupt.h"
#include "transport/run/parallel/workers.h"
#include "transport/scan/manifest.h"
#include "transport/scan/pointfolder.h"
#include "transport/scan/pointprocess.h"
#include "transport/scan/schedule.h"

namespace tarn::scan {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* INPUT_FILES[3] = {"lam.hbook", "gradx.hbook", "sq.hbook"};
constexpr const char* SCAN_LOG = "scan.log";
constexpr const char* LOCK_FILE = "scan.lock";
// How long a scan waits for the folder of a scan that is still stopping.
constexpr double LOCK_WAIT_SECONDS = 30.0;
constexpr auto POLL_INTERVAL = std::chrono::milliseconds(20);

std::string absolute(const std::string& path) {
  std::error_code ec;
  const fs::path p = fs::absolute(path.empty() ? fs::path(".") : fs::path(path), ec);
  return ec ? path : p.lexically_normal().string();
}

// What the scan says: standard output and scan.log.
class Report {
 public:
  void open(const std::string& path) { log_.open(path, std::ios::app); }
  void line(const std::string& text) {
    std::cout << text << std::endl;
    if (log_) log_ << text << std::endl;
  }

 private:
  std::ofstream log_;
};

std::string seconds(Clock::duration d) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", std::chrono::duration<double>(d).count());
  return text;
}

std::string plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The model's limits of every point against the spectrum, when it can be
// read (otherwise the points' runs say what is wrong with the inputs).
std::vector<std::string> limitsBroken(const Grid& grid, const std::string& inputDir) {
  std::vector<std::string> broken;
  const std::string lam = (fs::path(inputDir) / "lam.hbook").string();
  hbook::ReadResult read;
  try {
    read = hbook::readFile(lam);
  } catch (const std::exception&) {
    return broken;
  }
  for (const hbook::Histogram& h : read.histograms) {
    if (h.id != hid::SPECTRUM) continue;
    const double longest = longestWavelength(h);
    for (const Point& p : grid.points)
      for (const std::string& m : description::checkModelLimits(p.description, longest, "lam.hbook"))
        broken.push_back("point " + std::to_string(p.number) + " (" + p.label + "):" + m);
  }
  return broken;
}

// The lock of the scan's folder, held by the scan and its points' runs
// (they inherit it): a second scan in the folder waits for them.
bool lockFolder(const std::string& dir, Report& report) {
  const int fd = open((fs::path(dir) / LOCK_FILE).c_str(), O_RDWR | O_CREAT, 0644);
  if (fd < 0) return false;
  const Clock::time_point start = Clock::now();
  bool said = false;
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (!said) report.line("Waiting for the runs of a scan that is stopping in " + dir + " to end");
    said = true;
    if (Clock::now() - start > std::chrono::duration<double>(LOCK_WAIT_SECONDS)) {
      close(fd);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return true;  // the descriptor stays open, and is inherited, to the end
}

struct Running {
  std::size_t point;
  pid_t pid;
  int jobs;
  Clock::time_point started;
};

class Scan {
 public:
  Scan(const Options& o, const Grid& g, const std::string& tarn, const std::string& dir)
      : options_(o), grid_(g), tarn_(tarn), dir_(dir) {}

  int run(const std::vector<PointFolder>& folders, const std::string& inputDir, Report& report);

 private:
  std::vector<std::string> command(const Point& p, const PointFolder& f, int jobs, const std::string& inputDir) const {
    const std::string folder = (fs::path(dir_) / p.folder).string();
    std::vector<std::string> argv = {tarn_, "--scan-point"};
    if (f.state == PointState::Resumable)
      argv.insert(argv.end(), {"--resume", folder});
    else
      argv.insert(argv.end(), {"--events", std::to_string(options_.events), "--seed", std::to_string(options_.seed),
                               "--output-dir", folder});
    argv.insert(argv.end(), {"--input-dir", inputDir, "--jobs", std::to_string(jobs)});
    if (!options_.checkpointEvery.empty()) argv.insert(argv.end(), {"--checkpoint-every", options_.checkpointEvery});
    if (!options_.beamlineFile.empty()) argv.insert(argv.end(), {"--beamline", options_.beamlineFile});
    for (const std::string& s : p.sets) argv.insert(argv.end(), {"--set", s});
    return argv;
  }
  std::string name(const Point& p) const {
    return "point " + std::to_string(p.number) + "/" + std::to_string(grid_.points.size()) + " " + p.label;
  }

  const Options& options_;
  const Grid& grid_;
  std::string tarn_;
  std::string dir_;
};

int Scan::run(const std::vector<PointFolder>& folders, const std::string& inputDir, Report& report) {
  const int slots = options_.jobs == 0 ? availableCores() : options_.jobs;
  std::vector<std::size_t> waiting;
  for (std::size_t i = 0; i < folders.size(); ++i)
    if (folders[i].state != PointState::Done) waiting.push_back(i);
  std::vector<Running> running;
  int busy = 0, signal = 0;
  std::string failure;
  std::size_t done = folders.size() - waiting.size(), stopped = 0;
  while (!running.empty() || (!waiting.empty() && signal == 0 && failure.empty())) {
    if (signal == 0 && failure.empty() && !waiting.empty() && busy < slots) {
      std::vector<std::int64_t> blocks;
      for (std::size_t i : waiting) blocks.push_back(folders[i].blocksLeft);
      const std::vector<Start> starts = pointsToStart(slots - busy, blocks);
      for (const Start& s : starts) {
        const std::size_t i = waiting[s.waiting];
        const Point& p = grid_.points[i];
        const std::string folder = (fs::path(dir_) / p.folder).string();
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (folders[i].state == PointState::Stale) clearPoint(folder);
        std::string why;
        const pid_t pid = startProcess(command(p, folders[i], s.jobs, inputDir), (fs::path(folder) / POINT_CONSOLE).string(), why);
        if (pid < 0) {
          failure = name(p) + ": " + why;
          break;
        }
        running.push_back({i, pid, s.jobs, Clock::now()});
        busy += s.jobs;
        report.line(name(p) + ": " + (folders[i].state == PointState::Resumable ? "goes on from its checkpoint" : "running") +
                    " (" + plural(static_cast<std::size_t>(s.jobs), "job", "jobs") + ")");
      }
      for (std::size_t k = starts.size(); k-- > 0;) waiting.erase(waiting.begin() + static_cast<long>(starts[k].waiting));
    }
    if (signal == 0 && pendingStopSignal() != 0) {
      signal = pendingStopSignal();
      report.line("Stopping at " + std::string(stopSignalName(signal)) + ": " +
                  plural(running.size(), "point's run is", "points' runs are") + " told to stop");
      for (const Running& r : running) kill(r.pid, signal);
    }
    int status = 0;
    const pid_t pid = waitpid(-1, &status, WNOHANG);
    if (pid <= 0) {
      std::this_thread::sleep_for(POLL_INTERVAL);
      continue;
    }
    auto it = std::find_if(running.begin(), running.end(), [pid](const Running& r) { return r.pid == pid; });
    if (it == running.end()) continue;
    const Running r = *it;
    running.erase(it);
    busy -= r.jobs;
    const Point& p = grid_.points[r.point];
    const std::string folder = (fs::path(dir_) / p.folder).string();
    if (WIFEXITED(status) && WEXITSTATUS(status) == STATUS_DONE) {
      ++done;
      report.line(name(p) + ": done in " + seconds(Clock::now() - r.started) + " (" + folder + ")");
    } else if (signal != 0) {
      ++stopped;
      report.line(name(p) + ": stopped (" + describeExit(status) + ")");
    } else if (failure.empty()) {
      failure = name(p) + " ended with " + describeExit(status) + ": see " + (fs::path(folder) / POINT_CONSOLE).string() +
                " and its run log";
      for (const Running& other : running) kill(other.pid, SIGTERM);
    }
  }
  if (!failure.empty()) {
    report.line("The scan stops: " + failure + ". " + plural(done, "point is", "points are") + " done and kept; " +
                "the same command goes on with the others once the cause is mended");
    return STATUS_SCAN_POINT_FAILED;
  }
  if (signal != 0) {
    report.line("Stopped by " + std::string(stopSignalName(signal)) + ": " + std::to_string(done) + " of " +
                std::to_string(grid_.points.size()) + " points done" +
                (stopped ? ", " + plural(stopped, "run", "runs") + " stopped (a run of several blocks keeps its checkpoint)"
                         : std::string()));
    report.line("Go on with: " + options_.command);
    return signalStatus(signal);
  }
  return STATUS_DONE;
}

// tarn-report beside tarn makes the table, plot and page.
int makeTable(const std::string& tarnProgram, const std::string& dir, Report& report) {
  const fs::path tool = fs::path(tarnProgram).parent_path() / "tarn-report";
  std::error_code ec;
  if (!fs::exists(tool, ec)) {
    report.line("The table, plot and page are made by tarn-report, which is not beside " + tarnProgram +
                " (the build makes it when python3-dev, pybind11-dev and python3-numpy are installed: bash "
                "scripts/setup-deps.sh); the points are done: run tarn-report " + dir + " once it is there");
    return STATUS_SCAN_NO_TABLE;
  }
  std::cout.flush();
  const pid_t pid = fork();
  if (pid == 0) {
    const std::string path = tool.string();
    execl(path.c_str(), path.c_str(), dir.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  while (pid > 0 && waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (pid < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    report.line("tarn-report " + dir + " ended with " + (pid < 0 ? "no process" : describeExit(status)) +
                ": the table, plot and page are not complete (the points are done)");
    return STATUS_SCAN_NO_TABLE;
  }
  return STATUS_DONE;
}

}  // namespace

int runScan(int argc, const char* const* argv, const std::string& tarnProgram) {
  CommandLine line = parseCommandLine(argc, argv, std::cout, std::cerr);
  if (line.exitStatus >= 0) return line.exitStatus;
  Options& options = line.options;
  if (!options.beamlineFile.empty()) options.beamlineFile = absolute(options.beamlineFile);
  const std::string inputDir = absolute(options.inputDir);
  const std::string dir = absolute(options.outputDir);

  const Grid grid = makeGrid(options);
  if (!grid.errors.empty()) {
    for (const std::string& e : grid.errors) std::cerr << "tarn scan: " << e << '\n';
    std::cerr << "tarn scan: the scan is refused; docs/beamline.md lists the keys, their units and limits\n";
    return STATUS_BAD_COMMAND_LINE;
  }
  const std::vector<std::string> broken = limitsBroken(grid, inputDir);
  if (!broken.empty()) {
    for (const std::string& b : broken) std::cerr << "tarn scan: " << b << '\n';
    std::cerr << "tarn scan: the scan is refused: the model's limits (docs/beamline.md)\n";
    return STATUS_INPUTS_REFUSED;
  }
  std::vector<std::pair<std::string, std::string>> inputs;
  for (const char* name : INPUT_FILES) inputs.emplace_back(name, fileDigest((fs::path(inputDir) / name).string()));
  const Manifest now = makeManifest(options, grid, inputDir, inputs);

  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) {
    std::cerr << "tarn scan: cannot create the scan's folder " << dir << ": " << ec.message() << '\n';
    return STATUS_BAD_COMMAND_LINE;
  }
  Report report;
  if (!lockFolder(dir, report)) {
    std::cerr << "tarn scan: " << dir << " is in use by another tarn scan (" << (fs::path(dir) / LOCK_FILE).string()
              << " is locked): wait for it to end, or give another --output-dir\n";
    return STATUS_BAD_COMMAND_LINE;
  }
  const std::string manifestPath = (fs::path(dir) / MANIFEST_NAME).string();
  const bool resumed = fs::exists(manifestPath, ec);
  if (resumed) {
    std::string differs;
    Manifest stored;
    try {
      stored = readManifest(manifestPath);
      differs = manifestDifference(stored, now);
    } catch (const std::runtime_error& e) {
      differs = e.what();
    }
    if (!differs.empty()) {
      std::cerr << "tarn scan: " << dir << " holds another scan: " << differs << " (" << manifestPath
                << (stored.command.empty() ? "" : ": " + stored.command) << "); give its command to go on with it, "
                << "or another --output-dir\n";
      return STATUS_BAD_COMMAND_LINE;
    }
  } else {
    for (const Point& p : grid.points)
      if (fs::exists(fs::path(dir) / p.folder, ec)) {
        std::cerr << "tarn scan: " << (fs::path(dir) / p.folder).string() << " exists, but " << dir
                  << " holds no scan.toml: give another --output-dir\n";
        return STATUS_BAD_COMMAND_LINE;
      }
    const std::string temporary = manifestPath + ".tmp";
    {
      std::ofstream out(temporary, std::ios::trunc);
      out << manifestText(now);
      if (!out.flush()) {
        std::cerr << "tarn scan: cannot write " << manifestPath << '\n';
        return STATUS_BAD_COMMAND_LINE;
      }
    }
    fs::rename(temporary, manifestPath, ec);
  }

  std::vector<PointFolder> folders;
  try {
    for (const Point& p : grid.points)
      folders.push_back(examinePoint((fs::path(dir) / p.folder).string(), p, options.events, options.seed));
  } catch (const std::runtime_error& e) {
    std::cerr << "tarn scan: " << e.what() << ": give another --output-dir\n";
    return STATUS_BAD_COMMAND_LINE;
  }

  const StopSignals stopSignals;
  report.open((fs::path(dir) / SCAN_LOG).string());
  std::string axes;
  for (const Axis& a : options.axes)
    if (a.values.size() > 1) axes += (axes.empty() ? "" : " x ") + a.key + " (" + std::to_string(a.values.size()) + ")";
  const int slots = options.jobs == 0 ? availableCores() : options.jobs;
  report.line("Scan of " + plural(grid.points.size(), "point", "points") + (axes.empty() ? "" : ": " + axes) + ", " +
              std::to_string(options.events) + " events each, seed " + std::to_string(options.seed) + ", in " + dir +
              " (" + plural(static_cast<std::size_t>(slots), "job slot", "job slots") + ")");
  if (resumed) {
    std::size_t counts[4] = {0, 0, 0, 0};
    for (const PointFolder& f : folders) ++counts[static_cast<int>(f.state)];
    report.line("Going on with the scan: " + std::to_string(counts[1]) + " done, " + std::to_string(counts[2]) +
                " to go on from their checkpoints, " + std::to_string(counts[3]) + " to run again, " +
                std::to_string(counts[0]) + " not started");
  }
  Scan scan(options, grid, tarnProgram, dir);
  const int status = scan.run(folders, inputDir, report);
  if (status != STATUS_DONE) return status;
  report.line("All " + plural(grid.points.size(), "point", "points") + " done; the table, plot and page:");
  return makeTable(tarnProgram, dir, report);
}

}  // namespace tarn::scan
