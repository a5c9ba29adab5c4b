// tarn scan's parts that decide before anything runs: the command line, the
// grid of points with their folders and checks, the manifest that a scan
// started again must match, how the job slots are shared, and what a
// point's folder holds.
#include <gtest/gtest.h>

#include <fstream>

#include "support/commandlines.h"
#include "support/files.h"
#include "support/scratchdir.h"
#include "transport/run/beamlinerecord.h"
#include "transport/run/checkpoint.h"
#include "transport/description/summary.h"
#include "transport/run/exitstatus.h"
#include "transport/scan/manifest.h"
#include "transport/scan/options.h"
#include "transport/scan/pointfolder.h"
#include "transport/scan/points.h"
#include "transport/scan/schedule.h"

namespace {

using tarn::scan::Options;

using Parsed = testsupport::ParsedScan;
const auto parse = testsupport::parseScan;

Options options(std::vector<const char*> args) {
  Parsed p = parse(std::move(args));
  EXPECT_EQ(p.line.exitStatus, -1) << p.err;
  return p.line.options;
}

}  // namespace

TEST(ScanCommandLine, TheValuesOfEachKeyAndTheRunsOptions) {
  const Options o = options({"--set", "cells.length=30, 300 mm,41.6", "--set", "cells.temperature=1.6", "--seed", "7",
                             "--events", "2e5", "--jobs", "auto", "--output-dir", "here"});
  ASSERT_EQ(o.axes.size(), 2u);
  EXPECT_EQ(o.axes[0].key, "cells.length");
  EXPECT_EQ(o.axes[0].values, (std::vector<std::string>{"30", "300 mm", "41.6"}));
  EXPECT_EQ(o.axes[1].values, (std::vector<std::string>{"1.6"}));
  EXPECT_EQ(o.events, 200000);
  EXPECT_EQ(o.seed, 7);
  EXPECT_EQ(o.jobs, 0);
  EXPECT_EQ(o.outputDir, "here");
  EXPECT_EQ(o.command, "tarn scan --set 'cells.length=30, 300 mm,41.6' --set cells.temperature=1.6 --seed 7 --events "
                       "2e5 --jobs auto --output-dir here");
  EXPECT_EQ(options({"--set", "cells.length=30", "--seed", "0"}).outputDir, "scan");

  const std::pair<std::vector<const char*>, std::string> wrong[] = {
      {{"--set", "cells.length=30"}, "--seed is required"},
      {{"--seed", "7"}, "--set is required"},
      {{"--set", "cells.length=30,,40", "--seed", "7"}, "an empty value"},
      {{"--set", "cells.length", "--seed", "7"}, "give KEY=VALUE1,VALUE2"},
      {{"--set", "cells.length=30", "--set", "cells.length=40", "--seed", "7"}, "given twice"},
      {{"--set", "cells.length=30", "--seed", "-1"}, "is not a whole number"},
      {{"--set", "cells.length=30", "--seed", ""}, "--seed: '' is not a whole number"},
      {{"--set", "cells.length=30", "--seed", "7", "--events", "0"}, "is not a number of events"},
      {{"--set", "cells.length=30", "--seed", "7", "--jobs", "many"}, "is not a number of jobs"},
      {{"--set", "cells.length=30", "--seed", "7", "--checkpoint-every", "-5"}, "is not a number of seconds"},
  };
  for (const auto& [args, message] : wrong) {
    const Parsed p = parse(args);
    EXPECT_EQ(p.line.exitStatus, tarn::STATUS_BAD_COMMAND_LINE) << message;
    EXPECT_NE(p.err.find(message), std::string::npos) << p.err;
    EXPECT_EQ(p.err.rfind("tarn scan: ", 0), 0u) << p.err;
  }
  const Parsed help = parse({"--help"});
  EXPECT_EQ(help.line.exitStatus, tarn::STATUS_DONE);
  EXPECT_NE(help.out.find("--set KEY=V1,V2,..."), std::string::npos);
}

