// The histogram memory: every histogram of the run, in booking order.
//
// Store is the plain C++ face used by tests, tools and the run report; the
// upper-case entries of hbook.h are a thin layer over the run-level store.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "histogram.h"

namespace hbook {

class Store {
 public:
  explicit Store(std::int64_t limitWords = 1000000);

  // HBOOK1: book a 1-D histogram with unpacked single-precision contents.
  // Returns false (and prints the package's message) when id exists.
  bool book(std::int32_t id, std::string_view title, std::int32_t nx, float xmin, float xmax);

  // HF1: fill with weight w. x below xmin -> underflow; x >= xmax, +Inf or NaN
  // -> overflow; -Inf -> underflow. The entry is counted. Unknown id: nothing.
  void fill(std::int32_t id, float x, float w);

  // HRNDM1: a value distributed like the contents of id (see hrndm1.cpp).
  float random(std::int32_t id);

  // HDELET: false (and the package's message) for an unknown id.
  bool remove(std::int32_t id);

  // HCOPYR(id1, id2, title, ifirst, ilast, 0, 0, option).
  void copyRange(std::int32_t id1, std::int32_t id2, std::string_view title, std::int32_t ifirst,
                 std::int32_t ilast);

  // Insert a histogram read from a file (replaces an existing id, keeping its place).
  void put(Histogram h);

  const Histogram* find(std::int32_t id) const;
  Histogram* find(std::int32_t id);
  std::vector<const Histogram*> all() const;  // booking order
  void clear();

  // PRIVATE_STATE
};

// The run-level histogram memory behind the upper-case entries.
Store& memory();

}  // namespace hbook
