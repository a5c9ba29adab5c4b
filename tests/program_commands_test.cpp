// The programs from the command line: tarn's options, hbook merge and
// tarn-summary, as a user calls them.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "support/jsonreader.h"
#include "hbook/rz/writer.h"
#include "support/programrunner.h"
#include "transport/run/figureerrors.h"
#include "transport/run/runrecord.h"
#include "transport/run/runsums.h"

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
  const Outcome one = runCommand(dir.path(), HBOOK + " merge a1.hbook a/h1.hbook");
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_NE(one.out.find(" histograms from 1 file\n"), std::string::npos) << one.out;
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

// hbook copy keeps the top directory's name of its input (not the HRPUT of
// files HRPUT writes), and every object stays in its own directory under it.
TEST(ProgramHbookCopy, KeepsTheTopDirectorysNameAndWhereEachObjectLies) {
  testsupport::ScratchDir dir("cli-copytop");
  const hbook::ReadResult dirs = hbook::readFile(std::string(TARN_TEST_DATA) + "/hbook/objects/dirs.hbook");
  ASSERT_GT(dirs.directories.size(), 2u);
  hbook::WriteOptions named;
  named.topDirectory = "RUN7TOP";
  ASSERT_TRUE(hbook::writeFile((dir.path() / "in.hbook").string(), dirs.directories, named));
  const Outcome copy = runCommand(dir.path(), HBOOK + " copy in.hbook out.hbook");
  ASSERT_EQ(copy.status, 0) << copy.err;
  std::size_t objects = 0;
  for (const hbook::Directory& d : dirs.directories) objects += d.objects.size();
  EXPECT_EQ(copy.out, "out.hbook: " + std::to_string(objects) + " objects in " +
                          std::to_string(dirs.directories.size()) + " directories from in.hbook\n");
  const hbook::ReadResult out = hbook::readFile((dir.path() / "out.hbook").string());
  EXPECT_EQ(out.topDirectory, "RUN7TOP");
  ASSERT_EQ(out.directories.size(), dirs.directories.size());
  for (std::size_t i = 0; i < out.directories.size(); ++i) {
    const hbook::Directory &a = dirs.directories[i], &b = out.directories[i];
    EXPECT_EQ(b.path, a.path);
    EXPECT_EQ(b.subdirectories, a.subdirectories) << a.path;
    ASSERT_EQ(b.histograms.size(), a.histograms.size()) << a.path;
    for (std::size_t k = 0; k < a.histograms.size(); ++k) {
      EXPECT_EQ(b.histograms[k].id, a.histograms[k].id) << a.path;
      EXPECT_EQ(b.histograms[k].title, a.histograms[k].title) << a.path;
      EXPECT_EQ(b.histograms[k].channels, a.histograms[k].channels) << a.path;
    }
  }
  // A file HRPUT wrote keeps HRPUT.
  ASSERT_EQ(runCommand(dir.path(), HBOOK + " copy " + DATA + "/lam.hbook lam.hbook").status, 0);
  EXPECT_EQ(hbook::readFile((dir.path() / "lam.hbook").string()).topDirectory, "HRPUT");
}

