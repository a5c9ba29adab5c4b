// Fortran formatting of the dump values.
#include "hbook/print/dumpall/fortran.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace hbook::fortran {
namespace {

std::string rightJustify(const std::string& s, int w) {
  if (static_cast<int>(s.size()) > w) return std::string(static_cast<std::size_t>(w), '*');
  return std::string(static_cast<std::size_t>(w) - s.size(), ' ') + s;
}

}  // namespace

std::string g(double v, int w, int d) {
  if (std::isnan(v)) return rightJustify("NaN", w);
  if (std::isinf(v)) return rightJustify(v > 0 ? "Infinity" : "-Infinity", w);
  constexpr int BLANKS = 4;  // G editing in F form leaves room for an exponent
  char buf[64];
  if (v == 0.0) {
    std::snprintf(buf, sizeof buf, "%#.*f", d - 1, v);
    return rightJustify(buf, w - BLANKS) + std::string(BLANKS, ' ');
  }
  // d significant digits: m.mmm...e+X, so the value rounds to 0.mmm... x 10^(X+1).
  std::snprintf(buf, sizeof buf, "%.*e", d - 1, v);
  const char* e = std::strchr(buf, 'e');
  const int k = std::atoi(e + 1) + 1;
  if (k >= 0 && k <= d) {
    std::snprintf(buf, sizeof buf, "%#.*f", d - k, v);
    return rightJustify(buf, w - BLANKS) + std::string(BLANKS, ' ');
  }
  std::string digits;
  for (const char* p = buf; p < e; ++p) {
    if (*p >= '0' && *p <= '9') digits += *p;
  }
  char exponent[16];
  if (std::abs(k) <= 99) {
    std::snprintf(exponent, sizeof exponent, "E%c%02d", k < 0 ? '-' : '+', std::abs(k));
  } else {
    std::snprintf(exponent, sizeof exponent, "%c%03d", k < 0 ? '-' : '+', std::abs(k));
  }
  return rightJustify(std::string(v < 0 ? "-" : "") + "0." + digits + exponent, w);
}

std::string i(std::int64_t v, int w) { return rightJustify(std::to_string(v), w); }

std::string z(std::uint32_t bits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", bits);
  return buf;
}

std::string z(float v) { return z(std::bit_cast<std::uint32_t>(v)); }

std::string z(double v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%016llX", static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(v)));
  return buf;
}

std::string real(float v) { return " " + g(v, 16, 8) + " " + z(v); }

}  // namespace hbook::fortran
