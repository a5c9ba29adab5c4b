// tarn-summary --json: the runs added and the nine figures with their errors
// as one JSON object, for the report page and other programs
// (tarnreport.figures reads it).
#pragma once

#include <string>
#include <vector>

#include "transport/run/report.h"
#include "transport/run/runrecord.h"

namespace tarnsummary {

std::string summaryJson(const std::vector<tarn::RunRecord>& runs, const tarn::RunTotals& total,
                        const std::vector<std::string>& notes);

}  // namespace tarnsummary
