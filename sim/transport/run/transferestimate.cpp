// The expected number of draws of the momentum transfer per event.
//
// The wavelength range of the spectrum above the shortest wavelength followed (1 Å shipped) is divided into
// cells of equal width in k (k = 2 pi / λ). In each cell, at its centre
// energy E and wave number k, the copy of S(q) holds bins 1..last with
// last = int(2k * 25) (all 90 above 2k = 3.6 1/Å), as the sampler makes it.
// Each of those bins is tried at Q_POINTS evenly spaced q with the
// dispersion and the test of the event loop (positive energy left, closed
// triangle); the bin's share of accepted points, weighted by its content,
// gives the acceptance p of the cell, and an event in the cell needs 1/p
// draws on average, at most 10^6, none when the copy is empty. The spectrum
// then averages the cells' costs: each bin is split into sub-points spread
// over its width, each looked up in its cell.
#include "transport/run/transferestimate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>

#include "textout/console.h"
#include "transport/event/kinematics.h"
#include "transport/helium/wq.h"

namespace tarn {
namespace {

// The sampler's limits (kinematics.h): S(q)'s bins, and the draws after
// which an event gives up.
constexpr int Q_BINS = Q_TABLE_BINS;
constexpr double MAX_DRAWS = static_cast<double>(MAX_REJECTED_DRAWS);
// Below this q the dispersion depends on E and k (its small-q correction).
constexpr double SMALL_Q = 0.1;

// Resolution of the estimate: cells in k, q points per S(q) bin, and the
// sub-points the spectrum is spread over.
constexpr int K_CELLS = 512;
constexpr int Q_POINTS = 8;
constexpr int SPECTRUM_POINTS = 4096;

// The dispersion's own diagnostics would be noise here: the console is
// silenced while it is consulted.
class QuietConsole {
 public:
  QuietConsole() : previous_(&textout::console()) { textout::setConsole(&sink_); }
  ~QuietConsole() { textout::setConsole(previous_); }

