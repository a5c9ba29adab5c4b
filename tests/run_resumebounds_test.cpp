// What a resumed run refuses, each condition alone and at its edge: no
// checkpoint or several, each option that differs from the stopped run's
// (a seed of 0 included), --ntuple where the stopped run had none, another
// beamline; the same values given again are taken. A new run of several
// blocks beside a checkpoint of its seed is told to resume; a run of one
// block is not.
#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <sstream>

#include "support/runs.h"
#include "transport/description/summary.h"
#include "transport/run/checkpoint.h"
#include "transport/run/digest.h"

using namespace testsupport;

namespace {

const tarn::RunStamp START = tarn::makeStamp(2026, 11, 2, 15, 3, 7, 9);

// The checkpoint of a stopped run of seed 41 and `events` events on the
// shipped inputs and beamline, no block done.
void writeStoppedRun(const fs::path& dir, std::int64_t events, std::int64_t seed = 41) {
  tarn::Checkpoint c;
  c.run = tarn::RunIdentity(seed, events, "auto", tarn::BlockSet::range(0, tarn::blockCount(events) - 1));
  c.run.set("beamline", tarn::description::digest(tarn::SHIPPED_BEAMLINE));
  c.options.set("input-dir", TARN_DATA_DIR);
  for (const char* name : {"lam.hbook", "gradx.hbook", "sq.hbook"})
    c.run.set(name, tarn::fileDigest(std::string(TARN_DATA_DIR) + "/" + name));
  tarn::writeCheckpoint((dir / tarn::checkpointName(seed)).string(), c);
}

struct Outcome {
  int status;
  std::string err;
  RunResult run;
};

// The run with `options`, its clock fixed; the errors captured.
Outcome runCaptured(const fs::path& dir, tarn::RunOptions options) {
  options.clock = [] { return START; };
  std::ostringstream err;
  std::streambuf* old = std::cerr.rdbuf(err.rdbuf());
  Outcome o;
  o.run = runWithOptions(dir, options, START);
  std::cerr.rdbuf(old);
  o.status = o.run.status;
  o.err = err.str();
  return o;
}

tarn::RunOptions resumeOf(const fs::path& dir) {
  tarn::RunOptions options;
  options.resumeDir = dir.string();
  options.extendedReport = true;
  return options;
}

std::string leaveOut(const std::string& option, const std::string& value, const std::string& theirs,
                     const fs::path& checkpoint) {
  return "tarn: " + option + " " + value + " differs from the stopped run's " + theirs + " (" + checkpoint.string() +
         "); a resumed run goes on with the stopped one: leave " + option + " out\n";
}

}  // namespace

TEST(ResumeBounds, NoCheckpointOrSeveral) {
  ScratchDir dir("resume-none");
  const Outcome none = runCaptured(dir.path(), resumeOf(dir.path()));
  EXPECT_EQ(none.status, 2);
  const std::string noCheckpoint = "tarn: " + dir.path().string() +
                                   " holds no checkpoint (h<ranNo>.checkpoint): there is no stopped run to resume\n";
  EXPECT_EQ(none.err, noCheckpoint);
  // A name of 12 characters is no run's checkpoint ("h" and ".checkpoint" alone).
  { std::ofstream(dir.path() / "h.checkpoint") << "x"; }
  EXPECT_EQ(runCaptured(dir.path(), resumeOf(dir.path())).err, noCheckpoint);
  writeStoppedRun(dir.path(), 2000, 41);
  writeStoppedRun(dir.path(), 2000, 42);
  const Outcome several = runCaptured(dir.path(), resumeOf(dir.path()));
  EXPECT_EQ(several.status, 2);
  EXPECT_EQ(several.err.rfind("tarn: " + dir.path().string() + " holds the checkpoints of several runs: ", 0), 0u)
      << several.err;
  EXPECT_NE(several.err.find((dir.path() / "h41.checkpoint").string()), std::string::npos);
  EXPECT_NE(several.err.find((dir.path() / "h42.checkpoint").string()), std::string::npos);
  EXPECT_EQ(several.err.find("h.checkpoint"), std::string::npos);
  EXPECT_NE(several.err.find("; resume each from a directory of its own\n"), std::string::npos);
}

