// RANLUX's skips step by step and by multiplication (skipsteps.h).
#include "ranlux/skipsteps.h"

namespace ranlux {
namespace {

// One step at fixed lags i (24) and j (10); returns the new borrow.
inline std::int32_t stepAt(std::int32_t* seeds, int i, int j, std::int32_t carry) {
  std::int32_t uni = seeds[j] - seeds[i] - carry;
  carry = (uni < 0) ? 1 : 0;
  seeds[i] = uni + carry * ITWO24;
  return carry;
}

}  // namespace

// n steps one at a time (short skips, and states the faster ways do not
// take). They are the steps of step() in the same order: while the lag-24 index starts at the top of the
// table (with the lag-10 index 14 below it, as always unless a restored
// state says otherwise), a round of 24 steps takes the lags down the table
// as (23, 9) ... (14, 0) and then (13, 23) ... (0, 10), which are written
// out with fixed indices; only the steps before the first round and after
// the last go through step(). The lags and the borrow are locals here, so
// that the stores into the table cannot be taken for changes of them (the
// same arithmetic, in fewer instructions).
void skipSteps(std::int32_t* seeds, int& i24Out, int& j24Out, std::int32_t& carryOut, std::int32_t n) {
  int i24 = i24Out, j24 = j24Out;
  std::int32_t c = carryOut;
  if (j24 == (i24 + 10) % 24) {
    for (; n > 0 && i24 != 23; --n) step(seeds, i24, j24, c);
    for (; n >= 24; n -= 24) {
#pragma GCC unroll 10
      for (int i = 23, j = 9; j >= 0; --i, --j) c = stepAt(seeds, i, j, c);
#pragma GCC unroll 14
      for (int i = 13, j = 23; i >= 0; --i, --j) c = stepAt(seeds, i, j, c);
    }
  }
  for (; n > 0; --n) step(seeds, i24, j24, c);
  i24Out = i24;
  j24Out = j24;
  carryOut = c;
}

// n >= 24 steps as one multiplication by an = a^n mod m (lcg576.h): the
// table of 24-bit entries, lags i24 = j24 - 10 (modulo 24) and the borrow
// are the number X, n steps take it to a^n X mod m, and the table and borrow
// read back from that are those of n calls of step() bit for bit, the lags
// moved down by n as step() moves them (lcg576.h derives the mapping and
// why it is exact once 24 steps are made). Returns false, having changed
// nothing, for other lags and for the one state it does not map (X = m).
bool multiplySteps(std::int32_t* seeds, int& i24, int& j24, std::int32_t& carry, std::uint64_t n,
                   const lcg576::Number& an) {
  if (i24 < 0 || i24 > 23 || j24 != (i24 + 10) % 24) return false;
  lcg576::Number x = lcg576::fromTable(seeds, i24, carry);
  if (lcg576::isModulus(x)) return false;
  x = lcg576::mulMod(x, an);
  const int moved = static_cast<int>(n % 24);
  i24 = (i24 + 24 - moved) % 24;
  j24 = (j24 + 24 - moved) % 24;
  lcg576::toTable(x, seeds, i24, carry);
  return true;
}

}  // namespace ranlux
