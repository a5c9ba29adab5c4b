// TARGET: entrance window, azimuth quadrants, random-number consumption,
// cross-section branch, the thetaS = 0 limit, impossible transfers and the
// scatter probability along the axis.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ranlux/ranlux.h"
#include "support/consolecapture.h"
#include "textout/freeformat.h"
#include "transport/helium/sommers.h"
#include "transport/helium/target.h"
#include "transport/lost.h"

using testsupport::ConsoleCapture;

namespace {

constexpr double TEMPERATURE = 2.1;   // K
constexpr double CELL_LENGTH = 41.6;  // cm
constexpr double Z_ENTRANCE = 230.0;  // cm, entrance plane of the upstream cell
constexpr double XMIN = 0.35;         // upstream cell, right half (cm)
constexpr double XMAX = 3.0;
constexpr double YMIN = -2.5;
constexpr double YMAX = 2.5;
constexpr std::int32_t SEED = 12345;

// Incoming state and all outputs of one call. Outputs start at sentinel
// values so that untouched ones can be recognised.
struct Call {
  double q = 1.0, E = 5.0, x = 1.0, y = 0.0, thx = 0.0, thy = 0.0;
  double xmin = XMIN, xmax = XMAX;
  double Eout = -7.0, xout = -7.0, yout = -7.0, zout = -7.0, thxout = -7.0, thyout = -7.0;
  double sigma = -7.0, path = -7.0, thetaS = -7.0, sigmaSommers = -7.0, sigmaIntq = -7.0;
  double theta_p = -7.0, phi_p = -7.0;
  bool scattered = true;

  void run() {
    TARGET(q, TEMPERATURE, E, x, y, Z_ENTRANCE, thx, thy, xmin, xmax, YMIN, YMAX, CELL_LENGTH, Eout, xout, yout, zout,
           thxout, thyout, sigma, path, thetaS, sigmaSommers, sigmaIntq, scattered, theta_p, phi_p);
  }
};

double waveNumber(double e) { return std::sqrt(e * 0.2090815502) / 0.6582122; }

// The run generator seeded afresh, and an independent generator seeded the
// same way whose sequence tells how many numbers TARGET drew.
class TargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ranlux::RLUXGO(3, SEED, 0, 0);
    reference_.rluxgo(3, SEED, 0, 0);
    console_.clear();  // the generator's start lines
  }
  // True when the run generator has drawn exactly `drawn` numbers since SetUp.
  bool drew(int drawn) {
    for (int i = 0; i < drawn; ++i) reference_.next();
    return ranlux::runGenerator().next() == reference_.next();
  }

  ConsoleCapture console_;
  ranlux::Ranlux reference_;
};

}  // namespace

// ---------------------------------------------------------------- azimuth

TEST(HeliumTargetAzimuth, QuadrantRule) {
  EXPECT_NEAR(incomingAzimuth(0.001, 0.002), 1.1071491178, 5e-11);
  EXPECT_NEAR(incomingAzimuth(-0.001, 0.002), 2.0344408822, 5e-11);
  EXPECT_NEAR(incomingAzimuth(-0.001, -0.002), 4.2487391178, 5e-11);
  EXPECT_NEAR(incomingAzimuth(0.001, -0.002), 5.1760308822, 5e-11);
}

TEST(HeliumTargetAzimuth, AxesAndOrigin) {
  EXPECT_EQ(incomingAzimuth(-0.003, 0.0), 3.14159);  // atan(-0) + 3.14159
  EXPECT_EQ(incomingAzimuth(0.003, 0.0), 0.0);
  EXPECT_EQ(incomingAzimuth(0.0, 0.0), 0.0);
  EXPECT_NEAR(incomingAzimuth(0.0, 0.003), M_PI / 2, 1e-15);
  EXPECT_NEAR(incomingAzimuth(0.0, -0.003), -M_PI / 2 + 6.28318, 1e-15);
  EXPECT_NEAR(incomingAzimuth(0.0, -0.003), 4.712383673, 5e-10);
}

// ---------------------------------------------------------------- window

TEST_F(TargetTest, OutsideEntranceWindowMarksLostAndDrawsNothing) {
  for (double x : {std::nextafter(XMIN, 0.0), std::nextafter(XMAX, 10.0)}) {
    Call c;
    c.x = x;
    c.run();
    for (double v : {c.Eout, c.xout, c.yout, c.zout, c.thxout, c.thyout})
      EXPECT_EQ(v, tarn::LOST_MARKER);
    for (double v : {c.sigma, c.path, c.thetaS, c.sigmaSommers, c.sigmaIntq, c.theta_p, c.phi_p})
      EXPECT_EQ(v, -7.0);
    EXPECT_TRUE(c.scattered);
  }
  Call c;
  c.y = 2.6;
  c.run();
  EXPECT_EQ(c.yout, tarn::LOST_MARKER);
  EXPECT_EQ(c.sigma, -7.0);
  EXPECT_TRUE(drew(0));
  EXPECT_TRUE(console_.text().empty());
}

