// The program with the clock fixed at the reading of the regression
// references (ranNo 763595), for measurements that must see the same run
// every time (bench/run_bench.cpp, BM_PeakMemory). Run it in a directory
// holding the inputs.
#include "transport/run/main_RU.h"
#include "transport/run/runoptions.h"
#include "transport/run/runstamp.h"

int main() {
  tarn::RunOptions options;
  options.clock = [] { return tarn::makeStamp(2026, 11, 2, 14, 37, 41, 503); };
  return tarn::runTarn(options);
}
