// dump --all of the files the real library wrote in the layouts beyond the
// first golden files (tests/data/hbook/layouts: variable bins, Y bands,
// profile option P, packed REAL columns, memory-resident row-wise ntuples
// over several buffers, packed projections, cycles, three directory levels,
// HBARX, packed 1-D) equals the package's own dumps: the small ones line for
// line, the two large ones by byte count and FNV-1a hash and line for line
// on a trimmed copy. The package's dumps of these files print the channel
// number of CELL and PCH lines one column narrower (I6) than its dumps of the
// first golden files (I7), which this reader follows; that column is widened
// on their side before comparing. Nothing of these files is skipped.
#include <gtest/gtest.h>

#include "hbook/rz/reader.h"
#include "support/files.h"
#include "support/hbookdumps.h"

namespace {

using testsupport::dumpOf;
using testsupport::normalised;
using testsupport::startsWith;
using testsupport::trimmed;

const std::string LAYOUTS = std::string(TARN_TEST_DATA) + "/hbook/layouts/";

// The channel number of CELL and PCH lines in the I7 of the first dumps.
std::string widened(const std::string& dump) {
  std::istringstream in(dump);
  std::string out;
  for (std::string line; std::getline(in, line);) {
    if (startsWith(line, "CELL ")) {
      line.insert(4, " ");
    } else if (startsWith(line, "PCH ")) {
      line.insert(line.find(' ', 4), " ");
    }
    out += line + "\n";
  }
  return out;
}

class SmallLayoutDumps : public ::testing::TestWithParam<const char*> {};

TEST_P(SmallLayoutDumps, LineForLine) {
  const std::string file = LAYOUTS + GetParam() + ".hbook";
  const std::string expected = testsupport::readText(file + ".dump.txt");
  ASSERT_FALSE(expected.empty()) << file;
  EXPECT_EQ(normalised(dumpOf(file), false), widened(normalised(expected, false)));
  EXPECT_TRUE(hbook::readFile(file).skipped.empty());
}

INSTANTIATE_TEST_SUITE_P(Layouts, SmallLayoutDumps,
                         ::testing::Values("varbins", "bandy", "profp", "packproj", "packed1d", "hbarx", "cycles",
                                           "deepdirs"));

struct Large {
  const char* file;
  std::size_t bytes;   // of the package's dump without READER and ROWS
  std::uint64_t hash;  // FNV-1a of the same
};

class LargeLayoutDumps : public ::testing::TestWithParam<Large> {};

TEST_P(LargeLayoutDumps, WholeDumpByHashTrimmedCopyLineForLine) {
  const Large& c = GetParam();
  const std::string file = LAYOUTS + c.file + ".hbook";
  const std::string ours = normalised(dumpOf(file), false);
  const std::string trim = testsupport::readText(file + ".dump.trim.txt");
  ASSERT_FALSE(trim.empty()) << c.file;
  EXPECT_EQ(trimmed(ours), normalised(trim, false));
  EXPECT_EQ(ours.size(), c.bytes);
  EXPECT_EQ(testsupport::fnv1a(ours), c.hash);
  EXPECT_TRUE(hbook::readFile(file).skipped.empty());
}

INSTANTIATE_TEST_SUITE_P(Layouts, LargeLayoutDumps,
                         ::testing::Values(Large{"cwnpack", 719807, 0xf3f38d8c79b79241ULL},
                                           Large{"rwnmem", 171252, 0x9acf28e51fbc45f6ULL}));

// What the layouts add, value by value where a mistake would not show in a
// dump of floats: the bin edges of variable bins, the Y bands' place among
// the projections, the packed counts of projections.
TEST(Layouts, VariableEdgesYBandsAndPackedProjectionsAsStored) {
  const hbook::ReadResult varbins = hbook::readFile(LAYOUTS + "varbins.hbook");
  const hbook::Histogram& h = varbins.histograms.at(0);
  EXPECT_EQ(h.edges, (std::vector<float>{0, 0.5f, 1, 2, 4, 7, 10}));
  EXPECT_EQ(h.lowEdge(6), 7.0f);
  EXPECT_EQ(h.highEdge(6), 10.0f);
  EXPECT_EQ(h.binWidth(), 10.0f / 6.0f);  // HPRINT's BIN WID: the mean width

  const hbook::ReadResult bandyFile = hbook::readFile(LAYOUTS + "bandy.hbook");
  const hbook::Histogram2D& bandy = bandyFile.directories[0].histograms2d.at(1);
  ASSERT_EQ(bandy.bandsY.size(), 3u);
  EXPECT_EQ(bandy.bandsY[2].name, "BANY03");
  EXPECT_EQ(bandy.bandsY[2].low, -5.0f);
  EXPECT_EQ(bandy.bandsY[2].channels.size(), static_cast<std::size_t>(bandy.ny) + 2);
  EXPECT_FALSE(bandy.bandsY[2].onX());
  EXPECT_TRUE(bandy.bandsX.at(0).onX());

  // id 60's PROX: 8 bits a channel, word 9 = 0x5A6D6226 holds channels 0-3 from the low byte up.
  const hbook::ReadResult packproj = hbook::readFile(LAYOUTS + "packproj.hbook");
  const hbook::Histogram2D& packed = packproj.directories[0].histograms2d.at(0);
  const hbook::Projection& prox = packed.projectionsX.at(0);
  EXPECT_EQ(prox.nbit, 8);
  EXPECT_EQ(std::vector<float>(prox.channels.begin(), prox.channels.begin() + 4),
            (std::vector<float>{38, 98, 109, 90}));
  EXPECT_EQ(prox.channels[8], 96.0f);
  EXPECT_EQ(prox.channels[9], 58.0f);
  for (float c : packed.slicesX.at(0).channels) EXPECT_EQ(c, 15.0f);  // VMX 15: saturated counts
}

}  // namespace
