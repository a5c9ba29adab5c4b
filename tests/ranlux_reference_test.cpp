// The generator against the library's own output: the reference vectors
// (numbers and console lines for five seeds at luxury level 3) and the
// complete output of F. James's test program for the generator.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ranlux/ranlux.h"
#include "support/consolecapture.h"
#include "textout/console.h"

namespace {

std::string dataPath(const std::string& name) {
  return std::string(TARN_TEST_DATA) + "/ranlux/" + name;
}

std::vector<std::string> readLines(const std::string& name) {
  std::ifstream in(dataPath(name));
  EXPECT_TRUE(in.good()) << "cannot open " << dataPath(name);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// Captures everything printed on the console while alive.
using testsupport::ConsoleCapture;

struct RefValue {
  long position;      // 1-based position in the sequence
  float value;        // exact, from the hex float column
  long long times24;  // value * 2^24 column
};

struct RefBlock {
  std::int32_t seed = 0;
  std::int32_t lux = 0;
  std::string messages;  // the library's lines, newline-terminated
  std::vector<RefValue> values;
};

// A line "   position value hexfloat value*2^24".
bool parseValue(const std::string& line, RefValue& v) {
  std::istringstream in(line);
  std::string dec, hex;
  if (!(in >> v.position >> dec >> hex >> v.times24)) return false;
  if (dec.rfind("0.", 0) != 0 || hex.rfind("0x", 0) != 0) return false;
  v.value = std::strtof(hex.c_str(), nullptr);
  return true;
}

// The SEED blocks of reference-vectors.txt (up to the test-program section):
// "SEED s LUX l ...", the library's lines, then the values.
std::vector<RefBlock> referenceBlocks() {
  std::vector<RefBlock> blocks;
  bool inMessages = false;
  for (const std::string& line : readLines("reference-vectors.txt")) {
    if (line.rfind("=====", 0) == 0) break;
    RefValue v;
    int seed = 0, lux = 0;
    if (std::sscanf(line.c_str(), "SEED %d LUX %d", &seed, &lux) == 2) {
      blocks.push_back({});
      blocks.back().seed = seed;
      blocks.back().lux = lux;
      inMessages = true;
    } else if (!blocks.empty() && parseValue(line, v)) {
      inMessages = false;
      blocks.back().values.push_back(v);
    } else if (inMessages && line.rfind(" RANLUX", 0) == 0) {
      blocks.back().messages += line + "\n";
    } else {
      inMessages = false;
    }
  }
  return blocks;
}

TEST(RanluxReference, VectorsHaveTheExpectedShape) {
  const auto blocks = referenceBlocks();
  ASSERT_EQ(blocks.size(), 5u);
  for (const auto& b : blocks) {
    EXPECT_EQ(b.values.size(), 40u) << "seed " << b.seed;
    EXPECT_FALSE(b.messages.empty()) << "seed " << b.seed;
  }
}

TEST(RanluxReference, EverySeedNumberForNumberWithItsConsoleLines) {
  for (const RefBlock& b : referenceBlocks()) {
    ranlux::Ranlux gen;
    {
      ConsoleCapture cap;
      gen.rluxgo(b.lux, b.seed, 0, 0);
      EXPECT_EQ(cap.text(), b.messages) << "seed " << b.seed;
    }
    ConsoleCapture quiet;  // nothing more may be printed
    long drawn = 0;
    float r = 0.0f;
    for (const RefValue& v : b.values) {
      while (drawn < v.position) {
        r = gen.next();
        ++drawn;
      }
      EXPECT_EQ(std::bit_cast<std::uint32_t>(r), std::bit_cast<std::uint32_t>(v.value))
          << "seed " << b.seed << " position " << v.position << ": " << r << " vs " << v.value;
      // The integer column is the same number times 2^24.
      EXPECT_EQ(static_cast<double>(r) * 16777216.0, static_cast<double>(v.times24))
          << "seed " << b.seed << " position " << v.position;
    }
    EXPECT_EQ(quiet.text(), "");
  }
}

TEST(RanluxReference, VectorLengthDoesNotChangeTheSequence) {
  // Seed 12345: 1004 numbers in one call and one at a time are identical,
  // and both agree with the reference vector.
  const auto blocks = referenceBlocks();
  const RefBlock* b12345 = nullptr;
  for (const auto& b : blocks)
    if (b.seed == 12345) b12345 = &b;
  ASSERT_NE(b12345, nullptr);

  ConsoleCapture cap;
  ranlux::Ranlux whole, single, mixed;
  whole.rluxgo(3, 12345, 0, 0);
  single.rluxgo(3, 12345, 0, 0);
  mixed.rluxgo(3, 12345, 0, 0);
  std::vector<float> a(1004), b(1004), c(1004);
  whole.ranlux(a.data(), 1004);
  for (float& x : b) x = single.next();
  // Lengths 3 and 4, as the transport draws them, crossing the groups of 24.
  int at = 0;
  for (int len = 3; at < 1004; len = 7 - len) {
    const int n = std::min(len, 1004 - at);
    mixed.ranlux(c.data() + at, n);
    at += n;
  }
  for (int i = 0; i < 1004; ++i) {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(a[i]), std::bit_cast<std::uint32_t>(b[i])) << i;
    EXPECT_EQ(std::bit_cast<std::uint32_t>(a[i]), std::bit_cast<std::uint32_t>(c[i])) << i;
  }
  for (const RefValue& v : b12345->values) {
    if (v.position > 1004) continue;
    EXPECT_EQ(std::bit_cast<std::uint32_t>(a[v.position - 1]), std::bit_cast<std::uint32_t>(v.value))
        << v.position;
  }
}

// --- F. James's test program, replayed line for line ---

std::string f(const char* fmt, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, v);
  return buf;
}

