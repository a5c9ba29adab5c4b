// How a run is cut into blocks and the blocks shared among ranks, and where
// the histogram sampler takes its numbers (sampler.h): RNDM in block 0, each
// later block's own stream, never RNDM beyond its period.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "ranlux/blockstreams.h"
#include "ranlux/ranlux.h"
#include "support/runs.h"
#include "transport/run/parallel/launcher.h"
#include "transport/run/blocks.h"
#include "transport/run/parallel/ranks.h"
#include "transport/run/sampler.h"


TEST(RunBlocks, EveryEventInExactlyOneBlockTheLastOneShorter) {
  EXPECT_EQ(tarn::blockCount(1), 1);
  EXPECT_EQ(tarn::blockCount(100000), 1);
  EXPECT_EQ(tarn::blockCount(100001), 2);
  EXPECT_EQ(tarn::blockCount(250000), 3);
  EXPECT_EQ(tarn::eventsOfBlock(250000, 0).first, 1);
  EXPECT_EQ(tarn::eventsOfBlock(250000, 1).first, 100001);
  EXPECT_EQ(tarn::eventsOfBlock(250000, 2).last, 250000);
  EXPECT_EQ(tarn::eventsOfBlock(250000, 2).count(), 50000);
  EXPECT_EQ(tarn::eventsOfBlock(100001, 1).count(), 1);
  EXPECT_EQ(tarn::BlockSet::range(1, 2).events(250000), 150000);
  EXPECT_EQ(tarn::BlockSet::range(0, 0).events(7), 7);
}

TEST(RunBlocks, BlockSetsKeepSortedRangesAndReadBackTheirText) {
  tarn::BlockSet s;
  for (std::int64_t b : {7, 3, 4, 12, 5, 0, 11, 6}) s.add(b);
  EXPECT_EQ(s.text(), "0,3-7,11-12");
  EXPECT_EQ(s.count(), 8);
  EXPECT_TRUE(s.contains(5));
  EXPECT_FALSE(s.contains(8));
  EXPECT_FALSE(s.contains(-1));
  s.add(tarn::BlockRange{1, 2});
  s.add(tarn::BlockRange{8, 10});
  EXPECT_EQ(s.text(), "0-12");
  EXPECT_EQ(tarn::BlockSet::range(0, 19).minus(s).text(), "13-19");
  EXPECT_EQ(tarn::BlockSet::range(0, 19).minus(tarn::BlockSet::range(5, 9)).text(), "0-4,10-19");
  EXPECT_EQ(tarn::BlockSet::range(0, 9).intersection(tarn::BlockSet::range(5, 14)).text(), "5-9");
  EXPECT_TRUE(tarn::BlockSet::range(0, 4).intersection(tarn::BlockSet::range(5, 9)).empty());
  EXPECT_EQ(tarn::BlockSet().text(), "none");

  tarn::BlockSet read;
  ASSERT_TRUE(tarn::BlockSet::parse("0,3-7,11-12", read));
  EXPECT_EQ(read.text(), "0,3-7,11-12");
  ASSERT_TRUE(tarn::BlockSet::parse("none", read));
  EXPECT_TRUE(read.empty());
  // Out of order, overlapping, touching (not the set's own text), reversed, junk.
  for (const char* bad : {"3,1", "0-5,4-9", "0-3,4", "5-2", "1,,2", "a", "", "1-", "-1", "99999999999999999999"})
    EXPECT_FALSE(tarn::BlockSet::parse(bad, read)) << bad;
}

TEST(RunRanks, RoundsHandEveryBlockToExactlyOneRankBlockZeroToRankZero) {
  for (const tarn::BlockSet& blocks : {tarn::BlockSet::range(0, 0), tarn::BlockSet::range(0, 10),
                                       tarn::BlockSet::range(3, 4), [] {
                                         tarn::BlockSet s = tarn::BlockSet::range(0, 4);
                                         s.add(tarn::BlockRange{9, 13});
                                         return s;
                                       }()})
    for (const int ranks : {1, 2, 3, 16}) {
      tarn::BlockSet seen;
      const std::int64_t rounds = tarn::roundsOf(blocks, ranks);
      for (std::int64_t round = 0; round < rounds; ++round)
        for (int r = 0; r < ranks; ++r) {
          const std::int64_t b = tarn::blockOfRound(blocks, ranks, r, round);
          if (b < 0) continue;
          EXPECT_FALSE(seen.contains(b)) << b;
          seen.add(b);
        }
      EXPECT_EQ(seen, blocks) << blocks.text() << " on " << ranks;
      EXPECT_EQ(tarn::blockOfRound(blocks, ranks, 0, 0), blocks.ranges().front().first);
      EXPECT_EQ(tarn::blockOfRound(blocks, ranks, 0, rounds), -1);
    }
  EXPECT_EQ(tarn::blockOfRound(tarn::BlockSet::range(0, 1), 16, 5, 0), -1);  // more ranks than blocks
}

