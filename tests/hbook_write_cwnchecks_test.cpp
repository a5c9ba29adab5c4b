// What the writer refuses of a column-wise ntuple, each rule at its limit
// (written) and one past it (refused, with the message naming the
// variable): buffers, names, types, sizes, bits, shapes, index variables
// and their blocks, block names, and values against their bits.
#include <gtest/gtest.h>

#include "hbook/rz/writer.h"
#include "support/writerefusal.h"

namespace {

using testsupport::writeRefusal;
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

}  // namespace
