// Adding files of every object kind (merge.h): each test file added to a
// copy of itself doubles every sum of every tally (1-D, 2-D with its
// projections, slices and bands, profiles with every error option) and
// every ntuple's rows, exactly; inputs and working copies stay as they are;
// the result writes and reads back with the same values. Objects that
// differ are refused naming the file and the object; profiles with option P
// combine their squared deviations as two samples do.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "hbook/merge.h"
#include "hbook/print/dumpall/dumpall.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"

namespace {

namespace fs = std::filesystem;
const std::string DATA_DIR = std::string(TARN_TEST_DATA) + "/hbook/";

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

std::string refusal(const std::vector<hbook::MergeSource>& sources) {
  try {
    hbook::mergeFiles(sources);
  } catch (const hbook::FileError& e) {
    return e.what();
  }
  return "";
}

TEST(MergeObjects, ObjectsThatDifferAreRefusedNamingTheFileAndTheObject) {
  const hbook::ReadResult h2 = hbook::readFile(DATA_DIR + "objects/h2.hbook");
  const hbook::ReadResult prof = hbook::readFile(DATA_DIR + "objects/prof.hbook");
  const hbook::ReadResult rwn = hbook::readFile(DATA_DIR + "objects/rwn.hbook");
  const hbook::ReadResult cwn = hbook::readFile(DATA_DIR + "objects/cwn.hbook");
  const hbook::ReadResult dirs = hbook::readFile(DATA_DIR + "objects/dirs.hbook");
  struct Case {
    const hbook::ReadResult* file;
    void (*spoil)(hbook::ReadResult&);
    const char* expected;
  };
  const Case cases[] = {
      {&h2, [](hbook::ReadResult& r) { r.directories[0].histograms2d[0].ymax = 3.0f; },
       "2-D histogram 10 has 10 x 8 bins 0..1 x 0..3"},
      {&h2, [](hbook::ReadResult& r) { r.directories[0].histograms2d[5].bandsX[0].high = 2.5f; },
       "2-D histogram 15 has the projections"},
      {&h2, [](hbook::ReadResult& r) { r.directories[0].histograms2d[4].sumw2.clear(); },
       "2-D histogram 14 has no errors stored"},
      {&prof, [](hbook::ReadResult& r) { r.directories[0].profiles[0].errorStatus = 1; },
       "profile histogram 100 has error option bits 1"},
      {&rwn, [](hbook::ReadResult& r) { r.directories[0].rowNtuples[0].tags[1] = "Q"; },
       "row-wise ntuple 3 has the variables"},
      {&cwn, [](hbook::ReadResult& r) { r.directories[0].columnNtuples[0].columns[1].nbits = 16; },
       "has the variable xr in block EVT"},
      {&dirs, [](hbook::ReadResult& r) { r.directories.pop_back(); }, "holds no directory /CC/DD"},
      {&dirs, [](hbook::ReadResult& r) { r.directories[1].histograms[0].title = "other"; },
       "histogram 2 in /AA is titled \"other\""},
  };
  for (const Case& c : cases) {
    hbook::ReadResult spoilt = *c.file;
    c.spoil(spoilt);
    const std::string message = refusal({{"good.hbook", *c.file}, {"bad.hbook", spoilt}});
    EXPECT_EQ(message.rfind("bad.hbook: ", 0), 0u) << message;
    EXPECT_NE(message.find(c.expected), std::string::npos) << message;
  }
  EXPECT_NE(refusal({{"a.hbook", h2}, {"b.hbook", prof}}).find("profile histogram 100 is not in a.hbook"),
            std::string::npos);
}

// Files whose directories or objects do not match, in full: the file at
// fault, what it holds or lacks, and the first file's name.
TEST(MergeObjects, DirectoriesAndObjectsThatDoNotMatchAreRefusedInFull) {
  const hbook::ReadResult dirs = hbook::readFile(DATA_DIR + "objects/dirs.hbook");
  const hbook::ReadResult h2 = hbook::readFile(DATA_DIR + "objects/h2.hbook");
  ASSERT_EQ(dirs.directories.back().path, "/CC/DD");
  ASSERT_EQ(dirs.directories[1].path, "/AA");
  ASSERT_EQ(dirs.directories[1].objects.at(0).id, 2);
  hbook::ReadResult fewer = dirs;
  fewer.directories.pop_back();
  EXPECT_EQ(refusal({{"a.hbook", fewer}, {"b.hbook", dirs}}),
            "b.hbook: holds the directory /CC/DD, which a.hbook does not");
  EXPECT_EQ(refusal({{"a.hbook", dirs}, {"b.hbook", fewer}}), "b.hbook: holds no directory /CC/DD (a.hbook has it)");
  hbook::ReadResult lacking = dirs;
  lacking.directories[1].objects.clear();
  lacking.directories[1].histograms.clear();
  EXPECT_EQ(refusal({{"a.hbook", dirs}, {"b.hbook", lacking}}),
            "b.hbook: holds no histogram 2 in /AA (a.hbook has it)");
  EXPECT_EQ(refusal({{"a.hbook", lacking}, {"b.hbook", dirs}}), "b.hbook: histogram 2 in /AA is not in a.hbook");
  hbook::ReadResult twice = dirs;
  twice.directories[1].objects.push_back(twice.directories[1].objects[0]);
  EXPECT_EQ(refusal({{"a.hbook", dirs}, {"b.hbook", twice}}), "b.hbook: histogram 2 in /AA appears twice");
  // The same id as another kind.
  hbook::ReadResult other = h2;
  const std::int32_t id = other.directories[0].objects.at(0).id;
  ASSERT_EQ(other.directories[0].objects[0].kind, hbook::ObjectKind::Histogram2D);
  hbook::ReadResult asProfile = hbook::readFile(DATA_DIR + "objects/prof.hbook");
  asProfile.directories[0] = hbook::Directory();
  asProfile.directories[0].path = "/";
  for (const hbook::ObjectRef& o : other.directories[0].objects) {
    if (o.id == id) continue;
    asProfile.directories[0].objects.push_back(o);
  }
  asProfile.directories[0].histograms2d = other.directories[0].histograms2d;
  hbook::ReadResult prof = hbook::readFile(DATA_DIR + "objects/prof.hbook");
  asProfile.directories[0].profiles = {prof.directories[0].profiles.at(0)};
  asProfile.directories[0].profiles[0].id = id;
  asProfile.directories[0].objects.insert(asProfile.directories[0].objects.begin(),
                                          {hbook::ObjectKind::Profile, id, 0});
  EXPECT_EQ(refusal({{"a.hbook", h2}, {"b.hbook", asProfile}}), "b.hbook: profile histogram " + std::to_string(id) +
                                                                    " is a profile histogram; in a.hbook it is a 2-D "
                                                                    "histogram");
  // A file with an object the reader skipped, and no file at all.
  hbook::ReadResult skipped = dirs;
  skipped.skipped.push_back({9, "x.hbook: key 3 (9,0): a layout not read, skipped", "/AA"});
  EXPECT_EQ(refusal({{"a.hbook", dirs}, {"b.hbook", skipped}}),
            "b.hbook: object 9 in /AA cannot be read (x.hbook: key 3 (9,0): a layout not read, skipped); hbook merge "
            "adds files it reads completely");
  EXPECT_EQ(refusal({}), "no files to merge");
}

// Ntuples: rows up to the 32-bit count a file holds (2^31 - 1 in all
// taken, one more refused); a row-wise ntuple's minimum and maximum are the
// smaller and larger of each file's; a column-wise one is refused when any
// one part of a variable's declaration differs, both declarations said.
TEST(MergeObjects, NtupleRowsToTheirCountAndEachPartOfADeclaration) {
  const hbook::ReadResult rwn = hbook::readFile(DATA_DIR + "objects/rwn.hbook");
  hbook::ReadResult a = rwn, b = rwn;
  hbook::RowNtuple& ra = a.directories[0].rowNtuples.at(0);
  hbook::RowNtuple& rb = b.directories[0].rowNtuples.at(0);
  ASSERT_EQ(ra.id, 3);
  ra.minimum[0] = -5.0f;
  ra.maximum[0] = 5000.0f;  // beyond the file's 1.01 .. 1000.01
  rb.minimum[1] = -7.0f;
  rb.maximum[1] = 7000.0f;
  const hbook::MergedFile merged = hbook::mergeFiles({{"a.hbook", a}, {"b.hbook", b}});
  const hbook::RowNtuple& m = merged.directories[0].rowNtuples.at(0);
  EXPECT_EQ(m.entries, 2 * rwn.directories[0].rowNtuples[0].entries);
  EXPECT_EQ(m.minimum[0], -5.0f);
  EXPECT_EQ(m.maximum[0], 5000.0f);
  EXPECT_EQ(m.minimum[1], -7.0f);
  EXPECT_EQ(m.maximum[1], 7000.0f);
  EXPECT_EQ(m.minimum[2], rwn.directories[0].rowNtuples[0].minimum[2]);
  // The count: entries alone decide it.
  hbook::ReadResult most = rwn;
  most.directories[0].rowNtuples[0].entries = 2147483647 - rwn.directories[0].rowNtuples[0].entries;
  EXPECT_EQ(refusal({{"a.hbook", rwn}, {"b.hbook", most}}), "");
  most.directories[0].rowNtuples[0].entries += 1;
  EXPECT_EQ(refusal({{"a.hbook", rwn}, {"b.hbook", most}}),
            "b.hbook: row-wise ntuple 3: 2147483648 rows in all, more than a file's 32-bit count holds");

  const hbook::ReadResult cwn = hbook::readFile(DATA_DIR + "objects/cwn.hbook");
  hbook::ReadResult many = cwn;
  hbook::ColumnNtuple& big = many.directories[0].columnNtuples.at(0);
  big.entries = 2147483647 - cwn.directories[0].columnNtuples[0].entries;
  EXPECT_EQ(refusal({{"a.hbook", cwn}, {"b.hbook", many}}), "");
  big.entries += 1;
  EXPECT_EQ(refusal({{"a.hbook", cwn}, {"b.hbook", many}}),
            "b.hbook: column-wise ntuple 10: 2147483648 rows in all, more than a file's 32-bit count holds");
  // Column 3 of ntuple 10 is n, the index variable of x: INTEGER with range 0..10.
  ASSERT_EQ(cwn.directories[0].columnNtuples[0].columns.at(3).name, "n");
  const std::string n = "n in block EVT (I*4, 32 bits, range 0..10)";
  const struct {
    void (*spoil)(hbook::Column&);
    std::string declared;
  } cases[] = {
      {[](hbook::Column& c) { c.name = "m"; }, "m in block EVT (I*4, 32 bits, range 0..10)"},
      {[](hbook::Column& c) { c.block = "INTS"; }, "n in block INTS (I*4, 32 bits, range 0..10)"},
      {[](hbook::Column& c) { c.type = hbook::ColumnType::Unsigned; }, "n in block EVT (U*4, 32 bits, range 0..10)"},
      {[](hbook::Column& c) { c.size = 8; }, "n in block EVT (I*8, 32 bits, range 0..10)"},
      {[](hbook::Column& c) { c.nbits = 4; }, "n in block EVT (I*4, 4 bits, range 0..10)"},
      {[](hbook::Column& c) { c.dims = {2}; }, "n in block EVT (I*4, 32 bits, dimensions 2, range 0..10)"},
      {[](hbook::Column& c) { c.indexVariable = 0; }, n},
      {[](hbook::Column& c) { c.isIndex = false; }, n},
      {[](hbook::Column& c) { c.hasRange = false; }, "n in block EVT (I*4, 32 bits)"},
      {[](hbook::Column& c) { c.rangeLow = 1; }, "n in block EVT (I*4, 32 bits, range 1..10)"},
      {[](hbook::Column& c) { c.rangeHigh = 11; }, "n in block EVT (I*4, 32 bits, range 0..11)"},
  };
  for (const auto& c : cases) {
    hbook::ReadResult spoilt = cwn;
    c.spoil(spoilt.directories[0].columnNtuples[0].columns[3]);
    EXPECT_EQ(refusal({{"a.hbook", cwn}, {"b.hbook", spoilt}}),
              "b.hbook: column-wise ntuple 10 has the variable " + c.declared + "; in a.hbook " + n)
        << c.declared;
  }
  hbook::ReadResult fewer = cwn;
  fewer.directories[0].columnNtuples[0].columns.pop_back();
  EXPECT_EQ(refusal({{"a.hbook", cwn}, {"b.hbook", fewer}}),
            "b.hbook: column-wise ntuple 10 has 8 variables in 3 blocks; in a.hbook 9 in 3");
}

// 2-D histograms: each part of the binning, the table bit and the scale
// factor refused on its own; each part of a projection, slice or band (its
// name, limits, errors and channels) likewise, with the names of both.
TEST(MergeObjects, EachPartOfATwoDimensionalBookingOnItsOwn) {
  const hbook::ReadResult h2 = hbook::readFile(DATA_DIR + "objects/h2.hbook");
  const hbook::Histogram2D& first = h2.directories[0].histograms2d.at(0);
  ASSERT_EQ(first.id, 10);
  const std::string theirs = "; in a.hbook it has 10 x 8 bins 0..1 x 0..2";
  const struct {
    void (*spoil)(hbook::Histogram2D&);
    std::string said;
  } cases[] = {
      {[](hbook::Histogram2D& h) { h.nx = 11; }, "has 11 x 8 bins 0..1 x 0..2" + theirs},
      {[](hbook::Histogram2D& h) { h.ny = 9; }, "has 10 x 9 bins 0..1 x 0..2" + theirs},
      {[](hbook::Histogram2D& h) { h.xmin = -1.0f; }, "has 10 x 8 bins -1..1 x 0..2" + theirs},
      {[](hbook::Histogram2D& h) { h.xmax = 2.0f; }, "has 10 x 8 bins 0..2 x 0..2" + theirs},
      {[](hbook::Histogram2D& h) { h.ymin = -0.0f; }, "has 10 x 8 bins 0..1 x -0..2" + theirs},
      {[](hbook::Histogram2D& h) { h.ymax = 3.0f; }, "has 10 x 8 bins 0..1 x 0..3" + theirs},
      {[](hbook::Histogram2D& h) { h.kbits |= 0x4u; }, "is booked differently (table or scale factor) from a.hbook's"},
      {[](hbook::Histogram2D& h) { h.scale = 2.0f; }, "is booked differently (table or scale factor) from a.hbook's"},
      {[](hbook::Histogram2D& h) { h.title = "other"; }, "is titled \"other\"; in a.hbook \"" + first.title + "\""},
  };
  for (const auto& c : cases) {
    hbook::ReadResult spoilt = h2;
    c.spoil(spoilt.directories[0].histograms2d[0]);
    EXPECT_EQ(refusal({{"a.hbook", h2}, {"b.hbook", spoilt}}), "b.hbook: 2-D histogram 10 " + c.said);
  }
  // Histogram 15: PROX, PROY, three x and two y slices, an x band 1..2.
  ASSERT_EQ(h2.directories[0].histograms2d.at(5).id, 15);
  ASSERT_EQ(h2.directories[0].histograms2d[5].bandsX.size(), 1u);
  const struct {
    void (*spoil)(hbook::Histogram2D&);
    const char* theirs;
    const char* ours;
  } parts[] = {
      {[](hbook::Histogram2D& h) { h.bandsX[0].name = "BANX02"; }, "BANX02", "BANX01"},
      {[](hbook::Histogram2D& h) { h.bandsX[0].low = 0.5f; }, "BANX01", "BANX01"},
      {[](hbook::Histogram2D& h) { h.bandsX[0].high = 2.5f; }, "BANX01", "BANX01"},
      {[](hbook::Histogram2D& h) { h.bandsX[0].sumw2 = h.bandsX[0].channels; }, "BANX01", "BANX01"},
      {[](hbook::Histogram2D& h) { h.bandsX[0].channels.push_back(0.0f); }, "BANX01", "BANX01"},
      {[](hbook::Histogram2D& h) { h.slicesY.pop_back(); }, "SLIY01", "SLIY01 SLIY02"},
      {[](hbook::Histogram2D& h) { h.bandsY.push_back(h.bandsX[0]); }, "BANX01", "none"},
  };
  for (const auto& c : parts) {
    hbook::ReadResult spoilt = h2;
    c.spoil(spoilt.directories[0].histograms2d[5]);
    EXPECT_EQ(refusal({{"a.hbook", h2}, {"b.hbook", spoilt}}),
              std::string("b.hbook: 2-D histogram 15 has the projections, slices or bands ") + c.theirs +
                  "; in a.hbook " + c.ours + " (limits and errors must agree too)");
  }
}

// Profiles: each part of the binning (x and y) and the error option refused
// on its own, both files' said.
TEST(MergeObjects, EachPartOfAProfilesBookingOnItsOwn) {
  const hbook::ReadResult prof = hbook::readFile(DATA_DIR + "objects/prof.hbook");
  ASSERT_EQ(prof.directories[0].profiles.at(0).id, 100);
  const std::string theirs = "; in a.hbook it has 20 bins 0..10, y -50..50";
  const struct {
    void (*spoil)(hbook::Profile&);
    std::string said;
  } cases[] = {
      {[](hbook::Profile& p) { p.nx = 21; }, "has 21 bins 0..10, y -50..50" + theirs},
      {[](hbook::Profile& p) { p.xmin = 1.0f; }, "has 20 bins 1..10, y -50..50" + theirs},
      {[](hbook::Profile& p) { p.xmax = 11.0f; }, "has 20 bins 0..11, y -50..50" + theirs},
      {[](hbook::Profile& p) { p.ymin = -51.0f; }, "has 20 bins 0..10, y -51..50" + theirs},
      {[](hbook::Profile& p) { p.ymax = 51.0f; }, "has 20 bins 0..10, y -50..51" + theirs},
      {[](hbook::Profile& p) { p.errorStatus = 2; }, "has error option bits 2; in a.hbook 0"},
      {[](hbook::Profile& p) { p.title = "other"; }, "is titled \"other\"; in a.hbook \"profile opt blank\""},
  };
  for (const auto& c : cases) {
    hbook::ReadResult spoilt = prof;
    c.spoil(spoilt.directories[0].profiles[0]);
    EXPECT_EQ(refusal({{"a.hbook", prof}, {"b.hbook", spoilt}}), "b.hbook: profile histogram 100 " + c.said);
  }
}

// Errors stored in one file and not in the other are refused whichever
// file comes first.
TEST(MergeObjects, TwoDimensionalErrorsInOneFileOnlyAreRefusedInEitherOrder) {
  const hbook::ReadResult h2 = hbook::readFile(DATA_DIR + "objects/h2.hbook");
  hbook::ReadResult without = h2;
  ASSERT_FALSE(without.directories[0].histograms2d[4].sumw2.empty());
  without.directories[0].histograms2d[4].sumw2.clear();
  EXPECT_EQ(refusal({{"with.hbook", h2}, {"without.hbook", without}}),
            "without.hbook: 2-D histogram 14 has no errors stored; in with.hbook it has");
  EXPECT_EQ(refusal({{"without.hbook", without}, {"with.hbook", h2}}),
            "with.hbook: 2-D histogram 14 has errors stored; in without.hbook it has none");
  EXPECT_EQ(refusal({{"a.hbook", without}, {"b.hbook", without}}), "");
}

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

namespace {

hbook::ReadResult oneObjectFile(const hbook::ObjectKind kind, std::int32_t id, auto fill) {
  hbook::ReadResult r;
  hbook::Directory d;
  d.path = "/";
  d.objects.push_back({kind, id, 0});
  fill(d);
  r.directories.push_back(d);
  return r;
}

}  // namespace

// A title that differs is refused for either kind of ntuple, both titles
// said; so are variable names (row-wise, every tag of both files) and the
// block names alone (column-wise, the same count of variables and blocks).
TEST(MergeObjects, NtupleTitlesTagsAndBlocksAreRefusedInFull) {
  const hbook::ReadResult rwn = hbook::readFile(DATA_DIR + "objects/rwn.hbook");
  const hbook::RowNtuple& r = rwn.directories[0].rowNtuples.at(0);
  hbook::ReadResult retitled = rwn;
  retitled.directories[0].rowNtuples[0].title = "another";
  EXPECT_EQ(refusal({{"a.hbook", rwn}, {"b.hbook", retitled}}),
            "b.hbook: row-wise ntuple 3 is titled \"another\"; in a.hbook \"" + r.title + "\"");
  hbook::ReadResult renamed = rwn;
  renamed.directories[0].rowNtuples[0].tags[1] = "Q";
  std::string ours, theirs;
  for (std::size_t v = 0; v < r.tags.size(); ++v) {
    ours += " " + r.tags[v];
    theirs += " " + (v == 1 ? std::string("Q") : r.tags[v]);
  }
  EXPECT_EQ(refusal({{"a.hbook", rwn}, {"b.hbook", renamed}}),
            "b.hbook: row-wise ntuple 3 has the variables" + theirs + "; in a.hbook" + ours);

  const hbook::ReadResult cwn = hbook::readFile(DATA_DIR + "objects/cwn.hbook");
  const hbook::ColumnNtuple& c = cwn.directories[0].columnNtuples.at(0);
  hbook::ReadResult titled = cwn;
  titled.directories[0].columnNtuples[0].title = "another";
  EXPECT_EQ(refusal({{"a.hbook", cwn}, {"b.hbook", titled}}),
            "b.hbook: column-wise ntuple 10 is titled \"another\"; in a.hbook \"" + c.title + "\"");
  hbook::ReadResult blocks = cwn;
  ASSERT_EQ(c.blocks.size(), 3u);
  blocks.directories[0].columnNtuples[0].blocks[2] = "OTHER";
  EXPECT_EQ(refusal({{"a.hbook", cwn}, {"b.hbook", blocks}}),
            "b.hbook: column-wise ntuple 10 has 9 variables in 3 blocks; in a.hbook 9 in 3");
}

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

// Files of 1-D histograms only are added by mergeHistograms: a file with a
// subdirectory or another kind of object is refused, naming it and saying
// what adds such files.
TEST(MergeObjects, HistogramMergingRefusesSubdirectoriesAndOtherKinds) {
  auto refusedBy = [](const std::vector<hbook::MergeSource>& sources) -> std::string {
    try {
      hbook::mergeHistograms(sources);
    } catch (const hbook::FileError& e) {
      return e.what();
    }
    return "";
  };
  const hbook::ReadResult dirs = hbook::readFile(DATA_DIR + "objects/dirs.hbook");
  ASSERT_EQ(dirs.directories.at(1).path, "/AA");
  const hbook::ReadResult ones = oneObjectFile(hbook::ObjectKind::Histogram1D, 7, [](hbook::Directory& d) {
    hbook::Histogram h;
    h.id = 7;
    h.nx = 1;
    h.xmax = 1.0f;
    h.channels = {0.0f, 1.0f, 0.0f};
    d.histograms.push_back(h);
  });
  EXPECT_EQ(refusedBy({{"a.hbook", ones}, {"dirs.hbook", dirs}}),
            "dirs.hbook: holds the subdirectory /AA; these files are added by mergeFiles");
  hbook::ReadResult one = dirs;  // the top directory and /AA alone
  one.directories.resize(2);
  EXPECT_EQ(refusedBy({{"a.hbook", ones}, {"one.hbook", one}}),
            "one.hbook: holds the subdirectory /AA; these files are added by mergeFiles");
  const hbook::ReadResult h2 = hbook::readFile(DATA_DIR + "objects/h2.hbook");
  const std::int32_t id = h2.directories.at(0).objects.at(0).id;
  ASSERT_EQ(h2.directories[0].objects[0].kind, hbook::ObjectKind::Histogram2D);
  EXPECT_EQ(
      refusedBy({{"a.hbook", ones}, {"h2.hbook", h2}}),
      "h2.hbook: 2-D histogram " + std::to_string(id) + " is a 2-D histogram; these files are added by mergeFiles");
  EXPECT_EQ(refusedBy({{"a.hbook", ones}, {"b.hbook", ones}}), "");
}
