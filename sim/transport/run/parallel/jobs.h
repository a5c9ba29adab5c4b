// The blocks of a run in J worker processes on this machine (tarn --jobs J;
// workers.h): blocks handed out in order to whichever worker is free, each
// block's results added as they come (runsums.h: the same sums in any
// order), the console and log lines of the blocks written in block order,
// one progress line for all, checkpoints as in one process. A stop signal
// reaches every worker (it is forwarded to those that did not get it
// themselves): each finishes or drops its block as a single process would,
// sends what it has and ends. A worker that dies stops the run: the others
// are stopped too, and what was done is kept as at a stop.
#pragma once

#include "transport/run/blockrunner.h"
#include "transport/run/progress.h"
#include "transport/run/runplan.h"

namespace tarn {

class RunLog;

// Most bytes of console lines a block of a worker keeps.
constexpr std::size_t MOST_BLOCK_CONSOLE = 65536;

Execution runBlocksInWorkers(const RunPlan& plan, int workers, BlockRunner& runner, RunLog& log,
                             Checkpointer& checkpointer, Progress& progress);

}  // namespace tarn
