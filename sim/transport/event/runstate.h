// The run-level state of the event loop (counters, the scattering outputs
// kept from event to event, the log for its notices) and what it hands to
// an observer: a neutron that reached the detector plane, a TARGET call.
#pragma once

#include <cstdint>
#include <functional>

#include "transport/event/celltally.h"
#include "transport/event/counters.h"
#include "transport/event/geometry.h"
#include "transport/event/neutron.h"

namespace tarn {

class RunLog;  // transport/run/runlog.h

// What the event loop knows about a neutron: filled in stage by stage and,
// for a neutron that reached the detector plane, handed to an observer
// (tests and diagnostics) when one is set.
struct DetectedNeutron {
  std::int64_t event = 0;
  double En = 0.0;                // start energy, meV
  double qUp = 0.0, qDown = 0.0;  // momentum transfers drawn for the cells, 1/Å
  NeutronState upIn, upOut;       // upstream cell entrance and exit
  NeutronState downIn, downOut;   // downstream cell entrance and exit
  NeutronState detector;          // after the last guide (E as after the cells)
  bool scatteredUp = false, scatteredDown = false;
  CellTally up, down;
  double totalPath = 0.0, totalRotation = 0.0;  // cm, mrad
};

// One TARGET call of the event loop: the cell, the transfer, the neutron in
// and out, and the seven scattering outputs the call left.
struct TargetCall {
  std::int64_t event = 0;
  bool downstream = false;
  double q = 0.0;  // 1/Å
  NeutronState in, out;
  bool scattered = false;
  double sigma = 0.0, path = 0.0, thetaS = 0.0, sigmaSommers = 0.0, sigmaIntq = 0.0;
  double theta_p = 0.0, phi_p = 0.0;
};

// Takes every detected neutron of a run that records them (tarn --ntuple).
class DetectedSink {
 public:
  virtual void take(const DetectedNeutron& neutron) = 0;

 protected:
  ~DetectedSink() = default;
};

// Run-level state of the event loop.
struct RunState {
  // The beamline the neutrons travel (geometry.h); its values reach the
  // routines as arguments.
  Beamline beamline = SHIPPED_BEAMLINE;
  Counters counters;
  RunLog* log = nullptr;
  // The seven scattering outputs shared by both target calls, kept from
  // event to event.
  double sigma = 0.0, path = 0.0, thetaS = 0.0, sigmaSommers = 0.0, sigmaIntq = 0.0;
  double theta_p = 0.0, phi_p = 0.0;
  bool copy402Made = false;
  // Index of the first event this process runs (1; a later one on the
  // ranks of a parallel run after the first).
  std::int64_t firstEvent = 1;
  // Events ended because no allowed momentum transfer could be drawn.
  std::int64_t nNoTransfer = 0;
  std::function<void(const DetectedNeutron&)> observer;
  std::function<void(const TargetCall&)> targetObserver;
  DetectedSink* detected = nullptr;  // null: the run records no detected neutron
};

}  // namespace tarn
