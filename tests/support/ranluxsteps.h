// RANLUX written one subtract-with-borrow step at a time, as the library
// states it, for tests of the generator's faster ways: started from a state
// written by rluxut, with nskip steps skipped after each group of 24.
#pragma once

#include <cstdint>

namespace testsupport {

// The numbers it generates are counted (generated).
struct RanluxSingleSteps {
  std::int32_t seeds[24];
  int i24, j24, in24, lux, nskip;
  std::int32_t carry;
  long long generated = 0;

  RanluxSingleSteps(const std::int32_t isdext[25], int nskipPerGroup) : nskip(nskipPerGroup) {
    for (int i = 0; i < 24; ++i) seeds[i] = isdext[i];
    carry = isdext[24] < 0 ? 1 : 0;
    const std::int32_t isd = isdext[24] < 0 ? -isdext[24] : isdext[24];
    i24 = isd % 100 - 1;
    j24 = (isd / 100) % 100 - 1;
    in24 = (isd / 10000) % 100;
    lux = isd / 1000000;
  }
  std::int32_t step() {
    std::int32_t uni = seeds[j24] - seeds[i24] - carry;
    carry = uni < 0 ? 1 : 0;
    if (uni < 0) uni += 1 << 24;
    seeds[i24] = uni;
    i24 = i24 == 0 ? 23 : i24 - 1;
    j24 = j24 == 0 ? 23 : j24 - 1;
    ++generated;
    return uni;
  }
  float next() {
    const std::int32_t uni = step();
    float r = static_cast<float>(uni) * 0x1p-24f;
    if (uni < (1 << 12)) {
      r = r + 0x1p-24f * (static_cast<float>(seeds[j24]) * 0x1p-24f);
      if (r == 0.0f) r = 0x1p-24f * 0x1p-24f;
    }
    if (++in24 == 24) {
      in24 = 0;
      for (int k = 0; k < nskip; ++k) step();
    }
    return r;
  }
  // The 25 integers rluxut writes for this state.
  void state(std::int32_t out[25]) const {
    for (int i = 0; i < 24; ++i) out[i] = seeds[i];
    out[24] = (i24 + 1) + 100 * (j24 + 1) + 10000 * in24 + 1000000 * lux;
    if (carry > 0) out[24] = -out[24];
  }
};

}  // namespace testsupport
