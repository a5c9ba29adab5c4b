// The neutron state carried from stage to stage: energy (meV), position
// (cm; x > 0 is the right-hand side of the beamline) and the direction
// angles in the horizontal and vertical planes (rad; slopes tan(thx), tan(thy)).
#pragma once

namespace tarn {

struct NeutronState {
  double E = 0.0;
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  double thx = 0.0;
  double thy = 0.0;
};

}  // namespace tarn