TEST_F(TargetTest, WindowEdgePassesAndDrawsThree) {
  Call c;
  c.x = XMIN;
  c.run();
  EXPECT_NE(c.sigma, -7.0);
  EXPECT_NE(c.path, -7.0);
  EXPECT_TRUE(drew(3));
}

TEST_F(TargetTest, EveryPassingCallDrawsThree) {
  for (int i = 0; i < 50; ++i) {
    Call c;
    c.run();
  }
  EXPECT_TRUE(drew(150));
}

// ---------------------------------------------------------------- branches

TEST_F(TargetTest, BoundaryTransferTakesIntq) {
  Call c;
  c.q = static_cast<double>(0.562803f);
  c.run();
  EXPECT_EQ(c.sigmaSommers, -7.0);
  EXPECT_NE(c.sigmaIntq, -7.0);
  EXPECT_EQ(c.sigma, c.sigmaIntq);

  Call d;
  d.q = std::nextafter(static_cast<double>(0.562803f), 1.0);
  d.run();
  EXPECT_EQ(d.sigmaIntq, -7.0);
  double expected = 0.0;
  SOMMERS(TEMPERATURE, 5.0, expected);
  EXPECT_EQ(d.sigmaSommers, expected);
  EXPECT_EQ(d.sigma, d.sigmaSommers);
  EXPECT_TRUE(console_.text().empty());
}

TEST_F(TargetTest, UnscatteredNeutronKeepsThisCallsValues) {
  for (int i = 0; i < 1000; ++i) {
    Call c;
    c.thx = 0.002;
    c.thy = -0.001;
    c.run();
    if (c.scattered) continue;
    EXPECT_GT(c.path * std::cos(std::atan(std::hypot(std::tan(0.002), std::tan(0.001)))), CELL_LENGTH);
    EXPECT_EQ(c.Eout, 5.0);
    EXPECT_EQ(c.thxout, 0.002);
    EXPECT_EQ(c.thyout, -0.001);
    EXPECT_EQ(c.xout, std::tan(0.002) * CELL_LENGTH + 1.0);
    EXPECT_EQ(c.yout, std::tan(-0.001) * CELL_LENGTH + 0.0);
    EXPECT_EQ(c.zout, Z_ENTRANCE + CELL_LENGTH);
    EXPECT_NEAR(c.sigma, 0.5648993074, 5e-11);
    EXPECT_GT(c.thetaS, 0.5);
    EXPECT_GE(c.theta_p, 0.0);
    EXPECT_GE(c.phi_p, 0.0);
    EXPECT_LE(c.phi_p, 6.28318);
    return;
  }
  FAIL() << "no unscattered neutron in 1000 calls";
}

TEST_F(TargetTest, ScatteredNeutronsLeaveWithLowerEnergyOrAreLost) {
  int scattered = 0;
  int lost = 0;
  const double ep = 5.0 - static_cast<double>(1.774562f) * 0.6582122;  // wp(q = 1.0)
  for (int i = 0; i < 2000; ++i) {
    Call c;
    c.x = 1.7;
    c.run();
    if (!c.scattered) continue;
    ++scattered;
    EXPECT_LE(c.path, CELL_LENGTH);
    if (c.xout == tarn::LOST_MARKER) {
      ++lost;
      for (double v : {c.Eout, c.yout, c.zout, c.thxout, c.thyout}) EXPECT_EQ(v, tarn::LOST_MARKER);
      continue;
    }
    EXPECT_EQ(c.Eout, ep);
    EXPECT_EQ(c.zout, Z_ENTRANCE + CELL_LENGTH);
    EXPECT_NEAR(c.thxout, std::atan(std::tan(c.theta_p) * std::cos(c.phi_p)), 1e-15);
  }
  EXPECT_GT(scattered, 0);
  EXPECT_GT(lost, 0);
  EXPECT_LT(lost, scattered);
  EXPECT_TRUE(console_.text().empty());
}

// ---------------------------------------------------------------- thetaS = 0

// E = 0.4 meV, q = 0.15 1/Å: the momentum triangle gives a cosine slightly
// above 1 (q < k0 - kp), set to 1 silently, so the neutron keeps its direction.
TEST_F(TargetTest, ZeroScatteringAngleKeepsDirectionInAllQuadrants) {
  const double angles[][2] = {{0.003, 0.004},  {-0.003, 0.004}, {-0.003, -0.004},
                              {0.003, -0.004}, {-0.003, 0.0},   {0.0, 0.004}};
  for (const auto& a : angles) {
    bool done = false;
    for (int i = 0; i < 5000 && !done; ++i) {
      Call c;
      c.q = 0.15;
      c.E = 0.4;
      c.x = 1.7;
      c.thx = a[0];
      c.thy = a[1];
      c.run();
      EXPECT_EQ(c.thetaS, 0.0);
      if (!c.scattered) continue;
      done = true;
      EXPECT_NEAR(c.thxout, a[0], 1e-7) << a[0] << " " << a[1];
      EXPECT_NEAR(c.thyout, a[1], 1e-7) << a[0] << " " << a[1];
      // The interaction point lies on the incoming line, so the exit point
      // is that of the straight path.
      EXPECT_NEAR(c.xout, 1.7 + std::tan(a[0]) * CELL_LENGTH, 1e-5);
      EXPECT_NEAR(c.yout, std::tan(a[1]) * CELL_LENGTH, 1e-5);
      EXPECT_LT(c.Eout, 0.4);
    }
    EXPECT_TRUE(done) << a[0] << " " << a[1];
  }
  EXPECT_TRUE(console_.text().empty());
}

