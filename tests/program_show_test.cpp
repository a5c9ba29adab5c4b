// hbook show against the real package's printout (HPRINT) of every file it
// printed: every object of every directory in the order of the file, and for
// each histogram, profile, projection, slice and band the figures HPRINT
// prints (entries, in-range sum, under- and overflow, bin width, mean, RMS)
// equal to the printed digits; for each 2-D histogram its entries and the
// nine region sums of its statistics box to the box's three decimals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <tuple>

#include "hbook/memory/ntuplebuilder.h"
#include "hbook/rz/writer.h"
#include "support/hprint.h"
#include "support/programrunner.h"
#include "support/smallobjects.h"

namespace {

using testsupport::fortranBox;
using testsupport::fortranE4;
using testsupport::HprintPage;
using testsupport::HprintSection;

const std::string HBOOK = HBOOK_PROGRAM;

// The value after `label ` in a line of show's output, or "".
std::string after(const std::string& line, const std::string& label) {
  const auto at = line.find(label + " ");
  if (at == std::string::npos) return "";
  std::istringstream s(line.substr(at + label.size() + 1));
  std::string v;
  s >> v;
  return v;
}

double real(const std::string& s) { return std::strtod(s.c_str(), nullptr); }
// Stored single-precision values are printed so that they read back to the same float.
float single(const std::string& s) { return std::strtof(s.c_str(), nullptr); }

// One object of show's output: its directory, id and lines.
struct Shown {
  std::string directory = "/";
  int id = 0;
  std::vector<std::string> lines;
};

std::vector<Shown> parse(const std::string& out) {
  std::vector<Shown> objects;
  std::string directory = "/";
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("directory ", 0) == 0) directory = line.substr(10);
    if (line.rfind("id ", 0) == 0) objects.push_back({directory, std::stoi(line.substr(3)), {}});
    if (!objects.empty()) objects.back().lines.push_back(line);
  }
  return objects;
}

// The figures of the k-th "entries ... in range" line and the line after it.
void expectFigures(const Shown& shown, std::size_t k, const HprintPage& p, const std::string& width) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < shown.lines.size(); ++i) {
    const std::string& line = shown.lines[i];
    if (line.find("entries ") == std::string::npos || line.find(" in range ") == std::string::npos || seen++ != k)
      continue;
    EXPECT_EQ(after(line, "entries"), p.figures.at("ENTRIES")) << line;
    EXPECT_EQ(fortranE4(single(after(line, "in range"))), p.figures.at("ALL CHANNELS")) << line;
    EXPECT_EQ(fortranE4(single(after(line, "underflow"))), p.figures.at("UNDERFLOW")) << line;
    EXPECT_EQ(fortranE4(single(after(line, "overflow"))), p.figures.at("OVERFLOW")) << line;
    EXPECT_EQ(fortranE4(single(width)), p.figures.at("BIN WID"));
    ASSERT_LT(i + 1, shown.lines.size());
    const std::string& next = shown.lines[i + 1];
    EXPECT_EQ(fortranE4(real(after(next, "mean"))), p.figures.at("MEAN VALUE")) << next;
    EXPECT_EQ(fortranE4(real(after(next, "rms"))), p.figures.at("R . M . S")) << next;
    return;
  }
  ADD_FAILURE() << "figures " << k << " not shown";
}

// The bin width show gives: "N bins of W", or "(mean width W)" of variable bins.
std::string widthOf(const std::string& line, const std::string& axis = "") {
  const std::string mean = after(line, "(mean width");
  if (!mean.empty()) return mean.substr(0, mean.size() - 1);
  const auto at = line.find(axis + " ");
  return after(line.substr(at == std::string::npos ? 0 : at), "of");
}

