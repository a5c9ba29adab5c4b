// The values HBOOK derives from the cells of a 2-D histogram.
#include "hbook/objects/histogram2d.h"

#include <cmath>

namespace hbook {

float Histogram2D::error(int ix, int iy) const {
  if (!sumw2.empty()) return std::sqrt(sumw2.at(static_cast<std::size_t>((ix - 1) + (iy - 1) * nx)));
  return std::sqrt(std::fabs(cell(ix, iy)));
}

// HSUM adds the in-range cells in single precision, column by column.
float Histogram2D::sum() const {
  float s = 0.0f;
  for (int ix = 1; ix <= nx; ++ix) {
    for (int iy = 1; iy <= ny; ++iy) s += cell(ix, iy);
  }
  return s;
}

}  // namespace hbook
