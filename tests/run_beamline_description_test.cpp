// Beamline descriptions read and checked: the shipped file against the
// program's own values, units, every refusal with its message, the fit of
// the openings, the model's reflection limits, the digest and the
// differences a run reports.
#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

#include "support/scratchdir.h"
#include "transport/description/keys.h"
#include "transport/description/limits.h"
#include "transport/description/read.h"
#include "transport/description/summary.h"
#include "transport/run/inputcheck.h"
#include "hbook/rz/reader.h"

using namespace tarn;
using namespace tarn::description;

namespace {

const std::string SHIPPED_FILE = std::string(TARN_DATA_DIR) + "/beamline.toml";

ReadResult withSets(const std::vector<std::string>& sets) { return readDescription(SHIPPED_BEAMLINE, "", sets); }

// The one error of reading `sets` (the test fails when there is not exactly one).
std::string onlyError(const std::vector<std::string>& sets) {
  const ReadResult r = withSets(sets);
  EXPECT_EQ(r.errors.size(), 1u) << (r.errors.empty() ? "no error" : r.errors[0]);
  return r.errors.empty() ? "" : r.errors[0];
}

std::uint64_t bits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

struct TomlFile {
  testsupport::ScratchDir dir{"description"};
  std::string path;
  explicit TomlFile(const std::string& text) : path((dir.path() / "b.toml").string()) { std::ofstream(path) << text; }
};

}  // namespace

// data/beamline.toml gives every key, and its values are those the program
// was built on (the literals the routines and stages held before).
TEST(ShippedDescription, EveryKeyWithTheProgramsValues) {
  const ReadResult r = readDescription(Beamline{}, SHIPPED_FILE, {}, true);
  ASSERT_TRUE(r.errors.empty()) << r.errors[0];
  for (const Key& k : keys()) EXPECT_TRUE(sameValue(k, r.description.values, SHIPPED_BEAMLINE)) << k.name;
  const Beamline& b = SHIPPED_BEAMLINE;
  EXPECT_EQ(b.source.halfWidth, 2.75);
  EXPECT_EQ(b.source.halfHeight, 2.25);
  EXPECT_EQ(b.source.conePerAngstrom, 0.003f);  // single precision
  EXPECT_EQ(b.source.shortestWavelength, 1.0f);
  EXPECT_EQ(b.guide1.length, 116.0);
  EXPECT_EQ(b.guide2.length, 89.0);
  for (const GuideSection* g : {&b.guide1, &b.guide2}) {
    EXPECT_EQ(g->halfWidth, 3.05);
    EXPECT_EQ(g->halfHeight, 2.55);
    EXPECT_EQ(g->critFactor, 0.001);
  }
  EXPECT_EQ(b.gaps.toUpstreamCell, 9.0);
  EXPECT_EQ(b.gaps.betweenCells, 6.8);
  EXPECT_EQ(b.gaps.toSplitGuide, 12.0);
  EXPECT_EQ(b.cells.length, 41.6);
  EXPECT_EQ(b.cells.halfWidth, 3.0);
  EXPECT_EQ(b.cells.halfHeight, 2.5);
  EXPECT_EQ(b.cells.septumHalfWidth, 0.35);
  EXPECT_EQ(b.cells.temperature, 2.1);
  EXPECT_EQ(b.cells.upstreamHelium, Half::Right);
  EXPECT_EQ(b.cells.downstreamHelium, Half::Left);
  EXPECT_EQ(b.splitGuide.length, 108.0);
  EXPECT_EQ(b.splitGuide.halfWidth, 3.0);
  EXPECT_EQ(b.splitGuide.halfHeight, 2.5);
  EXPECT_EQ(b.splitGuide.septumHalfWidth, 0.35);
  EXPECT_EQ(b.splitGuide.critFactor, 0.001);
  EXPECT_EQ(b.lastGuide.length, 28.0);
  EXPECT_EQ(b.lastGuide.halfWidth, 2.85);
  EXPECT_EQ(b.lastGuide.halfHeight, 2.25);
  EXPECT_EQ(b.lastGuide.critFactor, 0.003);  // a double, unlike the cone's 0.003
  EXPECT_EQ(keys().size(), 31u);
  EXPECT_TRUE(isSingle(*findKey("source.cone_per_angstrom")));
  EXPECT_FALSE(isSingle(*findKey("last_guide.critical_angle_per_angstrom")));
}

