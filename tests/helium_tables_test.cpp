// SOMMERS, HEDEN, NDEN and DSG0: values inside the tables, the column and
// grid boundaries (single-precision grid points compared in double), and the
// behaviour outside each table with its console lines.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <string>

#include "support/consolecapture.h"
#include "textout/console.h"
#include "textout/freeformat.h"
#include "transport/helium/dsg0.h"
#include "transport/helium/heden.h"
#include "transport/helium/nden.h"
#include "transport/helium/sommers.h"

using testsupport::ConsoleCapture;

namespace {

std::string dblLine(double a, double b, double c) {
  return textout::Line().dbl(a).dbl(b).dbl(c).str();
}

// Lowest grid energy of SOMMERS, 17 Å neutrons (single precision).
constexpr double SOMMERS_E1 = 0.2830584f;

}  // namespace

// ---------------------------------------------------------------- SOMMERS

TEST(HeliumSommers, InterpolatesAtFiveMeV) {
  ConsoleCapture console;
  double sigma = -1.0;
  SOMMERS(2.1, 5.0, sigma);
  EXPECT_NEAR(sigma, 0.564899307412, 5e-13);
  EXPECT_TRUE(console.text().empty());
}

TEST(HeliumSommers, InterpolatesAtOneMeV) {
  ConsoleCapture console;
  double sigma = -1.0;
  SOMMERS(2.1, 1.0, sigma);
  EXPECT_NEAR(sigma, 0.0291207014, 5e-11);
  EXPECT_TRUE(console.text().empty());
}

TEST(HeliumSommers, GridPointGivesTableValue) {
  ConsoleCapture console;
  double sigma = -1.0;
  SOMMERS(2.1, static_cast<double>(5.112742f), sigma);
  EXPECT_EQ(sigma, static_cast<double>(0.5707f));
  SOMMERS(2.1, 100.0, sigma);
  EXPECT_EQ(sigma, static_cast<double>(0.76f));
  EXPECT_TRUE(console.text().empty());
}

TEST(HeliumSommers, BelowGridHoldsFirstValueWithSeventeenReports) {
  ConsoleCapture console;
  double sigma = -1.0;
  SOMMERS(2.1, 0.2, sigma);
  EXPECT_EQ(sigma, static_cast<double>(0.026f));
  const auto lines = console.lines();
  ASSERT_EQ(lines.size(), 51u);
  for (int i = 0; i < 17; ++i) {
    EXPECT_EQ(lines[3 * i], dblLine(0.2, SOMMERS_E1, 100.0)) << "interval " << i + 1;
    EXPECT_EQ(lines[3 * i + 1], "  ...");
    EXPECT_EQ(lines[3 * i + 2],
              textout::Line().integer(i + 1).text(" The value is out of range ... sommers").str());
  }
  EXPECT_EQ(lines[50], "           17 The value is out of range ... sommers");
}

TEST(HeliumSommers, AboveGridHoldsLastValueSilently) {
  ConsoleCapture console;
  double sigma = -1.0;
  SOMMERS(2.1, 150.0, sigma);
  EXPECT_EQ(sigma, static_cast<double>(0.76f));
  EXPECT_TRUE(console.text().empty());
}

TEST(HeliumSommers, ColumnBoundariesAreSinglePrecision) {
  ConsoleCapture console;
  // At the lowest grid energy each column gives its first value.
  struct Case {
    double T;
    float expected;
  };
  const Case cases[] = {
      {1.0, 0.009f},   {1.5, 0.009f},   {1.5000001, 0.026f},
      {2.17, 0.026f},  // 2.17 < 2.1700000762939453: still the 1.5-2.17 K column
      {static_cast<double>(2.17f), 0.026f},
      {2.1700001, 0.047f}, {3.5, 0.047f}, {3.5000001, 0.138f},
      {4.1, 0.175f},   // 4.1 > 4.099999904632568: already the 4.1-4.4 K column
      {4.4, 0.175f},   {static_cast<double>(4.4f), 0.175f}, {4.4000002, 0.265f}, {5.0, 0.265f}};
  for (const Case& c : cases) {
    double sigma = -1.0;
    SOMMERS(c.T, SOMMERS_E1, sigma);
    EXPECT_EQ(sigma, static_cast<double>(c.expected)) << "T = " << c.T;
  }
  EXPECT_TRUE(console.text().empty());
}

// ---------------------------------------------------------------- HEDEN

TEST(HeliumHeden, InterpolatesAboveGridPointTwoPointOne) {
  ConsoleCapture console;
  double rho = 0.0;
  HEDEN(2.1, rho);
  EXPECT_NEAR(rho, 0.14579999466, 5e-12);
  // The double 2.1 lies above the grid point 2.1f: slightly above its value.
  EXPECT_GT(rho, static_cast<double>(0.1458f));
  EXPECT_TRUE(console.text().empty());
}

