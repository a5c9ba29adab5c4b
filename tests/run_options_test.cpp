// The command line and what its options change: the seed, the number of
// events, the directories, the extended report; the run without options is
// pinned by run_regression_test.cpp.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <sstream>

#include "support/commandlines.h"
#include "support/runs.h"
#include "transport/run/blocks.h"
#include "transport/run/commandline.h"
#include "transport/run/figureerrors.h"
#include "transport/run/report.h"
#include "transport/run/runfiles.h"
#include "transport/run/runrecord.h"

using namespace testsupport;

namespace {

// The regression run's clock reading: ranNo 763595.
const tarn::RunStamp START = tarn::makeStamp(2026, 11, 2, 14, 37, 41, 503);
// Another reading, another minute: ranNo 3 * 7 * 9 + 7 + 9 = 205.
const tarn::RunStamp OTHER = tarn::makeStamp(2026, 11, 2, 15, 3, 7, 9);

using Parsed = testsupport::ParsedRun;
const auto parse = testsupport::parseRun;

// A run in `dir` with the options given and the clock fixed at `start`.
RunResult runWith(const fs::path& dir, tarn::RunOptions options, const tarn::RunStamp& start) {
  options.clock = [start] { return start; };
  return runWithOptions(dir, options, start);
}

// Every histogram's id, title, binning, entries and the bits of every channel.
std::string contents(const fs::path& file) {
  std::ostringstream out;
  for (const hbook::Histogram& h : hbook::readFile(file.string()).histograms) {
    out << h.id << " '" << h.title << "' " << h.nx << " " << std::bit_cast<std::uint32_t>(h.xmin) << " "
        << std::bit_cast<std::uint32_t>(h.xmax) << " " << h.entries << ":";
    for (float c : h.channels) out << " " << std::bit_cast<std::uint32_t>(c);
    out << "\n";
  }
  return out.str();
}

bool hasLineStarting(const std::string& text, const std::string& prefix) {
  for (const std::string& line : lines(text))
    if (line.rfind(prefix, 0) == 0) return true;
  return false;
}

}  // namespace

TEST(RunOptionsParse, ValuesReachTheRunAndAnyOptionExtendsTheReport) {
  const Parsed p = parse({"--events", "2500000", "--seed", "7", "--input-dir", TARN_DATA_DIR, "--output-dir", "x/y",
                          "--sampler", "ranlux"});
  ASSERT_EQ(p.line.exitStatus, -1) << p.err;
  EXPECT_EQ(p.line.run.nEvents, 2500000);
  EXPECT_EQ(p.line.run.seed, 7);
  EXPECT_EQ(p.line.run.inputDir, TARN_DATA_DIR);
  EXPECT_EQ(p.line.run.outputDir, "x/y");
  EXPECT_EQ(p.line.run.sampler, tarn::SamplerChoice::Ranlux);
  EXPECT_TRUE(p.line.run.extendedReport);
  const Parsed seedOnly = parse({"--seed=0"});
  EXPECT_EQ(seedOnly.line.run.nEvents, tarn::Nevents);
  EXPECT_EQ(seedOnly.line.run.seed, 0);
  EXPECT_EQ(seedOnly.line.run.sampler, tarn::SamplerChoice::Automatic);
}

