// What crosses from Python to the C++ writer: each object kind as the same
// dict the reader gives Python (convert.h), turned back into the plain
// types; every array checked against the shape its object declares (a
// mismatch is a ValueError naming the object and the array).
#include <pybind11/stl.h>

#include <bit>

#include "convert.h"

namespace binding {
namespace {

template <typename T>
T get(const py::dict& d, const char* key) {
  if (!d.contains(key)) throw py::value_error(std::string("missing '") + key + "'");
  return d[key].cast<T>();
}

std::string text(const py::handle& h) {
  PyObject* bytes = PyUnicode_AsLatin1String(h.ptr());
  if (bytes == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::bytes>(bytes).cast<std::string>();
}

template <typename T>
std::vector<T> vector(const py::handle& h, const std::string& what, std::int64_t expected = -1) {
  const auto a = py::array_t<T, py::array::c_style | py::array::forcecast>::ensure(h);
  if (!a) throw py::value_error(what + ": not an array of numbers");
  std::vector<T> v(a.data(), a.data() + a.size());
  checkLength(v.size(), expected, what);
  return v;
}

std::vector<float> floatsOrEmpty(const py::dict& d, const char* key, const std::string& what, std::int64_t expected) {
  if (!d.contains(key) || d[key].is_none()) return {};
  return vector<float>(d[key], what, expected);
}

std::vector<hbook::Projection> projections(const py::dict& d, const char* key, std::int64_t bins,
                                           const std::string& owner) {
  std::vector<hbook::Projection> out;
  if (!d.contains(key)) return out;
  for (const py::handle& h : d[key].cast<py::list>()) {
    const py::dict p = h.cast<py::dict>();
    hbook::Projection q;
    q.name = text(p["name"]);
    const std::string what = owner + " " + q.name;
    q.nbit = get<std::int32_t>(p, "nbit");
    q.entries = get<std::int32_t>(p, "entries");
    q.channels = vector<float>(p["channels"], what + " channels", bins + 2);
    q.sumw2 = floatsOrEmpty(p, "sumw2", what + " sums of squared weights", bins);
    if (p.contains("low") && !p["low"].is_none()) {
      q.low = get<float>(p, "low");
      q.high = get<float>(p, "high");
    }
    out.push_back(std::move(q));
  }
  return out;
}

hbook::ColumnType typeOf(const std::string& t, const std::string& what) {
  if (t == "R") return hbook::ColumnType::Real;
  if (t == "I") return hbook::ColumnType::Integer;
  if (t == "U") return hbook::ColumnType::Unsigned;
  if (t == "L") return hbook::ColumnType::Logical;
  if (t == "C") return hbook::ColumnType::Character;
  throw py::value_error(what + ": type '" + t + "' (R, I, U, L or C)");
}

hbook::Column column(const py::dict& d, const std::vector<hbook::Column>& before, const std::string& owner) {
  hbook::Column c;
  c.name = text(d["name"]);
  const std::string what = owner + " variable " + c.name;
  c.block = text(d["block"]);
  c.type = typeOf(get<std::string>(d, "type"), what);
  c.size = get<int>(d, "size");
  c.nbits = get<int>(d, "nbits");
  c.dims = get<std::vector<std::int32_t>>(d, "dims");
  c.isIndex = get<bool>(d, "is_index");
  if (d.contains("index") && !d["index"].is_none()) {
    const std::string index = text(d["index"]);
    for (std::size_t k = before.size(); k-- > 0;) {
      if (before[k].name == index && before[k].block == c.block) {
        c.indexVariable = static_cast<int>(k);
        break;
      }
    }
    if (c.indexVariable < 0)
      throw py::value_error(what + ": index variable " + index + " is not before it in its block");
  }
  if (d.contains("range") && !d["range"].is_none()) {
    const py::tuple r = d["range"].cast<py::tuple>();
    if (r.size() != 2) throw py::value_error(what + ": a range is (low, high)");
    c.hasRange = true;
    if (c.type == hbook::ColumnType::Real) {
      c.rangeLow = std::bit_cast<std::uint32_t>(r[0].cast<float>());
      c.rangeHigh = std::bit_cast<std::uint32_t>(r[1].cast<float>());
    } else if (c.type == hbook::ColumnType::Unsigned) {
      c.rangeLow = r[0].cast<std::uint32_t>();
      c.rangeHigh = r[1].cast<std::uint32_t>();
    } else {
      c.rangeLow = static_cast<std::uint32_t>(r[0].cast<std::int32_t>());
      c.rangeHigh = static_cast<std::uint32_t>(r[1].cast<std::int32_t>());
    }
  }
  const py::handle values = d["values"];
  switch (c.type) {
    case hbook::ColumnType::Real:
      if (c.size == 8)
        c.doubles = vector<double>(values, what);
      else
        c.reals = vector<float>(values, what);
      break;
    case hbook::ColumnType::Integer: c.integers = vector<std::int32_t>(values, what); break;
    case hbook::ColumnType::Unsigned: c.unsigneds = vector<std::uint32_t>(values, what); break;
    case hbook::ColumnType::Logical: c.logicals = vector<std::uint8_t>(values, what); break;
    case hbook::ColumnType::Character:
      for (const py::handle& t : values) c.texts.push_back(text(t));
      break;
  }
  return c;
}

}  // namespace

hbook::Histogram2D histogram2dFrom(const py::dict& d) {
  hbook::Histogram2D h;
  h.id = get<std::int32_t>(d, "id");
  const std::string what = "2-D histogram " + std::to_string(h.id);
  h.title = text(d["title"]);
  h.kbits = get<std::uint32_t>(d, "kbits");
  h.nx = get<std::int32_t>(d, "nx");
  h.ny = get<std::int32_t>(d, "ny");
  if (h.nx < 1 || h.ny < 1)
    throw py::value_error(what + ": " + std::to_string(h.nx) + " x " + std::to_string(h.ny) + " bins");
  h.xmin = get<float>(d, "xmin");
  h.xmax = get<float>(d, "xmax");
  h.ymin = get<float>(d, "ymin");
  h.ymax = get<float>(d, "ymax");
  h.scale = get<float>(d, "scale");
  h.entries = get<std::int32_t>(d, "entries");
  h.nbit = get<std::int32_t>(d, "nbit");
  h.cells = vector<float>(d["cells"], what + " cells", (std::int64_t{h.nx} + 2) * (std::int64_t{h.ny} + 2));
  h.sumw2 = floatsOrEmpty(d, "sumw2", what + " sums of squared weights", std::int64_t{h.nx} * h.ny);
  h.projectionsX = projections(d, "projections_x", h.nx, what);
  h.projectionsY = projections(d, "projections_y", h.ny, what);
  h.slicesX = projections(d, "slices_x", h.nx, what);
  h.slicesY = projections(d, "slices_y", h.ny, what);
  h.bandsX = projections(d, "bands_x", h.nx, what);
  h.bandsY = projections(d, "bands_y", h.ny, what);
  return h;
}

hbook::Profile profileFrom(const py::dict& d) {
  hbook::Profile p;
  p.id = get<std::int32_t>(d, "id");
  const std::string what = "profile " + std::to_string(p.id);
  p.title = text(d["title"]);
  p.kbits = get<std::uint32_t>(d, "kbits");
  p.nx = get<std::int32_t>(d, "nx");
  if (p.nx < 1) throw py::value_error(what + ": " + std::to_string(p.nx) + " bins");
  p.xmin = get<float>(d, "xmin");
  p.xmax = get<float>(d, "xmax");
  p.ymin = get<float>(d, "ymin");
  p.ymax = get<float>(d, "ymax");
  p.entries = get<std::int32_t>(d, "entries");
  p.errorStatus = get<std::uint32_t>(d, "error_status");
  p.sumWY = vector<float>(d["sum_wy"], what + " sums of w*y", std::int64_t{p.nx} + 2);
  p.sumWY2 = vector<float>(d["sum_wy2"], what + " sums of w*y^2", p.nx);
  p.sumW = vector<float>(d["sum_w"], what + " sums of w", p.nx);
  return p;
}

hbook::RowNtuple rowNtupleFrom(const py::dict& d) {
  hbook::RowNtuple n;
  n.id = get<std::int32_t>(d, "id");
  const std::string what = "row-wise ntuple " + std::to_string(n.id);
  n.title = text(d["title"]);
  n.kbits = get<std::uint32_t>(d, "kbits");
  n.entries = get<std::int32_t>(d, "entries");
  n.bufferWords = get<std::int32_t>(d, "buffer_words");
  n.inMemory = d.contains("in_memory") && d["in_memory"].cast<bool>();
  for (const py::handle& t : d["tags"].cast<py::list>()) n.tags.push_back(text(t));
  n.nvar = static_cast<std::int32_t>(n.tags.size());
  n.minimum = vector<float>(d["minimum"], what + " minima", n.nvar);
  n.maximum = vector<float>(d["maximum"], what + " maxima", n.nvar);
  n.values = vector<float>(d["values"], what + " values", std::int64_t{n.entries} * n.nvar);
  return n;
}

hbook::ColumnNtuple columnNtupleFrom(const py::dict& d) {
  hbook::ColumnNtuple n;
  n.id = get<std::int32_t>(d, "id");
  const std::string what = "column-wise ntuple " + std::to_string(n.id);
  n.title = text(d["title"]);
  n.kbits = get<std::uint32_t>(d, "kbits");
  n.entries = get<std::int32_t>(d, "entries");
  if (d.contains("buffer_words")) n.bufferWords = get<std::int32_t>(d, "buffer_words");
  for (const py::handle& b : d["blocks"].cast<py::list>()) n.blocks.push_back(text(b));
  for (const py::handle& c : d["columns"].cast<py::list>())
    n.columns.push_back(column(c.cast<py::dict>(), n.columns, what));
  return n;
}

hbook::Directory directoryFrom(const py::dict& d) {
  hbook::Directory out;
  out.path = text(d["path"]);
  for (const py::handle& s : d["subdirectories"].cast<py::list>()) out.subdirectories.push_back(text(s));
  auto add = [&](hbook::ObjectKind kind, std::int32_t id, auto& list, auto object) {
    out.objects.push_back({kind, id, list.size()});
    list.push_back(std::move(object));
  };
  for (const py::handle& h : d["objects"].cast<py::list>()) {
    const py::tuple t = h.cast<py::tuple>();
    const std::string kind = t[0].cast<std::string>();
    if (kind == "1D") {
      hbook::Histogram x = t[1].cast<hbook::Histogram>();
      add(hbook::ObjectKind::Histogram1D, x.id, out.histograms, std::move(x));
    } else if (kind == "2D") {
      hbook::Histogram2D x = histogram2dFrom(t[1].cast<py::dict>());
      add(hbook::ObjectKind::Histogram2D, x.id, out.histograms2d, std::move(x));
    } else if (kind == "PROFILE") {
      hbook::Profile x = profileFrom(t[1].cast<py::dict>());
      add(hbook::ObjectKind::Profile, x.id, out.profiles, std::move(x));
    } else if (kind == "RWN") {
      hbook::RowNtuple x = rowNtupleFrom(t[1].cast<py::dict>());
      add(hbook::ObjectKind::RowNtuple, x.id, out.rowNtuples, std::move(x));
    } else if (kind == "CWN") {
      hbook::ColumnNtuple x = columnNtupleFrom(t[1].cast<py::dict>());
      add(hbook::ObjectKind::ColumnNtuple, x.id, out.columnNtuples, std::move(x));
    } else {
      throw py::value_error("unknown object kind " + kind);
    }
  }
  return out;
}

}  // namespace binding
