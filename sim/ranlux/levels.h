// RANLUX's luxury levels, its seeds and counts, and the Fortran editing of
// the lines the library prints: what the generator's entries (ranlux.cpp)
// and its starting and saving (seeding.cpp) share.
#pragma once

#include <cstdint>
#include <string>

namespace ranlux {

constexpr std::int32_t MAXLEV = 4;                                  // highest luxury level
constexpr std::int32_t LXDFLT = 3;                                  // default luxury level
constexpr std::int32_t NDSKIP[MAXLEV + 1] = {0, 24, 73, 199, 365};  // p - 24 per level
constexpr std::int32_t IGIGA = 1000000000;                          // 10^9
constexpr std::int32_t JSDFLT = 314159265;                          // default seed
constexpr std::int32_t ICONS = 2147483563;                          // modulus of the seeding generator

// Fortran Iw editing: right-justified in w characters, all asterisks if the
// value does not fit.
inline std::string iw(long long v, int w) {
  std::string s = std::to_string(v);
  if (static_cast<int>(s.size()) > w) return std::string(static_cast<std::size_t>(w), '*');
  return std::string(static_cast<std::size_t>(w) - s.size(), ' ') + s;
}

}  // namespace ranlux
