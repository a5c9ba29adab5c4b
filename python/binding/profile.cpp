// A profile histogram for Python: its stored sums and, per bin, the mean and
// error computed by the C++ layer exactly as the package's HI and HIE do.
#include "convert.h"

namespace binding {

py::dict profile(const hbook::Profile& p) {
  const std::string what = "profile " + std::to_string(p.id);
  py::dict d;
  d["id"] = p.id;
  d["title"] = latin1(p.title);
  d["kbits"] = p.kbits;
  d["nx"] = p.nx;
  d["xmin"] = p.xmin;
  d["xmax"] = p.xmax;
  d["ymin"] = p.ymin;
  d["ymax"] = p.ymax;
  d["entries"] = p.entries;
  d["error_status"] = p.errorStatus;
  d["error_option"] = p.errorOption();
  d["sum_wy"] = array(p.sumWY, what + " sums of w*y", std::int64_t{p.nx} + 2);
  d["sum_wy2"] = array(p.sumWY2, what + " sums of w*y^2", p.nx);
  d["sum_w"] = array(p.sumW, what + " sums of w", p.nx);
  std::vector<float> means, errors;
  for (int b = 1; b <= p.nx; ++b) {
    means.push_back(p.mean(b));
    errors.push_back(p.error(b));
  }
  d["means"] = array(means, what);
  d["errors"] = array(errors, what);
  return d;
}

}  // namespace binding
