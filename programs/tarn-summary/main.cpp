// tarn-summary LOG...: the report of several runs added together (the runs
// of a job array, say, whose histogram files `hbook merge` adds): the runs
// taken, the stage counts and the nine figures in the report's own format,
// from the counters of each run added up exactly (runrecord.h says how they
// are read from the logs), and the beamline when it is not the shipped one
// (runs of different beamlines are refused), then the figures with their
// errors (figureerrors.h); with --json the same as one JSON object. Notes on
// standard error when the runs are not independent. Exit status: 0 done, 1 a
// log that cannot be used, 2 a wrong
// command line.
#include <CLI/CLI.hpp>

#include <iostream>
#include <string>
#include <vector>

#include "summaryjson.h"
#include "textout/console.h"
#include "transport/run/exitstatus.h"
#include "transport/run/figureerrors.h"
#include "transport/run/runsums.h"
#include "transport/run/runrecord.h"

int main(int argc, char** argv) {
  CLI::App app("tarn-summary: the report of several tarn runs added together, from their run logs", "tarn-summary");
  std::vector<std::string> logs;
  bool incomplete = false;
  bool json = false;
  // The logs are looked for after the whole command line is read, so that a
  // wrong option is named before a log that is not there.
  app.add_option("LOG", logs, "Run logs (tarn-MMDD-hhmm.o) of the runs to add")->required();
  app.add_flag("--incomplete", incomplete, "Add the logs of some of the blocks of a run (the report of part of it)");
  app.add_flag("--json", json, "The runs, the counts and the figures with their errors as JSON");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return tarn::STATUS_DONE;
  } catch (const CLI::ParseError& e) {
    std::cerr << "tarn-summary: " << e.what() << " (see tarn-summary --help)\n";
    return tarn::STATUS_BAD_COMMAND_LINE;
  }
  for (std::string log : logs) {
    const std::string missing = CLI::ExistingFile(log);
    if (missing.empty()) continue;
    std::cerr << "tarn-summary: LOG: " << missing << " (see tarn-summary --help)\n";
    return tarn::STATUS_BAD_COMMAND_LINE;
  }

  std::vector<tarn::RunRecord> runs;
  std::vector<std::string> notes;
  try {
    for (const std::string& log : logs) runs.push_back(tarn::readRunRecord(log));
    notes = tarn::checkRunsAddUp(runs, incomplete);
  } catch (const std::exception& e) {
    std::cerr << "tarn-summary: " << e.what() << '\n';
    return tarn::STATUS_SUMMARY_UNUSABLE_LOG;
  }
  tarn::RunTotals total;
  for (const tarn::RunRecord& r : runs) {
    total.nEvents += r.totals.nEvents;
    tarn::addCounters(total.counters, r.totals.counters);
    total.nNoTransfer += r.totals.nNoTransfer;
  }
  for (const std::string& note : notes) std::cerr << "tarn-summary: note: " << note << '\n';

  using textout::Line;
  if (json) {
    std::cout << tarnsummary::summaryJson(runs, total, notes) << std::flush;
    if (!std::cout) {
      std::cerr << "tarn-summary: writing to standard output failed\n";
      return tarn::STATUS_SUMMARY_UNUSABLE_LOG;
    }
    return tarn::STATUS_DONE;
  }
  textout::print(Line().text("Runs added").integer(static_cast<std::int64_t>(runs.size())));
  for (const tarn::RunRecord& r : runs)
    textout::print(Line().text("  " + r.log + ": ranNo " + std::to_string(r.seed) + ", " +
                               std::to_string(r.totals.nEvents) + " events" +
                               (r.run.blocks() == tarn::BlockSet::range(0, tarn::blockCount(r.run.events()) - 1)
                                    ? ""
                                    : " (blocks " + r.run.blocks().text() + " of " + r.run.get("events") + ")") +
                               (r.ranks > 1 ? " on " + std::to_string(r.ranks) + " ranks" : "")));
  // Runs of one beamline only (checkRunsAddUp): any but the shipped one is said.
  const tarn::RunRecord& first = runs.front();
  if (!first.beamline.empty()) {
    textout::print(Line().text("Beamline: " + std::to_string(first.beamline.size()) +
                               (first.beamline.size() == 1 ? " value differs" : " values differ") +
                               " from the shipped beamline (digest " + first.beamlineDigest + ")"));
    for (const auto& [key, value] : first.beamline) textout::print(Line().text("  " + key + " = " + value));
  }
  for (const Line& line : tarn::countLines(total)) textout::print(line);
  for (const Line& line : tarn::figureLines(total, false)) textout::print(line);
  for (const Line& line : tarn::figureErrorLines(total)) textout::print(line);
  if (!textout::consoleWritten()) {
    std::cerr << "tarn-summary: writing to standard output failed\n";
    return tarn::STATUS_SUMMARY_UNUSABLE_LOG;
  }
  return tarn::STATUS_DONE;
}
