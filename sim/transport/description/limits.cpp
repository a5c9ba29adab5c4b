#include "transport/description/limits.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "transport/constants.h"

namespace tarn::description {
namespace {

std::string number(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 4);
  return std::string(buf, r.ptr);
}

// One transverse plane of a guide.
struct Plane {
  const char* guide;      // key section: "guide1"
  const char* plane;      // "x" or "y"
  double length;          // cm
  double critFactor;      // rad/Å
  double reach;           // the largest tan(th) L the model carries, cm
  const char* reachText;  // how reach follows from the opening
  int reflections;        // the reflections the model carries in this plane
};

}  // namespace

std::vector<std::string> checkModelLimits(const Description& d, double longestWavelength, const std::string& spectrum) {
  std::vector<std::string> out;
  const Beamline& b = d.values;
  const double lambdaMax = longestWavelength;
  const double shortest = b.source.shortestWavelength;
  if (!(shortest < lambdaMax)) {
    out.push_back(originOf(d, "source.shortest_wavelength") + ": source.shortest_wavelength = " + number(shortest) +
                  " Angstrom is not below the longest wavelength of " + spectrum + ", " + number(lambdaMax) +
                  " Angstrom: no event would be followed");
    return out;
  }
  const double cone = lambdaMax * static_cast<double>(b.source.conePerAngstrom);
  if (!(cone < PI_6 / 2)) {
    out.push_back(originOf(d, "source.cone_per_angstrom") + ": source.cone_per_angstrom = " +
                  number(b.source.conePerAngstrom) + " rad/Angstrom opens the start cone to " + number(cone) +
                  " rad at " + number(lambdaMax) + " Angstrom (the longest wavelength of " + spectrum +
                  "): the model follows neutrons that go forward, below 1.5708 rad");
    return out;
  }
  const GuideSection& g1 = b.guide1;
  const GuideSection& g2 = b.guide2;
  const SplitGuideSection& sg = b.splitGuide;
  const GuideSection& lg = b.lastGuide;
  const Plane planes[] = {
      {"guide1", "x", g1.length, g1.critFactor, 4 * g1.halfWidth, "4 x guide1.half_width", 2},
      {"guide1", "y", g1.length, g1.critFactor, 4 * g1.halfHeight, "4 x guide1.half_height", 2},
      {"guide2", "x", g2.length, g2.critFactor, 4 * g2.halfWidth, "4 x guide2.half_width", 2},
      {"guide2", "y", g2.length, g2.critFactor, 4 * g2.halfHeight, "4 x guide2.half_height", 2},
      {"split_guide", "x", sg.length, sg.critFactor, 2 * (sg.halfWidth - sg.septumHalfWidth),
       "2 x (split_guide.half_width - split_guide.septum_half_width)", 2},
      {"split_guide", "y", sg.length, sg.critFactor, 2 * sg.halfHeight, "2 x split_guide.half_height", 1},
      {"last_guide", "x", lg.length, lg.critFactor, 4 * lg.halfWidth, "4 x last_guide.half_width", 2},
      {"last_guide", "y", lg.length, lg.critFactor, 4 * lg.halfHeight, "4 x last_guide.half_height", 2},
  };
  for (const Plane& p : planes) {
    // The largest angle at which a neutron that has not scattered meets the
    // walls and is reflected.
    const double angle = lambdaMax * std::min(static_cast<double>(b.source.conePerAngstrom), p.critFactor);
    const double travel = std::tan(angle) * p.length;  // cm across the guide
    if (travel <= p.reach) continue;
    const std::string key = std::string(p.guide) + ".length";
    out.push_back(originOf(d, key) + ": " + key + " = " + number(p.length) + " cm: a neutron of " + number(lambdaMax) +
                  " Angstrom (the longest wavelength of " + spectrum + ") is reflected at up to " + number(angle) +
                  " rad (the smaller of the start cone and the critical angle) and crosses " + number(travel) +
                  " cm in " + p.plane + " along the guide; the model carries at most " +
                  (p.reflections == 1 ? "one reflection" : "two reflections") + " in " + p.plane +
                  " in this guide, which holds up to " + number(p.reach) + " cm (" + p.reachText +
                  "). The geometry is refused: shorten or widen the guide, or lower its critical angle or the cone");
  }
  return out;
}

}  // namespace tarn::description
