// Booking of the 44 result histograms, in catalogue order. Edges are
// single-precision values; every histogram has unpacked contents (VMX 0).
#include <cstdint>
#include <vector>

#include "hbook/hbook.h"
#include "transport/run/run.h"

namespace tarn {
namespace {

struct Booking {
  std::int32_t id;
  const char* title;
  std::int32_t bins;
  float lower;
  float upper;
};

// "x (cm) Up" is shared by ids 1-6 and 8, which hold x at different points
// along the beamline; "DeB" in 3006 is the title as booked.
constexpr Booking RESULT_HISTOGRAMS[] = {
    {1001, "x (cm) Up", 100, -3.5f, 3.5f},
    {1, "x (cm) Up", 100, -3.5f, 3.5f},
    {2, "x (cm) Up", 100, -3.5f, 3.5f},
    {3, "x (cm) Up", 100, -3.5f, 3.5f},
    {4, "x (cm) Up", 100, -3.5f, 3.5f},
    {5, "x (cm) Up", 100, -3.5f, 3.5f},
    {6, "x (cm) Up", 100, -3.5f, 3.5f},
    {8, "x (cm) Up", 100, -3.5f, 3.5f},
    {7, "y (cm) Up", 100, -3.0f, 3.0f},
    {1002, "y (cm) Up", 100, -3.0f, 3.0f},
    {2001, "x (cm) Dn", 100, -3.5f, 3.5f},
    {2002, "y (cm) Dn", 100, -3.0f, 3.0f},
    {3001, "x (cm) Det", 100, -3.5f, 3.5f},
    {3002, "y (cm) Det", 100, -3.0f, 3.0f},
    {3003, "thx (mrad) Det", 200, 0.0f, 0.1f},
    {3004, "thy (mrad) Det", 200, 0.0f, 0.1f},
    {3005, "E (meV) DetB", 1000, 0.0f, 40.0f},
    {4005, "Lambda (Angs) DetB", 1000, 0.0f, 20.0f},
    {3006, "Path length (cm) DeB", 200, 83.15f, 83.25f},
    {3007, "th_rotation (mrad) DetB", 200, 0.0f, 1000.0f},
    {3008, "Path length (cm) DetR", 200, 83.15f, 83.25f},
    {3009, "th_rotation (mrad) DetR", 200, 0.0f, 1000.0f},
    {3010, "Path length (cm) DetL", 200, 83.15f, 83.25f},
    {3011, "th_rotation (mrad) DetL", 200, 0.0f, 1000.0f},
    {3012, "E (meV) DetR", 200, 0.0f, 40.0f},
    {3013, "E (meV) DetL", 200, 0.0f, 40.0f},
    {3014, "E (meV)/ scat DetB", 200, 0.0f, 40.0f},
    {4010, "sig tot (b/atom)", 200, 0.0f, 1.0f},
    {4011, "interaction len (cm)", 200, 0.0f, 2000.0f},
    {4012, "theta scattered (deg) U", 200, 0.0f, 180.0f},
    {4013, "sig Sommers (b/atom)", 200, 0.0f, 1.0f},
    {4014, "sig Sq (b/atom)", 200, 0.0f, 1.0f},
    {4015, "theta-p (deg) U", 200, 0.0f, 180.0f},
    {4016, "phi-p (deg) U", 200, 0.0f, 360.0f},
    {4017, "th-0 (deg)", 200, 0.0f, 10.0f},
    {5012, "theta scattered (deg) D", 200, 0.0f, 180.0f},
    {5015, "theta-p (deg) D", 200, 0.0f, 180.0f},
    {5016, "phi-p (deg) D", 200, 0.0f, 360.0f},
    {5017, "theta-x (deg) U", 200, -5.0f, 5.0f},
    {5018, "theta-y (deg) U", 200, -5.0f, 5.0f},
    {5019, "theta-x (deg) D", 200, -5.0f, 5.0f},
    {5020, "theta-y (deg) D", 200, -5.0f, 5.0f},
    {5021, "phi (deg) U", 200, 0.0f, 360.0f},
    {5022, "phi (deg) D", 200, 0.0f, 360.0f},
};

}  // namespace

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
