// INTQ: the Ornstein-Zernike fall-off length and the small-q cross-section.
#include <gtest/gtest.h>

#include "support/consolecapture.h"
#include "transport/helium/heden.h"
#include "transport/helium/intq.h"

using testsupport::ConsoleCapture;

TEST(HeliumIntq, CorrelationLength) {
  EXPECT_NEAR(intqCorrelationLength(1.6), 1.4112, 5e-5);
  EXPECT_NEAR(intqCorrelationLength(2.0), 1.8845, 5e-5);
  EXPECT_NEAR(intqCorrelationLength(4.0), 3.3090, 5e-5);
}

TEST(HeliumIntq, CrossSectionAtTwoKelvin) {
  ConsoleCapture console;
  // INTQ takes its density from HEDEN: at 2.0 K the grid value 0.1456f.
  double rho = 0.0;
  HEDEN(2.0, rho);
  ASSERT_EQ(rho, 0.14560000598430634);

  double sigq = -1.0;
  INTQ(2.0, 0.0, sigq);
  EXPECT_NEAR(sigq, 0.1043430551, 5e-11);
  INTQ(2.0, 0.5, sigq);
  EXPECT_NEAR(sigq, 0.0552701539, 5e-11);
  EXPECT_TRUE(console.text().empty());
}

TEST(HeliumIntq, FallsWithQSquared) {
  ConsoleCapture console;
  double previous = 1e30;
  for (int i = 0; i <= 20; ++i) {
    const double q = 0.03 * i;
    double plus = 0.0;
    double minus = 0.0;
    INTQ(2.1, q, plus);
    INTQ(2.1, -q, minus);
    EXPECT_EQ(plus, minus) << "q = " << q;
    EXPECT_LT(plus, previous) << "q = " << q;
    previous = plus;
  }
}

TEST(HeliumIntq, DensityOutOfRangeIsReportedByHeden) {
  ConsoleCapture console;
  double sigq = 0.0;
  INTQ(5.0, 0.1, sigq);
  EXPECT_EQ(console.lines().size(), 66u);
}