TEST(ResumeBounds, EachOptionThatDiffersAloneIsRefusedAndNothingIsWritten) {
  ScratchDir dir("resume-differs");
  writeStoppedRun(dir.path(), 250000);
  const fs::path checkpoint = dir.path() / "h41.checkpoint";
  const struct {
    const char* what;
    std::function<void(tarn::RunOptions&)> change;
    std::string err;
  } cases[] = {
      {"events", [](tarn::RunOptions& o) { o.eventsGiven = true, o.nEvents = 250001; },
       leaveOut("--events", "250001", "250000", checkpoint)},
      {"seed", [](tarn::RunOptions& o) { o.seed = 42; }, leaveOut("--seed", "42", "41", checkpoint)},
      {"seed 0", [](tarn::RunOptions& o) { o.seed = 0; }, leaveOut("--seed", "0", "41", checkpoint)},
      {"sampler", [](tarn::RunOptions& o) { o.samplerGiven = true, o.sampler = tarn::SamplerChoice::Ranlux; },
       leaveOut("--sampler", "ranlux", "auto", checkpoint)},
      {"blocks", [](tarn::RunOptions& o) { o.blocksGiven = true, o.firstBlock = 0, o.lastBlock = 1; },
       leaveOut("--blocks", "0-1", "0-2", checkpoint)},
      {"ntuple", [](tarn::RunOptions& o) { o.ntuple = tarn::NtupleChoice::Detected; },
       "tarn: --ntuple detected --ntuple-max 1000000 differs from the stopped run's run without --ntuple (" +
           checkpoint.string() + "); a resumed run goes on with the stopped one: leave --ntuple out\n"},
  };
  for (const auto& c : cases) {
    tarn::RunOptions options = resumeOf(dir.path());
    c.change(options);
    const Outcome o = runCaptured(dir.path(), options);
    EXPECT_EQ(o.status, 2) << c.what;
    EXPECT_EQ(o.err, c.err) << c.what;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1) << c.what;
  }
  // Another beamline.
  tarn::RunOptions other = resumeOf(dir.path());
  other.beamline.values.cells.length = 30.0;
  const Outcome beamline = runCaptured(dir.path(), other);
  EXPECT_EQ(beamline.status, 2);
  EXPECT_EQ(beamline.err, "tarn: the stopped run's beamline (digest 8419f72fa6eac663, " + checkpoint.string() +
                              ") is not this one (digest " + tarn::description::digest(other.beamline.values) +
                              "): give the --beamline and --set of the stopped run, as its log lists them\n");
}

TEST(ResumeBounds, TheStoppedRunsOwnValuesGivenAgainAreTaken) {
  ScratchDir dir("resume-same");
  writeStoppedRun(dir.path(), 2000);
  tarn::RunOptions options = resumeOf(dir.path());
  options.eventsGiven = true, options.nEvents = 2000;
  options.seed = 41;
  options.samplerGiven = true, options.sampler = tarn::SamplerChoice::Automatic;
  options.blocksGiven = true, options.firstBlock = 0, options.lastBlock = 0;
  const Outcome o = runCaptured(dir.path(), options);
  ASSERT_EQ(o.status, 0) << o.err << o.run.console;
  EXPECT_TRUE(o.err.empty()) << o.err;
  EXPECT_NE(o.run.console.find("Resumed from " + (dir.path() / "h41.checkpoint").string()), std::string::npos)
      << o.run.console;
  EXPECT_TRUE(fs::exists(dir.path() / "h41.hbook"));
}

TEST(ResumeBounds, ANewRunOfSeveralBlocksBesideItsCheckpointIsToldToResume) {
  ScratchDir dir("resume-fresh");
  writeStoppedRun(dir.path(), 250000);
  tarn::RunOptions options;
  options.seed = 41;
  options.extendedReport = true;
  options.inputDir = TARN_DATA_DIR;
  options.outputDir = dir.path().string();
  options.nEvents = 100001;  // two blocks
  const Outcome two = runCaptured(dir.path(), options);
  EXPECT_EQ(two.status, 2);
  EXPECT_EQ(two.err, "tarn: " + (dir.path() / "h41.checkpoint").string() +
                         " exists: a run with seed 41 was stopped there. Go on with it: tarn --resume " +
                         dir.path().string() + "; or remove the checkpoint, or use another --output-dir\n");
  // Another seed, or one block (which keeps no checkpoint), runs.
  options.nEvents = 2000;
  const Outcome one = runCaptured(dir.path(), options);
  EXPECT_EQ(one.status, 0) << one.err;
  EXPECT_TRUE(fs::exists(dir.path() / "h41.hbook"));
  EXPECT_TRUE(fs::exists(dir.path() / "h41.checkpoint"));
}
