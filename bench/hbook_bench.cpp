// Histogram memory throughput: HF1 fills and HRNDM1 draws per second on a
// 200-bin histogram (like the wavelength spectrum) and a 90-bin one (like
// S(q)), and the per-event working copy (HDELET + HCOPYR + one draw).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"

namespace {

// A fresh run memory holding histogram 1 with nx bins over [0, 20): empty
// first and last tenth, a smooth bump in between.
void bookSpectrum(std::int32_t nx) {
  hbook::memory().clear();
  hbook::resetRndm();
  HLIMIT(1000000);
  HBOOK1(1, "spectrum", nx, 0.0f, 20.0f, 0.0f);
  for (std::int32_t i = nx / 10; i < nx - nx / 10; ++i) {
    const float x = (static_cast<float>(i) + 0.5f) * 20.0f / static_cast<float>(nx);
    HF1(1, x, std::exp(-0.5f * (x - 6.0f) * (x - 6.0f) / 4.0f) + 0.01f);
  }
}

void BM_HF1(benchmark::State& state) {
  const auto nx = static_cast<std::int32_t>(state.range(0));
  bookSpectrum(nx);
  // Values spread over the range and a little beyond it (under/overflow).
  std::vector<float> xs(4096);
  for (std::size_t i = 0; i < xs.size(); ++i)
    xs[i] = -1.0f + 22.0f * static_cast<float>((i * 2654435761u) % 4096u) / 4096.0f;
  std::size_t i = 0;
  for (auto _ : state) {
    HF1(1, xs[i], 1.0f);
    i = (i + 1) & 4095u;
  }
  state.SetItemsProcessed(state.iterations());
  hbook::memory().clear();
}
BENCHMARK(BM_HF1)->Arg(200)->Arg(90);

void BM_HRNDM1(benchmark::State& state) {
  const auto nx = static_cast<std::int32_t>(state.range(0));
  bookSpectrum(nx);
  HRNDM1(1);  // the one-off integration
  for (auto _ : state) benchmark::DoNotOptimize(HRNDM1(1));
  state.SetItemsProcessed(state.iterations());
  hbook::memory().clear();
}
BENCHMARK(BM_HRNDM1)->Arg(200)->Arg(90);

// What the event loop does per stage: replace the copy of bins 0..last of a
// 90-bin histogram and draw from it once (integration included).
void BM_CopyAndDraw(benchmark::State& state) {
  bookSpectrum(90);
  HCOPYR(1, 302, " ", 0, 77, 0, 0, " ");
  for (auto _ : state) {
    HDELET(302);
    HCOPYR(1, 302, " ", 0, 77, 0, 0, " ");
    benchmark::DoNotOptimize(HRNDM1(302));
  }
  state.SetItemsProcessed(state.iterations());
  hbook::memory().clear();
}
BENCHMARK(BM_CopyAndDraw);

}  // namespace
