// tarn --ntuple: the detected (or scattered) neutrons as a column-wise
// ntuple with the 2-D results, in the histogram file. The rows are the
// run's detected neutrons in event order, as many as the detector counts;
// the same rows and values however the run is split (one process, --jobs 2,
// job-array tasks merged); the cap keeps the first rows and the log says how
// many were left out; a resumed run keeps the stopped run's choice.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

#include "hbook/rz/reader.h"
#include "support/programrunner.h"
#include "transport/event/catalogue.h"

using namespace testsupport;

namespace {

const std::string TARN = TARN_PROGRAM, HBOOK = HBOOK_PROGRAM, DATA = TARN_DATA_DIR;
const std::string RUN = " --events 250000 --seed 7 --input-dir " + DATA;  // 3 blocks, the last one of 50000

// Every object of the file, every value (the file's name and date aside).
std::string dumped(const fs::path& dir, const fs::path& file) {
  const std::string out = runCommand(dir, HBOOK + " dump --all " + file.string()).out;
  return out.substr(std::min(out.find('\n'), out.size()));
}

// The value of `name` in the log's exact counts line.
std::int64_t exactCount(const fs::path& dir, const std::string& name) {
  for (const std::string& line : lines(readText(onlyFile(dir, ".o")))) {
    if (line.rfind(" Exact counts:", 0) != 0) continue;
    std::istringstream in(line.substr(line.find(':') + 1));
    std::string key;
    std::int64_t value = 0;
    while (in >> key >> value)
      if (key == name) return value;
  }
  return -1;
}

const hbook::ColumnNtuple& ntupleOf(const hbook::ReadResult& r) {
  const hbook::Directory& top = r.directories.front();
  for (const hbook::ColumnNtuple& n : top.columnNtuples)
    if (n.id == tarn::hid::DETECTED_NTUPLE) return n;
  throw std::runtime_error("no ntuple");
}

const hbook::Column& column(const hbook::ColumnNtuple& n, const std::string& name) {
  for (const hbook::Column& c : n.columns)
    if (c.name == name) return c;
  throw std::runtime_error("no column " + name);
}

const hbook::Histogram2D& histogram2d(const hbook::ReadResult& r, std::int32_t id) {
  for (const hbook::Histogram2D& h : r.directories.front().histograms2d)
    if (h.id == id) return h;
  throw std::runtime_error("no 2-D histogram " + std::to_string(id));
}

std::int32_t entriesOf(const hbook::ReadResult& r, std::int32_t id) {
  for (const hbook::Histogram& h : r.histograms)
    if (h.id == id) return h.entries;
  return -1;
}

class Ntuple : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new ScratchDir("ntuple");
    const Outcome o = runCommand(dir_->path(), TARN + RUN + " --ntuple detected --output-dir one");
    ASSERT_EQ(o.status, 0) << o.err;
  }
  static void TearDownTestSuite() { delete dir_; }
  const fs::path& dir() const { return dir_->path(); }
  static ScratchDir* dir_;
};
ScratchDir* Ntuple::dir_ = nullptr;

}  // namespace