TEST(RunSampler, TheLineOfTheClockRunsShapeIsAsAlways) {
  using tarn::SamplerChoice;
  EXPECT_EQ(tarn::samplerText(SamplerChoice::Automatic, tarn::BlockSet::range(0, 0)),
            "RNDM, the histogram package's generator");
  EXPECT_NE(tarn::samplerText(SamplerChoice::Automatic, tarn::BlockSet::range(0, 3)).find("RNDM in block 0"),
            std::string::npos);
  EXPECT_EQ(tarn::samplerText(SamplerChoice::Automatic, tarn::BlockSet::range(2, 3)).find("RNDM"), std::string::npos);
  EXPECT_EQ(tarn::samplerText(SamplerChoice::Ranlux, tarn::BlockSet::range(0, 0)).find("RNDM"), std::string::npos);
  EXPECT_EQ(tarn::samplerName(SamplerChoice::Ranlux), "ranlux");
  EXPECT_EQ(tarn::samplerName(SamplerChoice::Automatic), "auto");
}

TEST(RunSampler, BlockZeroDrawsFromRndmLaterBlocksFromTheirOwnStreams) {
  hbook::Histogram h = testsupport::makeHistogram(1, "flat", 10, 0.0f, 10.0f, std::vector<float>(10, 1.0f));
  auto draws = [&h](tarn::BlockSampler& sampler, std::int64_t seed, std::int64_t block, tarn::SamplerChoice choice) {
    sampler.startBlock(seed, block, choice);
    std::vector<float> v;
    for (int i = 0; i < 50; ++i) v.push_back(hbook::sample(h));
    return v;
  };
  tarn::BlockSampler sampler;
  hbook::resetRndm();
  const std::vector<float> block0 = draws(sampler, 7, 0, tarn::SamplerChoice::Automatic);
  EXPECT_TRUE(sampler.onRndm());
  EXPECT_EQ(hbook::rndmDraws(), 50u);
  const std::vector<float> block1 = draws(sampler, 7, 1, tarn::SamplerChoice::Automatic);
  EXPECT_FALSE(sampler.onRndm());
  EXPECT_EQ(hbook::rndmDraws(), 50u);  // none from RNDM
  // Block 0 again after another block, and in another process: RNDM from its start.
  EXPECT_EQ(draws(sampler, 7, 0, tarn::SamplerChoice::Automatic), block0);
  EXPECT_EQ(draws(sampler, 7, 1, tarn::SamplerChoice::Automatic), block1);
  EXPECT_NE(draws(sampler, 7, 2, tarn::SamplerChoice::Automatic), block1);
  EXPECT_NE(draws(sampler, 8, 1, tarn::SamplerChoice::Automatic), block1);
  // --sampler ranlux: block 0 from its own stream too, the later blocks as before.
  const std::vector<float> own0 = draws(sampler, 7, 0, tarn::SamplerChoice::Ranlux);
  EXPECT_NE(own0, block0);
  EXPECT_EQ(draws(sampler, 7, 1, tarn::SamplerChoice::Ranlux), block1);
  // The stream is the block's sampler stream of blockstreams.h.
  ranlux::Ranlux twin;
  ranlux::startBlockStream(twin, 7, 1, ranlux::BlockStream::Sampler);
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(block1[i], 10.0f * twin.next(), 1e-5f) << i;
}

TEST(RunSampler, LeavesRndmBeforeItsPeriodComesRound) {
  EXPECT_EQ(tarn::RNDM_PERIOD, 1u << 30);
  // RNDM's period: 2^30 steps of x 69069 modulo 2^32 bring an odd state back.
  std::uint32_t state = 12345u, multiplier = 69069u;
  for (int i = 0; i < 30; ++i) multiplier *= multiplier;
  EXPECT_EQ(state * multiplier, state);

  hbook::Histogram h = testsupport::makeHistogram(1, "flat", 4, 0.0f, 4.0f, {1.0f, 1.0f, 1.0f, 1.0f});
  tarn::BlockSampler sampler(1000);
  sampler.startBlock(5, 0, tarn::SamplerChoice::Automatic);
  int switches = 0;
  for (int event = 0; event < 3000; ++event) {
    switches += sampler.beforeEvent();
    hbook::sample(h);
  }
  EXPECT_EQ(switches, 1);
  EXPECT_FALSE(sampler.onRndm());
  EXPECT_EQ(hbook::rndmDraws(), 1001u);  // the event after the 1000th draw no longer used RNDM
  // A later block starts on its own stream: nothing to leave.
  sampler.startBlock(5, 1, tarn::SamplerChoice::Automatic);
  EXPECT_FALSE(sampler.beforeEvent());
}

