// The whole program: start-up, naming, the report and the histogram file,
// on the shipped inputs and on inputs made for the test.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "support/runs.h"
#include "transport/run/runfiles.h"
#include "transport/run/runoptions.h"
#include "transport/run/runstamp.h"

using namespace testsupport;

namespace {

// ranNo 27961; its event 1 reaches the downstream cell, so both notices appear.
const tarn::RunStamp START = tarn::makeStamp(2026, 3, 7, 9, 5, 16, 345);

const hbook::Histogram& find(const hbook::ReadResult& file, int id) {
  for (const auto& h : file.histograms)
    if (h.id == id) return h;
  static hbook::Histogram none;
  ADD_FAILURE() << "no histogram " << id;
  return none;
}

}  // namespace

TEST(RunNaming, LogNameSeedAndHistogramFile) {
  EXPECT_EQ(tarn::logFileName(tarn::makeStamp(2026, 3, 7, 9, 5, 0, 0)), "tarn-0307-0905.o");
  EXPECT_EQ(tarn::logFileName(tarn::makeStamp(2027, 1, 5, 0, 0, 0, 0)), "tarn-0105-0000.o");
  EXPECT_EQ(tarn::logFileName(tarn::makeStamp(2026, 12, 31, 23, 59, 0, 0)), "tarn-1231-2359.o");
  EXPECT_EQ(tarn::seedFromStamp(tarn::makeStamp(2026, 3, 7, 9, 5, 0, 0)), 0);
  EXPECT_EQ(tarn::seedFromStamp(tarn::makeStamp(2026, 3, 7, 9, 59, 59, 999)), 3478577);
  EXPECT_EQ(tarn::seedFromStamp(tarn::makeStamp(2026, 3, 7, 9, 0, 17, 250)), 267);
  EXPECT_EQ(tarn::seedFromStamp(START), 5 * 16 * 345 + 16 + 345);
  EXPECT_EQ(tarn::histFileName(0), "h0.hbook");
  EXPECT_EQ(tarn::histFileName(9), "h9.hbook");
  EXPECT_EQ(tarn::histFileName(10), "h10.hbook");
  EXPECT_EQ(tarn::histFileName(3478577), "h3478577.hbook");
}

TEST(RunNaming, StampFieldsAsTheClockWritesThem) {
  const tarn::RunStamp s = tarn::makeStamp(2026, 3, 7, 9, 5, 12, 45);
  EXPECT_EQ(s.date, "20260307");
  EXPECT_EQ(s.time, "090512.045");
  const tarn::RunStamp now = tarn::DATE_AND_TIME();
  EXPECT_EQ(now.date.size(), 8u);
  EXPECT_EQ(now.time.size(), 10u);
  EXPECT_EQ(now.zone.size(), 5u);
  EXPECT_GE(now.values[0], 2024);
}

// One full run of 100000 events on the shipped inputs, checked line by line
// and against the histogram file it leaves.
class ShippedRun : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new ScratchDir("shipped");
    dir_->copyShippedInputs();
    result_ = new RunResult(runIn(dir_->path(), tarn::Nevents, START));
  }
  static void TearDownTestSuite() {
    delete result_;
    delete dir_;
  }
  static ScratchDir* dir_;
  static RunResult* result_;
};
ScratchDir* ShippedRun::dir_ = nullptr;
RunResult* ShippedRun::result_ = nullptr;

