// The result histograms added up in double precision (resultsums.h): the
// same contents as filling straight through while counts are below 2^24,
// the right counts beyond it, and each rank's results carried and added
// in rank order.
#include <gtest/gtest.h>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "hbook/merge.h"
#include "transport/event/catalogue.h"
#include "transport/run/resultsums.h"

namespace {

class ResultSumsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hbook::memory().clear();
    tarn::bookResultHistograms();
  }
  void TearDown() override { hbook::memory().clear(); }
  static hbook::Histogram& h(int id) { return *hbook::memory().find(id); }
};

}  // namespace

TEST_F(ResultSumsTest, CollectAndWriteBackGiveTheContentsFilledStraightThrough) {
  for (int i = 0; i < 5000; ++i) {
    HF1(3001, static_cast<float>(i % 97) * 0.07f - 3.4f, 1.0f);
    HF1(4010, static_cast<float>(i % 13) * 0.1f, 1.0f);
    HF1(5022, -1.0f, 1.0f);  // underflow
  }
  const std::vector<float> before3001 = h(3001).channels, before5022 = h(5022).channels;
  tarn::ResultSums sums;
  sums.collect();
  EXPECT_EQ(h(3001).entries, 0);
  for (float c : h(3001).channels) EXPECT_EQ(c, 0.0f);
  sums.writeBack();
  EXPECT_EQ(h(3001).channels, before3001);
  EXPECT_EQ(h(5022).channels, before5022);
  EXPECT_EQ(h(3001).entries, 5000);
  EXPECT_EQ(h(4010).entries, 5000);
}

TEST_F(ResultSumsTest, CountsGoOnPastTwoToTheTwentyFour) {
  // 2^24 fills and three more into one bin: a single-precision channel
  // stops at 2^24, the sums do not (and round to the nearest float once).
  constexpr int ONE_CHUNK = 1 << 23;
  tarn::ResultSums sums;
  for (int chunk = 0; chunk < 2; ++chunk) {
    for (int i = 0; i < ONE_CHUNK; ++i) HF1(4017, 1.0f, 1.0f);
    sums.collect();
  }
  for (int i = 0; i < 3; ++i) HF1(4017, 1.0f, 1.0f);
  sums.collect();
  sums.writeBack();
  const int bin = hbook::Store::channelOf(h(4017), 1.0f);
  EXPECT_EQ(h(4017).channels[bin], 16777220.0f);  // 2^24 + 3, rounded to single precision
  EXPECT_EQ(h(4017).entries, (1 << 24) + 3);
  float stuck = 16777216.0f;
  for (int i = 0; i < 3; ++i) stuck += 1.0f;
  EXPECT_EQ(stuck, 16777216.0f);  // what filling straight through would have left
  EXPECT_EQ(hbook::entriesWord(std::int64_t{1} << 40), 2147483647);
}

TEST_F(ResultSumsTest, RankResultsAddUpInRankOrder) {
  // Rank 0's own sums, then ranks 1 and 2 packed as they would travel.
  std::vector<tarn::ResultSums> rank(3);
  std::vector<tarn::ResultSums::RankResults> results(3);
  for (int r = 0; r < 3; ++r) {
    for (int i = 0; i <= r * 10; ++i) HF1(3005, 0.5f + static_cast<float>(r), 1.0f);
    rank[r].collect();
    results[r].counters.nDetIn = 100 + r;
    results[r].counters.nTar1In = std::int64_t{3000000000} * (r + 1);
    results[r].nNoTransfer = r;
    results[r].console = r == 2 ? " a diagnostic\n" : "";
  }
  tarn::ResultSums::RankResults totals = results[0];
  std::string consoles;
  for (int r = 1; r < 3; ++r) consoles += rank[0].addPacked(rank[r].pack(results[r]), totals);
  EXPECT_EQ(totals.counters.nDetIn, 303);
  EXPECT_EQ(totals.counters.nTar1In, 18000000000);
  EXPECT_EQ(totals.nNoTransfer, 3);
  EXPECT_EQ(consoles, " a diagnostic\n");
  rank[0].writeBack();
  const hbook::Histogram& e = h(3005);
  EXPECT_EQ(e.entries, 1 + 11 + 21);
  EXPECT_EQ(e.channels[hbook::Store::channelOf(e, 0.5f)], 1.0f);
  EXPECT_EQ(e.channels[hbook::Store::channelOf(e, 1.5f)], 11.0f);
  EXPECT_EQ(e.channels[hbook::Store::channelOf(e, 2.5f)], 21.0f);

  tarn::RankGroup::Bytes damaged = rank[1].pack(results[1]);
  damaged.resize(damaged.size() / 2);
  EXPECT_THROW(rank[0].addPacked(damaged, totals), std::runtime_error);
}