void expectHistogram2D(const Shown& shown, const HprintSection& section) {
  const HprintPage& box = section.pages.at(0);
  std::string xWidth, yWidth, entries;
  std::vector<std::vector<std::string>> rows;
  for (std::size_t i = 0; i < shown.lines.size(); ++i) {
    const std::string& line = shown.lines[i];
    if (line.find(" x ") != std::string::npos && line.find(" bins of ") != std::string::npos)
      xWidth = widthOf(line, " x");
    if (line.find(" y ") != std::string::npos && line.find(" bins of ") != std::string::npos)
      yWidth = widthOf(line, " y");
    if (line.rfind("  entries ", 0) == 0 && entries.empty()) entries = after(line, "entries");
    if (line.find(" in x ") != std::string::npos ||
        (line.size() > 4 && line.compare(line.size() - 4, 4, "in x") == 0)) {
      for (std::size_t r = i + 1; r <= i + 3 && r < shown.lines.size(); ++r) {
        std::istringstream s(shown.lines[r].substr(shown.lines[r].size() - 42));
        std::vector<std::string> values;
        for (std::string v; s >> v;) values.push_back(v);
        rows.push_back(values);
      }
    }
  }
  EXPECT_EQ(entries, box.entries2d);
  ASSERT_EQ(rows.size(), 3u);
  for (int r = 0; r < 3; ++r) {
    ASSERT_EQ(rows[r].size(), 3u);
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(fortranBox(single(rows[r][x])), box.grid.at(r)[x]) << "row " << r << " column " << x;
  }
  std::size_t k = 0;
  for (const std::string& line : shown.lines) {
    if (line.rfind("  P", 0) != 0 && line.rfind("  S", 0) != 0 && line.rfind("  B", 0) != 0) continue;
    ASSERT_LT(k + 1, section.pages.size()) << line;
    expectFigures(shown, k, section.pages[k + 1], line[5] == 'X' ? xWidth : yWidth);
    ++k;
  }
  EXPECT_EQ(k + 1, section.pages.size());
}

// A histogram of nx bins over low..high with contents 1, 2, ... in its bins.
hbook::Histogram counting(std::int32_t id, std::int32_t nx, float low, float high) {
  hbook::Histogram h;
  h.id = id;
  h.title = "h" + std::to_string(id);
  h.nx = nx;
  h.xmin = low;
  h.xmax = high;
  h.entries = nx;
  h.channels.assign(static_cast<std::size_t>(nx) + 2, 0.0f);
  for (std::int32_t i = 1; i <= nx; ++i) h.channels[static_cast<std::size_t>(i)] = static_cast<float>(i);
  return h;
}

// hbook show of a file of these histograms (top directory), its lines.
std::vector<std::string> shownLines(const std::vector<hbook::Histogram>& histograms, const std::string& ids = "") {
  testsupport::ScratchDir dir("show-layout");
  hbook::Directory top;
  top.path = "/";
  for (const hbook::Histogram& h : histograms) {
    top.objects.push_back({hbook::ObjectKind::Histogram1D, h.id, top.histograms.size()});
    top.histograms.push_back(h);
  }
  EXPECT_TRUE(hbook::writeFile((dir.path() / "x.hbook").string(), {top}, {}));
  const testsupport::Outcome o = testsupport::runCommand(dir.path(), HBOOK + " show x.hbook " + ids);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  return testsupport::lines(o.out);
}

// The line after "id N ..." of each histogram shown.
std::vector<std::string> linesAfterHeading(const std::vector<std::string>& lines, std::size_t count = 1) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("id ", 0) != 0) continue;
    for (std::size_t k = 1; k <= count && i + k < lines.size(); ++k) out.push_back(lines[i + k]);
  }
  return out;
}

}  // namespace