TEST_F(ShippedRun, ConsoleStartLinesNoticesAndSummaryInOrder) {
  ASSERT_EQ(result_->status, 0) << result_->console;
  const auto out = lines(result_->console);
  ASSERT_GE(out.size(), 23u);
  EXPECT_EQ(out[0], "   Nevents:       100000");
  EXPECT_EQ(out[1], "   Start time: 20260307    090516.345  ");
  EXPECT_EQ(out[2], "  tarn - Upstream target on right, x>0.  Dn on left ");
  EXPECT_EQ(out[3], " ranNo is        27961");
  EXPECT_EQ(out[4], " RANLUX LUXURY LEVEL SET BY RLUXGO : 3     P= 223");
  EXPECT_EQ(out[5], " RANLUX INITIALIZED BY RLUXGO FROM SEEDS       27961           0           0");
  EXPECT_EQ(out[6], "  ! Running with No x gradient !");
  EXPECT_EQ(out[7], "  ! NO transfer between L/R targets !");
  // The summary is the last 15 lines.
  const size_t s = out.size() - 15;
  EXPECT_EQ(out[s], " input       100000");
  EXPECT_EQ(out[s + 1].substr(0, 8), " tar1 in");
  EXPECT_EQ(out[s + 2].substr(0, 8), " tar2 in");
  EXPECT_EQ(out[s + 3].substr(0, 7), " det in");
  EXPECT_EQ(out[s + 4], " h27961.hbook                ");
  EXPECT_EQ(out[s + 5], "   End time: 20260307    095916.345  ");
  const char* texts[9] = {"    Frac # of scatters tar1 ",
                          "    Frac # of scatters tar2 ",
                          "    Fraction of cases where En < 1 meV",
                          "    Frac num of tar1 entering tar2 ",
                          "    Number of scattered reaching det ",
                          "    Frac of scat of total reaching det ",
                          "    Frac of det hits that were scattered ",
                          "    Number of det hits with Ef.ne.Ei ",
                          "    Frac of det hits that were scattered with Ef.ne.Ei "};
  for (int i = 0; i < 9; ++i) {
    const std::string& line = out[s + 6 + i];
    EXPECT_EQ(line.substr(0, std::string(texts[i]).size()), texts[i]);
    EXPECT_EQ(line.size(), std::string(texts[i]).size() + (i == 4 || i == 7 ? 12 : 15)) << line;
  }
}

TEST_F(ShippedRun, LogHoldsTheSameReportWithItsOwnIndents) {
  const auto log = lines(result_->log);
  ASSERT_EQ(log.size(), 21u) << result_->log;
  EXPECT_EQ(log[0], "   Nevents:       100000");
  EXPECT_EQ(log[1], "   Start time: 20260307    090516.345  ");
  EXPECT_EQ(log[2], "  tarn - Upstream target on right, x>0.  Dn on left ");
  EXPECT_EQ(log[3], " ranNo is        27961");
  EXPECT_EQ(log[4], "  ! Running with No x gradient !");
  EXPECT_EQ(log[5], "  ! NO transfer between L/R targets !");
  EXPECT_EQ(log[6], " input       100000");
  EXPECT_EQ(log[10], " h27961.hbook                ");
  EXPECT_EQ(log[11], "   End time: 20260307    095916.345  ");
  EXPECT_EQ(log[12].substr(0, 27), "   Frac # of scatters tar1 ");
  EXPECT_EQ(log[13].substr(0, 26), "  Frac # of scatters tar2 ");
  EXPECT_EQ(log[14].substr(0, 37), "   Fraction of cases where En < 1 meV");
  EXPECT_EQ(log[18].substr(0, 41), "    Frac of det hits that were scattered ");
  EXPECT_EQ(log[20].substr(0, 54), "   Frac of det hits that were scattered with Ef.ne.Ei ");
  // Same values as the console.
  const auto out = lines(result_->console);
  for (int i = 0; i < 9; ++i) {
    const std::string& c = out[out.size() - 9 + i];
    const std::string& l = log[12 + i];
    EXPECT_EQ(c.substr(c.size() - 15), l.substr(l.size() - 15)) << i;
  }
}

TEST_F(ShippedRun, CountersAgreeWithHistogramEntries) {
  const hbook::ReadResult file = hbook::readFile((dir_->path() / "h27961.hbook").string());
  const long long tar1 = countAfter(result_->console, "tar1 in");
  const long long tar2 = countAfter(result_->console, "tar2 in");
  const long long det = countAfter(result_->console, "det in");
  ASSERT_GT(tar1, 0);
  ASSERT_GT(tar2, 0);
  ASSERT_GT(det, 0);
  EXPECT_EQ(find(file, 3001).entries, det);
  EXPECT_EQ(find(file, 3005).entries, det);
  EXPECT_EQ(find(file, 6).entries, det);
  EXPECT_EQ(find(file, 3008).entries + find(file, 3010).entries, det);
  EXPECT_EQ(find(file, 4012).entries, tar1);
  EXPECT_EQ(find(file, 5012).entries, tar2);
  EXPECT_EQ(find(file, 4010).entries, tar1 + tar2);
  const long long scatAtDet = countAfter(result_->console, "   Number of scattered reaching det ");
  EXPECT_EQ(find(file, 3014).entries, scatAtDet);
  // The wavelength sample was drawn once per event, so 4017 counts every
  // event that passed the wavelength cut, at most all of them.
  EXPECT_LE(find(file, 4017).entries, 100000);
  EXPECT_GT(find(file, 4017).entries, 99000);
  // Sampled inputs carry the mark of the sampler: cumulative contents.
  EXPECT_EQ(find(file, 100).entries, -1);
  EXPECT_EQ(find(file, 302).entries, -1);
  EXPECT_EQ(find(file, 402).entries, -1);
}

