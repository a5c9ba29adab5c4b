// The edges of the command line's rules: each option's range on both sides,
// the exact words of each refusal, the conflicts between options and what
// makes the report extended; the common cases are in run_options_test.cpp.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/commandlines.h"
#include "transport/run/commandline.h"
#include "transport/run/detected.h"

namespace {

using Parsed = testsupport::ParsedRun;
const auto parse = testsupport::parseRun;

std::string refusal(const std::string& what) { return "tarn: " + what + " (see tarn --help)\n"; }

}  // namespace

TEST(RunOptionBounds, EachRangeAcceptsItsEndsAndRefusesTheirNeighbours) {
  const struct {
    std::vector<const char*> args;
    bool accepted;
  } cases[] = {
      {{"--events", "1"}, true},
      {{"--events", "0"}, false},
      {{"--events", "400000000000000"}, true},
      {{"--events", "400000000000001"}, false},
      {{"--seed", "0"}, true},
      {{"--seed", "2147483647"}, true},
      {{"--seed", "2147483648"}, false},
      {{"--seed", "000000000000000007"}, true},    // 18 digits
      {{"--seed", "0000000000000000007"}, false},  // 19 digits
      {{"--jobs", "0"}, true},
      {{"--jobs", "1024"}, true},
      {{"--jobs", "1025"}, false},
      {{"--jobs", "auto"}, true},
      {{"--jobs", "Auto"}, false},
      {{"--checkpoint-every", "0"}, true},
      {{"--checkpoint-every", "10000000"}, true},
      {{"--checkpoint-every", "10000000.001"}, false},
      {{"--checkpoint-every", "-0.001"}, false},
      {{"--checkpoint-every", "inf"}, false},
      {{"--checkpoint-every", "nan"}, false},
      {{"--checkpoint-every", "5s"}, false},
      {{"--sampler", "auto"}, true},
      {{"--sampler", "ranlux"}, true},
      {{"--sampler", "RANLUX"}, false},
      {{"--ntuple", "detected"}, true},
      {{"--ntuple", "scattered"}, true},
      {{"--ntuple", "all"}, false},
      {{"--ntuple", "detected", "--ntuple-max", "1"}, true},
      {{"--ntuple", "detected", "--ntuple-max", "0"}, false},
      {{"--ntuple", "detected", "--ntuple-max", "2147483647"}, true},
      {{"--ntuple", "detected", "--ntuple-max", "2147483648"}, false},
      {{"--events", "300000", "--blocks", "0"}, true},
      {{"--events", "300000", "--blocks", "2-2"}, true},
      {{"--events", "300000", "--blocks", "1-2"}, true},
      {{"--events", "300000", "--blocks", "3"}, false},
      {{"--events", "300001", "--blocks", "3"}, true},  // a fourth block of one event
      {{"--events", "300000", "--blocks", "2-1"}, false},
      {{"--events", "300000", "--blocks", "-1"}, false},
  };
  for (const auto& c : cases) {
    const Parsed p = parse(c.args);
    std::string shown;
    for (const char* a : c.args) shown += std::string(a) + " ";
    if (c.accepted) {
      EXPECT_EQ(p.line.exitStatus, -1) << shown << p.err;
      EXPECT_TRUE(p.err.empty()) << shown;
    } else {
      EXPECT_EQ(p.line.exitStatus, 2) << shown;
      EXPECT_EQ(p.err.rfind("tarn: ", 0), 0u) << shown << p.err;
    }
  }
  // The values at the ends reach the run.
  EXPECT_EQ(parse({"--seed", "2147483647"}).line.run.seed, 2147483647);
  EXPECT_EQ(parse({"--jobs", "1024"}).line.run.jobs, 1024);
  EXPECT_EQ(parse({"--jobs", "0"}).line.run.jobs, 0);
  EXPECT_EQ(parse({"--checkpoint-every", "10000000"}).line.run.checkpointEvery, 1e7);
  EXPECT_EQ(parse({"--checkpoint-every", "0"}).line.run.checkpointEvery, 0.0);
  EXPECT_EQ(parse({"--ntuple", "scattered", "--ntuple-max", "2147483647"}).line.run.ntupleMax, 2147483647);
  EXPECT_EQ(parse({"--ntuple", "scattered"}).line.run.ntuple, tarn::NtupleChoice::Scattered);
  EXPECT_EQ(parse({"--ntuple", "detected"}).line.run.ntuple, tarn::NtupleChoice::Detected);
  EXPECT_EQ(parse({"--ntuple", "detected"}).line.run.ntupleMax, tarn::NTUPLE_MAX_ROWS);
  EXPECT_EQ(parse({"--seed", "1"}).line.run.ntuple, tarn::NtupleChoice::None);
  const Parsed oneBlock = parse({"--events", "300000", "--blocks", "1"});
  EXPECT_EQ(oneBlock.line.run.firstBlock, 1);
  EXPECT_EQ(oneBlock.line.run.lastBlock, 1);
}

