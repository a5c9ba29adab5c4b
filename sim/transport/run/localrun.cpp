#include "transport/run/localrun.h"

#include <string>

#include "transport/run/interrupt.h"

namespace tarn {

std::string stopNoteFor(std::int64_t block, const BlockOutcome& outcome) {
  if (outcome.completed) return "block " + std::to_string(block) + " was finished first";
  return "block " + std::to_string(block) + " was dropped at its event " + std::to_string(outcome.stoppedBefore) +
         " (its rest would have taken more than " + std::to_string(static_cast<int>(BlockRunner::FINISH_WITHIN)) + " s)";
}

Execution runBlocksHere(const RunPlan& plan, BlockRunner& runner, Checkpointer& checkpointer, Progress& progress) {
  Execution ex;
  ex.sums = plan.done;
  std::int64_t done = 0;
  const std::int64_t events = plan.run.events();
  for (const BlockRange& range : plan.toRun.ranges())
    for (std::int64_t block = range.first; block <= range.last; ++block) {
      if (const int signal = pendingStopSignal()) {
        ex.signal = signal;
        ex.stoppedBefore = eventsOfBlock(events, block).first;
        ex.stopNote = "before block " + std::to_string(block);
        return ex;
      }
      const BlockOutcome outcome = runner.run(block, ex.sums, plan.checkpoints, &progress, done);
      done += eventsOfBlock(events, block).count();
      if (outcome.signal) {
        ex.signal = outcome.signal;
        ex.stoppedBefore = outcome.stoppedBefore;
        ex.stopNote = stopNoteFor(block, outcome);
        if (outcome.completed) checkpointer.maybe(ex.sums);
        return ex;
      }
      checkpointer.maybe(ex.sums);
    }
  return ex;
}

}  // namespace tarn
