// tarn scan through its command line: descriptions and limits refused before
// anything is made; a scan stopped by SIGTERM, then killed, and gone on with
// by the same command keeps the points done (not run again), resumes a point
// from its checkpoint, and ends with the points of runs that never stopped;
// a folder holding another scan is refused.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "support/programrunner.h"

using namespace testsupport;

namespace {

const std::string TARN = TARN_PROGRAM;
const std::string DATA = TARN_DATA_DIR;

std::vector<fs::path> logsIn(const fs::path& dir) {
  std::vector<fs::path> logs;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().extension() == ".o") logs.push_back(e.path());
  std::sort(logs.begin(), logs.end());
  return logs;
}

std::string exactCounts(const fs::path& log) {
  for (const std::string& line : lines(readText(log)))
    if (line.rfind(" Exact counts:", 0) == 0) return line;
  return "";
}

// The table, plot and page need tarn-report beside tarn (the Python part).
bool tableMade(const Outcome& o) {
  return o.status == 0 || (o.status == 8 && o.out.find("which is not beside") != std::string::npos);
}

}  // namespace

TEST(ScanProgram, WrongValuesAndBrokenLimitsAreRefusedBeforeAnythingIsMade) {
  ScratchDir dir("scan-refused");
  const Outcome wrong =
      runCommand(dir.path(), TARN + " scan --set cells.length=0,30 --set cells.temperature=1.6,9 --seed 7 --output-dir s");
  EXPECT_EQ(wrong.status, 2);
  EXPECT_NE(wrong.err.find("tarn scan: --set cells.length=0: cells.length = 0 cm: must be a positive length"),
            std::string::npos)
      << wrong.err;
  EXPECT_NE(wrong.err.find("outside the helium density table"), std::string::npos) << wrong.err;
  EXPECT_FALSE(fs::exists(dir.path() / "s"));
  const Outcome limits = runCommand(dir.path(), TARN + " scan --set \"split_guide.length=108,3 m\" --seed 7 --input-dir " +
                                                    DATA + " --output-dir s");
  EXPECT_EQ(limits.status, 3);
  EXPECT_NE(limits.err.find("point 2 (split_guide.length=300):"), std::string::npos) << limits.err;
  EXPECT_FALSE(fs::exists(dir.path() / "s"));
  const Outcome usage = runCommand(dir.path(), TARN + " scan --set cells.length=30");
  EXPECT_EQ(usage.status, 2);
  EXPECT_NE(usage.err.find("--seed is required"), std::string::npos) << usage.err;
  // The word alone is the scan's, asking for what it needs, not a run's unknown argument.
  const Outcome bare = runCommand(dir.path(), TARN + " scan");
  EXPECT_EQ(bare.status, 2);
  EXPECT_EQ(bare.err, "tarn scan: --set is required (see tarn scan --help)\n");
  EXPECT_EQ(bare.out, "");
}

TEST(ScanProgram, StoppedThenKilledAndGoneOnWithKeepsThePointsDoneAndEndsAsIfNeverStopped) {
  ScratchDir dir("scan-stopped");
  const std::string scan = TARN + " scan --set cells.length=30,35,40 --events 300000 --seed 7 --checkpoint-every 0 "
                                  "--input-dir " + DATA + " --output-dir s";
  const fs::path s = dir.path() / "s";
  const fs::path p1 = s / "01_cells.length=30", p2 = s / "02_cells.length=35", p3 = s / "03_cells.length=40";

  // Stopped by SIGTERM while the second point runs, after its first checkpoint.
  pid_t pid = startCommand(dir.path(), scan, "first.txt", "first.txt");
  ASSERT_TRUE(appears(p1 / "h7.hbook", 60));
  ASSERT_TRUE(appears(p2 / "h7.checkpoint", 60));
  kill(pid, SIGTERM);
  ASSERT_EQ(waitFor(pid), 143) << readText(dir.path() / "first.txt");
  const std::string first = readText(dir.path() / "first.txt");
  EXPECT_NE(first.find("Stopped by SIGTERM: 1 of 3 points done"), std::string::npos) << first;
  EXPECT_NE(first.find("Go on with: tarn scan --set cells.length=30,35,40"), std::string::npos) << first;
  ASSERT_TRUE(fs::exists(p2 / "h7.checkpoint"));
  ASSERT_EQ(logsIn(p1).size(), 1u);
  const std::string doneLog = readText(logsIn(p1)[0]);

  // Gone on with, then killed while the third point runs: its run keeps its checkpoint.
  pid = startCommand(dir.path(), scan, "second.txt", "second.txt");
  ASSERT_TRUE(appears(p3 / "h7.checkpoint", 60)) << readText(dir.path() / "second.txt");
  kill(pid, SIGKILL);
  waitFor(pid);
  const std::string second = readText(dir.path() / "second.txt");
  EXPECT_NE(second.find("Going on with the scan: 1 done, 1 to go on from their checkpoints, 0 to run again, 1 not started"),
            std::string::npos)
      << second;
  EXPECT_NE(second.find("point 2/3 cells.length=35: goes on from its checkpoint"), std::string::npos) << second;

  // The same command once more, at once: it waits for the killed scan's run to stop, and ends the scan.
  const Outcome last = runCommand(dir.path(), scan);
  ASSERT_TRUE(tableMade(last)) << last.status << last.out << last.err;
  EXPECT_EQ(last.out.find("point 1/3"), std::string::npos) << last.out;  // done, not run again
  EXPECT_EQ(logsIn(p1).size(), 1u);
  EXPECT_EQ(readText(logsIn(p1)[0]), doneLog);
  EXPECT_FALSE(fs::exists(p3 / "h7.checkpoint"));
  if (last.status == 0) {
    EXPECT_TRUE(fs::exists(s / "scan.csv"));
  }

  // Each point as the run that never stopped gives it.
  for (const auto& [folder, length] : {std::pair{p2, "35"}, std::pair{p3, "40"}}) {
    const fs::path ref = dir.path() / ("ref" + std::string(length));
    const Outcome direct = runCommand(dir.path(), TARN + " --events 300000 --seed 7 --set cells.length=" + length +
                                                      " --input-dir " + DATA + " --output-dir " + ref.string());
    ASSERT_EQ(direct.status, 0) << direct.err;
    const std::string expected = exactCounts(logsIn(ref)[0]);
    ASSERT_NE(expected, "");
    bool found = false, resumed = false;
    for (const fs::path& log : logsIn(folder)) {
      found = found || exactCounts(log) == expected;
      resumed = resumed || readText(log).find(" Resumed from ") != std::string::npos;
    }
    EXPECT_TRUE(found) << folder;
    EXPECT_TRUE(resumed || folder == p3) << folder;  // the third may have finished before the kill reached it
    EXPECT_EQ(readText(folder / "h7.hbook").size(), readText(ref / "h7.hbook").size());
  }

  // Another scan in the same folder is refused, naming the scan it holds.
  const Outcome other = runCommand(dir.path(), TARN + " scan --set cells.length=30,35,40 --events 200000 --seed 7 "
                                                      "--input-dir " + DATA + " --output-dir s");
  EXPECT_EQ(other.status, 2);
  EXPECT_NE(other.err.find("holds another scan: its points run 300000 events, not 200000"), std::string::npos)
      << other.err;
}
