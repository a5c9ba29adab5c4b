// The two target cells and the flight between them. Each cell is split at
// x = 0: helium in one half (TARGET), nothing in the other (EMPTY), and a
// central strip |x| < septum half-width (0.35 cm shipped) that stops the
// neutron. Which half holds helium is the beamline's (shipped: the right
// half upstream, the left half downstream).
#include <cmath>
#include <cstdint>

#include "transport/beamline/empty.h"
#include "transport/event/celltally.h"
#include "transport/event/catalogue.h"
#include "transport/event/stages.h"
#include "transport/event/stagesupport.h"
#include "transport/helium/target.h"
#include "transport/lost.h"
#include "transport/recentcalls.h"

namespace tarn {
namespace {

void callTarget(RunState& run, double q, const NeutronState& in, double xmin, double xmax, NeutronState& out,
                bool& scattered) {
  const TargetCells& c = run.beamline.cells;
  TARGET(q, c.temperature, in.E, in.x, in.y, in.z, in.thx, in.thy, xmin, xmax, -c.halfHeight, c.halfHeight, c.length,
         out.E, out.x, out.y, out.z, out.thx, out.thy, run.sigma, run.path, run.thetaS, run.sigmaSommers, run.sigmaIntq,
         scattered, run.theta_p, run.phi_p);
}

void callEmpty(const TargetCells& c, const NeutronState& in, double xmin, double xmax, NeutronState& out) {
  EMPTY(in.E, in.x, in.y, in.z, in.thx, in.thy, xmin, xmax, -c.halfHeight, c.halfHeight, c.length, out.E, out.x, out.y,
        out.z, out.thx, out.thy);
}

// The same with the slopes of in's angles that the caller took (bit for bit):
// EMPTY gives the same outputs without taking tan again.
void callEmpty(const TargetCells& c, const NeutronState& in, const Slopes& slope, double xmin, double xmax,
               NeutronState& out) {
  EMPTY(in.E, in.x, in.y, in.z, in.thx, in.thy, xmin, xmax, -c.halfHeight, c.halfHeight, c.length, out.E, out.x, out.y,
        out.z, out.thx, out.thy, slope.x, slope.y);
}

// What a TARGET call left, for the run's target observer.
void observeTarget(const RunState& run, const DetectedNeutron& history, bool downstream) {
  if (!run.targetObserver) return;
  TargetCall call;
  call.event = history.event;
  call.downstream = downstream;
  call.q = downstream ? history.qDown : history.qUp;
  call.in = downstream ? history.downIn : history.upIn;
  call.out = downstream ? history.downOut : history.upOut;
  call.scattered = downstream ? history.scatteredDown : history.scatteredUp;
  call.sigma = run.sigma;
  call.path = run.path;
  call.thetaS = run.thetaS;
  call.sigmaSommers = run.sigmaSommers;
  call.sigmaIntq = run.sigmaIntq;
  call.theta_p = run.theta_p;
  call.phi_p = run.phi_p;
  run.targetObserver(call);
}

// The seven scattering outputs a TARGET call left, in the fill order; the
// angles in the cell's own histograms.
void fillScattering(const RunState& run, std::int32_t thetaS, std::int32_t thetaP, std::int32_t phiP) {
  fill(hid::SIGMA, run.sigma);
  fill(hid::FREE_PATH, run.path);
  fill(thetaS, degrees(run.thetaS));
  fill(hid::SIGMA_SOMMERS, run.sigmaSommers);
  fill(hid::SIGMA_SQ, run.sigmaIntq);
  fill(thetaP, degrees(run.theta_p));
  fill(phiP, degrees(run.phi_p));
}

// The upstream cell's TARGET call and its bookkeeping (before the lost test).
void upstreamTarget(RunState& run, DetectedNeutron& history, double xmin, double xmax) {
  Counters& n = run.counters;
  callTarget(run, history.qUp, history.upIn, xmin, xmax, history.upOut, history.scatteredUp);
  observeTarget(run, history, false);
  ++n.nTar1In;
  if (history.scatteredUp) ++n.nScatTar1;
  fillScattering(run, hid::THETA_S_UP, hid::THETA_P_UP, hid::PHI_P_UP);
}

// The downstream cell's TARGET call with the bookkeeping around it.
void downstreamTarget(RunState& run, DetectedNeutron& history, double xmin, double xmax) {
  Counters& n = run.counters;
  if (history.scatteredUp) ++n.nTar1ToTar2;
  callTarget(run, history.qDown, history.downIn, xmin, xmax, history.downOut, history.scatteredDown);
  observeTarget(run, history, true);
  ++n.nTar2In;
  if (history.scatteredDown) ++n.nScatTar2;
  fillScattering(run, hid::THETA_S_DOWN, hid::THETA_P_DOWN, hid::PHI_P_DOWN);
}

}  // namespace

bool passUpstreamCell(RunState& run, const NeutronState& incoil, DetectedNeutron& history) {
  const TargetCells& c = run.beamline.cells;
  const Slopes slope = slopesOf(incoil);  // the flight keeps the angles
  const NeutronState& upIn = history.upIn = freeFlight(incoil, slope, run.beamline.gaps.toUpstreamCell);
  fill(hid::X_UP_ENTRANCE, upIn.x);
  fill(hid::THX_UP_ENTRANCE, degrees(upIn.thx));
  fill(hid::THY_UP_ENTRANCE, degrees(upIn.thy));
  fill(hid::PHI_UP_ENTRANCE, degrees(recentAtan(slope.y / slope.x)));

  // The left half, then the right half; inclusive bounds.
  NeutronState& upOut = history.upOut;
  history.scatteredUp = false;
  const bool heliumRight = c.upstreamHelium == Half::Right;
  if (inClosed(upIn.x, -c.halfWidth, -c.septumHalfWidth)) {
    if (heliumRight)
      callEmpty(c, upIn, slope, -c.halfWidth, -c.septumHalfWidth, upOut);  // the flight kept the angles
    else
      upstreamTarget(run, history, -c.halfWidth, -c.septumHalfWidth);
  } else if (inClosed(upIn.x, c.septumHalfWidth, c.halfWidth)) {
    if (heliumRight)
      upstreamTarget(run, history, c.septumHalfWidth, c.halfWidth);
    else
      callEmpty(c, upIn, slope, c.septumHalfWidth, c.halfWidth, upOut);
  } else {
    upOut = lostState();  // the central strip, or outside the cell
  }
  if (isLost(upOut.x, upOut.y)) return false;
  fill(hid::X_UP_EXIT, upOut.x);
  fill(hid::Y_UP_EXIT, upOut.y);
  history.up = cellAccounting(upIn, upOut, c.length);
  return true;
}

bool crossBetweenCells(RunState& run, DetectedNeutron& history) {
  const TargetCells& c = run.beamline.cells;
  const NeutronState& upOut = history.upOut;
  const Slopes slope = slopesOf(upOut);
  const NeutronState& downIn = history.downIn = freeFlight(upOut, slope, run.beamline.gaps.betweenCells);
  if (history.event == 1) notice(run, " ! NO transfer between L/R targets !");
  const double inner = c.septumHalfWidth, outer = c.halfWidth;
  if (inClosed(upOut.x, -outer, -inner) && !inClosed(downIn.x, -outer, -inner)) return false;
  if (inClosed(upOut.x, inner, outer) && !inClosed(downIn.x, inner, outer)) return false;
  fill(hid::THX_DOWN_ENTRANCE, degrees(upOut.thx));
  fill(hid::THY_DOWN_ENTRANCE, degrees(upOut.thy));
  fill(hid::PHI_DOWN_ENTRANCE, degrees(recentAtan(slope.y / slope.x)));
  return true;
}

bool passDownstreamCell(RunState& run, DetectedNeutron& history) {
  const TargetCells& c = run.beamline.cells;
  const NeutronState& downIn = history.downIn;
  NeutronState& downOut = history.downOut;
  // The left half, then the right half; strict bounds.
  history.scatteredDown = false;
  const bool heliumLeft = c.downstreamHelium == Half::Left;
  if (inOpen(downIn.x, -c.halfWidth, -c.septumHalfWidth)) {
    if (heliumLeft)
      downstreamTarget(run, history, -c.halfWidth, -c.septumHalfWidth);
    else
      callEmpty(c, downIn, -c.halfWidth, -c.septumHalfWidth, downOut);
  } else if (inOpen(downIn.x, c.septumHalfWidth, c.halfWidth)) {
    if (heliumLeft)
      callEmpty(c, downIn, c.septumHalfWidth, c.halfWidth, downOut);
    else
      downstreamTarget(run, history, c.septumHalfWidth, c.halfWidth);
  } else {
    downOut = lostState();
  }
  if (isLost(downOut.x, downOut.y)) return false;
  fill(hid::X_DOWN_EXIT, downOut.x);
  fill(hid::Y_DOWN_EXIT, downOut.y);
  history.down = cellAccounting(downIn, downOut, c.length);
  return true;
}

}  // namespace tarn
