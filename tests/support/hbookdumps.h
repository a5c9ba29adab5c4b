// Reading the real package's histogram dumps (*.dump.txt and the trimmed
// copies in tests/data/hbook) into Histogram objects. Every number is taken
// from its hex column, so comparisons are bit for bit. A trimmed dump leaves
// out the BIN lines of empty bins and the columns between the bin number and
// the hex content; missing bins are 0.
#pragma once

#include <bit>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "hbook/objects/histogram.h"

namespace testsupport {

inline std::string dataPath(const std::string& name) { return std::string(TARN_TEST_DATA) + "/hbook/" + name; }

inline float fromHex(const std::string& hex) {
  return std::bit_cast<float>(static_cast<std::uint32_t>(std::stoul(hex, nullptr, 16)));
}

inline std::uint32_t bitsOf(float f) { return std::bit_cast<std::uint32_t>(f); }

// Histograms of a dump by id.
inline std::map<std::int32_t, hbook::Histogram> readDump(const std::string& name) {
  std::ifstream in(dataPath(name));
  if (!in) throw std::runtime_error("cannot open " + dataPath(name));
  std::map<std::int32_t, hbook::Histogram> result;
  hbook::Histogram h;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    std::string key;
    s >> key;
    std::vector<std::string> rest;
    for (std::string t; s >> t;) rest.push_back(t);
    if (key == "ID") {
      h = hbook::Histogram();
      h.id = std::stoi(rest.at(0));
    } else if (key == "TITLE") {
      const auto first = line.find('"'), last = line.rfind('"');
      h.title = line.substr(first + 1, last - first - 1);
    } else if (key == "NBINS") {
      h.nx = std::stoi(rest.at(0));
      h.channels.assign(static_cast<std::size_t>(h.nx) + 2, 0.0f);
    } else if (key == "XMIN") {
      h.xmin = fromHex(rest.back());
    } else if (key == "XMAX") {
      h.xmax = fromHex(rest.back());
    } else if (key == "ENTRIES") {
      h.entries = std::stoi(rest.at(0));
    } else if (key == "UNDERFLOW") {
      h.channels.front() = fromHex(rest.back());
    } else if (key == "OVERFLOW") {
      h.channels.back() = fromHex(rest.back());
    } else if (key == "BIN") {
      h.channels.at(static_cast<std::size_t>(std::stoi(rest.at(0)))) = fromHex(rest.back());
    } else if (key == "END") {
      result[h.id] = h;
    }
  }
  return result;
}

}  // namespace testsupport