TEST_F(ShippedRun, HistogramFileHoldsInputsCopiesAndTheCatalogue) {
  const hbook::ReadResult file = hbook::readFile((dir_->path() / "h27961.hbook").string());
  EXPECT_TRUE(file.skipped.empty());
  std::set<int> ids;
  for (const auto& h : file.histograms) ids.insert(h.id);
  EXPECT_EQ(file.histograms.size(), 50u);
  for (int id : {100, 151, 152, 301, 302, 402}) EXPECT_TRUE(ids.count(id)) << id;
  EXPECT_EQ(find(file, 3006).title, "Path length (cm) DeB");
  EXPECT_EQ(find(file, 3006).nx, 200);
  EXPECT_EQ(find(file, 3006).xmin, 83.15f);
  EXPECT_EQ(find(file, 3006).xmax, 83.25f);
  EXPECT_EQ(find(file, 7).title, "y (cm) Up");
  EXPECT_EQ(find(file, 8).title, "x (cm) Up");
  EXPECT_EQ(find(file, 3005).nx, 1000);
  EXPECT_EQ(find(file, 4005).xmax, 20.0f);
  EXPECT_EQ(find(file, 5022).xmax, 360.0f);
  // Result histograms come in catalogue order after the four inputs.
  EXPECT_EQ(file.histograms[0].id, 100);
  EXPECT_EQ(file.histograms[3].id, 301);
  EXPECT_EQ(file.histograms[4].id, 1001);
  EXPECT_EQ(file.histograms[47].id, 5022);
}

TEST_F(ShippedRun, UnscatteredPathsFallInsideThePathRange) {
  // Neutrons passing both cells near the axis travel about 83.2 cm in them.
  const hbook::ReadResult file = hbook::readFile((dir_->path() / "h27961.hbook").string());
  const hbook::Histogram& path = find(file, 3006);
  float inRange = 0;
  for (int bin = 1; bin <= path.nx; ++bin) inRange += path.channels[bin];
  EXPECT_GT(inRange, 0.5f * static_cast<float>(path.entries));
}

TEST(RunNotices, ANoticeIsMissingWhenEventOneEndsBeforeItsPoint) {
  // With this seed the first neutron is lost before the downstream cell.
  ScratchDir dir("notice");
  dir.copyShippedInputs();
  const RunResult r = runIn(dir.path(), 1, tarn::makeStamp(2026, 3, 7, 9, 5, 12, 345));
  EXPECT_NE(r.console.find("  ! Running with No x gradient !\n"), std::string::npos);
  EXPECT_EQ(r.console.find("NO transfer"), std::string::npos);
  EXPECT_EQ(r.log.find("NO transfer"), std::string::npos);
  EXPECT_NE(r.log.find("  ! Running with No x gradient !\n"), std::string::npos);
}

TEST(RunNotices, FirstEventBelowOneAngstromPrintsNoNoticeAndEventTwoFindsNoCopy) {
  // A flat spectrum from 0.5 to 1.5 Å: the sampler's first number (0.1985)
  // gives 0.6985 Å, so event 1 ends at the wavelength cut.
  ScratchDir dir("cut");
  dir.copyShippedInputs();
  writeHistograms(dir.path() / "lam.hbook", {makeHistogram(100, "flat", 1, 0.5f, 1.5f, {1.0f})});
  const RunResult r = runIn(dir.path(), 50, START);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.console.find("Running with No x gradient"), std::string::npos);
  EXPECT_EQ(r.log.find("Running with No x gradient"), std::string::npos);
  EXPECT_EQ(r.console.find("NO transfer"), std::string::npos);
  // The first event that passes the cut asks to remove a copy 302 that was
  // never made; the package reports it once, later events find the copy.
  const std::string error = " ***** ERROR in HDELET : Unknown histogram : ID=     302 \n";
  const size_t at = r.console.find(error);
  ASSERT_NE(at, std::string::npos) << r.console;
  EXPECT_EQ(r.console.find(error, at + 1), std::string::npos);
  EXPECT_EQ(r.log.find("HDELET"), std::string::npos);
}

