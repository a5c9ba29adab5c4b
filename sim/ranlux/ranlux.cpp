// RANLUX, the luxury random-number generator of F. James (Comput. Phys.
// Commun. 79 (1994) 111), after the subtract-with-borrow generator of
// Marsaglia and Zaman with the decimation of M. Luscher.
//
// The library keeps its lag table as single-precision multiples of 2^-24 in
// [0, 1), where every difference, borrow and wrap is exact; the table here
// holds the same numbers times 2^24 as integers, which gives identical
// numbers faster. Outputs are formed in single precision as the library
// forms them: number * 2^-24, and the padding of small numbers rounds in
// single precision.
//
// The numbers thrown away for luxury are skipped in pairs of steps
// (pairsteps.h) or, for long skips and restarts far into the sequence, as
// one multiplication of the 576-bit number the table and borrow make
// (lcg576.h); both give the table, lags and borrow of single steps bit for
// bit, and states they do not take (lags other than 14 apart, entries
// outside 24 bits) go step by step as always.
//
// A group of 24 numbers is made at once when it starts (groupsteps.h),
// followed at once by its luxury skip, and the numbers are then handed out
// from the buffer. The steps, the numbers and the skip are those the
// one-at-a-time loop makes, in the same order on the same table, only
// earlier: what a caller can see is the numbers, the counts (kept as the
// numbers are delivered) and the state rluxut writes, which for a group
// part delivered is replayed from the group's start (see ahead_ in
// ranlux.h). Restored states whose lags are not 14 apart, and a state
// restored or restarted in the middle of a group (until that group ends),
// go one step at a time as always.
#include "ranlux/ranlux.h"

#include "ranlux/chunksteps.h"
#include "ranlux/groupsteps.h"
#include "ranlux/lcg576.h"
#include "ranlux/levels.h"
#include "ranlux/pairsteps.h"
#include "ranlux/skipsteps.h"

