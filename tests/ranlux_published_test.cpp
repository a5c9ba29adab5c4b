// The values published with the generator's test program (8 decimals), and
// the console lines quoted there.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ranlux/ranlux.h"
#include "textout/console.h"

namespace {

std::vector<std::string> publishedLines() {
  const std::string path = std::string(TARN_TEST_DATA) + "/ranlux/published-test-output.txt";
  std::ifstream in(path);
  EXPECT_TRUE(in.good()) << "cannot open " << path;
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::string fixed(const char* fmt, float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, fmt, static_cast<double>(v));
  return buf;
}

// Start a generator as the published case names it; returns the console lines.
std::string start(ranlux::Ranlux& gen, const std::string& name) {
  std::ostringstream out;
  textout::setConsole(&out);
  if (name == "lux0") gen.rluxgo(0, 0, 0, 0);
  else if (name == "p389 seed1") gen.rluxgo(389, 1, 0, 0);
  else if (name == "p75") gen.rluxgo(75, 0, 0, 0);
  else EXPECT_EQ(name, "default");  // default: no RLUXGO at all
  textout::setConsole(nullptr);
  return out.str();
}

// A row "name  first-last  v1 ... v5"; the name may be two words.
bool parseRow(const std::string& line, std::string& name, int& first, int& last,
              std::vector<std::string>& values) {
  std::istringstream in(line);
  std::vector<std::string> tokens;
  for (std::string t; in >> t;) tokens.push_back(t);
  for (std::size_t k = 1; k < tokens.size() && k <= 2; ++k) {
    if (std::sscanf(tokens[k].c_str(), "%d-%d", &first, &last) != 2) continue;
    name = tokens[0];
    if (k == 2) name += " " + tokens[1];
    values.assign(tokens.begin() + static_cast<long>(k) + 1, tokens.end());
    for (const std::string& v : values)
      if (v.size() != 10 || v.rfind("0.", 0) != 0) return false;
    return !values.empty() && line[0] != '#';
  }
  return false;
}

TEST(RanluxPublished, EightDecimalValues) {
  int rows = 0;
  for (const std::string& line : publishedLines()) {
    std::string name;
    int first = 0, last = 0;
    std::vector<std::string> expected;
    if (!parseRow(line, name, first, last, expected)) continue;
    ++rows;
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(last - first + 1)) << line;

    ranlux::Ranlux gen;
    start(gen, name);
    std::ostringstream quiet;
    textout::setConsole(&quiet);  // the default start prints here; checked elsewhere
    std::vector<float> rvec(static_cast<std::size_t>(last));
    gen.ranlux(rvec.data(), last);
    textout::setConsole(nullptr);
    for (int k = first; k <= last; ++k)
      EXPECT_EQ(fixed("%.8f", rvec[k - 1]), expected[k - first]) << name << " number " << k;
  }
  EXPECT_EQ(rows, 8);
}

TEST(RanluxPublished, RestartBySkipping) {
  // "the next number and the 200th after it are 0.019648 and 0.590586" after
  // 10 calls of length 1000 at luxury level 4 with seed 7674985, and the same
  // after a restart from the generator's own count.
  // "restart ... first 0.019648   200th 0.590586"
  std::string first, last200;
  for (const std::string& line : publishedLines()) {
    if (line.rfind("restart ", 0) != 0) continue;
    std::istringstream in(line);
    for (std::string t; in >> t;) {
      if (t == "first") in >> first;
      if (t == "200th") in >> last200;
    }
  }
  ASSERT_FALSE(first.empty());

  std::ostringstream out;
  textout::setConsole(&out);
  ranlux::Ranlux gen;
  gen.rluxgo(4, 7674985, 0, 0);
  std::vector<float> rvec(1000);
  for (int call = 0; call < 10; ++call) gen.ranlux(rvec.data(), 1000);
  std::int32_t lux, ins, k1, k2;
  gen.rluxat(lux, ins, k1, k2);
  gen.ranlux(rvec.data(), 200);
  EXPECT_EQ(fixed("%.6f", rvec[0]), first);
  EXPECT_EQ(fixed("%.6f", rvec[199]), last200);

  // 10000 delivered plus 365 skipped after each of the 416 complete groups of 24.
  EXPECT_EQ(lux, 4);
  EXPECT_EQ(ins, 7674985);
  EXPECT_EQ(k1, 10000 + 365 * 416);
  EXPECT_EQ(k2, 0);

  ranlux::Ranlux restarted;
  restarted.rluxgo(lux, ins, k1, k2);
  std::vector<float> again(200);
  restarted.ranlux(again.data(), 200);
  textout::setConsole(nullptr);
  EXPECT_EQ(fixed("%.6f", again[0]), first);
  EXPECT_EQ(fixed("%.6f", again[199]), last200);
  EXPECT_EQ(again, std::vector<float>(rvec.begin(), rvec.begin() + 200));
}

TEST(RanluxPublished, QuotedConsoleLines) {
  // "#  RANLUX ...   (comment)" lines: the text after '#' up to the comment.
  std::vector<std::string> lines;
  for (const std::string& line : publishedLines()) {
    if (line.rfind("#  RANLUX ", 0) != 0) continue;
    std::string l = line.substr(2);  // "# " then the line with its leading blank
    if (l.back() == ')') l = l.substr(0, l.rfind('('));
    while (l.back() == ' ') l.pop_back();
    lines.push_back(l);
  }
  ASSERT_EQ(lines.size(), 5u);

  std::ostringstream out;
  textout::setConsole(&out);
  ranlux::Ranlux a, b, c, d;
  a.next();
  b.rluxgo(3, 0, 0, 0);
  c.rluxgo(3, 7674985, 0, 0);
  d.rluxgo(0, 0, 0, 0);
  textout::setConsole(nullptr);
  const std::string printed = out.str();
  for (const std::string& l : lines)
    EXPECT_NE(printed.find(l + "\n"), std::string::npos) << "missing line \"" << l << "\" in\n" << printed;
}

}  // namespace
