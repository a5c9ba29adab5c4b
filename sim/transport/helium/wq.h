#pragma once
// Phonon-roton dispersion of liquid helium: the angular frequency wp (1/ps)
// of the excitation made by a momentum transfer q (1/Å), linearly
// interpolated in a 37-point table from 0 to 3.6 1/Å. The energy given to the
// helium is wp * 0.6582122 meV.
//
// Outside the table wp is clamped to the end value and a console line is
// written for each of the 36 intervals. For q < 0.1 1/Å wp is then lowered in
// steps of a twentieth until a neutron of energy E (meV) and wave number
// k (1/Å) can make the transfer; if none can, wp = 0 with " setting wp=0".
// A zero step (wp = 0 from the table) returns 0 at once.
void WQ(double q, double& wp, double E, double k);
