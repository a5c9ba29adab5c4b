#include "transport/run/interrupt.h"

#include <unistd.h>

#include <cstdio>

#include "hbook/rz/writestop.h"

namespace tarn {
namespace {

constexpr int STOP_SIGNALS[3] = {SIGTERM, SIGINT, SIGHUP};

volatile std::sig_atomic_t g_signal = 0;
volatile std::sig_atomic_t g_recordOnly = 0;

// Async-signal-safe: only a flag, unlink and _exit.
void onStopSignal(int signal) {
  if (g_signal == 0 || g_recordOnly) {
    g_signal = signal;
    return;
  }
  hbook::removeTemporaryFile();
  _exit(signalStatus(signal));
}

int pending() { return g_signal; }

}  // namespace

StopSignals::StopSignals() {
  g_signal = 0;
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < 3; ++i) sigaction(STOP_SIGNALS[i], &action, &previous_[i]);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGXFSZ, &ignore, &previous_[3]);
  sigaction(SIGPIPE, &ignore, &previous_[4]);
  hbook::setStopCheck(pending);
}

StopSignals::~StopSignals() {
  hbook::setStopCheck(nullptr);
  for (int i = 0; i < 3; ++i) sigaction(STOP_SIGNALS[i], &previous_[i], nullptr);
  sigaction(SIGXFSZ, &previous_[3], nullptr);
  sigaction(SIGPIPE, &previous_[4], nullptr);
}

void recordStopSignalsOnly() { g_recordOnly = 1; }

int pendingStopSignal() { return g_signal; }

const char* stopSignalName(int signal) {
  switch (signal) {
    case SIGTERM:
      return "SIGTERM";
    case SIGINT:
      return "SIGINT";
    case SIGHUP:
      return "SIGHUP";
    default: {
      static char name[32];
      std::snprintf(name, sizeof name, "signal %d", signal);
      return name;
    }
  }
}

}  // namespace tarn
