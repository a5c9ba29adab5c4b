// The guide sections: GUIDE and INCOIL before the cells, OUTCOIL and SM
// after them, whose exit is the detector plane.
#include <cmath>

#include "transport/beamline/guide.h"
#include "transport/beamline/incoil.h"
#include "transport/beamline/outcoil.h"
#include "transport/beamline/sm.h"
#include "transport/event/catalogue.h"
#include "transport/event/stages.h"
#include "transport/event/stagesupport.h"
#include "transport/lost.h"

namespace tarn {
namespace {

// Length of the first guide, cm.
constexpr double GUIDE_LENGTH = 116.0;

}  // namespace

bool passInputGuides(const NeutronState& start, NeutronState& incoil) {
  fill(hid::X_START, start.x);
  fill(hid::X_STRAIGHT_116, start.x + std::tan(start.thx) * GUIDE_LENGTH);
  fill(hid::Y_STRAIGHT_116, start.y + std::tan(start.thy) * GUIDE_LENGTH);

  NeutronState guided;
  guided.E = start.E;
  GUIDE(GUIDE_LENGTH, CRIT_FACTOR, start.E, start.x, start.y, start.z, start.thx, start.thy, guided.x, guided.y,
        guided.z, guided.thx, guided.thy);
  if (isLost(guided.x, guided.y)) return false;
  fill(hid::X_GUIDE_EXIT, guided.x);

  incoil.E = start.E;
  INCOIL(CRIT_FACTOR, start.E, guided.x, guided.y, guided.z, guided.thx, guided.thy, incoil.x, incoil.y,
         incoil.z, incoil.thx, incoil.thy);
  if (isLost(incoil.x, incoil.y)) return false;
  fill(hid::X_INCOIL_EXIT, incoil.x);
  return true;
}

bool passOutputGuides(DetectedNeutron& history) {
  const NeutronState splitIn = freeFlight(history.downOut, GAP_TO_SPLIT_GUIDE);
  const double Ef = history.downOut.E;
  NeutronState split;
  OUTCOIL(CRIT_FACTOR, Ef, splitIn.x, splitIn.y, splitIn.z, splitIn.thx, splitIn.thy, split.x, split.y, split.z,
          split.thx, split.thy);
  if (isLost(split.x, split.y)) return false;
  fill(hid::X_OUTCOIL_EXIT, split.x);

  NeutronState& det = history.detector;
  SM(Ef, split.x, split.y, split.z, split.thx, split.thy, det.x, det.y, det.z, det.thx, det.thy);
  det.E = Ef;
  return !isLost(det.x, det.y);
}

}  // namespace tarn
