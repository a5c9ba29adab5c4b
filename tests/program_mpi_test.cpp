// Runs on two ranks under the MPI launcher: reproducible, one log and one
// histogram file, statistically the same as a run in one process, and
// stopped cleanly by a signal. Built only when CMake finds MPI.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <thread>

#include "support/programrunner.h"
#include "transport/run/checkpoint.h"
#include "transport/run/runrecord.h"

using namespace testsupport;

namespace {

const std::string TARN = TARN_PROGRAM, DATA = TARN_DATA_DIR;
// The launcher, allowed to run as root (CI does) and to start more ranks than cores.
// In the sanitizer build the ranks' leak check passes over what Open MPI
// keeps to the end (tests/data/mpi/lsan.supp; whole stacks are needed to
// see it); other programs ignore these variables.
std::string mpirun(int ranks) {
  setenv("OMPI_ALLOW_RUN_AS_ROOT", "1", 1);
  setenv("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM", "1", 1);
  const char* asan = std::getenv("ASAN_OPTIONS");
  setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":fast_unwind_on_malloc=0").c_str(), 1);
  setenv("LSAN_OPTIONS", ("suppressions=" + std::string(TARN_TEST_DATA) + "/mpi/lsan.supp:print_suppressions=0").c_str(), 1);
  return std::string(TARN_MPIEXEC) + " --oversubscribe -np " + std::to_string(ranks) + " ";
}
constexpr int EVENTS = 200000;

struct RunFiles {
  tarn::RunRecord record;
  hbook::ReadResult histograms;
};

RunFiles readRun(const fs::path& dir) {
  RunFiles r;
  r.record = tarn::readRunRecord(onlyFile(dir, ".o").string());
  r.histograms = hbook::readFile(onlyFile(dir, ".hbook").string());
  return r;
}

const hbook::Histogram& histogram(const hbook::ReadResult& file, int id) {
  for (const hbook::Histogram& h : file.histograms)
    if (h.id == id) return h;
  throw std::runtime_error("no histogram " + std::to_string(id));
}

// Two Poisson counts of equal expectation differ by less than 5 sigma.
void expectConsistent(double a, double b, const std::string& what) {
  EXPECT_LE(std::fabs(a - b), 5.0 * std::sqrt(a + b) + 1e-9) << what << ": " << a << " vs " << b;
}

class TwoRanks : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new testsupport::ScratchDir("mpi");
    const std::string run = " --events " + std::to_string(EVENTS) + " --input-dir " + DATA + " --output-dir ";
    // Seed 7 on 2 ranks, and on 3 ranks: more ranks than the run's 2 blocks.
    outcomes_.push_back(runCommand(dir_->path(), mpirun(2) + TARN + run + "first --seed 7"));
    outcomes_.push_back(runCommand(dir_->path(), mpirun(3) + TARN + run + "second --seed 7"));
    outcomes_.push_back(runCommand(dir_->path(), TARN + run + "single --seed 8"));
    outcomes_.push_back(runCommand(dir_->path(), TARN + run + "one --seed 7"));
  }
  static void TearDownTestSuite() { delete dir_; }
  static testsupport::ScratchDir* dir_;
  static std::vector<Outcome> outcomes_;
};
testsupport::ScratchDir* TwoRanks::dir_ = nullptr;
std::vector<Outcome> TwoRanks::outcomes_;

}  // namespace

