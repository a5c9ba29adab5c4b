// Runs added together: the counters read back from run logs (runrecord.h),
// and the histogram files of two runs merged (hbook merge's library).
#include <gtest/gtest.h>

#include "hbook/merge.h"
#include "hbook/rz/reader.h"
#include "transport/description/summary.h"
#include "transport/run/filerecord.h"
#include "support/runs.h"
#include "transport/run/report.h"
#include "transport/run/filemerge.h"
#include "transport/run/runrecord.h"

using namespace testsupport;

namespace {

const tarn::RunStamp START = tarn::makeStamp(2026, 11, 2, 14, 37, 41, 503);  // the regression run

RunResult extendedRun(const fs::path& dir, std::int64_t events, std::int64_t seed, const tarn::RunStamp& start) {
  tarn::RunOptions options;
  options.nEvents = events;
  options.seed = seed;
  options.extendedReport = true;
  options.clock = [start] { return start; };
  return runWithOptions(dir, options, start);
}

void expectSameCounters(const tarn::RunTotals& a, const tarn::RunTotals& b) {
  EXPECT_EQ(tarn::exactCountsLine(a).str(), tarn::exactCountsLine(b).str());
}

std::string refusal(const std::string& text) {
  try {
    tarn::runRecordFromText("t.o", text);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

// Why a run record is refused ("" when it is not).
std::string recordRefusal(const std::string& text) {
  try {
    tarn::RunIdentity::parse(text);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

}  // namespace

TEST(RunSummaryRecord, DefaultLogGivesTheExactCountersOfItsRun) {
  // The stored log of the regression run has no exact line; the same run
  // with the extended report has. Both must give the same counters.
  const std::string reference = readText(fs::path(TARN_TEST_DATA) / "run" / "regression-log.txt");
  const tarn::RunRecord fromFigures = tarn::runRecordFromText("regression-log.txt", reference);
  EXPECT_FALSE(fromFigures.exactLine);
  EXPECT_TRUE(fromFigures.rndmSampler);
  EXPECT_EQ(fromFigures.seed, 763595);
  ScratchDir dir("summary");
  dir.copyShippedInputs();
  const RunResult run = extendedRun(dir.path(), tarn::Nevents, 763595, START);
  ASSERT_EQ(run.status, 0) << run.console;
  const tarn::RunRecord exact = tarn::runRecordFromText(run.logName, run.log);
  EXPECT_TRUE(exact.exactLine);
  expectSameCounters(fromFigures.totals, exact.totals);
  EXPECT_GT(exact.totals.counters.nScatTar1, 0);
}

TEST(RunSummaryRecord, DamagedUnfinishedOrUndeterminedLogsAreRefused) {
  const std::string reference = readText(fs::path(TARN_TEST_DATA) / "run" / "regression-log.txt");
  EXPECT_NE(refusal(replaced(reference, "0.2489345", "0.2489346")).find("no count prints the figure"), std::string::npos);
  EXPECT_NE(refusal(replaced(reference, "det in       10143", "det in       10144")).find("does not agree"),
            std::string::npos);
  EXPECT_NE(refusal(reference.substr(0, reference.find("   End time"))).find("the run did not finish"), std::string::npos);
  EXPECT_NE(refusal("hello\n").find("not a run log"), std::string::npos);

  // A run far larger than 100000 events without the exact line: seven
  // printed digits no longer single out the count.
  tarn::RunTotals big;
  big.nEvents = 4000000000;
  big.counters.nTar1In = 940000123;
  big.counters.nScatTar1 = 234000077;
  big.counters.nTar2In = 700000000;
  big.counters.nDetIn = 400000000;
  std::string text = " ranNo is            1\n";
  for (const auto& line : tarn::countLines(big)) text += line.str() + "\n";
  text += "   End time: 20261102    145941.503  \n";
  for (const auto& line : tarn::figureLines(big, true)) text += line.str() + "\n";
  EXPECT_NE(refusal(text).find("does not determine its count"), std::string::npos) << refusal(text);
  // With the exact line it reads, and its figures are checked against it.
  std::string withExact = text;
  withExact.insert(withExact.find("   End time"), tarn::exactCountsLine(big).str() + "\n");
  expectSameCounters(tarn::runRecordFromText("big.o", withExact).totals, big);
  EXPECT_NE(refusal(replaced(withExact, "nScatTar1 234000077", "nScatTar1 334000077")).find("does not agree"),
            std::string::npos);
  EXPECT_NE(refusal(replaced(withExact, "nTar2In 700000000", "nTar2In 700000001")).find("'tar2 in' does not agree"),
            std::string::npos);
}

TEST(RunSummaryRecord, LogsTwiceSharedBlocksAndGapsAreRefused) {
  auto record = [](const std::string& log, std::int64_t seed, std::int64_t events, const std::string& blocks,
                   bool rndm) {
    tarn::RunRecord r;
    r.log = log;
    r.text = log + " text";
    r.seed = seed;
    r.rndmSampler = rndm;
    tarn::BlockSet b;
    tarn::BlockSet::parse(blocks, b);
    r.run = tarn::RunIdentity(seed, events, rndm ? "auto" : "ranlux", b);
    return r;
  };
  auto refusal = [](const std::vector<tarn::RunRecord>& runs, bool incomplete = false) {
    try {
      tarn::checkRunsAddUp(runs, incomplete);
    } catch (const std::runtime_error& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  const tarn::RunRecord a = record("a.o", 7, 2000000, "0-9", true), b = record("b.o", 7, 2000000, "10-19", true),
                        c = record("c.o", 7, 2000000, "15-19", true);
  EXPECT_EQ(refusal({a, b}), "");
  EXPECT_NE(tarn::checkRunsAddUp({a, b}, false).front().find("the whole run"), std::string::npos);
  // The same log given twice is named so, not as sharing a seed.
  tarn::RunRecord again = a;
  again.log = "copy-of-a.o";
  EXPECT_EQ(refusal({a, b, again}), "copy-of-a.o is given twice (as a.o too)");
  EXPECT_EQ(refusal({b, c}), "b.o and c.o both hold blocks 15-19 of seed 7: their events repeat each other");
  EXPECT_NE(refusal({a}).find("blocks 10-19 of the run"), std::string::npos);
  EXPECT_EQ(refusal({a}, true), "");
  // Block 9 is the run's last when it has 10 blocks: a run of another
  // length with the same seed shares its streams.
  EXPECT_NE(refusal({a, record("d.o", 7, 1000000, "9", true)}).find("both hold blocks 9 of seed 7"), std::string::npos);
  // Runs of different seeds are independent, but share RNDM in block 0.
  const std::vector<std::string> notes = tarn::checkRunsAddUp(
      {record("e.o", 5, 100000, "0", true), record("f.o", 6, 100000, "0", true), record("g.o", 8, 100000, "0", false)},
      false);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("RNDM"), std::string::npos);
  EXPECT_NE(notes[0].find(" e.o f.o ("), std::string::npos);
  // One run on RNDM shares it with none.
  EXPECT_TRUE(tarn::checkRunsAddUp({record("e.o", 5, 100000, "0", true), record("g.o", 8, 100000, "0", false)}, false)
                  .empty());
}

TEST(RunSummaryMerge, TwoRunsMergeToTheSumOfTheirHistogramsAndCounters) {
  ScratchDir dir("merge-runs");
  dir.copyShippedInputs();
  const RunResult a = extendedRun(dir.path(), 20000, 31, tarn::makeStamp(2026, 1, 1, 10, 0, 0, 0));
  const RunResult b = extendedRun(dir.path(), 30000, 32, tarn::makeStamp(2026, 1, 1, 10, 1, 0, 0));
  ASSERT_EQ(a.status, 0) << a.console;
  ASSERT_EQ(b.status, 0) << b.console;
  const std::string fa = (dir.path() / "h31.hbook").string(), fb = (dir.path() / "h32.hbook").string();
  const hbook::ReadResult ra = hbook::readFile(fa), rb = hbook::readFile(fb);
  const auto merged = tarn::mergeRunFiles({{fa, ra}, {fb, rb}}, false).merged;
  ASSERT_EQ(merged.size(), ra.histograms.size() - 1);  // the run records are not added
  int tallies = 0;
  for (std::size_t k = 0; k < merged.size(); ++k) {
    const hbook::Histogram& m = merged[k].histogram;
    const hbook::Histogram &x = ra.histograms[k], &y = rb.histograms[k];
    ASSERT_EQ(m.id, x.id);
    if (merged[k].role != hbook::MergeRole::Tally) {
      EXPECT_EQ(m.channels, x.channels) << m.id;
      continue;
    }
    ++tallies;
    EXPECT_EQ(m.entries, x.entries + y.entries) << m.id;
    for (std::size_t c = 0; c < m.channels.size(); ++c) ASSERT_EQ(m.channels[c], x.channels[c] + y.channels[c]) << m.id;
  }
  EXPECT_EQ(tallies, 44);
  const tarn::RunRecord la = tarn::runRecordFromText(a.logName, a.log), lb = tarn::runRecordFromText(b.logName, b.log);
  EXPECT_EQ(la.totals.nEvents + lb.totals.nEvents, 50000);
  EXPECT_TRUE(la.rndmSampler);  // both are block 0 of their seeds
  for (const auto& m : merged) {
    if (m.histogram.id != 3001) continue;
    EXPECT_EQ(m.histogram.entries, la.totals.counters.nDetIn + lb.totals.counters.nDetIn);
  }
  EXPECT_EQ(tarn::checkRunsAddUp({la, lb}, false).size(), 1u);  // they share RNDM
}

TEST(RunSummaryRecord, ARunOfAnotherBeamlineSaysSoInItsFileAndLogAndIsNotAddedToAnother) {
  // 100000 events with one value changed and no other option: the file of
  // such a run carries a record, unlike the file of the shipped beamline.
  ScratchDir dir("summary-beamline");
  dir.copyShippedInputs();
  tarn::RunOptions options;
  options.seed = 41;
  options.clock = [] { return START; };
  const tarn::description::ReadResult read =
      tarn::description::readDescription(tarn::SHIPPED_BEAMLINE, "", {"cells.temperature=1.6"});
  ASSERT_TRUE(read.errors.empty());
  options.beamline = read.description;
  const RunResult run = runWithOptions(dir.path(), options, START);
  ASSERT_EQ(run.status, 0) << run.console;
  const std::string digest = tarn::description::digest(read.description.values);
  const tarn::BeamlineValues values = {{"cells.temperature", "1.6 K"}};
  const std::optional<tarn::FileRecord> record = tarn::findRecord(hbook::readFile((dir.path() / "h41.hbook").string()).histograms);
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->run.get("beamline"), digest);
  EXPECT_EQ(record->beamline, values);
  EXPECT_EQ(record->run.blocks().text(), "0");

  const tarn::RunRecord colder = tarn::runRecordFromText(run.logName, run.log);
  EXPECT_EQ(colder.beamlineDigest, digest);
  EXPECT_EQ(colder.beamline, values);
  const std::string reference = readText(fs::path(TARN_TEST_DATA) / "run" / "regression-log.txt");
  const tarn::RunRecord shipped = tarn::runRecordFromText("regression-log.txt", reference);
  EXPECT_EQ(shipped.beamlineDigest, tarn::shippedBeamlineDigest());
  EXPECT_TRUE(shipped.beamline.empty());
  try {
    tarn::checkRunsAddUp({shipped, colder}, false);
    ADD_FAILURE() << "runs of different beamlines were added";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "regression-log.txt and " + run.logName +
                                         " are runs of different beamlines: cells.temperature = 2.1 K (shipped) in "
                                         "regression-log.txt, 1.6 K in " + run.logName +
                                         ": only runs of one beamline are added");
  }
  // A log whose beamline lines and run record disagree is damaged.
  const std::string edited = replaced(replaced(run.log, "digest " + digest, "digest 0123456789abcdef"), "  ! Running",
                                      " Run record: seed=41 events=100000 sampler=auto blocks=0 beamline=" + digest +
                                          "\n  ! Running");
  EXPECT_NE(refusal(edited).find("is not the one its beamline lines give"), std::string::npos) << refusal(edited);
}

// A run record's blocks lie inside the run (20 blocks of 100000 events: the
// last is 19) and every field has a key before its '='.
TEST(RunSummaryRecord, RunRecordsOfBlocksInsideTheRunAndKeyedFieldsOnly) {
  const std::string run = "seed=7 events=2000000 sampler=auto ";
  EXPECT_EQ(recordRefusal(run + "blocks=0-19"), "");
  EXPECT_EQ(recordRefusal(run + "blocks=19"), "");
  EXPECT_EQ(recordRefusal(run + "blocks=0-20"), "the run record's blocks 0-20 go beyond the run's 20");
  EXPECT_EQ(recordRefusal(run + "blocks=20"), "the run record's blocks 20 go beyond the run's 20");
  EXPECT_EQ(recordRefusal("seed=7 events=2000001 sampler=auto blocks=20"), "");  // 21 blocks, the last of one event
  EXPECT_EQ(recordRefusal(run + "blocks=0-19 x=1"), "");
  EXPECT_EQ(tarn::RunIdentity::parse(run + "blocks=0-19 x=1").get("x"), "1");
  EXPECT_EQ(recordRefusal(run + "blocks=0-19 =1"), "'=1' in the run record is not key=value");
  EXPECT_EQ(recordRefusal(run + "blocks=0-19 x"), "'x' in the run record is not key=value");
}

// Seeds and events are whole numbers of 1 to 18 digits; at least one event;
// each key once; the blocks in the block syntax.
TEST(RunSummaryRecord, RunRecordNumbersAndRepeatedKeys) {
  const std::string digits18(18, '9'), digits19(19, '1');
  EXPECT_EQ(recordRefusal("seed=" + digits18 + " events=5 blocks=0"), "");
  EXPECT_EQ(tarn::RunIdentity::parse("seed=" + digits18 + " events=5 blocks=0").seed(), 999999999999999999);
  EXPECT_EQ(recordRefusal("seed=" + digits19 + " events=5 blocks=0"), "no valid seed in the run record");
  EXPECT_EQ(recordRefusal("seed=-1 events=5 blocks=0"), "no valid seed in the run record");
  EXPECT_EQ(recordRefusal("seed= events=5 blocks=0"), "no valid seed in the run record");
  EXPECT_EQ(recordRefusal("events=5 blocks=0"), "no valid seed in the run record");
  EXPECT_EQ(recordRefusal("seed=1 events=5x blocks=0"), "no valid events in the run record");
  EXPECT_EQ(recordRefusal("seed=1 blocks=0"), "no valid events in the run record");
  EXPECT_EQ(recordRefusal("seed=1 events=1 blocks=0"), "");
  EXPECT_EQ(recordRefusal("seed=1 events=0 blocks=0"), "the run record gives no events");
  EXPECT_EQ(recordRefusal("seed=1 events=5 blocks=x"), "no valid blocks in the run record");
  EXPECT_EQ(recordRefusal("seed=1 events=5"), "no valid blocks in the run record");
  EXPECT_EQ(recordRefusal("seed=1 events=5 blocks=0 seed=2"), "the run record gives seed twice");
  EXPECT_EQ(recordRefusal("seed=1 events=5 blocks=0 x=1 x=1"), "the run record gives x twice");
  EXPECT_EQ(recordRefusal("seed=1 events=5 blocks=0 x= x=1"), "the run record gives x twice");  // the first one empty

  // A field that only one of two records has tells them apart, whichever has it.
  const tarn::RunIdentity one = tarn::RunIdentity::parse("seed=1 events=5 blocks=0");
  const tarn::RunIdentity more = tarn::RunIdentity::parse("seed=1 events=5 blocks=0 beamline=ab");
  EXPECT_EQ(one.differingField(more), "beamline");
  EXPECT_EQ(more.differingField(one), "beamline");
  EXPECT_EQ(one.differingField(tarn::RunIdentity::parse("seed=2 events=5 blocks=0")), "seed");
  EXPECT_EQ(one.differingField(tarn::RunIdentity::parse("events=5 seed=1 blocks=0")), "");  // order does not matter
}

// The log's sampler lines decide the sampler of a log without a run record:
// RNDM in block 0 unless the log says RANLUX, and RNDM again once it says
// the sampler left RNDM; a damaged run record line is refused with its reason.
TEST(RunSummaryRecord, TheSamplerLinesAndADamagedRunRecordLine) {
  const std::string reference = readText(fs::path(TARN_TEST_DATA) / "run" / "regression-log.txt");
  const std::string seedLine = " ranNo is       763595\n";
  ASSERT_NE(reference.find(seedLine), std::string::npos);
  const tarn::RunRecord plain = tarn::runRecordFromText("a.o", reference);
  EXPECT_TRUE(plain.rndmSampler);
  EXPECT_EQ(plain.run.sampler(), "auto");
  EXPECT_EQ(plain.run.blocks().text(), "0");
  const std::string ranlux = replaced(reference, seedLine, seedLine + " Sampler: RANLUX streams of its own\n");
  const tarn::RunRecord onRanlux = tarn::runRecordFromText("b.o", ranlux);
  EXPECT_FALSE(onRanlux.rndmSampler);
  EXPECT_EQ(onRanlux.run.sampler(), "ranlux");
  const std::string left =
      replaced(ranlux, seedLine, seedLine + " The histogram sampler leaves RNDM before its numbers come round\n");
  EXPECT_FALSE(tarn::runRecordFromText("c.o", left).rndmSampler);  // the RANLUX line after it decides
  const std::string leftLater = replaced(reference, seedLine,
                                         seedLine +
                                             " Sampler: RANLUX streams of its own\n"
                                             " The histogram sampler leaves RNDM before its numbers come round\n");
  EXPECT_TRUE(tarn::runRecordFromText("d.o", leftLater).rndmSampler);
  // Lines that only begin like them decide nothing.
  EXPECT_TRUE(
      tarn::runRecordFromText("e.o", replaced(reference, seedLine, seedLine + "  Sampler: RANLUX\n")).rndmSampler);
  EXPECT_EQ(
      refusal(replaced(reference, seedLine, seedLine + " Run record: seed=x events=100000 sampler=auto blocks=0\n")),
      "t.o: no valid seed in the run record");
  EXPECT_EQ(
      tarn::runRecordFromText("f.o", replaced(reference, seedLine,
                                              seedLine + " Run record: seed=5 events=100000 sampler=ranlux blocks=0\n"))
          .run.get("seed"),
      "5");
}