// A value with another unit is read by moving the decimal point: exactly the
// double of the decimal in the key's unit.
TEST(DescriptionValues, UnitsConvertExactly) {
  const ReadResult r = withSets({"cells.length=416 mm", "guide1.length=1.16 m", "gaps.between_cells=68e-1 cm",
                                 "source.cone_per_angstrom=3 mrad/Å", "guide2.critical_angle_per_angstrom=1 mrad/A",
                                 "cells.temperature=1600 mK", "source.shortest_wavelength=0.1 nm",
                                 "last_guide.half_width=\"28.5 mm\"", "split_guide.length=1_08"});
  ASSERT_TRUE(r.errors.empty()) << r.errors[0];
  const Beamline& b = r.description.values;
  EXPECT_EQ(bits(b.cells.length), bits(41.6));
  EXPECT_EQ(bits(b.guide1.length), bits(116.0));
  EXPECT_EQ(bits(b.gaps.betweenCells), bits(6.8));
  EXPECT_EQ(b.source.conePerAngstrom, 0.003f);
  EXPECT_EQ(b.guide2.critFactor, 0.001);
  EXPECT_EQ(b.cells.temperature, 1.6);
  EXPECT_EQ(b.source.shortestWavelength, 1.0f);
  EXPECT_EQ(b.lastGuide.halfWidth, 2.85);
  EXPECT_EQ(b.splitGuide.length, 108.0);
  // Every value set to what it is: nothing differs.
  EXPECT_TRUE(
      differences(withSets({"cells.length=41.6", "cells.upstream_helium=right"}).description.values, SHIPPED_BEAMLINE)
          .empty());
}

TEST(DescriptionValues, EachRefusalSaysWhereWhatAndWhy) {
  EXPECT_EQ(onlyError({"cells.lenght=30"}),
            "--set cells.lenght=30: cells.lenght: no such key (did you mean cells.length?)");
  EXPECT_EQ(onlyError({"cell.temperature=2"}),
            "--set cell.temperature=2: cell.temperature: no such key (did you mean cells.temperature?)");
  EXPECT_EQ(onlyError({"magnet.field=3"}), "--set magnet.field=3: magnet.field: no such key");
  // A third of the name changed is still a slip; more is another name.
  EXPECT_EQ(onlyError({"cells.lXXXXh=30"}),
            "--set cells.lXXXXh=30: cells.lXXXXh: no such key (did you mean cells.length?)");
  EXPECT_EQ(onlyError({"cells.XXXXXh=30"}), "--set cells.XXXXXh=30: cells.XXXXXh: no such key");
  EXPECT_EQ(onlyError({"cells.length"}), "--set cells.length: give KEY=VALUE, for example --set cells.length=30");
  EXPECT_EQ(onlyError({"cells.length=abc"}),
            "--set cells.length=abc: cells.length: 'abc' is not a number with a unit (for example '30 cm')");
  EXPECT_EQ(onlyError({"cells.length=30 K"}),
            "--set cells.length=30 K: cells.length: unit 'K' is not one of cm, mm, m");
  EXPECT_EQ(onlyError({"cells.temperature=2 C"}),
            "--set cells.temperature=2 C: cells.temperature: unit 'C' is not one of K, mK");
  EXPECT_EQ(onlyError({"cells.length=true"}),
            "--set cells.length=true: cells.length: must be a number in cm, not a true/false value");
  EXPECT_EQ(onlyError({"cells.length=[30]"}),
            "--set cells.length=[30]: cells.length: must be a number in cm, not a list");
  EXPECT_EQ(onlyError({"cells.length=-3"}),
            "--set cells.length=-3: cells.length = -3 cm: must be a positive length in cm");
  EXPECT_EQ(onlyError({"cells.length=0"}),
            "--set cells.length=0: cells.length = 0 cm: must be a positive length in cm");
  EXPECT_EQ(onlyError({"gaps.between_cells=-0.1"}),
            "--set gaps.between_cells=-0.1: gaps.between_cells = -0.1 cm: must be a length of 0 cm or more");
  EXPECT_EQ(
      onlyError({"guide1.critical_angle_per_angstrom=-1e-3"}),
      "--set guide1.critical_angle_per_angstrom=-1e-3: guide1.critical_angle_per_angstrom = -0.001 rad/Angstrom: must be "
      "0 rad/Angstrom or more");
  EXPECT_EQ(onlyError({"cells.length=nan"}), "--set cells.length=nan: cells.length = nan cm: must be a finite number");
  EXPECT_EQ(onlyError({"cells.length=inf"}), "--set cells.length=inf: cells.length = inf cm: must be a finite number");
  EXPECT_EQ(onlyError({"source.cone_per_angstrom=1e39"}),
            "--set source.cone_per_angstrom=1e39: source.cone_per_angstrom: is too large for a single-precision value");
  EXPECT_EQ(onlyError({"cells.upstream_helium=up"}),
            "--set cells.upstream_helium=up: cells.upstream_helium: must be \"right\" or \"left\", not \"up\"");
  EXPECT_EQ(onlyError({"cells.downstream_helium=1"}),
            "--set cells.downstream_helium=1: cells.downstream_helium: must be \"right\" or \"left\", not a number");
  // Zero gaps and critical angles are allowed: touching elements, absorbing walls.
  EXPECT_TRUE(withSets({"gaps.between_cells=0", "split_guide.critical_angle_per_angstrom=0"}).errors.empty());
}

