// What the writer refuses, each rule at its limit and one past it with the
// message that names it: projections, directory names and trees, variable
// bin edges, profile error options, arrays and packed channels against the
// binning of 1-D and 2-D histograms and profiles, row-wise ntuples, record
// lengths and the top directory's name. (Column-wise ntuples:
// hbook_write_cwnchecks_test.cpp.)
#include <gtest/gtest.h>

#include "hbook/rz/read/image.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"
#include "support/smallobjects.h"
#include "support/writerefusal.h"

namespace {

using testsupport::directory;
using testsupport::histogram;
using testsupport::writeRefusal;
const std::string DATA_DIR = std::string(TARN_TEST_DATA) + "/hbook/";

// A 2-D histogram holds one projection on each axis at most: a second on
// either axis is refused (the file would keep only the first).
TEST(Layout, ASecondProjectionOnEitherAxisIsRefused) {
  const hbook::ReadResult file = hbook::readFile(DATA_DIR + "objects/h2.hbook");
  const hbook::Histogram2D* with = nullptr;
  for (const hbook::Histogram2D& h : file.directories.at(0).histograms2d)
    if (h.projectionsX.size() == 1 && h.projectionsY.size() == 1) with = &h;
  ASSERT_NE(with, nullptr);
  auto image = [](const hbook::Histogram2D& h) {
    hbook::Directory top;
    top.path = "/";
    top.histograms2d = {h};
    top.objects = {{hbook::ObjectKind::Histogram2D, h.id, 0}};
    return hbook::fileImage({top}, {});
  };
  EXPECT_NO_THROW(image(*with));
  for (auto axis : {&hbook::Histogram2D::projectionsX, &hbook::Histogram2D::projectionsY}) {
    hbook::Histogram2D h = *with;
    (h.*axis).push_back((h.*axis)[0]);
    try {
      image(h);
      ADD_FAILURE() << "two projections on an axis were written";
    } catch (const hbook::FileError& e) {
      EXPECT_NE(std::string(e.what()).find("more than one projection on an axis"), std::string::npos) << e.what();
    }
  }
}

TEST(Layout, DirectoriesThatCannotBeWrittenAreRefused) {
  hbook::Directory top = directory("/", {histogram(1, 2), histogram(1, 3)});
  EXPECT_THROW(hbook::fileImage({top}, {}), hbook::FileError);  // the same id twice
  top = directory("/", {});
  top.subdirectories = {"A"};
  EXPECT_THROW(hbook::fileImage({top}, {}), hbook::FileError);                                      // /A not given
  EXPECT_THROW(hbook::fileImage({directory("/", {}), directory("/B", {})}, {}), hbook::FileError);  // /B not listed
  top.subdirectories = {"a b"};
  EXPECT_THROW(hbook::fileImage({top, directory("/a b", {})}, {}), hbook::FileError);  // a blank in a name
  top.subdirectories = {"lower"};
  const hbook::ReadResult r =
      hbook::readMemory("x.hbook", hbook::fileImage({top, directory("/lower", {histogram(3, 2)})}, {}));
  EXPECT_EQ(r.directories.at(1).path, "/LOWER");  // stored upper-case, as HMDIR stores names
}

// Names of directories run to 16 characters of the package's code (four
// words of it in the directory records): 16 are written and read back, 17
// are refused, naming the directory, the name and what is allowed; so is an
// empty name. The same for the top directory's name.
TEST(Layout, DirectoryNamesRunToSixteenCharacters) {
  const std::string longest = "ABCDEFGHIJKLMNOP", tooLong = longest + "Q";
  ASSERT_EQ(longest.size(), 16u);
  hbook::Directory top = directory("/", {histogram(1, 2)});
  top.subdirectories = {longest};
  const hbook::ReadResult r =
      hbook::readMemory("x.hbook", hbook::fileImage({top, directory("/" + longest, {histogram(2, 3)})}, {}));
  ASSERT_EQ(r.directories.size(), 2u);
  EXPECT_EQ(r.directories[1].path, "/" + longest);
  EXPECT_EQ(r.directories[1].histograms.at(0).id, 2);
  for (const std::string& bad : {tooLong, std::string()}) {
    top.subdirectories = {bad};
    try {
      hbook::fileImage({top}, {});  // refused on its name, before /NAME is looked for
      ADD_FAILURE() << "subdirectory \"" << bad << "\" written";
    } catch (const hbook::FileError& e) {
      EXPECT_EQ(std::string(e.what()), "directory /: subdirectory name \"" + bad +
                                           "\" (1 to 16 letters, digits or signs of the package's character code, "
                                           "no blank or /)");
    }
  }
  hbook::WriteOptions o;
  o.topDirectory = longest;
  EXPECT_EQ(hbook::readMemory("x.hbook", hbook::fileImage({directory("/", {histogram(1, 2)})}, o)).topDirectory,
            longest);
  for (const std::string& bad : {tooLong, std::string()}) {
    o.topDirectory = bad;
    try {
      hbook::fileImage({directory("/", {histogram(1, 2)})}, o);
      ADD_FAILURE() << "top directory \"" << bad << "\" written";
    } catch (const hbook::FileError& e) {
      EXPECT_EQ(std::string(e.what()), "top directory name \"" + bad +
                                           "\" (1 to 16 letters, digits or signs of the package's character code)");
    }
  }
}

// Variable bin edges rise strictly (equal neighbours are refused) from the
// lower edge to the upper one: a last edge other than the upper edge is refused.
TEST(Layout, VariableBinEdgesRiseStrictlyFromTheLowerToTheUpperEdge) {
  const struct {
    std::vector<float> edges;
    const char* refused;  // "" when written
  } cases[] = {
      {{0.0f, 0.5f, 2.0f, 3.0f}, ""},
      {{0.0f, 0.5f, 0.5f, 3.0f}, "bin edge 3 does not lie above the one before"},
      {{0.0f, 2.0f, 0.5f, 3.0f}, "bin edge 3 does not lie above the one before"},
      {{0.0f, 0.5f, 2.0f, std::nextafter(3.0f, 4.0f)},
       "the first and last bin edges are not its lower and upper edges"},
      {{0.0f, 0.5f, 2.0f, 2.5f}, "the first and last bin edges are not its lower and upper edges"},
      {{-0.5f, 0.5f, 2.0f, 3.0f}, "the first and last bin edges are not its lower and upper edges"},
  };
  for (const auto& c : cases) {
    hbook::Histogram h = histogram(4, 3);
    h.edges = c.edges;
    const std::string message = writeRefusal(directory("/", {h}));
    if (*c.refused == '\0') {
      EXPECT_EQ(message, "");
    } else {
      EXPECT_NE(message.find(c.refused), std::string::npos) << c.edges.back() << ": " << message;
    }
  }
}

// A profile's error option is blank, S or I (status 0, 1, 2), each with or
// without P (4): S and I together (3), or bits above P, are refused.
TEST(Layout, ProfileErrorOptionsAreOneOfBlankSOrIWithOrWithoutP) {
  for (std::uint32_t status = 0; status <= 8; ++status) {
    const hbook::Profile p = testsupport::twoBinProfile(9, status);
    hbook::Directory d;
    d.path = "/";
    d.objects.push_back({hbook::ObjectKind::Profile, p.id, 0});
    d.profiles.push_back(p);
    const std::string message = writeRefusal(d);
    const bool allowed = status != 3 && status != 7 && status != 8;
    EXPECT_EQ(message.empty(), allowed) << status << ": " << message;
    if (!allowed) {
      EXPECT_NE(message.find("error option bits " + std::to_string(status)), std::string::npos) << message;
    }
  }
}

// 1-D histograms: bins, channels, errors and bin edges counted against nx;
// packed channels hold counts of 0 to 2^nbit - 1.
TEST(Layout, HistogramArraysAndPackedChannelsAreCheckedAgainstTheBinning) {
  hbook::Histogram h = histogram(1, 1);
  EXPECT_EQ(writeRefusal(directory("/", {h})), "");
  h = histogram(1, 0);
  EXPECT_EQ(writeRefusal(directory("/", {h})), "histogram 1: number of bins 0 cannot be written");
  h = histogram(1, 3);
  h.channels.push_back(0.0f);
  EXPECT_EQ(writeRefusal(directory("/", {h})), "histogram 1: 6 channels for 3 bins");
  h = histogram(1, 3);
  h.sumw2 = {1.0f, 2.0f};
  EXPECT_EQ(writeRefusal(directory("/", {h})), "histogram 1: 2 error values for 3 bins");
  h.sumw2.push_back(3.0f);
  EXPECT_EQ(writeRefusal(directory("/", {h})), "");
  h.edges = {0.0f, 1.0f, 3.0f};
  EXPECT_EQ(writeRefusal(directory("/", {h})), "histogram 1: 3 bin edges for 3 bins");

  h = histogram(1, 3);
  h.nbit = 4;
  h.channels = {15.0f, 0.0f, 15.0f, 1.0f, 2.0f};
  EXPECT_EQ(writeRefusal(directory("/", {h})), "");
  h.channels[2] = 16.0f;
  EXPECT_EQ(writeRefusal(directory("/", {h})),
            "histogram 1: channel 2 holds 16.000000, not a count of 0 to 15 that 4 packed bits can hold");
  h.channels[2] = -1.0f;
  EXPECT_EQ(writeRefusal(directory("/", {h})),
            "histogram 1: channel 2 holds -1.000000, not a count of 0 to 15 that 4 packed bits can hold");
  h.channels = {1.0f, 0.0f, 1.0f, 1.0f, 0.0f};
  h.nbit = 1;
  EXPECT_EQ(writeRefusal(directory("/", {h})), "");
  h.nbit = 31;
  EXPECT_EQ(writeRefusal(directory("/", {h})), "");
  h.nbit = 0;
  EXPECT_EQ(writeRefusal(directory("/", {h})), "histogram 1: bits per channel 0 (1 to 32)");
  h.nbit = 33;
  EXPECT_EQ(writeRefusal(directory("/", {h})), "histogram 1: bits per channel 33 (1 to 32)");
}

hbook::Directory directory2D(const hbook::Histogram2D& g) {
  hbook::Directory d;
  d.path = "/";
  d.objects.push_back({hbook::ObjectKind::Histogram2D, g.id, 0});
  d.histograms2d.push_back(g);
  return d;
}

TEST(Layout, TwoDimensionalArraysAndPackedCellsAreCheckedAgainstTheBinning) {
  hbook::Histogram2D g;
  g.id = 2;
  g.nx = 2;
  g.ny = 1;
  g.xmax = g.ymax = 1.0f;
  g.cells.assign(12, 0.0f);
  EXPECT_EQ(writeRefusal(directory2D(g)), "");
  g.cells.pop_back();
  EXPECT_EQ(writeRefusal(directory2D(g)), "2-D histogram 2: 11 cells, expected 12");
  g.cells.assign(12, 0.0f);
  g.sumw2 = {1.0f};
  EXPECT_EQ(writeRefusal(directory2D(g)), "2-D histogram 2: 1 error values for 2 x 1 bins");
  g.sumw2 = {1.0f, 1.0f};
  EXPECT_EQ(writeRefusal(directory2D(g)), "");
  g.sumw2.clear();
  hbook::Histogram2D flat = g;
  flat.nx = 0;
  flat.cells.assign(6, 0.0f);
  EXPECT_EQ(writeRefusal(directory2D(flat)), "2-D histogram 2: 0 x 1 bins cannot be written");
  flat.nx = 1;
  flat.ny = 0;
  EXPECT_EQ(writeRefusal(directory2D(flat)), "2-D histogram 2: 1 x 0 bins cannot be written");

  hbook::Projection p;
  p.name = "PROX";
  p.channels.assign(4, 0.0f);  // nx + 2
  g.projectionsX = {p};
  EXPECT_EQ(writeRefusal(directory2D(g)), "");
  g.projectionsX[0].channels.pop_back();
  EXPECT_EQ(writeRefusal(directory2D(g)), "2-D histogram 2, PROX: 3 channels for 2 bins");
  g.projectionsX[0].channels.assign(4, 0.0f);
  g.projectionsX[0].sumw2 = {1.0f};
  EXPECT_EQ(writeRefusal(directory2D(g)), "2-D histogram 2, PROX: 1 error values for 2 bins");
  g.projectionsX[0].sumw2 = {1.0f, 1.0f};
  g.projectionsX[0].nbit = 8;
  EXPECT_EQ(writeRefusal(directory2D(g)), "2-D histogram 2, PROX: packed channels cannot have errors");
  g.projectionsX.clear();
  p.name = "PROY";
  p.channels.assign(3, 0.0f);  // ny + 2
  g.projectionsY = {p};
  EXPECT_EQ(writeRefusal(directory2D(g)), "");
  g.projectionsY[0].channels.push_back(0.0f);
  EXPECT_EQ(writeRefusal(directory2D(g)), "2-D histogram 2, PROY: 4 channels for 1 bins");
  g.projectionsY.clear();

  g.nbit = 8;
  g.cells.assign(12, 255.0f);
  EXPECT_EQ(writeRefusal(directory2D(g)), "");
  g.cells[5] = 256.0f;
  EXPECT_EQ(writeRefusal(directory2D(g)),
            "2-D histogram 2: a cell holds 256.000000, not a count of 0 to 255 that 8 packed bits can hold");
  g.cells[5] = 0.5f;
  EXPECT_EQ(writeRefusal(directory2D(g)),
            "2-D histogram 2: a cell holds 0.500000, not a count of 0 to 255 that 8 packed bits can hold");
  g.cells[5] = 0.0f;
  g.nbit = 0;
  EXPECT_EQ(writeRefusal(directory2D(g)), "2-D histogram 2: bits per cell 0 (1 to 32)");
  g.nbit = 33;
  EXPECT_EQ(writeRefusal(directory2D(g)), "2-D histogram 2: bits per cell 33 (1 to 32)");
}

TEST(Layout, ProfileSumsAreCountedAgainstTheBinning) {
  const hbook::Profile p = testsupport::twoBinProfile(9);
  const auto refusal = [](const hbook::Profile& q) {
    hbook::Directory d;
    d.path = "/";
    d.objects.push_back({hbook::ObjectKind::Profile, q.id, 0});
    d.profiles.push_back(q);
    return writeRefusal(d);
  };
  EXPECT_EQ(refusal(p), "");
  const std::string expected = " values for 2 bins (4 channels of w*y, 2 bins of w*y^2 and of w expected)";
  hbook::Profile q = p;
  q.sumWY.pop_back();
  EXPECT_EQ(refusal(q), "profile 9: sums of 3, 2 and 2" + expected);
  q = p;
  q.sumWY2.pop_back();
  EXPECT_EQ(refusal(q), "profile 9: sums of 4, 1 and 2" + expected);
  q = p;
  q.sumW.push_back(1.0f);
  EXPECT_EQ(refusal(q), "profile 9: sums of 4, 2 and 3" + expected);
  q = p;
  q.nx = 0;
  EXPECT_EQ(refusal(q), "profile 9: number of bins 0 cannot be written");
}

TEST(Layout, RowWiseNtupleShapesAreChecked) {
  hbook::RowNtuple n;
  n.id = 3;
  n.nvar = 2;
  n.entries = 2;
  n.tags = {"ABCDEFGH", "y"};
  n.values = {1, 2, 3, 4};
  const auto refusal = [](const hbook::RowNtuple& r) {
    hbook::Directory d;
    d.path = "/";
    d.objects.push_back({hbook::ObjectKind::RowNtuple, r.id, 0});
    d.rowNtuples.push_back(r);
    return writeRefusal(d);
  };
  EXPECT_EQ(refusal(n), "");
  hbook::RowNtuple m = n;
  m.tags[0] = "ABCDEFGHI";
  EXPECT_EQ(refusal(m), "row-wise ntuple 3: tag \"ABCDEFGHI\" is longer than 8 characters");
  m = n;
  m.tags.pop_back();
  EXPECT_EQ(refusal(m), "row-wise ntuple 3: 1 tags for 2 variables");
  m = n;
  m.values.pop_back();
  EXPECT_EQ(refusal(m), "row-wise ntuple 3: 3 values for 2 rows of 2 variables");
  m = n;
  m.minimum = {0, 0};
  EXPECT_EQ(refusal(m), "row-wise ntuple 3: minima and maxima for 2 and 0 of 2 variables");
  m.maximum = {5, 5};
  EXPECT_EQ(refusal(m), "");
  m.maximum = {5, 5, 5};
  EXPECT_EQ(refusal(m), "row-wise ntuple 3: minima and maxima for 2 and 3 of 2 variables");
  m = n;
  m.bufferWords = 2;  // one row a buffer
  EXPECT_EQ(refusal(m), "");
  m.bufferWords = 1;
  EXPECT_EQ(refusal(m), "row-wise ntuple 3: buffers of 1 words hold no row of 2");
  m = n;
  m.entries = -1;
  EXPECT_EQ(refusal(m), "row-wise ntuple 3: number of rows -1");
  m = n;
  m.nvar = 0;
  EXPECT_EQ(refusal(m), "row-wise ntuple 3: number of variables 0");
}

// The message of the writer's refusal of these directories and options, or "".
std::string treeRefusal(const std::vector<hbook::Directory>& ds, const hbook::WriteOptions& o = {}) {
  try {
    hbook::fileImage(ds, o);
  } catch (const hbook::FileError& e) {
    return e.what();
  }
  return "";
}

TEST(Layout, RecordLengthAndTopDirectoryNameAreNamedWhenRefused) {
  hbook::WriteOptions o;
  for (int bad : {255, 8192}) {
    o.recordWords = bad;
    EXPECT_EQ(treeRefusal({directory("/", {})}, o), "record length " + std::to_string(bad) + " words (256 to 8191)");
  }
  o = {};
  o.topDirectory = std::string(16, 'T');
  EXPECT_EQ(treeRefusal({directory("/", {})}, o), "");
  o.topDirectory = "lower-case";  // stored upper-case
  EXPECT_EQ(treeRefusal({directory("/", {})}, o), "");
  const std::string rule = "\" (1 to 16 letters, digits or signs of the package's character code)";
  for (const std::string& bad : {std::string(17, 'T'), std::string(), std::string("TWO WORDS"), std::string("A/B")}) {
    o.topDirectory = bad;
    EXPECT_EQ(treeRefusal({directory("/", {})}, o), "top directory name \"" + bad + rule);
  }
}

TEST(Layout, EachDirectoryTreeFaultIsNamed) {
  EXPECT_EQ(treeRefusal({}), "no top directory \"/\" among the directories to write");
  EXPECT_EQ(treeRefusal({directory("/", {}), directory("/", {})}), "directory / is given twice");
  EXPECT_EQ(treeRefusal({directory("/", {}), directory("/B", {})}),
            "directory /B is not listed as a subdirectory of its parent");
  hbook::Directory top = directory("/", {});
  top.subdirectories = {"A"};
  EXPECT_EQ(treeRefusal({top}), "directory /A is listed in / but not given");
  top.subdirectories = {"A", "a"};
  EXPECT_EQ(treeRefusal({top, directory("/A", {}), directory("/a", {})}), "directory /: subdirectory A twice");
  const std::string rule = "\" (1 to 16 letters, digits or signs of the package's character code, no blank or /)";
  top.subdirectories = {std::string(16, 'S')};
  EXPECT_EQ(treeRefusal({top, directory("/" + std::string(16, 'S'), {})}), "");
  top.subdirectories = {std::string(17, 'S')};
  EXPECT_EQ(treeRefusal({top, directory("/" + std::string(17, 'S'), {})}),
            "directory /: subdirectory name \"" + std::string(17, 'S') + rule);
  top.subdirectories = {""};
  EXPECT_EQ(treeRefusal({top}), "directory /: subdirectory name \"" + rule);
  hbook::Directory a = directory("/A", {});
  a.subdirectories = {"B"};
  hbook::Directory b = directory("/A/B", {});
  top.subdirectories = {"A"};
  EXPECT_EQ(treeRefusal({top, a, b}), "");
  b.subdirectories = {"C"};
  EXPECT_EQ(treeRefusal({top, a, b}), "directory /A/B/C is listed in /A/B but not given");

  // Objects: an id once per directory, each naming its directory below the top.
  EXPECT_EQ(treeRefusal({directory("/", {histogram(1, 2), histogram(1, 3)})}), "the id 1 twice");
  top.subdirectories = {"A"};
  EXPECT_EQ(treeRefusal({top, directory("/A", {histogram(1, 2), histogram(1, 3)})}), "directory /A: the id 1 twice");
  EXPECT_EQ(treeRefusal({directory("/", {histogram(1, 2)}), directory("/A", {histogram(1, 2)})}),
            "directory /A is not listed as a subdirectory of its parent");
  EXPECT_EQ(treeRefusal({top, directory("/A", {histogram(1, 0)})}),
            "directory /A: histogram 1: number of bins 0 cannot be written");
  EXPECT_EQ(treeRefusal({top, directory("/", {histogram(1, 2)}), directory("/A", {histogram(1, 2)})}),
            "directory / is given twice");
  hbook::Directory missing = directory("/", {histogram(1, 2)});
  missing.objects.push_back({hbook::ObjectKind::Histogram1D, 7, 1});
  EXPECT_EQ(treeRefusal({missing}), "object 7 refers to a missing entry");
  missing.objects.back() = {hbook::ObjectKind::Profile, 8, 0};
  EXPECT_EQ(treeRefusal({missing}), "object 8 refers to a missing entry");
}


}  // namespace
