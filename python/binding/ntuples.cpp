// Ntuples for Python. A row-wise ntuple: its values as an (entries, nvar)
// float32 array. A column-wise ntuple: per variable the flat array of its
// values in row order (an array's elements in Fortran order, first index
// fastest) in the type's own numpy dtype, CHARACTER values as str; for a
// variable-length array also the offsets of each row's first element.
#include <pybind11/stl.h>

#include <bit>

#include "convert.h"

namespace binding {
namespace {

py::object range(const hbook::Column& c) {
  if (!c.hasRange) return py::none();
  switch (c.type) {
    case hbook::ColumnType::Real:
      return py::make_tuple(std::bit_cast<float>(c.rangeLow), std::bit_cast<float>(c.rangeHigh));
    case hbook::ColumnType::Unsigned: return py::make_tuple(c.rangeLow, c.rangeHigh);
    default: return py::make_tuple(static_cast<std::int32_t>(c.rangeLow), static_cast<std::int32_t>(c.rangeHigh));
  }
}

py::object values(const hbook::Column& c, std::int64_t count, const std::string& what) {
  switch (c.type) {
    case hbook::ColumnType::Real:
      return c.size == 8 ? py::object(array(c.doubles, what, count)) : py::object(array(c.reals, what, count));
    case hbook::ColumnType::Integer: return array(c.integers, what, count);
    case hbook::ColumnType::Unsigned: return array(c.unsigneds, what, count);
    case hbook::ColumnType::Logical: {
      py::array_t<std::uint8_t> stored = array(c.logicals, what, count);
      return stored.attr("astype")("bool");
    }
    case hbook::ColumnType::Character: {
      checkLength(c.texts.size(), count, what);
      py::list texts;
      for (const std::string& t : c.texts) texts.append(latin1(t));
      return texts;
    }
  }
  throw py::value_error(what + ": unknown type");
}

// A variable's declaration: everything but its values.
py::dict declaration(const hbook::ColumnNtuple& n, const hbook::Column& c) {
  py::dict d;
  d["name"] = latin1(c.name);
  d["block"] = latin1(c.block);
  d["type"] = std::string(1, hbook::columnTypeLetter(c.type));
  d["size"] = c.size;
  d["nbits"] = c.nbits;
  d["dims"] = c.dims;
  d["index"] = c.indexVariable >= 0 ? py::object(latin1(n.columns.at(static_cast<std::size_t>(c.indexVariable)).name))
                                    : py::object(py::none());
  d["is_index"] = c.isIndex;
  d["range"] = range(c);
  return d;
}

py::dict column(const hbook::ColumnNtuple& n, const hbook::Column& c) {
  const std::string what = "column-wise ntuple " + std::to_string(n.id) + " variable " + c.name;
  py::dict d = declaration(n, c);
  d["per_row"] = c.perRow;
  std::int64_t count = n.entries * c.perRow;
  if (c.indexVariable >= 0) {
    std::vector<std::int64_t> offsets;
    offsets.reserve(static_cast<std::size_t>(n.entries) + 1);
    for (std::int64_t r = 0; r < n.entries; ++r) offsets.push_back(n.first(c, r));
    offsets.push_back(n.entries == 0 ? 0 : n.first(c, n.entries - 1) + n.count(c, n.entries - 1));
    count = offsets.back();
    d["offsets"] = array(offsets, what + " offsets");
  } else {
    d["offsets"] = py::none();
  }
  d["values"] = values(c, count, what);
  return d;
}

}  // namespace

py::dict rowNtuple(const hbook::RowNtuple& n) {
  const std::string what = "row-wise ntuple " + std::to_string(n.id);
  py::dict d;
  d["id"] = n.id;
  d["title"] = latin1(n.title);
  d["kbits"] = n.kbits;
  d["entries"] = n.entries;
  d["buffer_words"] = n.bufferWords;
  d["in_memory"] = n.inMemory;
  py::list tags;
  for (const std::string& t : n.tags) tags.append(latin1(t));
  checkLength(n.tags.size(), n.nvar, what + " tags");
  d["tags"] = tags;
  d["minimum"] = array(n.minimum, what + " minima", n.nvar);
  d["maximum"] = array(n.maximum, what + " maxima", n.nvar);
  d["values"] = table(n.values, n.entries, n.nvar, what + " values");
  return d;
}

py::dict columnNtuple(const hbook::ColumnNtuple& n) {
  py::dict d;
  d["id"] = n.id;
  d["title"] = latin1(n.title);
  d["kbits"] = n.kbits;
  d["entries"] = n.entries;
  d["buffer_words"] = n.bufferWords;
  py::list blocks, columns;
  for (const std::string& b : n.blocks) blocks.append(latin1(b));
  for (const hbook::Column& c : n.columns) columns.append(column(n, c));
  d["blocks"] = blocks;
  d["columns"] = columns;
  return d;
}

py::list declarations(const hbook::ColumnNtuple& n) {
  py::list out;
  for (const hbook::Column& c : n.columns) out.append(declaration(n, c));
  return out;
}

}  // namespace binding