// What was given instead of a number or a side is named by its kind; an
// integer a double cannot hold exactly is too large.
TEST(DescriptionValues, EachKindOfWrongValueIsNamed) {
  EXPECT_EQ(onlyError({"cells.length={a=1}"}),
            "--set cells.length={a=1}: cells.length: must be a number in cm, not a table");
  EXPECT_EQ(onlyError({"cells.length=1979-05-27"}),
            "--set cells.length=1979-05-27: cells.length: must be a number in cm, not a date or time");
  EXPECT_EQ(onlyError({"cells.upstream_helium=[1]"}),
            "--set cells.upstream_helium=[1]: cells.upstream_helium: must be \"right\" or \"left\", not a list");
  EXPECT_EQ(onlyError({"cells.upstream_helium=false"}),
            "--set cells.upstream_helium=false: cells.upstream_helium: "
            "must be \"right\" or \"left\", not a true/false value");
  EXPECT_EQ(onlyError({"cells.upstream_helium=Right"}),
            "--set cells.upstream_helium=Right: cells.upstream_helium: must be \"right\" or \"left\", not \"Right\"");
  EXPECT_TRUE(withSets({"cells.upstream_helium=left", "cells.downstream_helium=right"}).errors.empty());
  EXPECT_EQ(onlyError({"cells.length=9007199254740993"}),
            "--set cells.length=9007199254740993: cells.length: 9007199254740993 is too large");
}

// The density table's end points are single-precision numbers: 0.2 K given
// as a double lies below the first, 4.4 K inside the last.
TEST(DescriptionValues, TemperatureInsideTheHeliumTables) {
  const std::string why = "outside the helium density table, 0.2 to 4.4 K";
  EXPECT_NE(onlyError({"cells.temperature=0.2"}).find("cells.temperature = 0.2 K: " + why), std::string::npos);
  EXPECT_NE(onlyError({"cells.temperature=4.41"}).find(why), std::string::npos);
  EXPECT_NE(onlyError({"cells.temperature=-1"}).find(why), std::string::npos);
  EXPECT_TRUE(withSets({"cells.temperature=0.2000001"}).errors.empty());
  EXPECT_TRUE(withSets({"cells.temperature=4.4"}).errors.empty());
  // The end points themselves, exactly.
  EXPECT_TRUE(withSets({"cells.temperature=0.20000000298023223876953125"}).errors.empty());
  EXPECT_TRUE(withSets({"cells.temperature=4.400000095367431640625"}).errors.empty());
  EXPECT_FALSE(withSets({"cells.temperature=4.4000000953674325"}).errors.empty());  // the next double
  EXPECT_TRUE(withSets({"cells.temperature=1.6"}).errors.empty());
}

