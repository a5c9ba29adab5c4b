// What the blocks of a run add up to (runsums.h): the contents filled
// straight through while below 2^24 and the right counts beyond; every
// counter and every word of a histogram, each with a value of its own,
// through the bytes between processes and added in any grouping to the
// same bits; the sampler's histograms as the latest block left them.
#include <gtest/gtest.h>

#include <algorithm>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "hbook/merge.h"
#include "transport/event/catalogue.h"
#include "transport/run/runsums.h"

namespace {

class RunSumsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hbook::memory().clear();
    tarn::bookResultHistograms();
  }
  void TearDown() override { hbook::memory().clear(); }
  static hbook::Histogram& h(int id) { return *hbook::memory().find(id); }

  // Block `b`'s results, every counter and every word of histograms 3001
  // and 4010 different from each other and from those of any other block.
  static tarn::RunSums block(std::int64_t b) {
    hbook::Histogram& x = h(3001);
    for (std::size_t i = 0; i < x.channels.size(); ++i) x.channels[i] = static_cast<float>(1000 * b + 3 * i + 1);
    x.entries = static_cast<std::int32_t>(7000 + b);
    x.statSumW = 11.0f + b;
    x.statSumW2 = 13.0f + 2 * b;
    x.statSumWX = 17.0 + 3 * b;
    x.statSumWX2 = 19.0 + 5 * b;
    h(4010).channels[5] = 23.0f + b;
    h(4010).entries = static_cast<std::int32_t>(29 + b);
    tarn::Counters c;
    c.nTar1In = 101 + b;
    c.nScatTar1 = 203 + b;
    c.nTar2In = 307 + b;
    c.nScatTar2 = 401 + b;
    c.nLowEnergy = 503 + b;
    c.nTar1ToTar2 = 601 + b;
    c.nDetIn = 701 + b;
    c.nScatAtDet = 809 + b;
    c.nDetEChanged = 907 + b;
    tarn::RunSums s;
    s.collectBlock(b, c, 31 + b);
    return s;
  }
};

tarn::RunSums throughBytes(const tarn::RunSums& s) {
  tarn::ByteWriter out;
  s.encode(out);
  tarn::ByteReader in(out.bytes(), "test");
  tarn::RunSums back = tarn::RunSums::decode(in);
  EXPECT_TRUE(in.atEnd());
  return back;
}

}  // namespace

TEST_F(RunSumsTest, CollectAndInstallGiveTheContentsFilledStraightThrough) {
  for (int i = 0; i < 5000; ++i) {
    HF1(3001, static_cast<float>(i % 97) * 0.07f - 3.4f, 1.0f);
    HF1(4010, static_cast<float>(i % 13) * 0.1f, 1.0f);
    HF1(5022, -1.0f, 1.0f);  // underflow
  }
  const std::vector<float> before3001 = h(3001).channels, before5022 = h(5022).channels;
  tarn::RunSums sums;
  sums.collectBlock(0, tarn::Counters{}, 0);
  EXPECT_EQ(h(3001).entries, 0);
  for (float c : h(3001).channels) EXPECT_EQ(c, 0.0f);
  sums.install();
  EXPECT_EQ(h(3001).channels, before3001);
  EXPECT_EQ(h(5022).channels, before5022);
  EXPECT_EQ(h(3001).entries, 5000);
  EXPECT_EQ(h(4010).entries, 5000);
  EXPECT_EQ(sums.blocks().text(), "0");
}

