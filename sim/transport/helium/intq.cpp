// INTQ: small-q cross-section of liquid helium per atom.
#include "transport/helium/intq.h"

#include "transport/constants.h"
#include "transport/helium/dsg0.h"
#include "transport/helium/heden.h"

namespace {

// Coefficients of the fall-off length polynomial in T (single precision).
constexpr float CUBIC = 0.21769f;     // Å/K^3
constexpr float LINEAR = 7.1047f;     // Å/K
constexpr float CONSTANT = 4.7092f;   // Å
constexpr float QUADRATIC = 1.9944f;  // Å/K^2
constexpr float SQRT3 = 1.7320508f;

// 4 pi as the program writes it (sr).
constexpr double FOUR_PI = 12.56636;

}  // namespace

double intqCorrelationLength(double T) {
  const double p = (T * LINEAR - CONSTANT) - (T * T) * QUADRATIC;
  return ((T * T) * T * CUBIC + p) / SQRT3;
}

void INTQ(double T, double q, double& sigq) {
  const double corrLen = intqCorrelationLength(T);  // Å

  double dsg = 0.0;  // 1/cm/sr
  DSG0(T, dsg);

  double rho = 0.0;  // g/cm^3; HEDEN leaves it alone out of range
  HEDEN(T, rho);
  const double nHe = rho * tarn::AVOGADRO_E24 / tarn::HELIUM_MOLAR_MASS;  // atoms/Å^3

  // 1/cm divided by 1/Å^3 is 1e-24 cm^2 = 1 barn.
  sigq = ((dsg * FOUR_PI) / ((corrLen * q) * (corrLen * q) + 1.0)) / nHe;
}
