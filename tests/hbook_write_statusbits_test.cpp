// The status word (KBITS) the writer stores: an object's own bits, with
// those saying what it is and holds set from what it holds, so that a copy
// of a file whose bits disagree with its banks says what the copy holds.
#include <gtest/gtest.h>

#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"
#include "support/smallobjects.h"

namespace {

using testsupport::histogram;
using testsupport::oneObjectFile;
using testsupport::twoBinProfile;

hbook::Histogram2D oneCell(std::uint32_t kbits) {
  hbook::Histogram2D g;
  g.id = 2;
  g.kbits = kbits;
  g.nx = g.ny = 1;
  g.xmax = g.ymax = 1.0f;
  g.cells.assign(9, 0.0f);
  return g;
}

hbook::Projection projection(const char* name) {
  hbook::Projection p;
  p.name = name;
  p.channels.assign(3, 1.0f);
  return p;
}

std::uint32_t writtenAndRead2D(const hbook::Histogram2D& g) {
  const hbook::ReadResult r = oneObjectFile(hbook::ObjectKind::Histogram2D, g.id,
                                            [&](hbook::Directory& d) { d.histograms2d.push_back(g); });
  return hbook::readMemory("g.hbook", hbook::fileImage(r.directories, {})).directories[0].histograms2d.at(0).kbits;
}

TEST(StoredStatusBits, TwoDimensionalHistogramsSayTheyHoldProjections) {
  hbook::Histogram2D g = oneCell(0x2);
  EXPECT_EQ(hbook::storedStatusBits(g), 0x2u);
  EXPECT_EQ(writtenAndRead2D(g), 0x2u);
  // Bit 8 for each kind of projection banks, whichever is the only one.
  const auto with = [](auto set) {
    hbook::Histogram2D h = oneCell(0x2);
    set(h);
    return hbook::storedStatusBits(h);
  };
  EXPECT_EQ(with([](hbook::Histogram2D& h) { h.projectionsX = {projection("PROX")}; }), 0x82u);
  EXPECT_EQ(with([](hbook::Histogram2D& h) { h.projectionsY = {projection("PROY")}; }), 0x82u);
  EXPECT_EQ(with([](hbook::Histogram2D& h) { h.slicesX = {projection("SLIX01")}; }), 0x82u);
  EXPECT_EQ(with([](hbook::Histogram2D& h) { h.slicesY = {projection("SLIY01")}; }), 0x82u);
  EXPECT_EQ(with([](hbook::Histogram2D& h) { h.bandsX = {projection("BANX01")}; }), 0x82u);
  EXPECT_EQ(with([](hbook::Histogram2D& h) { h.bandsY = {projection("BANY01")}; }), 0x82u);
  g.projectionsX = {projection("PROX")};
  EXPECT_EQ(writtenAndRead2D(g), 0x82u);
  // A table keeps bit 3 and gets no scatter bit; other bits are kept.
  EXPECT_EQ(hbook::storedStatusBits(oneCell(0x4)), 0x4u);
  EXPECT_EQ(hbook::storedStatusBits(oneCell(0x0)), 0x2u);
  EXPECT_EQ(hbook::storedStatusBits(oneCell(0x10002)), 0x10002u);
}

TEST(StoredStatusBits, ProfilesCarryBitsOneEightAndNine) {
  hbook::Profile p = twoBinProfile(3);
  p.kbits = 0x81;
  EXPECT_EQ(hbook::storedStatusBits(p), 0x181u);
  const hbook::ReadResult r =
      oneObjectFile(hbook::ObjectKind::Profile, 3, [&](hbook::Directory& d) { d.profiles.push_back(p); });
  EXPECT_EQ(hbook::readMemory("p.hbook", hbook::fileImage(r.directories, {})).directories[0].profiles.at(0).kbits, 0x181u);
}

TEST(StoredStatusBits, OneDimensionalBitsFollowErrorsAndBinEdges) {
  hbook::Histogram h = histogram(1, 2);
  h.kbits = 0x1 | 0x100 | 0x20 | 0x8000;  // errors and bin edges claimed, neither held
  EXPECT_EQ(hbook::storedStatusBits(h), 0x8001u);
  h.kbits = 0;
  h.sumw2 = {1.0f, 1.0f};
  EXPECT_EQ(hbook::storedStatusBits(h), 0x101u);
  h.edges = {0.0f, 0.5f, 2.0f};
  EXPECT_EQ(hbook::storedStatusBits(h), 0x121u);
}

}  // namespace
