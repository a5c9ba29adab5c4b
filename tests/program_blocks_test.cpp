// A run of N events with seed S gives the same histogram file and the same
// exact counts however it is made: in one process, by --jobs 2 or 3, by
// three job-array tasks added with hbook merge (with an ntuple's rows in
// block order; another beamline refused), and stopped by SIGTERM
// twice (or SIGKILL) and resumed with another number of jobs. N is not a
// multiple of the block size. Also: checkpoints that are damaged, foreign or
// of another run are refused with a message, and a worker that dies stops
// the run, keeping what was done.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "hbook/memory/ntuplebuilder.h"
#include "hbook/rz/writer.h"
#include "support/programrunner.h"
#include "transport/run/checkpoint.h"
#include "transport/run/runrecord.h"

using namespace testsupport;

namespace {

const std::string TARN = TARN_PROGRAM, SUMMARY = TARN_SUMMARY_PROGRAM, HBOOK = HBOOK_PROGRAM;
const std::string DATA = TARN_DATA_DIR;
const std::string RUN = " --events 1250000 --seed 41 --input-dir " + DATA;  // 13 blocks, the last one of 50000

// Every word of every histogram of a file, as read back (the file's date
// words aside, which say when it was written).
std::string histogramWords(const fs::path& file) {
  std::ostringstream out;
  for (const hbook::Histogram& h : hbook::readFile(file.string()).histograms) {
    out << h.id << ' ' << h.title << ' ' << h.nx << ' ' << std::bit_cast<std::uint32_t>(h.xmin) << ' '
        << std::bit_cast<std::uint32_t>(h.xmax) << ' ' << h.kbits << ' ' << std::bit_cast<std::uint32_t>(h.minimum)
        << ' ' << std::bit_cast<std::uint32_t>(h.maximum) << ' ' << std::bit_cast<std::uint32_t>(h.norm) << ' '
        << h.entries << ' ' << std::bit_cast<std::uint32_t>(h.statSumW) << ' '
        << std::bit_cast<std::uint32_t>(h.statSumW2) << ' ' << std::bit_cast<std::uint64_t>(h.statSumWX) << ' '
        << std::bit_cast<std::uint64_t>(h.statSumWX2) << ' ' << h.markedAsRead << ':';
    for (float c : h.channels) out << ' ' << std::bit_cast<std::uint32_t>(c);
    for (float c : h.sumw2) out << ' ' << std::bit_cast<std::uint32_t>(c);
    out << '\n';
  }
  return out.str();
}

std::string exactCounts(const fs::path& dir) {
  for (const std::string& line : lines(readText(onlyFile(dir, ".o"))))
    if (line.rfind(" Exact counts:", 0) == 0) return line;
  return "";
}

// The run in one process, made once for every test.
class Blocks : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new ScratchDir("blocks");
    const Outcome o = runCommand(dir_->path(), TARN + RUN + " --output-dir one");
    ASSERT_EQ(o.status, 0) << o.err;
    words_ = histogramWords(dir_->path() / "one" / "h41.hbook");
    counts_ = exactCounts(dir_->path() / "one");
  }
  static void TearDownTestSuite() { delete dir_; }
  const fs::path& dir() const { return dir_->path(); }
  void expectTheRunsFile(const fs::path& file) const {
    EXPECT_EQ(histogramWords(file), words_) << file;
  }

  static ScratchDir* dir_;
  static std::string words_, counts_;
};
ScratchDir* Blocks::dir_ = nullptr;
std::string Blocks::words_, Blocks::counts_;

}  // namespace