TEST_F(RunSumsTest, CountsGoOnPastTwoToTheTwentyFour) {
  // 2^24 fills and three more into one bin over three blocks: a
  // single-precision channel stops at 2^24, the sums do not (and round to
  // the nearest float once).
  constexpr int ONE_CHUNK = 1 << 23;
  tarn::RunSums sums;
  // Each block's moments (which the fills leave alone) too, one bit each.
  const double moments[3] = {0.5, 0.25, 0.125};
  for (int chunk = 0; chunk < 2; ++chunk) {
    for (int i = 0; i < ONE_CHUNK; ++i) HF1(4017, 1.0f, 1.0f);
    h(4017).statSumWX = h(4017).statSumWX2 = moments[chunk];
    sums.collectBlock(chunk, tarn::Counters{}, 0);
  }
  for (int i = 0; i < 3; ++i) HF1(4017, 1.0f, 1.0f);
  h(4017).statSumWX = h(4017).statSumWX2 = moments[2];
  sums.collectBlock(2, tarn::Counters{}, 0);
  sums.install();
  EXPECT_EQ(h(4017).statSumWX, 0.875);
  EXPECT_EQ(h(4017).statSumWX2, 0.875);
  const int bin = hbook::Store::channelOf(h(4017), 1.0f);
  EXPECT_EQ(h(4017).channels[bin], 16777220.0f);  // 2^24 + 3, rounded to single precision
  EXPECT_EQ(h(4017).entries, (1 << 24) + 3);
  float stuck = 16777216.0f;
  for (int i = 0; i < 3; ++i) stuck += 1.0f;
  EXPECT_EQ(stuck, 16777216.0f);  // what filling straight through would have left
  EXPECT_EQ(hbook::entriesWord(std::int64_t{1} << 40), 2147483647);
  // The file's record keeps the exact value the float cannot hold.
  const tarn::FileRecord record = sums.fileRecord(tarn::RunIdentity(1, 300000, "auto", tarn::BlockSet::range(0, 2)));
  ASSERT_EQ(record.exact.size(), 1u);
  EXPECT_EQ(record.exact[0].id, 4017);
  EXPECT_EQ(record.exact[0].channel, bin);
  EXPECT_EQ(record.exact[0].value, 16777219.0);
}

TEST_F(RunSumsTest, EveryCounterAndWordKeepsItsPlaceThroughTheBytes) {
  const tarn::RunSums a = block(3);
  const tarn::RunSums back = throughBytes(a);
  EXPECT_EQ(back, a);
  const tarn::Counters& c = back.counters;
  const std::int64_t got[] = {c.nTar1In,    c.nScatTar1, c.nTar2In,     c.nScatTar2,  c.nLowEnergy,
                              c.nTar1ToTar2, c.nDetIn,   c.nScatAtDet, c.nDetEChanged, back.nNoTransfer};
  const std::int64_t want[] = {104, 206, 310, 404, 506, 604, 704, 812, 910, 34};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(got[i], want[i]) << "counter " << i;
  back.install();
  EXPECT_EQ(h(3001).entries, 7003);
  EXPECT_EQ(h(3001).statSumW, 14.0f);
  EXPECT_EQ(h(3001).statSumW2, 19.0f);
  EXPECT_EQ(h(3001).statSumWX, 26.0);
  EXPECT_EQ(h(3001).statSumWX2, 34.0);
  for (std::size_t i = 0; i < h(3001).channels.size(); ++i) EXPECT_EQ(h(3001).channels[i], 3001.0f + 3 * i) << i;
  EXPECT_EQ(h(4010).channels[5], 26.0f);
  EXPECT_EQ(h(4010).entries, 32);

  tarn::ByteWriter out;
  a.encode(out);
  for (std::size_t cut : {out.bytes().size() / 2, out.bytes().size() - 1, std::size_t{3}}) {
    tarn::ByteReader in(out.bytes().data(), cut, "cut");
    EXPECT_THROW(tarn::RunSums::decode(in), std::runtime_error) << cut;
  }
}

