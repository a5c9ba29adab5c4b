// Physical constants and unit conversions, each named once with the exact
// literal the program is built on. Single-precision literals are written as
// float and widened where they meet double arithmetic; that changes the last
// digits of the results, so never "improve" a value.
#pragma once

namespace tarn {

// Planck constant, meV ps.
constexpr double PLANCK_MEV_PS = 4.135665730796;
// Reduced Planck constant, meV ps.
constexpr double HBAR_MEV_PS = 0.6582122;
// Square of HBAR_MEV_PS, (meV ps)^2.
constexpr double HBAR_SQUARED = 0.43324330022884006;
// Twice the neutron mass, meV ps^2 / Å^2: k = sqrt(E * TWO_NEUTRON_MASS) / HBAR.
constexpr double TWO_NEUTRON_MASS = 0.2090815502;
// 1 / TWO_NEUTRON_MASS, Å^2 / (meV ps^2).
constexpr double INV_TWO_NEUTRON_MASS = 4.782822774383658;
// Neutron mass, meV ps^2 / Å^2: v = sqrt(E * 2 / NEUTRON_MASS) in Å/ps.
constexpr double NEUTRON_MASS = 0.1045407751;
// The program's pi and 2 pi (six significant digits, as written).
constexpr double PI_6 = 3.14159;
constexpr double TWO_PI_6 = 6.28318;
// Degrees per radian, single precision.
constexpr float DEG_PER_RAD = 57.295826f;
// Avogadro's number in units of 1e24, and the molar mass of helium-4 (g).
constexpr double AVOGADRO_E24 = 0.6022;
constexpr double HELIUM_MOLAR_MASS = 4.0;

}  // namespace tarn
