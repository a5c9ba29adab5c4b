// The programs from the command line: tarn's options, hbook merge and
// tarn-summary, as a user calls them.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <fstream>

#include "support/jsonreader.h"
#include "support/programrunner.h"
#include "transport/run/figureerrors.h"

using namespace testsupport;

namespace {

const std::string TARN = TARN_PROGRAM, SUMMARY = TARN_SUMMARY_PROGRAM, HBOOK = HBOOK_PROGRAM;
const std::string DATA = TARN_DATA_DIR;

std::vector<std::uint32_t> contentBits(const fs::path& file) {
  std::vector<std::uint32_t> bits;
  for (const hbook::Histogram& h : hbook::readFile(file.string()).histograms) {
    bits.push_back(static_cast<std::uint32_t>(h.id));
    bits.push_back(static_cast<std::uint32_t>(h.entries));
    for (float c : h.channels) bits.push_back(std::bit_cast<std::uint32_t>(c));
  }
  return bits;
}

}  // namespace

TEST(ProgramTarn, AWrongCommandLineCreatesNothingAndGivesTwo) {
  testsupport::ScratchDir dir("cli-bad");
  for (const std::string args : {"--events 0", "--bogus", "--seed -3", "--events 10 --output-dir new/place --sampler x"}) {
    const Outcome o = runCommand(dir.path(), TARN + " " + args);
    EXPECT_EQ(o.status, 2) << args;
    EXPECT_NE(o.err.find(" (see tarn --help)\n"), std::string::npos) << args;
    EXPECT_EQ(o.err.find("Usage:"), std::string::npos) << args;
    EXPECT_TRUE(o.out.empty()) << args;
    EXPECT_TRUE(fs::is_empty(dir.path())) << args;
  }
  const Outcome version = runCommand(dir.path(), TARN + " --version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("tarn ", 0), 0u);
}

TEST(ProgramTarn, WithoutArgumentsTheRunOfAlways) {
  testsupport::ScratchDir dir("cli-plain");
  dir.copyShippedInputs();
  const Outcome o = runCommand(dir.path(), "env -u OMPI_COMM_WORLD_SIZE -u PMIX_RANK -u PMI_RANK " + TARN);
  ASSERT_EQ(o.status, 0) << o.err;
  // The report of always: no line of the extended report, 100000 events.
  const auto console = testsupport::lines(o.out);
  ASSERT_GE(console.size(), 20u) << o.out;
  EXPECT_EQ(console[0], "   Nevents:       100000");
  EXPECT_EQ(console[2], "  tarn - Upstream target on right, x>0.  Dn on left ");
  EXPECT_EQ(console[3].rfind(" ranNo is ", 0), 0u);
  EXPECT_EQ(console[4], " RANLUX LUXURY LEVEL SET BY RLUXGO : 3     P= 223");
  EXPECT_EQ(console[console.size() - 10].rfind("   End time: ", 0), 0u);
  EXPECT_NE(o.out.find("\n input       100000\n"), std::string::npos);
  for (const std::string& line : console)
    for (const char* extended : {" Sampler:", " Ranks", " Exact counts:"}) EXPECT_NE(line.rfind(extended, 0), 0u) << line;
  EXPECT_EQ(testsupport::readText(onlyFile(dir.path(), ".o")).find("Exact counts"), std::string::npos);
  const auto kinds = filesByKind(dir.path());
  EXPECT_EQ(kinds.at(".o"), 1);
  EXPECT_EQ(kinds.at(".hbook"), 4);  // the three inputs and the run's
}

TEST(ProgramTarn, TheSameOptionsTwiceGiveTheSameHistograms) {
  testsupport::ScratchDir dir("cli-twice");
  const std::string options = " --events 200000 --seed 7 --input-dir " + DATA + " --output-dir ";
  const Outcome a = runCommand(dir.path(), TARN + options + "a");
  const Outcome b = runCommand(dir.path(), TARN + options + "b");
  ASSERT_EQ(a.status, 0) << a.err;
  ASSERT_EQ(b.status, 0) << b.err;
  EXPECT_EQ(contentBits(dir.path() / "a" / "h7.hbook"), contentBits(dir.path() / "b" / "h7.hbook"));
  EXPECT_NE(a.out.find(" input       200000"), std::string::npos);

  // tarn-summary of the two logs: refused, since the same blocks of the
  // same seed would count twice; each alone is the whole run.
  const std::string logA = onlyFile(dir.path() / "a", ".o").string(), logB = onlyFile(dir.path() / "b", ".o").string();
  const Outcome s = runCommand(dir.path(), SUMMARY + " " + logA + " " + logB);
  EXPECT_EQ(s.status, 1) << s.err;
  EXPECT_NE(s.err.find("both hold blocks 0-1 of seed 7: their events repeat each other"), std::string::npos) << s.err;
  const Outcome one = runCommand(dir.path(), SUMMARY + " " + logA);
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_NE(one.out.find(" input       200000"), std::string::npos) << one.out;
  EXPECT_NE(one.err.find("blocks 0-1 of the run with seed 7: the whole run"), std::string::npos) << one.err;
  // ... the figures with their errors from its counts, and the same as JSON.
  EXPECT_NE(one.out.find(tarn::FIGURE_ERRORS_HEADING), std::string::npos) << one.out;
  const Outcome json = runCommand(dir.path(), SUMMARY + " --json " + logA);
  ASSERT_EQ(json.status, 0) << json.err;
  const testsupport::Json j = testsupport::parse(json.out);
  EXPECT_EQ(j["counts"]["nEvents"].text, "200000");
  ASSERT_EQ(j["figures"].size(), 9u);
  const testsupport::Json& scattered = j["figures"][5];  // Frac of scat of total reaching det
  EXPECT_EQ(scattered["label"].text, "Frac of scat of total reaching det");
  EXPECT_EQ(scattered["n"].text, "200000");
  const double k = std::stod(scattered["k"].text);
  EXPECT_DOUBLE_EQ(std::stod(scattered["value"].text), k / 200000);
  EXPECT_NEAR(std::stod(scattered["error"].text), std::sqrt(k / 200000 * (1 - k / 200000) / 200000), 1e-15);
  EXPECT_NE(one.out.find("   " + scattered["label"].text), std::string::npos);
  EXPECT_NE(one.out.find(scattered["text"].text + " "), std::string::npos) << one.out;
  const Outcome bad = runCommand(dir.path(), SUMMARY + " " + (dir.path() / "a" / "h7.hbook").string());
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(runCommand(dir.path(), SUMMARY).status, 2);
}

// Each log's line says the ranks of a run on several; a run on one rank
// (the regression run's log) says none.
TEST(ProgramTarnSummary, TheRanksOfARunAreSaidFromTwoOn) {
  testsupport::ScratchDir dir("summary-ranks");
  const std::string log = readText(fs::path(TARN_TEST_DATA) / "run" / "regression-log.txt");
  const std::string ranNo = " ranNo is       763595\n";
  ASSERT_NE(log.find(ranNo), std::string::npos);
  for (const char* ranks : {"", "1", "2"}) {
    std::string text = log;
    if (*ranks) text.insert(text.find(ranNo) + ranNo.size(), std::string(" Ranks            ") + ranks + "\n");
    const std::string name = std::string("tarn-") + (*ranks ? ranks : "none") + ".o";
    std::ofstream(dir.path() / name) << text;
    const Outcome s = runCommand(dir.path(), SUMMARY + " " + name);
    ASSERT_EQ(s.status, 0) << s.err;
    const std::string said = std::string(*ranks == '2' ? " on 2 ranks" : "") + "\n";
    EXPECT_NE(s.out.find("   " + name + ": ranNo 763595, 100000 events" + said), std::string::npos) << s.out;
  }
}

TEST(ProgramHbookMerge, NeverOverwritesAndWritesNothingWhenRefused) {
  testsupport::ScratchDir dir("cli-merge");
  const std::string options = " --input-dir " + DATA + " --events 20000 --output-dir ";
  ASSERT_EQ(runCommand(dir.path(), TARN + options + "a --seed 1").status, 0);
  ASSERT_EQ(runCommand(dir.path(), TARN + options + "b --seed 2").status, 0);
  const Outcome merged = runCommand(dir.path(), HBOOK + " merge ab.hbook a/h1.hbook b/h2.hbook");
  ASSERT_EQ(merged.status, 0) << merged.err;
  EXPECT_NE(merged.out.find("ab.hbook: 50 histograms from 2 files"), std::string::npos) << merged.out;
  EXPECT_NE(merged.out.find("written once: 151 152 301"), std::string::npos) << merged.out;
  const auto before = testsupport::readText(dir.path() / "ab.hbook");
  const Outcome again = runCommand(dir.path(), HBOOK + " merge ab.hbook a/h1.hbook b/h2.hbook");
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("ab.hbook exists"), std::string::npos);
  EXPECT_EQ(testsupport::readText(dir.path() / "ab.hbook"), before);
  // A file with other histograms: refused, nothing written.
  const Outcome mixed = runCommand(dir.path(), HBOOK + " merge x.hbook a/h1.hbook " + DATA + "/lam.hbook");
  EXPECT_EQ(mixed.status, 1);
  EXPECT_NE(mixed.err.find(DATA + "/lam.hbook: "), std::string::npos) << mixed.err;
  EXPECT_FALSE(fs::exists(dir.path() / "x.hbook"));
  EXPECT_EQ(runCommand(dir.path(), HBOOK + " merge onlyout.hbook").status, 2);
}
