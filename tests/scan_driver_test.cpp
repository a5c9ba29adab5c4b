// tarn scan's refusals of its folder, before any point is run: a folder that
// cannot be made, point folders without the manifest that made them, and a
// manifest that cannot be read; each said with its words and status 2.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/scratchdir.h"
#include "transport/scan/driver.h"
#include "transport/scan/options.h"
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
