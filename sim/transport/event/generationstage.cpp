// Generation: a neutron at the start plane.
#include <cmath>
#include <cstdint>

#include "hbook/hbook.h"
#include "ranlux/ranlux.h"
#include "transport/constants.h"
#include "transport/event/catalogue.h"
#include "transport/event/kinematics.h"
#include "transport/event/stages.h"
#include "transport/event/stagesupport.h"

namespace tarn {
namespace {

// Pi as the start-angle histogram converts with it (single precision).
constexpr float PI_DEGREES = 3.14159f;

}  // namespace

bool generateNeutron(RunState& run, std::int64_t event, NeutronState& start) {
  const StartArea& source = run.beamline.source;
  // Wavelength and energy.
  const float lambda = HRNDM1(hid::SPECTRUM);
  if (lambda < source.shortestWavelength) return false;
  const double En = energyOfWavelength(lambda);
  if (En <= 1.0) ++run.counters.nLowEnergy;

  // Direction uniform in the cone's solid angle: 1 - cos(th0) uniform below c.
  const double c = 1 - std::cos(static_cast<double>(lambda) * static_cast<double>(source.conePerAngstrom));
  float r[4];
  do {
    ranlux::RANLUX(r, 4);
  } while (std::fabs(1 - static_cast<double>(r[0]) * c) > 1);
  const double th0 = std::acos(1 - static_cast<double>(r[0]) * c);
  const double ph0 = static_cast<double>(r[1]) * TWO_PI_6;
  fill(hid::THETA_0, th0 * 180.0 / static_cast<double>(PI_DEGREES));

  // Position (x kept in single precision) and the direction angles.
  start.x = static_cast<double>(static_cast<float>((2 * static_cast<double>(r[2]) - 1) * source.halfWidth));
  if (event == 1) notice(run, " ! Running with No x gradient !");
  start.y = (2 * static_cast<double>(r[3]) - 1) * source.halfHeight;
  start.z = 0.0;
  // tan(th0) taken once for both planes: the same libm call on the same
  // argument gives the same bits, and th0 (a fresh polar angle) is not seen
  // again, so nothing is lost by not keeping it among the recent calls.
  const double slope0 = std::tan(th0);
  start.thx = std::atan(std::cos(ph0) * slope0);
  start.thy = std::atan(std::sin(ph0) * slope0);
  start.E = En;
  return true;
}

}  // namespace tarn
