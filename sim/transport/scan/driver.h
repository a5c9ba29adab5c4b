// tarn scan: a parameter scan of the beamline (options.h says the command
// line). Before anything is made, every point's description is read and
// checked as tarn checks one (status 2), and, when the spectrum can be read,
// the model's limits against it (status 3). Then, in the scan's folder: the
// manifest scan.toml (manifest.h), a folder per point (points.h), and each
// point's run, a tarn process of its own (pointprocess.h), as many at a time
// as the job slots allow (schedule.h). When every point is done, tarn-report
// makes the table scan.csv, the plot scan.png and the page scan.html.
//
// A stop signal (SIGTERM, SIGINT, SIGHUP) is passed on to the points
// running, which stop as tarn runs do (a run of several blocks keeps its
// checkpoint); the scan ends with 128 + the signal's number, and the same
// command goes on: points done are not run again, a point with a checkpoint
// goes on from it, any other is run again (pointfolder.h). A second signal
// ends the scan at once; its points still stop as at the first.
//
// Exit status: 0 done; 2 a wrong command line or description, or a folder
// holding another scan; 3 a point's beamline breaks the model's limits with
// the spectrum; 7 a point's run failed (the scan stops, the points done are
// kept); 8 the points are done but the table, plot and page could not be
// made; 128 + n stopped by signal n.
#pragma once

#include <string>

namespace tarn::scan {

// argv[0] is "scan"; `tarnProgram` the path of tarn itself (the points' runs).
int runScan(int argc, const char* const* argv, const std::string& tarnProgram);

}  // namespace tarn::scan
