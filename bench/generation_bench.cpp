// Generation and the first two guides per neutron: the event loop's
// generation stage (wavelength, energy, start cone and position, the start
// angle histogram) followed by GUIDE (116 cm) and INCOIL (89 cm), on a flat
// spectrum of 90 bins of 0.1 Å from 1 to 10 Å, so that no neutron is dropped.
#include <benchmark/benchmark.h>

#include <sstream>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"
#include "ranlux/ranlux.h"
#include "textout/console.h"
#include "transport/beamline/guide.h"
#include "transport/beamline/incoil.h"
#include "transport/event/catalogue.h"
#include "transport/event/runstate.h"
#include "transport/event/stages.h"
#include "transport/run/freshstart.h"

namespace {

void BM_GenerationGuideIncoil(benchmark::State& state) {
  std::ostringstream sink;
  textout::setConsole(&sink);
  tarn::startFresh();  // a fresh process
  HLIMIT(1000000);
  HBOOK1(100, "flat 1-10 A", 90, 1.0f, 10.0f, 0.0f);
  for (int bin = 0; bin < 90; ++bin) HF1(100, 1.05f + 0.1f * static_cast<float>(bin), 1.0f);
  ranlux::RLUXGO(3, 763595, 0, 0);
  tarn::bookResultHistograms();
  tarn::RunState run;
  std::int64_t passed = 0;
  for (auto _ : state) {
    tarn::NeutronState s, g, i;
    tarn::generateNeutron(run, 2, s);
    GUIDE(116.0, 0.001, 3.05, 2.55, s.E, s.x, s.y, s.z, s.thx, s.thy, g.x, g.y, g.z, g.thx, g.thy);
    INCOIL(89.0, 0.001, 3.05, 2.55, s.E, g.x, g.y, g.z, g.thx, g.thy, i.x, i.y, i.z, i.thx, i.thy);
    benchmark::DoNotOptimize(i);
    passed += i.x > -1.0e5 && i.y > -1.0e5;
  }
  textout::setConsole(nullptr);
  state.counters["passed"] = static_cast<double>(passed) / static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations());
  hbook::memory().clear();
}

}  // namespace

BENCHMARK(BM_GenerationGuideIncoil)->Unit(benchmark::kNanosecond)->Iterations(1000000)->Repetitions(5)->ReportAggregatesOnly(true);
