// What tarn-summary takes from a run log: the run's counters, exactly.
//
// A log of an extended run (any option, or several ranks) holds them in its
// "Exact counts:" line. A log of the run without options holds the four
// stage counts and two more counts as integers, and the other counters only
// through their fractions printed with seven digits; for a run of 100000
// events (fewer than about 10^6 in any counter) these determine each
// counter, and the record takes the one count whose fraction prints exactly
// as the log has it, refusing the log when none or several do. Either way
// the nine figure lines of the log must come out again, character for
// character, from the counters taken.
//
// Which run and blocks a log belongs to comes from its " Run record:" line
// (runidentity.h), or, for a log without one (a complete run of 100000
// events: the run without options, tarn --seed S), is block 0 of its ranNo.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "transport/run/beamlinerecord.h"
#include "transport/run/report.h"
#include "transport/run/runidentity.h"

namespace tarn {

struct RunRecord {
  std::string log;
  std::string text;  // the log as read
  RunTotals totals;
  std::int64_t seed = 0;  // ranNo
  int ranks = 1;
  bool rndmSampler = true;  // block 0 drew the sampler's numbers from RNDM
  bool exactLine = false;   // the counters come from the exact counts line
  RunIdentity run;          // blocks: the blocks the log's run did
  // The beamline: its digest (the shipped one's when the log lists no
  // values) and the values that differ from the shipped beamline, as the
  // log's " Beamline ..." lines give them.
  std::string beamlineDigest;
  BeamlineValues beamline;
};

// Reads a run log; throws std::runtime_error naming the log and the line.
RunRecord readRunRecord(const std::string& path);
// The same from the log's text.
RunRecord runRecordFromText(const std::string& name, const std::string& text);

// Whether the runs may be added together. Refused (throws
// std::runtime_error saying why): a log given twice; logs of different
// beamlines (naming the values that differ); two logs of the same
// seed that share a block (their events repeat each other); logs of blocks
// of one run that leave some of its blocks out (unless `incomplete`). The
// notes: runs of different seeds that drew block 0's sampler numbers from
// RNDM, which is never seeded (they share their wavelengths there); and
// what the logs add up to.
std::vector<std::string> checkRunsAddUp(const std::vector<RunRecord>& runs, bool incomplete);

}  // namespace tarn