TEST(HeliumHeden, GridPointsGiveTableValues) {
  ConsoleCapture console;
  double rho = 0.0;
  HEDEN(static_cast<double>(2.2f), rho);
  EXPECT_EQ(rho, static_cast<double>(0.146f));
  EXPECT_EQ(rho, 0.1459999978542328);
  HEDEN(2.0, rho);
  EXPECT_EQ(rho, 0.14560000598430634);
  HEDEN(static_cast<double>(0.2f), rho);
  EXPECT_EQ(rho, static_cast<double>(0.145f));
  EXPECT_TRUE(console.text().empty());
}

TEST(HeliumHeden, LastGridPointIsInside) {
  ConsoleCapture console;
  double rho = 0.0;
  HEDEN(4.4, rho);  // 4.4 < 4.400000095367432
  EXPECT_NEAR(rho, 0.1216, 1e-6);
  EXPECT_TRUE(console.text().empty());
}

TEST(HeliumHeden, OutOfRangeLeavesRhoAndReportsEveryInterval) {
  ConsoleCapture console;
  double rho = 0.123;
  HEDEN(0.2, rho);  // below the grid point 0.20000000298023224
  EXPECT_EQ(rho, 0.123);
  const auto lines = console.lines();
  ASSERT_EQ(lines.size(), 66u);
  for (int i = 0; i < 33; ++i) {
    EXPECT_EQ(lines[2 * i], dblLine(0.2, static_cast<double>(0.2f), static_cast<double>(4.4f)));
    EXPECT_EQ(lines[2 * i + 1], " The value is out of range ... heden code");
  }

  console.clear();
  HEDEN(5.0, rho);
  EXPECT_EQ(rho, 0.123);
  EXPECT_EQ(console.lines().size(), 66u);
}

// ---------------------------------------------------------------- NDEN

TEST(HeliumNden, InterpolatesAtTwoPointOne) {
  ConsoleCapture console;
  double rhoRel = 0.0;
  NDEN(2.1, rhoRel);
  EXPECT_NEAR(rhoRel, 0.9986301078, 5e-11);
  NDEN(static_cast<double>(2.2f), rhoRel);
  EXPECT_EQ(rhoRel, 1.0);
  NDEN(4.4, rhoRel);
  EXPECT_NEAR(rhoRel, 0.8328767, 1e-6);
  EXPECT_TRUE(console.text().empty());
}

TEST(HeliumNdenDeathTest, OutOfRangeEndsRunWithNonZeroStatus) {
  const auto failed = [](int status) { return WIFEXITED(status) && WEXITSTATUS(status) != 0; };
  // The two lines, then the registered cleanup, then nothing else.
  const std::string expected = "^" + dblLine(0.2, static_cast<double>(0.2f), static_cast<double>(4.4f)) +
                               "\n The value is out of range \\.\\.\\. nden code\ncleanup ran\n$";
  EXPECT_EXIT(
      {
        textout::setConsole(&std::cerr);
        textout::setAbortCleanup([] { std::cerr << "cleanup ran\n"; });
        double rhoRel = 0.0;
        NDEN(0.2, rhoRel);
        std::cerr << "NDEN returned\n";
        std::exit(0);
      },
      failed, expected);
}

// The last grid temperature itself (4.4f widened) is the table's last
// value; the next double above it ends the run with status 1, the three
// temperatures on the first line.
TEST(HeliumNdenDeathTest, LastGridTemperatureIsInsideTheNextDoubleAboveIsNot) {
  const double tLast = static_cast<double>(4.4f);
  {
    ConsoleCapture console;
    double rhoRel = -1.0;
    NDEN(tLast, rhoRel);
    EXPECT_EQ(rhoRel, static_cast<double>(0.8328767f));
    EXPECT_TRUE(console.text().empty()) << console.text();
  }
  const double above = std::nextafter(tLast, 5.0);
  const std::string expected =
      "^" + dblLine(above, static_cast<double>(0.2f), tLast) + "\n The value is out of range \\.\\.\\. nden code\n$";
  EXPECT_EXIT(
      {
        textout::setConsole(&std::cerr);
        double rhoRel = 0.0;
        NDEN(above, rhoRel);
        std::cerr << "NDEN returned\n";
        std::exit(0);
      },
      ::testing::ExitedWithCode(1), expected);
}

// ---------------------------------------------------------------- DSG0

TEST(HeliumDsg0, GridAndInterpolation) {
  double dsg = -1.0;
  DSG0(2.0, dsg);
  EXPECT_EQ(dsg, 0.0001820104);
  DSG0(2.1, dsg);
  EXPECT_NEAR(dsg, 0.00019153239773, 5e-15);
  DSG0(static_cast<double>(4.0f), dsg);
  EXPECT_EQ(dsg, 0.0007687297);
}

TEST(HeliumDsg0, HeldBelowExtrapolatedAbove) {
  ConsoleCapture console;
  double dsg = -1.0;
  DSG0(1.0, dsg);
  EXPECT_EQ(dsg, 0.0001433225);
  DSG0(4.2, dsg);
  EXPECT_NEAR(dsg, 0.00092508156272, 5e-15);
  DSG0(5.0, dsg);
  EXPECT_NEAR(dsg, 0.00155048901361, 5e-15);
  EXPECT_TRUE(console.text().empty());
}