// tarn-summary --json writes each figure's value, error and interval with 17
// significant digits, so that each reads back to the bits the summary
// computed; the regression run's figures include values that need all 17.
TEST(ProgramTarnSummary, JsonNumbersReadBackToTheSameBits) {
  testsupport::ScratchDir dir("summary-digits");
  const std::string log = (fs::path(TARN_TEST_DATA) / "run" / "regression-log.txt").string();
  const Outcome json = runCommand(dir.path(), SUMMARY + " --json " + log);
  ASSERT_EQ(json.status, 0) << json.err;
  const testsupport::Json j = testsupport::parse(json.out);
  const tarn::RunTotals totals = tarn::readRunRecord(log).totals;
  ASSERT_EQ(j["figures"].size(), static_cast<std::size_t>(tarn::FIGURES));
  int needSeventeen = 0;
  for (int i = 0; i < tarn::FIGURES; ++i) {
    const tarn::FigureEstimate e = tarn::figureEstimate(totals, i);
    const testsupport::Json& f = j["figures"][static_cast<std::size_t>(i)];
    EXPECT_EQ(f["label"].text, e.label);
    const std::pair<const char*, double> numbers[] = {
        {"value", e.value}, {"error", e.error}, {"low", e.low}, {"high", e.high}};
    for (const auto& [name, v] : numbers) {
      const std::string& text = f[name].text;
      ASSERT_EQ(f[name].type, testsupport::Json::Number) << e.label << " " << name;
      EXPECT_EQ(std::bit_cast<std::uint64_t>(std::strtod(text.c_str(), nullptr)), std::bit_cast<std::uint64_t>(v))
          << e.label << " " << name << ": " << text;
      char shorter[40];
      std::snprintf(shorter, sizeof shorter, "%.16g", v);
      if (std::strtod(shorter, nullptr) != v) ++needSeventeen;
    }
  }
  EXPECT_GT(needSeventeen, 0);
}

// Result files without a run record say their seed in their name only:
// h<ranNo>.hbook or h<ranNo>-<k>.hbook, ranNo of 1 to 10 digits (leading
// zeros aside). Two of one seed are refused, naming both and the seed; any
// other name says nothing, and the files are added.
TEST(ProgramHbookMerge, ResultsOfOneSeedAreKnownByTheirNames) {
  testsupport::ScratchDir dir("cli-mergenames");
  const struct {
    std::string a, b;
    std::string seed;  // "" added
  } cases[] = {
      {"h7.hbook", "h7-1.hbook", "7"},
      {"h7-12.hbook", "h7-3.hbook", "7"},
      {"h007.hbook", "h7.hbook", "7"},
      {"h0.hbook", "h00.hbook", "0"},
      {"h1234567890.hbook", "h1234567890-2.hbook", "1234567890"},
      {"h12345678901.hbook", "h12345678901.hbook", ""},
      {"h7.hbook", "h8.hbook", ""},
      {"h.hbook", "h.hbook", ""},
      {"h-1.hbook", "h-1.hbook", ""},
      {"h7-.hbook", "h7.hbook", ""},
      {"h7-x.hbook", "h7.hbook", ""},
      {"h7x.hbook", "h7.hbook", ""},
      {"H7.hbook", "h7.hbook", ""},
      {"h7.hbk", "h7.hbook", ""},
  };
  int k = 0;
  for (const auto& c : cases) {
    const std::string a = "a" + std::to_string(k) + "/" + c.a, b = "b" + std::to_string(k) + "/" + c.b;
    const std::string out = "m" + std::to_string(k++) + ".hbook";
    for (const std::string& f : {a, b}) {
      fs::create_directories((dir.path() / f).parent_path());
      fs::copy_file(DATA + "/lam.hbook", dir.path() / f);
    }
    const Outcome o = runCommand(dir.path(), HBOOK + " merge " + out + " " + a + " " + b);
    if (c.seed.empty()) {
      EXPECT_EQ(o.status, 0) << a << " " << b << ": " << o.err;
      EXPECT_TRUE(fs::exists(dir.path() / out)) << a << " " << b;
    } else {
      EXPECT_EQ(o.status, 1) << a << " " << b;
      EXPECT_EQ(o.err, "hbook: " + a + " and " + b + " are results of runs with the same seed (ranNo " + c.seed +
                           "): they drew the same random numbers, so their events repeat each other and adding them "
                           "would count the same events twice (runs meant to be added need different seeds)\n")
          << a << " " << b;
      EXPECT_FALSE(fs::exists(dir.path() / out)) << a << " " << b;
    }
  }
}