TEST(ScanGrid, EveryCombinationTheFirstKeySlowestWithFoldersNamedByTheValues) {
  const tarn::scan::Grid grid = tarn::scan::makeGrid(
      options({"--set", "cells.length=30,350 mm", "--set", "gaps.between_cells=6.8", "--set",
               "cells.temperature=1.6,2.1,2.5", "--seed", "3"}));
  ASSERT_TRUE(grid.errors.empty()) << grid.errors.front();
  ASSERT_EQ(grid.points.size(), 6u);
  EXPECT_EQ(grid.points[0].sets,
            (std::vector<std::string>{"cells.length=30", "gaps.between_cells=6.8", "cells.temperature=1.6"}));
  EXPECT_EQ(grid.points[1].sets[2], "cells.temperature=2.1");
  EXPECT_EQ(grid.points[3].sets[0], "cells.length=350 mm");
  EXPECT_EQ(grid.points[3].folder, "04_cells.length=35_cells.temperature=1.6");  // 350 mm is 35 cm; a fixed key is left out
  EXPECT_EQ(grid.points[3].label, "cells.length=35 cells.temperature=1.6");
  EXPECT_EQ(grid.points[5].number, 6);
  EXPECT_EQ(grid.points[3].description.values.cells.length, 35.0);
  EXPECT_EQ(grid.points[3].digest, tarn::description::digest(grid.points[3].description.values));
  EXPECT_NE(grid.points[3].digest, grid.points[4].digest);
  EXPECT_EQ(tarn::scan::scannedKeys(options({"--set", "cells.length=30,40", "--set", "cells.temperature=2", "--seed", "1"})),
            std::vector<std::string>{"cells.length"});
  // Ten points or more: the numbers keep their width.
  const tarn::scan::Grid many =
      tarn::scan::makeGrid(options({"--set", "cells.length=20,21,22,23,24,25,26,27,28,29,30", "--seed", "1"}));
  EXPECT_EQ(many.points[10].folder, "11_cells.length=30");
  EXPECT_EQ(many.points[0].folder, "01_cells.length=20");
}

TEST(ScanGrid, WrongValuesAreRefusedOnceAndRepeatedPointsAreNamed) {
  const tarn::scan::Grid wrong = tarn::scan::makeGrid(
      options({"--set", "cells.length=0,30", "--set", "cells.temperature=1.6,9", "--set", "cells.lenght=3", "--seed", "3"}));
  ASSERT_GE(wrong.errors.size(), 3u);
  auto has = [&](const std::string& text) {
    return std::count_if(wrong.errors.begin(), wrong.errors.end(),
                         [&](const std::string& e) { return e.find(text) != std::string::npos; });
  };
  EXPECT_EQ(has("--set cells.length=0: cells.length = 0 cm: must be a positive length"), 1);
  EXPECT_EQ(has("cells.temperature = 9 K: outside the helium density table"), 1);
  EXPECT_EQ(has("cells.lenght: no such key (did you mean cells.length?)"), 1);
  const tarn::scan::Grid same = tarn::scan::makeGrid(options({"--set", "cells.length=30,300 mm", "--seed", "3"}));
  ASSERT_EQ(same.errors.size(), 1u);
  EXPECT_EQ(same.errors[0], "points 1 (cells.length=30) and 2 (cells.length=30) are the same beamline: give each value once");
}

TEST(ScanManifest, ItReadsBackAndSaysWhatDiffers) {
  testsupport::ScratchDir dir("scan-manifest");
  const Options o = options({"--set", "cells.length=30,35", "--set", "cells.upstream_helium=left", "--set",
                             "source.cone_per_angstrom=0.003,0.004", "--seed", "7", "--events", "20000"});
  const tarn::scan::Grid grid = tarn::scan::makeGrid(o);
  ASSERT_TRUE(grid.errors.empty());
  const tarn::scan::Manifest m = tarn::scan::makeManifest(o, grid, "/data", {{"lam.hbook", "sha256:ab"}});
  const std::string path = (dir.path() / "scan.toml").string();
  std::ofstream(path) << tarn::scan::manifestText(m);
  const tarn::scan::Manifest back = tarn::scan::readManifest(path);
  EXPECT_EQ(back.command, o.command);
  EXPECT_EQ((std::pair{back.events, back.seed}), (std::pair<std::int64_t, std::int64_t>{20000, 7}));
  EXPECT_EQ(back.units, (std::vector<std::string>{"cm", "", "rad/Angstrom"}));
  ASSERT_EQ(back.points.size(), 4u);
  // Each value exactly: the single-precision cone widened to double, the side as a word.
  EXPECT_EQ(back.points[1].values, (std::vector<std::string>{"30", "left", "0.0040000001899898052"}));
  EXPECT_EQ(back.points[1].digest, grid.points[1].digest);
  EXPECT_EQ(tarn::scan::manifestDifference(back, m), "");

  tarn::scan::Manifest other = m;
  other.events = 30000;
  EXPECT_EQ(tarn::scan::manifestDifference(back, other), "its points run 20000 events, not 30000");
  other = m;
  other.points[2].digest = "00";
  EXPECT_NE(tarn::scan::manifestDifference(back, other).find("its point 3 is 03_"), std::string::npos);
  other = m;
  other.points.pop_back();  // the same keys, fewer points
  EXPECT_EQ(tarn::scan::manifestDifference(back, other), "its points are 4 of other values");
  other = m;
  other.inputs[0].second = "sha256:cd";
  EXPECT_EQ(tarn::scan::manifestDifference(back, other), "lam.hbook is not the input it read (sha256:cd, the scan's sha256:ab)");
  std::ofstream(path) << "format = 1\ncommand = 3\n";
  EXPECT_THROW(tarn::scan::readManifest(path), std::runtime_error);
  std::ofstream(path) << "not toml [";
  EXPECT_THROW(tarn::scan::readManifest(path), std::runtime_error);
}

