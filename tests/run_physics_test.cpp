// Physics of whole runs on inputs whose outcome can be worked out by hand:
// a spectrum of one narrow wavelength bin and a structure factor with one
// non-zero bin.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/runs.h"
#include "transport/event/celltally.h"
#include "transport/event/runstate.h"
#include "transport/helium/wq.h"
#include "transport/run/main_RU.h"
#include "transport/run/runoptions.h"
#include "transport/run/runstamp.h"

using namespace testsupport;

namespace {

constexpr double HBAR = 0.6582122;         // meV ps
constexpr double TWO_MASS = 0.2090815502;  // meV ps^2 / Å^2
constexpr double MASS = 0.1045407751;      // meV ps^2 / Å^2

// Writes lam.hbook with one bin [lo, hi) Å, sq.hbook with S(q) = 1 in the
// single bin `qBin` (1..90) and zero gradient histograms.
void writeInputs(const fs::path& dir, float lo, float hi, int qBin) {
  writeHistograms(dir / "lam.hbook", {makeHistogram(100, "one line", 1, lo, hi, {1.0f})});
  std::vector<float> sq(90, 0.0f);
  sq[qBin - 1] = 1.0f;
  writeHistograms(dir / "sq.hbook", {makeHistogram(301, "one bin", 90, 0.0f, 3.6f, sq)});
  writeHistograms(dir / "gradx.hbook", {makeHistogram(151, "g", 100, -3.0f, 3.0f, {}),
                                        makeHistogram(152, "g", 100, -3.0f, 3.0f, {})});
}

std::vector<tarn::DetectedNeutron> runObserved(const fs::path& dir, int events) {
  std::vector<tarn::DetectedNeutron> seen;
  const fs::path previous = fs::current_path();
  fs::current_path(dir);
  std::ostringstream console;
  textout::setConsole(&console);
  tarn::RunOptions options;
  options.nEvents = events;
  options.clock = [] { return tarn::makeStamp(2026, 5, 1, 12, 30, 7, 11); };
  options.observer = [&seen](const tarn::DetectedNeutron& n) { seen.push_back(n); };
  const int status = tarn::runTarn(options);
  textout::setConsole(nullptr);
  fs::current_path(previous);
  EXPECT_EQ(status, 0) << console.str();
  return seen;
}

}  // namespace

TEST(CellAccounting, StraightPassageOfOneMeVNeutron) {
  // v = sqrt(1 * 2 / 0.1045407751) = 4.37393 Å/ps; 41.6 cm turns the spin by 174.284 mrad.
  EXPECT_NEAR(tarn::neutronSpeed(1.0), 4.37393, 5e-6);
  tarn::NeutronState in{1.0, 1.0, 0.5, 214.0, 0.0, 0.0};
  tarn::NeutronState out{1.0, 1.0, 0.5, 255.6, 0.0, 0.0};
  const tarn::CellTally t = tarn::cellAccounting(in, out, 41.6);
  EXPECT_DOUBLE_EQ(t.unscatteredPath, 255.6 - 214.0);
  EXPECT_NEAR(t.unscatteredRotation, 174.284, 5e-4);
  EXPECT_EQ(t.scatteredPath, 0.0);
  EXPECT_EQ(t.scatteredRotation, 0.0);
}

TEST(CellAccounting, ScatteringPointFromTheTwoSlopes) {
  // In along the axis, out with slope 0.01 in x from s1 = 10 cm on.
  const double s1 = 10.0, t = std::tan(0.01);
  tarn::NeutronState in{5.0, 1.0, 0.0, 214.0, 0.0, 0.0};
  tarn::NeutronState out{4.0, 1.0 + (41.6 - s1) * t, 0.0, 255.6, 0.01, 0.0};
  const tarn::CellTally c = tarn::cellAccounting(in, out, 41.6);
  const double L2 = std::sqrt((41.6 - s1) * t * (41.6 - s1) * t + (41.6 - s1) * (41.6 - s1));
  EXPECT_NEAR(c.scatteredPath, s1 + L2, 1e-9);
  const double expected = s1 * 183.24718 * 0.1f / tarn::neutronSpeed(5.0) +
                          L2 * 183.24718 * 0.1f / tarn::neutronSpeed(4.0);
  EXPECT_NEAR(c.scatteredRotation, expected, 1e-9);
  EXPECT_EQ(c.unscatteredPath, 0.0);
}

TEST(CellAccounting, EqualXSlopesPlaceThePointWithY) {
  const double s1 = 25.0, ty = std::tan(-0.02);
  tarn::NeutronState in{5.0, 1.0, 0.3, 214.0, 0.004, 0.0};
  tarn::NeutronState out{4.5, 1.0 + 41.6 * std::tan(0.004), 0.3 + (41.6 - s1) * ty, 255.6, 0.004, -0.02};
  const tarn::CellTally c = tarn::cellAccounting(in, out, 41.6);
  ASSERT_TRUE(std::isfinite(c.scatteredPath));
  const double L1 = std::sqrt(std::pow(s1 * std::tan(0.004), 2) + s1 * s1);
  const double L2 = std::sqrt((std::pow((41.6 - s1) * ty, 2) + std::pow((41.6 - s1) * std::tan(0.004), 2)) +
                              (41.6 - s1) * (41.6 - s1));
  EXPECT_NEAR(c.scatteredPath, L1 + L2, 1e-9);
  // The spin turns at the speed before the point found by y, and after it.
  const double turn = 183.24718 * 0.1f;
  EXPECT_NEAR(c.scatteredRotation, L1 * turn / tarn::neutronSpeed(5.0) + L2 * turn / tarn::neutronSpeed(4.5), 1e-9);
  // Equal slopes in both planes: the point goes to the middle, the path is
  // straight, and half of it is travelled at each speed.
  tarn::NeutronState same{4.5, 1.0 + 41.6 * std::tan(0.004), 0.3, 255.6, 0.004, 0.0};
  const tarn::CellTally m = tarn::cellAccounting(in, same, 41.6);
  const double straight = 41.6 * std::sqrt(1 + std::pow(std::tan(0.004), 2));
  EXPECT_NEAR(m.scatteredPath, straight, 1e-9);
  EXPECT_NEAR(m.scatteredRotation,
              straight / 2 * turn / tarn::neutronSpeed(5.0) + straight / 2 * turn / tarn::neutronSpeed(4.5), 1e-9);
}