TEST_F(Ntuple, RowsAreTheDetectedNeutronsAndTheImagesCountThem) {
  const hbook::ReadResult r = hbook::readFile((dir() / "one" / "h7.hbook").string());
  const hbook::ColumnNtuple& n = ntupleOf(r);
  const std::int64_t detected = exactCount(dir() / "one", "nDetIn");
  ASSERT_GT(detected, 1000);
  EXPECT_EQ(n.entries, detected);
  EXPECT_EQ(n.title, tarn::DETECTED_NTUPLE_TITLE);
  // In event order, each event once, blocks of 100000 events.
  const std::vector<double>& events = column(n, "event").doubles;
  const std::vector<std::int32_t>& blocks = column(n, "block").integers;
  ASSERT_EQ(events.size(), static_cast<std::size_t>(detected));
  EXPECT_TRUE(std::is_sorted(events.begin(), events.end()));
  EXPECT_EQ(std::adjacent_find(events.begin(), events.end()), events.end());
  for (std::size_t i = 0; i < events.size(); ++i)
    ASSERT_EQ(blocks[i], static_cast<std::int32_t>((static_cast<std::int64_t>(events[i]) - 1) / 100000)) << i;
  EXPECT_EQ(blocks.back(), 2);
  // Which cell scattered: as many as the detector counts scattered; a row of
  // one side for every fill of that side's energy histogram.
  const std::vector<std::int32_t>& scat = column(n, "scat").integers;
  const std::vector<std::int32_t>& side = column(n, "side").integers;
  EXPECT_EQ(std::count_if(scat.begin(), scat.end(), [](std::int32_t s) { return s != 0; }),
            exactCount(dir() / "one", "nScatAtDet"));
  const auto right = std::count(side.begin(), side.end(), 1), left = std::count(side.begin(), side.end(), -1);
  EXPECT_EQ(right, entriesOf(r, tarn::hid::DET_E_RIGHT));
  EXPECT_EQ(left, entriesOf(r, tarn::hid::DET_E_LEFT));
  // The 2-D results: every detected neutron, the images by side.
  EXPECT_EQ(histogram2d(r, tarn::hid::ROTATION_VS_LAMBDA).entries, detected);
  EXPECT_EQ(histogram2d(r, tarn::hid::DET_IMAGE_RIGHT).entries, right);
  EXPECT_EQ(histogram2d(r, tarn::hid::DET_IMAGE_LEFT).entries, left);
  // Path lengths: the cells' length for a neutron that went straight through.
  const std::vector<float>& pathUp = column(n, "pathup").reals;
  for (std::size_t i = 0; i < pathUp.size(); ++i)
    if (scat[i] == 0) {
      ASSERT_NEAR(pathUp[i], 41.6, 0.05) << i;
    }
  const std::string log = readText(onlyFile(dir() / "one", ".o"));
  EXPECT_NE(log.find(" Ntuple 3100, the detected neutrons: " + std::to_string(detected) +
                     " rows (at most 1000000), 0 left out"),
            std::string::npos)
      << log;
}

TEST_F(Ntuple, WorkersAndJobArrayTasksGiveTheSameFile) {
  const std::string one = dumped(dir(), dir() / "one" / "h7.hbook");
  ASSERT_NE(one.find("3100"), std::string::npos);
  const Outcome jobs = runCommand(dir(), TARN + RUN + " --ntuple detected --jobs 2 --output-dir jobs");
  ASSERT_EQ(jobs.status, 0) << jobs.err;
  EXPECT_EQ(dumped(dir(), dir() / "jobs" / "h7.hbook"), one);
  EXPECT_EQ(fs::file_size(dir() / "jobs" / "h7.hbook"), fs::file_size(dir() / "one" / "h7.hbook"));
  std::string files;
  for (const char* blocks : {"2", "0-1"}) {
    const Outcome task =
        runCommand(dir(), TARN + RUN + " --ntuple detected --blocks " + blocks + " --output-dir task" + blocks);
    ASSERT_EQ(task.status, 0) << task.err;
    files += " task" + std::string(blocks) + "/h7.hbook";
  }
  const Outcome merged = runCommand(dir(), HBOOK + " merge merged.hbook" + files);
  ASSERT_EQ(merged.status, 0) << merged.err;
  EXPECT_EQ(dumped(dir(), dir() / "merged.hbook"), one);
}

