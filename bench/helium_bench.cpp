// Per-call cost of the helium routines: TARGET on neutron samples that
// scatter often (SOMMERS branch), seldom (INTQ branch) or miss the entrance
// window, and the table routines WQ, SOMMERS and INTQ.
#include <cmath>
#include <random>
#include <sstream>
#include <vector>

#include <benchmark/benchmark.h>

#include "ranlux/ranlux.h"
#include "textout/console.h"
#include "transport/helium/intq.h"
#include "transport/helium/sommers.h"
#include "transport/helium/target.h"
#include "transport/helium/wq.h"

namespace {

struct Neutron {
  double q, E, x, y, thx, thy;  // 1/Å, meV, cm, cm, rad, rad
};

double waveNumber(double e) { return std::sqrt(e * 0.2090815502) / 0.6582122; }

// True when the transfer q leaves the neutron energy and closes the triangle.
bool allowed(double q, double e) {
  double wp = 0.0;
  const double k0 = waveNumber(e);
  WQ(q, wp, e, k0);
  const double ep = e - wp * 0.6582122;
  if (!(ep > 0.0)) return false;
  const double kp = waveNumber(ep);
  return std::fabs(k0 - kp) <= q && q <= k0 + kp;
}

// Neutrons of 2 to 20 meV entering the upstream cell (right half), directions
// within a few mrad, with allowed transfers drawn from [qLow, qHigh]. With
// `miss` the entrance points lie left of the window.
std::vector<Neutron> sample(double qLow, double qHigh, bool miss) {
  std::mt19937_64 gen(2024);
  std::uniform_real_distribution<double> uni(0.0, 1.0);
  std::vector<Neutron> v(4096);
  for (Neutron& n : v) {
    n.E = 2.0 + 18.0 * uni(gen);
    do {
      n.q = qLow + (qHigh - qLow) * uni(gen);
    } while (!allowed(n.q, n.E));
    n.x = miss ? -0.3 - 2.0 * uni(gen) : 0.4 + 2.5 * uni(gen);
    n.y = -2.4 + 4.8 * uni(gen);
    n.thx = 0.006 * (uni(gen) - 0.5);
    n.thy = 0.006 * (uni(gen) - 0.5);
  }
  return v;
}

void runTarget(benchmark::State& state, const std::vector<Neutron>& neutrons) {
  std::ostringstream sink;
  textout::setConsole(&sink);
  ranlux::RLUXGO(3, 4711, 0, 0);
  double Eout, xout, yout, zout, thxout, thyout, sigma, path, thetaS, sigmaSommers, sigmaIntq;
  double theta_p, phi_p;
  bool scattered = false;
  std::size_t i = 0;
  std::int64_t nScattered = 0;
  for (auto _ : state) {
    const Neutron& n = neutrons[i++ & 4095];
    scattered = false;
    TARGET(n.q, 2.1, n.E, n.x, n.y, 230.0, n.thx, n.thy, 0.35, 3.0, -2.5, 2.5, 41.6, Eout, xout,
           yout, zout, thxout, thyout, sigma, path, thetaS, sigmaSommers, sigmaIntq, scattered,
           theta_p, phi_p);
    nScattered += scattered;
    benchmark::DoNotOptimize(xout);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["scattered"] =
      static_cast<double>(nScattered) / static_cast<double>(state.iterations());
  textout::setConsole(nullptr);
}

void BM_TargetSommersBranch(benchmark::State& state) {
  static const auto neutrons = sample(0.6, 2.0, false);
  runTarget(state, neutrons);
}
BENCHMARK(BM_TargetSommersBranch);

void BM_TargetIntqBranch(benchmark::State& state) {
  static const auto neutrons = sample(0.05, 0.55, false);
  runTarget(state, neutrons);
}
BENCHMARK(BM_TargetIntqBranch);

void BM_TargetWindowMiss(benchmark::State& state) {
  static const auto neutrons = sample(0.6, 2.0, true);
  runTarget(state, neutrons);
}
BENCHMARK(BM_TargetWindowMiss);

void BM_Wq(benchmark::State& state) {
  // q over the whole table, a tenth of them below 0.1 (small-q correction).
  std::mt19937_64 gen(7);
  std::uniform_real_distribution<double> uni(0.0, 1.0);
  std::vector<double> q(4096), e(4096);
  for (std::size_t j = 0; j < q.size(); ++j) {
    q[j] = 3.6 * uni(gen) * 0.99;
    e[j] = 0.5 + 19.5 * uni(gen);
  }
  std::size_t i = 0;
  double wp = 0.0;
  for (auto _ : state) {
    const std::size_t j = i++ & 4095;
    WQ(q[j], wp, e[j], waveNumber(e[j]));
    benchmark::DoNotOptimize(wp);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Wq);

void BM_Sommers(benchmark::State& state) {
  std::mt19937_64 gen(8);
  std::uniform_real_distribution<double> uni(0.0, 1.0);
  std::vector<double> e(4096);
  for (double& v : e) v = 0.3 + 30.0 * uni(gen);
  std::size_t i = 0;
  double sigma = 0.0;
  for (auto _ : state) {
    SOMMERS(2.1, e[i++ & 4095], sigma);
    benchmark::DoNotOptimize(sigma);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Sommers);

void BM_Intq(benchmark::State& state) {
  std::mt19937_64 gen(9);
  std::uniform_real_distribution<double> uni(0.0, 1.0);
  std::vector<double> q(4096);
  for (double& v : q) v = 0.562803 * uni(gen);
  std::size_t i = 0;
  double sigq = 0.0;
  for (auto _ : state) {
    INTQ(2.1, q[i++ & 4095], sigq);
    benchmark::DoNotOptimize(sigq);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Intq);

}  // namespace