TEST(DescriptionFile, MessagesNameFileLineAndKeyInTheFilesOrder) {
  const TomlFile f(
      "[cells]\n"
      "lenght = 30\n"
      "length = \"300 mm\"   # fine\n"
      "temperature = \"2.1\"\n"
      "[guide1]\n"
      "half_width = -1\n"
      "[cell]\n"
      "length = 3\n"
      "[foo]\n");
  const ReadResult r = readDescription(SHIPPED_BEAMLINE, f.path, {});
  ASSERT_EQ(r.errors.size(), 5u);
  EXPECT_EQ(r.errors[0], f.path + " line 2: cells.lenght: no such key (did you mean cells.length?)");
  EXPECT_EQ(r.errors[1],
            f.path + " line 4: cells.temperature: '2.1' has no unit: give a number, or a number and one of K, mK");
  EXPECT_EQ(r.errors[2], f.path + " line 6: guide1.half_width = -1 cm: must be a positive length in cm");
  EXPECT_EQ(r.errors[3], f.path + " line 8: cell.length: no such key (did you mean cells.length?)");
  EXPECT_EQ(r.errors[4], f.path +
                             " line 9: foo: no such section; the sections are source, guide1, guide2, gaps, cells, "
                             "split_guide, last_guide");
  EXPECT_EQ(r.description.values.cells.length, 30.0);
  EXPECT_EQ(r.description.origin.at("cells.length"), f.path + " line 3");
}

TEST(DescriptionFile, NotTomlOrNotThere) {
  const TomlFile twice("[cells]\nlength = 30\nlength = 31\n");
  const ReadResult r = readDescription(SHIPPED_BEAMLINE, twice.path, {});
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_EQ(r.errors[0].rfind(twice.path + " line 3, column ", 0), 0u) << r.errors[0];
  EXPECT_NE(r.errors[0].find(": not TOML: "), std::string::npos) << r.errors[0];
  const ReadResult missing = readDescription(SHIPPED_BEAMLINE, "/nonexistent/b.toml", {});
  ASSERT_EQ(missing.errors.size(), 1u);
  EXPECT_EQ(missing.errors[0],
            "--beamline /nonexistent/b.toml: cannot read the description: No such file or directory");
  // A file that leaves keys out keeps the shipped values; the sets come after it.
  const TomlFile part("[cells]\nlength = 30\n");
  const ReadResult both = readDescription(SHIPPED_BEAMLINE, part.path, {"cells.length=35"});
  ASSERT_TRUE(both.errors.empty());
  EXPECT_EQ(both.description.values.cells.length, 35.0);
  EXPECT_EQ(both.description.values.cells.halfWidth, 3.0);
  EXPECT_EQ(both.description.origin.at("cells.length"), "--set cells.length=35");
  // The shipped description must give every key.
  const ReadResult incomplete = readDescription(Beamline{}, part.path, {}, true);
  int missingKeys = 0;
  for (const std::string& e : incomplete.errors) missingKeys += e.find("missing (every key must be given)") != e.npos;
  EXPECT_EQ(missingKeys, static_cast<int>(keys().size()) - 1);
  EXPECT_NE(std::find(incomplete.errors.begin(), incomplete.errors.end(),
                      part.path + ": cells.temperature: missing (every key must be given)"),
            incomplete.errors.end());
}

