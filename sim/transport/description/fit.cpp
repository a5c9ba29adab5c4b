#include "transport/description/fit.h"

#include "transport/description/keys.h"

namespace tarn::description {
namespace {

struct Rule {
  const char* smaller;  // this key's value must be below
  const char* larger;   // this one's
  const char* why;      // what goes wrong otherwise
};

// In beamline order. A half of a cell is septum..half_width in |x|, a
// channel of the split guide likewise; the guides span |x| <= half_width.
constexpr Rule RULES[] = {
    {"cells.septum_half_width", "cells.half_width", "the septum would fill the cells: no half is left"},
    {"cells.septum_half_width", "guide2.half_width",
     "both halves of the cells would lie outside the opening of guide2, which they sit behind"},
    {"split_guide.septum_half_width", "split_guide.half_width",
     "the septum would fill the split guide: no channel is left"},
    {"split_guide.septum_half_width", "cells.half_width",
     "the channels of the split guide would lie outside the halves of the cells they follow"},
    {"cells.septum_half_width", "split_guide.half_width",
     "the halves of the cells would lie outside the channels of the split guide that follows them"},
    {"split_guide.septum_half_width", "last_guide.half_width",
     "the last guide's opening would lie inside the split guide's septum"},
};

}  // namespace

std::vector<std::string> checkFit(const Description& d) {
  std::vector<std::string> out;
  for (const Rule& r : RULES) {
    const Key& small = *findKey(r.smaller);
    const Key& large = *findKey(r.larger);
    Beamline b = d.values;
    if (*small.slot(b).real < *large.slot(b).real) continue;
    out.push_back(originOf(d, r.smaller) + ": " + r.smaller + " = " + shownValue(small, d.values) +
                  " is not smaller than " + r.larger + " = " + shownValue(large, d.values) + " (" +
                  originOf(d, r.larger) + "): " + r.why);
  }
  return out;
}

}  // namespace tarn::description