TEST(RunRepeat, SameSeedAndInputsGiveIdenticalOutput) {
  ScratchDir a("repeat-a"), b("repeat-b");
  a.copyShippedInputs();
  b.copyShippedInputs();
  const RunResult ra = runIn(a.path(), 3000, START);
  const RunResult rb = runIn(b.path(), 3000, START);
  EXPECT_EQ(ra.console, rb.console);
  EXPECT_EQ(ra.log, rb.log);
  const auto fa = hbook::readFile((a.path() / "h27961.hbook").string());
  const auto fb = hbook::readFile((b.path() / "h27961.hbook").string());
  ASSERT_EQ(fa.histograms.size(), fb.histograms.size());
  for (size_t i = 0; i < fa.histograms.size(); ++i) {
    EXPECT_EQ(fa.histograms[i].channels, fb.histograms[i].channels) << fa.histograms[i].id;
    EXPECT_EQ(fa.histograms[i].entries, fb.histograms[i].entries);
  }
}

TEST(RunFiles, SecondRunInTheSameMinuteStopsBeforePrintingAnything) {
  ScratchDir dir("same-minute");
  dir.copyShippedInputs();
  ASSERT_EQ(runIn(dir.path(), 10, START).status, 0);
  testing::internal::CaptureStderr();
  const RunResult second = runIn(dir.path(), 10, START);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(second.status, 0);
  EXPECT_EQ(second.console, "");
  // The specified line, then why and what to do.
  EXPECT_EQ(err.rfind("cannot overwrite existing file, unit 3, file tarn-0307-0905.o\n", 0), 0u) << err;
  EXPECT_NE(err.find("wait for the next minute, remove the log if its run was refused, or give --output-dir"),
            std::string::npos)
      << err;
}

TEST(RunFiles, ExistingHistogramFileIsKeptAndResultsGoElsewhere) {
  ScratchDir dir("existing-h");
  dir.copyShippedInputs();
  { std::ofstream(dir.path() / "h27961.hbook") << "an earlier run"; }
  const RunResult r = runIn(dir.path(), 200, START);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(readText(dir.path() / "h27961.hbook"), "an earlier run");
  ASSERT_TRUE(fs::exists(dir.path() / "h27961-1.hbook"));
  EXPECT_NE(r.console.find(" h27961.hbook exists; this run's histograms are in h27961-1.hbook\n"), std::string::npos);
  EXPECT_NE(r.console.find("\n h27961-1.hbook              \n"), std::string::npos);
  EXPECT_NE(r.log.find("\n h27961-1.hbook              \n"), std::string::npos);
  EXPECT_EQ(hbook::readFile((dir.path() / "h27961-1.hbook").string()).histograms.size(), 51u);  // with the run record
}

TEST(RunInputs, MissingSpectrumStopsBeforeTheFirstEvent) {
  ScratchDir dir("no-lam");
  dir.copyShippedInputs();
  fs::remove(dir.path() / "lam.hbook");
  const RunResult r = runIn(dir.path(), 100, START);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.console.find(" lam.hbook: no such file in the working directory"), std::string::npos) << r.console;
  EXPECT_NE(r.log.find(" lam.hbook: no such file in the working directory"), std::string::npos);
  EXPECT_NE(r.log.find("The run stops before the first event."), std::string::npos);
  EXPECT_FALSE(fs::exists(dir.path() / "h27961.hbook"));
  EXPECT_EQ(r.console.find("RANLUX"), std::string::npos);
}

TEST(RunInputs, WithoutItsInputsTheRunSaysEachOnceAndWhatToDo) {
  ScratchDir dir("no-inputs");
  const RunResult r = runIn(dir.path(), 100, START);
  EXPECT_EQ(r.status, 3);
  // The package's line for each missing file, the gradient file's once
  // although it is read twice, and no line with an empty file name.
  for (const char* name : {"lam.hbook", "gradx.hbook", "sq.hbook"}) {
    const std::string line = std::string(" RZOPEN. Error - input file ") + name + " does not exist\n";
    const std::size_t at = r.console.find(line);
    EXPECT_NE(at, std::string::npos) << r.console;
    EXPECT_EQ(r.console.find(line, at + 1), std::string::npos) << name << " twice:\n" << r.console;
  }
  EXPECT_EQ(r.console.find("Cannot open file :"), std::string::npos) << r.console;
  // The last word is what to do, on the console and in the log.
  for (const std::string& text : {r.console, r.log}) {
    EXPECT_NE(text.find("are in tarn's data/ folder"), std::string::npos) << text;
    EXPECT_NE(text.find(": copy them here, or give --input-dir DIR\n"), std::string::npos) << text;
  }
}

