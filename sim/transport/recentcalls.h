// tan and atan of arguments seen shortly before.
//
// A neutron's direction angles go through tan in stage after stage (the
// straight-line fills, both guides and their reflections, the free flights,
// the cells, TARGET's direction and the cell tally), and the azimuth's atan
// of the same slopes is taken before TARGET and inside it. The same libm call
// on the same argument gives the same bits, so a call whose argument is bit
// for bit one stored here returns the value that call returned then: exact,
// whatever the argument (zeros of either sign, NaN and infinities included,
// since the key is the argument's bit pattern and the value came from the
// call itself).
//
// Each function keeps a table of 16 arguments with their values, one per
// thread, the slot chosen from the argument's bits; a new argument replaces
// the one in its slot.
//
// A table starts zeroed: every slot holds the argument +0 (bits 0) with the
// value +0, and that is a true entry for tan and atan, whose value at +0 is
// +0 exactly (IEC 60559; the tests check it). Only slot 0, the slot of bits
// 0, is ever asked about +0, and no other argument matches bits 0, so the
// zeroed slots need no mark of their own: a function kept here must give +0
// at +0.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace tarn {

struct RecentCalls {
  static constexpr std::uint64_t SLOTS = 16;
  std::uint64_t argument[SLOTS];
  double value[SLOTS];
};

// The slot of an argument: the top four bits of its bit pattern times an odd
// constant (2^64 / golden ratio), which spreads nearby angles and an angle
// and its negative over different slots.
inline std::uint64_t recentSlot(std::uint64_t bits) { return (bits * 0x9E3779B97F4A7C15ull) >> 60; }

inline std::uint64_t bitsOfDouble(double x) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

// f(x) from the table when x is stored in its slot, else computed and
// stored. f(+0) must be +0 (see above: the zeroed table holds it).
inline double recalled(RecentCalls& table, double x, double (*f)(double)) {
  const std::uint64_t bits = bitsOfDouble(x);
  const std::uint64_t s = recentSlot(bits);
  if (table.argument[s] == bits) return table.value[s];
  const double v = f(x);
  table.argument[s] = bits;
  table.value[s] = v;
  return v;
}

// std::tan(x), bit for bit.
inline double recentTan(double x) {
  static thread_local RecentCalls table{};
  return recalled(table, x, [](double a) { return std::tan(a); });
}

// std::atan(x), bit for bit.
inline double recentAtan(double x) {
  static thread_local RecentCalls table{};
  return recalled(table, x, [](double a) { return std::atan(a); });
}

// tan(th) for the angle th a routine left after it was given thBefore with
// its slope slopeBefore = tan(thBefore) (bit for bit): a routine either
// keeps an angle or mirrors it, so when th has the bits of thBefore its tan
// is slopeBefore itself; otherwise (a mirrored angle has the other sign bit)
// it is taken, through the recent calls. Exact either way.
inline double slopeAfter(double th, double thBefore, double slopeBefore) {
  return bitsOfDouble(th) == bitsOfDouble(thBefore) ? slopeBefore : recentTan(th);
}

}  // namespace tarn
