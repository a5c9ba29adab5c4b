// Numbers per second from RANLUX at luxury level 3, in the vector lengths the
// transport uses (4 per generated neutron, 3 per target call, 1 and next() as
// the histogram sampler draws) and in one long vector; and each way of
// skipping n steps (skipsteps.h), at the luxury levels' skips and around
// the lengths where the run changes from one way to the next.
#include <benchmark/benchmark.h>

#include <sstream>
#include <vector>

#include "ranlux/chunksteps.h"
#include "ranlux/pairsteps.h"
#include "ranlux/ranlux.h"
#include "ranlux/skipsteps.h"
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

// n steps (state.range(1)) one way (state.range(0): 0 one by one, 1 in
// pairs, 2 in groups of eight, 3 by multiplication), call after call, the
// lags moving on as in a run.
void skipWays(benchmark::State& state) {
  const auto way = state.range(0);
  const auto n = static_cast<std::int32_t>(state.range(1));
  std::int32_t seeds[24];
  for (int k = 0; k < 24; ++k) seeds[k] = (k * 2654435 + 12345) & 0xFFFFFF;
  int i24 = 23, j24 = 9;
  std::int32_t carry = 0;
  const ranlux::lcg576::Number an = ranlux::lcg576::stepsMultiplier(static_cast<std::uint64_t>(n));
  for (auto _ : state) {
    if (way == 0) ranlux::skipSteps(seeds, i24, j24, carry, n);
    if (way == 1) {
      ranlux::pairSteps(seeds, i24, j24, carry, n);
      if (n % 2 != 0) ranlux::step(seeds, i24, j24, carry);
    }
    if (way == 2) ranlux::chunkSteps(seeds, i24, j24, carry, n);
    if (way == 3) ranlux::multiplySteps(seeds, i24, j24, carry, static_cast<std::uint64_t>(n), an);
    benchmark::DoNotOptimize(seeds);
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(skipWays)->ArgNames({"way", "steps"})->ArgsProduct({{0, 1, 2, 3}, {40, 73, 96, 199, 365, 479}});
BENCHMARK(drawVectors)->Name("RANLUX_lux3/length")->Arg(1)->Arg(3)->Arg(4)->Arg(100000);
BENCHMARK(drawOne)->Name("RANLUX_lux3/next");
BENCHMARK(runLevelFour)->Name("RANLUX_lux3_runlevel/length:4");
