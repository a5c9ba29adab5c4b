// RANLUX's subtract-with-borrow steps eight at a time, as subtractions of
// 192-bit numbers held in registers.
//
// In time order the steps make x(t) = x(t - 10) - x(t - 24) - c, plus 2^24
// and a borrow c = 1 when negative (step() in skipsteps.h, the lag-24 entry
// overwritten by the new one). Read as the 24-bit digits of binary numbers,
// lowest first, the eight new digits x(t) .. x(t + 7) are the digits of
// A - B - c for the 8-digit numbers A = x(t - 10) .. x(t - 3) and
// B = x(t - 24) .. x(t - 17): each digit of a binary subtraction is its
// digits' difference less the borrow from the digit below, plus 2^24 with a
// borrow to the digit above when negative - the step itself, the borrow
// passing from x(t) to x(t + 1) as from one step to the next. Neither number
// reaches the new digits (A ends at x(t - 3)), so the result is that of the
// eight steps bit for bit, and the borrow out of the top digit is the borrow
// the last of them leaves.
//
// Eight digits are 192 bits, three 64-bit words. The table's 24 entries are
// three such groups; B is the oldest group, A the top two digits of the
// next and the first six of the newest, so a group of steps is three
// shifted words subtracted with a borrow from the oldest group, and the
// table never leaves the registers.
#pragma once

#include <cstdint>

namespace ranlux {

// n steps, as the plain steps make them, for the usual lags
// j24 = i24 + 10 (modulo 24), i24 in 0..23, every entry in [0, 2^24) and a
// borrow of 0 or 1; the lags move down as the steps move them and the
// borrow is updated. Steps beyond the last group of eight are made one by
// one.
void chunkSteps(std::int32_t* seeds, int& i24, int& j24, std::int32_t& carry, std::int32_t n);

}  // namespace ranlux
