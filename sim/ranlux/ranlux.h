// RANLUX: the 24-bit subtract-with-borrow generator with lags 24 and 10 and
// luxury levels (F. James, Comput. Phys. Commun. 79 (1994) 111), number for
// number as the published library.
//
// Ranlux is one independent generator; RLUXGO and RANLUX drive the single
// run-level instance that the whole simulation draws from.
#pragma once

#include <cstdint>

namespace ranlux {

class Ranlux {
 public:
  // An uninitialised generator: the first draw initialises it from the
  // default seed 314159265 at luxury level 3 and prints the library's lines.
  Ranlux();

  // Initialise as RLUXGO(lux, ins, k1, k2) does, console lines included.
  // lux 0..4 is a luxury level, lux > 24 is p itself; ins = 0 means the
  // default seed; then k1 + k2 * 10^9 numbers are skipped.
  void rluxgo(std::int32_t lux, std::int32_t ins, std::int32_t k1, std::int32_t k2);

  // Fill rvec[0..lenv-1] with uniform numbers in (0, 1), as RANLUX(rvec, lenv).
  void ranlux(float* rvec, std::int32_t lenv);

  // One number (a RANLUX call of length 1).
  float next();

  // PRIVATE_STATE
};

// The run-level generator.
void RLUXGO(std::int32_t lux, std::int32_t ins, std::int32_t k1, std::int32_t k2);
void RANLUX(float* rvec, std::int32_t lenv);

// The instance behind RLUXGO / RANLUX (for tests and diagnostics).
Ranlux& runGenerator();

}  // namespace ranlux
