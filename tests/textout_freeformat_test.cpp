// Free-format line editing: the column layout every report line and
// diagnostic relies on.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <limits>
#include <sstream>

#include "textout/console.h"
#include "textout/freeformat.h"

using textout::formatDouble;
using textout::formatInt;
using textout::formatReal;
using textout::Line;

TEST(FreeFormat, IntegersRightJustifiedInTwelve) {
  EXPECT_EQ(formatInt(100000), "      100000");
  EXPECT_EQ(formatInt(0), "           0");
  EXPECT_EQ(formatInt(-7), "          -7");
  EXPECT_EQ(formatInt(3478577), "     3478577");
}

TEST(FreeFormat, AnIntegerOfMoreThanTwelveCharactersWidensItsField) {
  // Twelve characters fill the field; a thirteenth widens it, never asterisks.
  EXPECT_EQ(formatInt(999999999999), "999999999999");
  EXPECT_EQ(formatInt(1000000000000), "1000000000000");
  EXPECT_EQ(formatInt(-99999999999), "-99999999999");
  EXPECT_EQ(formatInt(-999999999999), "-999999999999");
  EXPECT_EQ(Line().integer(12345678901234).str(), " 12345678901234");
}

TEST(FreeFormat, RealsFixedBetweenTenthAndTenMillion) {
  EXPECT_EQ(formatReal(0.4026f), "  0.4026000    ");
  EXPECT_EQ(formatReal(1.5f), "   1.500000    ");
  EXPECT_EQ(formatReal(-0.25f), " -0.2500000    ");
  EXPECT_EQ(formatReal(174.284f), "   174.2840    ");
  EXPECT_EQ(formatReal(0.1f), "  0.1000000    ");
  EXPECT_EQ(formatReal(9999999.0f), "   9999999.    ");
  for (float v : {0.4026f, 1.5f, 123.456f, 0.1f})
    EXPECT_EQ(formatReal(v).size(), 15u) << v;
}

TEST(FreeFormat, RealsInExponentFormOutsideThatRange) {
  EXPECT_EQ(formatReal(0.025f), "  0.2500000E-01");
  EXPECT_EQ(formatReal(-0.025f), " -0.2500000E-01");
  EXPECT_EQ(formatReal(1.0e7f), "  0.1000000E+08");
  EXPECT_EQ(formatReal(1.0e-30f), "  0.1000000E-29");
  EXPECT_EQ(formatReal(0.099999994f), "  0.9999999E-01");
  // Rounding to seven digits decides the form: 9999999.5 rounds to 1e7.
  EXPECT_EQ(formatReal(9999999.5f), "  0.1000000E+08");
}

TEST(FreeFormat, ZeroAndNonFinite) {
  EXPECT_EQ(formatReal(0.0f), "   0.000000    ");
  EXPECT_EQ(formatReal(std::numeric_limits<float>::quiet_NaN()), "            NaN");
  EXPECT_EQ(formatReal(std::numeric_limits<float>::infinity()), "       Infinity");
  EXPECT_EQ(formatReal(-std::numeric_limits<float>::infinity()), "      -Infinity");
  // A negative zero keeps its sign; zero in double precision has 15 decimals.
  EXPECT_EQ(formatReal(-0.0f), "  -0.000000    ");
  EXPECT_EQ(formatDouble(0.0), "    0.000000000000000    ");
  EXPECT_EQ(formatDouble(-std::numeric_limits<double>::infinity()), "                -Infinity");
  EXPECT_EQ(formatDouble(std::numeric_limits<double>::quiet_NaN()), "                      NaN");
}

TEST(FreeFormat, LineItemsInTheirOwnFormsInOrder) {
  EXPECT_EQ(Line().real(0.025f).integer(7).dbl(-1.0e300).text("|").str(),
            "   0.2500000E-01           7  -0.1000000000000000+301|");
  EXPECT_EQ(Line().str(), " ");
}

TEST(FreeFormat, DoublesUseSixteenDigitsInTwentyFive) {
  EXPECT_EQ(formatDouble(0.1), "   0.1000000000000000    ");
  EXPECT_EQ(formatDouble(3.6), "    3.600000000000000    ");
  EXPECT_EQ(formatDouble(0.10000000149011612), "   0.1000000014901161    ");
  EXPECT_EQ(formatDouble(-1.0e-9), "  -0.1000000000000000E-08");
  EXPECT_EQ(formatDouble(1.0e300), "   0.1000000000000000+301");
  // Two exponent digits with the E up to 99, three without it from 100.
  EXPECT_EQ(formatDouble(1.0e98), "   0.1000000000000000E+99");
  EXPECT_EQ(formatDouble(1.0e99), "   0.1000000000000000+100");
  EXPECT_EQ(formatDouble(1.0e-100), "   0.1000000000000000E-99");
  EXPECT_EQ(formatDouble(1.0e-101), "   0.1000000000000000-100");
  EXPECT_EQ(formatDouble(0.0).size(), 25u);
}

TEST(FreeFormat, LineStartsWithBlankAndJoinsFields) {
  Line line;
  line.text("  Nevents: ").integer(100000);
  EXPECT_EQ(line.str(), "   Nevents:       100000");
  std::ostringstream out;
  textout::setConsole(&out);
  textout::print(Line().text("ranNo is ").integer(42));
  textout::setConsole(nullptr);
  EXPECT_EQ(out.str(), " ranNo is           42\n");
}

// Standard output counts as written only while the C stream's error flag is
// clear: a line lost earlier (here to a descriptor open for reading only)
// makes the console fail even when a later flush succeeds. A redirected
// console does not look at standard output.
TEST(FreeFormat, ConsoleOnStandardOutputFailsOnceALineWasLost) {
  std::cout.flush();
  std::fflush(stdout);
  std::clearerr(stdout);
  EXPECT_TRUE(textout::consoleWritten());

  const int saved = ::dup(1);
  ASSERT_GE(saved, 0);
  const int readOnly = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(readOnly, 0);
  ASSERT_EQ(::dup2(readOnly, 1), 1);
  ::close(readOnly);
  std::fputs("a line that cannot be written\n", stdout);
  const int lostFlush = std::fflush(stdout);
  ASSERT_EQ(::dup2(saved, 1), 1);
  ::close(saved);
  EXPECT_NE(lostFlush, 0);

  // Only the error flag is left: the flush itself succeeds now.
  ASSERT_NE(std::ferror(stdout), 0);
  ASSERT_EQ(std::fflush(stdout), 0);
  EXPECT_FALSE(std::cout.fail());
  EXPECT_FALSE(textout::consoleWritten());
  EXPECT_FALSE(textout::consoleWritten());  // the flag stays until cleared

  std::ostringstream redirected;
  textout::setConsole(&redirected);
  EXPECT_TRUE(textout::consoleWritten());
  textout::setConsole(nullptr);

  std::clearerr(stdout);
  EXPECT_TRUE(textout::consoleWritten());
}
