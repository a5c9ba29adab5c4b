// A 2-D histogram for Python: cells as a (ny + 2, nx + 2) float32 array
// indexed [iy, ix] with the under/overflow ring, sums of squared weights as
// (ny, nx), and its projections, slices and bands.
#include <pybind11/stl.h>

#include "convert.h"

namespace binding {
namespace {

py::list projections(const std::vector<hbook::Projection>& ps, std::int64_t bins, bool band, const std::string& owner) {
  py::list out;
  for (const hbook::Projection& p : ps) {
    const std::string what = owner + " " + p.name;
    py::dict d;
    d["name"] = latin1(p.name);
    d["nbit"] = p.nbit;
    d["entries"] = p.entries;
    d["channels"] = array(p.channels, what + " channels", bins + 2);
    d["sumw2"] =
        p.sumw2.empty() ? py::object(py::none()) : py::object(array(p.sumw2, what + " sums of squared weights", bins));
    d["low"] = band ? py::object(py::float_(p.low)) : py::object(py::none());
    d["high"] = band ? py::object(py::float_(p.high)) : py::object(py::none());
    out.append(d);
  }
  return out;
}

}  // namespace

py::dict histogram2d(const hbook::Histogram2D& h) {
  const std::string what = "2-D histogram " + std::to_string(h.id);
  py::dict d;
  d["id"] = h.id;
  d["title"] = latin1(h.title);
  d["kbits"] = h.kbits;
  d["nx"] = h.nx;
  d["xmin"] = h.xmin;
  d["xmax"] = h.xmax;
  d["ny"] = h.ny;
  d["ymin"] = h.ymin;
  d["ymax"] = h.ymax;
  d["scale"] = h.scale;
  d["entries"] = h.entries;
  d["nbit"] = h.nbit;
  d["cells"] = table(h.cells, std::int64_t{h.ny} + 2, std::int64_t{h.nx} + 2, what + " cells");
  d["sumw2"] = h.sumw2.empty() ? py::object(py::none())
                               : py::object(table(h.sumw2, h.ny, h.nx, what + " sums of squared weights"));
  d["sum"] = h.sum();
  d["projections_x"] = projections(h.projectionsX, h.nx, false, what);
  d["projections_y"] = projections(h.projectionsY, h.ny, false, what);
  d["slices_x"] = projections(h.slicesX, h.nx, false, what);
  d["slices_y"] = projections(h.slicesY, h.ny, false, what);
  d["bands_x"] = projections(h.bandsX, h.nx, true, what);
  d["bands_y"] = projections(h.bandsY, h.ny, true, what);
  return d;
}

}  // namespace binding
