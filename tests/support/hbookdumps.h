// Reading the real package's histogram dumps (*.dump.txt and the trimmed
// copies in tests/data/hbook) into Histogram objects. Every number is taken
// from its hex column, so comparisons are bit for bit. A trimmed dump leaves
// out the BIN lines of empty bins and the columns between the bin number and
// the hex content; missing bins are 0.
// Also: the reader's dump --all of a file, and the normalising and trimming
// under which it is compared with the package's object dumps.
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
#include "hbook/print/dumpall/dumpall.h"
#include "hbook/rz/reader.h"

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

inline bool startsWith(const std::string& line, const char* prefix) { return line.rfind(prefix, 0) == 0; }

inline bool isRowLine(const std::string& line) {
  for (const char* p : {"CELL ", "PCH ", "BIN ", "PBIN ", "R ", "C "}) {
    if (startsWith(line, p)) return true;
  }
  return false;
}

// Drops READER and ROWS; with `sampled`, keeps only the ntuple rows a
// sampled dump lists.
inline std::string normalised(const std::string& dump, bool sampled) {
  std::istringstream in(dump);
  std::string out;
  long long entries = 0;
  for (std::string line; std::getline(in, line);) {
    if (startsWith(line, "READER ") || startsWith(line, "ROWS ")) continue;
    if (startsWith(line, "ENTRIES")) entries = std::stoll(line.substr(7));
    if (sampled && (startsWith(line, "R ") || startsWith(line, "C "))) {
      const long long row = std::stoll(line.substr(1, 9));
      if (row > 200 && row % 97 != 0 && row != entries) continue;
    }
    out += line + "\n";
  }
  return out;
}

// The trimmed copies keep the first twelve row lines of each object.
inline std::string trimmed(const std::string& dump) {
  std::istringstream in(dump);
  std::string out;
  int rows = 0;
  for (std::string line; std::getline(in, line);) {
    if (startsWith(line, "OBJECT ")) rows = 0;
    if (isRowLine(line) && ++rows > 12) continue;
    out += line + "\n";
  }
  return out;
}

inline std::string dumpOf(const std::string& path) {
  std::ostringstream out;
  hbook::dumpAll(out, path, hbook::readFile(path));
  return out.str();
}

}  // namespace testsupport
