// The edges of the beamline description's rules: each kind of value either
// side of its limit, the exponent's range, the fit rules at equality and
// just inside, the model's limits just inside, and the words of the
// summary for one value and for a file; the common cases are in
// run_beamline_description_test.cpp.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/scratchdir.h"
#include "transport/description/keys.h"
#include "transport/description/limits.h"
#include "transport/description/read.h"
#include "transport/description/summary.h"

using namespace tarn;
using namespace tarn::description;

namespace {

ReadResult withSets(const std::vector<std::string>& sets) { return readDescription(SHIPPED_BEAMLINE, "", sets); }

std::string errorsOf(const std::vector<std::string>& sets) {
  std::string all;
  for (const std::string& e : withSets(sets).errors) all += e + "\n";
  return all;
}

}  // namespace

TEST(DescriptionBounds, EachKindEitherSideOfItsLimit) {
  const struct {
    const char* set;
    std::string error;  // "" accepted
  } cases[] = {
      {"source.shortest_wavelength=0",
       "--set source.shortest_wavelength=0: source.shortest_wavelength = 0 Angstrom: "
       "must be a positive wavelength in Angstrom\n"},
      {"source.shortest_wavelength=-1",
       "--set source.shortest_wavelength=-1: source.shortest_wavelength = -1 "
       "Angstrom: must be a positive wavelength in Angstrom\n"},
      {"source.shortest_wavelength=1e-30", ""},
      {"cells.length=1e-300", ""},
      {"gaps.to_split_guide=0", ""},
      {"gaps.to_split_guide=-1e-300",
       "--set gaps.to_split_guide=-1e-300: gaps.to_split_guide = -1e-300 cm: must be a length of 0 cm or more\n"},
      {"guide2.critical_angle_per_angstrom=0", ""},
      {"guide2.critical_angle_per_angstrom=-1e-300",
       "--set guide2.critical_angle_per_angstrom=-1e-300: guide2.critical_angle_per_angstrom = -1e-300 "
       "rad/Angstrom: must be 0 rad/Angstrom or more\n"},
      // The exponent is read up to 10^5 either way; beyond, the text is refused as it stands.
      {"cells.length=1e100000 cm", "--set cells.length=1e100000 cm: cells.length = inf cm: must be a finite number\n"},
      {"cells.length=1e100001 cm", "--set cells.length=1e100001 cm: cells.length: '1e100001 cm' is out of range\n"},
      {"cells.length=1e-100001 cm", "--set cells.length=1e-100001 cm: cells.length: '1e-100001 cm' is out of range\n"},
      {"cells.length=1e-100000 cm",
       "--set cells.length=1e-100000 cm: cells.length = 0 cm: must be a positive length in cm\n"},
      // A whole number the double cannot hold exactly, and one it can.
      {"cells.length=9007199254740993",
       "--set cells.length=9007199254740993: cells.length: 9007199254740993 is too "
       "large\n"},
      {"cells.length=9007199254740992", ""},
      {"=30", "--set =30: give KEY=VALUE, for example --set cells.length=30\n"},
      {"cells.upstream_helium=left", ""},
      {"cells.upstream_helium=Left",
       "--set cells.upstream_helium=Left: cells.upstream_helium: must be \"right\" or \"left\", not \"Left\"\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(errorsOf({c.set}), c.error) << c.set;
  EXPECT_EQ(withSets({"cells.upstream_helium=left"}).description.values.cells.upstreamHelium, Half::Left);
  EXPECT_EQ(withSets({"cells.length=9007199254740992"}).description.values.cells.length, 9007199254740992.0);
}

TEST(DescriptionBounds, EachFitRuleAtEqualityAndJustInside) {
  // cells.septum_half_width below cells.half_width (3), guide2.half_width
  // (3.05) and split_guide.half_width (3); split_guide.septum_half_width
  // below split_guide.half_width (3), cells.half_width (3) and
  // last_guide.half_width (2.85).
  EXPECT_EQ(errorsOf({"cells.septum_half_width=2.99"}), "");
  EXPECT_EQ(errorsOf({"split_guide.septum_half_width=2.84"}), "");
  EXPECT_EQ(errorsOf({"split_guide.septum_half_width=2.85"}),
            "--set split_guide.septum_half_width=2.85: split_guide.septum_half_width = 2.85 cm is not smaller than "
            "last_guide.half_width = 2.85 cm (shipped value): the last guide's opening would lie inside the split "
            "guide's septum\n");
  // Each rule alone: the other openings widened out of its way.
  const std::vector<std::string> wide = {"cells.half_width=5", "guide2.half_width=5", "split_guide.half_width=5",
                                         "last_guide.half_width=5"};
  const auto with = [&](std::vector<std::string> more) {
    more.insert(more.begin(), wide.begin(), wide.end());
    return withSets(more).errors;
  };
  ASSERT_TRUE(with({}).empty());
  // A half width equal to the septum is refused; one a little wider is not.
  EXPECT_TRUE(with({"cells.half_width=0.36"}).empty());
  EXPECT_TRUE(with({"guide2.half_width=0.36"}).empty());
  EXPECT_TRUE(with({"split_guide.half_width=0.36"}).empty());
  EXPECT_TRUE(with({"last_guide.half_width=0.36"}).empty());
  const std::vector<std::string> g2 = with({"guide2.half_width=0.35"});
  ASSERT_EQ(g2.size(), 1u);
  EXPECT_NE(g2[0].find("cells.septum_half_width = 0.35 cm is not smaller than guide2.half_width = 0.35 cm"),
            std::string::npos);
  const std::vector<std::string> lg = with({"last_guide.half_width=0.35"});
  ASSERT_EQ(lg.size(), 1u);
  EXPECT_NE(lg[0].find("split_guide.septum_half_width = 0.35 cm is not smaller than last_guide.half_width = 0.35 cm"),
            std::string::npos);
  const std::vector<std::string> sg = with({"split_guide.half_width=0.35"});
  ASSERT_EQ(sg.size(), 2u);  // fills the split guide, and the cells' halves miss its channels
  EXPECT_NE(sg[0].find("the septum would fill the split guide: no channel is left"), std::string::npos);
  EXPECT_NE(sg[1].find("the halves of the cells would lie outside the channels of the split guide that follows them"),
            std::string::npos);
  const std::vector<std::string> cells = with({"cells.half_width=0.35"});
  ASSERT_EQ(cells.size(), 2u);  // fills the cells, and the split guide's channels miss them
  EXPECT_NE(cells[0].find("the septum would fill the cells: no half is left"), std::string::npos);
  EXPECT_NE(cells[1].find("the channels of the split guide would lie outside the halves of the cells they follow"),
            std::string::npos);
}

TEST(DescriptionBounds, ModelLimitsJustInside) {
  const auto limits = [](const std::vector<std::string>& sets) {
    const ReadResult r = withSets(sets);
    EXPECT_TRUE(r.errors.empty());
    return checkModelLimits(r.description, 20.0, "lam.hbook");
  };
  // The shortest wavelength just below the longest is followed.
  EXPECT_TRUE(limits({"source.shortest_wavelength=19.99"}).empty());
  EXPECT_EQ(limits({"source.shortest_wavelength=20.01"}).size(), 1u);
  // 20 x 0.0785 = 1.57 rad opens the cone just short of 1.5708 rad; the
  // guides are made absorbing so that their reflections do not count.
  const std::vector<std::string> absorbing = {
      "guide1.critical_angle_per_angstrom=0", "guide2.critical_angle_per_angstrom=0",
      "split_guide.critical_angle_per_angstrom=0", "last_guide.critical_angle_per_angstrom=0"};
  std::vector<std::string> open = absorbing;
  open.push_back("source.cone_per_angstrom=0.0785");
  EXPECT_TRUE(limits(open).empty());
  open.back() = "source.cone_per_angstrom=0.0786";
  const std::vector<std::string> tooOpen = limits(open);
  ASSERT_EQ(tooOpen.size(), 1u);
  EXPECT_EQ(tooOpen[0].rfind("--set source.cone_per_angstrom=0.0786: source.cone_per_angstrom = 0.0786 rad/Angstrom "
                             "opens the start cone to 1.572 rad at 20 Angstrom (the longest wavelength of lam.hbook)",
                             0),
            0u)
      << tooOpen[0];
}

TEST(DescriptionBounds, TheSummaryOfOneValueAndOfAFile) {
  const ReadResult one = withSets({"cells.length=30"});
  const std::vector<std::string> lines = reportLines(one.description, SHIPPED_BEAMLINE);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Beamline with --set: 1 value differs from the shipped beamline (digest " +
                          digest(one.description.values) + ")");
  testsupport::ScratchDir dir("descbounds");
  const std::string path = (dir.path() / "b.toml").string();
  { std::ofstream(path) << "[cells]\nlength = 30\ntemperature = 1.6\n"; }
  const ReadResult file = readDescription(SHIPPED_BEAMLINE, path, {});
  ASSERT_TRUE(file.errors.empty());
  EXPECT_EQ(reportLines(file.description, SHIPPED_BEAMLINE)[0],
            "Beamline of " + path + ": 2 values differ from the shipped beamline (digest " +
                digest(file.description.values) + ")");
  const ReadResult both = readDescription(SHIPPED_BEAMLINE, path, {"cells.length=31"});
  EXPECT_EQ(reportLines(both.description, SHIPPED_BEAMLINE)[0].rfind(
                "Beamline of " + path + " with --set: 2 values differ", 0),
            0u);
  // A file that sets the shipped values: no lines.
  { std::ofstream(path) << "[cells]\nlength = 41.6\n"; }
  EXPECT_TRUE(reportLines(readDescription(SHIPPED_BEAMLINE, path, {}).description, SHIPPED_BEAMLINE).empty());
  // Keys of an unknown section, each with its nearest; a side in a file.
  { std::ofstream(path) << "[cell]\nlenght = 3\n[cells]\nupstream_helium = \"left\"\n"; }
  const ReadResult unknown = readDescription(SHIPPED_BEAMLINE, path, {});
  ASSERT_EQ(unknown.errors.size(), 1u);
  EXPECT_EQ(unknown.errors[0], path + " line 2: cell.lenght: no such key (did you mean cells.length?)");
  EXPECT_EQ(unknown.description.values.cells.upstreamHelium, Half::Left);
}