// The binning line says "packed counts" of channels of fewer than 32 bits
// (1 to 31) and nothing of 32-bit ones; "sum of squared weights stored"
// where there are errors. Within 80 columns: at 80 both stay on the
// binning's line, at 81 they go to a line of their own.
TEST(ShowLayout, PackedCountsAndStoredErrorsAreSaidWithin80Columns) {
  const std::string base = "  2 bins of 10000 from 0 to 20000";
  const std::string fits = "  2 bins of 50000 from 0 to 100000";   // 34 columns
  const std::string wide = "  2 bins of 50000 from 10 to 100010";  // 35 columns
  std::vector<hbook::Histogram> hs;
  for (int nbit : {32, 31, 1}) {
    hbook::Histogram h = counting(nbit, 2, 0.0f, 20000.0f);
    h.channels = {0.0f, 1.0f, 0.0f, 1.0f};
    h.nbit = nbit;
    hs.push_back(h);
  }
  hbook::Histogram errors = counting(40, 2, 0.0f, 20000.0f);
  errors.sumw2 = {1.0f, 4.0f};
  hs.push_back(errors);
  errors.id = 41;
  errors.nbit = 16;
  errors.xmax = 100000.0f;
  hs.push_back(errors);  // 34 + 46 = 80 columns
  errors.id = 42;
  errors.xmin = 10.0f;
  errors.xmax = 100010.0f;
  hs.push_back(errors);  // 35 + 46 = 81
  const std::vector<std::string> after = linesAfterHeading(shownLines(hs), 2);
  ASSERT_EQ(after.size(), 12u);
  EXPECT_EQ(after[0], base + ", packed counts");  // ids 1, 31, 32: bits per channel
  EXPECT_EQ(after[2], base + ", packed counts");
  EXPECT_EQ(after[4], base);
  EXPECT_EQ(after[6], base + ", sum of squared weights stored");
  EXPECT_EQ(after[8], fits + ", packed counts, sum of squared weights stored");
  EXPECT_EQ(after[8].size(), 80u);
  EXPECT_EQ(after[10], wide);
  EXPECT_EQ(after[11], "  packed counts, sum of squared weights stored");
}

// A binning line beyond 80 columns with nothing stored to say is shown alone.
TEST(ShowLayout, ALongBinningLineWithNothingStoredStandsAlone) {
  hbook::Histogram h = counting(5, 3, -1.7014117e38f, 1.7014117e38f);
  h.edges = {h.xmin, -1.0e38f, 1.0e38f, h.xmax};
  const std::vector<std::string> lines = shownLines({h});
  const std::vector<std::string> after = linesAfterHeading(lines, 2);
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0], "  3 bins of variable width from -1.7014117e+38 to 1.7014117e+38 (mean width 1.1342745e+38)");
  EXPECT_EQ(after[1].rfind("  entries 3 ", 0), 0u) << after[1];
}

// One bin is "1 bin of", more are "N bins of".
TEST(ShowLayout, OneBinAndSeveral) {
  const std::vector<std::string> after =
      linesAfterHeading(shownLines({counting(1, 1, 0.0f, 2.0f), counting(2, 2, 0.0f, 2.0f)}));
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0], "  1 bin of 2 from 0 to 2");
  EXPECT_EQ(after[1], "  2 bins of 1 from 0 to 2");
}

// "id N" and the title share a line up to 80 columns; beyond, the title
// has a line of its own.
TEST(ShowLayout, TheTitleSharesTheIdsLineUpTo80Columns) {
  hbook::Histogram fits = counting(1, 2, 0.0f, 2.0f), over = counting(2, 2, 0.0f, 2.0f);
  fits.title = std::string(74, 'a');  // "id 1  " + 74 = 80
  over.title = std::string(75, 'b');
  const std::vector<std::string> lines = shownLines({fits, over});
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "id 1  " + fits.title);
  const auto at = std::find(lines.begin(), lines.end(), "id 2");
  ASSERT_NE(at, lines.end());
  ASSERT_NE(at + 1, lines.end());
  EXPECT_EQ(*(at + 1), over.title);
}

// The chart has a column per bin up to 64 bins; from 65 neighbouring bins
// are averaged, two or more to a column.
TEST(ShowLayout, ChartsOfMoreThan64BinsAverageNeighbours) {
  const std::vector<std::string> lines =
      shownLines({counting(64, 64, 0.0f, 64.0f), counting(65, 65, 0.0f, 65.0f), counting(128, 128, 0.0f, 128.0f),
                  counting(129, 129, 0.0f, 129.0f)});
  std::map<int, std::string> means;
  std::map<int, std::size_t> axis;
  int id = 0;
  for (const std::string& line : lines) {
    if (line.rfind("id ", 0) == 0) id = std::stoi(line.substr(3));
    if (line.rfind("  mean content of each ", 0) == 0) means[id] = line;
    if (line.rfind("         0 +", 0) == 0) axis[id] = line.size() - 12;
  }
  EXPECT_EQ(means.count(64), 0u);
  EXPECT_EQ(means[65], "  mean content of each 2 bins:");
  EXPECT_EQ(means[128], "  mean content of each 2 bins:");
  EXPECT_EQ(means[129], "  mean content of each 3 bins:");
  EXPECT_EQ(axis[64], 64u);
  EXPECT_EQ(axis[65], 33u);
  EXPECT_EQ(axis[128], 64u);
  EXPECT_EQ(axis[129], 43u);
}

