// What crosses from the C++ reader to Python: numpy copies of the value
// arrays (in the file's precision) and plain dicts, one per object, which the
// Python classes of the package hbook are built from. Every array is checked
// against the shape its object declares; a mismatch is a ValueError, never
// an out-of-bounds read.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "hbook/objects/directory.h"

namespace binding {

namespace py = pybind11;

// ValueError unless size equals expected (any size when expected < 0).
void checkLength(std::size_t size, std::int64_t expected, const std::string& what);

// A 1-D numpy copy of v, its length checked when `expected` is given.
template <typename T>
py::array_t<T> array(const std::vector<T>& v, const std::string& what, std::int64_t expected = -1) {
  checkLength(v.size(), expected, what);
  return py::array_t<T>(static_cast<py::ssize_t>(v.size()), v.data());
}

// A (rows, columns) numpy copy of v, row-major.
template <typename T>
py::array_t<T> table(const std::vector<T>& v, std::int64_t rows, std::int64_t columns, const std::string& what) {
  if (rows < 0 || columns < 0 || static_cast<std::int64_t>(v.size()) != rows * columns) {
    throw py::value_error(what + ": " + std::to_string(v.size()) + " values for " + std::to_string(rows) + " x " +
                          std::to_string(columns));
  }
  return py::array_t<T>({static_cast<py::ssize_t>(rows), static_cast<py::ssize_t>(columns)}, v.data());
}

// Text as the file holds it: one character per byte (Latin-1), never a decoding error.
py::str latin1(const std::string& s);

py::dict histogram2d(const hbook::Histogram2D& h);
py::dict profile(const hbook::Profile& p);
py::dict rowNtuple(const hbook::RowNtuple& n);
py::dict columnNtuple(const hbook::ColumnNtuple& n);
// The declarations of its variables: the column dicts without values.
py::list declarations(const hbook::ColumnNtuple& n);
// {"path", "subdirectories", "objects": [(kind, C++ object or dict)] in key order}
py::dict directory(const hbook::Directory& d);

// The other way, for the writer (writing.cpp): the same dicts back into the
// plain types; ValueError for an array of the wrong length.
hbook::Histogram2D histogram2dFrom(const py::dict& d);
hbook::Profile profileFrom(const py::dict& d);
hbook::RowNtuple rowNtupleFrom(const py::dict& d);
hbook::ColumnNtuple columnNtupleFrom(const py::dict& d);
hbook::Directory directoryFrom(const py::dict& d);

}  // namespace binding