TEST(RunInputs, MissingStructureFactorHistogramStops) {
  ScratchDir dir("no-301");
  dir.copyShippedInputs();
  writeHistograms(dir.path() / "sq.hbook", {makeHistogram(300, "wrong id", 90, 0.0f, 3.6f, {1.0f, 1.0f})});
  const RunResult r = runIn(dir.path(), 100, START);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.console.find(" sq.hbook: holds no histogram 301"), std::string::npos) << r.console;
  EXPECT_FALSE(fs::exists(dir.path() / "h27961.hbook"));
}

TEST(RunInputs, WronglyBinnedStructureFactorIsRefused) {
  ScratchDir dir("bad-301");
  dir.copyShippedInputs();
  writeHistograms(dir.path() / "sq.hbook",
                  {makeHistogram(301, "S(q)", 100, 0.0f, 3.6f, std::vector<float>(100, 1.0f))});
  const RunResult r = runIn(dir.path(), 100, START);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.console.find(" sq.hbook: histogram 301 has 100 bins of 0.036 from 0; the momentum-transfer "
                           "sampler needs 90 bins of 0.04 from 0"),
            std::string::npos)
      << r.console;
}

// A 2-D histogram or an ntuple where a 1-D histogram is expected: the
// golden 2-D and column-wise files with their first key renamed to the id
// the run asks for.
void copyWithFirstKey(const fs::path& from, const fs::path& to, std::int32_t id) {
  std::string bytes = readText(from);
  const auto word = [&](std::size_t k) {  // directory word k (1-based) of record 2
    const std::size_t at = 4096 + 4 * (k - 1);
    return (std::uint32_t{static_cast<unsigned char>(bytes[at])} << 24) |
           (std::uint32_t{static_cast<unsigned char>(bytes[at + 1])} << 16) |
           (std::uint32_t{static_cast<unsigned char>(bytes[at + 2])} << 8) | static_cast<unsigned char>(bytes[at + 3]);
  };
  const std::size_t at = 4096 + 4 * word(27);  // LK: the first key's cycle pointer, KEY(1) after it
  for (int b = 0; b < 4; ++b) bytes[at + b] = static_cast<char>(static_cast<std::uint32_t>(id) >> (24 - 8 * b));
  std::ofstream(to, std::ios::binary) << bytes;
}

TEST(RunInputs, TwoDimensionalOrNtupleInputIsNamedAndRefused) {
  ScratchDir dir("kinds");
  dir.copyShippedInputs();
  const fs::path objects = fs::path(TARN_TEST_DATA) / "hbook" / "objects";
  copyWithFirstKey(objects / "h2.hbook", dir.path() / "lam.hbook", 100);
  copyWithFirstKey(objects / "cwn.hbook", dir.path() / "sq.hbook", 301);
  const RunResult r = runIn(dir.path(), 100, START);
  EXPECT_EQ(r.status, 3);
  for (const std::string& text : {r.console, r.log}) {
    EXPECT_NE(text.find(" lam.hbook: object 100 is a 2-D histogram of 10 x 8 bins 0..1 x 0..2, not the 1-D histogram "
                        "the run needs"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(" sq.hbook: object 301 is a column-wise ntuple of 9 variables x 2000 rows, not the 1-D histogram "
                        "the run needs"),
              std::string::npos)
        << text;
  }
  EXPECT_FALSE(fs::exists(dir.path() / "h27961.hbook"));
}

TEST(RunInputs, MissingGradientFileIsOnlyReported) {
  ScratchDir dir("no-gradx");
  dir.copyShippedInputs();
  fs::remove(dir.path() / "gradx.hbook");
  const RunResult r = runIn(dir.path(), 100, START);
  EXPECT_EQ(r.status, 0) << r.console;
  EXPECT_NE(r.log.find("gradx.hbook: gradient histograms 151/152 not loaded"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir.path() / "h27961.hbook"));
}
