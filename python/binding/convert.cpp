// Helpers shared by the conversions of every object kind.
#include "convert.h"

namespace binding {

void checkLength(std::size_t size, std::int64_t expected, const std::string& what) {
  if (expected >= 0 && static_cast<std::int64_t>(size) != expected) {
    throw py::value_error(what + ": " + std::to_string(size) + " values where " + std::to_string(expected) +
                          " are expected");
  }
}

py::str latin1(const std::string& s) {
  return py::reinterpret_steal<py::str>(PyUnicode_DecodeLatin1(s.data(), static_cast<py::ssize_t>(s.size()), nullptr));
}

}  // namespace binding