// Each variable of a column-wise ntuple on a line: its block (padded to
// the longest block name and two blanks), its name as declared, from column
// 24 its type (":bits" when packed into fewer than 32, "*size" other than
// 4) and declared range, from column 40 the values found; a part reaching
// its column is followed by one blank. Counts of one are singular.
TEST(ShowLayout, ColumnWiseNtuplesInColumns) {
  testsupport::ScratchDir dir("show-cwn");
  const std::string name11 = "abcdefghijk", name25 = "abcdefghijklmnopqrstuvwxy", name32 = name25 + "zabcdef";
  hbook::NtupleBuilder nt(7, "nt");
  nt.block("AB", "x:R, n[0,3]:I, e(n):R, ok:L, d:R*8, tag:C*8, " + name11 + ":R, " + name25 + ":R");
  nt.block("LONGBLK", name32 + ":R, p[0,1]:R:8");
  const double values[2][5] = {{1.5, 0.25, -2.0, 0.0, 2.0}, {-0.5, 2.0, 7.0, 1.0, 2.0}};
  for (const auto& v : values) {
    nt.set(nt.column("x"), v[0]);
    nt.setInteger(nt.column("n"), v[0] > 0 ? 2 : 0);
    nt.set(nt.column("e"), 0, 3.0);
    nt.set(nt.column("e"), 1, 4.0);
    nt.setInteger(nt.column("ok"), v[0] > 0 ? 1 : 0);
    nt.set(nt.column("d"), v[1]);
    nt.setText(nt.column("tag"), v[0] > 0 ? "ab" : "c");
    nt.set(nt.column(name11), v[4]);
    nt.set(nt.column(name25), v[4]);
    nt.set(nt.column(name32), v[2]);
    nt.set(nt.column("p"), v[3]);
    nt.fill();
  }
  hbook::NtupleBuilder one(8, "one");
  one.block("B", "y:R");
  one.set(one.column("y"), 3.0);
  one.fill();
  ASSERT_TRUE(hbook::writeFile((dir.path() / "nt.hbook").string(), {}, {&nt.ntuple(), &one.ntuple()}, {}));
  const testsupport::Outcome o = testsupport::runCommand(dir.path(), HBOOK + " show nt.hbook");
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string pad = std::string(7, ' ');  // "AB" to the width of "LONGBLK", then two blanks
  const std::string ab = "    AB" + pad, longblk = "    LONGBLK  ";
  const std::vector<std::string> expected = {
      "id 7  nt",
      "  column-wise ntuple, 10 variables in 2 blocks, 2 rows",
      "    block, variable, type [declared range], values found:",
      ab + "x          R               -0.5 .. 1.5",
      ab + "n          I [0,3]         0 .. 2",
      ab + "e(n)       R               3 .. 4",
      ab + "ok         L               1 true of 2",
      ab + "d          R*8             0.25 .. 2",
      ab + "tag        C*8             2 values",
      ab + name11 + " R              2 .. 2",  // 24 + 1 + 1, to 40
      ab + name25 + " R 2 .. 2",               // 40 columns before the values
      longblk + name32 + " R -2 .. 7",
      longblk + "p          R:8 [0,1]       0 .. 1",
      "",
      "id 8  one",
      "  column-wise ntuple, 1 variable in 1 block, 1 row",
      "    block, variable, type [declared range], values found:",
      "    B  y                R               3 .. 3",
  };
  EXPECT_EQ(testsupport::lines(o.out), expected);
}

