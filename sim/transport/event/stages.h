// The stages of one event, in the order runEvent (eventloop.cpp) calls them.
//
// Each stage takes the neutron's history so far, adds its own part, fills
// its histograms and counters, and returns false when the event ends there
// (the neutron is lost or cannot go on). A stage may be called on its own
// with a history made by hand, as the tests do.
#pragma once

#include <cstdint>

#include "transport/event/geometry.h"
#include "transport/event/neutron.h"
#include "transport/event/runstate.h"

namespace tarn {

// Wavelength from the spectrum (histogram 100), energy, a start direction in
// the cone of half-opening lambda x the cone per Å (0.003 rad/Å shipped) and
// a start position on the start area (5.5 x 4.5 cm) at z = 0
// (generationstage.cpp). False below the shortest wavelength followed (1 Å).
bool generateNeutron(RunState& run, std::int64_t event, NeutronState& start);

// The momentum transfer q (1/Å) for a cell entered with energy E (meV),
// drawn from the cell's copy of S(q) (transfer.cpp). False when none can be
// drawn; the event then ends and is counted.
bool sampleTransfer(RunState& run, std::int64_t event, double E, bool downstream, double& q);

// GUIDE (116 cm shipped) and INCOIL (89 cm) from the start plane (guidestages.cpp).
bool passInputGuides(const Beamline& beamline, const NeutronState& start, NeutronState& incoil);

// The flight to the upstream cell (9 cm shipped) and the cell, helium on the
// right in the shipped beamline (cellstages.cpp):
// sets upIn, upOut, scatteredUp and the cell tally `up`.
bool passUpstreamCell(RunState& run, const NeutronState& incoil, DetectedNeutron& history);

// The flight to the downstream cell (6.8 cm); a neutron may not change halves
// (cellstages.cpp). Sets downIn.
bool crossBetweenCells(RunState& run, DetectedNeutron& history);

// The downstream cell, helium on the left in the shipped beamline, strict
// window bounds (cellstages.cpp):
// uses downIn, qDown and scatteredUp; sets downOut, scatteredDown and `down`.
bool passDownstreamCell(RunState& run, DetectedNeutron& history);

// The flight to the split guide (12 cm), OUTCOIL and SM, whose exit is the
// detector plane (guidestages.cpp). Sets detector (with the energy after the cells).
bool passOutputGuides(const Beamline& beamline, DetectedNeutron& history);

// Counters and detector histograms of a neutron at the detector plane, and
// its total path and spin rotation (detection.cpp).
void tallyDetection(RunState& run, DetectedNeutron& history);

}  // namespace tarn
