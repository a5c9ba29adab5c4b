// Arithmetic modulo m = 2^576 - 2^240 + 1 on nine 64-bit limbs, and the
// conversions between RANLUX's lag table and its 576-bit number (lcg576.h).
// Every operation is exact integer arithmetic; the reductions use
// 2^576 = 2^240 - 1 (mod m).
#include "ranlux/lcg576.h"

#include <cstring>

namespace ranlux::lcg576 {
namespace {

using u64 = std::uint64_t;
using u128 = unsigned __int128;
using s128 = __int128;

constexpr u64 DIGIT_MASK = (u64{1} << 24) - 1;  // one 24-bit table entry
// The multiplier of one step, a = m - (m - 1) / 2^24 = 1 / 2^24 (mod m).
constexpr Number MULTIPLIER = {0x1,
                               0x0,
                               0x0,
                               0xffff000001000000,
                               0xffffffffffffffff,
                               0xffffffffffffffff,
                               0xffffffffffffffff,
                               0xffffffffffffffff,
                               0xfffffeffffffffff};

// Limb k of y * 2^240 for a y of n limbs (240 = 3 limbs and 48 bits).
inline u64 shifted240(const u64* y, int n, int k) {
  const u64 lo = (k - 3 >= 0 && k - 3 < n) ? y[k - 3] << 48 : 0;
  const u64 hi = (k - 4 >= 0 && k - 4 < n) ? y[k - 4] >> 16 : 0;
  return lo | hi;
}

// Limb k (0..3) of x / 2^336 (336 = 5 limbs and 16 bits), 240 bits.
inline u64 top240(const Number& x, int k) { return (x[k + 5] >> 16) | (k + 6 < LIMBS ? x[k + 6] << 48 : 0); }

// v mod m for v = sum of v[k] 2^(64k), k = 0..12, below 2^576 + 2^816 (a
// product after its first fold): high * 2^576 + low = low + high * 2^240 -
// high once more, then at most one m less.
Number reduce(const u64 (&v)[13]) {
  u64 w[10];
  s128 s = 0;
#pragma GCC unroll 24
  for (int k = 0; k < 10; ++k) {
    s += (k < LIMBS ? v[k] : 0);
    s += shifted240(v + LIMBS, 4, k);
    s -= (k < 4 ? v[LIMBS + k] : 0);
    w[k] = static_cast<u64>(s);
    s >>= 64;
  }
  // Now w < 2^576 + 2^481 < 2m; w >= m exactly when w + 2^240 - 1 reaches
  // 2^576, and then that sum less 2^576 is w - m.
  Number r, t;
  u128 c = 0;
#pragma GCC unroll 24
  for (int k = 0; k < LIMBS; ++k) {
    c += w[k];
    c += (k < 3) ? ~u64{0} : (k == 3 ? (u64{1} << 48) - 1 : 0);
    t[k] = static_cast<u64>(c);
    r[k] = w[k];
    c >>= 64;
  }
  return (static_cast<u64>(c) + w[9] != 0) ? t : r;
}

}  // namespace

Number fromTable(const std::int32_t* seeds, int i24, std::int32_t carry) {
  // Entry j of D (weight 2^(24j)) is seeds[i24 - j] around the table: read
  // backwards from a doubled copy.
  std::int32_t twice[48];
  std::memcpy(twice, seeds, 24 * sizeof(std::int32_t));
  std::memcpy(twice + 24, seeds, 24 * sizeof(std::int32_t));
  const std::int32_t* p = twice + i24 + 24;
  Number d;
#pragma GCC unroll 24
  for (int g = 0; g < 3; ++g) {  // 8 entries in 3 limbs
    u64 e[8];
#pragma GCC unroll 24
    for (int i = 0; i < 8; ++i) e[i] = static_cast<u64>(p[-(8 * g + i)]);
    d[3 * g] = e[0] | e[1] << 24 | e[2] << 48;
    d[3 * g + 1] = e[2] >> 16 | e[3] << 8 | e[4] << 32 | e[5] << 56;
    d[3 * g + 2] = e[5] >> 8 | e[6] << 16 | e[7] << 40;
  }
  // X = D - D / 2^336 + carry (D / 2^336 is the 10 newest entries).
  Number x;
  s128 s = carry;
#pragma GCC unroll 24
  for (int k = 0; k < LIMBS; ++k) {
    s += d[k];
    s -= (k < 4 ? top240(d, k) : 0);
    x[k] = static_cast<u64>(s);
    s >>= 64;
  }
  return x;
}

void toTable(const Number& x, std::int32_t* seeds, int i24, std::int32_t& carry) {
  // D = floor(2^576 X / m) = X + q with q = floor((2^240 - 1) X / m). The
  // estimate q0 = floor((2^240 - 1) X / 2^576) leaves the remainder
  // R = ((2^240 - 1) X mod 2^576) + q0 (2^240 - 1), below 2m, so q is q0 or
  // q0 + 1, the latter when R >= m, that is when R + 2^240 - 1 >= 2^576.
  u64 ymod[LIMBS];  // (2^240 - 1) X mod 2^576 = (X mod 2^336) 2^240 - X, wrapped
  s128 s = 0;
#pragma GCC unroll 24
  for (int k = 0; k < LIMBS; ++k) {
    s += shifted240(x.data(), 6, k);  // limb 5's low 16 bits and below
    s -= x[k];
    ymod[k] = static_cast<u64>(s);
    s >>= 64;
  }
  const u64 wrapped = static_cast<u64>(-static_cast<std::int64_t>(s));  // 1 if it went below 0
  // q0 + 1 = X / 2^336 - wrapped + 1, at most 2^240: four limbs.
  u64 q1[4];
  s = 1 - static_cast<s128>(wrapped);
#pragma GCC unroll 24
  for (int k = 0; k < 4; ++k) {
    s += top240(x, k);
    q1[k] = static_cast<u64>(s);
    s >>= 64;
  }
  // R + 2^240 - 1 = ymod + (q0 + 1) 2^240 - (q0 + 1); only its carry past 2^576 matters.
  s = 0;
#pragma GCC unroll 24
  for (int k = 0; k < LIMBS; ++k) {
    s += ymod[k];
    s += shifted240(q1, 4, k);
    s -= (k < 4 ? q1[k] : 0);
    s >>= 64;
  }
  const u64 more = (s != 0) ? 1 : 0;
  // q = q0 + more = q1 - 1 + more; D = X + q.
  u64 q[4];
  s = static_cast<s128>(more) - 1;
#pragma GCC unroll 24
  for (int k = 0; k < 4; ++k) {
    s += q1[k];
    q[k] = static_cast<u64>(s);
    s >>= 64;
  }
  Number d;
  u128 c = 0;
#pragma GCC unroll 24
  for (int k = 0; k < LIMBS; ++k) {
    c += x[k];
    c += (k < 4 ? q[k] : 0);
    d[k] = static_cast<u64>(c);
    c >>= 64;
  }
  // The borrow: X - D + D / 2^336 = D / 2^336 - q, which is 0 or 1, so its
  // lowest limb is enough.
  carry = static_cast<std::int32_t>(top240(d, 0) - q[0]);
  // Entries back into the table, as fromTable read them.
  std::int32_t twice[48];
  std::int32_t* p = twice + i24 + 24;
#pragma GCC unroll 24
  for (int g = 0; g < 3; ++g) {
    const u64 l0 = d[3 * g], l1 = d[3 * g + 1], l2 = d[3 * g + 2];
    const u64 e[8] = {l0 & DIGIT_MASK,
                      (l0 >> 24) & DIGIT_MASK,
                      (l0 >> 48 | l1 << 16) & DIGIT_MASK,
                      (l1 >> 8) & DIGIT_MASK,
                      (l1 >> 32) & DIGIT_MASK,
                      (l1 >> 56 | l2 << 8) & DIGIT_MASK,
                      (l2 >> 16) & DIGIT_MASK,
                      l2 >> 40};
#pragma GCC unroll 24
    for (int i = 0; i < 8; ++i) p[-(8 * g + i)] = static_cast<std::int32_t>(e[i]);
  }
  std::memcpy(seeds + i24 + 1, twice + i24 + 1, static_cast<std::size_t>(23 - i24) * sizeof(std::int32_t));
  std::memcpy(seeds, twice + 24, static_cast<std::size_t>(i24 + 1) * sizeof(std::int32_t));
}

Number mulMod(const Number& x, const Number& y) {
  // The 1152-bit product, column by column: a 128-bit sum and its overflow.
  u64 w[2 * LIMBS];
  u128 acc = 0;
#pragma GCC unroll 24
  for (int k = 0; k < 2 * LIMBS - 1; ++k) {
    const int lo = k < LIMBS ? 0 : k - LIMBS + 1;
    const int hi = k < LIMBS ? k : LIMBS - 1;
    u64 over = 0;
#pragma GCC unroll 24
    for (int i = lo; i <= hi; ++i) over += __builtin_add_overflow(acc, static_cast<u128>(x[i]) * y[k - i], &acc);
    w[k] = static_cast<u64>(acc);
    acc = (acc >> 64) | (static_cast<u128>(over) << 64);
  }
  w[2 * LIMBS - 1] = static_cast<u64>(acc);
  // First fold: low + high * 2^240 - high with high = w[9..17] (below
  // 2^576), so below 2^576 + 2^816.
  u64 v[13];
  s128 s = 0;
#pragma GCC unroll 24
  for (int k = 0; k < 13; ++k) {
    s += (k < LIMBS ? w[k] : 0);
    s += shifted240(w + LIMBS, LIMBS, k);
    s -= (k < LIMBS ? w[LIMBS + k] : 0);
    v[k] = static_cast<u64>(s);
    s >>= 64;
  }
  return reduce(v);
}

Number stepsMultiplier(std::uint64_t k) {
  Number r = {1, 0, 0, 0, 0, 0, 0, 0, 0};
  Number base = MULTIPLIER;
  for (; k != 0; k >>= 1) {
    if (k & 1) r = mulMod(r, base);
    base = mulMod(base, base);
  }
  return r;
}

bool isModulus(const Number& x) {
  return x[0] == 1 && x[1] == 0 && x[2] == 0 && x[3] == 0xffff000000000000 && x[4] == ~u64{0} && x[5] == ~u64{0} &&
         x[6] == ~u64{0} && x[7] == ~u64{0} && x[8] == ~u64{0};
}

}  // namespace ranlux::lcg576