namespace ranlux {

const lcg576::Number& Ranlux::luxuryMultiplier() {
  // Made once for each p (the luxury levels skip fewer steps than the
  // multiplication takes).
  if (multiplierFor_ != nskip_) {
    multiplier_ = lcg576::stepsMultiplier(static_cast<std::uint64_t>(nskip_));
    multiplierFor_ = nskip_;
  }
  return multiplier_;
}

void Ranlux::skipLuxury(int& i24, int& j24, std::int32_t& carry) {
  if (nskip_ < MIN_PAIRED_STEPS || !inRange_ || i24 < 0 || i24 > 23 || j24 != (i24 + 10) % 24) {
    skipSteps(seeds_, i24, j24, carry, nskip_);
  } else if (nskip_ < MIN_CHUNKED_STEPS) {
    pairSteps(seeds_, i24, j24, carry, nskip_);
    if (nskip_ % 2 != 0) step(seeds_, i24, j24, carry);
  } else if (nskip_ < MIN_MULTIPLIED_STEPS ||
             !multiplySteps(seeds_, i24, j24, carry, static_cast<std::uint64_t>(nskip_), luxuryMultiplier())) {
    chunkSteps(seeds_, i24, j24, carry, nskip_);
  }
}

bool Ranlux::makeGroupAhead() {
  if (in24_ != 0 || i24_ < 0 || i24_ > 23 || j24_ != (i24_ + 10) % 24) return false;
  groupI24_ = i24_;
  groupCarry_ = carry_;
  groupSteps(seeds_, i24_, carry_, groupStart_, group_);
  skipLuxury(i24_, j24_, carry_);
  ahead_ = true;
  return true;
}

void Ranlux::stepsOneByOne(float* rvec, std::int32_t n, long long& kount) {
  // The lags, the borrow and the count within the 24 are locals in the loop
  // (the table's stores cannot then be taken for changes of them).
  int i24 = i24_, j24 = j24_, in24 = in24_;
  std::int32_t carry = carry_;
  for (std::int32_t ivec = 0; ivec < n; ++ivec) {
    const std::int32_t uni = step(seeds_, i24, j24, carry);
    rvec[ivec] = delivered(uni, seeds_[j24]);
    // Luxury: after each 24 numbers delivered, throw away nskip.
    in24 = in24 + 1;
    if (in24 == 24) {
      in24 = 0;
      kount = kount + nskip_;
      // Through copies: the loop's own lags and borrow then stay in
      // registers (their addresses are never taken).
      int i24Skip = i24, j24Skip = j24;
      std::int32_t carrySkip = carry;
      skipLuxury(i24Skip, j24Skip, carrySkip);
      i24 = i24Skip;
      j24 = j24Skip;
      carry = carrySkip;
    }
  }
  i24_ = i24;
  j24_ = j24;
  in24_ = in24;
  carry_ = carry;
}

void Ranlux::ranlux(float* rvec, std::int32_t lenv) {
  // The common call: numbers of the group made ahead that do not end it,
  // and a count that stays below 10^9.
  if (ahead_ && lenv > 0 && lenv < 24 - in24_ && kount_ < IGIGA - lenv) {
    const float* numbers = group_ + (23 - groupI24_ + in24_);
    for (std::int32_t ivec = 0; ivec < lenv; ++ivec) rvec[ivec] = numbers[ivec];
    in24_ = in24_ + lenv;
    kount_ = kount_ + lenv;
    return;
  }
  ranluxFrom(rvec, lenv);
}

void Ranlux::ranluxFrom(float* rvec, std::int32_t lenv) {
  if (notyet_) defaultInit();

  // The count of numbers generated (delivered plus skipped), kept wide so a
  // very long vector cannot overflow it before it is reduced modulo 10^9.
  long long kount = kount_;
  std::int32_t ivec = 0;
  while (ivec < lenv) {
    if (!ahead_ && !makeGroupAhead()) {
      // One step at a time: to the end of the group for the usual lags
      // (the next group can be made ahead), else to the end of the vector
      // (also for a restored count within the group of 24 or more, which
      // never comes back to 24).
      const bool usualLags = i24_ >= 0 && i24_ <= 23 && j24_ == (i24_ + 10) % 24;
      std::int32_t n = lenv - ivec;
      if (usualLags && in24_ < 24 && n > 24 - in24_) n = 24 - in24_;
      stepsOneByOne(rvec + ivec, n, kount);
      ivec = ivec + n;
      continue;
    }
    std::int32_t n = 24 - in24_;
    if (n > lenv - ivec) n = lenv - ivec;
    const float* numbers = group_ + (23 - groupI24_ + in24_);
    for (std::int32_t k = 0; k < n; ++k) rvec[ivec + k] = numbers[k];
    ivec = ivec + n;
    in24_ = in24_ + n;
    if (in24_ == 24) {
      // The group is delivered; its skip is already made.
      in24_ = 0;
      ahead_ = false;
      kount = kount + nskip_;
    }
  }
  kount = kount + lenv;
  while (kount >= IGIGA) {
    mkount_ = mkount_ + 1;
    kount = kount - IGIGA;
  }
  kount_ = static_cast<std::int32_t>(kount);
}

float Ranlux::next() {
  if (ahead_ && in24_ < 23 && kount_ < IGIGA - 1) {
    kount_ = kount_ + 1;
    const float r = group_[23 - groupI24_ + in24_];
    in24_ = in24_ + 1;
    return r;
  }
  float r;
  ranlux(&r, 1);
  return r;
}

Ranlux& runGenerator() {
  static Ranlux generator;
  return generator;
}

void RLUXGO(std::int32_t lux, std::int32_t ins, std::int32_t k1, std::int32_t k2) {
  runGenerator().rluxgo(lux, ins, k1, k2);
}

void RANLUX(float* rvec, std::int32_t lenv) { runGenerator().ranlux(rvec, lenv); }

}  // namespace ranlux
