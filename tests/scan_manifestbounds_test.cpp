// A scan's manifest at the edges of its checks: each difference a scan
// started again is refused for, alone (the seed, the keys with the same
// number of points, a folder with the same digest, an input of the same
// name only), and each way a manifest file is refused, with its words.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/scratchdir.h"
#include "transport/scan/manifest.h"
#include "transport/scan/options.h"
#include "transport/scan/points.h"

namespace {

using tarn::scan::Manifest;

Manifest someManifest() {
  std::vector<const char*> args = {"scan", "--set", "cells.length=30,35", "--seed", "7", "--events", "20000"};
  std::ostringstream out, err;
  const tarn::scan::CommandLine line =
      tarn::scan::parseCommandLine(static_cast<int>(args.size()), args.data(), out, err);
  EXPECT_EQ(line.exitStatus, -1) << err.str();
  const tarn::scan::Grid grid = tarn::scan::makeGrid(line.options);
  return tarn::scan::makeManifest(line.options, grid, "/data", {{"lam.hbook", "sha256:ab"}, {"sq.hbook", "sha256:ef"}});
}

// Why reading a manifest of `text` is refused ("read" when it is not).
std::string refusalOf(const std::string& text) {
  testsupport::ScratchDir dir("manifestbounds");
  const std::string path = (dir.path() / "scan.toml").string();
  { std::ofstream(path) << text; }
  try {
    tarn::scan::readManifest(path);
  } catch (const std::runtime_error& e) {
    const std::string what = e.what();
    return what.rfind(path, 0) == 0 ? "PATH" + what.substr(path.size()) : what;
  }
  return "read";
}

}  // namespace

TEST(ScanManifestBounds, EachDifferenceAlone) {
  const Manifest m = someManifest();
  ASSERT_EQ(m.points.size(), 2u);
  EXPECT_EQ(tarn::scan::manifestDifference(m, m), "");
  Manifest other = m;
  other.seed = 8;
  EXPECT_EQ(tarn::scan::manifestDifference(m, other), "its seed is 7, not 8");
  other = m;
  other.keys = {"cells.temperature"};  // as many points, another key
  EXPECT_EQ(tarn::scan::manifestDifference(m, other), "its points are 2 of other values");
  other = m;
  other.points[1].folder = "02_elsewhere";  // the same beamline in another folder
  EXPECT_EQ(tarn::scan::manifestDifference(m, other),
            "its point 2 is " + m.points[1].folder + " (beamline digest " + m.points[1].digest +
                "), this command's 02_elsewhere (digest " + m.points[1].digest + ")");
  other = m;
  other.inputs = {{"gradx.hbook", "sha256:00"}, {"sq.hbook", "sha256:ef"}};  // an input the scan did not list
  EXPECT_EQ(tarn::scan::manifestDifference(m, other), "");
  other.inputs[1].second = "sha256:11";
  EXPECT_EQ(tarn::scan::manifestDifference(m, other),
            "sq.hbook is not the input it read (sha256:11, the scan's sha256:ef)");
  // The events are compared first, then the seed.
  other = m;
  other.events = 1;
  other.seed = 1;
  EXPECT_EQ(tarn::scan::manifestDifference(m, other), "its points run 20000 events, not 1");
}

TEST(ScanManifestBounds, EachWayAFileIsRefused) {
  const std::string good = tarn::scan::manifestText(someManifest());
  EXPECT_EQ(refusalOf(good), "read");
  const auto without = [&](const std::string& line) {
    const std::size_t at = good.find(line);
    EXPECT_NE(at, std::string::npos) << line;
    return good.substr(0, at) + good.substr(good.find('\n', at) + 1);
  };
  const auto replaced = [&](const std::string& from, const std::string& to) {
    const std::size_t at = good.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return good.substr(0, at) + to + good.substr(at + from.size());
  };
  EXPECT_EQ(refusalOf(replaced("format = 1", "format = 2")), "PATH: a scan manifest of another format than 1");
  EXPECT_EQ(refusalOf(without("format = 1")), "PATH: a scan manifest of another format than 1");
  EXPECT_EQ(refusalOf(without("command = ")), "PATH: no command");
  EXPECT_EQ(refusalOf(without("events = ")), "PATH: no events");
  EXPECT_EQ(refusalOf(replaced("seed = 7", "seed = '7'")), "PATH: no seed");
  EXPECT_EQ(refusalOf(without("beamline = ")), "PATH: no beamline");
  EXPECT_EQ(refusalOf(without("input_dir = ")), "PATH: no input_dir");
  EXPECT_EQ(refusalOf(replaced("keys = [", "keys = 3\nkeyz = [")), "PATH: keys is not a list");
  EXPECT_EQ(refusalOf(replaced("units = [", "units = [ true, ")),
            "PATH: units holds something other than text and numbers");
  EXPECT_EQ(refusalOf("format = 1\ncommand = 'c'\nevents = 1\nseed = 1\nbeamline = ''\nkeys = []\nunits = []\n"
                      "input_dir = ''\n"),
            "PATH: no points");
  EXPECT_EQ(refusalOf("format = 1\ncommand = 'c'\nevents = 1\nseed = 1\nbeamline = ''\nkeys = []\nunits = []\n"
                      "input_dir = ''\npoints = [1]\n"),
            "PATH: a point is not a table");
  EXPECT_EQ(refusalOf("format = 1\ncommand = 'c'\nevents = 1\nseed = 1\nbeamline = ''\nkeys = []\nunits = []\n"
                      "input_dir = ''\npoints = []\n"),
            "read");
  EXPECT_EQ(refusalOf("a = [").rfind("PATH: not a scan's manifest (", 0), 0u);
  EXPECT_NE(refusalOf("a = [").find(", line 1)"), std::string::npos);
}
