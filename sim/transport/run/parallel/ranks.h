// The processes of one run as the run driver sees them: a single process,
// or the ranks of a parallel run (mpiranks.h). Only the driver
// knows about ranks: it splits the events, seeds each rank and adds up the
// results once at the end in rank order; the event loop, the physics
// routines and the histogram layer never see them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarn {

class RankGroup {
 public:
  using Bytes = std::vector<unsigned char>;
  virtual ~RankGroup() = default;

  virtual int rank() const = 0;
  virtual int size() const = 0;

  // Rank 0's values replace every other rank's.
  virtual void broadcast(std::int64_t* values, int count) = 0;

  // The largest of the ranks' values, on every rank.
  virtual std::int64_t largest(std::int64_t value) = 0;

  // Rank 0 is handed each other rank's block, in rank order 1, 2, ...; the
  // other ranks send theirs. Returns 0, or the number of a stop signal that
  // ended the wait (interrupt.h): no rank waits for ever on one that has
  // stopped.
  virtual int gatherInOrder(const Bytes& mine, const std::function<void(int rank, const Bytes& block)>& take) = 0;
};

// A run in one process: rank 0 of 1.
class SingleProcess : public RankGroup {
 public:
  int rank() const override { return 0; }
  int size() const override { return 1; }
  void broadcast(std::int64_t*, int) override {}
  std::int64_t largest(std::int64_t value) override { return value; }
  int gatherInOrder(const Bytes&, const std::function<void(int, const Bytes&)>&) override { return 0; }
};

// The events of rank `rank` of `ranks` in a run of `events`: consecutive
// indices, the first events - events mod ranks ranks one more than the rest.
struct EventRange {
  std::int64_t first = 1;
  std::int64_t last = 0;
  std::int64_t count() const { return last - first + 1; }
};
EventRange eventsOfRank(std::int64_t events, int ranks, int rank);

// RANLUX seed of rank r in a run with seed (ranNo) S: S + RANK_SEED_STRIDE * r.
// Rank 0 uses S itself, so a run in one process is seeded as before; runs
// whose seeds differ by less than the stride never share a sequence on any
// rank.
constexpr std::int64_t RANK_SEED_STRIDE = 1000000;
std::int64_t rankSeed(std::int64_t seed, int rank);

// The largest seed RANLUX takes (a signed 32-bit integer).
constexpr std::int64_t MAX_SEED = 2147483647;

// Why seed S cannot seed `ranks` ranks, or "" when it can.
std::string seedRangeError(std::int64_t seed, int ranks);

}  // namespace tarn