TEST(RunOptionBounds, TheWordsOfEachRefusal) {
  const struct {
    std::vector<const char*> args;
    std::string what;
  } cases[] = {
      {{"--events", "0"}, "--events: '0' is not a number of events from 1 to 4 x 10^14"},
      {{"--seed", "2147483648"}, "--seed: '2147483648' is not a whole number from 0 to 2147483647"},
      {{"--jobs", "1025"}, "--jobs: '1025' is not a number of jobs from 0 to 1024 or auto"},
      {{"--checkpoint-every", "1e8"}, "--checkpoint-every: '1e8' is not a number of seconds from 0 to 10^7"},
      {{"--sampler", "mt"}, "--sampler: 'mt' is not auto or ranlux"},
      {{"--blocks", "x"}, "--blocks: 'x' is not a range of blocks FIRST-LAST"},
      {{"--ntuple", "all"}, "--ntuple: 'all' is neither detected nor scattered"},
      {{"--ntuple", "detected", "--ntuple-max", "0"}, "--ntuple-max: '0' is not a number of rows from 1 to 2147483647"},
      {{"--ntuple-max", "5"}, "--ntuple-max 5 caps the rows of --ntuple: give --ntuple too"},
      {{"--events", "250000", "--blocks", "3"}, "--blocks 3: a run of 250000 events has blocks 0-2"},
      {{"--blocks", "1"}, "--blocks 1: a run of 100000 events has blocks 0-0"},
      {{"--resume", ".", "--output-dir", "x"},
       "--resume . writes into the stopped run's directory: leave out --output-dir"},
      {{"extra"}, "unexpected argument 'extra': options come as --name value"},
      {{"--seed", "1", "extra"}, "unexpected argument 'extra': options come as --name value"},
      {{"--help-me"}, "unknown option --help-me"},
      {{"--jbs", "2"}, "unknown option --jbs (did you mean --jobs?)"},
      {{"--samplerr=auto"}, "unknown option --samplerr (did you mean --sampler?)"},
      {{"--ntuplemax", "3"}, "unknown option --ntuplemax (did you mean --ntuple-max?)"},
  };
  for (const auto& c : cases) {
    const Parsed p = parse(c.args);
    EXPECT_EQ(p.err, refusal(c.what)) << c.args[0];
    EXPECT_EQ(p.line.exitStatus, 2) << c.args[0];
  }
  // A resumed run takes its events from the checkpoint: --blocks is not
  // checked against the default events then.
  EXPECT_EQ(parse({"--resume", ".", "--blocks", "5"}).line.exitStatus, -1);
  // --version and --help print to the output, nothing to the errors.
  const Parsed version = parse({"--seed", "1", "--version"});
  EXPECT_EQ(version.line.exitStatus, 0);
  EXPECT_TRUE(version.err.empty());
  const Parsed help = parse({"-h"});
  EXPECT_EQ(help.line.exitStatus, 0);
  EXPECT_EQ(help.out, tarn::usageText());
}

TEST(RunOptionBounds, NearestOptionOnlyWhenAQuarterOrLessDiffers) {
  // --events is 8 characters: at most 2 edits (8 / 4 + 1 = 3 is too many).
  EXPECT_EQ(parse({"--evxxts", "5"}).err, refusal("unknown option --evxxts (did you mean --events?)"));
  EXPECT_EQ(parse({"--exxxts", "5"}).err, refusal("unknown option --exxxts"));
  // --checkpoint-every is 18: 18 / 4 + 1 = 5, so 4 edits are still a slip.
  EXPECT_EQ(parse({"--checkxxxxt-every", "5"}).err,
            refusal("unknown option --checkxxxxt-every (did you mean --checkpoint-every?)"));
  EXPECT_EQ(parse({"--chexxxxxnt-every", "5"}).err, refusal("unknown option --chexxxxxnt-every"));
  // A value option's value is skipped, a flag's following word is not.
  EXPECT_EQ(parse({"--seed", "1", "--jobs", "--x"}).line.exitStatus, 2);
  EXPECT_EQ(parse({"--scan-point", "extra"}).err, refusal("unexpected argument 'extra': options come as --name value"));
}

TEST(RunOptionBounds, OnlyTheBeamlineOptionsLeaveTheReportAsTheRunWithoutOptionsHasIt) {
  EXPECT_FALSE(parse({}).line.run.extendedReport);
  EXPECT_FALSE(parse({"--set", "cells.length=30"}).line.run.extendedReport);
  EXPECT_FALSE(parse({"--beamline", TARN_DATA_DIR "/beamline.toml"}).line.run.extendedReport);
  for (const std::vector<const char*>& args : std::vector<std::vector<const char*>>{
           {"--sampler", "auto"},
           {"--jobs", "1"},
           {"--events", "100000"},
           {"--ntuple", "detected"},
           {"--scan-point"},
           {"--input-dir", TARN_DATA_DIR},
           {"--set", "cells.length=30", "--seed", "5"},
       })
    EXPECT_TRUE(parse(args).line.run.extendedReport) << args[0];
  EXPECT_TRUE(parse({"--scan-point"}).line.run.recordSignalsOnly);
  EXPECT_FALSE(parse({"--seed", "2"}).line.run.recordSignalsOnly);
  EXPECT_FALSE(parse({"--sampler", "auto"}).line.run.eventsGiven);
  EXPECT_TRUE(parse({"--sampler", "auto"}).line.run.samplerGiven);
  EXPECT_EQ(parse({"--seed", "2"}).line.run.seed, 2);
  EXPECT_EQ(parse({"--jobs", "2"}).line.run.seed, -1);
  // A refused beamline: its errors, then the line saying where the keys are.
  const Parsed bad = parse({"--set", "cells.length=0"});
  EXPECT_EQ(bad.line.exitStatus, 2);
  EXPECT_EQ(bad.err,
            "tarn: --set cells.length=0: cells.length = 0 cm: must be a positive length in cm\n"
            "tarn: the beamline is refused; docs/beamline.md lists the keys, their units and limits\n");
  const Parsed good = parse({"--set", "cells.length=30"});
  EXPECT_EQ(good.line.run.beamline.values.cells.length, 30.0);
}
