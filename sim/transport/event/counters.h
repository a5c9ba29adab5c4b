// The nine run counters of the end-of-run report, kept by the stages of the
// event loop.
#pragma once

#include <cstdint>

namespace tarn {

// 64-bit: a long run passes 2^31 events.
struct Counters {
  std::int64_t nTar1In = 0;
  std::int64_t nScatTar1 = 0;
  std::int64_t nTar2In = 0;
  std::int64_t nScatTar2 = 0;
  std::int64_t nLowEnergy = 0;
  std::int64_t nTar1ToTar2 = 0;
  std::int64_t nDetIn = 0;
  std::int64_t nScatAtDet = 0;
  std::int64_t nDetEChanged = 0;
};

}  // namespace tarn