TEST(RunOptionsParse, WrongCommandLinesGiveStatusTwoAndOneLineSayingWhat) {
  for (const std::vector<const char*>& args : std::vector<std::vector<const char*>>{
           {"--bogus"},
           {"--events"},
           {"--events", "0"},
           {"--events", "-5"},
           {"--events", "1.5"},
           {"--events", "10000000000000000"},
           {"--seed", "-1"},
           {"--seed", "2147483648"},
           {"--seed", "seven"},
           {"--input-dir", "/no/such/directory"},
           {"--output-dir", "/dev/null"},
           {"--sampler", "mersenne"},
           {"--sampler", "rndm"},
           {"--jobs", "-1"},
           {"--jobs", "many"},
           {"--jobs", "1025"},
           {"--blocks", "5-3"},
           {"--blocks", "1-"},
           {"--blocks", "0-1"},  // a run of 100000 events has block 0 only
           {"--checkpoint-every", "-1"},
           {"--checkpoint-every", "soon"},
           {"--resume", "/no/such/directory"},
           {"extra"},
       }) {
    const Parsed p = parse(args);
    EXPECT_EQ(p.line.exitStatus, 2) << args[0];
    // One line: what is wrong, and where to look; never the whole usage.
    EXPECT_EQ(p.err.rfind("tarn: ", 0), 0u) << p.err;
    EXPECT_EQ(p.err.find('\n'), p.err.size() - 1) << p.err;
    EXPECT_NE(p.err.find(" (see tarn --help)\n"), std::string::npos) << p.err;
    EXPECT_TRUE(p.out.empty());
  }
  // The messages a user reads: a seed that is not a number is not "out of
  // range"; an unknown option comes first, with the nearest one when it is
  // near, and its value is not taken for it.
  EXPECT_EQ(parse({"--seed", "abc"}).err,
            "tarn: --seed: 'abc' is not a whole number from 0 to 2147483647 (see tarn --help)\n");
  EXPECT_EQ(parse({"--evnts", "5"}).err, "tarn: unknown option --evnts (did you mean --events?) (see tarn --help)\n");
  EXPECT_EQ(parse({"--bogus", "3"}).err, "tarn: unknown option --bogus (see tarn --help)\n");
  EXPECT_EQ(parse({"--events=10", "--colour=red"}).err, "tarn: unknown option --colour (see tarn --help)\n");
  EXPECT_NE(parse({"--sampler", "rndm"}).err.find("block 0 draws from RNDM already"), std::string::npos);
  EXPECT_NE(parse({"--resume", ".", "--output-dir", "x"}).err.find("leave out --output-dir"), std::string::npos);
  const Parsed help = parse({"--help"});
  EXPECT_EQ(help.line.exitStatus, 0);
  EXPECT_NE(help.out.find("--events N"), std::string::npos);
  const Parsed version = parse({"--version"});
  EXPECT_EQ(version.line.exitStatus, 0);
  EXPECT_EQ(version.out, "tarn 9.9\n");
}

TEST(RunOptionsParse, TheNewOptionsReachTheRunAndOneArgumentIsAnOption) {
  // Any option extends the report, an option written as one argument too.
  for (const char* one : {"--events=5000", "--seed=3", "--jobs=2", "--checkpoint-every=5"}) {
    const Parsed p = parse({one});
    EXPECT_EQ(p.line.exitStatus, -1) << one << p.err;
    EXPECT_TRUE(p.line.run.extendedReport) << one;
  }
  const Parsed p = parse({"--events", "25e5", "--blocks", "5-9", "--jobs", "auto", "--checkpoint-every", "0.5",
                          "--sampler", "ranlux"});
  ASSERT_EQ(p.line.exitStatus, -1) << p.err;
  EXPECT_EQ(p.line.run.firstBlock, 5);
  EXPECT_EQ(p.line.run.lastBlock, 9);
  EXPECT_TRUE(p.line.run.blocksGiven && p.line.run.eventsGiven && p.line.run.samplerGiven);
  EXPECT_EQ(p.line.run.jobs, 0);  // the machine's cores
  EXPECT_EQ(p.line.run.checkpointEvery, 0.5);
  EXPECT_EQ(p.line.run.sampler, tarn::SamplerChoice::Ranlux);
  // The last block of the run is the last one --blocks may name.
  EXPECT_EQ(parse({"--events", "250000", "--blocks", "2"}).line.exitStatus, -1);
  EXPECT_NE(parse({"--events", "250000", "--blocks", "2-3"}).err.find("has blocks 0-2"), std::string::npos);
  const Parsed defaults = parse({"--seed", "1"});
  EXPECT_EQ(defaults.line.run.jobs, 1);
  EXPECT_EQ(defaults.line.run.lastBlock, -1);
  EXPECT_FALSE(defaults.line.run.samplerGiven || defaults.line.run.eventsGiven || defaults.line.run.blocksGiven);
  EXPECT_EQ(defaults.line.run.checkpointEvery, 60.0);
}

