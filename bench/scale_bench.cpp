// Runs at scale, through the built program as a user starts it:
// - BM_EventsPerSecond/ranks:K (K = 0: tarn started plainly; K >= 1: under
//   the MPI launcher with K ranks): a run of EVENTS events; the wall time per
//   run, the counter events_per_s (events over the wall time, start-up and
//   the adding up of the ranks included), startup_s (the wall time of a run
//   of 1000 events the same way: launcher, MPI start-up, reading the inputs,
//   adding up the ranks, writing the file) and after_startup_per_s (events
//   over the wall time less startup_s: the rate of a long run);
// - BM_Jobs/jobs:J: a run of JOBS_EVENTS events with --jobs J (1: in one
//   process), the wall time and events_per_s;
// - BM_PeakMemory/events:N: the peak resident memory (peak_kB) of a run of N
//   events in one process, measured by peak_rss, to show that it does not
//   grow with the number of events.
// Each run goes to a fresh output directory under a scratch directory.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr long EVENTS = 4000000;

class Scratch {
 public:
  Scratch() {
    dir_ = fs::temp_directory_path() / ("tarn-scale-bench-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    setenv("OMPI_ALLOW_RUN_AS_ROOT", "1", 1);
    setenv("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM", "1", 1);
  }
  ~Scratch() { fs::remove_all(dir_); }
  // A new output directory for one run.
  std::string fresh() { return (dir_ / ("run" + std::to_string(runs_++))).string(); }

 private:
  fs::path dir_;
  int runs_ = 0;
};

// The command that runs tarn with `ranks` ranks (0: no launcher).
std::string tarnCommand(int ranks, long events, const std::string& out) {
  std::string launcher;
  if (ranks > 0) launcher = std::string(TARN_MPIEXEC) + " --oversubscribe -np " + std::to_string(ranks) + " ";
  return launcher + TARN_PROGRAM + " --events " + std::to_string(events) + " --seed 1 --input-dir " + TARN_DATA_DIR +
         " --output-dir " + out + " > /dev/null";
}

// Wall seconds of a command; negative if it fails.
double wallSeconds(const std::string& command) {
  const auto start = std::chrono::steady_clock::now();
  const int status = std::system(command.c_str());
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? s : -1.0;
}

void BM_EventsPerSecond(benchmark::State& state) {
  const int ranks = static_cast<int>(state.range(0));
  if (ranks > 0 && std::string(TARN_MPIEXEC).empty()) {
    state.SkipWithError("built without MPI");
    return;
  }
  Scratch scratch;
  const double startup = wallSeconds(tarnCommand(ranks, 1000, scratch.fresh()));
  double total = 0.0;
  for (auto _ : state) {
    const double s = wallSeconds(tarnCommand(ranks, EVENTS, scratch.fresh()));
    if (s < 0 || startup < 0) {
      state.SkipWithError("the run failed");
      return;
    }
    state.SetIterationTime(s);
    total += s;
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["events_per_s"] = static_cast<double>(EVENTS) * runs / total;
  state.counters["after_startup_per_s"] = static_cast<double>(EVENTS) * runs / (total - runs * startup);
  state.counters["startup_s"] = startup;
}

constexpr long JOBS_EVENTS = 20000000;

void BM_Jobs(benchmark::State& state) {
  Scratch scratch;
  for (auto _ : state) {
    const double s = wallSeconds(std::string(TARN_PROGRAM) + " --events " + std::to_string(JOBS_EVENTS) +
                                 " --seed 1 --jobs " + std::to_string(state.range(0)) + " --input-dir " +
                                 TARN_DATA_DIR + " --output-dir " + scratch.fresh() + " > /dev/null");
    if (s < 0) {
      state.SkipWithError("the run failed");
      return;
    }
    state.SetIterationTime(s);
    state.counters["events_per_s"] = static_cast<double>(JOBS_EVENTS) / s;
  }
}

void BM_PeakMemory(benchmark::State& state) {
  Scratch scratch;
  long peakKb = 0;
  for (auto _ : state) {
    const std::string command =
        std::string(TARN_PEAK_RSS) + " " + TARN_PROGRAM + " --events " + std::to_string(state.range(0)) +
        " --seed 1 --input-dir " + TARN_DATA_DIR + " --output-dir " + scratch.fresh();
    std::FILE* out = popen(command.c_str(), "r");
    long kb = 0;
    if (!out || std::fscanf(out, "%ld", &kb) != 1) kb = 0;
    if (out && pclose(out) != 0) kb = 0;
    if (kb == 0) {
      state.SkipWithError("the run failed");
      return;
    }
    if (kb > peakKb) peakKb = kb;
  }
  state.counters["peak_kB"] = static_cast<double>(peakKb);
}

}  // namespace

BENCHMARK(BM_EventsPerSecond)->ArgName("ranks")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_Jobs)->ArgName("jobs")->Arg(1)->Arg(2)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_PeakMemory)->ArgName("events")->Arg(100000)->Arg(10000000)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