TEST(RunLaunch, LauncherToldByItsEnvironment) {
  for (const char* name : {"OMPI_COMM_WORLD_SIZE", "OMPI_COMM_WORLD_RANK", "PMIX_RANK", "PMI_RANK", "PMI_SIZE"})
    unsetenv(name);
  EXPECT_FALSE(tarn::launchFromEnvironment().launched);
  setenv("OMPI_COMM_WORLD_SIZE", "4", 1);
  setenv("OMPI_COMM_WORLD_RANK", "3", 1);
  tarn::Launch l = tarn::launchFromEnvironment();
  EXPECT_TRUE(l.launched);
  EXPECT_EQ(l.size, 4);
  EXPECT_EQ(l.rank, 3);
  unsetenv("OMPI_COMM_WORLD_SIZE");
  unsetenv("OMPI_COMM_WORLD_RANK");
  setenv("PMIX_RANK", "0", 1);
  l = tarn::launchFromEnvironment();
  EXPECT_TRUE(l.launched);
  EXPECT_EQ(l.size, 0);
  unsetenv("PMIX_RANK");
  setenv("PMI_SIZE", "junk", 1);
  EXPECT_FALSE(tarn::launchFromEnvironment().launched);
  unsetenv("PMI_SIZE");
}

TEST(RunLaunch, EachVariableInItsOrderAndTheEndsOfItsNumbers) {
  const char* const names[] = {"OMPI_COMM_WORLD_SIZE", "OMPI_COMM_WORLD_RANK", "PMIX_RANK", "PMI_RANK", "PMI_SIZE"};
  const auto clear = [&] {
    for (const char* name : names) unsetenv(name);
  };
  clear();
  // Each rank variable alone, and the earlier one first when several are set.
  setenv("PMI_RANK", "7", 1);
  EXPECT_EQ(tarn::launchFromEnvironment().rank, 7);
  setenv("PMIX_RANK", "5", 1);
  EXPECT_EQ(tarn::launchFromEnvironment().rank, 5);
  setenv("OMPI_COMM_WORLD_RANK", "2", 1);
  EXPECT_EQ(tarn::launchFromEnvironment().rank, 2);
  // One that is not a whole number >= 0 gives way to the next.
  setenv("OMPI_COMM_WORLD_RANK", "2x", 1);
  EXPECT_EQ(tarn::launchFromEnvironment().rank, 5);
  setenv("PMIX_RANK", "-1", 1);
  EXPECT_EQ(tarn::launchFromEnvironment().rank, 7);
  setenv("PMIX_RANK", "", 1);
  EXPECT_EQ(tarn::launchFromEnvironment().rank, 7);
  clear();
  // The size alone: launched, rank 0; the first size variable first.
  setenv("PMI_SIZE", "6", 1);
  tarn::Launch l = tarn::launchFromEnvironment();
  EXPECT_TRUE(l.launched);
  EXPECT_EQ(l.size, 6);
  EXPECT_EQ(l.rank, 0);
  setenv("OMPI_COMM_WORLD_SIZE", "3", 1);
  EXPECT_EQ(tarn::launchFromEnvironment().size, 3);
  setenv("OMPI_COMM_WORLD_SIZE", "", 1);
  EXPECT_EQ(tarn::launchFromEnvironment().size, 6);
  unsetenv("PMI_SIZE");
  EXPECT_FALSE(tarn::launchFromEnvironment().launched);
  // Up to 2^30 is a number, one more is not.
  setenv("PMI_SIZE", "1073741824", 1);
  EXPECT_EQ(tarn::launchFromEnvironment().size, 1073741824);
  setenv("PMI_SIZE", "1073741825", 1);
  EXPECT_FALSE(tarn::launchFromEnvironment().launched);
  setenv("PMI_SIZE", "0", 1);
  l = tarn::launchFromEnvironment();
  EXPECT_TRUE(l.launched);
  EXPECT_EQ(l.size, 0);
  clear();
  setenv("PMI_RANK", "1073741824", 1);
  EXPECT_EQ(tarn::launchFromEnvironment().rank, 1073741824);
  setenv("PMI_RANK", "1073741825", 1);
  EXPECT_FALSE(tarn::launchFromEnvironment().launched);
  clear();
}