// A 2-D histogram says "packed counts" of cells below 32 bits, a table
// (KBITS bit 3) is named as such with its y axis under its x axis; a
// profile says its error option, blank when none.
TEST(ShowLayout, TwoDimensionalHistogramsTablesAndProfiles) {
  testsupport::ScratchDir dir("show-2d");
  hbook::Directory d;
  d.path = "/";
  for (const auto& [id, nbit, kbits] : {std::tuple{1, 32, 2u}, std::tuple{2, 31, 2u}, std::tuple{3, 8, 6u}}) {
    hbook::Histogram2D g;
    g.id = id;
    g.title = "g" + std::to_string(id);
    g.kbits = kbits;
    g.nx = 1;
    g.ny = 2;
    g.xmax = 1.0f;
    g.ymin = -1.0f;
    g.ymax = 1.0f;
    g.nbit = nbit;
    g.entries = 3;
    g.cells.assign(12, 0.0f);
    g.cells[4] = 1.0f;  // (1, 1)
    g.cells[7] = 2.0f;  // (1, 2)
    d.objects.push_back({hbook::ObjectKind::Histogram2D, g.id, d.histograms2d.size()});
    d.histograms2d.push_back(g);
  }
  for (const auto& [id, status] : {std::pair{4, 0u}, std::pair{5, 1u}, std::pair{6, 2u}, std::pair{7, 5u}}) {
    const hbook::Profile p = testsupport::twoBinProfile(id, status);
    d.objects.push_back({hbook::ObjectKind::Profile, p.id, d.profiles.size()});
    d.profiles.push_back(p);
  }
  ASSERT_TRUE(hbook::writeFile((dir.path() / "g.hbook").string(), {d}, {}));
  const testsupport::Outcome o = testsupport::runCommand(dir.path(), HBOOK + " show g.hbook");
  ASSERT_EQ(o.status, 0) << o.err;
  const std::vector<std::string> after = linesAfterHeading(testsupport::lines(o.out), 2);
  ASSERT_EQ(after.size(), 14u);
  EXPECT_EQ(after[0], "  2-D histogram, x 1 bin of 1 from 0 to 1,");
  EXPECT_EQ(after[1], "                 y 2 bins of 1 from -1 to 1");
  EXPECT_EQ(after[2], "  2-D histogram, x 1 bin of 1 from 0 to 1,");
  EXPECT_EQ(after[3], "                 y 2 bins of 1 from -1 to 1, packed counts");
  EXPECT_EQ(after[4], "  table, x 1 bin of 1 from 0 to 1,");
  EXPECT_EQ(after[5], "         y 2 bins of 1 from -1 to 1, packed counts");
  const char* options[] = {" ", "S", "I", "SP"};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(after[static_cast<std::size_t>(6 + 2 * k)],
              std::string("  profile, 2 bins of 1 from 0 to 2, y -1..1, error option ") + options[k]);
  }
}

// A projection's line says "packed counts" by its own bits per channel,
// not the histogram's: 31 bits packed, 32 bits not.
TEST(ShowLayout, ProjectionsSayTheirOwnPacking) {
  testsupport::ScratchDir dir("show-projections");
  hbook::Directory d;
  d.path = "/";
  hbook::Histogram2D g;
  g.id = 1;
  g.title = "g";
  g.nx = 1;
  g.ny = 1;
  g.xmax = 1.0f;
  g.ymax = 1.0f;
  g.nbit = 32;
  g.entries = 3;
  g.cells.assign(9, 0.0f);
  g.cells[4] = 3.0f;
  for (const auto& [name, nbit] : {std::pair{"PROX", 32}, std::pair{"PROY", 31}}) {
    hbook::Projection p;
    p.name = name;
    p.nbit = nbit;
    p.entries = 3;
    p.channels = {0.0f, 3.0f, 0.0f};
    (p.onX() ? g.projectionsX : g.projectionsY).push_back(p);
  }
  d.objects.push_back({hbook::ObjectKind::Histogram2D, g.id, 0});
  d.histograms2d.push_back(g);
  ASSERT_TRUE(hbook::writeFile((dir.path() / "p.hbook").string(), {d}, {}));
  const testsupport::Outcome o = testsupport::runCommand(dir.path(), HBOOK + " show p.hbook");
  ASSERT_EQ(o.status, 0) << o.err;
  std::vector<std::string> named;
  for (const std::string& line : testsupport::lines(o.out)) {
    if (line.rfind("  PRO", 0) == 0) named.push_back(line);
  }
  EXPECT_EQ(named, (std::vector<std::string>{"  PROX: projection on x", "  PROY: projection on y, packed counts"}))
      << o.out;
}
// The figures' line keeps three blanks between its fields up to 80
// columns and closes them to two beyond.
TEST(ShowLayout, FiguresKeepWithin80Columns) {
  hbook::Histogram fits = counting(1, 1, 0.0f, 1.0f), wide = counting(2, 1, 0.0f, 1.0f);
  for (hbook::Histogram* h : {&fits, &wide}) {
    h->entries = -2147483647 - 1;
    h->channels = {-3.4028235e38f, 1.0f, 1.5e30f};
  }
  wide.channels[2] = -1.5e30f;  // one column more
  const std::vector<std::string> after = linesAfterHeading(shownLines({fits, wide}), 2);
  ASSERT_EQ(after.size(), 4u);
  EXPECT_EQ(after[1], "  entries -2147483648   in range 1   underflow -3.4028235e+38   overflow 1.5e+30");
  EXPECT_EQ(after[1].size(), 80u);
  EXPECT_EQ(after[3], "  entries -2147483648  in range 1  underflow -3.4028235e+38  overflow -1.5e+30");
}

