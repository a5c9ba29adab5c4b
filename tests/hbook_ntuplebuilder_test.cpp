// Booking and filling a column-wise ntuple (NtupleBuilder), written with
// histograms into a result file and read back: HBNAME's forms give the
// types, sizes, bits, dimensions, index variables and ranges the package
// gives them; every value comes back bit for bit; what HBNAME or HFNT would
// refuse is refused.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <unistd.h>
#include <filesystem>

#include "hbook/memory/ntuplebuilder.h"
#include "hbook/objects/ntuple.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"

namespace {

const hbook::Column& column(const hbook::ColumnNtuple& n, const std::string& name) {
  for (const hbook::Column& c : n.columns) {
    if (c.name == name) return c;
  }
  throw std::runtime_error("no column " + name);
}

TEST(NtupleBuilder, FormsGiveThePackagesDescriptors) {
  hbook::NtupleBuilder nt(10, "forms");
  nt.block("EVT", "irun:I, xr:R, ok:L, n[0,10]:I, x(n):R, v(3):R, w(2,3), i8");
  nt.block("INTS", "k:I, kp[0,255]:I, kk[-50,50]:I, ku:U:10, d:R*8, p[0,1]:R:12");
  nt.block("CHR", "label:C*8, c16:C*16");
  const hbook::ColumnNtuple& n = nt.ntuple();
  EXPECT_EQ(n.blocks, (std::vector<std::string>{"EVT", "INTS", "CHR"}));
  const hbook::Column& idx = column(n, "n");
  EXPECT_TRUE(idx.isIndex);
  EXPECT_EQ(idx.type, hbook::ColumnType::Integer);
  EXPECT_EQ(idx.nbits, 32);  // index variables are not packed
  EXPECT_EQ(column(n, "x").indexVariable, 3);
  EXPECT_EQ(column(n, "x").dims, std::vector<std::int32_t>{-10});
  EXPECT_EQ(column(n, "w").dims, (std::vector<std::int32_t>{2, 3}));
  EXPECT_EQ(column(n, "w").type, hbook::ColumnType::Real);       // implicit REAL
  EXPECT_EQ(column(n, "i8").type, hbook::ColumnType::Integer);   // implicit INTEGER (I to N)
  EXPECT_EQ(column(n, "kp").type, hbook::ColumnType::Unsigned);  // a non-negative range: unsigned
  EXPECT_EQ(column(n, "kp").nbits, 8);
  EXPECT_EQ(column(n, "kk").type, hbook::ColumnType::Integer);
  EXPECT_EQ(column(n, "kk").nbits, 7);  // sign and 6 bits of magnitude
  EXPECT_EQ(column(n, "ku").nbits, 10);
  EXPECT_EQ(column(n, "d").size, 8);
  EXPECT_EQ(column(n, "p").nbits, 12);
  EXPECT_EQ(column(n, "c16").size, 16);
  for (const char* bad : {"c5:C*5", "lg:L:4", "n[0,3]:I, a(n,2):R", "k:I*2", "x:R*8:32", "x[0,1]:R", "x:R:8", "a(q):R",
                          "9x:R", "x:Q", "x(0):R"}) {
    hbook::NtupleBuilder b(1, "");
    EXPECT_THROW(b.block("B", bad), hbook::FileError) << bad;
  }
}

TEST(NtupleBuilder, RowsWrittenWithHistogramsReadBackBitForBit) {
  hbook::NtupleBuilder nt(1000, "Detected neutrons");
  nt.block("DET", "x:R, n[0,4]:I, e(n):R, ok:L, d:R*8, kk[-50,50]:I, p[-1,1]:R:10, tag:C*8");
  const int x = nt.column("x"), n = nt.column("n"), e = nt.column("e"), ok = nt.column("ok"), d = nt.column("d"),
            kk = nt.column("kk"), p = nt.column("p"), tag = nt.column("tag");
  const int rows = 5000;  // several buffers per column
  for (int r = 0; r < rows; ++r) {
    nt.set(x, 0.1 * r);
    nt.setInteger(n, r % 5);
    for (int k = 0; k < r % 5; ++k) nt.set(e, k, r + 0.25 * k);
    nt.set(ok, r % 3 == 0);
    nt.set(d, r / 3.0 + 1e10);
    nt.setInteger(kk, r % 101 - 50);
    nt.set(p, std::ldexp(r % 1023, -9) - 1.0);
    nt.setText(tag, "r" + std::to_string(r % 1000));
    nt.fill();
  }
  EXPECT_EQ(nt.rows(), rows);
  hbook::Histogram h;
  h.id = 1;
  h.nx = 2;
  h.xmax = 1.0f;
  h.channels = {0, 1, 2, 0};
  const std::string path =
      std::filesystem::temp_directory_path() / ("ntuple-builder-" + std::to_string(getpid()) + ".hbook");
  ASSERT_TRUE(hbook::writeFile(path, {&h}, {&nt.ntuple()}, hbook::WriteOptions{}));
  const hbook::ReadResult r = hbook::readFile(path);
  std::filesystem::remove(path);
  ASSERT_TRUE(r.skipped.empty());
  ASSERT_EQ(r.directories[0].objects.size(), 2u);
  EXPECT_EQ(r.histograms.at(0).channels, h.channels);
  const hbook::ColumnNtuple& back = r.directories[0].columnNtuples.at(0);
  EXPECT_EQ(back.entries, rows);
  for (std::size_t c = 0; c < back.columns.size(); ++c) {
    const hbook::Column& a = nt.ntuple().columns[c];
    const hbook::Column& b = back.columns[c];
    EXPECT_EQ(b.name, a.name);
    EXPECT_EQ(b.nbits, a.nbits) << a.name;
    EXPECT_EQ(b.integers, a.integers) << a.name;
    EXPECT_EQ(b.logicals, a.logicals) << a.name;
    EXPECT_EQ(b.doubles, a.doubles) << a.name;
    EXPECT_EQ(b.texts, a.texts) << a.name;
    if (a.nbits == 32) {
      EXPECT_EQ(b.reals, a.reals) << a.name;
    }
  }
  EXPECT_EQ(back.first(column(back, "e"), 4), 0 + 1 + 2 + 3);  // rows 0..3 hold 0..3 elements
  // Row r holds r % 5 elements, whatever the rows before it hold.
  for (std::int64_t row : {0, 1, 4, 6, 9, 4999}) {
    EXPECT_EQ(back.count(column(back, "e"), row), row % 5) << row;
  }
}

// A packed REAL's codes run from 0 at the range's low end to 2^nbits - 1 at
// its top; the top is the top code even where the range is wider than the
// largest float (its width overflows); the value of the code below the top
// packs to that code.
TEST(NtupleBuilder, PackedRealsRunFromCodeZeroToTheTopCode) {
  const struct {
    float low, high;
    int nbits;
  } ranges[] = {
      {0.0f, 1.0f, 8}, {-1.0f, 1.0f, 12}, {-50.0f, 50.0f, 31}, {-3.0e38f, 3.0e38f, 8}, {-3.0e38f, 3.0e38f, 31}};
  for (const auto& r : ranges) {
    const std::uint32_t top = static_cast<std::uint32_t>((std::uint64_t{1} << r.nbits) - 1);
    EXPECT_EQ(hbook::packReal(r.high, r.nbits, r.low, r.high), top) << r.low << ".." << r.high << " " << r.nbits;
    EXPECT_EQ(hbook::packReal(r.low, r.nbits, r.low, r.high), 0u) << r.low << ".." << r.high << " " << r.nbits;
  }
  EXPECT_EQ(hbook::packReal(254.0f / 255.0f, 8, 0.0f, 1.0f), 254u);  // one code below the top
}

TEST(NtupleBuilder, ValuesOutsideTheDeclarationAreRefused) {
  hbook::NtupleBuilder nt(2, "t");
  nt.block("B", "n[0,3]:I, a(n):R, kk[-5,5]:I, u:U:4, p[0,1]:R:8, c:C*4, i:I");
  EXPECT_THROW(nt.setInteger(nt.column("n"), 4), hbook::FileError);
  EXPECT_THROW(nt.set(nt.column("a"), 3, 1.0), hbook::FileError);  // element 4 of at most 3
  EXPECT_THROW(nt.setInteger(nt.column("kk"), -6), hbook::FileError);
  EXPECT_THROW(nt.setInteger(nt.column("u"), 16), hbook::FileError);
  EXPECT_THROW(nt.set(nt.column("p"), 1.5), hbook::FileError);
  EXPECT_THROW(nt.setText(nt.column("c"), "toolong"), hbook::FileError);
  EXPECT_THROW(nt.set(nt.column("i"), 0.5), hbook::FileError);
  EXPECT_THROW(nt.column("zz"), hbook::FileError);
  nt.fill();
  EXPECT_THROW(nt.block("LATE", "y:R"), hbook::FileError);  // blocks come before the rows
}

// The message block() throws for a form, or "" when the form is accepted.
std::string formError(const std::string& form, const std::string& block = "B") {
  hbook::NtupleBuilder b(7, "t");
  try {
    b.block(block, form);
  } catch (const hbook::FileError& e) {
    return e.what();
  }
  return "";
}

// The message of a value refused by set(), setInteger() or setText(), or "".
template <typename F>
std::string setError(F&& f) {
  try {
    f();
  } catch (const hbook::FileError& e) {
    return e.what();
  }
  return "";
}

const std::string BLOCK = "column-wise ntuple 7, block B: ";

TEST(NtupleBuilder, BlockAndVariableNamesHaveTheirLengths) {
  EXPECT_EQ(formError("x:R", "ABCDEFGH"), "");
  EXPECT_EQ(formError("x:R", "ABCDEFGHI"), "column-wise ntuple 7, block ABCDEFGHI: a block name has 1 to 8 characters");
  EXPECT_EQ(formError("x:R", ""), "column-wise ntuple 7, block : a block name has 1 to 8 characters");
  const std::string name32(32, 'a'), name33(33, 'a');
  EXPECT_EQ(formError(name32 + ":R"), "");
  const std::string nameRule = "a name of 1 to 32 letters, digits or _, beginning with a letter, is needed";
  EXPECT_EQ(formError(name33 + ":R"), BLOCK + "variable \"" + name33 + ":R\": " + nameRule);
  EXPECT_EQ(formError("_x:R"), BLOCK + "variable \"_x:R\": " + nameRule);
  EXPECT_EQ(formError("9x:R"), BLOCK + "variable \"9x:R\": " + nameRule);
  EXPECT_EQ(formError(":R"), BLOCK + "variable \":R\": " + nameRule);
  EXPECT_EQ(formError("x_9:R"), "");

  hbook::NtupleBuilder nt(7, "t");
  nt.block("B", "x:R");
  EXPECT_EQ(setError([&] { nt.block("B", "y:R"); }), "column-wise ntuple 7, block B: declared twice");
  EXPECT_EQ(setError([&] { nt.block("C", "y:R, x:R"); }),
            "column-wise ntuple 7, block C: variable x is declared twice");
  // Within one block too: one name, one variable (the column of a name would be ambiguous).
  EXPECT_EQ(setError([&] { nt.block("D", "y:R, z:I, y:R"); }),
            "column-wise ntuple 7, block D: variable y is declared twice");
  EXPECT_EQ(setError([&] { nt.block("D", "n[0,3]:I, a(n):R, n[0,4]:I"); }),
            "column-wise ntuple 7, block D: variable n is declared twice");
  EXPECT_EQ(nt.ntuple().blocks, std::vector<std::string>{"B"});  // nothing of the refused blocks is kept
  EXPECT_EQ(nt.ntuple().columns.size(), 1u);
  EXPECT_EQ(setError([&] { nt.column("y"); }), "column-wise ntuple 7: no variable y");
}

TEST(NtupleBuilder, FormSyntaxErrorsNameWhatIsMissing) {
  EXPECT_EQ(formError("a(3:R"), BLOCK + "variable \"a(3:R\": no closing ) after the dimensions");
  EXPECT_EQ(formError("x[0,1:R"), BLOCK + "variable \"x[0,1:R\": no closing ] after the range");
  EXPECT_EQ(formError("x[0]:R:8"), BLOCK + "variable \"x[0]:R:8\": a range is [low,high]");
  EXPECT_EQ(formError("x[0,1,2]:R:8"), BLOCK + "variable \"x[0,1,2]:R:8\": a range is [low,high]");
  EXPECT_EQ(formError("x R"), BLOCK + "variable \"x R\": expected :type after the name, dimensions and range");
  const std::string form = "the form is name(dims)[low,high]:type*size:bits";
  EXPECT_EQ(formError("x:R:8:9"), BLOCK + "variable \"x:R:8:9\": " + form);
  EXPECT_EQ(formError("x:"), BLOCK + "variable \"x:\": " + form);
  EXPECT_EQ(formError("x:R8"), BLOCK + "variable \"x:R8\": a size is written *N after the type");
  EXPECT_EQ(formError("x:R*a"), BLOCK + "variable \"x:R*a\": a size is written *N after the type");
  EXPECT_EQ(formError("x:Q"), BLOCK + "variable \"x:Q\": type Q (R, I, U, L or C)");
  EXPECT_EQ(formError("x:r*8, k:i, u:u, l:l, c:c*8"), "");  // the type letter in either case
}

TEST(NtupleBuilder, PackingBitsRunFromOneToThirtyTwo) {
  EXPECT_EQ(formError("u:U:1"), "");
  EXPECT_EQ(formError("u:U:32"), "");
  EXPECT_EQ(formError("u:U:0"), BLOCK + "variable \"u:U:0\": packing bits are 1 to 32");
  EXPECT_EQ(formError("u:U:33"), BLOCK + "variable \"u:U:33\": packing bits are 1 to 32");
  EXPECT_EQ(formError("u:U:x"), BLOCK + "variable \"u:U:x\": packing bits are 1 to 32");
  EXPECT_EQ(formError("p[0,1]:R:1"), "");
  EXPECT_EQ(formError("p[0,1]:R:31"), "");
  const std::string packed = "a packed REAL needs both a range and 1 to 31 bits";
  EXPECT_EQ(formError("p[0,1]:R:32"), BLOCK + "variable \"p[0,1]:R:32\": " + packed);
  EXPECT_EQ(formError("p[0,1]:R"), BLOCK + "variable \"p[0,1]:R\": " + packed);
  EXPECT_EQ(formError("p:R:31"), BLOCK + "variable \"p:R:31\": " + packed);
  EXPECT_EQ(formError("p:R:32"), "");  // 32 bits is a plain REAL
  hbook::NtupleBuilder nt(7, "t");
  nt.block("B", "p[0,1]:R:31, q:R:32, u:U:1, k:I:32");
  EXPECT_EQ(nt.ntuple().columns[0].nbits, 31);
  EXPECT_EQ(nt.ntuple().columns[1].nbits, 32);
  EXPECT_FALSE(nt.ntuple().columns[1].hasRange);
  EXPECT_EQ(nt.ntuple().columns[2].nbits, 1);
  EXPECT_EQ(nt.ntuple().columns[3].nbits, 32);
}

TEST(NtupleBuilder, EachTypeTakesItsSizes) {
  hbook::NtupleBuilder nt(7, "t");
  nt.block("B", "r:R*4, d:R*8, k:I*4, l:L*4, c4:C*4, c32:C*32, c0:C");
  const auto& c = nt.ntuple().columns;
  EXPECT_EQ(c[0].nbits, 32);
  EXPECT_EQ(c[1].nbits, 64);
  EXPECT_EQ(c[2].nbits, 32);
  EXPECT_EQ(c[3].nbits, 1);
  EXPECT_EQ(c[4].nbits, 32);
  EXPECT_EQ(c[5].nbits, 256);
  EXPECT_EQ(c[6].size, 4);
  EXPECT_EQ(formError("r:R*2"), BLOCK + "variable \"r:R*2\": a REAL is *4 or *8");
  EXPECT_EQ(formError("r:R*16"), BLOCK + "variable \"r:R*16\": a REAL is *4 or *8");
  EXPECT_EQ(formError("d:R*8:8"), BLOCK + "variable \"d:R*8:8\": packed double precision is not possible");
  EXPECT_EQ(formError("d[0,1]:R*8"), BLOCK + "variable \"d[0,1]:R*8\": packed double precision is not possible");
  EXPECT_EQ(formError("k:I*8"), BLOCK + "variable \"k:I*8\": an integer is *4");
  EXPECT_EQ(formError("u:U*2"), BLOCK + "variable \"u:U*2\": an integer is *4");
  const std::string logical = "a LOGICAL takes no size, bits or range";
  EXPECT_EQ(formError("l:L*8"), BLOCK + "variable \"l:L*8\": " + logical);
  EXPECT_EQ(formError("l:L:1"), BLOCK + "variable \"l:L:1\": " + logical);
  EXPECT_EQ(formError("l[0,1]:L"), BLOCK + "variable \"l[0,1]:L\": " + logical);
  const std::string text = "a CHARACTER is *4, *8, ... *32, without bits or range";
  EXPECT_EQ(formError("c:C*36"), BLOCK + "variable \"c:C*36\": " + text);
  EXPECT_EQ(formError("c:C*2"), BLOCK + "variable \"c:C*2\": " + text);
  EXPECT_EQ(formError("c:C*6"), BLOCK + "variable \"c:C*6\": " + text);
  EXPECT_EQ(formError("c:C*8:8"), BLOCK + "variable \"c:C*8:8\": " + text);
  EXPECT_EQ(formError("c[0,1]:C*8"), BLOCK + "variable \"c[0,1]:C*8\": " + text);
}

TEST(NtupleBuilder, DimensionsAndIndexVariables) {
  EXPECT_EQ(formError("a(1,2,3,4,5,6,7):R"), "");
  EXPECT_EQ(formError("a(1,2,3,4,5,6,7,8):R"), BLOCK + "variable \"a(1,2,3,4,5,6,7,8):R\": at most 7 dimensions");
  EXPECT_EQ(formError("a(1):R"), "");
  EXPECT_EQ(formError("a(0):R"), BLOCK + "variable a: dimension 0");
  EXPECT_EQ(formError("a(2,-1):R"), BLOCK + "variable a: dimension -1");
  EXPECT_EQ(formError("n[0,3]:I, a(n,2):R"), BLOCK + "variable a: only the last dimension may be an index variable");
  EXPECT_EQ(formError("a(n):R, n[0,3]:I"),
            BLOCK + "variable a: index variable n is not declared before it in this block");
  const std::string scalar = " must be a scalar INTEGER with a range, without bits";
  EXPECT_EQ(formError("n[0,3]:I, a(2,n):R"), "");
  EXPECT_EQ(formError("n:I, a(n):R"), BLOCK + "variable a: index variable n" + scalar);
  EXPECT_EQ(formError("n[0,3]:U, a(n):R"), BLOCK + "variable a: index variable n" + scalar);
  EXPECT_EQ(formError("n[0,3]:R:8, a(n):R"), BLOCK + "variable a: index variable n" + scalar);
  EXPECT_EQ(formError("n(2)[0,3]:I, a(n):R"), BLOCK + "variable a: index variable n" + scalar);
  EXPECT_EQ(formError("n[0,3]:I:4, a(n):R"), BLOCK + "variable a: index variable n" + scalar);

  // An index variable's range reaches 0 or more; its values below 0 are refused.
  EXPECT_EQ(formError("n[-3,-1]:I, a(n):R"), BLOCK + "variable n: an index variable's range must reach 0 or more");
  hbook::NtupleBuilder nt(7, "t");
  nt.block("B", "n[-3,0]:I, a(n):R, m[-2,3]:I, b(2,m):R");
  const auto& c = nt.ntuple().columns;
  EXPECT_TRUE(c[0].isIndex);
  EXPECT_EQ(c[1].dims, std::vector<std::int32_t>{0});
  EXPECT_EQ(c[3].indexVariable, 2);
  EXPECT_EQ(c[3].dims, (std::vector<std::int32_t>{2, -3}));
  EXPECT_EQ(setError([&] { nt.setInteger(2, 0); }), "");
  EXPECT_EQ(setError([&] { nt.setInteger(2, 3); }), "");
  EXPECT_EQ(setError([&] { nt.setInteger(2, -1); }),
            "column-wise ntuple 7, variable m: value -1.000000 outside 0.000000..3.000000");
  EXPECT_EQ(setError([&] { nt.setInteger(2, 4); }),
            "column-wise ntuple 7, variable m: value 4.000000 outside 0.000000..3.000000");
}

TEST(NtupleBuilder, RangesAreOrderedAndFitTheirBits) {
  EXPECT_EQ(formError("x[1,1.5]:R:8"), "");
  const std::string real = "range [low,high] with low < high";
  EXPECT_EQ(formError("x[1,1]:R:8"), BLOCK + "variable x: " + real);
  EXPECT_EQ(formError("x[2,1]:R:8"), BLOCK + "variable x: " + real);
  EXPECT_EQ(formError("x[a,1]:R:8"), BLOCK + "variable x: " + real);
  EXPECT_EQ(formError("x[0,b]:R:8"), BLOCK + "variable x: " + real);
  const std::string integer = "an integer range [low,high] with low <= high";
  EXPECT_EQ(formError("k[3,3]:I"), "");
  EXPECT_EQ(formError("k[3,2]:I"), BLOCK + "variable k: " + integer);
  EXPECT_EQ(formError("k[a,2]:I"), BLOCK + "variable k: " + integer);
  EXPECT_EQ(formError("k[0,2.5]:I"), BLOCK + "variable k: " + integer);
  EXPECT_EQ(formError("k[-2147483648,0]:I:32"), "");
  EXPECT_EQ(formError("k[-2147483649,0]:I:32"), BLOCK + "variable k: " + integer);
  EXPECT_EQ(formError("k[0,2147483647]:I"), "");
  EXPECT_EQ(formError("k[0,2147483648]:I"), BLOCK + "variable k: " + integer);
  EXPECT_EQ(formError("u[0,3]:U"), "");
  EXPECT_EQ(formError("u[-1,3]:U"), BLOCK + "variable u: an unsigned range cannot be negative");
  EXPECT_EQ(formError("k[-2147483647,2147483647]:I"), "");  // 31 bits of magnitude and a sign
  EXPECT_EQ(formError("k[-2147483648,2147483647]:I"), BLOCK + "variable k: the range needs more than 32 bits");

  hbook::NtupleBuilder nt(7, "t");
  nt.block("B", "a[0,255]:I, b[0,256]:I, c[-1,5]:I, d[0,5]:I:8, e[-8,7]:I, f[-7,8]:I, g[0,0]:I, h[0,9]:U");
  const auto& c = nt.ntuple().columns;
  EXPECT_EQ(c[0].type, hbook::ColumnType::Unsigned);  // low 0 is non-negative
  EXPECT_EQ(c[0].nbits, 8);
  EXPECT_EQ(c[1].nbits, 9);
  EXPECT_EQ(c[2].type, hbook::ColumnType::Integer);  // low -1 keeps the sign
  EXPECT_EQ(c[2].nbits, 4);
  EXPECT_EQ(c[3].type, hbook::ColumnType::Integer);  // given bits keep the type
  EXPECT_EQ(c[3].nbits, 8);
  EXPECT_EQ(c[4].nbits, 5);  // the larger of -low and high: 8 needs 4 bits, and a sign
  EXPECT_EQ(c[5].nbits, 5);
  EXPECT_EQ(c[6].nbits, 1);
  EXPECT_EQ(c[7].nbits, 4);
  EXPECT_EQ(static_cast<std::int32_t>(c[2].rangeLow), -1);
  EXPECT_EQ(c[2].rangeHigh, 5u);
}

TEST(NtupleBuilder, SetValuesAreCheckedAtBothEnds) {
  hbook::NtupleBuilder nt(7, "t");
  nt.block("B", "p[-1,1]:R:8, kk[-5,5]:I, k:I:4, u:U:4, ui:U, ii:I, l:L, c:C*4, a(3):R");
  const int p = nt.column("p"), kk = nt.column("kk"), k = nt.column("k"), u = nt.column("u"), ui = nt.column("ui"),
            ii = nt.column("ii"), l = nt.column("l"), c = nt.column("c"), a = nt.column("a");
  const std::string var = "column-wise ntuple 7, variable ";
  EXPECT_EQ(setError([&] { nt.set(p, -1.0); }), "");
  EXPECT_EQ(setError([&] { nt.set(p, 1.0); }), "");
  EXPECT_EQ(setError([&] { nt.set(p, 1.001); }), var + "p: value 1.001000 outside its range");
  EXPECT_EQ(setError([&] { nt.set(p, -1.001); }), var + "p: value -1.001000 outside its range");
  EXPECT_EQ(setError([&] { nt.setInteger(kk, -5); }), "");
  EXPECT_EQ(setError([&] { nt.setInteger(kk, 5); }), "");
  EXPECT_EQ(setError([&] { nt.setInteger(kk, 6); }), var + "kk: value 6.000000 outside -5.000000..5.000000");
  EXPECT_EQ(setError([&] { nt.setInteger(kk, -6); }), var + "kk: value -6.000000 outside -5.000000..5.000000");
  EXPECT_EQ(setError([&] { nt.setInteger(k, 7); }), "");  // 4 bits: a sign and 3 of magnitude
  EXPECT_EQ(setError([&] { nt.setInteger(k, -7); }), "");
  EXPECT_EQ(setError([&] { nt.setInteger(k, 8); }), var + "k: value 8.000000 outside -7.000000..7.000000");
  EXPECT_EQ(setError([&] { nt.setInteger(k, -8); }), var + "k: value -8.000000 outside -7.000000..7.000000");
  EXPECT_EQ(setError([&] { nt.setInteger(u, 15); }), "");
  EXPECT_EQ(setError([&] { nt.setInteger(u, 0); }), "");
  EXPECT_EQ(setError([&] { nt.setInteger(u, -1); }), var + "u: value -1.000000 outside 0.000000..15.000000");
  EXPECT_EQ(setError([&] { nt.setInteger(ui, 4294967295); }), "");
  EXPECT_EQ(setError([&] { nt.setInteger(ui, 4294967296); }),
            var + "ui: value 4294967296.000000 outside 0.000000..4294967295.000000");
  EXPECT_EQ(setError([&] { nt.setInteger(ui, -1); }), var + "ui: value -1.000000 outside 0.000000..4294967295.000000");
  EXPECT_EQ(setError([&] { nt.setInteger(ii, 2147483647); }), "");
  EXPECT_EQ(setError([&] { nt.setInteger(ii, -2147483648LL); }), "");
  EXPECT_EQ(setError([&] { nt.setInteger(ii, 2147483648LL); }),
            var + "ii: value 2147483648.000000 outside -2147483648.000000..2147483647.000000");
  EXPECT_EQ(setError([&] { nt.setInteger(ii, -2147483649LL); }),
            var + "ii: value -2147483649.000000 outside -2147483648.000000..2147483647.000000");
  EXPECT_EQ(setError([&] { nt.set(ii, 2.5); }), var + "ii: value 2.500000 is not an integer");
  EXPECT_EQ(setError([&] { nt.set(l, 5.0); }), "");
  EXPECT_EQ(setError([&] { nt.set(c, 1.0); }).rfind(var + "c: ", 0), 0u);  // a CHARACTER takes no number
  EXPECT_EQ(setError([&] { nt.setText(a, "x"); }), var + "a: not a CHARACTER variable");
  EXPECT_EQ(setError([&] { nt.setText(c, "abcd"); }), "");
  EXPECT_EQ(setError([&] { nt.setText(c, "abcde"); }), var + "c: text longer than 4 characters");
  EXPECT_EQ(setError([&] { nt.setText(c, "x", 1); }), var + "c: element 1");
  EXPECT_EQ(setError([&] { nt.setText(c, "x", -1); }), var + "c: element -1");
  EXPECT_EQ(setError([&] { nt.set(a, 2, 1.0); }), "");
  EXPECT_EQ(setError([&] { nt.set(a, 3, 1.0); }), var + "a: element 3 of 3");
  EXPECT_EQ(setError([&] { nt.set(a, -1, 1.0); }), var + "a: element -1 of 3");
  nt.setText(c, "ab");
  nt.fill();
  const auto& cols = nt.ntuple().columns;
  EXPECT_EQ(cols[static_cast<std::size_t>(l)].logicals, std::vector<std::uint8_t>{1});   // any non-zero value is true
  EXPECT_EQ(cols[static_cast<std::size_t>(c)].texts, std::vector<std::string>{"ab  "});  // padded with blanks
  EXPECT_EQ(cols[static_cast<std::size_t>(a)].reals, (std::vector<float>{0.0f, 0.0f, 1.0f}));
}

TEST(NtupleBuilder, UnsetIntegersStartAtTheLowEndOfARangeAboveZero) {
  hbook::NtupleBuilder nt(7, "t");
  nt.block("B", "a[1,9]:I, b[0,9]:I, c[-3,9]:I, d[3,9]:U, e:I");
  nt.fill();
  const auto& c = nt.ntuple().columns;
  EXPECT_EQ(c[0].unsigneds, std::vector<std::uint32_t>{1});
  EXPECT_EQ(c[1].unsigneds, std::vector<std::uint32_t>{0});
  EXPECT_EQ(c[2].integers, std::vector<std::int32_t>{0});
  EXPECT_EQ(c[3].unsigneds, std::vector<std::uint32_t>{3});
  EXPECT_EQ(c[4].integers, std::vector<std::int32_t>{0});
  EXPECT_EQ(nt.rows(), 1);
  hbook::NtupleBuilder empty(8, "t");
  EXPECT_EQ(setError([&] { empty.fill(); }), "column-wise ntuple 8: no variables declared");
  EXPECT_EQ(empty.rows(), 0);
}

// A name's first letter gives its type when none is written: I to N are
// INTEGER (in either case), the letters either side of them REAL.
TEST(NtupleBuilder, ImplicitTypesRunFromIToN) {
  hbook::NtupleBuilder nt(7, "t");
  nt.block("B", "hx, ix, nx, ox, Hy, Iy, Ny, Oy");
  const auto& c = nt.ntuple().columns;
  const hbook::ColumnType R = hbook::ColumnType::Real, I = hbook::ColumnType::Integer;
  const hbook::ColumnType expected[] = {R, I, I, R, R, I, I, R};
  ASSERT_EQ(c.size(), 8u);
  for (std::size_t k = 0; k < c.size(); ++k) EXPECT_EQ(c[k].type, expected[k]) << c[k].name;
}

// A row takes of a variable-length array as many elements as its index
// variable says times its fixed dimensions; an index whose range tops out
// at 0 gives none. Blocks after the first row are refused in words; a
// packed REAL refuses a value that is not a number, a plain one takes any.
TEST(NtupleBuilder, RowsTakeTheElementsTheirIndexSays) {
  hbook::NtupleBuilder nt(7, "t");
  nt.block("B", "n[-3,0]:I, a(n):R, m[0,3]:I, b(2,m):R, r:R, p[0,1]:R:8");
  const int m = nt.column("m"), b = nt.column("b"), r = nt.column("r"), p = nt.column("p");
  nt.setInteger(m, 2);
  for (int e = 0; e < 6; ++e) nt.set(b, e, 1.0 + e);
  EXPECT_EQ(setError([&] { nt.set(r, 1e30); }), "");
  EXPECT_EQ(setError([&] { nt.set(r, -1e30); }), "");
  EXPECT_EQ(setError([&] { nt.set(p, std::nan("")); }),
            "column-wise ntuple 7, variable p: value nan outside its range");
  nt.fill();
  nt.setInteger(m, 3);
  nt.fill();
  const auto& c = nt.ntuple().columns;
  EXPECT_TRUE(c[1].reals.empty());
  EXPECT_EQ(c[3].reals, (std::vector<float>{1, 2, 3, 4, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(c[4].reals, (std::vector<float>{-1e30f, -1e30f}));  // the last value set, kept for the next row
  EXPECT_EQ(nt.rows(), 2);
  EXPECT_EQ(setError([&] { nt.block("LATE", "y:R"); }),
            "column-wise ntuple 7, block LATE: blocks are declared before the first row is filled");
}

}  // namespace
