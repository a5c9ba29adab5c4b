// A directory for Python: its path, subdirectory names and objects in key
// order, each as (kind, object): a 1-D histogram as hbook._core.Histogram
// (so that it can be written again), every other kind as a dict.
#include <pybind11/stl.h>

#include "convert.h"

namespace binding {
namespace {

template <typename T>
const T& at(const std::vector<T>& v, const hbook::ObjectRef& ref, const std::string& path) {
  if (ref.index >= v.size()) {
    throw py::value_error("directory " + path + ": object " + std::to_string(ref.id) + " refers to entry " +
                          std::to_string(ref.index) + " of " + std::to_string(v.size()));
  }
  return v[ref.index];
}

py::object object(const hbook::Directory& d, const hbook::ObjectRef& ref) {
  switch (ref.kind) {
    case hbook::ObjectKind::Histogram1D: return py::cast(at(d.histograms, ref, d.path));
    case hbook::ObjectKind::Histogram2D: return histogram2d(at(d.histograms2d, ref, d.path));
    case hbook::ObjectKind::Profile: return profile(at(d.profiles, ref, d.path));
    case hbook::ObjectKind::RowNtuple: return rowNtuple(at(d.rowNtuples, ref, d.path));
    case hbook::ObjectKind::ColumnNtuple: return columnNtuple(at(d.columnNtuples, ref, d.path));
  }
  throw py::value_error("directory " + d.path + ": object " + std::to_string(ref.id) + " of unknown kind");
}

}  // namespace

py::dict directory(const hbook::Directory& d) {
  py::dict out;
  out["path"] = latin1(d.path);
  py::list subdirectories, objects;
  for (const std::string& s : d.subdirectories) subdirectories.append(latin1(s));
  for (const hbook::ObjectRef& ref : d.objects)
    objects.append(py::make_tuple(hbook::kindName(ref.kind), object(d, ref)));
  out["subdirectories"] = subdirectories;
  out["objects"] = objects;
  return out;
}

}  // namespace binding
