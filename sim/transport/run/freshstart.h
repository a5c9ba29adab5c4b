// The state of a process that has just started: empty histogram memory,
// the histogram sampler's generator RNDM at its start, RANLUX not yet
// initialised. A run starts from it; so do tests and benchmarks that run
// the program, or part of it, several times in one process.
#pragma once

namespace tarn {

void startFresh();

}  // namespace tarn
