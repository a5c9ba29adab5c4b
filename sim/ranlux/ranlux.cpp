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

#include <string>

#include "ranlux/groupsteps.h"
#include "ranlux/lcg576.h"
#include "ranlux/pairsteps.h"
#include "textout/console.h"

namespace ranlux {
namespace {

constexpr std::int32_t MAXLEV = 4;                                  // highest luxury level
constexpr std::int32_t LXDFLT = 3;                                  // default luxury level
constexpr std::int32_t NDSKIP[MAXLEV + 1] = {0, 24, 73, 199, 365};  // p - 24 per level
constexpr std::int32_t IGIGA = 1000000000;                          // 10^9
constexpr std::int32_t JSDFLT = 314159265;                          // default seed
constexpr std::int32_t ICONS = 2147483563;                          // modulus of the seeding generator

// Fortran Iw editing: right-justified in w characters, all asterisks if the
// value does not fit.
std::string iw(long long v, int w) {
  std::string s = std::to_string(v);
  if (static_cast<int>(s.size()) > w) return std::string(static_cast<std::size_t>(w), '*');
  return std::string(static_cast<std::size_t>(w) - s.size(), ' ') + s;
}

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

// One step at fixed lags i (24) and j (10); returns the new borrow.
inline std::int32_t stepAt(std::int32_t* seeds, int i, int j, std::int32_t carry) {
  std::int32_t uni = seeds[j] - seeds[i] - carry;
  carry = (uni < 0) ? 1 : 0;
  seeds[i] = uni + carry * ITWO24;
  return carry;
}

// n steps one at a time (short skips, and states the faster ways do not
// take). They are the steps of step() in the same order: while the lag-24 index starts at the top of the
// table (with the lag-10 index 14 below it, as always unless a restored
// state says otherwise), a round of 24 steps takes the lags down the table
// as (23, 9) ... (14, 0) and then (13, 23) ... (0, 10), which are written
// out with fixed indices; only the steps before the first round and after
// the last go through step(). The lags and the borrow are locals here, so
// that the stores into the table cannot be taken for changes of them (the
// same arithmetic, in fewer instructions).
void skipSteps(std::int32_t* seeds, int& i24Out, int& j24Out, std::int32_t& carryOut, std::int32_t n) {
  int i24 = i24Out, j24 = j24Out;
  std::int32_t c = carryOut;
  if (j24 == (i24 + 10) % 24) {
    for (; n > 0 && i24 != 23; --n) step(seeds, i24, j24, c);
    for (; n >= 24; n -= 24) {
#pragma GCC unroll 10
      for (int i = 23, j = 9; j >= 0; --i, --j) c = stepAt(seeds, i, j, c);
#pragma GCC unroll 14
      for (int i = 13, j = 23; i >= 0; --i, --j) c = stepAt(seeds, i, j, c);
    }
  }
  for (; n > 0; --n) step(seeds, i24, j24, c);
  i24Out = i24;
  j24Out = j24;
  carryOut = c;
}

// Where each way of skipping is the cheapest in instructions (measured with
// callgrind): step by step below MIN_PAIRED_STEPS (the pairs' packing costs
// about as much as 36 steps), in pairs (pairsteps.h, about 3.5 instructions
// a step) below MIN_MULTIPLIED_STEPS, and above as one multiplication
// (lcg576.h, about 2000 instructions whatever the number of steps).
constexpr std::int32_t MIN_PAIRED_STEPS = 40;
constexpr std::int32_t MIN_MULTIPLIED_STEPS = 480;

// n >= 24 steps as one multiplication by an = a^n mod m (lcg576.h): the
// table of 24-bit entries, lags i24 = j24 - 10 (modulo 24) and the borrow
// are the number X, n steps take it to a^n X mod m, and the table and borrow
// read back from that are those of n calls of step() bit for bit, the lags
// moved down by n as step() moves them (lcg576.h derives the mapping and
// why it is exact once 24 steps are made). Returns false, having changed
// nothing, for other lags and for the one state it does not map (X = m).
bool multiplySteps(std::int32_t* seeds, int& i24, int& j24, std::int32_t& carry, std::uint64_t n,
                   const lcg576::Number& an) {
  if (i24 < 0 || i24 > 23 || j24 != (i24 + 10) % 24) return false;
  lcg576::Number x = lcg576::fromTable(seeds, i24, carry);
  if (lcg576::isModulus(x)) return false;
  x = lcg576::mulMod(x, an);
  const int moved = static_cast<int>(n % 24);
  i24 = (i24 + 24 - moved) % 24;
  j24 = (j24 + 24 - moved) % 24;
  lcg576::toTable(x, seeds, i24, carry);
  return true;
}

}  // namespace

const lcg576::Number& Ranlux::luxuryMultiplier() {
  // Made once for each p (the luxury levels skip fewer steps than the
  // multiplication takes).
  if (multiplierFor_ != nskip_) {
    multiplier_ = lcg576::stepsMultiplier(static_cast<std::uint64_t>(nskip_));
    multiplierFor_ = nskip_;
  }
  return multiplier_;
}

void Ranlux::fillSeeds(std::int32_t jseed) {
  // 24 seeds from the multiplicative congruential generator
  // seed <- 40014 * seed mod 2147483563 (Schrage's form, no overflow),
  // each taken modulo 2^24.
  for (int i = 0; i < 24; ++i) {
    const std::int32_t k = jseed / 53668;
    jseed = 40014 * (jseed - k * 53668) - k * 12211;
    if (jseed < 0) jseed = jseed + ICONS;
    seeds_[i] = jseed % ITWO24;
  }
  i24_ = 23;
  j24_ = 9;
  carry_ = 0;
  if (seeds_[23] == 0) carry_ = 1;
  inRange_ = true;
  ahead_ = false;
}

void Ranlux::defaultInit() {
  notyet_ = false;
  const std::int32_t jseed = JSDFLT;
  inseed_ = jseed;
  std::ostream& out = textout::console();
  out << " RANLUX DEFAULT INITIALIZATION: " << iw(jseed, 12) << '\n';
  luxlev_ = LXDFLT;
  nskip_ = NDSKIP[luxlev_];
  const std::int32_t lp = nskip_ + 24;
  in24_ = 0;
  kount_ = 0;
  mkount_ = 0;
  out << " RANLUX DEFAULT LUXURY LEVEL =  " << iw(luxlev_, 2) << "      p =" << iw(lp, 4) << '\n';
  fillSeeds(jseed);
}

void Ranlux::skipLuxury(int& i24, int& j24, std::int32_t& carry) {
  if (nskip_ < MIN_PAIRED_STEPS || !inRange_ || i24 < 0 || i24 > 23 || j24 != (i24 + 10) % 24) {
    skipSteps(seeds_, i24, j24, carry, nskip_);
  } else if (nskip_ < MIN_MULTIPLIED_STEPS ||
             !multiplySteps(seeds_, i24, j24, carry, static_cast<std::uint64_t>(nskip_), luxuryMultiplier())) {
    pairSteps(seeds_, i24, j24, carry, nskip_);
    if (nskip_ % 2 != 0) step(seeds_, i24, j24, carry);
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

void Ranlux::rluxgo(std::int32_t lux, std::int32_t ins, std::int32_t k1, std::int32_t k2) {
  std::ostream& out = textout::console();
  if (lux < 0) {
    luxlev_ = LXDFLT;
  } else if (lux <= MAXLEV) {
    luxlev_ = lux;
  } else if (lux < 24 || lux > 2000) {
    luxlev_ = MAXLEV;
    out << " RANLUX ILLEGAL LUXURY RLUXGO: " << iw(lux, 7) << '\n';
  } else {
    // p given directly; a p of one of the levels is that level.
    luxlev_ = lux;
    for (std::int32_t ilx = 0; ilx <= MAXLEV; ++ilx)
      if (lux == NDSKIP[ilx] + 24) luxlev_ = ilx;
  }
  if (luxlev_ <= MAXLEV) {
    nskip_ = NDSKIP[luxlev_];
    out << " RANLUX LUXURY LEVEL SET BY RLUXGO :" << iw(luxlev_, 2) << "     P=" << iw(nskip_ + 24, 4)
        << '\n';
  } else {
    nskip_ = luxlev_ - 24;
    out << " RANLUX P-VALUE SET BY RLUXGO TO:" << iw(luxlev_, 5) << '\n';
  }
  in24_ = 0;
  if (ins < 0) out << " Illegal initialization by RLUXGO, negative input seed\n";
  std::int32_t jseed;
  if (ins > 0) {
    jseed = ins;
    out << " RANLUX INITIALIZED BY RLUXGO FROM SEEDS" << iw(jseed, 12) << iw(k1, 12) << iw(k2, 12)
        << '\n';
  } else {
    jseed = JSDFLT;
    out << " RANLUX INITIALIZED BY RLUXGO FROM DEFAULT SEED\n";
  }
  inseed_ = jseed;
  notyet_ = false;
  fillSeeds(jseed);

  // Restarting at a break point: skip k1 + k2 * 10^9 numbers, counting the
  // numbers delivered plus those thrown away for luxury.
  kount_ = k1;
  mkount_ = k2;
  if (static_cast<long long>(k1) + k2 != 0) {
    int i24 = i24_, j24 = j24_;
    std::int32_t carry = carry_;
    // The loop below makes k2 * 10^9 + k1 steps (none for a negative k1 or
    // k2); as many at once by multiplication where they can be.
    const std::uint64_t total =
        (k2 < 0) ? 0 : static_cast<std::uint64_t>(k2) * IGIGA + static_cast<std::uint64_t>(k1 > 0 ? k1 : 0);
    if (total < static_cast<std::uint64_t>(MIN_MULTIPLIED_STEPS) ||
        !multiplySteps(seeds_, i24, j24, carry, total, lcg576::stepsMultiplier(total))) {
      for (std::int32_t iouter = 1; iouter <= k2 + 1; ++iouter) {
        const std::int32_t inner = (iouter == k2 + 1) ? k1 : IGIGA;
        skipSteps(seeds_, i24, j24, carry, inner);
      }
    }
    i24_ = i24;
    j24_ = j24;
    carry_ = carry;
    // The position within the group of 24, by direct calculation.
    const std::int32_t lp = nskip_ + 24;
    in24_ = kount_ % lp;
    if (mkount_ > 0) {
      const long long izip = IGIGA % lp;
      const long long izip2 = mkount_ * izip + in24_;
      in24_ = static_cast<std::int32_t>(izip2 % lp);
    }
    if (in24_ > 23) {
      out << "  Error in RESTARTING with RLUXGO:\n"
          << "  The values" << iw(ins, 11) << iw(k1, 11) << iw(k2, 11)
          << " cannot occur at luxury level" << iw(luxlev_, 5) << '\n';
      in24_ = 0;
    }
  }
}

void Ranlux::rluxat(std::int32_t& lux, std::int32_t& ins, std::int32_t& k1, std::int32_t& k2) const {
  lux = luxlev_;
  ins = inseed_;
  k1 = kount_;
  k2 = mkount_;
}

void Ranlux::rluxut(std::int32_t isdext[25]) const {
  int i24 = i24_, j24 = j24_;
  std::int32_t carry = carry_;
  for (int i = 0; i < 24; ++i) isdext[i] = seeds_[i];
  if (ahead_) {
    // A group part delivered: the state after its in24_ steps, replayed
    // from the group's start.
    for (int i = 0; i < 24; ++i) isdext[i] = groupStart_[i];
    i24 = groupI24_;
    j24 = (groupI24_ + 10) % 24;
    carry = groupCarry_;
    for (std::int32_t k = 0; k < in24_; ++k) step(isdext, i24, j24, carry);
  }
  isdext[24] = (i24 + 1) + 100 * (j24 + 1) + 10000 * in24_ + 1000000 * luxlev_;
  if (carry > 0) isdext[24] = -isdext[24];
}

void Ranlux::rluxin(const std::int32_t isdext[25]) {
  std::ostream& out = textout::console();
  out << " FULL INITIALIZATION OF RANLUX WITH 25 INTEGERS:\n";
  for (int row = 0; row < 5; ++row) {
    out << "     ";
    for (int col = 0; col < 5; ++col) out << iw(isdext[5 * row + col], 12);
    out << '\n';
  }
  const std::int32_t level = (isdext[24] < 0 ? -isdext[24] : isdext[24]) / 1000000;
  restore(isdext);
  if (level <= MAXLEV)
    out << " RANLUX LUXURY LEVEL SET BY RLUXIN TO: " << iw(level, 2) << '\n';
  else if (level >= 24)
    out << " RANLUX P-VALUE SET BY RLUXIN TO:" << iw(level, 5) << '\n';
  else
    out << " RANLUX ILLEGAL LUXURY RLUXIN: " << iw(level, 5) << '\n';
}

void Ranlux::restore(const std::int32_t isdext[25]) {
  notyet_ = false;
  ahead_ = false;
  inRange_ = true;
  for (int i = 0; i < 24; ++i) {
    seeds_[i] = isdext[i];
    if (isdext[i] < 0 || isdext[i] >= ITWO24) inRange_ = false;
  }
  carry_ = 0;
  if (isdext[24] < 0) carry_ = 1;
  std::int32_t isd = isdext[24] < 0 ? -isdext[24] : isdext[24];
  i24_ = isd % 100 - 1;
  isd = isd / 100;
  j24_ = isd % 100 - 1;
  isd = isd / 100;
  in24_ = isd % 100;
  isd = isd / 100;
  luxlev_ = isd;
  if (luxlev_ <= MAXLEV) {
    nskip_ = NDSKIP[luxlev_];
  } else if (luxlev_ >= 24) {
    nskip_ = luxlev_ - 24;
  } else {
    nskip_ = NDSKIP[MAXLEV];
    luxlev_ = MAXLEV;
  }
  inseed_ = -1;
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
