// Detection: the counters and histograms of a neutron at the detector plane.
#include <cmath>

#include "transport/constants.h"
#include "transport/event/stages.h"
#include "transport/event/stagesupport.h"

namespace tarn {

void tallyDetection(RunState& run, DetectedNeutron& history) {
  Counters& n = run.counters;
  const NeutronState& det = history.detector;
  const double Ef = det.E;
  ++n.nDetIn;
  fill(6, det.x);
  fill(3001, det.x);
  fill(3002, det.y);
  fill(3003, det.thx);  // rad, as they stand
  fill(3004, det.thy);
  const CellTally& up = history.up;
  const CellTally& down = history.down;
  const double totalPath = ((up.unscatteredPath + down.unscatteredPath) + up.scatteredPath) + down.scatteredPath;
  const double totalRotation =
      ((up.unscatteredRotation + down.unscatteredRotation) + up.scatteredRotation) + down.scatteredRotation;
  history.totalPath = totalPath;
  history.totalRotation = totalRotation;
  fill(3005, Ef);
  fill(4005, PLANCK_MEV_PS / std::sqrt(TWO_NEUTRON_MASS * Ef));
  fill(3006, totalPath);
  fill(3007, totalRotation);
  // By side: right (x > 0) or left all the way from the upstream cell.
  if (history.upIn.x > 0 && history.downOut.x > 0) {
    fill(3008, totalPath);
    fill(3009, totalRotation);
    fill(3012, Ef);
  } else if (history.upIn.x < 0 && history.downOut.x < 0) {
    fill(3010, totalPath);
    fill(3011, totalRotation);
    fill(3013, Ef);
  }
  if (history.En != history.upOut.E || history.upOut.E != Ef) ++n.nDetEChanged;
  if (history.scatteredUp || history.scatteredDown) {
    fill(3014, Ef);
    ++n.nScatAtDet;
  }
}

}  // namespace tarn
