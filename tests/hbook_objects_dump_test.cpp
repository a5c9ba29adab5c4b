// dump --all of the golden files of every object kind and of the two public
// files equals the package's own dumps: the small ones (prof, dirs) line for
// line, the large ones by byte count and FNV-1a hash of the whole dump, and
// line for line on a trimmed copy (every line but the cell, channel and row
// lines beyond the first twelve of each object). Lines that name who made
// the dump (READER, ROWS) are left out on both sides. For a dump that lists
// sampled ntuple rows (rows 1-200, multiples of 97, the last row), our dump,
// which has every row, is cut to the same rows.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "hbook/print/dumpall/dumpers.h"
#include "hbook/print/dumpall/fortran.h"
#include "hbook/rz/reader.h"
#include "support/files.h"
#include "support/hbookdumps.h"

namespace {

using testsupport::fnv1a;
using testsupport::readText;

const std::string DATA_DIR = std::string(TARN_TEST_DATA) + "/hbook/";
const std::string OBJECTS = DATA_DIR + "objects/";

using testsupport::dumpOf;
using testsupport::normalised;
using testsupport::trimmed;

TEST(ObjectDumps, SmallFilesLineForLine) {
  for (const char* name : {"prof.hbook", "dirs.hbook"}) {
    const std::string expected = readText(OBJECTS + name + std::string(".dump.txt"));
    ASSERT_FALSE(expected.empty()) << name;
    EXPECT_EQ(normalised(dumpOf(OBJECTS + name), false), normalised(expected, false)) << name;
  }
}

struct Large {
  const char* file;
  bool sampled;
  std::size_t bytes;   // of the package's dump without READER and ROWS
  std::uint64_t hash;  // FNV-1a of the same
};

class LargeDumps : public ::testing::TestWithParam<Large> {};

TEST_P(LargeDumps, WholeDumpByHashTrimmedCopyLineForLine) {
  const Large& c = GetParam();
  const std::string dir =
      std::string(c.file) == "pawtut.hbook" || std::string(c.file) == "roothbk_write_hbk.hb" ? DATA_DIR : OBJECTS;
  const std::string ours = normalised(dumpOf(dir + c.file), c.sampled);
  const std::string trim = readText(OBJECTS + c.file + ".dump.trim.txt");
  ASSERT_FALSE(trim.empty()) << c.file;
  EXPECT_EQ(trimmed(ours), normalised(trim, false)) << c.file;
  EXPECT_EQ(ours.size(), c.bytes) << c.file;
  EXPECT_EQ(fnv1a(ours), c.hash) << c.file;
}

INSTANTIATE_TEST_SUITE_P(GoldenAndPublic, LargeDumps,
                         ::testing::Values(Large{"h2.hbook", false, 422797, 0x98b51848003e1d6eULL},
                                           Large{"cwn.hbook", false, 1279409, 0x3075710ce94020d6ULL},
                                           Large{"rwn.hbook", true, 277093, 0x67a284d046d86545ULL},
                                           Large{"pawtut.hbook", true, 1058188, 0x9e72bbd4e2aadc03ULL},
                                           Large{"roothbk_write_hbk.hb", false, 97252, 0x7e626c5613984e3bULL}));

// Nothing of any test file is skipped any more.
TEST(ObjectDumps, NoObjectOfAnyTestFileIsSkipped) {
  for (const std::string& path :
       {DATA_DIR + "lam.hbook", DATA_DIR + "sq.hbook", DATA_DIR + "gradx.hbook", DATA_DIR + "errors.hbook",
        DATA_DIR + "mixed.hbook", DATA_DIR + "many.hbook", DATA_DIR + "golden-basic.hbook",
        DATA_DIR + "golden-run.hbook", DATA_DIR + "pawtut.hbook", DATA_DIR + "roothbk_write_hbk.hb",
        OBJECTS + "h2.hbook", OBJECTS + "prof.hbook", OBJECTS + "rwn.hbook", OBJECTS + "cwn.hbook",
        OBJECTS + "dirs.hbook"}) {
    const hbook::ReadResult r = hbook::readFile(path);
    EXPECT_TRUE(r.skipped.empty()) << path << ": " << (r.skipped.empty() ? "" : r.skipped[0].note);
  }
}

}  // namespace

