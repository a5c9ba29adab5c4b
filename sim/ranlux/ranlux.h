// RANLUX: the 24-bit subtract-with-borrow generator with lags 24 and 10 and
// luxury levels (F. James, Comput. Phys. Commun. 79 (1994) 111), number for
// number as the published library.
//
// Ranlux is one independent generator; RLUXGO and RANLUX drive the single
// run-level instance that the whole simulation draws from.
#pragma once

#include <cstdint>

#include "ranlux/lcg576.h"

namespace ranlux {

class Ranlux {
 public:
  // An uninitialised generator: the first draw initialises it from the
  // default seed 314159265 at luxury level 3 and prints the library's lines.
  Ranlux() = default;

  // Initialise as RLUXGO(lux, ins, k1, k2) does, console lines included.
  // lux 0..4 is a luxury level, lux > 24 is p itself; ins = 0 means the
  // default seed; then k1 + k2 * 10^9 numbers are skipped.
  void rluxgo(std::int32_t lux, std::int32_t ins, std::int32_t k1, std::int32_t k2);

  // Fill rvec[0..lenv-1] with uniform numbers in (0, 1), as RANLUX(rvec, lenv).
  void ranlux(float* rvec, std::int32_t lenv);

  // One number (a RANLUX call of length 1).
  float next();

  // The restart point, as RLUXAT: luxury level (or p), the seed, and the
  // count k1 + k2 * 10^9 of numbers generated so far (delivered plus those
  // skipped for luxury). rluxgo(lux, ins, k1, k2) continues from here.
  void rluxat(std::int32_t& lux, std::int32_t& ins, std::int32_t& k1, std::int32_t& k2) const;

  // The complete state as 25 integers, as RLUXUT: the lag table times 2^24,
  // then i24 + 100 * j24 + 10000 * in24 + 1000000 * luxury level (1-based
  // lags), negative when the borrow is set. rluxin restores it (RLUXIN),
  // printing the library's lines; like the library it expects a vector that
  // rluxut wrote (entries below 2^24, lags 1..24, in24 below 24).
  void rluxut(std::int32_t isdext[25]) const;
  void rluxin(const std::int32_t isdext[25]);
  // RLUXIN without its lines (a run's block streams, blockstreams.h).
  void restore(const std::int32_t isdext[25]);

 private:
  // Seeds from the multiplicative congruential generator, carry and lags.
  void fillSeeds(std::int32_t jseed);
  void defaultInit();
  // The multiplier of the nskip_ steps after each group (lcg576.h).
  const lcg576::Number& luxuryMultiplier();
  // The nskip_ steps after a group of 24, by the cheapest exact way the state allows.
  void skipLuxury(int& i24, int& j24, std::int32_t& carry);
  // The group starting now made ahead (see ahead_); false, with nothing
  // changed, where the state is not one the group's steps take.
  bool makeGroupAhead();
  // RANLUX(rvec, lenv) for the calls that do not only copy numbers made ahead.
  void ranluxFrom(float* rvec, std::int32_t lenv);
  // n numbers one step at a time (states not made ahead); kount counts
  // the luxury skips.
  void stepsOneByOne(float* rvec, std::int32_t n, long long& kount);

  bool notyet_ = true;               // no initialisation yet
  std::int32_t luxlev_ = 3;          // luxury level 0..4, or p itself
  std::int32_t nskip_ = 0;           // numbers thrown away after each 24 delivered (p - 24)
  std::int32_t in24_ = 0;            // numbers delivered in the current group of 24
  std::int32_t kount_ = 0;           // numbers generated, modulo 10^9 ...
  std::int32_t mkount_ = 0;          // ... and the multiples of 10^9
  std::int32_t inseed_ = 0;          // the seed the generator started from
  int i24_ = 23;                     // lag-24 index into seeds_ (0-based; the library's 24)
  int j24_ = 9;                      // lag-10 index into seeds_ (0-based; the library's 10)
  std::int32_t carry_ = 0;           // borrow, 0 or 1 (times 2^-24)
  std::int32_t seeds_[24] = {};      // the lag table, 24-bit integers (numbers times 2^24)
  bool inRange_ = true;              // every table entry in [0, 2^24) (a restored one need not be)
  std::int32_t multiplierFor_ = -1;  // the nskip_ that multiplier_ is for, -1 for none yet
  lcg576::Number multiplier_ = {};   // a^nskip_ mod m

  // The group of 24 made ahead. While ahead_ is set, group_ holds the 24
  // numbers of the group in progress (number k at 23 - groupI24_ + k,
  // groupsteps.h; in24_ of them delivered), seeds_,
  // i24_, j24_ and carry_ hold the state after the whole group and its
  // luxury skip, and groupStart_, groupI24_ and groupCarry_ the state at the
  // group's start (lag-10 index groupI24_ + 10 modulo 24), from which rluxut
  // replays the in24_ steps delivered so far.
  bool ahead_ = false;
  float group_[48] = {};
  std::int32_t groupStart_[24] = {};
  int groupI24_ = 23;
  std::int32_t groupCarry_ = 0;
};

// The run-level generator.
void RLUXGO(std::int32_t lux, std::int32_t ins, std::int32_t k1, std::int32_t k2);
void RANLUX(float* rvec, std::int32_t lenv);

// The instance behind RLUXGO / RANLUX (for tests and diagnostics).
Ranlux& runGenerator();

}  // namespace ranlux
