// Fortran edit descriptors as the package's dumps use them: Gw.d for reals,
// Iw for integers, Z8.8 / Z16.16 for the bits of a float / double.
#pragma once

#include <cstdint>
#include <string>

namespace hbook::fortran {

// Gw.d: F editing, with four trailing blanks, for 0.1 <= |v| < 10^d once
// rounded to d significant digits (and for zero); else Ew.d ("0.dddE+xx").
std::string g(double v, int w, int d);
// Iw: right-justified; asterisks when it does not fit.
std::string i(std::int64_t v, int w);
// Z8.8 of a float's bits and Z16.16 of a double's, upper case.
std::string z(float v);
std::string z(double v);
std::string z(std::uint32_t bits);

// " G16.8 Z8.8": the column pair of every real value in the dumps.
std::string real(float v);

}  // namespace hbook::fortran