TEST_F(RunSumsTest, AnyGroupingOfBlocksGivesTheSameBits) {
  std::vector<tarn::RunSums> blocks;
  for (std::int64_t b = 0; b < 6; ++b) blocks.push_back(block(b));
  // One process in order; workers in the order their blocks came; two
  // ranks of alternate blocks; a checkpoint of three and the rest.
  tarn::RunSums inOrder, arrived, rankA, rankB, checkpoint, resumed;
  for (const auto& s : blocks) inOrder.add(s);
  for (int b : {2, 0, 5, 1, 4, 3}) arrived.add(blocks[b]);
  for (int b = 0; b < 6; ++b) (b % 2 ? rankB : rankA).add(blocks[b]);
  rankA.add(throughBytes(rankB));
  for (int b : {0, 1, 3}) checkpoint.add(blocks[b]);
  resumed = throughBytes(checkpoint);
  for (int b : {5, 2, 4}) resumed.add(blocks[b]);
  EXPECT_EQ(arrived, inOrder);
  EXPECT_EQ(rankA, inOrder);
  EXPECT_EQ(resumed, inOrder);
  EXPECT_EQ(inOrder.blocks().text(), "0-5");
  EXPECT_EQ(inOrder.counters.nScatAtDet, 6 * 809 + 15);
  EXPECT_EQ(inOrder.histograms()[0].id, tarn::RESULT_HISTOGRAMS[0].id);
  // A block twice is a fault, never a sum.
  EXPECT_THROW(inOrder.add(blocks[4]), std::logic_error);
  tarn::RunSums twice = block(9);
  EXPECT_THROW(twice.collectBlock(9, tarn::Counters{}, 0), std::logic_error);
}

TEST_F(RunSumsTest, TheSamplersHistogramsAreTheLatestBlocks) {
  auto copyBlock = [](std::int64_t b, bool downFirst, bool withDown) {
    hbook::Store& m = hbook::memory();
    for (std::int32_t id : tarn::WORKING_COPIES)
      if (m.find(id)) m.remove(id);
    auto make = [&](std::int32_t id) {
      m.book(id, "S(q)", 3, 0.0f, 0.12f);
      m.find(id)->channels[1] = static_cast<float>(b);
      m.find(id)->entries = -1;
    };
    if (downFirst && withDown) make(tarn::hid::SQ_COPY_DOWN);
    make(tarn::hid::SQ_COPY_UP);
    if (!downFirst && withDown) make(tarn::hid::SQ_COPY_DOWN);
    tarn::RunSums s;
    s.collectBlock(b, tarn::Counters{}, 0);
    return s;
  };
  // Block 4 made 402 and then 302; block 5 made only 302.
  tarn::RunSums early = copyBlock(4, true, true), late = copyBlock(5, false, false);
  tarn::RunSums total;
  total.add(late);
  total.add(early);
  hbook::memory().book(tarn::hid::SQ_COPY_DOWN, "stale, from a block that was dropped", 2, 0.0f, 1.0f);
  total.install();
  const hbook::Histogram* up = hbook::memory().find(tarn::hid::SQ_COPY_UP);
  const hbook::Histogram* down = hbook::memory().find(tarn::hid::SQ_COPY_DOWN);
  ASSERT_TRUE(up && down);
  EXPECT_EQ(up->channels[1], 5.0f);
  EXPECT_EQ(down->channels[1], 4.0f);
  EXPECT_EQ(down->title, "S(q)");
  // The file's order: 402 (block 4) before 302 (block 5), after everything else.
  const auto all = hbook::memory().all();
  EXPECT_EQ(all[all.size() - 2]->id, tarn::hid::SQ_COPY_DOWN);
  EXPECT_EQ(all.back()->id, tarn::hid::SQ_COPY_UP);
  const tarn::FileRecord record = total.fileRecord(tarn::RunIdentity(1, 600000, "auto", tarn::BlockSet::range(4, 5)));
  ASSERT_EQ(record.copies.size(), 2u);
  EXPECT_EQ(record.copies[0].id, tarn::hid::SQ_COPY_DOWN);
  EXPECT_EQ(record.copies[0].block, 4);
  EXPECT_EQ(record.copies[1].id, tarn::hid::SQ_COPY_UP);
  EXPECT_EQ(record.copies[1].block, 5);
}