namespace {

class ShowPrintouts : public ::testing::TestWithParam<const char*> {};

TEST_P(ShowPrintouts, ShowsThePackagesFiguresOfEveryObject) {
  testsupport::ScratchDir dir("show-hprint");
  const testsupport::Outcome o =
      testsupport::runCommand(dir.path(), HBOOK + " show " + testsupport::hprintedFile(GetParam()));
  ASSERT_EQ(o.status, 0) << o.err;
  const std::vector<Shown> shown = parse(o.out);
  std::size_t k = 0;
  for (const HprintSection& section : testsupport::readHprint(GetParam())) {
    SCOPED_TRACE(section.directory + " id " + std::to_string(section.id));
    while (k < shown.size() && (shown[k].directory != section.directory || shown[k].id != section.id)) ++k;  // ntuples
    ASSERT_LT(k, shown.size());
    const Shown& s = shown[k];
    // The binning follows the heading (a title too long for the id's line has a line of its own).
    const std::size_t b = s.lines.at(1).rfind("  ", 0) == 0 ? 1 : 2;
    const std::string& binning = s.lines.at(b);
    if (section.noEntries) {
      EXPECT_NE(s.lines.at(b + 1).find("entries 0 "), std::string::npos);
      EXPECT_EQ(s.lines.at(b + 2), "  no entries");
    } else if (binning.find("2-D histogram") != std::string::npos || binning.find("table") != std::string::npos) {
      expectHistogram2D(s, section);
    } else {
      expectFigures(s, 0, section.pages.back(), widthOf(binning));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryPrintout, ShowPrintouts, ::testing::ValuesIn(testsupport::HPRINT_FILES),
                         [](const auto& info) { return testsupport::hprintTestName(info.param); });

}  // namespace

// Each directory is headed by its path once the file holds more than one
// (the top and a subdirectory are two); a file of the top directory alone
// shows its objects without a heading.
TEST(ShowLayout, DirectoriesAreHeadedOnceThereAreTwo) {
  auto headings = [](const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& l : lines)
      if (l.rfind("directory ", 0) == 0) out.push_back(l);
    return out;
  };
  EXPECT_EQ(headings(shownLines({counting(1, 2, 0, 2)})), std::vector<std::string>{});
  testsupport::ScratchDir dir("show-directories");
  hbook::Directory top;
  top.path = "/";
  top.subdirectories = {"AA"};
  top.objects.push_back({hbook::ObjectKind::Histogram1D, 1, 0});
  top.histograms.push_back(counting(1, 2, 0, 2));
  hbook::Directory sub;
  sub.path = "/AA";
  sub.objects.push_back({hbook::ObjectKind::Histogram1D, 2, 0});
  sub.histograms.push_back(counting(2, 2, 0, 2));
  ASSERT_TRUE(hbook::writeFile((dir.path() / "x.hbook").string(), {top, sub}, {}));
  const testsupport::Outcome o = testsupport::runCommand(dir.path(), HBOOK + " show x.hbook");
  EXPECT_EQ(o.status, 0) << o.err;
  const std::vector<std::string> lines = testsupport::lines(o.out);
  EXPECT_EQ(headings(lines), (std::vector<std::string>{"directory /", "directory /AA"}));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "directory /");
}