TEST_F(TwoRanks, OneLogOneFileAndTheContentsOfOneProcessOnAnyNumberOfRanks) {
  for (const Outcome& o : outcomes_) ASSERT_EQ(o.status, 0) << o.out << o.err;
  const RunFiles first = readRun(dir_->path() / "first"), second = readRun(dir_->path() / "second");
  for (const char* out : {"first", "second"}) {
    const auto kinds = filesByKind(dir_->path() / out);
    EXPECT_EQ(kinds.size(), 2u) << out;
    EXPECT_EQ(kinds.at(".o"), 1);
    EXPECT_EQ(kinds.at(".hbook"), 1);
  }
  EXPECT_EQ(first.record.ranks, 2);
  EXPECT_TRUE(first.record.rndmSampler);  // block 0, on rank 0
  EXPECT_EQ(first.record.run.blocks().text(), "0-1");
  EXPECT_EQ(first.record.totals.nEvents, EVENTS);
  const RunFiles one = readRun(dir_->path() / "one");
  for (const RunFiles* other : {&second, &one}) {
    ASSERT_EQ(first.histograms.histograms.size(), other->histograms.histograms.size());
    for (std::size_t k = 0; k < first.histograms.histograms.size(); ++k) {
      const hbook::Histogram &a = first.histograms.histograms[k], &b = other->histograms.histograms[k];
      EXPECT_EQ(a.id, b.id);
      EXPECT_EQ(a.entries, b.entries) << a.id;
      EXPECT_EQ(std::bit_cast<std::uint32_t>(a.statSumW), std::bit_cast<std::uint32_t>(b.statSumW)) << a.id;
      EXPECT_EQ(std::bit_cast<std::uint64_t>(a.statSumWX), std::bit_cast<std::uint64_t>(b.statSumWX)) << a.id;
      ASSERT_EQ(a.channels.size(), b.channels.size()) << a.id;
      for (std::size_t c = 0; c < a.channels.size(); ++c)
        ASSERT_EQ(std::bit_cast<std::uint32_t>(a.channels[c]), std::bit_cast<std::uint32_t>(b.channels[c])) << a.id;
    }
    const std::string exact = first.record.text.substr(first.record.text.find(" Exact counts:"));
    EXPECT_EQ(exact.substr(0, exact.find('\n')),
              other->record.text.substr(other->record.text.find(" Exact counts:"), exact.find('\n')));
  }
  // Rank 0 alone printed the report: one set of start lines and figures.
  const std::string& console = outcomes_[0].out;
  EXPECT_EQ(console.find("Nevents:"), console.rfind("Nevents:"));
  EXPECT_NE(console.find(" input       200000\n"), std::string::npos);
  EXPECT_NE(console.find(" Ranks            2"), std::string::npos);
  // Counters added over the ranks agree with the summed histograms.
  EXPECT_EQ(histogram(first.histograms, 3001).entries, first.record.totals.counters.nDetIn);
  EXPECT_EQ(histogram(first.histograms, 4012).entries, first.record.totals.counters.nTar1In);
  EXPECT_EQ(histogram(first.histograms, 5012).entries, first.record.totals.counters.nTar2In);
}

TEST_F(TwoRanks, AgreesWithARunInOneProcessWithinFiveSigma) {
  for (const Outcome& o : outcomes_) ASSERT_EQ(o.status, 0) << o.out << o.err;
  const RunFiles two = readRun(dir_->path() / "first"), one = readRun(dir_->path() / "single");
  const tarn::Counters &a = two.record.totals.counters, &b = one.record.totals.counters;
  expectConsistent(a.nTar1In, b.nTar1In, "tar1 in");
  expectConsistent(a.nTar2In, b.nTar2In, "tar2 in");
  expectConsistent(a.nDetIn, b.nDetIn, "det in");
  expectConsistent(a.nScatAtDet, b.nScatAtDet, "scattered at the detector");
  expectConsistent(two.record.totals.counters.nLowEnergy, b.nLowEnergy, "En < 1 meV");
  // The main detector histograms, bin by bin (the bins of a histogram pooled
  // in fours so that most hold enough entries to be Gaussian).
  for (const int id : {3001, 3002, 3005, 4005, 3006, 3007}) {
    const hbook::Histogram &x = histogram(two.histograms, id), &y = histogram(one.histograms, id);
    ASSERT_EQ(x.channels.size(), y.channels.size());
    for (std::size_t c = 0; c < x.channels.size(); c += 4) {
      double sx = 0, sy = 0;
      for (std::size_t k = c; k < c + 4 && k < x.channels.size(); ++k) {
        sx += x.channels[k];
        sy += y.channels[k];
      }
      expectConsistent(sx, sy, "histogram " + std::to_string(id) + " channels from " + std::to_string(c));
    }
  }
}

