// RANLUX's subtract-with-borrow generator as a multiplicative congruential
// generator of 576-bit numbers (Tezuka, L'Ecuyer and Couture 1993), used to
// skip many steps at once.
//
// With b = 2^24, the lag table x_n, ..., x_{n-23} (x_n the newest) and the
// borrow c_n, let D = x_n b^23 + x_{n-1} b^22 + ... + x_{n-23} (the table as
// a 24-digit number) and D10 = D / b^14 (its 10 newest digits). Then
//
//   X_n = D - D10 + c_n,  0 <= X_n <= m = b^24 - b^10 + 1,
//
// and one step x_{n+1} = x_{n-9} - x_{n-23} - c_n (plus b and a borrow when
// negative) is exactly b X_{n+1} = X_n + x_{n+1} m, so X_{n+1} = X_n / b mod m:
// k steps are a multiplication by a^k mod m with a = 1/b mod m = m - (m-1)/b.
// Going back, b X_{n+1} = X_n + x_{n+1} m with 0 <= X_n < m says that x_{n+1}
// is the first base-b digit of X_{n+1} / m, and so on down: once 24 steps
// have been made from an X below m, the table is the first 24 digits,
// D = floor(b^24 X / m), and the borrow is X - D + D10. (X = m is the state
// of all digits b - 1 with the borrow set, which repeats itself.)
#pragma once

#include <array>
#include <cstdint>

namespace ranlux::lcg576 {

constexpr int LIMBS = 9;                          // 64-bit limbs of a 576-bit number
using Number = std::array<std::uint64_t, LIMBS>;  // least significant limb first

// X of the table seeds[0..23] whose oldest entry is at index i24 (the next
// to be replaced; the newer ones at i24 - 1, i24 - 2, ... around the table)
// and the borrow; the lag-10 entry is at i24 + 10 (modulo 24).
Number fromTable(const std::int32_t* seeds, int i24, std::int32_t carry);

// The table and borrow of X (below m) as fromTable lays them out, for a
// state reached by at least 24 steps.
void toTable(const Number& x, std::int32_t* seeds, int i24, std::int32_t& carry);

// x * y mod m, for x, y below m.
Number mulMod(const Number& x, const Number& y);

// a^k mod m: the multiplier of k steps.
Number stepsMultiplier(std::uint64_t k);

// Whether x is m itself.
bool isModulus(const Number& x);

}  // namespace ranlux::lcg576
