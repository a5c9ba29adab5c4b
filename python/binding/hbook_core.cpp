// hbook._core: the project's HBOOK reader, writer and printed statistics for
// Python. Only data crosses: hbook::Histogram with numpy copies of its
// arrays (float32, the file's precision), every other object kind as a dict
// of numpy copies (convert.h), the read result, the statistics. The Python
// package hbook builds its objects on top of this module.
// hbook::FileError arrives in Python as hbook.FileError (an OSError) with
// the C++ message; arrays of the wrong length are refused with ValueError
// before any C++ code sees them.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>
#include <vector>

#include "convert.h"
#include "hbook/objects/histogram.h"
#include "hbook/print/statistics.h"
#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"
#include "hbook/memory/ntuplebuilder.h"

namespace py = pybind11;

namespace {

using FloatArray = py::array_t<float, py::array::c_style | py::array::forcecast>;

py::array_t<float> toArray(const std::vector<float>& v) {
  return py::array_t<float>(static_cast<py::ssize_t>(v.size()), v.data());
}

std::vector<float> fromArray(const FloatArray& a, const char* what) {
  if (a.ndim() != 1) throw py::value_error(std::string(what) + " must be one-dimensional");
  return std::vector<float>(a.data(), a.data() + a.size());
}

// Every array has the length its bin count asks for, or the histogram is refused.
void checkShape(const hbook::Histogram& h) {
  const std::string what = "histogram " + std::to_string(h.id) + ": ";
  if (h.nx < 1) throw py::value_error(what + "number of bins " + std::to_string(h.nx) + " is not positive");
  if (h.channels.size() != static_cast<std::size_t>(h.nx) + 2)
    throw py::value_error(what + std::to_string(h.channels.size()) + " channels for " + std::to_string(h.nx) +
                          " bins (bins plus underflow and overflow expected)");
  if (!h.edges.empty() && h.edges.size() != static_cast<std::size_t>(h.nx) + 1)
    throw py::value_error(what + std::to_string(h.edges.size()) + " bin edges for " + std::to_string(h.nx) + " bins");
  if (!h.sumw2.empty() && h.sumw2.size() != static_cast<std::size_t>(h.nx))
    throw py::value_error(what + std::to_string(h.sumw2.size()) + " sums of squared weights for " +
                          std::to_string(h.nx) + " bins");
}

// Titles and messages may hold any byte a damaged file carries: decoded so
// that every byte becomes one character (titles, binding::latin1) or a
// replacement mark (messages), never a decoding error.
using binding::latin1;

std::string fromLatin1(const py::str& s) {
  PyObject* bytes = PyUnicode_AsLatin1String(s.ptr());
  if (bytes == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::bytes>(bytes).cast<std::string>();
}

py::object sumw2OrNone(const hbook::Histogram& h) {
  if (h.sumw2.empty()) return py::none();
  return toArray(h.sumw2);
}

}  // namespace

PYBIND11_MODULE(_core, m) {
  m.doc() = "HBOOK files through the project's C++ reader and writer";
  static py::exception<hbook::FileError> fileError(m, "FileError", PyExc_OSError);
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const hbook::FileError& e) {
      const std::string what = e.what();
      py::object message = py::reinterpret_steal<py::object>(
          PyUnicode_DecodeUTF8(what.data(), static_cast<py::ssize_t>(what.size()), "replace"));
      PyErr_SetObject(fileError.ptr(), message.ptr());
    }
  });

  py::class_<hbook::Histogram>(m, "Histogram", "A 1-D histogram as the file holds it")
      .def(py::init<>())
      .def_readwrite("id", &hbook::Histogram::id)
      .def_property(
          "title", [](const hbook::Histogram& h) { return latin1(h.title); },
          [](hbook::Histogram& h, const py::str& t) { h.title = fromLatin1(t); }, "one character per byte (Latin-1)")
      .def_readwrite("nx", &hbook::Histogram::nx)
      .def_readwrite("xmin", &hbook::Histogram::xmin)
      .def_readwrite("xmax", &hbook::Histogram::xmax)
      .def_readwrite("kbits", &hbook::Histogram::kbits)
      .def_readwrite("minimum", &hbook::Histogram::minimum)
      .def_readwrite("maximum", &hbook::Histogram::maximum)
      .def_readwrite("norm", &hbook::Histogram::norm)
      .def_readwrite("entries", &hbook::Histogram::entries)
      .def_readwrite("stat_sum_w", &hbook::Histogram::statSumW)
      .def_readwrite("stat_sum_w2", &hbook::Histogram::statSumW2)
      .def_readwrite("stat_sum_wx", &hbook::Histogram::statSumWX)
      .def_readwrite("stat_sum_wx2", &hbook::Histogram::statSumWX2)
      .def_readwrite("read_from_file", &hbook::Histogram::readFromFile)
      .def_readonly("marked_as_read", &hbook::Histogram::markedAsRead,
                    "the file marked it as read from a file by its writer (a program's inputs)")
      .def_readwrite("nbit", &hbook::Histogram::nbit)
      .def_property(
          "edges",
          [](const hbook::Histogram& h) -> py::object {
            if (h.edges.empty()) return py::none();
            return toArray(h.edges);
          },
          [](hbook::Histogram& h, const py::object& a) {
            h.edges = a.is_none() ? std::vector<float>{} : fromArray(a.cast<FloatArray>(), "edges");
          },
          "nx + 1 bin edges of variable bins, or None for equal bins (float32 copy)")
      .def_property(
          "channels", [](const hbook::Histogram& h) { return toArray(h.channels); },
          [](hbook::Histogram& h, const FloatArray& a) { h.channels = fromArray(a, "channels"); },
          "underflow, bins 1..nx, overflow (float32 copy)")
      .def_property(
          "sumw2", sumw2OrNone,
          [](hbook::Histogram& h, const py::object& a) {
            h.sumw2 = a.is_none() ? std::vector<float>{} : fromArray(a.cast<FloatArray>(), "sumw2");
          },
          "sums of squared weights of bins 1..nx, or None (float32 copy)")
      .def("__repr__", [](const hbook::Histogram& h) {
        return "<hbook._core.Histogram " + std::to_string(h.id) + ", " + std::to_string(h.nx) + " bins>";
      });

  py::class_<hbook::SkippedObject>(m, "SkippedObject")
      .def_readonly("id", &hbook::SkippedObject::id)
      .def_readonly("note", &hbook::SkippedObject::note);

  py::class_<hbook::ReadResult>(m, "ReadResult")
      .def_readonly("histograms", &hbook::ReadResult::histograms)
      .def_readonly("skipped", &hbook::ReadResult::skipped)
      .def_readonly("record_words", &hbook::ReadResult::recordWords)
      .def_readonly("objects", &hbook::ReadResult::objects);

  py::class_<hbook::Summary>(m, "Summary", "The statistics the package prints under a histogram")
      .def_readonly("entries", &hbook::Summary::entries)
      .def_readonly("in_range", &hbook::Summary::inRange)
      .def_readonly("underflow", &hbook::Summary::underflow)
      .def_readonly("overflow", &hbook::Summary::overflow)
      .def_readonly("bin_width", &hbook::Summary::binWidth)
      .def_readonly("mean", &hbook::Summary::mean)
      .def_readonly("rms", &hbook::Summary::rms)
      .def_property_readonly("no_entries", &hbook::Summary::noEntries)
      .def_property_readonly("cumulative", &hbook::Summary::cumulative)
      .def("__repr__", [](const hbook::Summary& s) {
        return "<Summary entries " + std::to_string(s.entries) + ", mean " +
               py::repr(py::float_(s.mean)).cast<std::string>() + ", rms " +
               py::repr(py::float_(s.rms)).cast<std::string>() + ">";
      });

  m.def("read_file", &hbook::readFile, py::arg("path"),
        "The 1-D histograms of a file's top directory; raises FileError");
  m.def(
      "read_objects",
      [](const std::string& path) {
        const hbook::ReadResult result = hbook::readFile(path);
        py::dict out;
        out["record_words"] = result.recordWords;
        out["top_directory"] = result.topDirectory;
        py::list skipped, directories;
        for (const hbook::SkippedObject& s : result.skipped) skipped.append(latin1(s.note));
        for (const hbook::Directory& d : result.directories) directories.append(binding::directory(d));
        out["skipped"] = skipped;
        out["directories"] = directories;
        return out;
      },
      py::arg("path"),
      "Every object of every directory, breadth first from the top one: {record_words, skipped (notes), "
      "directories: [{path, subdirectories, objects: [(kind, object)]}]}; raises FileError");
  m.def(
      "write_file",
      [](const std::string& path, const std::vector<hbook::Histogram>& histograms) {
        std::vector<const hbook::Histogram*> pointers;
        for (const hbook::Histogram& h : histograms) {
          checkShape(h);
          pointers.push_back(&h);
        }
        return hbook::writeFile(path, pointers, false);
      },
      py::arg("path"), py::arg("histograms"),
      "Write a new file; False (and nothing written) if the path exists. Raises FileError");
  m.def(
      "write_objects",
      [](const std::string& path, const py::list& directories, int recordWords, const std::string& top) {
        std::vector<hbook::Directory> dirs;
        for (const py::handle& d : directories) dirs.push_back(binding::directoryFrom(d.cast<py::dict>()));
        for (const hbook::Directory& d : dirs) {
          for (const hbook::Histogram& h : d.histograms) checkShape(h);
        }
        hbook::WriteOptions o;
        o.recordWords = recordWords;
        o.topDirectory = top;
        return hbook::writeFile(path, dirs, o);
      },
      py::arg("path"), py::arg("directories"), py::arg("record_words") = 1024, py::arg("top_directory") = "HRPUT",
      "Write every directory ({path, subdirectories, objects: [(kind, object)]}, as read_objects gives them) to a "
      "new file; False (and nothing written) if the path exists. Raises FileError");
  m.def(
      "declare_block",
      [](std::int32_t id, const std::string& block, const std::string& form) {
        hbook::NtupleBuilder b(id, "");
        b.block(block, form);
        return binding::declarations(b.ntuple());
      },
      py::arg("id"), py::arg("block"), py::arg("form"),
      "The variables HBNAME would declare from a form: their dicts without values; raises FileError");
  m.def(
      "profile_values",
      [](const py::dict& d) {
        const hbook::Profile p = binding::profileFrom(d);
        std::vector<float> means, errors;
        for (int b = 1; b <= p.nx; ++b) {
          means.push_back(p.mean(b));
          errors.push_back(p.error(b));
        }
        return py::make_tuple(toArray(means), toArray(errors));
      },
      py::arg("profile"), "The means and errors the package's HI and HIE give for a profile's sums");
  m.def(
      "summarise",
      [](const hbook::Histogram& h) {
        checkShape(h);
        return hbook::summarise(h);
      },
      py::arg("histogram"));
  m.def(
      "increments",
      [](const hbook::Histogram& h) {
        checkShape(h);
        return hbook::increments(h);
      },
      py::arg("histogram"));
}
