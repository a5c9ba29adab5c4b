// Booking of the 44 result histograms of catalogue.h.
#include "transport/event/catalogue.h"

#include "hbook/hbook.h"

namespace tarn {

void bookResultHistograms() {
  for (const Booking& b : RESULT_HISTOGRAMS) HBOOK1(b.id, b.title, b.bins, b.lower, b.upper, 0.0f);
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
