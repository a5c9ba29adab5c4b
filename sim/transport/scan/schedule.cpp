#include "transport/scan/schedule.h"

#include <algorithm>

namespace tarn::scan {

std::vector<Start> pointsToStart(int freeSlots, const std::vector<std::int64_t>& blocksLeft) {
  std::vector<Start> starts;
  const std::size_t count = std::min(blocksLeft.size(), static_cast<std::size_t>(std::max(freeSlots, 0)));
  int left = freeSlots;
  for (std::size_t i = 0; i < count; ++i) {
    const int pointsLeft = static_cast<int>(count - i);
    const int share = (left + pointsLeft - 1) / pointsLeft;  // the first ones the larger shares
    const int jobs = static_cast<int>(std::max<std::int64_t>(1, std::min<std::int64_t>(share, blocksLeft[i])));
    starts.push_back({i, jobs});
    left -= jobs;
  }
  return starts;
}

}  // namespace tarn::scan