TEST_F(Ntuple, TheCapKeepsTheFirstRowsAndTheLogSaysHowManyWereLeftOut) {
  const Outcome all = runCommand(dir(), TARN + RUN + " --ntuple scattered --output-dir scattered");
  ASSERT_EQ(all.status, 0) << all.err;
  const Outcome capped = runCommand(dir(), TARN + RUN + " --ntuple scattered --ntuple-max 7 --jobs 2 --output-dir capped");
  ASSERT_EQ(capped.status, 0) << capped.err;
  const hbook::ReadResult wholeFile = hbook::readFile((dir() / "scattered" / "h7.hbook").string());
  const hbook::ReadResult firstFile = hbook::readFile((dir() / "capped" / "h7.hbook").string());
  const hbook::ColumnNtuple& whole = ntupleOf(wholeFile);
  const hbook::ColumnNtuple& first = ntupleOf(firstFile);
  const std::int64_t scattered = exactCount(dir() / "scattered", "nScatAtDet");
  ASSERT_GT(scattered, 14);
  EXPECT_EQ(whole.entries, scattered);
  EXPECT_EQ(whole.title, tarn::SCATTERED_NTUPLE_TITLE);
  ASSERT_EQ(first.entries, 7);
  const std::vector<double>& events = column(whole, "event").doubles;
  EXPECT_EQ(column(first, "event").doubles, std::vector<double>(events.begin(), events.begin() + 7));
  const std::vector<float>& rotations = column(whole, "rotdn").reals;
  EXPECT_EQ(column(first, "rotdn").reals, std::vector<float>(rotations.begin(), rotations.begin() + 7));
  // The cap leaves the 2-D results whole: every detected neutron.
  for (const tarn::Booking2D& b : tarn::RESULTS_2D) {
    EXPECT_EQ(histogram2d(firstFile, b.id).cells, histogram2d(wholeFile, b.id).cells) << b.id;
    EXPECT_GT(histogram2d(firstFile, b.id).entries, scattered) << b.id;
  }
  const std::string log = readText(onlyFile(dir() / "capped", ".o"));
  EXPECT_NE(log.find("Ntuple 3100: the scattered neutrons, at most 7 rows; 2-D results 3101-3103"), std::string::npos);
  EXPECT_NE(log.find(" Ntuple 3100, the scattered neutrons: 7 rows (at most 7), " + std::to_string(scattered - 7) +
                     " left out"),
            std::string::npos)
      << log;
}

TEST_F(Ntuple, WithoutTheOptionNoneAndARefusedCommandLineSaysWhy) {
  const Outcome plain = runCommand(dir(), TARN + RUN + " --blocks 2 --output-dir plain");
  ASSERT_EQ(plain.status, 0) << plain.err;
  const hbook::ReadResult r = hbook::readFile((dir() / "plain" / "h7.hbook").string());
  EXPECT_TRUE(r.directories.front().columnNtuples.empty());
  EXPECT_TRUE(r.directories.front().histograms2d.empty());
  Outcome refused = runCommand(dir(), TARN + RUN + " --ntuple-max 10 --output-dir refused");
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("--ntuple-max 10 caps the rows of --ntuple: give --ntuple too"), std::string::npos)
      << refused.err;
  refused = runCommand(dir(), TARN + RUN + " --ntuple all --output-dir refused");
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("'all' is neither detected nor scattered"), std::string::npos) << refused.err;
  refused = runCommand(dir(), TARN + RUN + " --ntuple detected --ntuple-max 0 --output-dir refused");
  EXPECT_EQ(refused.status, 2);
}

TEST_F(Ntuple, AResumedRunKeepsTheStoppedRunsChoiceAndGivesItsRows) {
  // Stopped by SIGTERM once its first checkpoint is written, resumed without
  // the option: the file of the run made in one go.
  const fs::path out = dir() / "stopped";
  fs::create_directories(out);
  const std::string command = "exec " + TARN + " --events 1500000 --seed 9 --input-dir " + DATA +
                              " --ntuple scattered --checkpoint-every 0 --output-dir " + out.string() + " > " +
                              (out / "out.txt").string() + " 2>&1";
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  for (int i = 0; i < 3000 && !fs::exists(out / "h9.checkpoint"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!fs::exists(out / "h9.checkpoint")) GTEST_SKIP() << "the run ended before it could be stopped";
  const Outcome other = runCommand(dir(), TARN + " --resume " + out.string() + " --ntuple detected");
  EXPECT_EQ(other.status, 2);
  EXPECT_NE(other.err.find("differs from the stopped run's --ntuple scattered"), std::string::npos) << other.err;
  const Outcome resumed = runCommand(dir(), TARN + " --resume " + out.string());
  ASSERT_EQ(resumed.status, 0) << resumed.err;
  const Outcome once = runCommand(dir(), TARN + " --events 1500000 --seed 9 --input-dir " + DATA +
                                             " --ntuple scattered --output-dir once");
  ASSERT_EQ(once.status, 0) << once.err;
  EXPECT_EQ(dumped(dir(), out / "h9.hbook"), dumped(dir(), dir() / "once" / "h9.hbook"));
}
