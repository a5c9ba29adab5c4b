// The written form of a figure with its error at the edges of its rules:
// fixed notation from 0.01 up to below 10^6, a shared exponent outside, the
// second significant digit of the error either side of a power of ten, the
// error larger than the value, and an interval without a width.
#include <gtest/gtest.h>

#include <string>

#include "transport/run/figureerrors.h"

TEST(FigureFormat, FixedOrSharedExponentEitherSideOfEachBound) {
  const struct {
    double value, error;
    const char* text;
  } cases[] = {
      {0.01, 0.001, "0.0100 +- 0.0010"},       // the lowest fixed value
      {0.0099, 0.001, "(9.9 +- 1.0)E-03"},     // just below it
      {0.001, 0.02, "0.001 +- 0.020"},         // the error decides when it is the larger
      {0.001, 0.0099, "(1.0 +- 9.9)E-03"},     //
      {999999, 1000, "999999 +- 1000"},        // the highest fixed value
      {1e6, 1000, "(1.0000 +- 0.0010)E+06"},   // the lowest shared exponent above
      {1.5e-12, 1e-13, "(1.50 +- 0.10)E-12"},  // two digits of the exponent
      {13, 1, "13.0 +- 1.0"},                  // an error at a power of ten
      {13, 0.99, "13.00 +- 0.99"},             // just below it
      {130, 10, "130 +- 10"},                  // no decimals from 10 up
      {130, 9.9, "130.0 +- 9.9"},              //
      {0.123456789, 0, "0.1234568 +- 0"},      // no error: seven digits
      {-0.5, 0.05, "-0.500 +- 0.050"},         // a negative value
  };
  for (const auto& c : cases) EXPECT_EQ(tarn::withError(c.value, c.error), c.text) << c.value << " " << c.error;
}

TEST(FigureFormat, IntervalsWithAndWithoutAWidth) {
  EXPECT_EQ(tarn::interval(0.5, 0.5, 0), "0.5 to 0.5");
  // Without an error the half width sets the digits: 0.0625, not 0.125.
  EXPECT_EQ(tarn::interval(0.25, 0.375, 0), "0.250 to 0.375");
  EXPECT_EQ(tarn::interval(0.2, 0.4, 0.01), "0.200 to 0.400");
  EXPECT_EQ(tarn::interval(0.001, 0.009, 0), "(1.0 to 9.0)E-03");
}

TEST(FigureFormat, SmallCountsOnEitherSide) {
  // A count below 30, or below 30 left over, is small; 30 of each is not.
  EXPECT_TRUE(tarn::binomialEstimate(29, 59).small);
  EXPECT_TRUE(tarn::binomialEstimate(30, 59).small);
  EXPECT_FALSE(tarn::binomialEstimate(30, 60).small);
  EXPECT_TRUE(tarn::binomialEstimate(31, 60).small);
}
