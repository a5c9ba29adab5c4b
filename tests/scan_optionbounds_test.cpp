// The edges of tarn scan's command line: each range on both sides, the
// exact words of each refusal, the values of an axis, the defaults, and the
// command as the manifest keeps it; the common cases are in
// scan_points_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/commandlines.h"
#include "support/scratchdir.h"
#include "transport/scan/options.h"
#include "transport/scan/points.h"

namespace {

using Parsed = testsupport::ParsedScan;
const auto parse = testsupport::parseScan;

// The arguments with one --set in front, and a seed when they give none.
Parsed parseWith(std::vector<const char*> more) {
  std::vector<const char*> args = {"--set", "cells.length=30"};
  if (std::find(more.begin(), more.end(), std::string("--seed")) == more.end())
    args.insert(args.end(), {"--seed", "7"});
  args.insert(args.end(), more.begin(), more.end());
  return parse(args);
}

std::string refusal(const std::string& what) { return "tarn scan: " + what + " (see tarn scan --help)\n"; }

}  // namespace

TEST(ScanOptionBounds, EachRangeAcceptsItsEndsAndRefusesTheirNeighbours) {
  const struct {
    std::vector<const char*> args;
    bool accepted;
  } cases[] = {
      {{"--seed", "0"}, true},
      {{"--seed", "2147483647"}, true},
      {{"--seed", "2147483648"}, false},
      {{"--seed", "000000000000000007"}, true},
      {{"--seed", "0000000000000000007"}, false},
      {{"--events", "1"}, true},
      {{"--events", "0"}, false},
      {{"--events", "4e14"}, true},
      {{"--events", "400000000000001"}, false},
      {{"--jobs", "0"}, true},
      {{"--jobs", "1024"}, true},
      {{"--jobs", "1025"}, false},
      {{"--jobs", "auto"}, true},
      {{"--jobs", ""}, false},
      {{"--checkpoint-every", "0"}, true},
      {{"--checkpoint-every", "10000000"}, true},
      {{"--checkpoint-every", "10000000.5"}, false},
      {{"--checkpoint-every", "-0.5"}, false},
      {{"--checkpoint-every", "5s"}, false},
      {{"--checkpoint-every", "nan"}, false},
  };
  for (const auto& c : cases) {
    const Parsed p = parseWith(c.args);
    const std::string shown = std::string(c.args[0]) + " " + c.args[1];
    if (c.accepted) {
      EXPECT_EQ(p.line.exitStatus, -1) << shown << p.err;
    } else {
      EXPECT_EQ(p.line.exitStatus, 2) << shown;
      EXPECT_EQ(p.err.rfind("tarn scan: ", 0), 0u) << shown << p.err;
    }
  }
  EXPECT_EQ(parseWith({"--seed", "2147483647"}).line.options.seed, 2147483647);
  EXPECT_EQ(parseWith({"--jobs", "1024"}).line.options.jobs, 1024);
  EXPECT_EQ(parseWith({"--jobs", "0"}).line.options.jobs, 0);
  EXPECT_EQ(parseWith({"--jobs", "auto"}).line.options.jobs, 0);
  EXPECT_EQ(parseWith({"--events", "1"}).line.options.events, 1);
  EXPECT_EQ(parseWith({"--checkpoint-every", "0"}).line.options.checkpointEvery, "0");
  // The defaults.
  const tarn::scan::Options d = parseWith({}).line.options;
  EXPECT_EQ(d.events, 100000);
  EXPECT_EQ(d.jobs, 1);
  EXPECT_EQ(d.seed, 7);
  EXPECT_EQ(d.outputDir, "scan");
  EXPECT_EQ(d.inputDir, "");
  EXPECT_EQ(d.beamlineFile, "");
  EXPECT_EQ(d.checkpointEvery, "");
}

