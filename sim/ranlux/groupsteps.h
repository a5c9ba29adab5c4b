// RANLUX's numbers as the library forms them from a step's 24-bit result, and
// the 24 steps of a whole group made at once with a buffer of its numbers.
#pragma once

#include <cstdint>

namespace ranlux {

constexpr std::int32_t ITWO24 = 1 << 24;  // 2^24
constexpr std::int32_t ITWO12 = 1 << 12;  // below 2^-12 a number is padded
constexpr float TWOM24 = 0x1p-24f;        // 2^-24

// The number a step delivers: uni * 2^-24 in single precision; small numbers
// (fewer than 12 significant bits) are padded with the bits of the table
// entry the lag-10 index points at right after the step (next), and zero
// is forbidden (someone may take a logarithm).
inline float delivered(std::int32_t uni, std::int32_t next) {
  float r = static_cast<float>(uni) * TWOM24;
  if (uni < ITWO12) {
    r = r + TWOM24 * (static_cast<float>(next) * TWOM24);
    if (r == 0.0f) r = TWOM24 * TWOM24;
  }
  return r;
}

// The 24 steps of a group from lags i24 (0..23) and j24 = i24 + 10 (modulo
// 24): start receives the table as it was, the table and borrow are left as
// 24 single steps leave them (the lags, moved down 24 places, are back where
// they started), and numbers[23 - i24 + k] is the group's number k
// (k = 0..23) as the one-at-a-time loop delivers it.
void groupSteps(std::int32_t* seeds, int i24, std::int32_t& carry, std::int32_t start[24], float numbers[48]);

}  // namespace ranlux
