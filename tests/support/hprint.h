// The real package's printout (HPRINT) of the test files, trimmed to what it
// computes (tests/data/hbook/hprint/NAME.hprint-stats.txt: the section and
// page headers, the band and slice lines, the statistics lines), and its two
// number formats.
//
// A section ("=== id N" or "=== dir /P id N") holds the pages of one object:
// a 1-D histogram or profile one page (its statistics on the last page of a
// long one); a 2-D histogram first the page of its statistics box (ENTRIES
// and the sums of the nine regions of its cells), then one page per
// projection, slice and band, in the order PROX, PROY, slices, X bands, Y bands.
#pragma once

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

struct HprintPage {
  std::string label;                             // "", "PROJECTION X", "BAND Y", "SLICE X", ...
  std::map<std::string, std::string> figures;    // "ENTRIES", "ALL CHANNELS", "MEAN VALUE", ... (1-D statistics)
  std::vector<std::array<std::string, 3>> grid;  // 2-D box: rows y above, inside, below; columns x below, inside, above
  std::string entries2d;                         // ENTRIES of the 2-D box
};

struct HprintSection {
  std::string directory = "/";
  int id = 0;
  bool noEntries = false;  // "NO ENTRIES FOR HISTOGRAM"
  std::vector<HprintPage> pages;
};

// The printouts, and the file each was made from.
inline const char* const HPRINT_FILES[] = {"golden-run", "mixed",  "lam",     "sq",       "run-853739",
                                           "varbins",    "bandy",  "profp",   "packproj", "packed1d",
                                           "hbarx",      "cycles", "deepdirs"};

inline std::string hprintedFile(const std::string& name) {
  const std::string data = std::string(TARN_TEST_DATA) + "/hbook/";
  for (const char* top : {"golden-run", "mixed", "lam", "sq"}) {
    if (name == top) return data + name + ".hbook";
  }
  if (name == "run-853739") return data + "hprint/" + name + ".hbook";
  return data + "layouts/" + name + ".hbook";
}

// A test name for a printout ("golden_run").
inline std::string hprintTestName(std::string name) {
  for (char& c : name) c = c == '-' ? '_' : c;
  return name;
}

inline std::string hprintTrim(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : s.substr(first, s.find_last_not_of(' ') - first + 1);
}

inline std::vector<HprintSection> readHprint(const std::string& name) {
  const std::string path = std::string(TARN_TEST_DATA) + "/hbook/hprint/" + name + ".hprint-stats.txt";
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::vector<HprintSection> out;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("=== ", 0) == 0) {
      HprintSection s;
      const auto dir = line.find("dir ");
      const auto id = line.find("id ");
      if (dir != std::string::npos) s.directory = line.substr(dir + 4, line.find(' ', dir + 4) - dir - 4);
      s.id = std::stoi(line.substr(id + 3));
      out.push_back(s);
    } else if (out.empty()) {
      continue;
    } else if (line.find("NO ENTRIES") != std::string::npos) {
      out.back().noEntries = true;
    } else if (line.rfind(" HBOOK     ID =", 0) == 0) {
      HprintPage p;
      const auto date = line.find("DATE");
      p.label = hprintTrim(line.substr(25, date - 25));  // after " HBOOK     ID =" and the I10 id
      out.back().pages.push_back(p);
    } else if (line.rfind("  * ", 0) == 0 && !out.back().pages.empty()) {
      HprintPage& p = out.back().pages.back();
      const auto entries = line.find("ENTRIES =");
      if (entries != std::string::npos) p.entries2d = hprintTrim(line.substr(entries + 9, 10));
      if (line.size() > 61 && line[61] == 'I' && line.find("---") == std::string::npos) {
        const std::string padded = line + std::string(81, ' ');
        p.grid.push_back({padded.substr(52, 9), padded.substr(62, 9), padded.substr(72, 9)});
      }
    } else if (line.rfind(" * ", 0) == 0 && !out.back().pages.empty()) {
      // " * LABEL = value      * LABEL =value ..."
      for (std::size_t star = line.find(" * "); star != std::string::npos;) {
        const std::size_t next = line.find(" * ", star + 3);
        const std::string field =
            line.substr(star + 3, next == std::string::npos ? std::string::npos : next - star - 3);
        const std::size_t eq = field.find('=');
        if (eq != std::string::npos)
          out.back().pages.back().figures[hprintTrim(field.substr(0, eq))] = hprintTrim(field.substr(eq + 1));
        star = next;
      }
    }
  }
  return out;
}

// 0.dddd E+xx, as the printout writes a value (Fortran E10.4).
inline std::string fortranE4(double v) {
  if (v == 0.0) return "0.0000E+00";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3E", std::fabs(v));  // d.dddE+xx
  const int exponent = std::stoi(buf + 6) + 1;
  const std::string digits = std::string(1, buf[0]) + std::string(buf + 2, 3);
  std::snprintf(buf, sizeof buf, "%s0.%sE%+03d", v < 0 ? "-" : "", digits.c_str(), exponent);
  return buf;
}

// A field of the 2-D statistics box: F9.3 with the trailing zeros of the
// decimals (and a point left alone) blanked; blank for 0.
inline std::string fortranBox(double v) {
  if (v == 0.0) return std::string(9, ' ');
  char buf[32];
  std::snprintf(buf, sizeof buf, "%9.3f", v);
  std::string s = buf;
  std::size_t end = s.size();
  while (end > 0 && s[end - 1] == '0') --end;
  if (end > 0 && s[end - 1] == '.') --end;
  return s.substr(0, end) + std::string(s.size() - end, ' ');
}

}  // namespace testsupport