TEST(RunOptionsParse, EventCountsUpToFourTimesTenToTheFourteen) {
  EXPECT_EQ(tarn::parseEventCount("100000"), 100000);
  EXPECT_EQ(tarn::parseEventCount("1e12"), 1000000000000);
  EXPECT_EQ(tarn::parseEventCount("25E5"), 2500000);
  EXPECT_EQ(tarn::parseEventCount("4e14"), tarn::MOST_EVENTS);
  EXPECT_EQ(tarn::parseEventCount("400000000000000"), tarn::MOST_EVENTS);
  // Within the 2^32 blocks a seed's streams are made for.
  EXPECT_LE(tarn::blockCount(tarn::MOST_EVENTS), std::int64_t{1} << 32);
  for (const char* bad : {"", "0", "1e15", "400000000000001", "99999999999999999999", "1e", "e5", "12 ", "+5", "0x10"})
    EXPECT_EQ(tarn::parseEventCount(bad), -1) << bad;
}

TEST(RunOptionsSeed, SeedRunReproducesTheClockRunOfThatRanNo) {
  ScratchDir clockDir("clockrun"), seedDir("seedrun");
  clockDir.copyShippedInputs();
  const RunResult clock = runIn(clockDir.path(), tarn::Nevents, START);
  ASSERT_EQ(clock.status, 0) << clock.console;

  tarn::RunOptions options;
  options.seed = tarn::seedFromStamp(START);
  options.inputDir = TARN_DATA_DIR;
  options.outputDir = (seedDir.path() / "out").string();
  options.extendedReport = true;
  const RunResult seeded = runWith(seedDir.path(), options, OTHER);
  ASSERT_EQ(seeded.status, 0) << seeded.console;
  const std::string name = tarn::histFileName(763595);
  EXPECT_EQ(contents(seedDir.path() / "out" / name), contents(clockDir.path() / name));
  // The report's counts too; the extended report adds its lines.
  for (const char* label : {"tar1 in", "tar2 in", "det in"})
    EXPECT_EQ(countAfter(seeded.console, label), countAfter(clock.console, label)) << label;
  EXPECT_TRUE(hasLineStarting(seeded.log, " Sampler: RNDM"));
  EXPECT_TRUE(hasLineStarting(seeded.log, tarn::EXACT_COUNTS_LABEL));
  EXPECT_FALSE(hasLineStarting(clock.log, " Sampler:"));
  EXPECT_FALSE(hasLineStarting(clock.log, tarn::EXACT_COUNTS_LABEL));
  // The figures with their errors end the extended report, on the console
  // and in the log, from the counts of that run; never in the clock run.
  const tarn::RunRecord record = tarn::runRecordFromText(seeded.logName, seeded.log);
  const std::vector<textout::Line> errors = tarn::figureErrorLines(record.totals);
  for (const std::string& text : {seeded.console, seeded.log}) {
    const std::size_t at = text.find(errors[0].str() + "\n");
    ASSERT_NE(at, std::string::npos) << text;
    std::string expected;
    for (const textout::Line& line : errors) expected += line.str() + "\n";
    EXPECT_EQ(text.substr(at), expected);
  }
  EXPECT_FALSE(hasLineStarting(clock.log, tarn::FIGURE_ERRORS_HEADING));
  EXPECT_FALSE(hasLineStarting(clock.console, tarn::FIGURE_ERRORS_HEADING));
  EXPECT_FALSE(fs::exists(seedDir.path() / clock.logName)) << "the log belongs in the output directory";
}

