// The whole program and its event loop on the shipped inputs:
// - BM_WholeRun: start-up, 100000 events, report and histogram file
//   (console discarded), wall and CPU time per run;
// - BM_EventLoop: the event loop alone, one event per iteration, so that the
//   CPU column is the CPU time per event; a repetition is one run's 100000
//   events from a fresh start (inputs loaded, RANLUX seeded, results booked);
// - BM_PeakMemory: the program itself run as a child in a scratch directory,
//   its peak resident memory as the counter peak_kB.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "console.h"
#include "hbook.h"
#include "ranlux.h"
#include "run.h"
#include "store.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// A scratch directory with the shipped inputs, entered for the lifetime of the object.
class ScratchRunDir {
 public:
  explicit ScratchRunDir(const std::string& tag) {
    dir_ = fs::temp_directory_path() / ("tarn-" + tag + "-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (const char* name : {"lam.hbook", "gradx.hbook", "sq.hbook"})
      fs::copy_file(fs::path(TARN_DATA_DIR) / name, dir_ / name);
    previous_ = fs::current_path();
    fs::current_path(dir_);
  }
  ~ScratchRunDir() {
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }

 private:
  fs::path dir_, previous_;
};

void BM_WholeRun(benchmark::State& state) {
  ScratchRunDir dir("run-bench");
  std::ostringstream sink;
  textout::setConsole(&sink);
  int minute = 0;
  for (auto _ : state) {
    // A fresh minute for every run: the run log of a minute is never reused.
    tarn::RunOptions options;
    const int m = minute++;
    options.clock = [m] { return tarn::makeStamp(2026, 6, 1 + m / 1440, (m / 60) % 24, m % 60, 30, 250); };
    benchmark::DoNotOptimize(tarn::runTarn(options));
    sink.str("");
  }
  textout::setConsole(nullptr);
  state.SetItemsProcessed(state.iterations() * tarn::Nevents);
}

// ranNo of the regression references' run.
constexpr std::int32_t RAN_NO = 763595;

void BM_EventLoop(benchmark::State& state) {
  std::ostringstream sink;
  textout::setConsole(&sink);
  hbook::memory().clear();
  hbook::resetRndm();
  ranlux::runGenerator() = ranlux::Ranlux();
  HLIMIT(1000000);
  const std::string data = TARN_DATA_DIR;
  HRGET(100, data + "/lam.hbook", "");
  HRGET(151, data + "/gradx.hbook", "");
  HRGET(152, data + "/gradx.hbook", "");
  HRGET(301, data + "/sq.hbook", "");
  ranlux::RLUXGO(3, RAN_NO, 0, 0);
  tarn::bookResultHistograms();
  tarn::RunState run;
  std::int32_t event = 1;
  for (auto _ : state) tarn::runEvent(event++, run);
  textout::setConsole(nullptr);
  state.counters["detected"] = run.counters.nDetIn;
  state.SetItemsProcessed(state.iterations());
  hbook::memory().clear();
}

void BM_PeakMemory(benchmark::State& state) {
  long peakKb = 0;
  for (auto _ : state) {
    ScratchRunDir dir("memory-bench");
    const char* argv[] = {TARN_PROGRAM, nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, TARN_PROGRAM, &quiet, nullptr, const_cast<char**>(argv), environ) != 0) {
      state.SkipWithError("cannot start " TARN_PROGRAM);
      break;
    }
    posix_spawn_file_actions_destroy(&quiet);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("the run failed");
      break;
    }
    if (usage.ru_maxrss > peakKb) peakKb = usage.ru_maxrss;
  }
  state.counters["peak_kB"] = static_cast<double>(peakKb);
}

}  // namespace

BENCHMARK(BM_WholeRun)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_EventLoop)->Unit(benchmark::kNanosecond)->Iterations(tarn::Nevents)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_PeakMemory)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
