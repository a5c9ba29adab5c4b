// The package's printed figures (print/statistics.h) against its own
// printout (HPRINT) of every file it printed: every 1-D histogram and profile
// of every directory (ENTRIES, ALL CHANNELS, UNDERFLOW, OVERFLOW, BIN WID,
// MEAN VALUE, R . M . S to the digits of its E10.4), every 2-D histogram's
// statistics box (the nine region sums to its three decimals) and every
// projection, slice and band. Then the same figures bit for bit on cases that
// catch a change of arithmetic the printed digits would let through (the
// expected bits come from an independent implementation of the rule, made
// when the rule was worked out against these printouts).
#include <gtest/gtest.h>

#include <bit>
#include <set>

#include "hbook/print/statistics.h"
#include "hbook/rz/reader.h"
#include "support/hprint.h"

namespace {

using testsupport::fortranBox;
using testsupport::fortranE4;
using testsupport::HprintPage;
using testsupport::HprintSection;

const std::string DATA_DIR = std::string(TARN_TEST_DATA) + "/hbook/";

void expectFigures(const hbook::Summary& s, const HprintPage& p) {
  EXPECT_EQ(std::to_string(s.entries), p.figures.at("ENTRIES"));
  EXPECT_EQ(fortranE4(s.inRange), p.figures.at("ALL CHANNELS"));
  EXPECT_EQ(fortranE4(s.underflow), p.figures.at("UNDERFLOW"));
  EXPECT_EQ(fortranE4(s.overflow), p.figures.at("OVERFLOW"));
  EXPECT_EQ(fortranE4(s.binWidth), p.figures.at("BIN WID"));
  EXPECT_EQ(fortranE4(s.mean), p.figures.at("MEAN VALUE"));
  EXPECT_EQ(fortranE4(s.rms), p.figures.at("R . M . S"));
}

void expectHistogram2D(const hbook::Histogram2D& h, const HprintSection& section) {
  ASSERT_FALSE(section.pages.empty());
  const HprintPage& box = section.pages[0];
  EXPECT_EQ(std::to_string(h.entries), box.entries2d);
  ASSERT_EQ(box.grid.size(), 3u);
  const hbook::RegionSums r = hbook::regionSums(h);
  for (int row = 0; row < 3; ++row) {
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(fortranBox(r.sum[2 - row][x]), box.grid[row][x]) << "row " << row << " column " << x;
  }
  std::vector<const hbook::Projection*> projections;
  for (const auto* list : {&h.projectionsX, &h.projectionsY, &h.slicesX, &h.slicesY, &h.bandsX, &h.bandsY}) {
    for (const hbook::Projection& p : *list) projections.push_back(&p);
  }
  ASSERT_EQ(section.pages.size(), projections.size() + 1);
  for (std::size_t k = 0; k < projections.size(); ++k) {
    const hbook::Projection& p = *projections[k];
    SCOPED_TRACE(p.name);
    const std::string& label = section.pages[k + 1].label;
    const char* kind = p.name[0] == 'P' ? "PROJECTION" : p.name[0] == 'S' ? "SLICE" : "BAND";
    EXPECT_EQ(label, std::string(kind) + (p.onX() ? " X" : " Y"));
    expectFigures(hbook::summarise(h, p), section.pages[k + 1]);
  }
}

class Printouts : public ::testing::TestWithParam<const char*> {};

TEST_P(Printouts, EveryFigureOfEveryObjectToThePrintedDigits) {
  const hbook::ReadResult file = hbook::readFile(testsupport::hprintedFile(GetParam()));
  const std::vector<HprintSection> sections = testsupport::readHprint(GetParam());
  std::set<std::pair<std::string, int>> printed;
  for (const HprintSection& section : sections) {
    SCOPED_TRACE(section.directory + " id " + std::to_string(section.id));
    printed.emplace(section.directory, section.id);
    const hbook::Directory* dir = nullptr;
    for (const hbook::Directory& d : file.directories) dir = d.path == section.directory ? &d : dir;
    ASSERT_NE(dir, nullptr);
    const hbook::ObjectRef* ref = dir->find(section.id);
    ASSERT_NE(ref, nullptr);
    switch (ref->kind) {
      case hbook::ObjectKind::Histogram1D: {
        const hbook::Summary s = hbook::summarise(dir->histograms[ref->index]);
        ASSERT_EQ(s.noEntries(), section.noEntries);
        if (!s.noEntries()) expectFigures(s, section.pages.back());
        break;
      }
      case hbook::ObjectKind::Profile:
        expectFigures(hbook::summarise(dir->profiles[ref->index]), section.pages.back());
        break;
      case hbook::ObjectKind::Histogram2D: expectHistogram2D(dir->histograms2d[ref->index], section); break;
      default: ADD_FAILURE() << "the package prints no ntuple";
    }
  }
  // The printout holds every histogram and profile of every directory.
  for (const hbook::Directory& d : file.directories) {
    for (const hbook::ObjectRef& o : d.objects) {
      const bool histogram = o.kind != hbook::ObjectKind::RowNtuple && o.kind != hbook::ObjectKind::ColumnNtuple;
      EXPECT_EQ(printed.count({d.path, o.id}), histogram ? 1u : 0u) << d.path << " " << o.id;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryPrintout, Printouts, ::testing::ValuesIn(testsupport::HPRINT_FILES),
                         [](const auto& info) { return testsupport::hprintTestName(info.param); });

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }
std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

const hbook::Histogram& histogram(const hbook::ReadResult& file, int id) {
  for (const hbook::Histogram& h : file.histograms)
    if (h.id == id) return h;
  throw std::runtime_error("no histogram " + std::to_string(id));
}

// Each case turns on one part of the rule: the narrow histogram 3006 at 83.2
// the single-precision products (in double the RMS comes out different in
// its third digit), 5018 the centre stepped from xmin - width/2 (a mean near
// 0 that is the sum of many cancelling products), 1001 the absolute
// weights, varbins 2 the centres of variable bins, a profile its bin means.
TEST(StatisticsBits, MeanAndRmsBitForBit) {
  const hbook::ReadResult run = hbook::readFile(testsupport::hprintedFile("run-853739"));
  const hbook::Summary narrow = hbook::summarise(histogram(run, 3006));
  EXPECT_EQ(bits(narrow.mean), 0x4054CCEF783A65CAULL);
  EXPECT_EQ(bits(narrow.rms), 0x3F84932B405213A5ULL);
  EXPECT_EQ(bits(narrow.inRange), 0x461CB800u);
  EXPECT_EQ(bits(narrow.binWidth), 0x3A0311ECu);
  const hbook::Summary centred = hbook::summarise(histogram(run, 5018));
  EXPECT_EQ(bits(centred.mean), 0xBF3401969C0D2235ULL);
  EXPECT_EQ(bits(centred.rms), 0x3FD9792FC07EDBB0ULL);

  const hbook::ReadResult mixed = hbook::readFile(testsupport::hprintedFile("mixed"));
  const hbook::Summary negative = hbook::summarise(histogram(mixed, 1001));
  EXPECT_EQ(bits(negative.mean), 0x3FFC34C57D4CA540ULL);
  EXPECT_EQ(bits(negative.rms), 0x400B42E05EA8CFB9ULL);
  EXPECT_EQ(bits(negative.inRange), 0x43D86194u);

  const hbook::ReadResult varbins = hbook::readFile(testsupport::hprintedFile("varbins"));
  const hbook::Summary variable = hbook::summarise(histogram(varbins, 2));
  EXPECT_EQ(bits(variable.mean), 0x402AEACDDEAF2989ULL);
  EXPECT_EQ(bits(variable.rms), 0x403571DF99677550ULL);
  EXPECT_EQ(bits(variable.binWidth), 0x409FD70Au);

  const hbook::ReadResult profp = hbook::readFile(testsupport::hprintedFile("profp"));
  const hbook::Summary profile = hbook::summarise(profp.directories[0].profiles.at(0));
  EXPECT_EQ(bits(profile.mean), 0x401A5C122EE259B5ULL);
  EXPECT_EQ(bits(profile.rms), 0x40026F5F25CC46B9ULL);
  EXPECT_EQ(bits(profile.inRange), 0x42C7FF5Eu);
  EXPECT_EQ(profile.underflow, 0.0f);  // printed as 0, whatever the raw channels hold
}

// One filled bin has an RMS only through the rounding of the products: 3 in
// bin 101 of 200 over 83.15..83.25 has its centre for mean, bit for bit, and
// the RMS sqrt(|fl(fl(3x)x)/3 - x^2|), 0 were the products exact.
TEST(StatisticsBits, OneFilledBinKeepsTheRoundingOfItsProducts) {
  hbook::Histogram h;
  h.nx = 200;
  h.xmin = 83.15f;
  h.xmax = 83.25f;
  h.entries = 3;
  h.channels.assign(202, 0.0f);
  h.channels[101] = 3.0f;
  const hbook::Summary s = hbook::summarise(h);
  EXPECT_EQ(bits(s.mean), 0x4054CCD6C0000000ULL);
  EXPECT_EQ(bits(s.rms), 0x3F838341E9EFE414ULL);
}

// The statistics box sums each region in single precision from the lowest y
// row up: id 21 of bandy prints 1240.076 where other orders give 1240.077.
TEST(StatisticsBits, RegionSumsInTheOrderOfThePrintout) {
  const hbook::ReadResult bandy = hbook::readFile(testsupport::hprintedFile("bandy"));
  const hbook::Histogram2D& h = bandy.directories[0].histograms2d.at(1);
  EXPECT_EQ(bits(hbook::regionSums(h).sum[1][1]), 0x449B0272u);
  EXPECT_EQ(fortranBox(hbook::regionSums(h).sum[1][1]), " 1240.076");
}

// golden-run's 100 is lam's spectrum after the sampler integrated it: its
// increments are the spectrum again, normalised, with lam's printed figures.
TEST(Increments, RecoverTheSampledSpectrum) {
  const hbook::ReadResult lam = hbook::readFile(DATA_DIR + "lam.hbook");
  const hbook::ReadResult run = hbook::readFile(DATA_DIR + "golden-run.hbook");
  const hbook::Histogram spectrum = histogram(lam, 100);
  const hbook::Histogram steps = hbook::increments(histogram(run, 100));
  const hbook::Summary s = hbook::summarise(steps);
  EXPECT_EQ(fortranE4(s.mean), "0.5505E+01");
  EXPECT_EQ(fortranE4(s.rms), "0.2461E+01");
  EXPECT_FALSE(s.cumulative());
  float total = 0.0f;
  for (int i = 1; i <= spectrum.nx; ++i) total += spectrum.content(i);
  for (int i = 1; i <= spectrum.nx; ++i) EXPECT_NEAR(steps.content(i), spectrum.content(i) / total, 2e-7) << i;
  EXPECT_EQ(hbook::increments(spectrum).channels, spectrum.channels);
  // The running sum's underflow and overflow channels are no part of the
  // distribution.
  hbook::Histogram sum = spectrum;
  sum.nx = 3;
  sum.channels = {5.0f, 0.25f, 0.5f, 1.0f, 7.0f};
  sum.entries = -1;
  EXPECT_EQ(hbook::increments(sum).channels, (std::vector<float>{0.0f, 0.25f, 0.25f, 0.5f, 0.0f}));
}

}  // namespace
