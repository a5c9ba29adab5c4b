// Per-call cost of the beamline elements on a fixed sample of neutrons that
// mixes straight passages, reflections and losses.
#include <cmath>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#include "transport/beamline/empty.h"
#include "transport/beamline/guide.h"
#include "transport/beamline/incoil.h"
#include "transport/beamline/outcoil.h"
#include "transport/beamline/sm.h"

namespace {

struct Neutron {
  double E, x, y, z, thx, thy;  // meV, cm, cm, cm, rad, rad
};

// Beam-like neutrons: 1 to 20 meV, xLow <= |x| <= xHigh, |y| < 2.25 cm,
// directions in a cone of lambda * 0.0015 rad (half the start cone); most
// pass straight. With wallBound, half of them instead start within 0.1 cm of
// the outer wall at xHigh, heading for it at 0.3 to 1.0 times lambda * 0.001
// rad, so that reflections (and some losses) are frequent.
std::vector<Neutron> sample(double xLow, double xHigh, bool wallBound) {
  std::mt19937_64 gen(12345);
  std::uniform_real_distribution<double> uni(0.0, 1.0);
  std::vector<Neutron> v(4096);
  for (Neutron& n : v) {
    n.E = 1.0 + 19.0 * uni(gen);
    const double lambda = 4.135665730796 / std::sqrt(n.E * 0.2090815502);
    const double th0 = lambda * 0.0015 * std::sqrt(uni(gen));
    const double phi = 6.28318 * uni(gen);
    n.thx = th0 * std::cos(phi);
    n.thy = th0 * std::sin(phi);
    const double side = uni(gen) < 0.5 ? -1.0 : 1.0;
    n.x = side * (xLow + (xHigh - xLow) * uni(gen));
    n.y = -2.25 + 4.5 * uni(gen);
    n.z = 0.0;
    if (wallBound && uni(gen) < 0.5) {
      n.x = side * (xHigh - 0.1 * uni(gen));
      n.thx = side * lambda * 0.001 * (0.3 + 0.7 * uni(gen));
    }
  }
  return v;
}

template <typename Call>
void run(benchmark::State& state, const std::vector<Neutron>& v, Call call) {
  std::size_t i = 0;
  for (auto _ : state) {
    const Neutron& n = v[i];
    i = (i + 1) & (v.size() - 1);
    call(n);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_EMPTY(benchmark::State& state) {
  const std::vector<Neutron> v = sample(0.35, 3.0, state.range(0) != 0);
  run(state, v, [](const Neutron& n) {
    double Eo, xo, yo, zo, txo, tyo;
    EMPTY(n.E, -std::fabs(n.x), n.y, n.z, n.thx, n.thy, -3.0, -0.35, -2.5, 2.5, 41.6, Eo, xo, yo,
          zo, txo, tyo);
    benchmark::DoNotOptimize(Eo);
    benchmark::DoNotOptimize(xo);
    benchmark::DoNotOptimize(yo);
    benchmark::DoNotOptimize(zo);
    benchmark::DoNotOptimize(txo);
    benchmark::DoNotOptimize(tyo);
  });
}

template <typename Element>
void runFive(benchmark::State& state, const std::vector<Neutron>& v, Element element) {
  // Share of the sample reflected (either plane) and lost, for the record.
  double reflected = 0.0, lost = 0.0;
  for (const Neutron& n : v) {
    double xo, yo, zo, txo, tyo;
    element(n, xo, yo, zo, txo, tyo);
    if (xo < -1.0e5 || yo < -1.0e5) {
      lost += 1.0;
    } else if (txo != n.thx || tyo != n.thy) {
      reflected += 1.0;
    }
  }
  state.counters["reflected"] = reflected / static_cast<double>(v.size());
  state.counters["lost"] = lost / static_cast<double>(v.size());
  run(state, v, [&](const Neutron& n) {
    double xo, yo, zo, txo, tyo;
    element(n, xo, yo, zo, txo, tyo);
    benchmark::DoNotOptimize(xo);
    benchmark::DoNotOptimize(yo);
    benchmark::DoNotOptimize(zo);
    benchmark::DoNotOptimize(txo);
    benchmark::DoNotOptimize(tyo);
  });
}

void BM_GUIDE(benchmark::State& state) {
  runFive(state, sample(0.0, 3.05, state.range(0) != 0),
          [](const Neutron& n, double& xo, double& yo, double& zo, double& txo, double& tyo) {
            GUIDE(116.0, 0.001, 3.05, 2.55, n.E, n.x, n.y, n.z, n.thx, n.thy, xo, yo, zo, txo, tyo);
          });
}

void BM_INCOIL(benchmark::State& state) {
  runFive(state, sample(0.0, 3.05, state.range(0) != 0),
          [](const Neutron& n, double& xo, double& yo, double& zo, double& txo, double& tyo) {
            INCOIL(89.0, 0.001, 3.05, 2.55, n.E, n.x, n.y, n.z, n.thx, n.thy, xo, yo, zo, txo, tyo);
          });
}

void BM_OUTCOIL(benchmark::State& state) {
  runFive(state, sample(0.35, 3.0, state.range(0) != 0),
          [](const Neutron& n, double& xo, double& yo, double& zo, double& txo, double& tyo) {
            OUTCOIL(108.0, 0.001, 3.0, 0.35, 2.5, n.E, n.x, n.y, n.z, n.thx, n.thy, xo, yo, zo, txo, tyo);
          });
}

void BM_SM(benchmark::State& state) {
  runFive(state, sample(0.0, 2.85, state.range(0) != 0),
          [](const Neutron& n, double& xo, double& yo, double& zo, double& txo, double& tyo) {
            SM(28.0, 0.003, 2.85, 2.25, n.E, n.x, n.y, n.z, n.thx, n.thy, xo, yo, zo, txo, tyo);
          });
}

}  // namespace

// Argument 0: beam-like sample; 1: half of it aimed at a wall.
BENCHMARK(BM_EMPTY)->Arg(0)->Arg(1);
BENCHMARK(BM_GUIDE)->Arg(0)->Arg(1);
BENCHMARK(BM_INCOIL)->Arg(0)->Arg(1);
BENCHMARK(BM_OUTCOIL)->Arg(0)->Arg(1);
BENCHMARK(BM_SM)->Arg(0)->Arg(1);
