// What the writer refuses, each rule at its limit and one past it with the
// message that names it: projections, directory names and trees, variable
// bin edges, profile error options, arrays and packed channels against the
// binning of 1-D and 2-D histograms and profiles, column-wise ntuples
// (buffers, names, types, sizes, bits, shapes, index variables, values) and
// row-wise ntuples, record lengths and the top directory's name.
#include <gtest/gtest.h>

#include "hbook/rz/read/image.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"
#include "support/smallobjects.h"

namespace {

using testsupport::directory;
using testsupport::histogram;
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

// The message of the writer's refusal of one directory, or "" when it writes.
std::string writeRefusal(const hbook::Directory& d) {
  try {
    hbook::fileImage({d}, {});
  } catch (const hbook::FileError& e) {
    return e.what();
  }
  return "";
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

// A column-wise ntuple 5 of one block B in the top directory.
hbook::Directory ntupleDirectory(std::vector<hbook::Column> columns, std::int32_t rows) {
  hbook::ColumnNtuple n;
  n.id = 5;
  n.title = "t";
  n.entries = rows;
  n.blocks = {"B"};
  for (hbook::Column& c : columns) {
    if (c.block.empty()) c.block = "B";
  }
  n.columns = std::move(columns);
  hbook::Directory d;
  d.path = "/";
  d.objects.push_back({hbook::ObjectKind::ColumnNtuple, 5, 0});
  d.columnNtuples.push_back(std::move(n));
  return d;
}

hbook::Column realColumn(const std::string& name, std::vector<float> values) {
  hbook::Column c;
  c.name = name;
  c.reals = std::move(values);
  return c;
}

hbook::Column integerColumn(const std::string& name, std::vector<std::int32_t> values, int nbits = 32) {
  hbook::Column c;
  c.name = name;
  c.type = hbook::ColumnType::Integer;
  c.nbits = nbits;
  c.integers = std::move(values);
  return c;
}

hbook::Column indexColumn(const std::string& name, std::int32_t low, std::int32_t high,
                          std::vector<std::int32_t> values) {
  hbook::Column c = integerColumn(name, std::move(values));
  c.isIndex = true;
  c.hasRange = true;
  c.rangeLow = static_cast<std::uint32_t>(low);
  c.rangeHigh = static_cast<std::uint32_t>(high);
  return c;
}

const std::string NTUPLE = "column-wise ntuple 5";

// What the column-wise ntuple writer refuses: each rule at its limit
// (written) and one past it (refused, with the message naming the variable).
TEST(Layout, ColumnWiseNtupleCountsBuffersAndNamesAtTheirLimits) {
  EXPECT_EQ(writeRefusal(ntupleDirectory({realColumn("x", {})}, 0)), "");
  EXPECT_EQ(writeRefusal(ntupleDirectory({realColumn("x", {})}, -1)), NTUPLE + ": number of rows -1");
  hbook::Directory d = ntupleDirectory({realColumn("x", {1, 2, 3})}, 3);
  d.columnNtuples[0].bufferWords = 2;  // one value word after the word that is not a value
  EXPECT_EQ(writeRefusal(d), "");
  d.columnNtuples[0].bufferWords = 1;
  EXPECT_EQ(writeRefusal(d), NTUPLE + ": buffers of 1 words");
  hbook::Column wide;
  wide.name = "d";
  wide.size = 8;
  wide.nbits = 64;
  wide.doubles = {1.0};
  d = ntupleDirectory({wide}, 1);
  d.columnNtuples[0].bufferWords = 3;
  EXPECT_EQ(writeRefusal(d), "");
  d.columnNtuples[0].bufferWords = 2;
  EXPECT_EQ(writeRefusal(d), NTUPLE + ", variable d: a value does not fit in a buffer of 2 words");

  EXPECT_EQ(writeRefusal(ntupleDirectory({realColumn(std::string(64, 'a'), {1})}, 1)), "");
  EXPECT_EQ(writeRefusal(ntupleDirectory({realColumn(std::string(65, 'a'), {1})}, 1)),
            NTUPLE + ", variable " + std::string(65, 'a') + ": a name of 1 to 64 characters is needed");
  EXPECT_EQ(writeRefusal(ntupleDirectory({realColumn("", {1})}, 1)),
            NTUPLE + ", variable : a name of 1 to 64 characters is needed");
  hbook::Column other = realColumn("y", {1});
  other.block = "ZZ";
  EXPECT_EQ(writeRefusal(ntupleDirectory({realColumn("x", {1}), other}, 1)),
            NTUPLE + ", variable y: block \"ZZ\" is not among the blocks, in their order");
  d = ntupleDirectory({}, 0);
  EXPECT_EQ(writeRefusal(d), NTUPLE + ": no variables");
  d.columnNtuples[0].blocks.clear();
  EXPECT_EQ(writeRefusal(d), NTUPLE + ": no blocks");
  for (const char* block : {"ABCDEFGH", "ABCDEFGHI"}) {
    d = ntupleDirectory({realColumn("x", {1})}, 1);
    d.columnNtuples[0].blocks = {block};
    d.columnNtuples[0].columns[0].block = block;
    EXPECT_EQ(writeRefusal(d),
              std::string(block).size() <= 8 ? "" : NTUPLE + ": block name \"" + block + "\": 1 to 8 characters");
  }
  for (int n : {9999, 10000}) {
    std::vector<hbook::Column> columns;
    for (int v = 0; v < n; ++v) columns.push_back(realColumn("v" + std::to_string(v), {}));
    EXPECT_EQ(writeRefusal(ntupleDirectory(std::move(columns), 0)),
              n == 9999 ? "" : NTUPLE + ": more than 9999 variables");
  }
}

TEST(Layout, ColumnWiseNtupleTypesHaveTheirSizesAndBits) {
  const auto refusal = [](hbook::Column c) { return writeRefusal(ntupleDirectory({std::move(c)}, 0)); };
  hbook::Column c = realColumn("x", {});
  c.size = 8;
  c.nbits = 64;
  EXPECT_EQ(refusal(c), "");
  c.nbits = 32;
  EXPECT_EQ(refusal(c), NTUPLE + ", variable x: a REAL*8 is stored in 64 bits");
  c.size = 2;
  EXPECT_EQ(refusal(c), NTUPLE + ", variable x: REAL of 2 bytes (4 or 8)");
  c = realColumn("x", {});
  c.hasRange = true;
  c.rangeLow = std::bit_cast<std::uint32_t>(-1.0f);
  c.rangeHigh = std::bit_cast<std::uint32_t>(1.0f);
  for (int nbits : {1, 31}) {
    c.nbits = nbits;
    EXPECT_EQ(refusal(c), "") << nbits;
  }
  const std::string packed = NTUPLE + ", variable x: a packed REAL needs 1 to 31 bits and a range";
  c.nbits = 0;
  EXPECT_EQ(refusal(c), packed);
  c.nbits = 33;
  EXPECT_EQ(refusal(c), packed);
  c.nbits = 31;
  c.hasRange = false;
  EXPECT_EQ(refusal(c), packed);
  c.hasRange = true;
  c.rangeHigh = c.rangeLow;
  EXPECT_EQ(refusal(c), NTUPLE + ", variable x: its range is empty");

  c = integerColumn("k", {}, 1);
  EXPECT_EQ(refusal(c), "");
  c.nbits = 32;
  EXPECT_EQ(refusal(c), "");
  c.nbits = 0;
  EXPECT_EQ(refusal(c), NTUPLE + ", variable k: 0 bits per value");
  c.nbits = 33;
  EXPECT_EQ(refusal(c), NTUPLE + ", variable k: 33 bits per value");
  c.nbits = 32;
  c.size = 8;
  EXPECT_EQ(refusal(c), NTUPLE + ", variable k: an integer of 8 bytes (4)");
  c.type = hbook::ColumnType::Unsigned;
  EXPECT_EQ(refusal(c), NTUPLE + ", variable k: an integer of 8 bytes (4)");

  hbook::Column l;
  l.name = "l";
  l.type = hbook::ColumnType::Logical;
  l.nbits = 1;
  EXPECT_EQ(refusal(l), "");
  l.nbits = 2;
  EXPECT_EQ(refusal(l), NTUPLE + ", variable l: a LOGICAL is stored in 1 bit");
  l.nbits = 1;
  l.size = 8;
  EXPECT_EQ(refusal(l), NTUPLE + ", variable l: a LOGICAL is stored in 1 bit");

  hbook::Column t;
  t.name = "t";
  t.type = hbook::ColumnType::Character;
  for (int size : {4, 32}) {
    t.size = size;
    EXPECT_EQ(refusal(t), "") << size;
  }
  for (int size : {0, 6, 36}) {
    t.size = size;
    EXPECT_EQ(refusal(t), NTUPLE + ", variable t: CHARACTER*" + std::to_string(size) + " (4, 8, ... 32)");
  }
}

TEST(Layout, ColumnWiseNtupleShapesAndIndexVariables) {
  hbook::Column a = realColumn("a", {});
  a.dims = {1, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(writeRefusal(ntupleDirectory({a}, 0)), "");
  a.dims.push_back(1);
  EXPECT_EQ(writeRefusal(ntupleDirectory({a}, 0)), NTUPLE + ", variable a: 8 dimensions (at most 7)");
  a.dims = {2, 0};
  EXPECT_EQ(writeRefusal(ntupleDirectory({a}, 0)), NTUPLE + ", variable a: dimension 2 is 0");
  a = realColumn("a", {1, 2, 3, 4, 5});
  a.dims = {2, 3};
  EXPECT_EQ(writeRefusal(ntupleDirectory({a}, 1)), NTUPLE + ", variable a: 5 values, 6 expected for 1 rows");
  a.reals.push_back(6);
  EXPECT_EQ(writeRefusal(ntupleDirectory({a}, 1)), "");

  // Index values lie in the range, and never below 0.
  hbook::Column e = realColumn("e", {1, 2, 3});
  e.dims = {-3};
  e.indexVariable = 0;
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", 0, 3, {3}), e}, 1)), "");
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", 0, 3, {4}), e}, 1)),
            NTUPLE + ", variable n: index value 4 outside its range 0..3");
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", -2, 3, {-1}), e}, 1)),
            NTUPLE + ", variable n: index value -1 outside its range -2..3");
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", 0, 3, {2}), e}, 1)),
            NTUPLE + ", variable e: 3 values, 2 expected for 1 rows");
  hbook::Column noRange = indexColumn("n", 0, 3, {3});
  noRange.hasRange = false;
  EXPECT_EQ(writeRefusal(ntupleDirectory({noRange}, 1)),
            NTUPLE + ", variable n: an index variable must be a scalar integer with a range");
  hbook::Column plain = integerColumn("n", {3});
  EXPECT_EQ(writeRefusal(ntupleDirectory({plain, e}, 1)),
            NTUPLE + ", variable e: index variable n is not a scalar integer index with a range");
  e.indexVariable = 1;
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", 0, 3, {3}), e}, 1)),
            NTUPLE + ", variable e: its index variable must come before it in its block");
  e.dims.clear();
  e.indexVariable = 0;
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", 0, 3, {3}), e}, 1)),
            NTUPLE + ", variable e: an index variable but no dimensions");

  // Index variables are stored as running totals in 32 bits.
  const std::int32_t most = 2147483647;
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", 0, most, {most, most, 1})}, 3)), "");
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", 0, most, {most, most, 2})}, 3)),
            NTUPLE + ", variable n: running total of the index above 2^32");
}