// tarn-summary's line of each run says the blocks of a part of a run (and
// of how many events), nothing for a whole run; the beamline line counts
// the values that differ from the shipped beamline, one or several, each
// on a line of its own, and is absent for the shipped beamline.
TEST(ProgramTarnSummary, BlocksOfAPartAndTheValuesOfTheBeamline) {
  testsupport::ScratchDir dir("summary-blocks");
  const std::string options = " --events 200000 --input-dir " + DATA + " --set cells.length=30 --output-dir ";
  ASSERT_EQ(runCommand(dir.path(), TARN + options + "a --seed 5 --blocks 1-1").status, 0);
  ASSERT_EQ(runCommand(dir.path(), TARN + options + "b --seed 6 --set cells.temperature=1.6").status, 0);
  const std::string logA = "a/" + onlyFile(dir.path() / "a", ".o").filename().string();
  const std::string logB = "b/" + onlyFile(dir.path() / "b", ".o").filename().string();
  const Outcome part = runCommand(dir.path(), SUMMARY + " --incomplete " + logA);
  ASSERT_EQ(part.status, 0) << part.err;
  EXPECT_NE(part.out.find("\n   " + logA + ": ranNo 5, 100000 events (blocks 1 of 200000)\n"), std::string::npos)
      << part.out;
  EXPECT_NE(part.out.find("\n Beamline: 1 value differs from the shipped beamline (digest "), std::string::npos)
      << part.out;
  EXPECT_NE(part.out.find(")\n   cells.length = "), std::string::npos) << part.out;
  const Outcome whole = runCommand(dir.path(), SUMMARY + " " + logB);
  ASSERT_EQ(whole.status, 0) << whole.err;
  EXPECT_NE(whole.out.find("\n   " + logB + ": ranNo 6, 200000 events\n"), std::string::npos) << whole.out;
  EXPECT_NE(whole.out.find("\n Beamline: 2 values differ from the shipped beamline (digest "), std::string::npos)
      << whole.out;
  EXPECT_NE(whole.out.find("\n   cells.length = "), std::string::npos) << whole.out;
  EXPECT_NE(whole.out.find("\n   cells.temperature = "), std::string::npos) << whole.out;
  const Outcome shipped =
      runCommand(dir.path(), SUMMARY + " " + (fs::path(TARN_TEST_DATA) / "run" / "regression-log.txt").string());
  ASSERT_EQ(shipped.status, 0) << shipped.err;
  EXPECT_EQ(shipped.out.find("Beamline"), std::string::npos) << shipped.out;
  EXPECT_EQ(shipped.out.find("(blocks"), std::string::npos) << shipped.out;
}

// Under an MPI launcher (its rank and size in the environment): tarn scan is
// refused, by rank 0 with the reason, silently by the others; a tarn
// without tarn-mpi beside it runs as one process when it is the only rank
// and refuses several (each would run the same events), again said once.
TEST(ProgramTarn, UnderALauncherWithoutMpi) {
  testsupport::ScratchDir dir("cli-launcher");
  const std::string scan = TARN + " scan --set cells.length=30,31 --seed 1 --events 10 --input-dir " + DATA;
  const std::string why =
      "tarn: tarn scan runs its points on this machine; under an MPI launcher run each point as "
      "mpirun tarn --set ... (see tarn --help)\n";
  const Outcome rank0 = runCommand(dir.path(), "env OMPI_COMM_WORLD_SIZE=2 OMPI_COMM_WORLD_RANK=0 " + scan);
  EXPECT_EQ(rank0.status, 2);
  EXPECT_EQ(rank0.err, why);
  const Outcome rank1 = runCommand(dir.path(), "env OMPI_COMM_WORLD_SIZE=2 OMPI_COMM_WORLD_RANK=1 " + scan);
  EXPECT_EQ(rank1.status, 2);
  EXPECT_EQ(rank1.err, "");
  EXPECT_TRUE(fs::is_empty(dir.path()));

  fs::copy_file(TARN, dir.path() / "tarn");  // without tarn-mpi beside it
  const std::string alone = (dir.path() / "tarn").string();
  const std::string version = runCommand(dir.path(), alone + " --version").out;
  EXPECT_EQ(version.rfind("tarn ", 0), 0u) << version;
  EXPECT_TRUE(version.ends_with(" (without MPI)\n")) << version;
  const std::string run = alone + " --events 10 --seed 3 --input-dir " + DATA + " --output-dir ";
  const std::string noMpi =
      "tarn: this tarn has no MPI (tarn-mpi was not built): under a launcher every rank would "
      "run the same events (see tarn --help)\n";
  const struct {
    const char* environment;
    int status;
    bool said;
  } cases[] = {
      {"OMPI_COMM_WORLD_SIZE=2 OMPI_COMM_WORLD_RANK=0", 2, true},
      {"OMPI_COMM_WORLD_SIZE=2 OMPI_COMM_WORLD_RANK=1", 2, false},
      {"OMPI_COMM_WORLD_SIZE=1 OMPI_COMM_WORLD_RANK=1", 2, false},
      {"OMPI_COMM_WORLD_SIZE=1 OMPI_COMM_WORLD_RANK=0", 0, false},
      {"OMPI_COMM_WORLD_SIZE=1", 0, false},
  };
  int k = 0;
  for (const auto& c : cases) {
    const std::string out = "o" + std::to_string(k++);
    const Outcome o = runCommand(dir.path(), std::string("env ") + c.environment + " " + run + out);
    EXPECT_EQ(o.status, c.status) << c.environment << o.err;
    EXPECT_EQ(o.err, c.said ? noMpi : "") << c.environment;
    EXPECT_EQ(fs::exists(dir.path() / out / "h3.hbook"), c.status == 0) << c.environment;
  }
}

