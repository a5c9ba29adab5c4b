// RANLUX's steps eight at a time (chunksteps.h).
#include "ranlux/chunksteps.h"

#include <array>

#include "ranlux/borrow.h"
#include "ranlux/skipsteps.h"

namespace ranlux {
namespace {

using u64 = std::uint64_t;

constexpr int TABLE = 24;  // entries of the table: the lag 24
constexpr int GROUP = 8;   // steps made as one subtraction
constexpr u64 DIGIT_MASK = (u64{1} << 24) - 1;

// Eight 24-bit digits e[0] (lowest) .. e[7] as three 64-bit words, and back.
inline void pack(const std::int32_t* e, u64& w0, u64& w1, u64& w2) {
  const auto d = [e](int k) { return static_cast<u64>(e[k]); };
  w0 = d(0) | d(1) << 24 | d(2) << 48;
  w1 = d(2) >> 16 | d(3) << 8 | d(4) << 32 | d(5) << 56;
  w2 = d(5) >> 8 | d(6) << 16 | d(7) << 40;
}

inline void unpack(u64 w0, u64 w1, u64 w2, std::int32_t* e) {
  const auto digit = [](u64 v) { return static_cast<std::int32_t>(v & DIGIT_MASK); };
  e[0] = digit(w0);
  e[1] = digit(w0 >> 24);
  e[2] = digit(w0 >> 48 | w1 << 16);
  e[3] = digit(w1 >> 8);
  e[4] = digit(w1 >> 32);
  e[5] = digit(w1 >> 56 | w2 << 8);
  e[6] = digit(w2 >> 16);
  e[7] = digit(w2 >> 40);
}

// PLACE[top][k]: the place k places down the table from `top`, wrapping
// round it. The table is read and written in time order through it, in
// straight code: loops whose lengths depend on the lags end where the
// processor cannot foresee, and in a run, where each skip comes after
// several events of other code, that cost more than the groups saved.
constexpr auto PLACE = [] {
  std::array<std::array<std::uint8_t, TABLE>, TABLE> place{};
  for (int top = 0; top < TABLE; ++top)
    for (int k = 0; k < TABLE; ++k) place[top][k] = static_cast<std::uint8_t>((top + TABLE - k) % TABLE);
  return place;
}();

// The table in time order: e[k] is the entry k places down from `top`; and back.
inline void toTimeOrder(const std::int32_t* seeds, int top, std::int32_t* e) {
  const std::uint8_t* place = PLACE[static_cast<std::size_t>(top)].data();
#pragma GCC unroll 24
  for (int k = 0; k < TABLE; ++k) e[k] = seeds[place[k]];
}

inline void fromTimeOrder(const std::int32_t* e, int top, std::int32_t* seeds) {
  const std::uint8_t* place = PLACE[static_cast<std::size_t>(top)].data();
#pragma GCC unroll 24
  for (int k = 0; k < TABLE; ++k) seeds[place[k]] = e[k];
}

// Bits 16..79 of the 128-bit number hi * 2^64 + lo: lo >> 16 | hi << 48,
// written as the 128-bit shift it is, which the compiler makes one
// double-shift instruction.
inline u64 bitsFrom16(u64 lo, u64 hi) {
  return static_cast<u64>((static_cast<unsigned __int128>(hi) << 64 | lo) >> 16);
}

// One group of eight steps: the oldest group o becomes the new one, made
// from the middle group m and the newest group w (chunksteps.h). A is
// digits 6 and 7 of m (bits 144..191), then digits 0..5 of w (bits 0..143)
// above them. Plain words passed by reference, so that the groups stay in
// registers.
[[gnu::always_inline]] inline void makeGroup(u64& o0, u64& o1, u64& o2, u64 m2, u64 w0, u64 w1, u64 w2,
                                             unsigned char& borrow) {
  const u64 a0 = bitsFrom16(m2, w0);
  const u64 a1 = bitsFrom16(w0, w1);
  const u64 a2 = bitsFrom16(w1, w2);
  u64 d0 = a0, d1 = a1, d2 = a2;
  subtractWithBorrow(d0, d1, d2, o0, o1, o2, borrow);
  o0 = d0;
  o1 = d1;
  o2 = d2;
}

}  // namespace

void chunkSteps(std::int32_t* seeds, int& i24, int& j24, std::int32_t& carry, std::int32_t n) {
  // The table from the oldest entry (at i24, overwritten next) in three
  // groups of eight; x, y, z take the parts of oldest, middle and newest in
  // turn, one step round per group made.
  std::int32_t e[TABLE];
  toTimeOrder(seeds, i24, e);
  u64 x0, x1, x2, y0, y1, y2, z0, z1, z2;
  pack(e, x0, x1, x2);
  pack(e + GROUP, y0, y1, y2);
  pack(e + 2 * GROUP, z0, z1, z2);
  auto borrow = static_cast<unsigned char>(carry);
  const std::int32_t groups = n / GROUP;
  for (std::int32_t g = 0; g < groups / 3; ++g) {
    makeGroup(x0, x1, x2, y2, z0, z1, z2, borrow);  // oldest y, middle z, newest x
    makeGroup(y0, y1, y2, z2, x0, x1, x2, borrow);  // oldest z, middle x, newest y
    makeGroup(z0, z1, z2, x2, y0, y1, y2, borrow);  // oldest x again
  }
  // The groups from the oldest, after the last rounds of one or two.
  if (groups % 3 == 0) {
    unpack(x0, x1, x2, e);
    unpack(y0, y1, y2, e + GROUP);
    unpack(z0, z1, z2, e + 2 * GROUP);
  } else if (groups % 3 == 1) {
    makeGroup(x0, x1, x2, y2, z0, z1, z2, borrow);
    unpack(y0, y1, y2, e);
    unpack(z0, z1, z2, e + GROUP);
    unpack(x0, x1, x2, e + 2 * GROUP);
  } else {
    makeGroup(x0, x1, x2, y2, z0, z1, z2, borrow);
    makeGroup(y0, y1, y2, z2, x0, x1, x2, borrow);
    unpack(z0, z1, z2, e);
    unpack(x0, x1, x2, e + GROUP);
    unpack(y0, y1, y2, e + 2 * GROUP);
  }
  // Each step moves the lags one place down the table.
  const int moved = (GROUP * groups) % TABLE;
  int i = (i24 + TABLE - moved) % TABLE;
  int j = (j24 + TABLE - moved) % TABLE;
  fromTimeOrder(e, i, seeds);
  std::int32_t c = borrow;
  for (std::int32_t k = 0; k < n % GROUP; ++k) step(seeds, i, j, c);
  i24 = i;
  j24 = j;
  carry = c;
}

}  // namespace ranlux
