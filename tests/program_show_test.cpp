// hbook show against the real package's printout (HPRINT) of every file it
// printed: every object of every directory in the order of the file, and for
// each histogram, profile, projection, slice and band the figures HPRINT
// prints (entries, in-range sum, under- and overflow, bin width, mean, RMS)
// equal to the printed digits; for each 2-D histogram its entries and the
// nine region sums of its statistics box to the box's three decimals.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "support/hprint.h"
#include "support/programrunner.h"

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