// hbook csv of a 1-D histogram: a row per bin with its edges (variable ones
// too), its content and its error: the square root of the stored sum of
// squared weights, else of the content's size.
TEST(ProgramHbookCsv, ErrorsFromTheStoredSumsElseFromTheContents) {
  testsupport::ScratchDir dir("cli-csv");
  hbook::Directory top;
  top.path = "/";
  hbook::Histogram counts;
  counts.id = 1;
  counts.nx = 2;
  counts.xmax = 2.0f;
  counts.entries = 2;
  counts.channels = {7.0f, -4.0f, 9.0f, 7.0f};
  hbook::Histogram weighted = counts;
  weighted.id = 2;
  weighted.sumw2 = {16.0f, 0.25f};
  weighted.edges = {0.0f, 0.5f, 2.0f};
  for (const hbook::Histogram& h : {counts, weighted}) {
    top.objects.push_back({hbook::ObjectKind::Histogram1D, h.id, top.histograms.size()});
    top.histograms.push_back(h);
  }
  ASSERT_TRUE(hbook::writeFile((dir.path() / "x.hbook").string(), {top}, {}));
  const Outcome a = runCommand(dir.path(), HBOOK + " csv x.hbook 1");
  EXPECT_EQ(a.out, "low,high,content,error\n0,1,-4,2\n1,2,9,3\n");
  const Outcome b = runCommand(dir.path(), HBOOK + " csv x.hbook 2");
  EXPECT_EQ(b.out, "low,high,content,error\n0,0.5,-4,4\n0.5,2,9,0.5\n");
}

// tarn-summary whose standard output cannot be written (a full disk): status
// 1 and a message, as text and as JSON.
TEST(ProgramTarnSummary, AFullStandardOutputIsAFailure) {
  testsupport::ScratchDir dir("summary-full");
  const std::string log = (fs::path(TARN_TEST_DATA) / "run" / "regression-log.txt").string();
  for (const std::string json : {"", "--json "}) {
    const Outcome o = runCommand(dir.path(), "sh -c '" + SUMMARY + " " + json + log + " > /dev/full'");
    EXPECT_EQ(o.status, 1) << json;
    EXPECT_NE(o.err.find("tarn-summary: writing to standard output failed\n"), std::string::npos) << json << o.err;
  }
}