TEST(ScanOptionBounds, TheWordsOfEachRefusal) {
  testsupport::ScratchDir dir("scanbounds");
  const std::string file = (dir.path() / "plain").string();
  { std::ofstream(file) << "x"; }
  const struct {
    std::vector<const char*> args;
    std::string what;
  } cases[] = {
      {{"--set", "cells.length=30", "--seed", "2147483648"},
       "--seed: '2147483648' is not a whole number from 0 to 2147483647"},
      {{"--set", "cells.length=30", "--seed", "7", "--events", "0"},
       "--events: '0' is not a number of events from 1 to 4 x 10^14"},
      {{"--set", "cells.length=30", "--seed", "7", "--jobs", "1025"},
       "--jobs: '1025' is not a number of jobs from 0 to 1024 or auto"},
      {{"--set", "cells.length=30", "--seed", "7", "--checkpoint-every", "1e8"},
       "--checkpoint-every: '1e8' is not a number of seconds from 0 to 10^7"},
      {{"--set", "cells.length=30", "--seed", "7", "--output-dir", file.c_str()},
       "--output-dir: " + file + " exists and is not a directory"},
      {{"--set", "=30,40", "--seed", "7"}, "--set =30,40: give KEY=VALUE1,VALUE2,..."},
      {{"--set", "cells.length=30,", "--seed", "7"},
       "--set cells.length=30,: an empty value; give the values separated by commas"},
      {{"--set", "cells.length= ,30", "--seed", "7"},
       "--set cells.length= ,30: an empty value; give the values separated by commas"},
      {{"--set", "cells.length=30", "--set", "cells.length=31", "--seed", "7"},
       "--set cells.length is given twice: give all its values in one --set"},
  };
  for (const auto& c : cases) {
    const Parsed p = parse(c.args);
    EXPECT_EQ(p.err, refusal(c.what)) << c.what;
    EXPECT_EQ(p.line.exitStatus, 2) << c.what;
  }
  // Two keys each once are two axes.
  EXPECT_EQ(parse({"--set", "cells.length=30", "--set", "cells.temperature=2", "--seed", "7"}).line.exitStatus, -1);
}

TEST(ScanOptionBounds, AnAxisKeepsEachValueTrimmedOfSpaces) {
  tarn::scan::Axis axis;
  std::string why;
  ASSERT_TRUE(tarn::scan::parseAxis("cells.length=  30 , 300 mm,41.6  ", axis, why)) << why;
  EXPECT_EQ(axis.key, "cells.length");
  EXPECT_EQ(axis.values, (std::vector<std::string>{"30", "300 mm", "41.6"}));
  ASSERT_TRUE(tarn::scan::parseAxis("k=1", axis, why));
  EXPECT_EQ(axis.values, std::vector<std::string>{"1"});  // an earlier axis's values are gone
  EXPECT_FALSE(tarn::scan::parseAxis(",30", axis, why));
  EXPECT_EQ(why, "--set ,30: give KEY=VALUE1,VALUE2,...");
  EXPECT_FALSE(tarn::scan::parseAxis("k=", axis, why));
  EXPECT_EQ(why, "--set k=: an empty value; give the values separated by commas");
}

TEST(ScanOptionBounds, TheCommandIsKeptAsAShellReadsIt) {
  const Parsed p = parse({"--set", "cells.length=30,300 mm", "--seed", "7", "--output-dir", "it's"});
  ASSERT_EQ(p.line.exitStatus, -1) << p.err;
  EXPECT_EQ(p.line.options.command, "tarn scan --set 'cells.length=30,300 mm' --seed 7 --output-dir 'it'\\''s'");
  const Parsed empty = parse({"--set", "cells.length=30", "--seed", "7", "--beamline", ""});
  EXPECT_EQ(empty.line.options.command, "tarn scan --set cells.length=30 --seed 7 --beamline ''");
}

TEST(ScanOptionBounds, FoldersNumberedWithAtLeastTwoDigits) {
  const auto folders = [](std::vector<const char*> args) {
    const Parsed p = parse(args);
    EXPECT_EQ(p.line.exitStatus, -1) << p.err;
    std::vector<std::string> out;
    for (const tarn::scan::Point& point : tarn::scan::makeGrid(p.line.options).points) out.push_back(point.folder);
    return out;
  };
  EXPECT_EQ(folders({"--set", "cells.length=30", "--seed", "1"}), std::vector<std::string>{"01"});
  const std::vector<std::string> nine = folders({"--set", "cells.length=21,22,23,24,25,26,27,28,29", "--seed", "1"});
  ASSERT_EQ(nine.size(), 9u);
  EXPECT_EQ(nine[8], "09_cells.length=29");
  const std::vector<std::string> hundred =
      folders({"--set", "cells.length=21,22,23,24,25,26,27,28,29,30", "--set",
               "cells.temperature=1,1.1,1.2,1.3,1.4,1.5,1.6,1.7,1.8,1.9", "--seed", "1"});
  ASSERT_EQ(hundred.size(), 100u);
  EXPECT_EQ(hundred[0], "001_cells.length=21_cells.temperature=1");
  EXPECT_EQ(hundred[99], "100_cells.length=30_cells.temperature=1.9");
}
