#pragma once
// Phonon-roton dispersion: angular frequency wp (1/ps) at momentum transfer
// q (1/Å), lowered for small q until a neutron of energy E (meV) and wave
// number k (1/Å) can make the transfer.
void WQ(double q, double& wp, double E, double k);