// tarn-summary --json: a log's name with a quote, a backslash, a control
// byte and bytes above ASCII is written escaped (each byte a character); the
// runs' lines apart by commas; the counts under their names, each from its
// counter; the interval, the small count and each figure's words and flags
// as the summary has them.
TEST(ProgramTarnSummary, JsonNamesEscapedAndEachFieldFromItsSource) {
  testsupport::ScratchDir dir("summary-json");
  const std::string log = readText(fs::path(TARN_TEST_DATA) / "run" / "regression-log.txt");
  const std::string odd = "tarn-q\"b\\c\x01\x1f \x7f~\xc3\xa9.o";
  { std::ofstream(dir.path() / odd) << log; }
  std::string other = log;
  const std::string ranNo = " ranNo is       763595\n";
  ASSERT_NE(other.find(ranNo), std::string::npos);
  other.replace(other.find(ranNo), ranNo.size(), " ranNo is       763596\n");
  { std::ofstream(dir.path() / "two.o") << other; }
  const Outcome json = runCommand(dir.path(), SUMMARY + " --json '" + odd + "' two.o");
  ASSERT_EQ(json.status, 0) << json.err;
  const std::string escaped = "tarn-q\\\"b\\\\c\\u0001\\u001f \\u007f~\\u00c3\\u00a9.o";
  const std::vector<std::string> rows = lines(json.out);
  ASSERT_GE(rows.size(), 6u) << json.out;
  EXPECT_EQ(rows[0], "{");
  EXPECT_EQ(rows[1], "  \"runs\": [");
  EXPECT_EQ(rows[2], "    {\"log\": \"" + escaped +
                         "\", \"seed\": 763595, \"events\": 100000, \"blocks\": \"0\", \"ranks\": 1, "
                         "\"exact_counts_line\": false},");
  EXPECT_EQ(rows[3],
            "    {\"log\": \"two.o\", \"seed\": 763596, \"events\": 100000, \"blocks\": \"0\", \"ranks\": 1, "
            "\"exact_counts_line\": false}");
  EXPECT_EQ(rows[4], "  ],");
  const tarn::RunTotals one = tarn::readRunRecord((dir.path() / "two.o").string()).totals;
  const tarn::Counters& c = one.counters;
  const auto twice = [](std::int64_t v) { return std::to_string(2 * v); };
  EXPECT_EQ(rows[5], "  \"counts\": {\"nEvents\": " + twice(one.nEvents) + ", \"nTar1In\": " + twice(c.nTar1In) +
                         ", \"nScatTar1\": " + twice(c.nScatTar1) + ", \"nTar2In\": " + twice(c.nTar2In) +
                         ", \"nScatTar2\": " + twice(c.nScatTar2) + ", \"nLowEnergy\": " + twice(c.nLowEnergy) +
                         ", \"nTar1ToTar2\": " + twice(c.nTar1ToTar2) + ", \"nDetIn\": " + twice(c.nDetIn) +
                         ", \"nScatAtDet\": " + twice(c.nScatAtDet) + ", \"nDetEChanged\": " + twice(c.nDetEChanged) +
                         ", \"nNoTransfer\": " + twice(one.nNoTransfer) + "},");
  EXPECT_EQ(rows[6], "  \"interval\": \"68.3% Wilson score interval\",");
  EXPECT_EQ(rows[7], "  \"small_count\": 30,");
  // The figures of the two runs added, each from the summary's estimate.
  tarn::RunTotals total = one;
  total.nEvents *= 2;
  tarn::addCounters(total.counters, one.counters);
  total.nNoTransfer *= 2;
  const testsupport::Json j = testsupport::parse(json.out);
  ASSERT_EQ(j["figures"].size(), static_cast<std::size_t>(tarn::FIGURES));
  // "printed" is the value as the report without --json prints it, whole.
  const Outcome plain = runCommand(dir.path(), SUMMARY + " '" + odd + "' two.o");
  ASSERT_EQ(plain.status, 0) << plain.err;
  const std::vector<std::string> report = lines(plain.out);
  int counts = 0, small = 0;
  for (int i = 0; i < tarn::FIGURES; ++i) {
    const tarn::FigureEstimate e = tarn::figureEstimate(total, i);
    const testsupport::Json& f = j["figures"][static_cast<std::size_t>(i)];
    EXPECT_EQ(f["label"].text, e.label);
    EXPECT_EQ(f["denominator"].text, e.denominator) << e.label;
    EXPECT_EQ(f["text"].text, e.text) << e.label;
    EXPECT_EQ(f["detail"].text, e.detail) << e.label;
    EXPECT_EQ(f["k"].text, std::to_string(e.estimate.k)) << e.label;
    EXPECT_EQ(f["n"].text, std::to_string(e.estimate.n)) << e.label;
    ASSERT_EQ(f["count"].type, testsupport::Json::Bool) << e.label;
    EXPECT_EQ(f["count"].boolean, e.count) << e.label;
    EXPECT_EQ(f["small"].boolean, e.estimate.small) << e.label;
    const std::string printed = f["printed"].text;
    EXPECT_FALSE(printed.empty()) << e.label;
    EXPECT_NE(printed.front(), ' ') << e.label;
    EXPECT_NE(printed.back(), ' ') << e.label;
    const std::string console = tarn::FIGURE_TABLE[i].consoleText;
    const auto line = std::find_if(report.begin(), report.end(), [&](const std::string& l) {
      return l.find(console + "  ") != std::string::npos;
    });
    ASSERT_NE(line, report.end()) << console << "\n" << plain.out;
    EXPECT_NE((*line + "  ").find(" " + printed + "  "), std::string::npos) << *line << "\n" << printed;
    EXPECT_NE(json.out.find("\"label\": \"" + e.label + "\", \"printed\": \"" + printed + "\""), std::string::npos);
    counts += e.count;
    small += e.estimate.small;
  }
  EXPECT_EQ(counts, 2);  // the two numbers of events; the others are fractions
  EXPECT_GT(small, 0);
  EXPECT_LT(small, tarn::FIGURES);
  // The note names the logs as they were given, escaped the same way.
  ASSERT_EQ(j["notes"].size(), 1u);
  EXPECT_NE(json.out.find("\n  \"notes\": [\"in block 0 these runs drew"), std::string::npos) << json.out;
  EXPECT_NE(json.out.find(": " + escaped + " two.o (separate runs"), std::string::npos) << json.out;
  EXPECT_TRUE(json.out.ends_with("\"]\n}\n")) << json.out;
}

