// RANLUX's steps two at a time (pairsteps.h).
#include "ranlux/pairsteps.h"

#include <cstring>

namespace ranlux {
namespace {

using u64 = std::uint64_t;

constexpr int WORDS = 12;                       // 48-bit words of the table
constexpr int LAG_WORDS = 5;                    // the lag 10 in words
constexpr u64 ENTRY_MASK = (u64{1} << 24) - 1;  // one 24-bit entry
constexpr u64 WORD_MASK = (u64{1} << 48) - 1;   // one 48-bit word
constexpr int BORROW_SHIFT = 63;                // the sign of a word difference

// Word k from word k + 12 - 5 (the lag 10), in place; the borrow in and out.
inline void wordStep(u64* w, int k, u64& c) {
  const u64 t = w[(k + WORDS - LAG_WORDS) % WORDS] - w[k] - c;
  c = t >> BORROW_SHIFT;
  w[k] = t & WORD_MASK;
}

}  // namespace

void pairSteps(std::int32_t* seeds, int& i24, int& j24, std::int32_t& carry, std::int32_t n) {
  const std::int32_t pairs = n / 2;
  // Word k holds the entries 2k (low) and 2k + 1 (high) places down the
  // table from i24, read from a doubled copy so that the places need no wrap.
  std::int32_t twice[48];
  std::memcpy(twice, seeds, 24 * sizeof(std::int32_t));
  std::memcpy(twice + 24, seeds, 24 * sizeof(std::int32_t));
  std::int32_t* p = twice + i24 + 24;
  u64 w[WORDS];
#pragma GCC unroll 12
  for (int k = 0; k < WORDS; ++k) w[k] = static_cast<u64>(p[-2 * k]) | static_cast<u64>(p[-2 * k - 1]) << 24;
  u64 c = static_cast<u64>(carry);
  for (std::int32_t round = 0; round < pairs / WORDS; ++round) {
#pragma GCC unroll 12
    for (int k = 0; k < WORDS; ++k) wordStep(w, k, c);
  }
  const int rest = pairs % WORDS;
#pragma GCC unroll 12
  for (int k = 0; k < WORDS; ++k)
    if (k < rest) wordStep(w, k, c);
#pragma GCC unroll 12
  for (int k = 0; k < WORDS; ++k) {
    p[-2 * k] = static_cast<std::int32_t>(w[k] & ENTRY_MASK);
    p[-2 * k - 1] = static_cast<std::int32_t>(w[k] >> 24);
  }
  // Places i24 + 1 .. 23 are at the same index in the copy, 0 .. i24 at 24 more.
  std::memcpy(seeds + i24 + 1, twice + i24 + 1, static_cast<std::size_t>(23 - i24) * sizeof(std::int32_t));
  std::memcpy(seeds, twice + 24, static_cast<std::size_t>(i24 + 1) * sizeof(std::int32_t));
  const int moved = (2 * pairs) % 24;
  i24 = (i24 + 24 - moved) % 24;
  j24 = (j24 + 24 - moved) % 24;
  carry = static_cast<std::int32_t>(c);
}

}  // namespace ranlux
