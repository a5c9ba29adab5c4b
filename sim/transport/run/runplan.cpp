#include "transport/run/runplan.h"

#include <stdexcept>

#include "textout/freeformat.h"
#include "transport/run/runfiles.h"
#include "transport/run/runlog.h"

namespace tarn {

std::string RunPlan::checkpointPath() const { return inDirectory(outputDir, checkpointName(run.seed())); }

std::string RunPlan::partialPath() const { return inDirectory(outputDir, partialFileName(run.seed())); }

Checkpointer::Checkpointer(const RunPlan& plan, RunLog* log, std::function<double()> clock)
    : plan_(plan), log_(log), clock_(std::move(clock)), last_(clock_()) {}

bool Checkpointer::due() const { return plan_.checkpoints && clock_() - last_ >= plan_.checkpointEvery; }

void Checkpointer::maybe(const RunSums& total) {
  if (due()) write(total);
}

bool Checkpointer::write(const RunSums& total) {
  if (!plan_.checkpoints) return false;
  last_ = clock_();
  try {
    writeCheckpoint(plan_.checkpointPath(), Checkpoint{plan_.run, plan_.options, total});
    return true;
  } catch (const std::runtime_error& e) {
    if (!failedOnce_ && log_)
      printAndLog(*log_, textout::Line().text(" The checkpoint could not be written: " + std::string(e.what())));
    failedOnce_ = true;
    return false;
  }
}

}  // namespace tarn