TEST(DescriptionFit, OpeningsThatDoNotFit) {
  const ReadResult wide = withSets({"cells.septum_half_width=3"});
  ASSERT_EQ(wide.errors.size(), 2u);  // it fills the cells and misses the split guide's channels
  EXPECT_EQ(wide.errors[0],
            "--set cells.septum_half_width=3: cells.septum_half_width = 3 cm is not smaller than cells.half_width = 3 "
            "cm (shipped value): the septum would fill the cells: no half is left");
  EXPECT_EQ(onlyError({"cells.half_width=5", "cells.septum_half_width=3.1", "split_guide.half_width=5",
                       "last_guide.half_width=4"}),
            "--set cells.septum_half_width=3.1: cells.septum_half_width = 3.1 cm is not smaller than "
            "guide2.half_width = 3.05 cm (shipped value): both halves of the cells would lie outside the opening of "
            "guide2, which they sit behind");
  EXPECT_EQ(onlyError({"split_guide.septum_half_width=2.9"})
                .find("split_guide.septum_half_width = 2.9 cm is not smaller "
                      "than last_guide.half_width = 2.85 cm"),
            std::string("--set split_guide.septum_half_width=2.9: ").size());
  const ReadResult r = withSets({"split_guide.septum_half_width=3.5"});
  ASSERT_EQ(r.errors.size(), 3u);  // fills the split guide, misses the cells' halves and the last guide
  EXPECT_NE(r.errors[0].find("no channel is left"), std::string::npos);
  EXPECT_TRUE(withSets({"cells.septum_half_width=1", "cells.half_width=2.5"}).errors.empty());
}

// The reflection limits against the spectrum's longest wavelength (20 Å for
// the shipped spectrum): a third reflection in a guide needs tan(angle) L >
// 4 half-widths, in the split guide 2 channel widths in x and, with one
// reflection in y, 2 half-heights.
TEST(ModelLimits, ReflectionsTheModelCarries) {
  auto limits = [](const std::vector<std::string>& sets, double lambdaMax = 20.0) {
    const ReadResult r = withSets(sets);
    EXPECT_TRUE(r.errors.empty());
    return checkModelLimits(r.description, lambdaMax, "lam.hbook");
  };
  EXPECT_TRUE(limits({}).empty());
  // Reflected at up to 20 Å x 0.001 rad/Å: tan(0.02) x 511 = 10.22 > 4 x 2.55
  // (y), and tan(0.02) x 611 = 12.22 > 4 x 3.05 (x) as well.
  EXPECT_TRUE(limits({"guide1.length=509"}).empty());
  const std::vector<std::string> g1 = limits({"guide1.length=511"});
  ASSERT_EQ(g1.size(), 1u);
  EXPECT_EQ(
      g1[0].rfind("--set guide1.length=511: guide1.length = 511 cm: a neutron of 20 Angstrom (the longest wavelength "
                  "of lam.hbook) is reflected at up to 0.02 rad",
                  0),
      0u)
      << g1[0];
  EXPECT_NE(g1[0].find("crosses 10.22 cm in y along the guide; the model carries at most two reflections in y in this "
                       "guide, which holds up to 10.2 cm (4 x guide1.half_height)"),
            std::string::npos)
      << g1[0];
  EXPECT_EQ(limits({"guide1.length=611"}).size(), 2u);
  // With a larger critical angle the cone (0.003 rad/Å) bounds the angle.
  EXPECT_EQ(limits({"guide2.critical_angle_per_angstrom=0.01", "guide2.length=200"}).size(), 1u);  // y: 12.01 > 10.2
  EXPECT_EQ(limits({"guide2.critical_angle_per_angstrom=0.01", "guide2.length=200"}, 10.0).size(), 0u);
  // Absorbing walls never reflect.
  EXPECT_TRUE(limits({"guide1.critical_angle_per_angstrom=0", "guide1.length=5000"}).empty());
  // The split guide: one reflection in y (2 x 2.5 cm), two in x (2 x 2.65 cm).
  const std::vector<std::string> split = limits({"split_guide.length=260"});
  ASSERT_EQ(split.size(), 1u);
  EXPECT_NE(
      split[0].find("at most one reflection in y in this guide, which holds up to 5 cm (2 x split_guide.half_height)"),
      std::string::npos);
  EXPECT_EQ(limits({"split_guide.length=270"}).size(), 2u);
  // The last guide reflects up to the cone: tan(0.06) x 28 is far below 4 x 2.25.
  EXPECT_TRUE(limits({"last_guide.length=149"}).empty());
  EXPECT_EQ(limits({"last_guide.length=151"}).size(), 1u);
  // No event followed; a cone opening beyond 90 degrees.
  EXPECT_NE(limits({"source.shortest_wavelength=20"})[0].find(
                "is not below the longest wavelength of lam.hbook, 20 Angstrom"),
            std::string::npos);
  EXPECT_NE(limits({"source.cone_per_angstrom=0.08"})[0].find("the model follows neutrons that go forward"),
            std::string::npos);
}

