// Path length and spin rotation of a neutron inside one target cell.
#pragma once

#include "transport/event/neutron.h"

namespace tarn {

// One cell's share: the unscattered pair holds the straight passage, the
// scattered pair the two pieces before and after the scattering point; the
// other pair is zero. Paths in cm, rotations in mrad.
struct CellTally {
  double unscatteredPath = 0.0, unscatteredRotation = 0.0;
  double scatteredPath = 0.0, scatteredRotation = 0.0;
};

// Speed of a neutron of energy E (meV), Å/ps.
double neutronSpeed(double E);

// Spin rotation (mrad) over a path (cm) at speed v (Å/ps).
double spinRotation(double path, double v);

// `in` is the state at the entrance of a cell of length L (cm), `out` at its
// exit plane (z + L). The neutron counts as scattered when its energy changed.
CellTally cellAccounting(const NeutronState& in, const NeutronState& out, double L);

}  // namespace tarn
