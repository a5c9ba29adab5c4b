// Adding histogram files together (merge.h): tallies summed bin for bin,
// inputs and the sampler's working copies written once, every mismatch
// refused with the file and the id, a file with an object that cannot be
// read refused.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "hbook/merge.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"
#include "support/scratchdir.h"

namespace fs = std::filesystem;

namespace {

hbook::Histogram histogram(int id, const std::string& title, int nx, float xmin, float xmax, float base) {
  hbook::Histogram h;
  h.id = id;
  h.title = title;
  h.nx = nx;
  h.xmin = xmin;
  h.xmax = xmax;
  h.channels.resize(static_cast<std::size_t>(nx) + 2);
  for (std::size_t i = 0; i < h.channels.size(); ++i) h.channels[i] = base + 0.25f * static_cast<float>(i);
  h.entries = static_cast<int>(base) * 10;
  return h;
}

// A run's file: a tally 10, one with errors 20, an input 301 (marked as
// read from a file) and a working copy 302 (entries -1) of `copyBins` bins.
std::vector<hbook::Histogram> runFile(float base, int copyBins) {
  std::vector<hbook::Histogram> hs;
  hs.push_back(histogram(10, "x (cm)", 4, -1.0f, 1.0f, base));
  hbook::Histogram withErrors = histogram(20, "E (meV)", 3, 0.0f, 3.0f, base);
  withErrors.sumw2 = {base, 2 * base, 3 * base};
  withErrors.statSumW = base;
  withErrors.statSumWX = 0.5 * base;
  hs.push_back(withErrors);
  hbook::Histogram input = histogram(301, "S(q)", 5, 0.0f, 0.2f, 7.0f);
  input.readFromFile = true;
  hs.push_back(input);
  hbook::Histogram copy = histogram(302, "S(q)", copyBins, 0.0f, 0.04f * static_cast<float>(copyBins), base);
  copy.entries = -1;
  hs.push_back(copy);
  return hs;
}

class MergeTest : public ::testing::Test {
 protected:

  hbook::MergeSource source(const std::string& name, const std::vector<hbook::Histogram>& hs) {
    const std::string path = (dir_ / name).string();
    std::vector<const hbook::Histogram*> list;
    for (const auto& h : hs) list.push_back(&h);
    hbook::writeFile(path, list, true);
    return {path, hbook::readFile(path)};
  }
  // The message of the refusal, or "" when the merge went through.
  std::string refusal(const std::vector<hbook::MergeSource>& sources) {
    try {
      hbook::mergeHistograms(sources);
    } catch (const hbook::FileError& e) {
      return e.what();
    }
    return "";
  }
  testsupport::ScratchDir scratch_{"merge"};
  fs::path dir_ = scratch_.path();
};

}  // namespace

TEST_F(MergeTest, TalliesSumBinForBinInputsAndWorkingCopiesOnce) {
  const auto a = runFile(1.0f, 30), b = runFile(2.5f, 44);
  const std::vector<hbook::MergeSource> sources = {source("a.hbook", a), source("b.hbook", b)};
  const std::vector<hbook::MergedHistogram> merged = hbook::mergeHistograms(sources);
  ASSERT_EQ(merged.size(), 4u);
  const hbook::Histogram& t = merged[0].histogram;
  EXPECT_EQ(merged[0].role, hbook::MergeRole::Tally);
  for (std::size_t i = 0; i < t.channels.size(); ++i) EXPECT_EQ(t.channels[i], a[0].channels[i] + b[0].channels[i]) << i;
  EXPECT_EQ(t.entries, 10 + 20);
  const hbook::Histogram& e = merged[1].histogram;
  EXPECT_EQ(e.sumw2, (std::vector<float>{3.5f, 7.0f, 10.5f}));
  EXPECT_EQ(e.statSumW, 3.5f);
  EXPECT_EQ(e.statSumWX, 1.75);
  EXPECT_FALSE(e.readFromFile);
  EXPECT_EQ(merged[2].role, hbook::MergeRole::Input);
  EXPECT_EQ(merged[2].histogram.channels, a[2].channels);
  EXPECT_TRUE(merged[2].histogram.readFromFile);  // written back with its marking
  EXPECT_EQ(merged[3].role, hbook::MergeRole::WorkingCopy);
  EXPECT_EQ(merged[3].histogram.nx, 30);  // the first file's, whatever the second's range
  EXPECT_EQ(merged[3].histogram.entries, -1);

  // Written and read back: the same sums; merged files merge again.
  std::vector<const hbook::Histogram*> list;
  for (const auto& m : merged) list.push_back(&m.histogram);
  hbook::writeFile((dir_ / "ab.hbook").string(), list, false);
  const hbook::MergeSource ab{(dir_ / "ab.hbook").string(), hbook::readFile((dir_ / "ab.hbook").string())};
  EXPECT_TRUE(ab.file.histograms[2].markedAsRead);
  EXPECT_FALSE(ab.file.histograms[0].markedAsRead);
  const auto again = hbook::mergeHistograms({ab, source("c.hbook", runFile(1.0f, 30))});
  EXPECT_EQ(again[0].histogram.entries, 40);
  EXPECT_EQ(again[2].histogram.channels, a[2].channels);
}

