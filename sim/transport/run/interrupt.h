// Signals that stop a run: SIGTERM, SIGINT and SIGHUP.
//
// While a StopSignals object lives, these signals only record their number;
// the event-loop driver looks before each event, the histogram-file writer
// after each record (hbook/writestop.h), and the run stops there: the
// temporary file is removed, the log gets one line saying where the run was
// interrupted and by which signal, and the exit status is 128 + the signal's
// number. A second signal while the first is being answered removes the
// temporary file and leaves at once with that status. SIGXFSZ and SIGPIPE
// are ignored meanwhile: a write beyond the file-size limit fails with EFBIG
// and is reported like any other failed write, and a console piped into a
// reader that has gone (tarn | head) fails with EPIPE, which the run reports
// at its end after writing its files, instead of either killing the run.
#pragma once

#include <csignal>

#include "transport/run/exitstatus.h"  // signalStatus

namespace tarn {

class StopSignals {
 public:
  StopSignals();   // installs the handlers, forgets any earlier signal
  ~StopSignals();  // restores what was there before
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  struct sigaction previous_[5];
};

// From now on a second signal is recorded like the first instead of ending
// the process (a worker process of --jobs, whose run forwards signals to it
// and needs its last block's results).
void recordStopSignalsOnly();

// The first stop signal received while a StopSignals lives, or 0.
int pendingStopSignal();

// "SIGTERM", "SIGINT", "SIGHUP", or "signal N".
const char* stopSignalName(int signal);

}  // namespace tarn
