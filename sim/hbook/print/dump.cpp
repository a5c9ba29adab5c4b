// Text dump of HBOOK histograms in the layout of the reference dumps.
#include "hbook/print/dump.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>

namespace hbook {

std::string fortranES16(float value) {
  if (std::isnan(value)) return "             NaN";
  if (std::isinf(value)) return value > 0 ? "        Infinity" : "       -Infinity";
  char buf[48];
  std::snprintf(buf, sizeof buf, "%16.8E", static_cast<double>(value));
  return buf;
}

namespace {
std::string hex(float value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", std::bit_cast<std::uint32_t>(value));
  return buf;
}
}  // namespace

std::string dumpHistogram(const Histogram& h) {
  std::string title = h.title;
  title.erase(title.find_last_not_of(' ') + 1);
  std::string out;
  out += "ID " + std::to_string(h.id) + "\n";
  out += "TITLE \"" + title + "\"\n";
  out += "TITLE_LEN " + std::to_string(title.size()) + " TITLE_WORDS " + std::to_string((title.size() + 3) / 4) + "\n";
  out += "NBINS " + std::to_string(h.nx) + "\n";
  out += "XMIN " + fortranES16(h.xmin) + " " + hex(h.xmin) + "\n";
  out += "XMAX " + fortranES16(h.xmax) + " " + hex(h.xmax) + "\n";
  out += "ENTRIES " + std::to_string(h.entries) + "\n";
  out += "UNDERFLOW " + fortranES16(h.underflow()) + " " + hex(h.underflow()) + "\n";
  out += "OVERFLOW " + fortranES16(h.overflow()) + " " + hex(h.overflow()) + "\n";
  out += "# bin lowedge content error content_hex\n";
  for (int i = 1; i <= h.nx; ++i) {
    const float low = h.lowEdge(i);
    const float content = h.channels[static_cast<std::size_t>(i)];
    const float error =
        h.sumw2.empty() ? std::sqrt(std::fabs(content)) : std::sqrt(h.sumw2[static_cast<std::size_t>(i - 1)]);
    char num[16];
    std::snprintf(num, sizeof num, "%6d", i);
    out += std::string("BIN") + num + " " + fortranES16(low) + " " + fortranES16(content) + " " + fortranES16(error) +
           " " + hex(content) + "\n";
  }
  out += "END " + std::to_string(h.id) + "\n";
  return out;
}

std::string dumpFile(const std::string& path, const ReadResult& file) {
  const std::size_t slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::vector<const Histogram*> sorted;
  for (const Histogram& h : file.histograms) sorted.push_back(&h);
  std::stable_sort(sorted.begin(), sorted.end(), [](const Histogram* a, const Histogram* b) { return a->id < b->id; });
  std::string out = "FILE " + name + "\n";
  out += "LRECL_WORDS " + std::to_string(file.recordWords) + "\n";
  out += "NHIST1D " + std::to_string(file.histograms.size()) + " NHISTALL " + std::to_string(file.allHistograms) + "\n";
  for (const Histogram* h : sorted) out += "\n" + dumpHistogram(*h);
  return out;
}

}  // namespace hbook
