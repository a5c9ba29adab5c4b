// Detection: the counters and histograms of a neutron at the detector plane.
#include <cmath>

#include "transport/constants.h"
#include "transport/event/catalogue.h"
#include "transport/event/stages.h"
#include "transport/event/stagesupport.h"

namespace tarn {

void tallyDetection(RunState& run, DetectedNeutron& history) {
  Counters& n = run.counters;
  const NeutronState& det = history.detector;
  const double Ef = det.E;
  ++n.nDetIn;
  fill(hid::X_DETECTOR_PLANE, det.x);
  fill(hid::DET_X, det.x);
  fill(hid::DET_Y, det.y);
  fill(hid::DET_THX, det.thx);  // rad, as they stand
  fill(hid::DET_THY, det.thy);
  const CellTally& up = history.up;
  const CellTally& down = history.down;
  const double totalPath = ((up.unscatteredPath + down.unscatteredPath) + up.scatteredPath) + down.scatteredPath;
  const double totalRotation =
      ((up.unscatteredRotation + down.unscatteredRotation) + up.scatteredRotation) + down.scatteredRotation;
  history.totalPath = totalPath;
  history.totalRotation = totalRotation;
  fill(hid::DET_E, Ef);
  fill(hid::DET_LAMBDA, PLANCK_MEV_PS / std::sqrt(TWO_NEUTRON_MASS * Ef));
  fill(hid::PATH_BOTH, totalPath);
  fill(hid::ROTATION_BOTH, totalRotation);
  // By side: right (x > 0) or left all the way from the upstream cell.
  if (history.upIn.x > 0 && history.downOut.x > 0) {
    fill(hid::PATH_RIGHT, totalPath);
    fill(hid::ROTATION_RIGHT, totalRotation);
    fill(hid::DET_E_RIGHT, Ef);
  } else if (history.upIn.x < 0 && history.downOut.x < 0) {
    fill(hid::PATH_LEFT, totalPath);
    fill(hid::ROTATION_LEFT, totalRotation);
    fill(hid::DET_E_LEFT, Ef);
  }
  if (history.En != history.upOut.E || history.upOut.E != Ef) ++n.nDetEChanged;
  if (history.scatteredUp || history.scatteredDown) {
    fill(hid::DET_E_SCATTERED, Ef);
    ++n.nScatAtDet;
  }
}

}  // namespace tarn