// The message of what `f` throws, or "" when it returns.
template <typename F>
std::string thrown(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

// A block is added once; results of other histograms, or of another binning,
// are refused by name.
TEST_F(RunSumsTest, BlocksTwiceAndResultsThatDoNotMatchAreNamed) {
  tarn::RunSums sums = block(3);
  EXPECT_EQ(thrown([&] { sums.collectBlock(3, tarn::Counters{}, 0); }), "block 3 added twice");
  EXPECT_EQ(sums.blocks().text(), "3");
  tarn::RunSums two = block(2);
  two.add(block(4));
  EXPECT_EQ(thrown([&] { sums.add(two); }), "");
  EXPECT_EQ(sums.blocks().text(), "2-4");
  tarn::RunSums again = block(4);
  again.add(block(5));
  EXPECT_EQ(thrown([&] { sums.add(again); }), "blocks 4 added twice");
  EXPECT_EQ(thrown([&] { sums.add(tarn::RunSums{}); }), "");  // nothing to add

  tarn::RunSums other = block(7);
  other.histograms()[1].id = 4999;
  tarn::RunSums eight = block(8);
  EXPECT_EQ(thrown([&] { eight.add(other); }),
            "other results hold histogram 4999 in the place of " + std::to_string(eight.histograms()[1].id));
  other = block(7);
  other.histograms()[0].channels.pop_back();
  eight = block(8);
  EXPECT_EQ(thrown([&] { eight.add(other); }), "histogram " + std::to_string(eight.histograms()[0].id) +
                                                   " has another number of channels in other results");
  other = block(7);
  other.histograms().pop_back();
  eight = block(8);
  EXPECT_EQ(thrown([&] { eight.add(other); }), "other results hold " + std::to_string(other.histograms().size()) +
                                                   " result histograms, not " +
                                                   std::to_string(eight.histograms().size()));

  ASSERT_TRUE(hbook::memory().remove(3001));
  ASSERT_TRUE(hbook::memory().book(3001, "x", 7, 0.0f, 1.0f));
  EXPECT_EQ(thrown([&] { sums.collectBlock(9, tarn::Counters{}, 0); }), "result histogram 3001 changed its binning");
  ASSERT_TRUE(hbook::memory().remove(3001));
  EXPECT_EQ(thrown([&] { tarn::RunSums{}.collectBlock(9, tarn::Counters{}, 0); }),
            "result histogram 3001 is not booked");
}

// A refused add changes nothing: the blocks, counters, histograms and
// ntuple record stay as they were, whatever the reason, wherever in the
// histograms the mismatch lies, and the sums can still be added to.
TEST_F(RunSumsTest, ARefusedAddLeavesTheSumsAsTheyWere) {
  tarn::RunSums eight = block(8);
  eight.detected = tarn::DetectedRecord(tarn::NtupleChoice::Detected, 20);
  const tarn::RunSums before = eight;
  std::vector<tarn::RunSums> refused;
  refused.push_back(block(8));  // a block in common
  const std::size_t last = eight.histograms().size() - 1;
  for (std::size_t k : {std::size_t{0}, last}) {
    tarn::RunSums wrongId = block(7);
    wrongId.histograms()[k].id = 4999;
    refused.push_back(wrongId);
    tarn::RunSums fewerChannels = block(7);
    fewerChannels.histograms()[k].channels.pop_back();
    refused.push_back(fewerChannels);
    tarn::RunSums otherErrors = block(7);
    otherErrors.histograms()[k].sumw2.push_back(1.0);
    refused.push_back(otherErrors);
  }
  tarn::RunSums fewerHistograms = block(7);
  fewerHistograms.histograms().pop_back();
  refused.push_back(fewerHistograms);
  tarn::RunSums otherCap = block(7);
  otherCap.detected = tarn::DetectedRecord(tarn::NtupleChoice::Detected, 10);
  refused.push_back(otherCap);
  for (std::size_t n = 0; n < refused.size(); ++n) {
    EXPECT_NE(thrown([&] { eight.add(refused[n]); }), "") << n;
    EXPECT_TRUE(eight == before) << "refused add " << n << " changed the sums";
  }
  tarn::RunSums seven = block(7);
  seven.detected = tarn::DetectedRecord(tarn::NtupleChoice::Detected, 20);
  EXPECT_EQ(thrown([&] { eight.add(seven); }), "");
  EXPECT_EQ(eight.blocks().text(), "7-8");
  EXPECT_EQ(eight.counters.nDetIn, before.counters.nDetIn + seven.counters.nDetIn);
}

// A sampler histogram's words through the bytes, each with a value of its
// own, and one whose channels do not fit its bins refused at its end.
TEST(RunSumsHistogramBytes, EveryWordBackAndChannelsThatDoNotFitRefused) {
  hbook::Histogram h;
  h.id = 107;
  h.title = "copy";
  h.nx = 3;
  h.xmin = -1.5f;
  h.xmax = 4.25f;
  h.kbits = 0x80000003u;
  h.minimum = -2.0f;
  h.maximum = 9.5f;
  h.norm = 0.75f;
  h.entries = -1;
  h.statSumW = 3.5f;
  h.statSumW2 = 5.25f;
  h.statSumWX = 7.125;
  h.statSumWX2 = 11.0625;
  h.channels = {1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
  h.readFromFile = true;
  h.markedAsRead = false;
  const auto through = [](const hbook::Histogram& x, std::string& refusal) {
    tarn::ByteWriter out;
    tarn::encodeHistogram(out, x);
    tarn::ByteReader in(out.bytes(), "worker 2");
    refusal.clear();
    try {
      hbook::Histogram back = tarn::decodeHistogram(in);
      EXPECT_TRUE(in.atEnd());
      return back;
    } catch (const std::runtime_error& e) {
      refusal = e.what();
      refusal += " of " + std::to_string(out.bytes().size());
    }
    return hbook::Histogram{};
  };
  std::string refusal;
  hbook::Histogram back = through(h, refusal);
  EXPECT_EQ(refusal, "");
  EXPECT_EQ(back.id, 107);
  EXPECT_EQ(back.title, "copy");
  EXPECT_EQ(back.nx, 3);
  EXPECT_EQ(back.xmin, -1.5f);
  EXPECT_EQ(back.xmax, 4.25f);
  EXPECT_EQ(back.kbits, 0x80000003u);
  EXPECT_EQ(back.minimum, -2.0f);
  EXPECT_EQ(back.maximum, 9.5f);
  EXPECT_EQ(back.norm, 0.75f);
  EXPECT_EQ(back.entries, -1);
  EXPECT_EQ(back.statSumW, 3.5f);
  EXPECT_EQ(back.statSumW2, 5.25f);
  EXPECT_EQ(back.statSumWX, 7.125);
  EXPECT_EQ(back.statSumWX2, 11.0625);
  EXPECT_EQ(back.channels, h.channels);
  EXPECT_TRUE(back.sumw2.empty());
  EXPECT_TRUE(back.readFromFile);
  EXPECT_FALSE(back.markedAsRead);
  h.readFromFile = false;
  h.markedAsRead = true;
  h.sumw2 = {0.5f, 1.5f, 2.5f};  // one a bin
  back = through(h, refusal);
  EXPECT_EQ(refusal, "");
  EXPECT_FALSE(back.readFromFile);
  EXPECT_TRUE(back.markedAsRead);
  EXPECT_EQ(back.sumw2, h.sumw2);

  hbook::Histogram bad = h;
  bad.sumw2.push_back(3.5f);
  through(bad, refusal);
  EXPECT_EQ(refusal, "worker 2: histogram 107 has channels that do not fit its bins at byte 212 of 212");
  bad = h;
  bad.sumw2.pop_back();
  through(bad, refusal);
  EXPECT_EQ(refusal, "worker 2: histogram 107 has channels that do not fit its bins at byte 196 of 196");
  bad = h;
  bad.channels.pop_back();
  through(bad, refusal);
  EXPECT_EQ(refusal, "worker 2: histogram 107 has channels that do not fit its bins at byte 196 of 196");
  bad = h;
  bad.channels.push_back(6.0f);
  through(bad, refusal);
  EXPECT_EQ(refusal, "worker 2: histogram 107 has channels that do not fit its bins at byte 212 of 212");
  bad = h;
  bad.nx = 0;
  bad.channels = {1.0f, 2.0f};
  bad.sumw2.clear();
  through(bad, refusal);
  EXPECT_EQ(refusal, "worker 2: histogram 107 has channels that do not fit its bins at byte 156 of 156");
}