// 12.00-12.01 Å neutrons and transfers below 0.04 1/Å (phonons): every
// detected neutron is either unscattered, with the straight path and
// rotation through both cells, or lost exactly the dispersion's energy.
TEST(RunPhysics, UnscatteredPathRotationAndExactEnergyLoss) {
  ScratchDir dir("physics");
  writeInputs(dir.path(), 12.0f, 12.01f, 1);
  const auto seen = runObserved(dir.path(), 20000);
  ASSERT_GT(seen.size(), 1000u);
  int unscattered = 0, scattered = 0;
  for (const auto& n : seen) {
    // Start energy from the wavelength: E = 81.80411 / lambda^2 meV.
    EXPECT_GT(n.En, 81.80411 / (12.01 * 12.01) - 1e-9);
    EXPECT_LT(n.En, 81.80411 / (12.0 * 12.0) + 1e-9);
    const bool changedUp = n.upOut.E != n.En;
    const bool changedDown = n.downOut.E != n.upOut.E;
    if (!changedUp && !changedDown && !n.scatteredUp && !n.scatteredDown) {
      ++unscattered;
      // Two straight passages of about 41.6 cm each, so about 83.2 cm.
      const double d1 = std::sqrt(std::pow(n.upOut.y - n.upIn.y, 2) + std::pow(n.upOut.x - n.upIn.x, 2) +
                                  41.6 * 41.6);
      const double d2 = std::sqrt(std::pow(n.downOut.y - n.downIn.y, 2) +
                                  std::pow(n.downOut.x - n.downIn.x, 2) + 41.6 * 41.6);
      EXPECT_NEAR(n.totalPath, d1 + d2, 1e-9);
      EXPECT_GT(n.totalPath, 83.2 - 1e-9);
      EXPECT_LT(n.totalPath, 83.25);
      const double v = std::sqrt(n.En * 2 / MASS);
      EXPECT_NEAR(n.totalRotation, (d1 + d2) * 183.24718 * 0.1f / v, 1e-9);
      EXPECT_EQ(n.detector.E, n.En);
    }
    if (changedUp) {
      ++scattered;
      EXPECT_TRUE(n.scatteredUp);
      // The energy lost is hbar * wp(q) for the transfer drawn for the cell.
      double wp = 0.0;
      WQ(n.qUp, wp, n.En, std::sqrt(n.En * TWO_MASS) / HBAR);
      EXPECT_EQ(n.upOut.E, n.En - wp * HBAR) << n.qUp;
      EXPECT_GE(n.qUp, 0.0);
      EXPECT_LE(n.qUp, 0.04f);
      EXPECT_GT(n.up.scatteredPath, 41.6);
      EXPECT_EQ(n.up.unscatteredPath, 0.0);
    }
    if (changedDown) {
      double wp = 0.0;
      WQ(n.qDown, wp, n.upOut.E, std::sqrt(n.upOut.E * TWO_MASS) / HBAR);
      EXPECT_EQ(n.downOut.E, n.upOut.E - wp * HBAR) << n.qDown;
    }
    // The half-crossing rule and the cell windows keep each neutron on its side.
    EXPECT_EQ(n.upIn.x > 0, n.downOut.x > 0);
  }
  EXPECT_GT(unscattered, 1000);
  EXPECT_GT(scattered, 10);
}

// With the only transfer far beyond what the neutron can make, every event
// is ended in an orderly way and reported once after the figures.
TEST(RunPhysics, ImpossibleTransfersEndEventsAndAreReported) {
  ScratchDir dir("impossible");
  // 18 Å neutrons (0.25 meV, 2k = 0.70 1/Å) with S(q) only at 3.5 1/Å: the
  // copy up to 2k is empty.
  writeInputs(dir.path(), 18.0f, 18.01f, 88);
  const RunResult r = runIn(dir.path(), 500, tarn::makeStamp(2026, 5, 1, 12, 31, 7, 11));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(countAfter(r.console, "tar1 in"), 0);
  EXPECT_NE(r.console.find("   Events ended without an allowed momentum transfer          500\n"),
            std::string::npos)
      << r.console;
  EXPECT_NE(r.log.find("Events ended without an allowed momentum transfer          500"), std::string::npos);
  // Fractions with a zero denominator print what IEEE division gives.
  EXPECT_NE(r.console.find("   Frac # of scatters tar1             NaN\n"), std::string::npos) << r.console;
}
