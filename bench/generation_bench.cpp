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
#include "transport/event/stagesupport.h"
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
  // Every field the loop reads is written in each pass (E of g and i stays 0).
  tarn::NeutronState s, g, i;
  for (auto _ : state) {
    tarn::generateNeutron(run, 2, s);
    // The slopes carried as the guide stage carries them (guidestages.cpp):
    // taken once for GUIDE, then kept for each angle GUIDE kept. A lost
    // neutron is outside INCOIL's window, which does not read the slopes.
    const tarn::Slopes slope = tarn::slopesOf(s);
    GUIDE(116.0, 0.001, 3.05, 2.55, s.E, s.x, s.y, s.z, s.thx, s.thy, g.x, g.y, g.z, g.thx, g.thy, slope.x, slope.y);
    const tarn::Slopes guided = tarn::isLost(g.x, g.y) ? slope : tarn::slopesAfter(g, s, slope);
    INCOIL(89.0, 0.001, 3.05, 2.55, s.E, g.x, g.y, g.z, g.thx, g.thy, i.x, i.y, i.z, i.thx, i.thy, guided.x, guided.y);
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
