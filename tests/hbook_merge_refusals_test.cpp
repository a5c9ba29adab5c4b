// Files that cannot be added are refused (merge.h), naming the file at
// fault and the object, and saying what each holds: objects, directories
// and ids that do not match, each part of a booking or an ntuple's
// declaration on its own, errors stored in one file only, more rows than a
// file can count, and files mergeHistograms does not add.
#include <gtest/gtest.h>

#include "hbook/merge.h"
#include "hbook/rz/reader.h"
#include "support/smallobjects.h"

namespace {

const std::string DATA_DIR = std::string(TARN_TEST_DATA) + "/hbook/";
using testsupport::oneObjectFile;

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

}  // namespace
