// The result histograms added up outside the histogram memory.
//
// A fill adds 1 to a single-precision channel, which counts exactly only up
// to 2^24: a bin of a long run would stop growing there. So every
// SUM_EVERY_EVENTS events of a process (at most two fills of one histogram
// per event, so less than 2^24 in any channel) the driver moves the result
// histograms' contents into double-precision sums, exact up to 2^53, and
// empties them; at the end the sums go back, rounded to single precision
// once. While no channel passes 2^24 this is exactly what filling straight
// through gives; a run of at most SUM_EVERY_EVENTS events in one process
// (the run without arguments among them) never moves anything. Entries are
// added as 64-bit integers and go back as the file's 32-bit word, kept at
// 2147483647 beyond it.
//
// The same sums, with the counters, carry each rank's results to rank 0 of
// a parallel run, which adds them in rank order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "transport/run/parallel/ranks.h"
#include "transport/event/counters.h"

namespace tarn {

class ResultSums {
 public:
  static constexpr std::int64_t SUM_EVERY_EVENTS = 4000000;

  // Adds the result histograms (resultHistogramIds) to the sums and empties them.
  void collect();
  // Element-wise sum with another process's sums of the same histograms.
  void add(const ResultSums& other);
  // The sums back into the result histograms.
  void writeBack() const;

  bool empty() const { return channels_.empty(); }
  const std::vector<double>& channels() const { return channels_; }  // channels 0..nx+1 of each, booking order
  const std::vector<std::int64_t>& entries() const { return entries_; }

  // What one rank hands to rank 0.
  struct RankResults {
    Counters counters;
    std::int64_t nNoTransfer = 0;
    std::string console;  // lines it printed during its events
  };
  RankGroup::Bytes pack(const RankResults& results) const;
  // Unpacks `block`, adds its counters and sums to these, and returns its console lines.
  std::string addPacked(const RankGroup::Bytes& block, RankResults& totals);

 private:
  std::vector<double> channels_;
  std::vector<std::int64_t> entries_;
};

// All nine counters, added.
void addCounters(Counters& total, const Counters& more);

// The end of a run on several ranks: every rank after the first sends its
// counters, sums and kept console lines; rank 0 adds them to `totals` and
// `sums` in rank order and collects the console lines, each rank's under
// " Console of rank r:". Returns 0, or the stop signal that ended the wait.
int addUpRanks(RankGroup& ranks, ResultSums& sums, ResultSums::RankResults& totals, std::string& otherConsoles);

}  // namespace tarn
