// The 24 steps of a group at fixed lags, and its numbers read off the table.
//
// A group from lag-24 index s takes the index down the table as s, s - 1,
// ..., 0, 23, ..., s + 1, with the lag-10 index 10 above it modulo 24
// (i - 14 for i >= 14, i + 10 below): four runs of steps with a constant
// distance between the lags and no wrapping inside a run, each step that of
// the one-at-a-time loop (the same subtraction, borrow and store, in the
// same order).
//
// The group's steps write each table entry once, step k the entry
// x = s - k (modulo 24), so its result uni is the entry x after the group,
// and number k is formed from it as the one-at-a-time loop forms it. A small
// one is padded with the entry y = s + 9 - k (modulo 24) as it stands right
// after step k: y is written by step k - 9 (modulo 24), so for k >= 9 it has
// its value after the group, and for k < 9 (written later) its value at the
// group's start.
#include "ranlux/groupsteps.h"

#include <cstring>

namespace ranlux {
namespace {

inline void stepAt(std::int32_t* seeds, int i, int j, std::int32_t& carry) {
  std::int32_t uni = seeds[j] - seeds[i] - carry;
  carry = (uni < 0) ? 1 : 0;
  seeds[i] = uni + carry * ITWO24;
}

}  // namespace

void groupSteps(std::int32_t* seeds, int i24, std::int32_t& carry, std::int32_t start[24], float numbers[48]) {
  std::memcpy(start, seeds, 24 * sizeof(std::int32_t));
  std::int32_t c = carry;  // a local: the table's stores cannot be taken for changes of it
  for (int i = i24; i >= 14; --i) stepAt(seeds, i, i - 14, c);
  for (int i = (i24 < 13 ? i24 : 13); i >= 0; --i) stepAt(seeds, i, i + 10, c);
  for (int i = 23; i > i24 && i >= 14; --i) stepAt(seeds, i, i - 14, c);
  for (int i = 13; i > i24; --i) stepAt(seeds, i, i + 10, c);
  carry = c;

  // The numbers in the order of the table from its top, twice over, so that
  // number k (from entry i24 - k) at 23 - i24 + k needs no wrapping.
  // (Through restrict-qualified pointers: the loop then works on several
  // entries at a time.)
  const std::int32_t* __restrict table = seeds;
  float* __restrict out = numbers;
  int small = 0;
  for (int i = 0; i < 24; ++i) {
    const float r = static_cast<float>(table[23 - i]) * TWOM24;
    out[i] = r;
    out[i + 24] = r;
    small |= (table[23 - i] < ITWO12) ? 1 : 0;
  }
  if (small != 0) {
    for (int k = 0; k < 24; ++k) {
      const int x = (i24 + 24 - k) % 24;
      const int y = (i24 + 33 - k) % 24;
      const float r = delivered(seeds[x], k >= 9 ? seeds[y] : start[y]);
      numbers[23 - x] = r;
      numbers[47 - x] = r;
    }
  }
}

}  // namespace ranlux