TEST(ScanSchedule, TheSlotsAreSharedAmongThePointsWaiting) {
  auto jobs = [](int slots, std::vector<std::int64_t> blocks) {
    std::vector<int> out;
    for (const tarn::scan::Start& s : tarn::scan::pointsToStart(slots, blocks)) out.push_back(s.jobs);
    return out;
  };
  EXPECT_EQ(jobs(4, {1, 1, 1, 1, 1, 1, 1, 1, 1}), (std::vector<int>{1, 1, 1, 1}));  // four points at a time
  EXPECT_EQ(jobs(16, {20, 20, 20}), (std::vector<int>{6, 5, 5}));
  EXPECT_EQ(jobs(16, {1, 20, 20}), (std::vector<int>{1, 8, 7}));   // what the first cannot use goes to the others
  EXPECT_EQ(jobs(16, {2, 2, 2}), (std::vector<int>{2, 2, 2}));     // no more workers than blocks
  EXPECT_EQ(jobs(1, {5, 5}), (std::vector<int>{1}));
  EXPECT_EQ(jobs(0, {5}), std::vector<int>{});
  EXPECT_EQ(jobs(3, {0}), std::vector<int>{1});  // a checkpoint with every block done still writes its file
}

TEST(ScanPointFolder, WhatAStoppedPointLeftDecidesWhetherItRunsResumesOrIsDone) {
  testsupport::ScratchDir dir("scan-folder");
  const tarn::scan::Grid grid = tarn::scan::makeGrid(options({"--set", "cells.length=30", "--seed", "7"}));
  const tarn::scan::Point& p = grid.points.front();
  const std::string folder = (dir.path() / p.folder).string();
  EXPECT_EQ(tarn::scan::examinePoint(folder, p, 300000, 7).state, tarn::scan::PointState::New);
  std::filesystem::create_directories(folder);
  // A run that stopped before its end: its files go, the console stays.
  for (const char* name : {"tarn-1209-0800.o", "h7.hbook.tmpAbC123", "console.txt", "notes.txt"})
    std::ofstream(std::filesystem::path(folder) / name) << " ranNo is  7\n";
  const tarn::scan::PointFolder stale = tarn::scan::examinePoint(folder, p, 300000, 7);
  EXPECT_EQ(stale.state, tarn::scan::PointState::Stale);
  EXPECT_EQ(stale.blocksLeft, 3);
  tarn::scan::clearPoint(folder);
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(folder)) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"console.txt", "notes.txt"}));
  // A damaged checkpoint cannot be resumed: the point runs again.
  std::ofstream(std::filesystem::path(folder) / "h7.checkpoint") << "TARNCKPT";
  EXPECT_EQ(tarn::scan::examinePoint(folder, p, 300000, 7).state, tarn::scan::PointState::Stale);
}

// A finished run's log and file make a point done only when the log is of
// the point's own run: seed, events and beamline. The regression run's log
// (seed 763595, 100000 events, the shipped beamline) is done for a point of
// the shipped beamline and refused for a point of another.
TEST(ScanPointFolder, AFinishedRunOfAnotherBeamlineIsNotTakenAsThePoints) {
  testsupport::ScratchDir dir("scan-beamline");
  const tarn::scan::Grid grid = tarn::scan::makeGrid(options({"--set", "cells.length=30", "--seed", "763595"}));
  const tarn::scan::Point& other = grid.points.front();
  tarn::scan::Point shipped = other;
  shipped.digest = tarn::shippedBeamlineDigest();
  ASSERT_NE(other.digest, shipped.digest);
  const std::filesystem::path folder = dir.path() / other.folder;
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "tarn-1102-1437.o")
      << testsupport::readText(std::filesystem::path(TARN_TEST_DATA) / "run" / "regression-log.txt");
  std::ofstream(folder / "h763595.hbook") << "histograms";
  const tarn::scan::PointFolder done = tarn::scan::examinePoint(folder.string(), shipped, 100000, 763595);
  EXPECT_EQ(done.state, tarn::scan::PointState::Done);
  try {
    tarn::scan::examinePoint(folder.string(), other, 100000, 763595);
    ADD_FAILURE() << "the shipped beamline's run taken as done for a point of another beamline";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("is the log of another run"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("beamline " + other.digest + ")"), std::string::npos) << e.what();
  }
  EXPECT_THROW(tarn::scan::examinePoint(folder.string(), shipped, 200000, 763595), std::runtime_error);  // events
}

