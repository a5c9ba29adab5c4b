// The ranks of a parallel run under MPI (built only when CMake finds MPI;
// only the program's main function creates it). MPI is initialised by the
// constructor and finalised by finish().
#pragma once

#include <string>

#include "transport/run/parallel/ranks.h"

namespace tarn {

class MpiRanks : public RankGroup {
 public:
  MpiRanks(int* argc, char*** argv);
  MpiRanks(const MpiRanks&) = delete;
  MpiRanks& operator=(const MpiRanks&) = delete;

  int rank() const override { return rank_; }
  int size() const override { return size_; }
  void broadcast(std::int64_t* values, int count) override;
  std::int64_t largest(std::int64_t value) override;
  int gatherInOrder(const Bytes& mine, const std::function<void(int rank, const Bytes& block)>& take) override;
  void markStoppedTogether() override { stoppedTogether_ = true; }

  // The end of the run on this rank with its exit status: MPI is finalised
  // after a run that ended in step with the others (0, the same status on
  // every rank, or a stop the ranks agreed on), and the whole job aborted
  // with the status after one stopped on its own (a signal: 128 + n), so
  // that no rank waits for it.
  int finish(int status);

  // "Open MPI v4.1.4, ..." as the library says.
  static std::string libraryVersion();

 private:
  int rank_ = 0, size_ = 1;
  bool stoppedTogether_ = false;
};

}  // namespace tarn