TEST(TwoRanksStopped, ASignalToTheLauncherStopsTheRanksTogetherAndTheRunGoesOn) {
  testsupport::ScratchDir dir("mpi-stop");
  // 80 blocks, 40 rounds of the two ranks, 10 meetings: the signal, sent
  // after the first checkpoint (the first meeting), has 9 meetings to reach
  // the ranks before the last, on a fast machine too (with 4e6 the ranks
  // sometimes finished first).
  const std::string command = "exec " + mpirun(2) + TARN + " --events 8e6 --seed 3 --input-dir " + DATA +
                              " --output-dir out --checkpoint-every 0 > out.txt 2> err.txt";
  const pid_t launcher = fork();
  if (launcher == 0) {
    if (chdir(dir.path().c_str()) != 0) _exit(127);
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(launcher, 0);
  // Until the first checkpoint is there (at most 60 s: a sanitizer build on a busy machine).
  for (int i = 0; i < 600 && !fs::exists(dir.path() / "out" / "h3.checkpoint"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  kill(launcher, SIGTERM);
  int status = 0;
  ASSERT_EQ(waitpid(launcher, &status, 0), launcher);
  EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const std::string log = testsupport::readText(onlyFile(dir.path() / "out", ".o"));
  EXPECT_NE(log.find(" Interrupted by SIGTERM"), std::string::npos) << log;
  EXPECT_NE(log.find(" Partial histogram file out/h3.partial.hbook: blocks 0-"), std::string::npos) << log;
  EXPECT_TRUE(fs::exists(dir.path() / "out" / "h3.checkpoint"));
  // Only the log, the checkpoint and the partial file: no temporary file.
  EXPECT_EQ(filesByKind(dir.path() / "out").size(), 3u);
  // The checkpoint holds the blocks the partial file says, and the ranks
  // left none half added.
  const tarn::Checkpoint c = tarn::readCheckpoint((dir.path() / "out" / "h3.checkpoint").string());
  EXPECT_EQ(c.run.get("events"), "8000000");
  EXPECT_NE(log.find(": blocks " + c.done.blocks().text() + ", "), std::string::npos) << c.done.blocks().text();
  for (const tarn::HistogramSums& h : c.done.histograms())
    if (h.id == 3001) {
      EXPECT_EQ(h.entries, c.done.counters.nDetIn);  // filled once per detected neutron
    }
  // Worker processes instead of ranks go on with the blocks the checkpoint
  // lacks (more ranks than cores would crowd this machine).
  const Outcome resumed = runCommand(dir.path(), TARN + " --resume out --jobs 2");
  ASSERT_EQ(resumed.status, 0) << resumed.out << resumed.err;
  EXPECT_NE(resumed.out.find("Resumed from out/h3.checkpoint: blocks " + c.done.blocks().text() + " done"),
            std::string::npos)
      << resumed.out;
  EXPECT_FALSE(fs::exists(dir.path() / "out" / "h3.checkpoint"));
  for (const auto& entry : fs::directory_iterator(dir.path() / "out")) {
    if (entry.path().extension() != ".o" || testsupport::readText(entry.path()).find("Resumed") == std::string::npos)
      continue;
    const tarn::RunRecord last = tarn::readRunRecord(entry.path().string());
    EXPECT_EQ(last.totals.nEvents, 8000000);
    EXPECT_EQ(last.run.blocks().text(), "0-79");
  }
}

// --ntuple on ranks: the rows of every rank's blocks in event order, the file
// of the run in one process object for object and value for value.
TEST(TwoRanksNtuple, TheRowsOfEveryRankInEventOrder) {
  testsupport::ScratchDir dir("mpi-ntuple");
  const std::string run = " --events " + std::to_string(EVENTS) + " --seed 7 --input-dir " + DATA +
                          " --ntuple scattered --output-dir ";
  const Outcome ranks = runCommand(dir.path(), mpirun(2) + TARN + run + "ranks");
  ASSERT_EQ(ranks.status, 0) << ranks.err;
  const Outcome one = runCommand(dir.path(), TARN + run + "one");
  ASSERT_EQ(one.status, 0) << one.err;
  auto dumped = [&](const char* sub) {
    const std::string out = runCommand(dir.path(), std::string(HBOOK_PROGRAM) + " dump --all " + sub + "/h7.hbook").out;
    return out.substr(std::min(out.find('\n'), out.size()));
  };
  EXPECT_NE(dumped("one").find("Scattered neutrons at the detector"), std::string::npos);
  EXPECT_EQ(dumped("ranks"), dumped("one"));
}

// Worker processes and several ranks are one or the other: --jobs (a number
// or auto) on two ranks is refused (each rank ends with status 2, the
// launcher with a status not 0), said once by rank 0, and nothing is written.
TEST(TwoRanksRefused, JobsOnSeveralRanksIsRefusedOnce) {
  testsupport::ScratchDir dir("mpi-jobs");
  for (const char* jobs : {"2", "auto"}) {
    const Outcome o = runCommand(dir.path(), mpirun(2) + TARN + " --events 1000 --jobs " + jobs + " --input-dir " +
                                                 DATA + " --output-dir out");
    EXPECT_NE(o.status, 0) << jobs;
    const std::string said =
        "tarn: --jobs with 2 MPI ranks: give the ranks, or the jobs of one process, not both (see tarn --help)\n";
    const auto first = o.err.find(said);
    ASSERT_NE(first, std::string::npos) << o.err;
    EXPECT_EQ(o.err.find(said, first + 1), std::string::npos) << "said once: " << o.err;
    EXPECT_FALSE(fs::exists(dir.path() / "out")) << jobs;
  }
}