TEST_F(Blocks, WorkerProcessesGiveTheSameFileAndCounts) {
  ASSERT_NE(counts_, "");
  for (const char* jobs : {"2", "3"}) {
    const fs::path out = dir() / (std::string("jobs") + jobs);
    const Outcome o = runCommand(dir(), TARN + RUN + " --jobs " + jobs + " --output-dir " + out.string());
    ASSERT_EQ(o.status, 0) << o.err;
    expectTheRunsFile(out / "h41.hbook");
    EXPECT_EQ(exactCounts(out), counts_) << jobs;
    // One report: the first-event notices once, in the log as in one process.
    const std::string log = readText(onlyFile(out, ".o"));
    EXPECT_EQ(log.find("No x gradient"), log.rfind("No x gradient"));
    EXPECT_NE(log.find("No x gradient"), std::string::npos);
    EXPECT_NE(o.out.find(std::string(" Jobs            ") + jobs), std::string::npos) << o.out;
  }
}

TEST_F(Blocks, JobArrayTasksMergedGiveTheSameFileAndSummary) {
  const std::string tasks[3] = {"0-4", "5-11", "12"};
  std::string files, logs;
  for (int t = 0; t < 3; ++t) {
    const fs::path out = dir() / ("task" + std::to_string(t));
    const Outcome o = runCommand(dir(), TARN + RUN + " --blocks " + tasks[t] + " --output-dir " + out.string());
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find(" Blocks " + tasks[t] + " of the run's 0-12"), std::string::npos) << o.out;
    files = " " + (out / "h41.hbook").string() + files;  // in any order
    logs += " " + onlyFile(out, ".o").string();
  }
  const Outcome merged = runCommand(dir(), HBOOK + " merge merged.hbook" + files);
  ASSERT_EQ(merged.status, 0) << merged.err;
  expectTheRunsFile(dir() / "merged.hbook");
  EXPECT_NE(merged.out.find("the whole run"), std::string::npos) << merged.out;

  // tarn-summary of the tasks' logs: the one run's report.
  const Outcome summary = runCommand(dir(), SUMMARY + logs);
  ASSERT_EQ(summary.status, 0) << summary.err;
  const std::string oneLog = readText(onlyFile(dir() / "one", ".o"));
  const tarn::RunRecord one = tarn::runRecordFromText("one", oneLog);
  for (const textout::Line& line : tarn::figureLines(one.totals, false))
    EXPECT_NE(summary.out.find(line.str() + "\n"), std::string::npos) << line.str() << "\n" << summary.out;
  EXPECT_NE(summary.out.find(" input      1250000\n"), std::string::npos) << summary.out;

  // A gap, an overlap, a file given twice: refused, naming the blocks.
  const std::string task0 = (dir() / "task0" / "h41.hbook").string(), task2 = (dir() / "task2" / "h41.hbook").string();
  Outcome refused = runCommand(dir(), HBOOK + " merge gap.hbook " + task0 + " " + task2);
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("blocks 5-11 of the run"), std::string::npos) << refused.err;
  EXPECT_FALSE(fs::exists(dir() / "gap.hbook"));
  refused = runCommand(dir(), HBOOK + " merge twice.hbook " + task0 + " " + task0);
  EXPECT_NE(refused.err.find("is given twice"), std::string::npos) << refused.err;
  refused = runCommand(dir(), HBOOK + " merge overlap.hbook " + task0 + " " + (dir() / "one" / "h41.hbook").string());
  EXPECT_NE(refused.err.find("both hold blocks 0-4 of seed 41"), std::string::npos) << refused.err;
  refused = runCommand(dir(), SUMMARY + " " + onlyFile(dir() / "task0", ".o").string());
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("blocks 5-12 of the run"), std::string::npos) << refused.err;
  // Part of the run, when asked for: a file that later merges with the rest.
  ASSERT_EQ(runCommand(dir(), HBOOK + " merge --incomplete part.hbook " + task0 + " " + task2).status, 0);
  ASSERT_EQ(runCommand(dir(), HBOOK + " merge whole.hbook part.hbook " + (dir() / "task1" / "h41.hbook").string()).status, 0);
  expectTheRunsFile(dir() / "whole.hbook");

  // The tasks' files with an ntuple after their histograms, as a program
  // writes one: the histograms add up as before, the rows follow the blocks,
  // and the merged file reads as the run's made in one go with its rows.
  // The file of the run made in one go with the rows of every task: what the
  // merge must give, every object and value.
  auto withNtuple = [&](const fs::path& from, const fs::path& to, const std::vector<int>& taskOfRow) {
    const hbook::ReadResult r = hbook::readFile(from.string());
    hbook::NtupleBuilder nt(1000, "Detected neutrons");
    nt.block("DET", "task:I");
    for (int t : taskOfRow) {
      nt.setInteger(0, t);
      nt.fill();
    }
    std::vector<hbook::Histogram> hs = r.histograms;
    std::vector<const hbook::Histogram*> list;
    for (hbook::Histogram& h : hs) {
      h.readFromFile = h.markedAsRead;
      list.push_back(&h);
    }
    fs::create_directories(to.parent_path());
    return hbook::writeFile(to.string(), list, {&nt.ntuple()}, hbook::WriteOptions{});
  };
  std::string withRows;
  for (int t = 0; t < 3; ++t) {
    const fs::path file = dir() / ("rows" + std::to_string(t)) / "h41.hbook";
    ASSERT_TRUE(withNtuple(dir() / ("task" + std::to_string(t)) / "h41.hbook", file, std::vector<int>(t + 1, t)));
    withRows = " " + file.string() + withRows;
  }
  ASSERT_TRUE(withNtuple(dir() / "one" / "h41.hbook", dir() / "onerows" / "h41.hbook", {0, 1, 1, 2, 2, 2}));
  const Outcome rows = runCommand(dir(), HBOOK + " merge rows.hbook" + withRows);
  ASSERT_EQ(rows.status, 0) << rows.err;
  EXPECT_NE(rows.out.find("ntuples, rows concatenated: 1000"), std::string::npos) << rows.out;
  expectTheRunsFile(dir() / "rows.hbook");
  auto dumped = [&](const std::string& file) {  // the file's name aside
    const std::string out = runCommand(dir(), HBOOK + " dump --all " + file).out;
    return out.substr(std::min(out.find('\n'), out.size()));
  };
  EXPECT_EQ(dumped("rows.hbook"), dumped("onerows/h41.hbook"));
  EXPECT_NE(dumped("rows.hbook").find("ENTRIES            6"), std::string::npos);
  // One file without it: refused, naming the file and the ntuple.
  refused = runCommand(dir(), HBOOK + " merge norows.hbook " + (dir() / "rows0" / "h41.hbook").string() + " " +
                                  (dir() / "task1" / "h41.hbook").string() + " " + task2);
  EXPECT_NE(refused.err.find("holds no column-wise ntuple 1000"), std::string::npos) << refused.err;

  // A task of the run on another beamline: refused, naming the value.
  const fs::path other = dir() / "otherbeamline";
  ASSERT_EQ(runCommand(dir(), TARN + RUN + " --blocks 12 --set cells.length=30 --output-dir " + other.string()).status, 0);
  refused = runCommand(dir(), HBOOK + " merge beamlines.hbook " + task0 + " " + (dir() / "task1" / "h41.hbook").string() +
                                  " " + (other / "h41.hbook").string());
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("are runs of different beamlines: cells.length = 41.6 cm (shipped) in "), std::string::npos) << refused.err;
  EXPECT_FALSE(fs::exists(dir() / "beamlines.hbook"));
}