TEST_F(MergeTest, EachStatisticsWordAndErrorSumsOnlyItself) {
  auto a = runFile(1.0f, 30), b = runFile(1.0f, 30);
  // Values of their own for every word, in both files.
  a[1].statSumW = 3.0f, a[1].statSumW2 = 5.0f, a[1].statSumWX = 7.0, a[1].statSumWX2 = 11.0;
  b[1].statSumW = 13.0f, b[1].statSumW2 = 17.0f, b[1].statSumWX = 19.0, b[1].statSumWX2 = 23.0;
  a[1].sumw2 = {29.0f, 31.0f, 37.0f};
  b[1].sumw2 = {41.0f, 43.0f, 47.0f};
  a[1].entries = 53;
  b[1].entries = 59;
  const auto merged = hbook::mergeHistograms({source("a.hbook", a), source("b.hbook", b)});
  const hbook::Histogram& e = merged[1].histogram;
  EXPECT_EQ(e.statSumW, 16.0f);
  EXPECT_EQ(e.statSumW2, 22.0f);
  EXPECT_EQ(e.statSumWX, 26.0);
  EXPECT_EQ(e.statSumWX2, 34.0);
  EXPECT_EQ(e.sumw2, (std::vector<float>{70.0f, 74.0f, 84.0f}));
  EXPECT_EQ(e.entries, 112);
}

TEST_F(MergeTest, EntriesBeyondTheFileWordStayAtItsLargest) {
  auto a = runFile(1.0f, 30), b = runFile(1.0f, 30);
  a[0].entries = 2000000000;
  b[0].entries = 2000000000;
  const auto merged = hbook::mergeHistograms({source("a.hbook", a), source("b.hbook", b)});
  EXPECT_EQ(merged[0].histogram.entries, 2147483647);
}

TEST_F(MergeTest, MismatchesAreRefusedNamingTheFileAndTheId) {
  const auto good = source("good.hbook", runFile(1.0f, 30));
  struct Case {
    const char* what;
    void (*spoil)(std::vector<hbook::Histogram>&);
    const char* expected;
  };
  const Case cases[] = {
      {"binning", [](std::vector<hbook::Histogram>& hs) { hs[0].xmax = 2.0f; }, "histogram 10 has 4 bins from -1 to 2"},
      {"bins", [](std::vector<hbook::Histogram>& hs) { hs[0] = histogram(10, "x (cm)", 5, -1.0f, 1.0f, 1.0f); },
       "histogram 10 has 5 bins"},
      {"title", [](std::vector<hbook::Histogram>& hs) { hs[0].title = "y (cm)"; }, "histogram 10 is titled \"y (cm)\""},
      {"missing", [](std::vector<hbook::Histogram>& hs) { hs.erase(hs.begin() + 1); }, "holds no histogram 20"},
      {"extra", [](std::vector<hbook::Histogram>& hs) { hs.push_back(histogram(99, "z", 2, 0.0f, 1.0f, 1.0f)); },
       "histogram 99 is not in"},
      {"errors", [](std::vector<hbook::Histogram>& hs) { hs[1].sumw2.clear(); }, "histogram 20 has no errors stored"},
      {"input", [](std::vector<hbook::Histogram>& hs) { hs[2].channels[3] = 8.0f; },
       "histogram 301 is an input (marked as read from a file) that differs"},
      {"input entries", [](std::vector<hbook::Histogram>& hs) { hs[2].entries += 1; },
       "histogram 301 is an input (marked as read from a file) that differs"},
      {"role", [](std::vector<hbook::Histogram>& hs) { hs[3].entries = 5; }, "histogram 302 is a tally"},
  };
  for (const Case& c : cases) {
    auto hs = runFile(2.0f, 30);
    c.spoil(hs);
    const std::string message = refusal({good, source(std::string(c.what) + ".hbook", hs)});
    EXPECT_NE(message.find((dir_ / (std::string(c.what) + ".hbook")).string() + ": "), std::string::npos) << c.what << ": " << message;
    EXPECT_NE(message.find(c.expected), std::string::npos) << c.what << ": " << message;
  }
  auto twice = runFile(2.0f, 30);
  twice.push_back(twice[0]);
  EXPECT_NE(refusal({source("twice.hbook", twice)}).find("histogram 10 appears twice"), std::string::npos);
  EXPECT_THROW(hbook::mergeHistograms({}), hbook::FileError);
}

