// Numbers per second from RANLUX at luxury level 3, in the vector lengths the
// transport uses (4 per generated neutron, 3 per target call, 1 and next() as
// the histogram sampler draws) and in one long vector.
#include <benchmark/benchmark.h>

#include <sstream>
#include <vector>

#include "ranlux/ranlux.h"
#include "textout/console.h"

namespace {

void drawVectors(benchmark::State& state) {
  const auto lenv = static_cast<std::int32_t>(state.range(0));
  std::ostringstream quiet;
  textout::setConsole(&quiet);
  ranlux::Ranlux gen;
  gen.rluxgo(3, 12345, 0, 0);
  textout::setConsole(nullptr);
  std::vector<float> rvec(static_cast<std::size_t>(lenv));
  for (auto _ : state) {
    gen.ranlux(rvec.data(), lenv);
    benchmark::DoNotOptimize(rvec.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * lenv);
}

// The run-level pair, as the event loop calls it.
void runLevelFour(benchmark::State& state) {
  std::ostringstream quiet;
  textout::setConsole(&quiet);
  ranlux::RLUXGO(3, 12345, 0, 0);
  textout::setConsole(nullptr);
  float rvec[4];
  for (auto _ : state) {
    ranlux::RANLUX(rvec, 4);
    benchmark::DoNotOptimize(rvec);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 4);
}

// One number at a time, as the histogram sampler draws.
void drawOne(benchmark::State& state) {
  std::ostringstream quiet;
  textout::setConsole(&quiet);
  ranlux::Ranlux gen;
  gen.rluxgo(3, 12345, 0, 0);
  textout::setConsole(nullptr);
  for (auto _ : state) {
    float r = gen.next();
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(drawVectors)->Name("RANLUX_lux3/length")->Arg(1)->Arg(3)->Arg(4)->Arg(100000);
BENCHMARK(drawOne)->Name("RANLUX_lux3/next");
BENCHMARK(runLevelFour)->Name("RANLUX_lux3_runlevel/length:4");
