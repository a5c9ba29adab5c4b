// The program's entry points: the main program MAIN_RU (main_RU.cpp) and
// the run it makes, with options.
#pragma once

#include "transport/run/runoptions.h"

namespace tarn {

// The whole program from a fresh start (freshstart.h); returns the exit
// status (exitstatus.h).
int runTarn(const RunOptions& options);

// The main program: a run of Nevents on the real clock.
int MAIN_RU();

}  // namespace tarn
