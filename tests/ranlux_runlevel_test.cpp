// The run-level pair RLUXGO / RANLUX. This program's only test touches the
// run-level generator, so its first draw is the very first of the process.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ranlux/ranlux.h"
#include "textout/console.h"

namespace {

// "default          1-5     0.53981817  0.76155043 ..." from the published values.
std::vector<std::string> publishedDefaultFirstFive() {
  std::ifstream in(std::string(TARN_TEST_DATA) + "/ranlux/published-test-output.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("default ", 0) != 0) continue;
    std::istringstream s(line);
    std::string name, range, v;
    s >> name >> range;
    if (range != "1-5") continue;
    std::vector<std::string> values;
    while (s >> v) values.push_back(v);
    return values;
  }
  return {};
}

std::string eight(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.8f", static_cast<double>(v));
  return buf;
}

TEST(RanluxRunLevel, DefaultStartThenRluxgo) {
  const auto expected = publishedDefaultFirstFive();
  ASSERT_EQ(expected.size(), 5u);

  std::ostringstream out;
  textout::setConsole(&out);
  // RANLUX before any RLUXGO: the default initialisation, printed once.
  float r[5];
  ranlux::RANLUX(r, 4);
  EXPECT_EQ(out.str(),
            " RANLUX DEFAULT INITIALIZATION:    314159265\n"
            " RANLUX DEFAULT LUXURY LEVEL =   3      p = 223\n");
  ranlux::RANLUX(r + 4, 1);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(eight(r[k]), expected[k]) << "number " << k + 1;
  std::int32_t lux, ins, k1, k2;
  ranlux::runGenerator().rluxat(lux, ins, k1, k2);
  EXPECT_EQ(lux, 3);
  EXPECT_EQ(ins, 314159265);
  EXPECT_EQ(k1, 5);

  // RLUXGO with seed 0 (as a run started at 0 s 0 ms does) restarts the same
  // sequence, printing its own lines.
  out.str("");
  ranlux::RLUXGO(3, 0, 0, 0);
  EXPECT_EQ(out.str(),
            " RANLUX LUXURY LEVEL SET BY RLUXGO : 3     P= 223\n"
            " RANLUX INITIALIZED BY RLUXGO FROM DEFAULT SEED\n");
  float again[5];
  ranlux::RANLUX(again, 3);
  ranlux::RANLUX(again + 3, 2);
  for (int k = 0; k < 5; ++k)
    EXPECT_EQ(std::bit_cast<std::uint32_t>(again[k]), std::bit_cast<std::uint32_t>(r[k])) << k;

  // The pair drives runGenerator(), and a separate instance leaves it alone.
  out.str("");
  ranlux::RLUXGO(3, 12345, 0, 0);
  ranlux::Ranlux other;
  other.rluxgo(3, 12345, 0, 0);
  float a[4], b[4];
  other.ranlux(b, 4);  // drawing from other does not move the run generator
  ranlux::RANLUX(a, 4);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(a[k], b[k]) << k;
  EXPECT_EQ(ranlux::runGenerator().next(), other.next());
  textout::setConsole(nullptr);
}

}  // namespace
