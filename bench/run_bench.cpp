// The whole program: a run of 100000 events on the shipped inputs, start-up,
// event loop, report and histogram file included (console discarded).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "console.h"
#include "run.h"

namespace fs = std::filesystem;

static void BM_WholeRun(benchmark::State& state) {
  const fs::path dir = fs::temp_directory_path() / "tarn-run-bench";
  fs::remove_all(dir);
  fs::create_directories(dir);
  for (const char* name : {"lam.hbook", "gradx.hbook", "sq.hbook"})
    fs::copy_file(fs::path(TARN_DATA_DIR) / name, dir / name);
  const fs::path previous = fs::current_path();
  fs::current_path(dir);
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
  fs::current_path(previous);
  fs::remove_all(dir);
  state.SetItemsProcessed(state.iterations() * tarn::Nevents);
}
BENCHMARK(BM_WholeRun)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)->ReportAggregatesOnly(true);
