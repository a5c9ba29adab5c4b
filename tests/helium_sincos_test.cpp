// sinAndCos gives std::sin and std::cos bit for bit: over TARGET's angles
// (polar angles of the beam, scattering angles up to pi, azimuths up to 2 pi),
// over random bit patterns of every finite magnitude and at zeros of either
// sign, the smallest numbers, multiples of pi/2 and the largest double.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "transport/constants.h"
#include "transport/sincos.h"

namespace {

// The library's own functions, called one at a time (through pointers the
// compiler cannot see through, so that it does not merge them itself).
double (*volatile librarySin)(double) = [](double x) { return std::sin(x); };
double (*volatile libraryCos)(double) = [](double x) { return std::cos(x); };

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

::testing::AssertionResult sameAsTheLibrary(double x) {
  const tarn::SinCos both = tarn::sinAndCos(x);
  const double s = librarySin(x), c = libraryCos(x);
  if (bits(both.sin) == bits(s) && bits(both.cos) == bits(c)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "x = " << x << ": sin " << both.sin << " against " << s
                                       << ", cos " << both.cos << " against " << c;
}

}  // namespace

TEST(SinAndCos, TheAnglesOfTargetGiveTheLibraryValues) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> polar(0.0, 0.2), scatter(0.0, tarn::PI_6), azimuth(0.0, tarn::TWO_PI_6);
  std::uniform_real_distribution<float> uniform(0.0f, 1.0f);
  for (int i = 0; i < 300000; ++i) {
    ASSERT_TRUE(sameAsTheLibrary(polar(random)));
    ASSERT_TRUE(sameAsTheLibrary(scatter(random)));
    ASSERT_TRUE(sameAsTheLibrary(azimuth(random)));
    // An azimuth as TARGET draws it: a single-precision number times 2 pi.
    ASSERT_TRUE(sameAsTheLibrary(static_cast<double>(uniform(random)) * tarn::TWO_PI_6));
  }
}

TEST(SinAndCos, EveryMagnitudeAndTheEdgesGiveTheLibraryValues) {
  std::mt19937_64 random(11);
  for (int i = 0; i < 300000; ++i) {
    const double x = std::bit_cast<double>(random());
    if (std::isfinite(x)) {
      ASSERT_TRUE(sameAsTheLibrary(x));
    }
  }
  const double edges[] = {0.0,
                          -0.0,
                          std::numeric_limits<double>::denorm_min(),
                          -std::numeric_limits<double>::min(),
                          0x1p-27,
                          0.785398163397448,
                          tarn::PI_6 / 2,
                          tarn::PI_6,
                          -tarn::PI_6,
                          tarn::TWO_PI_6,
                          1e22,
                          std::numeric_limits<double>::max()};
  for (double x : edges) EXPECT_TRUE(sameAsTheLibrary(x));
  // Not finite: both give NaN.
  for (double x : {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
    const tarn::SinCos both = tarn::sinAndCos(x);
    EXPECT_TRUE(std::isnan(both.sin) && std::isnan(both.cos)) << x;
  }
}
