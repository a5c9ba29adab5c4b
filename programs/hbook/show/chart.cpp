// The column chart of hbook show.
#include "chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "figures.h"
#include "hbook/print/numbers.h"

namespace hbooktool {
namespace {

constexpr int MAX_COLUMNS = 64;  // chart columns; neighbouring bins are averaged into one
constexpr int ROWS = 8;          // chart height in lines

std::string g4(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g", v);
  return buf;
}

// Bars of `rows` lines above (sign +1) or below (sign -1) the axis: a cell is
// '#' where the column reaches the middle of its line, '.' (or ''' below)
// marks a column too small to reach the first one.
void bars(const std::vector<double>& columns, double extent, int rows, int sign, const std::string& edgeLabel,
          std::vector<std::string>& out) {
  for (int k = 0; k < rows; ++k) {
    const int level = sign > 0 ? rows - k : k + 1;  // 1 is next to the axis
    const double threshold = (level - 0.5) / rows * extent;
    std::string line;
    for (double v : columns) {
      const double reach = sign * v;
      if (reach >= threshold)
        line += '#';
      else if (level == 1 && reach > 0)
        line += sign > 0 ? '.' : '\'';
      else
        line += ' ';
    }
    const bool labelled = (sign > 0 && k == 0) || (sign < 0 && k == rows - 1);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out.push_back(padLeft(labelled ? edgeLabel : "", 10) + " |" + line);
  }
}

}  // namespace

std::vector<std::string> chart(const std::vector<float>& contents, float low, float high) {
  const int n = static_cast<int>(contents.size());
  const int group = (n + MAX_COLUMNS - 1) / MAX_COLUMNS;
  std::vector<double> columns;
  for (int first = 0; first < n; first += group) {
    const int last = std::min(n - 1, first + group - 1);
    double sum = 0.0;
    for (int i = first; i <= last; ++i) sum += contents[static_cast<std::size_t>(i)];
    columns.push_back(sum / (last - first + 1));
  }
  // The scale comes from the finite columns; the others are marked '?' on the axis.
  double top = 0.0;
  double bottom = 0.0;
  std::string axis;
  for (double v : columns) {
    if (std::isfinite(v)) {
      top = std::max(top, v);
      bottom = std::min(bottom, v);
    }
    axis += std::isfinite(v) ? '-' : '?';
  }
  if (top == bottom)
    return {axis.find('?') == std::string::npos ? "  every bin is 0" : "  no chart: no finite contents but 0"};
  int upRows = ROWS;
  int downRows = 0;
  if (bottom < 0) {
    upRows = top > 0 ? std::clamp(static_cast<int>(std::lround(ROWS * top / (top - bottom))), 1, ROWS - 1) : 0;
    downRows = ROWS - upRows;
  }
  std::vector<std::string> out;
  if (group > 1) out.push_back("  mean content of each " + std::to_string(group) + " bins:");
  bars(columns, top, upRows, +1, g4(top), out);
  out.push_back(padLeft("0", 10) + " +" + axis);
  bars(columns, -bottom, downRows, -1, g4(bottom), out);
  const std::string lo = hbook::exporting::number(low);
  const std::string hi = hbook::exporting::number(high);
  const std::size_t width = std::max(columns.size(), lo.size() + 1 + hi.size());
  out.push_back(std::string(12, ' ') + lo + padLeft(hi, width - lo.size()));
  return out;
}

}  // namespace hbooktool
