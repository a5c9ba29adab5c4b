// What a run of blocks does, whichever way it runs them (in this process,
// in worker processes, on ranks): the run it belongs to, the blocks it is
// asked for and those left to run, and its checkpoints; and what running
// them gave.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "transport/run/checkpoint.h"
#include "transport/run/runidentity.h"
#include "transport/run/runsums.h"

namespace tarn {

class RunLog;

struct RunPlan {
  RunIdentity run;         // seed, events, sampler, inputs; blocks: those asked for
  BlockSet toRun;          // asked for and not done before
  RunSums done;            // the blocks done before (a resumed run)
  bool checkpoints = false;  // more than one block asked for: checkpoints, and a stop keeps what was done
  double checkpointEvery = 60.0;  // s
  std::string outputDir;
  RunIdentity options;     // what a resumed run takes over (input-dir)
  std::string checkpointPath() const;
  std::string partialPath() const;
};

struct Execution {
  RunSums sums;                 // every block done, those of plan.done included
  int signal = 0;               // a stop signal ended it
  std::int64_t stoppedBefore = 0;  // a run of one block: the event it stopped before
  std::string stopNote;         // what happened to the block it was in, for the log
  std::string failure;          // a worker that died: what the log says; the run stops
};

// Writes the checkpoint when one is due (CHECKPOINT_EVERY, or as asked, of
// work since the last), and says once in the log if it cannot.
class Checkpointer {
 public:
  Checkpointer(const RunPlan& plan, RunLog* log, std::function<double()> clock);
  void maybe(const RunSums& total);
  bool due() const;                  // one is due now
  bool write(const RunSums& total);  // now

 private:
  const RunPlan& plan_;
  RunLog* log_;
  std::function<double()> clock_;
  double last_;
  bool failedOnce_ = false;
};

}  // namespace tarn