TEST(RunOptionsEvents, InputAndPerEventFractionsUseTheEventsRun) {
  ScratchDir dir("events");
  dir.copyShippedInputs();
  tarn::RunOptions options;
  options.nEvents = 30000;
  options.seed = 4242;
  options.extendedReport = true;
  const RunResult r = runWith(dir.path(), options, OTHER);
  ASSERT_EQ(r.status, 0) << r.console;
  EXPECT_NE(r.console.find("   Nevents:        30000\n"), std::string::npos);
  EXPECT_NE(r.console.find(" input        30000\n"), std::string::npos);
  // One block, shorter than the clock run's: block 0 on RNDM, so the run is
  // the clock run's first 30000 events.
  EXPECT_TRUE(hasLineStarting(r.console, " Sampler: RNDM, the histogram package's generator"));
  EXPECT_TRUE(hasLineStarting(r.console, " Blocks 0: one block of 30000 events"));
  // The fractions per event are the counts over 30000, as the exact line has them.
  const tarn::RunRecord record = tarn::runRecordFromText("log", r.log);
  EXPECT_EQ(record.totals.nEvents, 30000);
  const std::string low = textout::formatReal(
      static_cast<float>(static_cast<double>(record.totals.counters.nLowEnergy) / 30000.0));
  EXPECT_NE(r.log.find("  Fraction of cases where En < 1 meV" + low), std::string::npos) << r.log;
  const hbook::ReadResult file = hbook::readFile((dir.path() / "h4242.hbook").string());
  for (const hbook::Histogram& h : file.histograms) {
    if (h.id != 4017) continue;
    EXPECT_GT(h.entries, 29000);
  }
}

TEST(RunOptionsDirectories, OutputDirectoryIsMadeAndInputsComeFromTheirs) {
  ScratchDir dir("dirs");
  tarn::RunOptions options;
  options.nEvents = 2000;
  options.seed = 99;
  options.inputDir = TARN_DATA_DIR;
  options.outputDir = (dir.path() / "a" / "b").string();
  options.extendedReport = true;
  const RunResult r = runWith(dir.path(), options, OTHER);
  ASSERT_EQ(r.status, 0) << r.console;
  EXPECT_TRUE(fs::exists(dir.path() / "a" / "b" / "h99.hbook"));
  EXPECT_TRUE(fs::exists(dir.path() / "a" / "b" / r.logName));
  // A second run of the same seed: a fresh name beside the first.
  const RunResult again = runWith(dir.path(), options, START);
  ASSERT_EQ(again.status, 0) << again.console;
  EXPECT_TRUE(fs::exists(dir.path() / "a" / "b" / "h99-1.hbook"));
  EXPECT_NE(again.console.find(" h99.hbook exists; this run's histograms are in h99-1.hbook"), std::string::npos);

  // Inputs missing from the input directory are named with it.
  ScratchDir empty("noinputs");
  options.inputDir = empty.path().string();
  options.outputDir = (empty.path() / "out").string();
  const RunResult missing = runWith(empty.path(), options, OTHER);
  EXPECT_EQ(missing.status, 3);
  EXPECT_NE(missing.log.find(" " + (empty.path() / "lam.hbook").string() + ": no such file"), std::string::npos)
      << missing.log;
}

TEST(RunOptionsReport, CountsOfMoreThanTwelveDigitsWidenTheirField) {
  EXPECT_EQ(textout::formatInt(2147483648LL), "  2147483648");
  EXPECT_EQ(textout::formatInt(999999999999LL), "999999999999");
  EXPECT_EQ(textout::formatInt(1000000000000LL), "1000000000000");
  tarn::RunTotals t;
  t.nEvents = 4000000000000LL;
  t.counters.nLowEnergy = 866000000000LL;
  t.counters.nTar1In = 3000000000LL;
  const auto counts = tarn::countLines(t);
  EXPECT_EQ(counts[0].str(), " input 4000000000000");
  EXPECT_EQ(counts[1].str(), " tar1 in  3000000000");
  const auto figures = tarn::figureLines(t, false);
  EXPECT_EQ(figures[2].str(), "    Fraction of cases where En < 1 meV  0.2165000    ");
  EXPECT_EQ(tarn::exactCountsLine(t).str().rfind(" Exact counts: nEvents 4000000000000 nTar1In 3000000000 ", 0), 0u);
}
