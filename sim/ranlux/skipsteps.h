// RANLUX's subtract-with-borrow steps one at a time, and the ways of
// skipping many of them: step by step, in pairs (pairsteps.h) or as one
// multiplication (lcg576.h), each the cheapest over a range of lengths.
#pragma once

#include <cstdint>

#include "ranlux/groupsteps.h"
#include "ranlux/lcg576.h"

namespace ranlux {

// One subtract-with-borrow step (Marsaglia and Zaman):
// seeds[i24] = seeds[j24] - seeds[i24] - carry, plus 2^24 and a borrow if
// negative; then both lags move down the table (24, 23, ..., 1, 24, ...).
// Returns the new number times 2^24. The lags and the carry are the
// caller's locals so that they stay in registers in the loops.
inline std::int32_t step(std::int32_t* seeds, int& i24, int& j24, std::int32_t& carry) {
  std::int32_t uni = seeds[j24] - seeds[i24] - carry;
  carry = (uni < 0) ? 1 : 0;  // written without a branch: the sign is random
  uni = uni + carry * ITWO24;
  seeds[i24] = uni;
  i24 = (i24 == 0) ? 23 : i24 - 1;
  j24 = (j24 == 0) ? 23 : j24 - 1;
  return uni;
}

// Where each way of skipping is the cheapest: step by step below
// MIN_PAIRED_STEPS (the pairs' packing costs about as much as 36 steps), in
// pairs (pairsteps.h, about 3.5 instructions a step) below
// MIN_CHUNKED_STEPS, in groups of eight (chunksteps.h; about 35 ns of
// packing and 1.6 ns a group, against 0.5 ns a step in pairs) below
// MIN_MULTIPLIED_STEPS, and above as one multiplication (lcg576.h, about
// 2000 instructions and 125 ns whatever the number of steps). The pairs and
// the multiplication were placed by instructions (callgrind), the groups by
// time (ranlux_bench's skipWays on an Intel Xeon: 199 steps one by one,
// in pairs, in groups and multiplied take 138, 105, 74 and 127 ns).
constexpr std::int32_t MIN_PAIRED_STEPS = 40;
constexpr std::int32_t MIN_CHUNKED_STEPS = 96;
constexpr std::int32_t MIN_MULTIPLIED_STEPS = 480;

// n steps one at a time (short skips, and states the faster ways do not
// take). They are the steps of step() in the same order: while the lag-24 index starts at the top of the
// table (with the lag-10 index 14 below it, as always unless a restored
// state says otherwise), a round of 24 steps takes the lags down the table
// as (23, 9) ... (14, 0) and then (13, 23) ... (0, 10), which are written
// out with fixed indices; only the steps before the first round and after
// the last go through step(). The lags and the borrow are locals here, so
// that the stores into the table cannot be taken for changes of them (the
// same arithmetic, in fewer instructions).
void skipSteps(std::int32_t* seeds, int& i24Out, int& j24Out, std::int32_t& carryOut, std::int32_t n);

// n >= 24 steps as one multiplication by an = a^n mod m (lcg576.h): the
// table of 24-bit entries, lags i24 = j24 - 10 (modulo 24) and the borrow
// are the number X, n steps take it to a^n X mod m, and the table and borrow
// read back from that are those of n calls of step() bit for bit, the lags
// moved down by n as step() moves them (lcg576.h derives the mapping and
// why it is exact once 24 steps are made). Returns false, having changed
// nothing, for other lags and for the one state it does not map (X = m).
bool multiplySteps(std::int32_t* seeds, int& i24, int& j24, std::int32_t& carry, std::uint64_t n,
                   const lcg576::Number& an);

}  // namespace ranlux
