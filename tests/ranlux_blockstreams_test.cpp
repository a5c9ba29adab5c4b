// The random streams of a run's blocks (ranlux/blockstreams.h): the state
// and numbers of the reference written from scratch in Python
// (scripts/block_stream.py, tests/data/ranlux/block-streams.txt), no two of
// 10^6 (seed, block) pairs starting alike, and the mixer's words never a
// shifted copy of another key's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ranlux/blockstreams.h"
#include "ranlux/ranlux.h"
#include "textout/console.h"

namespace {

struct Case {
  std::int64_t seed = 0;
  std::uint64_t block = 0;
  int stream = 0;
};

ranlux::BlockStream streamOf(int k) { return k == 0 ? ranlux::BlockStream::Physics : ranlux::BlockStream::Sampler; }

}  // namespace

TEST(RanluxBlockStreams, StatesAndNumbersAsTheIndependentReference) {
  std::ifstream in(std::string(TARN_TEST_DATA) + "/ranlux/block-streams.txt");
  ASSERT_TRUE(in);
  int states = 0, numbers = 0;
  ranlux::Ranlux generator;
  Case current;
  int position = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream items(line);
    if (line.rfind("STATE", 0) == 0) {
      std::string word;
      items >> word >> current.seed >> current.block >> current.stream;
      std::int32_t expected[25], actual[25];
      for (std::int32_t& v : expected) items >> v;
      ranlux::blockState(current.seed, current.block, streamOf(current.stream), actual);
      for (int i = 0; i < 25; ++i) EXPECT_EQ(actual[i], expected[i]) << line << " word " << i;
      ranlux::startBlockStream(generator, current.seed, current.block, streamOf(current.stream));
      position = 0;
      ++states;
      continue;
    }
    Case c;
    int at = 0;
    std::string hex;
    items >> c.seed >> c.block >> c.stream >> at >> hex;
    ASSERT_EQ(c.seed, current.seed);
    float v = 0.0f;
    for (; position < at; ++position) v = generator.next();
    EXPECT_EQ(v, static_cast<float>(std::strtod(hex.c_str(), nullptr))) << line;
    ++numbers;
  }
  EXPECT_EQ(states, 9);
  EXPECT_EQ(numbers, 9 * 12);
}

TEST(RanluxBlockStreams, StartingAStreamPrintsNothingAndKeepsLuxuryThree) {
  std::ostringstream console;
  textout::setConsole(&console);
  ranlux::Ranlux g;
  ranlux::startBlockStream(g, 7, 1, ranlux::BlockStream::Physics);
  textout::setConsole(nullptr);
  EXPECT_EQ(console.str(), "");
  std::int32_t lux, ins, k1, k2;
  g.rluxat(lux, ins, k1, k2);
  EXPECT_EQ(lux, 3);
  // The same state through the documented entry RLUXIN gives the same numbers.
  std::int32_t state[25];
  ranlux::blockState(7, 1, ranlux::BlockStream::Physics, state);
  ranlux::Ranlux viaRluxin;
  std::ostringstream lines;
  textout::setConsole(&lines);
  viaRluxin.rluxin(state);
  textout::setConsole(nullptr);
  EXPECT_NE(lines.str().find("RANLUX LUXURY LEVEL SET BY RLUXIN TO:  3"), std::string::npos);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(g.next(), viaRluxin.next()) << i;
}

TEST(RanluxBlockStreams, NoTwoOfAMillionSeedBlockPairsStartAlike) {
  // 1000 seeds (the smallest, the largest, and spread between) times 1000
  // blocks (from 1, and the last ones a seed is made for), each with both
  // streams: the first three numbers of each stream, 72 bits, all differ.
  std::vector<std::pair<std::uint64_t, std::uint32_t>> starts;
  starts.reserve(2000000);
  std::size_t pairs = 0;
  for (std::int64_t s = 0; s < 1000; ++s) {
    const std::int64_t seed = s < 500 ? s : ranlux::MOST_SEEDS - 1 - (s - 500) * 4294967;
    for (std::uint64_t b = 0; b < 1000; ++b) {
      const std::uint64_t block = b < 500 ? b + 1 : ranlux::MOST_BLOCKS - 1 - (b - 500);
      for (int k = 0; k < 2; ++k) {
        if (k == 0 && block == 0) continue;
        ranlux::Ranlux g;
        ranlux::startBlockStream(g, seed, block, streamOf(k));
        float first[3];
        g.ranlux(first, 3);
        auto bits = [&](int i) { return static_cast<std::uint64_t>(first[i] * 16777216.0f); };
        starts.emplace_back(bits(0) << 24 | bits(1), static_cast<std::uint32_t>(bits(2)));
        ++pairs;
      }
    }
  }
  EXPECT_EQ(pairs, 2000000u);
  std::sort(starts.begin(), starts.end());
  EXPECT_EQ(std::adjacent_find(starts.begin(), starts.end()), starts.end());
}

TEST(RanluxBlockStreams, KeysAreDistinctAndWordsNeverShiftedCopies) {
  // The key holds seed, stream and block in separate bits: the extremes give
  // distinct keys, hence (mix64 being a bijection) distinct mixed keys.
  std::set<std::uint64_t> mixed;
  for (std::int64_t seed : {std::int64_t{0}, std::int64_t{1}, ranlux::MOST_SEEDS - 1})
    for (std::uint64_t block : {std::uint64_t{0}, std::uint64_t{1}, ranlux::MOST_BLOCKS - 1})
      for (std::uint64_t k : {0u, 1u})
        mixed.insert(ranlux::mix64((static_cast<std::uint64_t>(seed) << 33) | (k << 32) | block));
  EXPECT_EQ(mixed.size(), 18u);
  // Word i hashes h XOR (i+1) G. Two keys could share word i and j only if
  // h XOR h' = (i+1)G XOR (j+1)G; a shifted copy would need that difference
  // the same for every i at one shift. It never is: the 276 differences of
  // pairs of positions are all distinct.
  constexpr std::uint64_t G = 0x9E3779B97F4A7C15ull;
  std::set<std::uint64_t> differences;
  for (std::uint64_t i = 1; i <= 24; ++i)
    for (std::uint64_t j = i + 1; j <= 24; ++j) differences.insert((i * G) ^ (j * G));
  EXPECT_EQ(differences.size(), 276u);
  // mix64 is SplitMix64's finaliser.
  EXPECT_EQ(ranlux::mix64(0), 0u);
  EXPECT_EQ(ranlux::mix64(1), 0x5692161d100b05e5ull);
}
