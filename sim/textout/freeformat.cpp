#include "textout/freeformat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "textout/console.h"

namespace textout {
namespace {

std::string rightJustify(const std::string& s, int width) {
  if (static_cast<int>(s.size()) >= width) return s;
  return std::string(width - s.size(), ' ') + s;
}

// Fortran Gw.d editing (scale factor 0) of the exact binary value v.
std::string formatG(double v, int width, int digits) {
  if (std::isnan(v)) return rightJustify("NaN", width);
  if (std::isinf(v)) return rightJustify(v > 0 ? "Infinity" : "-Infinity", width);
  if (v == 0.0) {
    // Zero: fixed notation with d-1 decimals, then the four blanks.
    std::string fixed = (std::signbit(v) ? "-0." : "0.") + std::string(digits - 1, '0');
    return rightJustify(fixed, width - 4) + "    ";
  }
  // Decimal exponent of v rounded to `digits` significant digits.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", digits - 1, v);
  const char* epos = std::strchr(buf, 'e');
  int e10 = std::atoi(epos + 1);  // v ~ m * 10^e10 with 1 <= |m| < 10
  if (e10 >= -1 && e10 < digits) {
    // 0.1 <= |v| < 10^digits: F(w-4).(d-1-e10) and four blanks.
    // '#' keeps the decimal point when no decimals are left (9999999.).
    std::snprintf(buf, sizeof buf, "%#.*f", digits - 1 - e10, v);
    std::string fixed = buf;
    return rightJustify(fixed, width - 4) + "    ";
  }
  // Ew.d: 0.ddddddd followed by E+xx (or +xxx without the E beyond 99).
  std::snprintf(buf, sizeof buf, "%.*e", digits - 1, v);
  std::string s = buf;
  bool negative = s[0] == '-';
  if (negative) s.erase(0, 1);
  std::string mantissa = s.substr(0, 1) + s.substr(2, digits - 1);  // digits without the point
  int exponent = std::atoi(s.c_str() + s.find('e') + 1) + 1;
  char ebuf[16];
  if (std::abs(exponent) <= 99)
    std::snprintf(ebuf, sizeof ebuf, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
  else
    std::snprintf(ebuf, sizeof ebuf, "%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
  std::string out = std::string(negative ? "-" : "") + "0." + mantissa + ebuf;
  return rightJustify(out, width);
}

}  // namespace

std::string formatInt(std::int64_t v) { return rightJustify(std::to_string(v), 12); }

std::string formatReal(float v) { return formatG(static_cast<double>(v), 15, 7); }

std::string formatDouble(double v) { return formatG(v, 25, 16); }

std::ostream& operator<<(std::ostream& out, const Line& line) { return out << line.str() << '\n'; }

void print(const Line& line) { console() << line; }

}  // namespace textout
