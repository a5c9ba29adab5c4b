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

bool passInputGuides(const Beamline& beamline, const NeutronState& start, NeutronState& incoil) {
  const GuideSection& g1 = beamline.guide1;
  const GuideSection& g2 = beamline.guide2;
  // The start direction's slopes, for the straight lines and for GUIDE: the
  // same angles, so the same bits each would take itself.
  const Slopes slope = slopesOf(start);
  fill(hid::X_START, start.x);
  fill(hid::X_STRAIGHT_116, start.x + slope.x * g1.length);
  fill(hid::Y_STRAIGHT_116, start.y + slope.y * g1.length);
  NeutronState guided;
  guided.E = start.E;
  GUIDE(g1.length, g1.critFactor, g1.halfWidth, g1.halfHeight, start.E, start.x, start.y, start.z, start.thx, start.thy,
        guided.x, guided.y, guided.z, guided.thx, guided.thy, slope.x, slope.y);
  if (isLost(guided.x, guided.y)) return false;
  fill(hid::X_GUIDE_EXIT, guided.x);

  // GUIDE kept or mirrored each angle: the slope carries over when it kept it.
  const Slopes guidedSlope = slopesAfter(guided, start, slope);
  incoil.E = start.E;
  INCOIL(g2.length, g2.critFactor, g2.halfWidth, g2.halfHeight, start.E, guided.x, guided.y, guided.z, guided.thx,
         guided.thy, incoil.x, incoil.y, incoil.z, incoil.thx, incoil.thy, guidedSlope.x, guidedSlope.y);
  if (isLost(incoil.x, incoil.y)) return false;
  fill(hid::X_INCOIL_EXIT, incoil.x);
  return true;
}

bool passOutputGuides(const Beamline& beamline, DetectedNeutron& history) {
  const SplitGuideSection& sg = beamline.splitGuide;
  const GuideSection& last = beamline.lastGuide;
  // The flight keeps the angles: its slopes serve OUTCOIL as well.
  const Slopes slope = slopesOf(history.downOut);
  const NeutronState splitIn = freeFlight(history.downOut, slope, beamline.gaps.toSplitGuide);
  const double Ef = history.downOut.E;
  NeutronState split;
  OUTCOIL(sg.length, sg.critFactor, sg.halfWidth, sg.septumHalfWidth, sg.halfHeight, Ef, splitIn.x, splitIn.y,
          splitIn.z, splitIn.thx, splitIn.thy, split.x, split.y, split.z, split.thx, split.thy, slope.x, slope.y);
  if (isLost(split.x, split.y)) return false;
  fill(hid::X_OUTCOIL_EXIT, split.x);

  // OUTCOIL kept or mirrored each angle: the slope carries over when it kept it.
  const Slopes splitSlope = slopesAfter(split, splitIn, slope);
  NeutronState& det = history.detector;
  SM(last.length, last.critFactor, last.halfWidth, last.halfHeight, Ef, split.x, split.y, split.z, split.thx, split.thy,
     det.x, det.y, det.z, det.thx, det.thy, splitSlope.x, splitSlope.y);
  det.E = Ef;
  return !isLost(det.x, det.y);
}

}  // namespace tarn