std::string i(const char* fmt, long long v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, v);
  return buf;
}

// WRITE (6,'(A/9X,5F12.8)') title, (RVEC(L),L=1,5)
void fiveNumbers(std::ostream& out, const char* title, const std::vector<float>& rvec) {
  out << title << "\n         ";
  for (int l = 0; l < 5; ++l) out << f("%12.8f", rvec[l]);
  out << '\n';
}

std::string replayTestProgram() {
  std::ostringstream out;
  textout::setConsole(&out);
  ranlux::Ranlux gen;
  std::vector<float> rvec(1000);

  out << "\n  CALL RANLUX(RVEC,100)\n";
  gen.ranlux(rvec.data(), 100);
  fiveNumbers(out, " RANLUX default numbers   1-  5:", rvec);
  gen.ranlux(rvec.data(), 100);
  fiveNumbers(out, " RANLUX default numbers 101-105:", rvec);

  out << "\n CALL RLUXGO(0,0,0,0)\n";
  gen.rluxgo(0, 0, 0, 0);
  gen.ranlux(rvec.data(), 100);
  fiveNumbers(out, " RANLUX luxury level 0,   1-  5:", rvec);
  gen.ranlux(rvec.data(), 100);
  fiveNumbers(out, " RANLUX luxury level 0, 101-105:", rvec);

  out << "\n   CALL RLUXGO(389,1,0,0)\n";
  gen.rluxgo(389, 1, 0, 0);
  gen.ranlux(rvec.data(), 100);
  fiveNumbers(out, " RANLUX luxury p=389,   1-  5:", rvec);
  gen.ranlux(rvec.data(), 100);
  fiveNumbers(out, " RANLUX luxury p=389, 101-105:", rvec);

  out << "\n  CALL RLUXGO(75,0,0,0)\n";
  gen.rluxgo(75, 0, 0, 0);
  gen.ranlux(rvec.data(), 100);
  fiveNumbers(out, " RANLUX luxury p= 75,   1-  5:", rvec);
  gen.ranlux(rvec.data(), 100);
  fiveNumbers(out, " RANLUX luxury p= 75, 101-105:", rvec);

  out << "\n  test restarting from the full vector\n";
  std::int32_t isdext[25];
  gen.rluxut(isdext);
  out << "\n  current RANLUX status saved:\n";
  for (int row = 0; row < 5; ++row) {
    out << ' ';
    for (int col = 0; col < 5; ++col) out << i("%14lld", isdext[5 * row + col]);
    out << '\n';
  }
  gen.ranlux(rvec.data(), 100);
  fiveNumbers(out, " RANLUX numbers 1- 5:", rvec);
  gen.ranlux(rvec.data(), 100);
  fiveNumbers(out, " RANLUX numbers 101-105:", rvec);

  out << "\n   previous RANLUX status will be restored\n";
  gen.rluxin(isdext);
  gen.ranlux(rvec.data(), 100);
  fiveNumbers(out, " RANLUX numbers 1- 5:", rvec);
  gen.ranlux(rvec.data(), 100);
  fiveNumbers(out, " RANLUX numbers 101-105:", rvec);

  out << "\n     test the restarting by skipping\n";
  gen.rluxgo(4, 7674985, 0, 0);
  std::int32_t i1, i2, i3, i4;
  gen.rluxat(i1, i2, i3, i4);
  out << "  RLUXAT values =" << i("%10lld", i1) << i("%10lld", i2) << i("%10lld", i3)
      << i("%10lld", i4) << '\n';
  for (int li = 0; li < 10; ++li) gen.ranlux(rvec.data(), 1000);
  gen.rluxat(i1, i2, i3, i4);
  out << "  RLUXAT values =" << i("%10lld", i1) << i("%10lld", i2) << i("%10lld", i3)
      << i("%10lld", i4) << '\n';
  gen.ranlux(rvec.data(), 200);
  out << "  Next and 200th numbers are:" << f("%10.6f", rvec[0]) << f("%10.6f", rvec[199]) << '\n';
  gen.rluxgo(i1, i2, i3, i4);
  gen.ranlux(rvec.data(), 200);
  out << "  Next and 200th numbers are:" << f("%10.6f", rvec[0]) << f("%10.6f", rvec[199]) << '\n';

  out << "\n The following should provoke an error message\n";
  gen.rluxgo(4, 11111, 31, 0);

  textout::setConsole(nullptr);
  return out.str();
}

TEST(RanluxReference, TestProgramOutputIdentical) {
  // Everything after the second "=====" line is the program's output.
  const auto lines = readLines("reference-vectors.txt");
  int rulers = 0;
  std::string expected;
  for (const std::string& line : lines) {
    if (rulers >= 2) expected += line + "\n";
    if (line.rfind("=====", 0) == 0) ++rulers;
  }
  ASSERT_EQ(rulers, 2);
  ASSERT_GT(expected.size(), 2000u);

  const std::string got = replayTestProgram();
  std::istringstream g(got), e(expected);
  std::string gl, el;
  int lineNo = 0;
  while (true) {
    const bool hg = static_cast<bool>(std::getline(g, gl));
    const bool he = static_cast<bool>(std::getline(e, el));
    ++lineNo;
    if (!hg || !he) {
      EXPECT_EQ(hg, he) << "output lengths differ at line " << lineNo;
      break;
    }
    EXPECT_EQ(gl, el) << "line " << lineNo;
  }
}

}  // namespace