// An index variable lies in the block of the array it counts: the first
// variable of that block may be one, a variable of the block before may not.
// An index variable is an INTEGER (not unsigned) scalar with a range, and its
// values reach from the larger of its lower bound and 0 to its upper bound.
TEST(Layout, ColumnWiseNtupleIndexVariablesBelongToTheirBlock) {
  const auto twoBlocks = [](std::vector<hbook::Column> columns, std::int32_t rows) {
    hbook::Directory d = ntupleDirectory(std::move(columns), rows);
    d.columnNtuples[0].blocks = {"A", "B"};
    return d;
  };
  hbook::Column x = realColumn("x", {1});
  x.block = "A";
  hbook::Column n = indexColumn("n", 0, 3, {2});
  n.block = "B";
  hbook::Column e = realColumn("e", {1, 2});
  e.block = "B";
  e.dims = {-3};
  e.indexVariable = 1;
  EXPECT_EQ(writeRefusal(twoBlocks({x, n, e}, 1)), "");
  n.block = "A";
  EXPECT_EQ(writeRefusal(twoBlocks({x, n, e}, 1)),
            NTUPLE + ", variable e: its index variable must come before it in its block");

  hbook::Column u = indexColumn("n", 0, 3, {2});
  u.type = hbook::ColumnType::Unsigned;
  u.unsigneds = {2};
  u.integers.clear();
  EXPECT_EQ(writeRefusal(ntupleDirectory({u}, 1)),
            NTUPLE + ", variable n: an index variable must be a scalar integer with a range");
  hbook::Column shaped = indexColumn("n", 0, 3, {2, 2});
  shaped.dims = {2};
  EXPECT_EQ(writeRefusal(ntupleDirectory({shaped}, 1)),
            NTUPLE + ", variable n: an index variable must be a scalar integer with a range");

  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", 2, 3, {2})}, 1)), "");
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", 2, 3, {1})}, 1)),
            NTUPLE + ", variable n: index value 1 outside its range 2..3");
  EXPECT_EQ(writeRefusal(ntupleDirectory({indexColumn("n", -2, 3, {0})}, 1)), "");
}