// Each refusal in full: what the file at fault holds, then what the first
// file holds; variable bin edges and errors on either side are said. A
// working copy of the sampler is the first file's whatever the others'
// title and binning.
TEST_F(MergeTest, RefusalsSayWhatEachFileHolds) {
  const auto good = source("good.hbook", runFile(1.0f, 30));
  const std::string first = (dir_ / "good.hbook").string();
  struct Case {
    const char* what;
    void (*spoil)(std::vector<hbook::Histogram>&);
    std::string expected;  // after "PATH: "; "" merged
  };
  const Case cases[] = {
      {"edges",
       [](std::vector<hbook::Histogram>& hs) {
         hs[0].edges = {-1.0f, 0.0f, 0.25f, 0.5f, 1.0f};
       },
       "histogram 10 has 4 bins from -1 to 1 (variable bin edges); in " + first + " it has 4 bins from -1 to 1"},
      {"low", [](std::vector<hbook::Histogram>& hs) { hs[0].xmin = -1.5f; },
       "histogram 10 has 4 bins from -1.5 to 1; in " + first + " it has 4 bins from -1 to 1"},
      {"tenth", [](std::vector<hbook::Histogram>& hs) { hs[0].xmax = 1.1f; },
       "histogram 10 has 4 bins from -1 to 1.10000002; in " + first + " it has 4 bins from -1 to 1"},
      {"errors",
       [](std::vector<hbook::Histogram>& hs) {
         hs[0].sumw2 = {1.0f, 1.0f, 1.0f, 1.0f};
       },
       "histogram 10 has errors stored; in " + first + " it has none"},
      {"noerrors", [](std::vector<hbook::Histogram>& hs) { hs[1].sumw2.clear(); },
       "histogram 20 has no errors stored; in " + first + " it has"},
      {"title", [](std::vector<hbook::Histogram>& hs) { hs[0].title = "y (cm)"; },
       "histogram 10 is titled \"y (cm)\"; in " + first + " \"x (cm)\""},
      {"tally", [](std::vector<hbook::Histogram>& hs) { hs[2].readFromFile = false; },
       "histogram 301 is a tally; in " + first + " it is an input (marked as read from a file)"},
      {"copy", [](std::vector<hbook::Histogram>& hs) { hs[0].entries = -1; },
       "histogram 10 is a sampler's working copy (entries -1); in " + first + " it is a tally"},
      {"input", [](std::vector<hbook::Histogram>& hs) { hs[1].readFromFile = true; },
       "histogram 20 is an input (marked as read from a file); in " + first + " it is a tally"},
      {"copytitle", [](std::vector<hbook::Histogram>& hs) { hs[3].title = "another"; }, ""},
  };
  for (const Case& c : cases) {
    auto hs = runFile(2.0f, 30);
    c.spoil(hs);
    const std::string message = refusal({good, source(std::string(c.what) + ".hbook", hs)});
    EXPECT_EQ(message, c.expected.empty() ? "" : (dir_ / (std::string(c.what) + ".hbook")).string() + ": " + c.expected)
        << c.what;
  }
}

TEST_F(MergeTest, AFileWithAnObjectThatCannotBeReadIsRefused) {
  hbook::MergeSource partial = source("partial.hbook", runFile(1.0f, 30));
  partial.file.skipped.push_back({7, "partial.hbook: key 5 (7,0): a layout not read, skipped", "/"});
  const std::string message = refusal({source("a.hbook", runFile(1.0f, 30)), partial});
  EXPECT_NE(message.find("partial.hbook: object 7 in / cannot be read"), std::string::npos) << message;
}

TEST_F(MergeTest, TheRealPackagesRunFileMarksItsInputs) {
  // A run file written by the package itself: HRGET's inputs 151, 152 and
  // 301 carry the read-from-file mark, the sampled spectrum 100 is a
  // working copy, the results are tallies.
  const std::string path = std::string(TARN_TEST_DATA) + "/hbook/golden-run.hbook";
  const hbook::MergeSource run{path, hbook::readFile(path)};
  const auto merged = hbook::mergeHistograms({run, run});
  for (const auto& m : merged) {
    const int id = m.histogram.id;
    const hbook::MergeRole expected = (id == 151 || id == 152 || id == 301)   ? hbook::MergeRole::Input
                                      : (id == 100 || id == 302 || id == 402) ? hbook::MergeRole::WorkingCopy
                                                                              : hbook::MergeRole::Tally;
    EXPECT_EQ(m.role, expected) << id;
  }
}
