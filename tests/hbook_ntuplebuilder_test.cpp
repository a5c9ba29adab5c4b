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

}  // namespace
