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
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "transport/run/report.h"

namespace tarn {

struct RunRecord {
  std::string log;
  RunTotals totals;
  std::int64_t seed = 0;  // ranNo
  int ranks = 1;
  bool rndmSampler = true;  // drew the sampler's numbers from RNDM (the run without options always does)
  bool exactLine = false;   // the counters come from the exact counts line
};

// Reads a run log; throws std::runtime_error naming the log and the line.
RunRecord readRunRecord(const std::string& path);
// The same from the log's text.
RunRecord runRecordFromText(const std::string& name, const std::string& text);

// Notes about runs that should not be added together: two runs that drew
// the sampler's numbers from RNDM (the same numbers: the generator is never
// seeded), and two runs that share a RANLUX seed on some rank.
std::vector<std::string> independenceNotes(const std::vector<RunRecord>& runs);

}  // namespace tarn
