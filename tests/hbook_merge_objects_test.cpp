// Adding files of every object kind (merge.h): each test file added to a
// copy of itself doubles every sum of every tally (1-D, 2-D with its
// projections, slices and bands, profiles with every error option) and
// every ntuple's rows, exactly; inputs and working copies stay as they are;
// the result writes and reads back with the same values; packed channels
// widen only beyond their largest count; profiles with option P combine
// their squared deviations as two samples do. (Files that cannot be added:
// hbook_merge_refusals_test.cpp.)
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "hbook/merge.h"
#include "hbook/print/dumpall/dumpall.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"
#include "support/smallobjects.h"

namespace {

namespace fs = std::filesystem;
const std::string DATA_DIR = std::string(TARN_TEST_DATA) + "/hbook/";
using testsupport::oneObjectFile;

std::vector<float> doubled(const std::vector<float>& v) {
  std::vector<float> out;
  for (float x : v) out.push_back(2.0f * x);
  return out;
}

template <typename T>
std::vector<T> twice(const std::vector<T>& v) {
  std::vector<T> out = v;
  out.insert(out.end(), v.begin(), v.end());
  return out;
}

void expectDoubled(const hbook::Projection& a, const hbook::Projection& m) {
  EXPECT_EQ(m.channels, doubled(a.channels)) << a.name;
  EXPECT_EQ(m.sumw2, doubled(a.sumw2)) << a.name;
  EXPECT_EQ(m.entries, 2 * a.entries) << a.name;
}

void expectDoubled(const hbook::Directory& a, const hbook::Directory& m) {
  ASSERT_EQ(m.objects.size(), a.objects.size());
  for (std::size_t i = 0; i < a.histograms.size(); ++i) {
    const hbook::Histogram& h = a.histograms[i];
    const hbook::Histogram& x = m.histograms[i];
    if (h.entries == -1 || h.markedAsRead) {  // a working copy or an input: written once
      EXPECT_EQ(x.channels, h.channels) << h.id;
      continue;
    }
    EXPECT_EQ(x.channels, doubled(h.channels)) << h.id;
    EXPECT_EQ(x.sumw2, doubled(h.sumw2)) << h.id;
    EXPECT_EQ(x.entries, 2 * h.entries) << h.id;
    EXPECT_EQ(x.statSumWX, 2 * h.statSumWX) << h.id;
  }
  for (std::size_t i = 0; i < a.histograms2d.size(); ++i) {
    const hbook::Histogram2D& h = a.histograms2d[i];
    const hbook::Histogram2D& x = m.histograms2d[i];
    EXPECT_EQ(x.cells, doubled(h.cells)) << h.id;
    EXPECT_EQ(x.sumw2, doubled(h.sumw2)) << h.id;
    EXPECT_EQ(x.entries, 2 * h.entries) << h.id;
    for (auto set : {&hbook::Histogram2D::projectionsX, &hbook::Histogram2D::projectionsY, &hbook::Histogram2D::slicesX,
                     &hbook::Histogram2D::slicesY, &hbook::Histogram2D::bandsX, &hbook::Histogram2D::bandsY}) {
      ASSERT_EQ((x.*set).size(), (h.*set).size());
      for (std::size_t k = 0; k < (h.*set).size(); ++k) expectDoubled((h.*set)[k], (x.*set)[k]);
    }
  }
  for (std::size_t i = 0; i < a.profiles.size(); ++i) {
    const hbook::Profile& p = a.profiles[i];
    const hbook::Profile& x = m.profiles[i];
    EXPECT_EQ(x.sumWY, doubled(p.sumWY)) << p.id;
    EXPECT_EQ(x.sumWY2, doubled(p.sumWY2)) << p.id;
    EXPECT_EQ(x.sumW, doubled(p.sumW)) << p.id;
    EXPECT_EQ(x.entries, 2 * p.entries) << p.id;
    for (int b = 1; b <= p.nx; ++b) EXPECT_EQ(x.mean(b), p.mean(b)) << p.id << " bin " << b;
  }
  for (std::size_t i = 0; i < a.rowNtuples.size(); ++i) {
    const hbook::RowNtuple& n = a.rowNtuples[i];
    const hbook::RowNtuple& x = m.rowNtuples[i];
    EXPECT_EQ(x.entries, 2 * n.entries);
    EXPECT_EQ(x.values, twice(n.values)) << n.id;
    EXPECT_EQ(x.minimum, n.minimum);
    EXPECT_EQ(x.maximum, n.maximum);
  }
  for (std::size_t i = 0; i < a.columnNtuples.size(); ++i) {
    const hbook::ColumnNtuple& n = a.columnNtuples[i];
    const hbook::ColumnNtuple& x = m.columnNtuples[i];
    EXPECT_EQ(x.entries, 2 * n.entries);
    for (std::size_t c = 0; c < n.columns.size(); ++c) {
      const hbook::Column& p = n.columns[c];
      const hbook::Column& q = x.columns[c];
      EXPECT_EQ(q.reals, twice(p.reals)) << p.name;
      EXPECT_EQ(q.doubles, twice(p.doubles)) << p.name;
      EXPECT_EQ(q.integers, twice(p.integers)) << p.name;
      EXPECT_EQ(q.unsigneds, twice(p.unsigneds)) << p.name;
      EXPECT_EQ(q.logicals, twice(p.logicals)) << p.name;
      EXPECT_EQ(q.texts, twice(p.texts)) << p.name;
    }
  }
}

std::string dumpOf(const hbook::ReadResult& r) {
  std::ostringstream out;
  hbook::dumpAll(out, "x.hbook", r);
  return out.str();
}

std::vector<std::string> testFiles() {
  std::vector<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(DATA_DIR)) {
    const std::string p = e.path().string();
    if (p.find("/fuzz/") == std::string::npos && (e.path().extension() == ".hbook" || e.path().extension() == ".hb")) {
      files.push_back(p.substr(DATA_DIR.size()));
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

class MergedWithItself : public ::testing::TestWithParam<std::string> {};

TEST_P(MergedWithItself, DoublesEverySumAndEveryNtuplesRows) {
  const hbook::MergeSource a{"a.hbook", hbook::readFile(DATA_DIR + GetParam())};
  const hbook::MergeSource b{"b.hbook", a.file};
  EXPECT_TRUE(hbook::sameContents(a.file, b.file));
  const hbook::MergedFile m = hbook::mergeFiles({a, b});
  ASSERT_EQ(m.directories.size(), a.file.directories.size());
  for (std::size_t d = 0; d < m.directories.size(); ++d) {
    SCOPED_TRACE(m.directories[d].path);
    expectDoubled(a.file.directories[d], m.directories[d]);
  }
  // The merged file holds what was merged, and merges again.
  hbook::ReadResult written = hbook::readMemory("m.hbook", hbook::fileImage(m.directories, {}));
  hbook::ReadResult expected;
  expected.directories = m.directories;
  expected.recordWords = 1024;
  EXPECT_EQ(dumpOf(written).substr(dumpOf(written).find("ROWS")),
            dumpOf(expected).substr(dumpOf(expected).find("ROWS")));
  EXPECT_NO_THROW(hbook::mergeFiles({{"m.hbook", written}, a}));
}

INSTANTIATE_TEST_SUITE_P(TestFiles, MergedWithItself, ::testing::ValuesIn(testFiles()), [](const auto& info) {
  std::string n = info.param;
  for (char& c : n) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return n;
});
// Packed channels of 8 bits hold sums up to 255: a sum of 255 stays packed,
// one of 256 is written unpacked with a note.
TEST(MergeObjects, PackedChannelsAreWidenedOnlyBeyondTheirLargestCount) {
  auto file = [](float content) {
    hbook::Histogram h;
    h.id = 7;
    h.nx = 2;
    h.xmax = 2.0f;
    h.nbit = 8;
    h.entries = 1;
    h.channels = {0.0f, content, 1.0f, 0.0f};
    hbook::ReadResult r;
    hbook::Directory d;
    d.path = "/";
    d.objects.push_back({hbook::ObjectKind::Histogram1D, h.id, 0});
    d.histograms.push_back(h);
    r.directories.push_back(d);
    return r;
  };
  const hbook::MergedFile fits = hbook::mergeFiles({{"a", file(200.0f)}, {"b", file(55.0f)}});
  EXPECT_EQ(fits.directories[0].histograms[0].channels[1], 255.0f);
  EXPECT_EQ(fits.directories[0].histograms[0].nbit, 8);
  EXPECT_TRUE(fits.notes.empty());
  const hbook::MergedFile over = hbook::mergeFiles({{"a", file(200.0f)}, {"b", file(56.0f)}});
  EXPECT_EQ(over.directories[0].histograms[0].nbit, 32);
  ASSERT_EQ(over.notes.size(), 1u);
  EXPECT_NE(over.notes[0].find("8-bit packed channels (256 > 255); written unpacked"), std::string::npos)
      << over.notes[0];
}

TEST(MergeObjects, ContentsAreTheSameOnlyBitForBit) {
  const hbook::ReadResult cwn = hbook::readFile(DATA_DIR + "objects/cwn.hbook");
  hbook::ReadResult other = cwn;
  EXPECT_TRUE(hbook::sameContents(cwn, other));
  EXPECT_EQ(hbook::contentsDigest(cwn), hbook::contentsDigest(other));
  other.directories[0].columnNtuples[0].columns[8].texts[1999][0] = 'Z';
  EXPECT_FALSE(hbook::sameContents(cwn, other));
  EXPECT_NE(hbook::contentsDigest(cwn), hbook::contentsDigest(other));
  const hbook::ReadResult h2 = hbook::readFile(DATA_DIR + "objects/h2.hbook");
  hbook::ReadResult negativeZero = h2;
  negativeZero.directories[0].histograms2d[6].cells[0] = -0.0f;
  EXPECT_FALSE(hbook::sameContents(h2, negativeZero));
}

hbook::Profile profileOptionP(const std::vector<float>& ys) {
  // One bin, unit weights: sum of y, of squared deviations from the mean, of w.
  hbook::Profile p;
  p.id = 1;
  p.nx = 1;
  p.xmax = 1.0f;
  p.ymin = -10.0f;
  p.ymax = 10.0f;
  p.errorStatus = 4;
  double y = 0;
  for (float v : ys) y += v;
  const double mean = y / static_cast<double>(ys.size());
  double d = 0;
  for (float v : ys) d += (v - mean) * (v - mean);
  p.entries = static_cast<std::int32_t>(ys.size());
  p.sumWY = {0.0f, static_cast<float>(y), 0.0f};
  p.sumWY2 = {static_cast<float>(d)};
  p.sumW = {static_cast<float>(ys.size())};
  return p;
}

TEST(MergeObjects, ProfilesWithOptionPCombineTheirDeviationsAsSamplesDo) {
  auto file = [](const hbook::Profile& p) {
    hbook::ReadResult r;
    hbook::Directory d;
    d.path = "/";
    d.objects.push_back({hbook::ObjectKind::Profile, p.id, 0});
    d.profiles.push_back(p);
    r.directories.push_back(d);
    return r;
  };
  const hbook::MergedFile m =
      hbook::mergeFiles({{"a", file(profileOptionP({1, 2}))}, {"b", file(profileOptionP({4}))}});
  const hbook::Profile& p = m.directories[0].profiles[0];
  EXPECT_EQ(p.sumWY2[0], profileOptionP({1, 2, 4}).sumWY2[0]);  // 42/9
  EXPECT_EQ(p.sumW[0], 3.0f);
  EXPECT_EQ(p.mean(1), profileOptionP({1, 2, 4}).mean(1));
}

}  // namespace

// An index variable's running totals go on from the first file's last
// total: row r of the second file starts where the first file's rows end.
TEST(MergeObjects, IndexTotalsOfTheLaterFilesGoOnFromTheFirstFilesLast) {
  const hbook::ReadResult cwn = hbook::readFile(DATA_DIR + "objects/cwn.hbook");
  const hbook::ColumnNtuple& c = cwn.directories[0].columnNtuples.at(0);
  const hbook::Column& n = c.columns.at(3);
  ASSERT_TRUE(n.isIndex);
  ASSERT_EQ(n.totals.size(), static_cast<std::size_t>(c.entries) + 1);
  ASSERT_GT(n.totals.back(), 0);
  const hbook::MergedFile m = hbook::mergeFiles({{"a.hbook", cwn}, {"b.hbook", cwn}, {"c.hbook", cwn}});
  const hbook::ColumnNtuple& x = m.directories[0].columnNtuples.at(0);
  const std::vector<std::int64_t>& t = x.columns.at(3).totals;
  ASSERT_EQ(t.size(), 3 * static_cast<std::size_t>(c.entries) + 1);
  const std::size_t rows = static_cast<std::size_t>(c.entries);
  for (std::size_t r = 0; r <= rows; ++r) {
    EXPECT_EQ(t[r], n.totals[r]) << r;
    EXPECT_EQ(t[rows + r], n.totals.back() + n.totals[r]) << r;
    EXPECT_EQ(t[2 * rows + r], 2 * n.totals.back() + n.totals[r]) << r;
  }
  // Each row of the third file reads what the first file's row did.
  const hbook::Column& xs = x.columns.at(4);
  ASSERT_EQ(xs.indexVariable, 3);
  for (std::int64_t r = 0; r < c.entries; r += 97) {
    EXPECT_EQ(x.count(xs, 2 * c.entries + r), c.count(c.columns[4], r)) << r;
    EXPECT_EQ(x.first(xs, 2 * c.entries + r), 2 * c.first(c.columns[4], c.entries) + c.first(c.columns[4], r)) << r;
  }
}

// The note on widened channels names the object (and a projection by its
// name) and both numbers; 32-bit channels are never widened whatever the sum.
TEST(MergeObjects, WidenedChannelsAreNotedInFull) {
  auto file = [](std::int32_t nbit, float content) {
    return oneObjectFile(hbook::ObjectKind::Histogram1D, 7, [&](hbook::Directory& d) {
      hbook::Histogram h;
      h.id = 7;
      h.nx = 2;
      h.xmax = 2.0f;
      h.nbit = nbit;
      h.entries = 1;
      h.channels = {0.0f, content, 1.0f, 0.0f};
      d.histograms.push_back(h);
    });
  };
  const hbook::MergedFile over = hbook::mergeFiles({{"a", file(4, 10.0f)}, {"b", file(4, 6.0f)}});
  ASSERT_EQ(over.notes.size(), 1u);
  EXPECT_EQ(over.notes[0], "histogram 7: the sums exceed its 4-bit packed channels (16 > 15); written unpacked");
  EXPECT_EQ(over.directories[0].histograms[0].nbit, 32);
  const hbook::MergedFile at = hbook::mergeFiles({{"a", file(4, 10.0f)}, {"b", file(4, 5.0f)}});
  EXPECT_TRUE(at.notes.empty());
  EXPECT_EQ(at.directories[0].histograms[0].nbit, 4);
  const hbook::MergedFile full = hbook::mergeFiles({{"a", file(32, 5e9f)}, {"b", file(32, 5e9f)}});
  EXPECT_TRUE(full.notes.empty());
  EXPECT_EQ(full.directories[0].histograms[0].nbit, 32);
  EXPECT_EQ(full.directories[0].histograms[0].channels[1], 1e10f);

  auto square = [](std::int32_t projectionBits) {
    return oneObjectFile(hbook::ObjectKind::Histogram2D, 9, [&](hbook::Directory& d) {
      hbook::Histogram2D h;
      h.id = 9;
      h.nx = 1;
      h.ny = 1;
      h.xmax = 1.0f;
      h.ymax = 1.0f;
      h.nbit = 32;
      h.entries = 3;
      h.cells.assign(9, 0.0f);
      h.cells[4] = 3.0f;
      hbook::Projection p;
      p.name = "PROX";
      p.nbit = projectionBits;
      p.entries = 3;
      p.channels = {0.0f, 3.0f, 0.0f};
      h.projectionsX.push_back(p);
      d.histograms2d.push_back(h);
    });
  };
  const hbook::MergedFile squares = hbook::mergeFiles({{"a", square(2)}, {"b", square(2)}});
  ASSERT_EQ(squares.notes.size(), 1u);
  EXPECT_EQ(squares.notes[0],
            "2-D histogram 9, PROX: the sums exceed its 2-bit packed channels (6 > 3); written unpacked");
  EXPECT_EQ(squares.directories[0].histograms2d[0].projectionsX[0].nbit, 32);
  EXPECT_EQ(squares.directories[0].histograms2d[0].nbit, 32);
}

// Option P: a bin empty in one file (no weight) adds only the other's
// squared deviations, whichever file is first.
TEST(MergeObjects, ProfilesWithOptionPTakeAnEmptyBinAsNoSample) {
  auto file = [](const hbook::Profile& p) {
    return oneObjectFile(hbook::ObjectKind::Profile, p.id, [&](hbook::Directory& d) { d.profiles.push_back(p); });
  };
  hbook::Profile empty = profileOptionP({1});
  empty.entries = 0;
  empty.sumWY = {0.0f, 0.0f, 0.0f};
  empty.sumWY2 = {0.0f};
  empty.sumW = {0.0f};
  const hbook::Profile two = profileOptionP({1, 2});
  ASSERT_EQ(two.sumWY2[0], 0.5f);
  for (bool emptyFirst : {true, false}) {
    const hbook::MergedFile m = emptyFirst ? hbook::mergeFiles({{"a", file(empty)}, {"b", file(two)}})
                                           : hbook::mergeFiles({{"a", file(two)}, {"b", file(empty)}});
    const hbook::Profile& p = m.directories[0].profiles[0];
    EXPECT_EQ(p.sumWY2[0], 0.5f) << emptyFirst;
    EXPECT_EQ(p.sumW[0], 2.0f) << emptyFirst;
    EXPECT_EQ(p.sumWY[1], 3.0f) << emptyFirst;
  }
}
