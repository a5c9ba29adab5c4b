// The limits of the model that a beamline must keep with the wavelengths
// of the input spectrum, checked before the first event (the run is then
// refused as for unusable inputs, status 3).
//
// The guides carry at most two reflections per plane (the split guide one
// in y): a neutron needing more would leave at a wrong position. A neutron
// that has not scattered keeps its start angle, at most lambda x the cone
// per Å; a wall reflects it only up to lambda x the critical angle per Å.
// The largest angle at which a neutron meets a wall and is reflected is
// therefore lambdaMax x min(cone, critical angle), with lambdaMax the
// spectrum's longest wavelength. Over a guide of length L and half-size A
// a path at angle th with tan(th) L <= 4 A needs at most two reflections
// (entering at one wall, it crosses the opposite wall at 2A and the first
// again at 4A); in the split guide the channel's width W - S takes the
// place of 2A, and in y, with one reflection carried, tan(th) L <= 2 H.
//
// A neutron that scattered in a cell may leave it at any angle and with a
// much longer wavelength (down to almost no energy left); it can need more
// reflections than the model carries in the shipped beamline too. That is a
// limit of the model, not checked here (docs/beamline.md).
#pragma once

#include <string>
#include <vector>

#include "transport/description/read.h"

namespace tarn::description {

// Messages of the limits broken, for the console and the log; empty when the
// run may start. `longestWavelength` (Å): the upper edge of the spectrum's
// last bin with content; `spectrum` names it in the messages.
std::vector<std::string> checkModelLimits(const Description& d, double longestWavelength, const std::string& spectrum);

}  // namespace tarn::description