// Gw.d at its switch-overs: F form (four blanks after) from 0.1 up to
// 10^d once rounded to d digits, E form outside; exponents beyond 99 lose
// their E; what does not fit the width is asterisks. Iw and Zw likewise.
TEST(DumpFormats, FortranEditingAtItsSwitchOvers) {
  const struct {
    double v;
    const char* g168;
  } cases[] = {
      {0.0, "   0.0000000    "},          {0.1, "  0.10000000    "},
      {0.0999999999, "  0.10000000    "},  // rounds up to 0.1 at 8 digits
      {0.099999999, "  0.99999999E-01"},  {0.09, "  0.90000000E-01"},
      {-0.5, " -0.50000000    "},         {12345678.0, "   12345678.    "},
      {99999999.4, "   99999999.    "},   {99999999.5, "  0.10000000E+09"},  // rounds up to 10^8
      {123456789.0, "  0.12345679E+09"},  {-123456789.0, " -0.12345679E+09"},
      {1e98, "  0.10000000E+99"},         {1e99, "  0.10000000+100"},
      {1e-100, "  0.10000000E-99"},       {1e-101, "  0.10000000-100"},
      {std::nan(""), "             NaN"}, {HUGE_VAL, "        Infinity"},
      {-HUGE_VAL, "       -Infinity"},
  };
  for (const auto& c : cases) EXPECT_EQ(hbook::fortran::g(c.v, 16, 8), c.g168) << c.v;
  EXPECT_EQ(hbook::fortran::g(123456789.0, 14, 8), "0.12345679E+09");
  EXPECT_EQ(hbook::fortran::g(123456789.0, 13, 8), "*************");
  EXPECT_EQ(hbook::fortran::g(12345678.0, 13, 8), "12345678.    ");
  EXPECT_EQ(hbook::fortran::g(12345678.0, 12, 8), "********    ");
  EXPECT_EQ(hbook::fortran::i(-12345, 6), "-12345");
  EXPECT_EQ(hbook::fortran::i(-12345, 8), "  -12345");
  EXPECT_EQ(hbook::fortran::i(-12345, 5), "*****");
  EXPECT_EQ(hbook::fortran::z(1.0f), "3F800000");
  EXPECT_EQ(hbook::fortran::z(std::uint32_t{0xAu}), "0000000A");
  EXPECT_EQ(hbook::fortran::z(-2.0), "C000000000000000");
  EXPECT_EQ(hbook::fortran::real(0.5f), "   0.50000000     3F000000");
}

// A column-wise ntuple whose first variable is the index of the next: the
// VARINDEX line names variable 1 too, and a REAL*8 value keeps its sixteen
// significant digits (G25.16) before its bits.
TEST(DumpFormats, IndexAtTheFirstVariableAndDoublesToSixteenDigits) {
  hbook::ColumnNtuple n;
  n.id = 7;
  n.entries = 1;
  n.blocks = {"B"};
  hbook::Column index;
  index.name = "n";
  index.block = "B";
  index.type = hbook::ColumnType::Integer;
  index.isIndex = true;
  index.integers = {1};
  index.totals = {0, 1};
  hbook::Column x;
  x.name = "x";
  x.block = "B";
  x.size = 8;
  x.nbits = 64;
  x.dims = {-1};
  x.indexVariable = 0;
  x.doubles = {0.1234567890123456};
  n.columns = {index, x};
  std::ostringstream out;
  hbook::dump::columnNtuple(out, "//LUN1", n);
  const std::string dump = out.str();
  EXPECT_NE(dump.find("\nVARINDEX    2 \"n\"\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("\nVARISINDEX    1\n"), std::string::npos) << dump;
  const auto row = dump.find("\"x\"   1 ");
  ASSERT_NE(row, std::string::npos) << dump;
  const std::string line = dump.substr(row, dump.find('\n', row) - row);
  EXPECT_NE(line.find(" 0.1234567890123456"), std::string::npos) << line;
  EXPECT_NE(line.find(hbook::fortran::z(0.1234567890123456)), std::string::npos) << line;
}