 private:
  std::ostream* previous_;
  std::ostream sink_{nullptr};
};

struct Cell {
  double draws = 0.0;
  bool impossible = false;
};

}  // namespace

TransferEstimate estimateTransfers(const hbook::Histogram& spectrum, const hbook::Histogram& sq, float shortestWavelength) {
  TransferEstimate out;
  const double lambdaCut = shortestWavelength;  // Å: events below it are dropped
  const int nx = spectrum.nx;
  if (nx < 1 || spectrum.channels.size() != static_cast<std::size_t>(nx) + 2 ||
      sq.channels.size() != static_cast<std::size_t>(Q_BINS) + 2)
    return out;

  // Spectrum weights: contents, or differences of contents the sampler has
  // already integrated (entries -1).
  std::vector<double> weight(static_cast<std::size_t>(nx) + 1, 0.0);
  double total = 0.0;
  for (int j = 1; j <= nx; ++j) {
    const double c = spectrum.channels[j];
    const double w = spectrum.entries == -1 ? c - (j > 1 ? static_cast<double>(spectrum.channels[j - 1]) : 0.0) : c;
    weight[j] = std::max(w, 0.0);
    total += weight[j];
  }
  if (!(total > 0.0)) return out;
  const double width = (static_cast<double>(spectrum.xmax) - spectrum.xmin) / nx;
  auto lowEdge = [&](int j) { return spectrum.xmin + (j - 1) * width; };

  // Wavelengths that get past the cut: [lambdaA, lambdaB].
  double lambdaA = 0.0, lambdaB = 0.0;
  for (int j = 1; j <= nx; ++j) {
    if (weight[j] <= 0.0 || lowEdge(j + 1) <= lambdaCut) continue;
    if (lambdaA == 0.0) lambdaA = std::max(lowEdge(j), lambdaCut);
    lambdaB = lowEdge(j + 1);
  }
  if (lambdaB <= lambdaA) return out;

  // The transfer q at the Q_POINTS points of each S(q) bin, and the
  // dispersion there for q >= SMALL_Q (independent of E and k).
  QuietConsole quiet;
  std::vector<double> qAt(Q_BINS * Q_POINTS), wpAt(Q_BINS * Q_POINTS, 0.0);
  for (int i = 0; i < Q_BINS; ++i) {
    for (int m = 0; m < Q_POINTS; ++m) {
      const double q = Q_BIN_WIDTH * (i + (m + 0.5) / Q_POINTS);
      qAt[i * Q_POINTS + m] = q;
      if (q >= SMALL_Q) WQ(q, wpAt[i * Q_POINTS + m], 1.0, 1.0);
    }
  }

  // Cells of equal width in 1/λ from 1/lambdaB to 1/lambdaA.
  const double uLow = 1.0 / lambdaB, uHigh = 1.0 / lambdaA;
  const double du = (uHigh - uLow) / K_CELLS;
  std::vector<Cell> cells(K_CELLS);
  for (int c = 0; c < K_CELLS; ++c) {
    const double E = energyOfWavelength(static_cast<float>(1.0 / (uLow + (c + 0.5) * du)));
    const double k = wavenumber(E);
    const int last = lastTransferBin(k);
    double content = 0.0, acceptedContent = 0.0;
    for (int i = 0; i < last; ++i) {
      const double s = sq.channels[i + 1];
      if (s <= 0.0) continue;
      int hits = 0;
      for (int m = 0; m < Q_POINTS; ++m) {
        const double q = qAt[i * Q_POINTS + m];
        double wp = wpAt[i * Q_POINTS + m];
        if (q < SMALL_Q) WQ(q, wp, E, k);
        if (transferAllowedEstimated(q, wp, E, k)) ++hits;
      }
      content += s;
      acceptedContent += s * hits / Q_POINTS;
    }
    if (content <= 0.0) continue;  // the event ends at once
    const double p = acceptedContent / content;
    cells[c].impossible = p <= 0.0;
    cells[c].draws = p > 0.0 ? std::min(1.0 / p, MAX_DRAWS) : MAX_DRAWS;
  }

  // The spectrum over the cells.
  const int perBin = std::clamp((SPECTRUM_POINTS + nx - 1) / nx, 1, SPECTRUM_POINTS);
  for (int j = 1; j <= nx; ++j) {
    if (weight[j] <= 0.0) continue;
    const double share = weight[j] / total / perBin;
    for (int m = 0; m < perBin; ++m) {
      const double lambda = lowEdge(j) + (m + 0.5) / perBin * width;
      if (lambda < lambdaCut) continue;
      const int c = std::clamp(static_cast<int>((1.0 / lambda - uLow) / du), 0, K_CELLS - 1);
      out.drawsPerEvent += share * cells[c].draws;
      if (!cells[c].impossible) continue;
      if (out.impossibleShare == 0.0 || lambda < out.impossibleFrom) out.impossibleFrom = lambda;
      out.impossibleTo = std::max(out.impossibleTo, lambda);
      out.impossibleShare += share;
    }
  }
  return out;
}

std::vector<std::string> refuseCostlyTransfers(const TransferEstimate& e) {
  if (!(e.drawsPerEvent > MAX_DRAWS_PER_EVENT)) return {};
  char line[320];
  std::vector<std::string> lines;
  std::snprintf(line, sizeof line,
                " sq.hbook, lam.hbook: momentum transfers are nearly impossible: an event would need %.3g draws of q "
                "on average (the shipped inputs need about 3; the limit is %g)",
                e.drawsPerEvent, MAX_DRAWS_PER_EVENT);
  lines.push_back(line);
  if (e.impossibleShare > 0.0) {
    std::snprintf(line, sizeof line,
                  " %.3g %% of the events (wavelengths %.3g to %.3g Angstrom) find S(q) only where the helium "
                  "dispersion allows no transfer and would each spend 1e+06 draws in vain",
                  100 * e.impossibleShare, e.impossibleFrom, e.impossibleTo);
  } else {
    std::snprintf(line, sizeof line,
                  " S(q) lies mostly where the helium dispersion allows no transfer for the wavelengths of the spectrum");
  }
  lines.push_back(line);
  return lines;
}

}  // namespace tarn