// A guide's plane at exactly its reach is carried; just past it, refused.
// The longest wavelength at which guide1's y crossing tan(lambda c) L
// equals 4 half-heights exactly is found among the doubles next to
// atan(4 h / L) / c.
TEST(ModelLimits, AGuideAtExactlyItsReachIsCarried) {
  const ReadResult r = withSets({"guide1.length=511"});
  ASSERT_TRUE(r.errors.empty());
  const GuideSection& g = r.description.values.guide1;
  const double c = g.critFactor;
  const double reach = 4 * g.halfHeight;
  auto travel = [&](double lambda) { return std::tan(lambda * c) * g.length; };
  double at = std::atan(reach / g.length) / c;
  for (int k = 0; k < 64 && travel(at) > reach; ++k) at = std::nextafter(at, 0.0);
  for (int k = 0; k < 64 && travel(at) < reach; ++k) at = std::nextafter(at, 100.0);
  ASSERT_EQ(travel(at), reach);
  double past = at;
  while (travel(past) <= reach) past = std::nextafter(past, 100.0);
  while (travel(std::nextafter(at, 100.0)) == reach) at = std::nextafter(at, 100.0);
  EXPECT_TRUE(checkModelLimits(r.description, at, "lam.hbook").empty());
  const std::vector<std::string> refused = checkModelLimits(r.description, past, "lam.hbook");
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_NE(refused[0].find("in y in this guide, which holds up to 10.2 cm (4 x guide1.half_height)"),
            std::string::npos)
      << refused[0];
}

// Each refusal of the model's limits as one whole line.
TEST(ModelLimits, EachRefusalIsOneWholeLine) {
  auto limits = [](const std::vector<std::string>& sets) {
    const ReadResult r = withSets(sets);
    EXPECT_TRUE(r.errors.empty());
    return checkModelLimits(r.description, 20.0, "lam.hbook");
  };
  EXPECT_EQ(limits({"source.shortest_wavelength=20"}),
            std::vector<std::string>{"--set source.shortest_wavelength=20: source.shortest_wavelength = 20 Angstrom is "
                                     "not below the longest wavelength of lam.hbook, 20 Angstrom: no event would be "
                                     "followed"});
  EXPECT_EQ(limits({"source.cone_per_angstrom=0.08"}),
            std::vector<std::string>{"--set source.cone_per_angstrom=0.08: source.cone_per_angstrom = 0.08 "
                                     "rad/Angstrom opens the start cone to 1.6 rad at 20 Angstrom (the longest "
                                     "wavelength of lam.hbook): the model follows neutrons that go forward, below "
                                     "1.5708 rad"});
  EXPECT_EQ(limits({"guide1.length=511"}),
            std::vector<std::string>{
                "--set guide1.length=511: guide1.length = 511 cm: a neutron of 20 Angstrom (the longest wavelength of "
                "lam.hbook) is reflected at up to 0.02 rad (the smaller of the start cone and the critical angle) and "
                "crosses 10.22 cm in y along the guide; the model carries at most two reflections in y in this guide, "
                "which holds up to 10.2 cm (4 x guide1.half_height). The geometry is refused: shorten or widen the "
                "guide, or lower its critical angle or the cone"});
}

