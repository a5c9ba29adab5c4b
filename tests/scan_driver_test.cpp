// tarn scan's refusals of its folder, before any point is run: a folder that
// cannot be made, point folders without the manifest that made them, and a
// manifest that cannot be read; each said with its words and status 2.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/scratchdir.h"
#include "transport/scan/driver.h"
#include "transport/scan/options.h"
#include "transport/scan/pointprocess.h"
#include "transport/scan/points.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status;
  std::string err;
};

// runScan with these arguments after "scan"; no point is ever run (the
// program named does not exist).
Outcome scan(std::vector<std::string> args) {
  args.insert(args.begin(), "scan");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int status = tarn::scan::runScan(static_cast<int>(argv.size()), argv.data(), "/nonexistent/tarn");
  testing::internal::GetCapturedStdout();
  return {status, testing::internal::GetCapturedStderr()};
}

std::vector<std::string> scanArguments(const std::string& outputDir) {
  return {"--set", "cells.length=30,35", "--seed", "7", "--input-dir", TARN_DATA_DIR, "--output-dir", outputDir};
}

// The folder of the scan's first point.
std::string firstPointFolder(const std::vector<std::string>& args) {
  std::vector<std::string> all = args;
  all.insert(all.begin(), "scan");
  std::vector<const char*> argv;
  for (const std::string& a : all) argv.push_back(a.c_str());
  std::ostringstream out, err;
  const tarn::scan::CommandLine line =
      tarn::scan::parseCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
  EXPECT_EQ(line.exitStatus, -1) << err.str();
  return tarn::scan::makeGrid(line.options).points.at(0).folder;
}

TEST(ScanFolder, AFolderThatCannotBeMadeIsSaid) {
  testsupport::ScratchDir dir("scanfolder");
  const std::string file = dir.str() + "/a-file";
  std::ofstream(file) << "in the way\n";
  const Outcome o = scan(scanArguments(file + "/s"));
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err.rfind("tarn scan: cannot create the scan's folder " + file + "/s: ", 0), 0u) << o.err;
}

TEST(ScanFolder, PointFoldersWithoutAManifestAreNotTakenOver) {
  testsupport::ScratchDir dir("scanfolder");
  const std::string s = dir.str() + "/s";
  const std::vector<std::string> args = scanArguments(s);
  const std::string folder = firstPointFolder(args);
  EXPECT_EQ(folder, "01_cells.length=30");
  fs::create_directories(fs::path(s) / folder);
  const Outcome o = scan(args);
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err, "tarn scan: " + s + "/" + folder + " exists, but " + s +
                       " holds no scan.toml: give another --output-dir\n");
  EXPECT_FALSE(fs::exists(fs::path(s) / "scan.toml"));
}

TEST(ScanFolder, AManifestThatCannotBeReadIsAnotherScan) {
  testsupport::ScratchDir dir("scanfolder");
  const std::string s = dir.str() + "/s";
  fs::create_directories(s);
  std::ofstream(s + "/scan.toml") << "this is not a manifest\n";
  const Outcome o = scan(scanArguments(s));
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err.rfind("tarn scan: " + s + " holds another scan: ", 0), 0u) << o.err;
  const std::string tail = " (" + s + "/scan.toml); give its command to go on with it, or another --output-dir\n";
  ASSERT_GE(o.err.size(), tail.size());
  EXPECT_EQ(o.err.substr(o.err.size() - tail.size()), tail) << o.err;
  std::ifstream kept(s + "/scan.toml");
  std::string first;
  std::getline(kept, first);
  EXPECT_EQ(first, "this is not a manifest");  // left as it was
}

}  // namespace

namespace {

// The wait status of a child that ends as `end` makes it.
int waitStatusOf(void (*end)()) {
  const pid_t pid = fork();
  if (pid == 0) end();
  int status = 0;
  EXPECT_EQ(waitpid(pid, &status, 0), pid);
  return status;
}

}  // namespace

// How the scan names the end of a point's process: its exit status, or the
// signal that killed it with the system's name for it.
TEST(ScanPointProcess, AnEndIsNamedByItsExitStatusOrItsSignal) {
  EXPECT_EQ(tarn::scan::describeExit(waitStatusOf([] { _exit(3); })), "exit status 3");
  EXPECT_EQ(tarn::scan::describeExit(waitStatusOf([] { _exit(0); })), "exit status 0");
  EXPECT_EQ(tarn::scan::describeExit(waitStatusOf([] { _exit(255); })), "exit status 255");
  EXPECT_EQ(tarn::scan::describeExit(waitStatusOf([] {
              std::signal(SIGKILL, SIG_DFL);
              raise(SIGKILL);
              _exit(1);
            })),
            "killed by signal 9 (Killed)");
}

// A point whose run ends with a status other than done stops the scan, in
// one line that names the point, how it ended and where its console is.
TEST(ScanPointProcess, APointThatFailsStopsTheScanInOneLine) {
  testsupport::ScratchDir dir("scanfails");
  const std::string out = (dir.path() / "scan").string();
  std::vector<std::string> args = scanArguments(out);
  const std::string folder = firstPointFolder(args);
  args.insert(args.begin(), "scan");
  args.push_back("--jobs");
  args.push_back("1");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int status = tarn::scan::runScan(static_cast<int>(argv.size()), argv.data(), "/bin/false");
  const std::string said = testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  EXPECT_NE(status, 0);
  EXPECT_NE(said.find("The scan stops: point 1/2 "), std::string::npos) << said;
  EXPECT_NE(said.find(" ended with exit status 1: see " + (fs::path(out) / folder / "console.txt").string() +
                      " and its run log. 0 points are done and kept; the same command goes on with the others once "
                      "the cause is mended\n"),
            std::string::npos)
      << said;
}