TEST_F(Blocks, StoppedTwiceAndResumedWithOtherJobsGivesTheSameFile) {
  const fs::path out = dir() / "stopped";
  fs::create_directories(out);
  // Stopped once in one process, once with two jobs, finished with three.
  pid_t pid = startCommand(out, TARN + RUN + " --checkpoint-every 0");
  ASSERT_TRUE(appears(out / "h41.checkpoint"));
  kill(pid, SIGTERM);
  EXPECT_EQ(waitFor(pid), 143);
  ASSERT_TRUE(fs::exists(out / "h41.partial.hbook"));
  const tarn::Checkpoint first = tarn::readCheckpoint((out / "h41.checkpoint").string());
  // The partial file holds the blocks done, and says so in its record.
  const std::string log = readText(onlyFile(out, ".o"));
  EXPECT_NE(log.find(" Partial histogram file h41.partial.hbook: blocks " + first.done.blocks().text()),
            std::string::npos)
      << log;

  fs::remove(out / "out.txt");
  const fs::file_time_type before = fs::last_write_time(out / "h41.checkpoint");
  pid = startCommand(out, TARN + " --resume . --jobs 2 --checkpoint-every 0");
  for (int i = 0; i < 3000 && fs::last_write_time(out / "h41.checkpoint") == before; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  kill(pid, SIGTERM);
  const int second = waitFor(pid);
  ASSERT_TRUE(second == 143 || second == 0) << second << readText(out / "err.txt");

  const Outcome last = runCommand(out, TARN + " --resume . --jobs 3");
  if (second == 143) {
    ASSERT_EQ(last.status, 0) << last.err;
    EXPECT_NE(last.out.find("Resumed from "), std::string::npos);
  }
  expectTheRunsFile(out / "h41.hbook");
  // The checkpoint and the partial file have done their work.
  EXPECT_FALSE(fs::exists(out / "h41.checkpoint"));
  EXPECT_FALSE(fs::exists(out / "h41.partial.hbook"));
  // The last log holds the exact counts of the whole run.
  bool found = false;
  for (const auto& entry : fs::directory_iterator(out))
    if (entry.path().extension() == ".o") found = found || readText(entry.path()).find(counts_) != std::string::npos;
  EXPECT_TRUE(found);
}

TEST_F(Blocks, KilledAtARandomMomentAndResumedGivesTheSameFile) {
  const fs::path out = dir() / "killed";
  fs::create_directories(out);
  std::random_device random;
  const int delay = 150 + static_cast<int>(random() % 900);  // ms into a run of about a second
  const pid_t pid = startCommand(out, TARN + RUN + " --checkpoint-every 0");
  std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  kill(pid, SIGKILL);
  waitFor(pid);
  const Outcome resumed = runCommand(out, TARN + " --resume . --jobs 2");
  if (resumed.err.find("holds no checkpoint") != std::string::npos) {
    // Killed before its first checkpoint: nothing to go on with.
    EXPECT_EQ(resumed.status, 2);
    return;
  }
  ASSERT_EQ(resumed.status, 0) << "killed after " << delay << " ms: " << resumed.err;
  const fs::path final = fs::exists(out / "h41.hbook") ? out / "h41.hbook" : out / "h41-1.hbook";
  expectTheRunsFile(final);
}

TEST_F(Blocks, CheckpointsThatAreDamagedForeignOrOfAnotherRunAreRefused) {
  const fs::path out = dir() / "refusals";
  fs::create_directories(out);
  const pid_t pid = startCommand(out, TARN + RUN + " --checkpoint-every 0");
  ASSERT_TRUE(appears(out / "h41.checkpoint"));
  kill(pid, SIGTERM);
  ASSERT_EQ(waitFor(pid), 143);
  const fs::path checkpoint = out / "h41.checkpoint";
  const std::string good = readText(checkpoint);

  auto refusedWith = [&](const std::string& contents, const std::string& args) {
    std::ofstream(checkpoint, std::ios::binary | std::ios::trunc) << contents;
    const auto filesBefore = filesByKind(out);
    const Outcome o = runCommand(out, TARN + " --resume . " + args);
    EXPECT_EQ(o.status, 2) << args;
    EXPECT_EQ(filesByKind(out), filesBefore);  // nothing made, nothing replaced
    EXPECT_EQ(readText(checkpoint), contents);
    return o.err;
  };
  EXPECT_NE(refusedWith(good.substr(0, good.size() / 2), "").find("is truncated"), std::string::npos);
  std::string edited = good;
  edited[edited.size() / 3] ^= 0x01;
  EXPECT_NE(refusedWith(edited, "").find("its SHA-256 does not match"), std::string::npos);
  EXPECT_NE(refusedWith("an unrelated file\n", "").find("is not a checkpoint of tarn"), std::string::npos);
  std::string later = good;
  later[8] = static_cast<char>(tarn::CHECKPOINT_VERSION + 1);  // another format version
  EXPECT_NE(refusedWith(later, "").find("checkpoint format " + std::to_string(tarn::CHECKPOINT_VERSION + 1)),
            std::string::npos);
  EXPECT_NE(refusedWith(good, "--events 2e6").find("--events 2000000 differs from the stopped run's 1250000"),
            std::string::npos);
  EXPECT_NE(refusedWith(good, "--seed 42").find("--seed 42 differs"), std::string::npos);
  EXPECT_NE(refusedWith(good, "--sampler ranlux").find("--sampler ranlux differs"), std::string::npos);
  EXPECT_NE(refusedWith(good, "--set cells.length=30").find("the stopped run's beamline (digest 8419f72fa6eac663"),
            std::string::npos);

  // Other inputs: refused after the start lines, in the log.
  std::ofstream(checkpoint, std::ios::binary | std::ios::trunc) << good;
  const fs::path other = dir() / "other-inputs";
  fs::create_directories(other);
  for (const char* name : {"lam.hbook", "gradx.hbook"}) fs::copy_file(fs::path(DATA) / name, other / name);
  fs::copy_file(fs::path(DATA) / "lam.hbook", other / "sq.hbook");  // not the S(q) the run read
  const Outcome inputs = runCommand(out, TARN + " --resume . --input-dir " + other.string());
  EXPECT_EQ(inputs.status, 3);
  EXPECT_NE(inputs.out.find("sq.hbook is not the input the stopped run read"), std::string::npos) << inputs.out;
  EXPECT_EQ(readText(checkpoint), good);

  // A new run with the same seed in the same place is told to resume.
  const Outcome fresh = runCommand(out, TARN + RUN);
  EXPECT_EQ(fresh.status, 2);
  EXPECT_NE(fresh.err.find("h41.checkpoint exists: a run with seed 41 was stopped there"), std::string::npos);
}

TEST_F(Blocks, AWorkerThatDiesStopsTheRunAndWhatWasDoneIsKept) {
  const fs::path out = dir() / "dead-worker";
  fs::create_directories(out);
  const pid_t pid = startCommand(out, TARN + RUN + " --jobs 2 --checkpoint-every 0");
  ASSERT_TRUE(appears(out / "h41.checkpoint"));
  // One of the run's worker processes, killed as the system would.
  std::string children;
  for (int i = 0; i < 100 && children.empty(); ++i) {
    children = readText("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const pid_t worker = static_cast<pid_t>(std::atol(children.c_str()));
  ASSERT_GT(worker, 0) << children;
  kill(worker, SIGKILL);
  EXPECT_EQ(waitFor(pid), 6);
  const std::string log = readText(onlyFile(out, ".o"));
  EXPECT_NE(log.find(" The run stops: worker "), std::string::npos) << log;
  EXPECT_NE(log.find("killed by signal 9"), std::string::npos) << log;
  EXPECT_NE(log.find(" Go on with: tarn --resume ."), std::string::npos) << log;
  EXPECT_FALSE(fs::exists(out / "h41.hbook"));  // never a silent partial result
  EXPECT_TRUE(fs::exists(out / "h41.partial.hbook"));
  const Outcome resumed = runCommand(out, TARN + " --resume .");
  ASSERT_EQ(resumed.status, 0) << resumed.err;
  expectTheRunsFile(out / "h41.hbook");
}
