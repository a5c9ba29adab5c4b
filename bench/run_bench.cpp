// The whole program and its event loop on the shipped inputs:
// - BM_WholeRun: start-up, 100000 events, report and histogram file
//   (console discarded), wall and CPU time per run;
// - BM_EventLoop: the event loop alone, one event per iteration, so that the
//   CPU column is the CPU time per event; a repetition is one run's 100000
//   events from a fresh start (inputs loaded, RANLUX seeded, results booked);
// - BM_PeakMemory: the program, with the clock of the regression references
//   (fixed_clock_run.cpp), run through peak_rss in a scratch directory; its
//   peak resident memory as the counter peak_kB (the largest of the
//   iterations; the same run every time).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "ranlux/ranlux.h"
#include "textout/console.h"
#include "transport/event/catalogue.h"
#include "transport/event/eventloop.h"
#include "transport/event/runstate.h"
#include "transport/run/freshstart.h"
#include "transport/run/main_RU.h"
#include "transport/run/runoptions.h"
#include "transport/run/runstamp.h"

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
  tarn::startFresh();  // a fresh process
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

// The program's peak resident memory (kB), measured by peak_rss in a
// scratch directory with the shipped inputs; 0 if it fails.
long peakOfOneRun() {
  ScratchRunDir dir("memory-bench");
  const std::string command = std::string(TARN_PEAK_RSS) + " " + TARN_PROGRAM;
  std::FILE* out = popen(command.c_str(), "r");
  if (!out) return 0;
  long kb = 0;
  if (std::fscanf(out, "%ld", &kb) != 1) kb = 0;
  return pclose(out) == 0 ? kb : 0;
}

void BM_PeakMemory(benchmark::State& state) {
  long peakKb = 0;
  for (auto _ : state) {
    const long kb = peakOfOneRun();
    if (kb == 0) {
      state.SkipWithError("the run failed");
      break;
    }
    if (kb > peakKb) peakKb = kb;
  }
  state.counters["peak_kB"] = static_cast<double>(peakKb);
}

}  // namespace

BENCHMARK(BM_WholeRun)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_EventLoop)->Unit(benchmark::kNanosecond)->Iterations(tarn::Nevents)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_PeakMemory)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
