// The exit statuses of tarn (and tarn-mpi) and tarn-summary.
#pragma once

namespace tarn {

// tarn
constexpr int STATUS_DONE = 0;
// 1: a helium temperature outside the density table ends the run at once
// (NDEN, helium/nden.cpp, through textout::abortRun); a beamline
// description with such a temperature is refused before (status 2).
constexpr int STATUS_BAD_COMMAND_LINE = 2;   // an unknown option or a bad value, or a beamline description that
                                             // cannot be used (transport/description/read.h); nothing is created
constexpr int STATUS_NO_RUN_LOG = 2;         // the run log cannot be created (it exists: a run in the same minute;
                                             // or the output directory cannot be made)
constexpr int STATUS_INPUTS_REFUSED = 3;     // inputs refused before the first event, also a beamline that breaks
                                             // the model's limits with the spectrum (description/limits.h)
constexpr int STATUS_NO_HISTOGRAM_FILE = 4;  // the histogram file could not be written
constexpr int STATUS_OUTPUT_INCOMPLETE = 5;  // the console report or the run log could not be written completely
                                             // (the histogram file was written; with a failed console the log
                                             // holds the report)
constexpr int STATUS_WORKER_DIED = 6;        // a worker process of --jobs died: the run stopped, keeping
                                             // its checkpoint and a partial histogram file of the blocks done

// tarn scan (scan/driver.h) also: 2 a folder holding another scan, 3 a point
// whose beamline breaks the model's limits with the spectrum, and
constexpr int STATUS_SCAN_POINT_FAILED = 7;  // a point's run failed: the scan stopped, the points done are kept
constexpr int STATUS_SCAN_NO_TABLE = 8;      // every point is done, but tarn-report could not make the table,
                                             // plot and page

// A run stopped by signal n (SIGTERM, SIGINT, SIGHUP; interrupt.h): 128 + n.
constexpr int signalStatus(int signal) { return 128 + signal; }

// tarn-summary: 0 done, 1 a log that cannot be used, 2 a wrong command line.
constexpr int STATUS_SUMMARY_UNUSABLE_LOG = 1;

}  // namespace tarn
