// The stages of one event, in the order runEvent (eventloop.cpp) calls them.
//
// Each stage takes the neutron's history so far, adds its own part, fills
// its histograms and counters, and returns false when the event ends there
// (the neutron is lost or cannot go on). A stage may be called on its own
// with a history made by hand, as the tests do.
#pragma once

#include <cstdint>

#include "transport/event/neutron.h"
#include "transport/event/runstate.h"

namespace tarn {

// Wavelength from the spectrum (histogram 100), energy, a start direction in
// the cone of half-opening 0.003 rad/Å x lambda and a start position on
// 5.5 x 4.5 cm at z = 0 (generation.cpp). False for a wavelength below 1 Å.
bool generateNeutron(RunState& run, std::int64_t event, NeutronState& start);

// The momentum transfer q (1/Å) for a cell entered with energy E (meV),
// drawn from the cell's copy of S(q) (transfer.cpp). False when none can be
// drawn; the event then ends and is counted.
bool sampleTransfer(RunState& run, std::int64_t event, double E, bool downstream, double& q);

// GUIDE (116 cm) and INCOIL (89 cm) from the start plane (guides.cpp).
bool passInputGuides(const NeutronState& start, NeutronState& incoil);

// 9 cm of flight and the upstream cell, helium on the right (cells.cpp):
// sets upIn, upOut, scatteredUp and the cell tally `up`.
bool passUpstreamCell(RunState& run, const NeutronState& incoil, DetectedNeutron& history);

// 6.8 cm of flight to the downstream cell; a neutron may not change halves
// (cells.cpp). Sets downIn.
bool crossBetweenCells(RunState& run, DetectedNeutron& history);

// The downstream cell, helium on the left, strict window bounds (cells.cpp):
// uses downIn, qDown and scatteredUp; sets downOut, scatteredDown and `down`.
bool passDownstreamCell(RunState& run, DetectedNeutron& history);

// 12 cm of flight, OUTCOIL and SM, whose exit is the detector plane
// (guides.cpp). Sets detector (with the energy after the cells).
bool passOutputGuides(DetectedNeutron& history);

// Counters and detector histograms of a neutron at the detector plane, and
// its total path and spin rotation (detection.cpp).
void tallyDetection(RunState& run, DetectedNeutron& history);

}  // namespace tarn
