// The processes of one run as the run driver sees them: a single process,
// or the ranks of a parallel run (mpiranks.h). Only the driver knows about
// ranks: it hands out the run's blocks and adds up their results; the event
// loop, the physics routines and the histogram layer never see them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "transport/run/blocks.h"

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

  // The ranks have agreed to stop (a stop signal): each ends in order, none
  // needs to abort the others.
  virtual void markStoppedTogether() {}
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

// Text from rank 0 to every rank (a run record, a list of blocks).
void broadcastText(RankGroup& ranks, std::string& text);

// The blocks of `blocks` that rank `rank` of `ranks` runs: in rounds of one
// block per rank, every ranks-th one in order from its rank-th (rank 0 has
// the first block: block 0 when the run has it). The rounds of the run:
// ceil(blocks / ranks).
std::int64_t roundsOf(const BlockSet& blocks, int ranks);
// The block of round `round` for `rank`, or -1 when it has none then.
std::int64_t blockOfRound(const BlockSet& blocks, int ranks, int rank, std::int64_t round);

}  // namespace tarn
