// How a run shares its events and seeds among ranks, and where the
// histogram sampler takes its numbers (sampler.h): RNDM for the clock run's
// shape, the rank's RANLUX sequence otherwise, never RNDM beyond its period.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "ranlux/ranlux.h"
#include "support/runs.h"
#include "transport/run/parallel/launcher.h"
#include "transport/run/parallel/ranks.h"
#include "transport/run/sampler.h"

namespace {

std::vector<float> ranluxNumbers(std::int64_t seed, int count) {
  std::ostringstream quiet;
  textout::setConsole(&quiet);
  ranlux::Ranlux generator;
  generator.rluxgo(3, static_cast<std::int32_t>(seed), 0, 0);
  textout::setConsole(nullptr);
  std::vector<float> v(static_cast<std::size_t>(count));
  generator.ranlux(v.data(), count);
  return v;
}

}  // namespace

TEST(RunRanks, EveryEventOnExactlyOneRankInOrder) {
  for (const std::int64_t events : {std::int64_t{1}, std::int64_t{7}, std::int64_t{100000}, std::int64_t{1000000000001}})
    for (const int ranks : {1, 2, 3, 8, 1000}) {
      std::int64_t next = 1, smallest = events, largest = 0;
      for (int r = 0; r < ranks; ++r) {
        const tarn::EventRange range = tarn::eventsOfRank(events, ranks, r);
        ASSERT_EQ(range.first, next) << events << " " << ranks << " " << r;
        next = range.last + 1;
        smallest = std::min(smallest, range.count());
        largest = std::max(largest, range.count());
      }
      EXPECT_EQ(next, events + 1);
      EXPECT_LE(largest - smallest, 1);
    }
  EXPECT_EQ(tarn::eventsOfRank(2000000, 2, 1).first, 1000001);
}

TEST(RunRanks, RankZeroKeepsTheSeedAndNoTwoRanksShareASequence) {
  EXPECT_EQ(tarn::rankSeed(763595, 0), 763595);
  std::set<std::int64_t> seeds;
  for (int r = 0; r < 1000; ++r) seeds.insert(tarn::rankSeed(7, r));
  EXPECT_EQ(seeds.size(), 1000u);
  // Runs of nearby seeds (a job array of 1000 tasks on 1000 ranks) share no seed.
  for (std::int64_t s = 1; s <= 1000; ++s) EXPECT_EQ(seeds.count(tarn::rankSeed(s, 0) + tarn::RANK_SEED_STRIDE), s == 7 ? 1u : 0u);
  // The sequences themselves: no window of four numbers of rank 1 appears in rank 0's.
  const std::vector<float> a = ranluxNumbers(tarn::rankSeed(7, 0), 200000), b = ranluxNumbers(tarn::rankSeed(7, 1), 200000);
  std::set<std::vector<float>> windows;
  for (std::size_t i = 0; i + 4 <= a.size(); ++i) windows.insert(std::vector<float>(a.begin() + i, a.begin() + i + 4));
  int shared = 0;
  for (std::size_t i = 0; i + 4 <= b.size(); ++i) shared += windows.count(std::vector<float>(b.begin() + i, b.begin() + i + 4));
  EXPECT_EQ(shared, 0);
  EXPECT_EQ(tarn::seedRangeError(7, 1000), "");
  EXPECT_EQ(tarn::seedRangeError(2147483647, 1), "");
  EXPECT_NE(tarn::seedRangeError(2147483647, 2).find("use a seed of at most 2146483647"), std::string::npos);
  EXPECT_NE(tarn::seedRangeError(-1, 1), "");
}

TEST(RunSampler, RndmForTheClockRunsShapeRanluxOtherwise) {
  using tarn::SamplerChoice;
  using tarn::SamplerSource;
  EXPECT_EQ(tarn::chooseSampler(SamplerChoice::Automatic, tarn::Nevents, 1), SamplerSource::Rndm);
  EXPECT_EQ(tarn::chooseSampler(SamplerChoice::Automatic, 1000000, 1), SamplerSource::Ranlux);
  EXPECT_EQ(tarn::chooseSampler(SamplerChoice::Automatic, 1000, 1), SamplerSource::Ranlux);
  EXPECT_EQ(tarn::chooseSampler(SamplerChoice::Automatic, tarn::Nevents, 2), SamplerSource::Ranlux);
  EXPECT_EQ(tarn::chooseSampler(SamplerChoice::Ranlux, tarn::Nevents, 1), SamplerSource::Ranlux);
  EXPECT_EQ(tarn::chooseSampler(SamplerChoice::Rndm, 1000000000, 1), SamplerSource::Rndm);
  EXPECT_EQ(tarn::samplerChoiceError(SamplerChoice::Rndm, 1), "");
  EXPECT_NE(tarn::samplerChoiceError(SamplerChoice::Rndm, 2), "");
}

TEST(RunSampler, RanluxSourceFeedsHrndm1FromTheRunGenerator) {
  hbook::Histogram h = testsupport::makeHistogram(1, "flat", 10, 0.0f, 10.0f, std::vector<float>(10, 1.0f));
  hbook::resetRndm();
  std::ostringstream quiet;
  textout::setConsole(&quiet);
  ranlux::runGenerator() = ranlux::Ranlux();
  ranlux::RLUXGO(3, 12, 0, 0);
  ranlux::Ranlux twin;
  twin.rluxgo(3, 12, 0, 0);
  textout::setConsole(nullptr);
  {
    tarn::SamplerStream stream(tarn::SamplerSource::Ranlux);
    for (int i = 0; i < 100; ++i) {
      const float r = twin.next();
      // A flat histogram of 10 bins of 1 from 0: x = 10 r up to rounding.
      EXPECT_NEAR(hbook::sample(h), 10.0f * r, 1e-5f) << i;
    }
    EXPECT_EQ(hbook::rndmDraws(), 0u);
  }
  hbook::sample(h);  // the stream has gone: back to RNDM
  EXPECT_EQ(hbook::rndmDraws(), 1u);
}

TEST(RunSampler, LeavesRndmBeforeItsPeriodComesRound) {
  EXPECT_EQ(tarn::RNDM_PERIOD, 1u << 30);
  // RNDM's period: 2^30 steps of x 69069 modulo 2^32 bring an odd state back.
  std::uint32_t state = 12345u, multiplier = 69069u;
  for (int i = 0; i < 30; ++i) multiplier *= multiplier;
  EXPECT_EQ(state * multiplier, state);

  hbook::Histogram h = testsupport::makeHistogram(1, "flat", 4, 0.0f, 4.0f, {1.0f, 1.0f, 1.0f, 1.0f});
  hbook::resetRndm();
  std::ostringstream quiet;
  textout::setConsole(&quiet);
  ranlux::RLUXGO(3, 5, 0, 0);
  textout::setConsole(nullptr);
  tarn::SamplerStream stream(tarn::SamplerSource::Rndm, 1000);
  int switches = 0;
  for (int event = 0; event < 3000; ++event) {
    switches += stream.beforeEvent();
    hbook::sample(h);
  }
  EXPECT_EQ(switches, 1);
  EXPECT_EQ(stream.source(), tarn::SamplerSource::Ranlux);
  EXPECT_EQ(hbook::rndmDraws(), 1001u);  // the event after the 1000th draw no longer used RNDM
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
