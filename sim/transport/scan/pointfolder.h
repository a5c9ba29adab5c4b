// What the folder of a scan's point holds when the scan starts (or starts
// again after a stop), and what is done with it:
//
// - nothing (no folder): the point is run;
// - a finished run of the point: a run log that reached its nine figures,
//   of the point's seed, events and beamline, and its histogram file
//   h<seed>.hbook: done, not run again (a checkpoint or partial file left
//   beside them by a stop just after the file was written is removed);
// - a checkpoint h<seed>.checkpoint (a run of several blocks that was
//   stopped): the point goes on from it (tarn --resume);
// - anything else of a run (a run of one block that was stopped, a run
//   stopped before its first checkpoint): the run's files are removed and
//   the point is run again from the start.
// A finished run of another seed, events or beamline in the folder is not
// this scan's: refused.
#pragma once

#include <cstdint>
#include <string>

#include "transport/scan/points.h"

namespace tarn::scan {

enum class PointState { New, Done, Resumable, Stale };

struct PointFolder {
  PointState state = PointState::New;
  std::string log;               // Done: the finished run's log
  std::int64_t blocksLeft = 0;   // the blocks to run (New, Stale: all; Resumable: those the checkpoint lacks)
};

// Throws std::runtime_error when the folder holds a finished run that is not
// the point's.
PointFolder examinePoint(const std::string& folder, const Point& point, std::int64_t events, std::int64_t seed);

// Removes what a run leaves in `folder` (its logs, histogram files,
// checkpoint, partial and temporary files), so that the point starts afresh;
// the console file stays (the stopped run's lines are kept above the new ones).
void clearPoint(const std::string& folder);

// The console file of a point's run: its standard output and error.
constexpr const char* POINT_CONSOLE = "console.txt";

}  // namespace tarn::scan
