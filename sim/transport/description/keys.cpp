#include "transport/description/keys.h"

#include <charconv>
#include <cstring>

namespace tarn::description {
namespace {

constexpr Key KEYS[] = {
    {"source.half_width", Kind::Length, [](Beamline& b) { return Slot{.real = &b.source.halfWidth}; },
     "half-width of the start area (x)"},
    {"source.half_height", Kind::Length, [](Beamline& b) { return Slot{.real = &b.source.halfHeight}; },
     "half-height of the start area (y)"},
    {"source.cone_per_angstrom", Kind::AnglePerA, [](Beamline& b) { return Slot{.single = &b.source.conePerAngstrom}; },
     "half-opening of the start cone per Å of wavelength"},
    {"source.shortest_wavelength", Kind::Wavelength,
     [](Beamline& b) { return Slot{.single = &b.source.shortestWavelength}; },
     "events of shorter wavelength are dropped"},
    {"guide1.length", Kind::Length, [](Beamline& b) { return Slot{.real = &b.guide1.length}; },
     "length of the first guide"},
    {"guide1.half_width", Kind::Length, [](Beamline& b) { return Slot{.real = &b.guide1.halfWidth}; },
     "half-width of the first guide"},
    {"guide1.half_height", Kind::Length, [](Beamline& b) { return Slot{.real = &b.guide1.halfHeight}; },
     "half-height of the first guide"},
    {"guide1.critical_angle_per_angstrom", Kind::AnglePerA,
     [](Beamline& b) { return Slot{.real = &b.guide1.critFactor}; }, "critical angle of the first guide's walls per Å"},
    {"guide2.length", Kind::Length, [](Beamline& b) { return Slot{.real = &b.guide2.length}; },
     "length of the second guide"},
    {"guide2.half_width", Kind::Length, [](Beamline& b) { return Slot{.real = &b.guide2.halfWidth}; },
     "half-width of the second guide"},
    {"guide2.half_height", Kind::Length, [](Beamline& b) { return Slot{.real = &b.guide2.halfHeight}; },
     "half-height of the second guide"},
    {"guide2.critical_angle_per_angstrom", Kind::AnglePerA,
     [](Beamline& b) { return Slot{.real = &b.guide2.critFactor}; },
     "critical angle of the second guide's walls per Å"},
    {"gaps.to_upstream_cell", Kind::Gap, [](Beamline& b) { return Slot{.real = &b.gaps.toUpstreamCell}; },
     "flight from the second guide to the upstream cell"},
    {"gaps.between_cells", Kind::Gap, [](Beamline& b) { return Slot{.real = &b.gaps.betweenCells}; },
     "flight between the two cells"},
    {"gaps.to_split_guide", Kind::Gap, [](Beamline& b) { return Slot{.real = &b.gaps.toSplitGuide}; },
     "flight from the downstream cell to the split guide"},
    {"cells.length", Kind::Length, [](Beamline& b) { return Slot{.real = &b.cells.length}; }, "length of each cell"},
    {"cells.half_width", Kind::Length, [](Beamline& b) { return Slot{.real = &b.cells.halfWidth}; },
     "outer walls of each cell's halves at |x| = half_width"},
    {"cells.half_height", Kind::Length, [](Beamline& b) { return Slot{.real = &b.cells.halfHeight}; },
     "half-height of the cells"},
    {"cells.septum_half_width", Kind::Length, [](Beamline& b) { return Slot{.real = &b.cells.septumHalfWidth}; },
     "the strip |x| < septum_half_width between the halves stops neutrons"},
    {"cells.temperature", Kind::Temperature, [](Beamline& b) { return Slot{.real = &b.cells.temperature}; },
     "helium temperature of both cells"},
    {"cells.upstream_helium", Kind::Side, [](Beamline& b) { return Slot{.side = &b.cells.upstreamHelium}; },
     "the half of the upstream cell that holds helium"},
    {"cells.downstream_helium", Kind::Side, [](Beamline& b) { return Slot{.side = &b.cells.downstreamHelium}; },
     "the half of the downstream cell that holds helium"},
    {"split_guide.length", Kind::Length, [](Beamline& b) { return Slot{.real = &b.splitGuide.length}; },
     "length of the split guide"},
    {"split_guide.half_width", Kind::Length, [](Beamline& b) { return Slot{.real = &b.splitGuide.halfWidth}; },
     "outer walls of the split guide at |x| = half_width"},
    {"split_guide.half_height", Kind::Length, [](Beamline& b) { return Slot{.real = &b.splitGuide.halfHeight}; },
     "half-height of the split guide"},
    {"split_guide.septum_half_width", Kind::Length,
     [](Beamline& b) { return Slot{.real = &b.splitGuide.septumHalfWidth}; },
     "the septum's faces at |x| = septum_half_width"},
    {"split_guide.critical_angle_per_angstrom", Kind::AnglePerA,
     [](Beamline& b) { return Slot{.real = &b.splitGuide.critFactor}; },
     "critical angle of the split guide's walls and septum per Å"},
    {"last_guide.length", Kind::Length, [](Beamline& b) { return Slot{.real = &b.lastGuide.length}; },
     "length of the last guide (its exit is the detector plane)"},
    {"last_guide.half_width", Kind::Length, [](Beamline& b) { return Slot{.real = &b.lastGuide.halfWidth}; },
     "half-width of the last guide"},
    {"last_guide.half_height", Kind::Length, [](Beamline& b) { return Slot{.real = &b.lastGuide.halfHeight}; },
     "half-height of the last guide"},
    {"last_guide.critical_angle_per_angstrom", Kind::AnglePerA,
     [](Beamline& b) { return Slot{.real = &b.lastGuide.critFactor}; },
     "critical angle of the last guide's walls per Å"},
};

template <typename T>
std::string shortest(T v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

}  // namespace

std::span<const Key> keys() { return KEYS; }

bool isSingle(const Key& key) {
  Beamline b{};
  return key.slot(b).single != nullptr;
}

const Key* findKey(const std::string& name) {
  for (const Key& k : KEYS)
    if (name == k.name) return &k;
  return nullptr;
}

const char* unitOf(Kind kind) {
  switch (kind) {
    case Kind::Length:
    case Kind::Gap: return "cm";
    case Kind::AnglePerA: return "rad/Angstrom";
    case Kind::Wavelength: return "Angstrom";
    case Kind::Temperature: return "K";
    case Kind::Side: return "";
  }
  return "";
}

std::string shownValue(const Key& key, const Beamline& b) {
  Beamline copy = b;
  const Slot s = key.slot(copy);
  if (s.side) return *s.side == Half::Right ? "right" : "left";
  const std::string number = s.single ? shortest(*s.single) : shortest(*s.real);
  return number + " " + unitOf(key.kind);
}

bool sameValue(const Key& key, const Beamline& a, const Beamline& b) {
  Beamline ca = a, cb = b;
  const Slot sa = key.slot(ca), sb = key.slot(cb);
  if (sa.side) return *sa.side == *sb.side;
  if (sa.single) return std::memcmp(sa.single, sb.single, sizeof(float)) == 0;
  return std::memcmp(sa.real, sb.real, sizeof(double)) == 0;
}

}  // namespace tarn::description
