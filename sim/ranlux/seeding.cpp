// Starting, saving and restoring RANLUX: its default start, RLUXGO with
// its restart at a count, RLUXAT, RLUXUT, RLUXIN.
#include <ostream>

#include "ranlux/levels.h"
#include "ranlux/ranlux.h"
#include "ranlux/skipsteps.h"
#include "textout/console.h"

namespace ranlux {

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
    out << " RANLUX LUXURY LEVEL SET BY RLUXGO :" << iw(luxlev_, 2) << "     P=" << iw(nskip_ + 24, 4) << '\n';
  } else {
    nskip_ = luxlev_ - 24;
    out << " RANLUX P-VALUE SET BY RLUXGO TO:" << iw(luxlev_, 5) << '\n';
  }
  in24_ = 0;
  if (ins < 0) out << " Illegal initialization by RLUXGO, negative input seed\n";
  std::int32_t jseed;
  if (ins > 0) {
    jseed = ins;
    out << " RANLUX INITIALIZED BY RLUXGO FROM SEEDS" << iw(jseed, 12) << iw(k1, 12) << iw(k2, 12) << '\n';
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
          << "  The values" << iw(ins, 11) << iw(k1, 11) << iw(k2, 11) << " cannot occur at luxury level"
          << iw(luxlev_, 5) << '\n';
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

}  // namespace ranlux
