// Booking of the 44 result histograms of catalogue.h.
#include "transport/event/catalogue.h"

#include "hbook/hbook.h"

namespace tarn {

void bookResultHistograms(const Beamline& beamline) {
  const double straight = 2 * beamline.cells.length;  // cm, both cells
  for (Booking b : RESULT_HISTOGRAMS) {
    if (b.id == hid::PATH_BOTH || b.id == hid::PATH_RIGHT || b.id == hid::PATH_LEFT) {
      b.lower = static_cast<float>(straight - PATH_HALF_SPAN);
      b.upper = static_cast<float>(straight + PATH_HALF_SPAN);
    }
    HBOOK1(b.id, b.title, b.bins, b.lower, b.upper, 0.0f);
  }
}

const std::vector<std::int32_t>& resultHistogramIds() {
  static const std::vector<std::int32_t> ids = [] {
    std::vector<std::int32_t> v;
    for (const Booking& b : RESULT_HISTOGRAMS) v.push_back(b.id);
    return v;
  }();
  return ids;
}

}  // namespace tarn