TEST_F(TargetTest, AlongTheAxisGivesZeroAzimuthWithoutDiagnostic) {
  Call c;
  c.q = 0.15;
  c.E = 0.4;
  c.run();
  EXPECT_EQ(c.thetaS, 0.0);
  EXPECT_EQ(c.theta_p, 0.0);
  EXPECT_EQ(c.phi_p, 0.0);
  EXPECT_TRUE(console_.text().empty());
}

TEST_F(TargetTest, TriangleAboveLimitIsReported) {
  // E = 0.16 meV, q = 0.1 (interval 1, no small-q correction): almost all
  // energy is given away and the triangle cannot close.
  Call c;
  c.q = 0.1;
  c.E = 0.16;
  c.run();
  EXPECT_EQ(c.thetaS, 0.0);
  const double k0 = waveNumber(0.16);
  const double wp = static_cast<double>(0.235735f) / static_cast<double>(0.1f) * 0.1;
  const double kp = waveNumber(0.16 - wp * 0.6582122);
  const auto lines = console_.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], " ----------ooo----------");
  EXPECT_EQ(lines[1],
            textout::Line().text("k0:").dbl(k0).text("   kp:").dbl(kp).text("   q:").dbl(0.1).str());
}

// ---------------------------------------------------------------- impossible

TEST_F(TargetTest, NoEnergyLeftIsReportedAndCarriedThrough) {
  Call c;
  c.q = 1.0;
  c.E = 0.3;  // wp(1.0) * hbar = 1.168 meV > E
  c.thx = 0.002;
  c.run();
  const double ep = 0.3 - static_cast<double>(1.774562f) * 0.6582122;
  const auto lines = console_.lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], textout::Line().text(" ep < 0:").dbl(ep).str());
  EXPECT_FALSE(c.scattered);
  EXPECT_EQ(c.Eout, 0.3);
  EXPECT_EQ(c.thxout, 0.002);
  EXPECT_EQ(c.thyout, 0.0);
  EXPECT_EQ(c.xout, std::tan(0.002) * CELL_LENGTH + 1.0);
  EXPECT_EQ(c.thetaS, 0.0);
  EXPECT_EQ(c.theta_p, 0.0);
  EXPECT_EQ(c.phi_p, 0.0);
  double expected = 0.0;
  SOMMERS(TEMPERATURE, 0.3, expected);
  EXPECT_EQ(c.sigma, expected);
  EXPECT_GT(c.path, 0.0);
  EXPECT_TRUE(drew(3));
}

TEST_F(TargetTest, OpenTriangleIsCarriedThrough) {
  Call c;
  c.q = 3.5;  // more than k0 + kp at 5 meV: cos(thetaS) < -1
  c.run();
  EXPECT_FALSE(c.scattered);
  EXPECT_EQ(c.Eout, 5.0);
  EXPECT_EQ(c.thetaS, 0.0);
  EXPECT_EQ(c.theta_p, 0.0);
  EXPECT_EQ(c.phi_p, 0.0);
  EXPECT_TRUE(std::isfinite(c.path));
  EXPECT_TRUE(console_.text().empty());
  EXPECT_TRUE(drew(3));
}

// ---------------------------------------------------------------- statistics

// Along the axis the neutron scatters when its free path is at most the cell
// length. With T = 2.1 K: nHe = 0.0219501892 1/Å^3 (HEDEN 0.1457999947 g/cm^3
// times 0.6022 / 4), sigma = 0.5648993074 b (SOMMERS at 5 meV), rhoRel =
// 0.9986301078 (NDEN), so the mean free path is 80.758 cm and the scatter
// probability in 41.6 cm is 1 - exp(-41.6 / 80.758) = 0.4026.
TEST_F(TargetTest, ScatterFractionAlongTheAxis) {
  const double meanFreePath = 1.0 / ((0.0219501892 * 0.5648993074) * 0.9986301078);
  ASSERT_NEAR(meanFreePath, 80.758, 5e-4);
  const double p = 1.0 - std::exp(-CELL_LENGTH / meanFreePath);
  ASSERT_NEAR(p, 0.4026, 5e-5);

  const int n = 200000;
  int scattered = 0;
  for (int i = 0; i < n; ++i) {
    Call c;  // q = 1.0 1/Å, E = 5.0 meV, thx = thy = 0, x = 1.0
    c.run();
    if (c.scattered) ++scattered;
  }
  const double fraction = static_cast<double>(scattered) / n;
  const double standardError = std::sqrt(p * (1.0 - p) / n);
  EXPECT_NEAR(fraction, p, 4.0 * standardError);
  EXPECT_TRUE(console_.text().empty());
}
