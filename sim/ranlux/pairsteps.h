// RANLUX's subtract-with-borrow steps two at a time, on pairs of 24-bit
// table entries packed into 48-bit words.
//
// Both lags (24 and 10) are even, so two consecutive steps at lags
// (i24, j24) and (i24 - 1, j24 - 1) are one subtraction of the 48-bit words
// hi * 2^24 + lo made of the entries (lo at i24, hi at i24 - 1) and (lo at
// j24, hi at j24 - 1): the low entry's borrow is the high entry's borrow in,
// and the high entry's borrow out is the borrow of the word subtraction, so
// the word result modulo 2^48 and its borrow are the two steps' entries and
// borrow bit for bit. Twelve words are the table, the lag-10 word is 5 words
// behind, and a round of 12 word steps goes once round the table.
#pragma once

#include <cstdint>

namespace ranlux {

// The first 2 * (n / 2) of n steps (an odd n leaves one for the caller), as
// the plain steps make them, for the usual lags j24 = i24 + 10 (modulo 24),
// i24 in 0..23, every entry in [0, 2^24) and a borrow of 0 or 1; the lags
// move down as the steps move them and the borrow is updated.
void pairSteps(std::int32_t* seeds, int& i24, int& j24, std::int32_t& carry, std::int32_t n);

}  // namespace ranlux