// Each part of a folder that decides a point's state, alone: the log's name,
// the seed, the histogram file beside the log, a checkpoint to go on from,
// and which files are the run's to clear.
TEST(ScanPointFolder, EachFileThatDecidesAPointsStateAlone) {
  testsupport::ScratchDir dir("scan-parts");
  const tarn::scan::Grid grid = tarn::scan::makeGrid(options({"--set", "cells.length=30", "--seed", "763595"}));
  tarn::scan::Point shipped = grid.points.front();
  shipped.digest = tarn::shippedBeamlineDigest();
  const std::filesystem::path folder = dir.path() / "p";
  std::filesystem::create_directories(folder);
  const std::string finished =
      testsupport::readText(std::filesystem::path(TARN_TEST_DATA) / "run" / "regression-log.txt");
  // "tarn-.o" is no run log's name; the finished run's log without its file is not done.
  std::ofstream(folder / "tarn-.o") << finished;
  std::ofstream(folder / "h763595.hbook") << "histograms";
  EXPECT_EQ(tarn::scan::examinePoint(folder.string(), shipped, 100000, 763595).state, tarn::scan::PointState::Stale);
  std::filesystem::remove(folder / "tarn-.o");
  std::filesystem::remove(folder / "h763595.hbook");
  std::ofstream(folder / "tarn-1102-1437.o") << finished;
  EXPECT_EQ(tarn::scan::examinePoint(folder.string(), shipped, 100000, 763595).state, tarn::scan::PointState::Stale);
  // Another seed's point: the log is of another run, said in full.
  const std::string log = (folder / "tarn-1102-1437.o").string();
  try {
    tarn::scan::examinePoint(folder.string(), shipped, 100000, 763596);
    ADD_FAILURE() << "the log of seed 763595 taken for a point of seed 763596";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), log + " is the log of another run (seed 763595, 100000 events, beamline " +
                                         shipped.digest + ") than point 1's (seed 763596, 100000 events, beamline " +
                                         shipped.digest + ")");
  }
  // With its file the point is done, and its checkpoint and partial file go.
  std::ofstream(folder / "h763595.hbook") << "histograms";
  std::ofstream(folder / "h763595.checkpoint") << "TARNCKPT";
  std::ofstream(folder / "h763595.partial.hbook") << "partial";
  const tarn::scan::PointFolder done = tarn::scan::examinePoint(folder.string(), shipped, 100000, 763595);
  EXPECT_EQ(done.state, tarn::scan::PointState::Done);
  EXPECT_EQ(done.log, log);
  EXPECT_FALSE(std::filesystem::exists(folder / "h763595.checkpoint"));
  EXPECT_FALSE(std::filesystem::exists(folder / "h763595.partial.hbook"));

  // A checkpoint that reads: resumable, with the blocks it lacks.
  const std::filesystem::path stopped = dir.path() / "q";
  std::filesystem::create_directories(stopped);
  tarn::Checkpoint c;
  c.run = tarn::RunIdentity(7, 300000, "auto", tarn::BlockSet::range(0, 2));
  tarn::writeCheckpoint((stopped / "h7.checkpoint").string(), c);
  const tarn::scan::PointFolder resumable = tarn::scan::examinePoint(stopped.string(), shipped, 300000, 7);
  EXPECT_EQ(resumable.state, tarn::scan::PointState::Resumable);
  EXPECT_EQ(resumable.blocksLeft, 3);

  // The run's files are cleared, everything else stays.
  const std::filesystem::path mixed = dir.path() / "r";
  std::filesystem::create_directories(mixed);
  for (const char* name :
       {"tarn-.o", "tarn-1209-0800.o", "h.hbook", "h7.hbook", "h7.checkpoint", "h7.checkpoint.tmpQ1w2e3",
        "h7.hbook.tmpQ1w2e3", "x7.hbook", "H7.hbook", "h", "hello.txt", "tarn-1209-0800.log", "console.txt"})
    std::ofstream(mixed / name) << "x";
  tarn::scan::clearPoint(mixed.string());
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(mixed)) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left,
            (std::vector<std::string>{"H7.hbook", "console.txt", "h", "hello.txt", "tarn-1209-0800.log", "x7.hbook"}));
}
