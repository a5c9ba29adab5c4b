// The blocks of a run, one after another in this process.
#pragma once

#include "transport/run/blockrunner.h"
#include "transport/run/progress.h"
#include "transport/run/runplan.h"

namespace tarn {

Execution runBlocksHere(const RunPlan& plan, BlockRunner& runner, Checkpointer& checkpointer, Progress& progress);

// What the log says of the block a stop signal met: finished or dropped.
std::string stopNoteFor(std::int64_t block, const BlockOutcome& outcome);

}  // namespace tarn