// Block names of 1 to 8 characters: an empty one is refused like a long one.
TEST(Layout, ColumnWiseNtupleBlockNamesAreNotEmpty) {
  hbook::Directory d = ntupleDirectory({realColumn("x", {1})}, 1);
  d.columnNtuples[0].blocks = {""};
  d.columnNtuples[0].columns[0].block = "";
  EXPECT_EQ(writeRefusal(d), NTUPLE + ": block name \"\": 1 to 8 characters");
}

TEST(Layout, ColumnWiseNtupleValuesFitTheirBits) {
  const auto refusal = [](hbook::Column c) {
    const auto rows =
        static_cast<std::int32_t>(c.integers.size() + c.unsigneds.size() + c.reals.size() + c.texts.size());
    return writeRefusal(ntupleDirectory({std::move(c)}, rows));
  };
  // Signed packed integers are a sign and a magnitude.
  EXPECT_EQ(refusal(integerColumn("k", {7, -7}, 4)), "");
  EXPECT_EQ(refusal(integerColumn("k", {8}, 4)), NTUPLE + ", variable k: value 8 does not fit in 4 bits");
  EXPECT_EQ(refusal(integerColumn("k", {-8}, 4)), NTUPLE + ", variable k: value -8 does not fit in 4 bits");
  hbook::Column u;
  u.name = "u";
  u.type = hbook::ColumnType::Unsigned;
  u.nbits = 4;
  u.unsigneds = {15, 0};
  EXPECT_EQ(refusal(u), "");
  u.unsigneds = {16};
  EXPECT_EQ(refusal(u), NTUPLE + ", variable u: value 16 does not fit in 4 bits");
  hbook::Column p = realColumn("p", {0.0f, 1.0f});
  p.nbits = 8;
  p.hasRange = true;
  p.rangeLow = std::bit_cast<std::uint32_t>(0.0f);
  p.rangeHigh = std::bit_cast<std::uint32_t>(1.0f);
  EXPECT_EQ(refusal(p), "");
  p.reals = {1.5f};
  EXPECT_EQ(refusal(p), NTUPLE + ", variable p: value 1.500000 lies outside its range 0.000000..1.000000");
  p.reals = {-0.5f};
  EXPECT_EQ(refusal(p), NTUPLE + ", variable p: value -0.500000 lies outside its range 0.000000..1.000000");
  hbook::Column t;
  t.name = "t";
  t.type = hbook::ColumnType::Character;
  t.texts = {"abcd"};
  EXPECT_EQ(refusal(t), "");
  t.texts = {"abcde"};
  EXPECT_EQ(refusal(t), NTUPLE + ", variable t: text \"abcde\" is longer than 4 characters");
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