// tarn-summary --help: its usage on the output, status 0; a wrong command
// line: the parser's words between "tarn-summary: " and the pointer to
// --help, on the errors, status 2, nothing on the output.
TEST(ProgramTarnSummary, HelpAndAWrongCommandLine) {
  testsupport::ScratchDir dir("summary-help");
  const Outcome help = runCommand(dir.path(), SUMMARY + " --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("tarn-summary: the report of several tarn runs added together, from their run logs\n", 0),
            0u)
      << help.out;
  EXPECT_NE(help.out.find("--incomplete"), std::string::npos);
  EXPECT_NE(help.out.find("--json"), std::string::npos);
  EXPECT_EQ(help.err, "");
  const std::string log = (fs::path(TARN_TEST_DATA) / "run" / "regression-log.txt").string();
  for (const std::string& args : {" --bogus " + log, std::string(" nothere.o"), std::string()}) {
    const Outcome o = runCommand(dir.path(), SUMMARY + args);
    EXPECT_EQ(o.status, 2) << args;
    EXPECT_EQ(o.out, "") << args;
    EXPECT_EQ(o.err.rfind("tarn-summary: ", 0), 0u) << o.err;
    EXPECT_TRUE(o.err.ends_with(" (see tarn-summary --help)\n")) << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
  }
  EXPECT_NE(runCommand(dir.path(), SUMMARY + " nothere.o").err.find("nothere.o"), std::string::npos);
  // A wrong option is named before a log that is not there.
  const Outcome both = runCommand(dir.path(), SUMMARY + " --bogus nothere.o");
  EXPECT_EQ(both.status, 2);
  EXPECT_NE(both.err.find("--bogus"), std::string::npos) << both.err;
  EXPECT_EQ(both.err.find("nothere.o"), std::string::npos) << both.err;
}