TEST(DescriptionSummary, DigestDifferencesAndLogLines) {
  // The shipped beamline's digest: a changed key table, value or canonical
  // form changes it (and run records made with the old one no longer agree).
  EXPECT_EQ(digest(SHIPPED_BEAMLINE), "8419f72fa6eac663");
  EXPECT_EQ(
      canonicalText(SHIPPED_BEAMLINE)
          .rfind("source.half_width=2.75\nsource.half_height=2.25\nsource.cone_per_angstrom=0.0030000000260770321\n",
                 0),
      0u);
  Beamline b = SHIPPED_BEAMLINE;
  b.cells.length = std::nextafter(41.6, 100.0);
  EXPECT_NE(digest(b), digest(SHIPPED_BEAMLINE));
  EXPECT_TRUE(reportLines(Description{SHIPPED_BEAMLINE, SHIPPED_FILE, {}, {}}, SHIPPED_BEAMLINE).empty());

  const ReadResult r = withSets({"cells.temperature=1.6", "cells.length=300 mm", "cells.downstream_helium=right"});
  ASSERT_TRUE(r.errors.empty());
  const std::vector<Difference> d = differences(r.description.values, SHIPPED_BEAMLINE);
  ASSERT_EQ(d.size(), 3u);  // in key order
  EXPECT_EQ(d[0].key, "cells.length");
  EXPECT_EQ(d[0].value, "30 cm");
  EXPECT_EQ(d[0].shipped, "41.6 cm");
  const std::vector<std::string> lines = reportLines(r.description, SHIPPED_BEAMLINE);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Beamline with --set: 3 values differ from the shipped beamline (digest " +
                          digest(r.description.values) + ")");
  EXPECT_EQ(lines[1], "  cells.length = 30 cm   (shipped 41.6 cm)");
  EXPECT_EQ(lines[2], "  cells.temperature = 1.6 K   (shipped 2.1 K)");
  EXPECT_EQ(lines[3], "  cells.downstream_helium = right   (shipped left)");
  // A single-precision value is compared and shown as the program holds it.
  const ReadResult cone = withSets({"source.cone_per_angstrom=0.0030000001"});
  EXPECT_TRUE(differences(cone.description.values, SHIPPED_BEAMLINE).empty());
  // A value is the same only bit for bit: -0 cm is not 0 cm, as the digests say.
  const ReadResult zero = withSets({"gaps.between_cells=0.0"}), minusZero = withSets({"gaps.between_cells=-0.0"});
  ASSERT_TRUE(zero.errors.empty() && minusZero.errors.empty());
  EXPECT_NE(digest(zero.description.values), digest(minusZero.description.values));
  EXPECT_EQ(differences(minusZero.description.values, zero.description.values).size(), 1u);
  const ReadResult cone2 = withSets({"source.cone_per_angstrom=0.0031"});
  EXPECT_EQ(differences(cone2.description.values, SHIPPED_BEAMLINE).at(0).value, "0.0031 rad/Angstrom");
}

// The longest wavelength a spectrum can give: the upper edge of its last bin
// with content, or with a growing running sum once the sampler has
// integrated it (entries -1).
TEST(ModelLimits, LongestWavelengthOfTheSpectrum) {
  hbook::Histogram h;
  h.nx = 4;
  h.xmin = 1.0f;
  h.xmax = 9.0f;
  h.entries = 4;
  h.channels = {0.0f, 1.0f, 2.0f, 0.0f, 0.0f, 7.0f};  // the overflow does not count
  EXPECT_EQ(longestWavelength(h), 5.0);
  h.channels[4] = 0.5f;
  EXPECT_EQ(longestWavelength(h), 9.0);
  h.entries = -1;
  h.channels = {0.0f, 0.25f, 1.0f, 1.0f, 1.0f, 0.0f};
  EXPECT_EQ(longestWavelength(h), 5.0);
  h.channels = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  EXPECT_EQ(longestWavelength(h), 0.0);
  for (const hbook::Histogram& s : hbook::readFile(std::string(TARN_DATA_DIR) + "/lam.hbook").histograms)
    if (s.id == 100) {
      EXPECT_EQ(longestWavelength(s), 20.0);
    }
}
