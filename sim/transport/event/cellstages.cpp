// The two target cells and the flight between them. Each cell is split at
// x = 0: helium in one half (TARGET), nothing in the other (EMPTY), and a
// central strip |x| < 0.35 cm that stops the neutron.
#include <cmath>
#include <cstdint>

#include "transport/beamline/empty.h"
#include "transport/event/celltally.h"
#include "transport/event/catalogue.h"
#include "transport/event/stages.h"
#include "transport/event/stagesupport.h"
#include "transport/helium/target.h"
#include "transport/lost.h"

namespace tarn {
namespace {

void callTarget(RunState& run, double q, const NeutronState& in, double xmin, double xmax, NeutronState& out,
                bool& scattered) {
  TARGET(q, HELIUM_T, in.E, in.x, in.y, in.z, in.thx, in.thy, xmin, xmax, -CELL_Y, CELL_Y, CELL_LENGTH, out.E,
         out.x, out.y, out.z, out.thx, out.thy, run.sigma, run.path, run.thetaS, run.sigmaSommers, run.sigmaIntq,
         scattered, run.theta_p, run.phi_p);
}

void callEmpty(const NeutronState& in, double xmin, double xmax, NeutronState& out) {
  EMPTY(in.E, in.x, in.y, in.z, in.thx, in.thy, xmin, xmax, -CELL_Y, CELL_Y, CELL_LENGTH, out.E, out.x, out.y,
        out.z, out.thx, out.thy);
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

}  // namespace

bool passUpstreamCell(RunState& run, const NeutronState& incoil, DetectedNeutron& history) {
  Counters& n = run.counters;
  const Slopes slope = slopesOf(incoil);  // the flight keeps the angles
  const NeutronState& upIn = history.upIn = freeFlight(incoil, slope, GAP_TO_UPSTREAM_CELL);
  fill(hid::X_UP_ENTRANCE, upIn.x);
  fill(hid::THX_UP_ENTRANCE, degrees(upIn.thx));
  fill(hid::THY_UP_ENTRANCE, degrees(upIn.thy));
  fill(hid::PHI_UP_ENTRANCE, degrees(std::atan(slope.y / slope.x)));

  // Helium on the right, empty on the left; inclusive bounds.
  NeutronState& upOut = history.upOut;
  history.scatteredUp = false;
  if (inClosed(upIn.x, -HALF_OUTER, -HALF_INNER)) {
    callEmpty(upIn, -HALF_OUTER, -HALF_INNER, upOut);
  } else if (inClosed(upIn.x, HALF_INNER, HALF_OUTER)) {
    callTarget(run, history.qUp, upIn, HALF_INNER, HALF_OUTER, upOut, history.scatteredUp);
    observeTarget(run, history, false);
    ++n.nTar1In;
    if (history.scatteredUp) ++n.nScatTar1;
    fill(hid::SIGMA, run.sigma);
    fill(hid::FREE_PATH, run.path);
    fill(hid::THETA_S_UP, degrees(run.thetaS));
    fill(hid::SIGMA_SOMMERS, run.sigmaSommers);
    fill(hid::SIGMA_SQ, run.sigmaIntq);
    fill(hid::THETA_P_UP, degrees(run.theta_p));
    fill(hid::PHI_P_UP, degrees(run.phi_p));
  } else {
    upOut = lostState();  // the central strip, or outside the cell
  }
  if (isLost(upOut.x, upOut.y)) return false;
  fill(hid::X_UP_EXIT, upOut.x);
  fill(hid::Y_UP_EXIT, upOut.y);
  history.up = cellAccounting(upIn, upOut);
  return true;
}

bool crossBetweenCells(RunState& run, DetectedNeutron& history) {
  const NeutronState& upOut = history.upOut;
  const Slopes slope = slopesOf(upOut);
  const NeutronState& downIn = history.downIn = freeFlight(upOut, slope, GAP_BETWEEN_CELLS);
  if (history.event == 1) notice(run, " ! NO transfer between L/R targets !");
  if (inClosed(upOut.x, -HALF_OUTER, -HALF_INNER) && !inClosed(downIn.x, -HALF_OUTER, -HALF_INNER)) return false;
  if (inClosed(upOut.x, HALF_INNER, HALF_OUTER) && !inClosed(downIn.x, HALF_INNER, HALF_OUTER)) return false;
  fill(hid::THX_DOWN_ENTRANCE, degrees(upOut.thx));
  fill(hid::THY_DOWN_ENTRANCE, degrees(upOut.thy));
  fill(hid::PHI_DOWN_ENTRANCE, degrees(std::atan(slope.y / slope.x)));
  return true;
}

bool passDownstreamCell(RunState& run, DetectedNeutron& history) {
  Counters& n = run.counters;
  const NeutronState& downIn = history.downIn;
  NeutronState& downOut = history.downOut;
  // Helium on the left, empty on the right; strict bounds.
  history.scatteredDown = false;
  if (inOpen(downIn.x, -HALF_OUTER, -HALF_INNER)) {
    if (history.scatteredUp) ++n.nTar1ToTar2;
    callTarget(run, history.qDown, downIn, -HALF_OUTER, -HALF_INNER, downOut, history.scatteredDown);
    observeTarget(run, history, true);
    ++n.nTar2In;
    if (history.scatteredDown) ++n.nScatTar2;
    fill(hid::SIGMA, run.sigma);
    fill(hid::FREE_PATH, run.path);
    fill(hid::THETA_S_DOWN, degrees(run.thetaS));
    fill(hid::SIGMA_SOMMERS, run.sigmaSommers);
    fill(hid::SIGMA_SQ, run.sigmaIntq);
    fill(hid::THETA_P_DOWN, degrees(run.theta_p));
    fill(hid::PHI_P_DOWN, degrees(run.phi_p));
  } else if (inOpen(downIn.x, HALF_INNER, HALF_OUTER)) {
    callEmpty(downIn, HALF_INNER, HALF_OUTER, downOut);
  } else {
    downOut = lostState();
  }
  if (isLost(downOut.x, downOut.y)) return false;
  fill(hid::X_DOWN_EXIT, downOut.x);
  fill(hid::Y_DOWN_EXIT, downOut.y);
  history.down = cellAccounting(downIn, downOut);
  return true;
}

}  // namespace tarn
