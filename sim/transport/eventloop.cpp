// The event loop: one neutron from the start plane to the detector plane.
//
// Generation (wavelength, energy, start cone and position), the momentum
// transfer for each target cell, transport through the beamline elements and
// the two cells with the half-crossing rule, the scatter bookkeeping, path
// length and spin rotation in the cells, and the detector tallies. Lengths in
// cm, energies in meV, angles in rad (degrees in the histograms that say so).
#include <cmath>
#include <cstdint>

#include "celltally.h"
#include "constants.h"
#include "empty.h"
#include "freeformat.h"
#include "guide.h"
#include "hbook.h"
#include "incoil.h"
#include "lost.h"
#include "neutron.h"
#include "outcoil.h"
#include "ranlux.h"
#include "run.h"
#include "sm.h"
#include "store.h"
#include "target.h"
#include "wq.h"

namespace tarn {
namespace {

// Critical angle per Å of the guides upstream of the detector guide, rad/Å.
constexpr double CRIT_FACTOR = 0.001;
// Gaps of free flight, cm.
constexpr double GAP_TO_UPSTREAM_CELL = 9.0;
constexpr double GAP_BETWEEN_CELLS = 6.8;
constexpr double GAP_TO_SPLIT_GUIDE = 12.0;
// Target cells: the x, y extent of their halves (cm).
constexpr double HALF_INNER = 0.35;
constexpr double HALF_OUTER = 3.0;
constexpr double CELL_Y = 2.5;
// Momentum-transfer sampling: S(q) has 90 bins of 0.04 1/Å from 0.
constexpr double BINS_PER_INV_ANGSTROM = 25.0;
constexpr float Q_TABLE_END = 3.6f;
constexpr std::int32_t Q_TABLE_BINS = 90;
constexpr double Q_FALLBACK = 0.4;
// Draws after which the momentum-transfer retry gives up on an event.
constexpr std::int32_t MAX_REJECTED_DRAWS = 1000000;

// Copy of S(q) sampled for each cell.
constexpr std::int32_t SQ_ID = 301;
constexpr std::int32_t UPSTREAM_COPY_ID = 302;
constexpr std::int32_t DOWNSTREAM_COPY_ID = 402;

using State = NeutronState;

void fill(std::int32_t id, double value) { HF1(id, static_cast<float>(value), 1.0f); }

double degrees(double rad) { return rad * static_cast<double>(DEG_PER_RAD); }

void notice(RunState& run, const char* text) {
  const textout::Line line = textout::Line().text(text);
  textout::print(line);
  if (run.log) run.log->write(line.str());
}

State freeFlight(const State& s, double d) {
  State out = s;
  out.x = std::tan(s.thx) * d + s.x;
  out.y = std::tan(s.thy) * d + s.y;
  out.z = s.z + d;
  return out;
}

State lostState() {
  return State{LOST_MARKER, LOST_MARKER, LOST_MARKER, LOST_MARKER, LOST_MARKER, LOST_MARKER};
}

bool inClosed(double v, double lo, double hi) { return lo <= v && v <= hi; }
bool inOpen(double v, double lo, double hi) { return lo < v && v < hi; }

double wavenumber(double E) { return std::sqrt(E * TWO_NEUTRON_MASS) / HBAR_MEV_PS; }

// Does the copy hold anything to draw from in its bins 1..nx?
bool copyHasContent(std::int32_t copyId) {
  const hbook::Histogram* h = hbook::memory().find(copyId);
  if (!h) return false;
  for (std::int32_t bin = 1; bin <= h->nx; ++bin)
    if (h->channels[bin] != 0.0f) return true;
  return false;
}

// Chooses the momentum transfer q (1/Å) for a cell entered with energy E:
// S(q) up to the largest transfer 2k, accepted once the dispersion leaves
// the neutron a positive energy and the triangle of k, k' and q closes.
// Returns false when no transfer can be found; the event then ends.
bool sampleTransfer(RunState& run, std::int32_t event, double E, bool downstream, double& q) {
  const std::int32_t copyId = downstream ? DOWNSTREAM_COPY_ID : UPSTREAM_COPY_ID;
  const double k = wavenumber(E);
  const double twoK = 2 * k;
  std::int32_t last = Q_TABLE_BINS;
  if (twoK <= static_cast<double>(Q_TABLE_END)) last = static_cast<std::int32_t>(twoK * BINS_PER_INV_ANGSTROM);

  if (downstream ? run.copy402Made : event > 1) HDELET(copyId);
  HCOPYR(SQ_ID, copyId, " ", 0, last, 0, 0, " ");
  bool fallback = false;
  if (downstream) {
    run.copy402Made = true;
    fallback = !(static_cast<double>(static_cast<float>(last)) > 0.08);
  }

  // A non-positive energy admits no transfer, and a copy with nothing in its
  // range (or the fixed fallback value, which never changes) cannot produce
  // a different draw: give up at once instead of looping.
  bool hopeless = !(E > 0.0) || (!fallback && !copyHasContent(copyId));
  std::int32_t rejected = 0;
  while (!hopeless) {
    q = fallback ? Q_FALLBACK : static_cast<double>(HRNDM1(copyId));
    double wp = 0.0;
    WQ(q, wp, E, k);
    const double ep = E - wp * HBAR_MEV_PS;
    if (ep > 0) {
      const double kp = std::sqrt(TWO_NEUTRON_MASS * ep) / HBAR_MEV_PS;
      const double cs = ((k * k + kp * kp) - q * q) / ((k * 2) * kp);
      if (!(std::fabs(cs) > 1)) return true;
    }
    if (fallback || ++rejected >= MAX_REJECTED_DRAWS) hopeless = true;
  }
  ++run.nNoTransfer;
  return false;
}

void callTarget(RunState& run, double q, const State& in, double xmin, double xmax, State& out, bool& scattered) {
  TARGET(q, HELIUM_T, in.E, in.x, in.y, in.z, in.thx, in.thy, xmin, xmax, -CELL_Y, CELL_Y, CELL_LENGTH, out.E,
         out.x, out.y, out.z, out.thx, out.thy, run.sigma, run.path, run.thetaS, run.sigmaSommers, run.sigmaIntq,
         scattered, run.theta_p, run.phi_p);
}

void callEmpty(const State& in, double xmin, double xmax, State& out) {
  EMPTY(in.E, in.x, in.y, in.z, in.thx, in.thy, xmin, xmax, -CELL_Y, CELL_Y, CELL_LENGTH, out.E, out.x, out.y,
        out.z, out.thx, out.thy);
}

}  // namespace

void runEvent(std::int32_t event, RunState& run) {
  Counters& n = run.counters;

  // Generation: wavelength from the spectrum, energy, start cone and position.
  const float lambda = HRNDM1(100);
  if (lambda < 1.0f) return;
  const double t = PLANCK_MEV_PS / static_cast<double>(lambda);
  const double En = t * t * INV_TWO_NEUTRON_MASS;
  if (En <= 1.0) ++n.nLowEnergy;

  const double c = 1 - std::cos(static_cast<double>(lambda) * static_cast<double>(0.003f));
  float r[4];
  do {
    ranlux::RANLUX(r, 4);
  } while (std::fabs(1 - static_cast<double>(r[0]) * c) > 1);
  const double th0 = std::acos(1 - static_cast<double>(r[0]) * c);
  const double ph0 = static_cast<double>(r[1]) * TWO_PI_6;
  fill(4017, th0 * 180.0 / static_cast<double>(3.14159f));

  State start;
  start.x = static_cast<double>(static_cast<float>((2 * static_cast<double>(r[2]) - 1) * 2.75));
  if (event == 1) notice(run, " ! Running with No x gradient !");
  start.y = (2 * static_cast<double>(r[3]) - 1) * 2.25;
  start.z = 0.0;
  start.thx = std::atan(std::cos(ph0) * std::tan(th0));
  start.thy = std::atan(std::sin(ph0) * std::tan(th0));
  start.E = En;

  // Momentum transfer for the upstream cell.
  double qUp = 0.0;
  if (!sampleTransfer(run, event, En, false, qUp)) return;
  fill(1, start.x);
  fill(8, start.x + std::tan(start.thx) * 116.0);
  fill(7, start.y + std::tan(start.thy) * 116.0);

  // Guides.
  State guided;
  guided.E = En;
  GUIDE(116.0, CRIT_FACTOR, En, start.x, start.y, start.z, start.thx, start.thy, guided.x, guided.y, guided.z,
        guided.thx, guided.thy);
  if (isLost(guided.x, guided.y)) return;
  fill(2, guided.x);

  State incoil;
  incoil.E = En;
  INCOIL(CRIT_FACTOR, En, guided.x, guided.y, guided.z, guided.thx, guided.thy, incoil.x, incoil.y, incoil.z,
         incoil.thx, incoil.thy);
  if (isLost(incoil.x, incoil.y)) return;
  fill(3, incoil.x);

  // Upstream cell: helium on the right, empty on the left.
  const State upIn = freeFlight(incoil, GAP_TO_UPSTREAM_CELL);
  fill(4, upIn.x);
  fill(5017, degrees(upIn.thx));
  fill(5018, degrees(upIn.thy));
  fill(5021, degrees(std::atan(std::tan(upIn.thy) / std::tan(upIn.thx))));
  bool scatteredUp = false;
  bool scatteredDown = false;

  State upOut;
  if (inClosed(upIn.x, -HALF_OUTER, -HALF_INNER)) {
    callEmpty(upIn, -HALF_OUTER, -HALF_INNER, upOut);
  } else if (inClosed(upIn.x, HALF_INNER, HALF_OUTER)) {
    callTarget(run, qUp, upIn, HALF_INNER, HALF_OUTER, upOut, scatteredUp);
    ++n.nTar1In;
    if (scatteredUp) ++n.nScatTar1;
    fill(4010, run.sigma);
    fill(4011, run.path);
    fill(4012, degrees(run.thetaS));
    fill(4013, run.sigmaSommers);
    fill(4014, run.sigmaIntq);
    fill(4015, degrees(run.theta_p));
    fill(4016, degrees(run.phi_p));
  } else {
    upOut = lostState();  // the central strip, or outside the cell
  }
  if (isLost(upOut.x, upOut.y)) return;
  fill(1001, upOut.x);
  fill(1002, upOut.y);
  const CellTally upTally = cellAccounting(upIn, upOut);

  // Between the cells: a neutron may not change halves.
  const State downIn = freeFlight(upOut, GAP_BETWEEN_CELLS);
  if (event == 1) notice(run, " ! NO transfer between L/R targets !");
  if (inClosed(upOut.x, -HALF_OUTER, -HALF_INNER) && !inClosed(downIn.x, -HALF_OUTER, -HALF_INNER)) return;
  if (inClosed(upOut.x, HALF_INNER, HALF_OUTER) && !inClosed(downIn.x, HALF_INNER, HALF_OUTER)) return;
  fill(5019, degrees(upOut.thx));
  fill(5020, degrees(upOut.thy));
  fill(5022, degrees(std::atan(std::tan(upOut.thy) / std::tan(upOut.thx))));

  // Downstream cell: helium on the left, empty on the right; strict bounds.
  double qDown = 0.0;
  if (!sampleTransfer(run, event, upOut.E, true, qDown)) return;
  State downOut;
  if (inOpen(downIn.x, -HALF_OUTER, -HALF_INNER)) {
    if (scatteredUp) ++n.nTar1ToTar2;
    scatteredDown = false;
    callTarget(run, qDown, downIn, -HALF_OUTER, -HALF_INNER, downOut, scatteredDown);
    ++n.nTar2In;
    if (scatteredDown) ++n.nScatTar2;
    fill(4010, run.sigma);
    fill(4011, run.path);
    fill(5012, degrees(run.thetaS));
    fill(4013, run.sigmaSommers);
    fill(4014, run.sigmaIntq);
    fill(5015, degrees(run.theta_p));
    fill(5016, degrees(run.phi_p));
  } else if (inOpen(downIn.x, HALF_INNER, HALF_OUTER)) {
    callEmpty(downIn, HALF_INNER, HALF_OUTER, downOut);
  } else {
    downOut = lostState();
  }
  if (isLost(downOut.x, downOut.y)) return;
  fill(2001, downOut.x);
  fill(2002, downOut.y);
  const CellTally downTally = cellAccounting(downIn, downOut);

  // Split guide and the last guide, whose exit is the detector plane.
  const State splitIn = freeFlight(downOut, GAP_TO_SPLIT_GUIDE);
  const double Ef = downOut.E;
  State split;
  OUTCOIL(CRIT_FACTOR, Ef, splitIn.x, splitIn.y, splitIn.z, splitIn.thx, splitIn.thy, split.x, split.y, split.z,
          split.thx, split.thy);
  if (isLost(split.x, split.y)) return;
  fill(5, split.x);

  State det;
  SM(Ef, split.x, split.y, split.z, split.thx, split.thy, det.x, det.y, det.z, det.thx, det.thy);
  if (isLost(det.x, det.y)) return;

  // Detection.
  ++n.nDetIn;
  fill(6, det.x);
  fill(3001, det.x);
  fill(3002, det.y);
  fill(3003, det.thx);  // rad, as they stand
  fill(3004, det.thy);
  const double totalPath =
      ((upTally.unscatteredPath + downTally.unscatteredPath) + upTally.scatteredPath) + downTally.scatteredPath;
  const double totalRotation = ((upTally.unscatteredRotation + downTally.unscatteredRotation) +
                                upTally.scatteredRotation) +
                               downTally.scatteredRotation;
  fill(3005, Ef);
  fill(4005, PLANCK_MEV_PS / std::sqrt(TWO_NEUTRON_MASS * Ef));
  fill(3006, totalPath);
  fill(3007, totalRotation);
  if (upIn.x > 0 && downOut.x > 0) {
    fill(3008, totalPath);
    fill(3009, totalRotation);
    fill(3012, Ef);
  } else if (upIn.x < 0 && downOut.x < 0) {
    fill(3010, totalPath);
    fill(3011, totalRotation);
    fill(3013, Ef);
  }
  if (En != upOut.E || upOut.E != Ef) ++n.nDetEChanged;
  if (scatteredUp || scatteredDown) {
    fill(3014, Ef);
    ++n.nScatAtDet;
  }

  if (run.observer) {
    DetectedNeutron seen;
    seen.event = event;
    seen.En = En;
    seen.qUp = qUp;
    seen.qDown = qDown;
    seen.upIn = upIn;
    seen.upOut = upOut;
    seen.downIn = downIn;
    seen.downOut = downOut;
    seen.detector = det;
    seen.detector.E = Ef;
    seen.scatteredUp = scatteredUp;
    seen.scatteredDown = scatteredDown;
    seen.up = upTally;
    seen.down = downTally;
    seen.totalPath = totalPath;
    seen.totalRotation = totalRotation;
    run.observer(seen);
  }
}

}  // namespace tarn
