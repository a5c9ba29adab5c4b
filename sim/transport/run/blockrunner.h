// Running the blocks of a run in this process, one block at a time: each
// from the state a fresh run starts in (its random streams, the sampler's,
// the scattering outputs kept from event to event, no working copies of
// S(q)), so that what a block gives depends on the seed and the block
// alone, whatever ran before it in the process.
//
// A stop signal (interrupt.h) during a block: the block is finished when
// the rest of it takes at most FINISH_WITHIN seconds at its rate so far,
// and dropped otherwise (its fills are forgotten); or, for a run of one
// block, the run stops before the next event as it always has.
#pragma once

#include <cstdint>
#include <functional>

#include "transport/event/runstate.h"
#include "transport/run/progress.h"
#include "transport/run/runoptions.h"
#include "transport/run/runsums.h"
#include "transport/run/sampler.h"

namespace tarn {

class RunLog;

struct BlockOutcome {
  bool completed = false;  // its results are in the sums
  int signal = 0;          // the stop signal met during it (0: none)
  std::int64_t stoppedBefore = 0;  // not completed: the event it stopped before
};

class BlockRunner {
 public:
  static constexpr double FINISH_WITHIN = 5.0;  // s

  // The run with seed `seed` and `events` events on `beamline`; its notices
  // go to `log`.
  BlockRunner(std::int64_t seed, std::int64_t events, SamplerChoice sampler, RunLog* log,
              const Beamline& beamline = SHIPPED_BEAMLINE, std::function<void(const DetectedNeutron&)> observer = {},
              std::function<void(const TargetCall&)> targetObserver = {}, DetectedRecord detected = {});

  // Runs block `block` and moves its results into `into`. `mayFinish`
  // false: a stop signal ends the block at once (a run of one block).
  // `progress` (may be null) is told the events done, counted from `done`.
  BlockOutcome run(std::int64_t block, RunSums& into, bool mayFinish, Progress* progress, std::int64_t done,
                   const std::function<double()>& clock = steadySeconds);

 private:
  void startBlock(std::int64_t block);

  std::int64_t seed_, events_;
  SamplerChoice choice_;
  RunState state_;
  BlockSampler sampler_;
  DetectedRecord blockDetected_;  // the detected neutrons of the block running (--ntuple)
};

}  // namespace tarn
