#include "transport/run/parallel/ranks.h"

namespace tarn {

EventRange eventsOfRank(std::int64_t events, int ranks, int rank) {
  const std::int64_t share = events / ranks, extra = events % ranks;
  EventRange range;
  range.first = 1 + share * rank + (rank < extra ? rank : extra);
  range.last = range.first + share + (rank < extra ? 1 : 0) - 1;
  return range;
}

std::int64_t rankSeed(std::int64_t seed, int rank) { return seed + RANK_SEED_STRIDE * rank; }

std::string seedRangeError(std::int64_t seed, int ranks) {
  if (seed < 0 || seed > MAX_SEED) return "the seed must be from 0 to " + std::to_string(MAX_SEED);
  if (rankSeed(seed, ranks - 1) > MAX_SEED)
    return "with " + std::to_string(ranks) + " ranks the last rank's seed " + std::to_string(seed) + " + " +
           std::to_string(RANK_SEED_STRIDE) + " x " + std::to_string(ranks - 1) + " exceeds RANLUX's largest seed " +
           std::to_string(MAX_SEED) + ": use a seed of at most " +
           std::to_string(MAX_SEED - RANK_SEED_STRIDE * (ranks - 1));
  return "";
}

}  // namespace tarn
