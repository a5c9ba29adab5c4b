// hbook show of a 2-D histogram: binning, entries, the sums of the nine
// regions of its cells (the package's statistics box), then each projection,
// slice and band with its figures.
#include <iostream>

#include "figures.h"
#include "hbook/print/numbers.h"
#include "show.h"

namespace hbooktool::show {
namespace {

using hbook::exporting::number;

std::string axis(const char* name, std::int32_t n, float low, float high) {
  return std::string(name) + " " + std::to_string(n) + (n == 1 ? " bin of " : " bins of ") +
         number((high - low) / static_cast<float>(n)) + " from " + number(low) + " to " + number(high);
}

// Limits of slice i (1-based) of n over low..high.
std::pair<float, float> sliceLimits(int i, int n, float low, float high) {
  const float width = (high - low) / static_cast<float>(n);
  return {low + static_cast<float>(i - 1) * width, i == n ? high : low + static_cast<float>(i) * width};
}

// "x band 1, 0.2 <= y < 0.6", "projection on y", "y slice 2, 1.5 <= x < 3".
std::string label(const hbook::Histogram2D& h, const hbook::Projection& p, int number1, int count) {
  const bool onX = p.onX();
  const char* along = onX ? "x" : "y";
  const char* across = onX ? "y" : "x";
  if (p.name.rfind("PRO", 0) == 0) return std::string("projection on ") + along;
  if (p.name.rfind("BAN", 0) == 0) {
    return std::string(along) + " band " + std::to_string(number1) + ", " + number(p.low) + " <= " + across + " < " +
           number(p.high);
  }
  const auto [lo, hi] = onX ? sliceLimits(number1, count, h.ymin, h.ymax) : sliceLimits(number1, count, h.xmin, h.xmax);
  return std::string(along) + " slice " + std::to_string(number1) + ", " + number(lo) + " <= " + across + " < " +
         number(hi);
}

void projections(const hbook::Histogram2D& h, const std::vector<hbook::Projection>& list) {
  int k = 0;
  for (const hbook::Projection& p : list) {
    std::cout << "  " << p.name << ": " << label(h, p, ++k, static_cast<int>(list.size()))
              << (p.nbit < 32 ? ", packed counts" : "") << "\n";
    figures(hbook::summarise(h, p), "    ");
  }
}

}  // namespace

void histogram2D(const hbook::Histogram2D& h) {
  heading(h.id, h.title);
  std::cout << "  " << (h.table() ? "table" : "2-D histogram") << ", " << axis("x", h.nx, h.xmin, h.xmax) << ",\n"
            << "  " << std::string(h.table() ? 5 : 13, ' ') << "  " << axis("y", h.ny, h.ymin, h.ymax)
            << (h.nbit < 32 ? ", packed counts" : "") << (h.sumw2.empty() ? "" : ", sum of squared weights stored")
            << "\n";
  std::cout << "  entries " << h.entries << "\n";
  const hbook::RegionSums r = hbook::regionSums(h);
  const std::string ymin = number(h.ymin);
  const std::string ymax = number(h.ymax);
  const std::string rows[3] = {"y < " + ymin, "in y", "y >= " + ymax};
  std::size_t w = 12;
  for (const std::string& s : rows) w = std::max(w, s.size() + 2);
  std::cout << "  " << padLeft("", w) << padLeft("x < " + number(h.xmin), 14) << padLeft("in x", 14)
            << padLeft("x >= " + number(h.xmax), 14) << "\n";
  for (int y = 2; y >= 0; --y) {
    std::cout << "  " << padLeft(rows[y], w);
    for (int x = 0; x < 3; ++x) std::cout << padLeft(number(r.sum[y][x]), 14);
    std::cout << "\n";
  }
  projections(h, h.projectionsX);
  projections(h, h.projectionsY);
  projections(h, h.slicesX);
  projections(h, h.slicesY);
  projections(h, h.bandsX);
  projections(h, h.bandsY);
}

}  // namespace hbooktool::show
