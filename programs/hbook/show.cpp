// hbook show FILE [ID...]: each histogram's binning and statistics (as the
// package prints them, see summary.h) and a column chart within 80 columns.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "hbook/print/statistics.h"
#include "tool.h"

namespace hbooktool {
namespace {

constexpr int MAX_COLUMNS = 64;  // chart columns; neighbouring bins are averaged into one
constexpr int ROWS = 8;          // chart height in lines

std::string g6(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

std::string g4(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g", v);
  return buf;
}

std::string padLeft(const std::string& s, std::size_t width) {
  return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
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
      if (reach >= threshold) line += '#';
      else if (level == 1 && reach > 0) line += sign > 0 ? '.' : '\'';
      else line += ' ';
    }
    const bool labelled = (sign > 0 && k == 0) || (sign < 0 && k == rows - 1);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out.push_back(padLeft(labelled ? edgeLabel : "", 10) + " |" + line);
  }
}

std::vector<std::string> chart(const hbook::Histogram& h) {
  const int group = (h.nx + MAX_COLUMNS - 1) / MAX_COLUMNS;
  std::vector<double> columns;
  for (int first = 1; first <= h.nx; first += group) {
    const int last = std::min(h.nx, first + group - 1);
    double sum = 0.0;
    for (int i = first; i <= last; ++i) sum += h.content(i);
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
  if (top == bottom) return {axis.find('?') == std::string::npos ? "  every bin is 0" : "  no chart: no finite contents but 0"};
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
  const std::string low = g6(h.xmin);
  const std::string high = g6(h.xmax);
  const std::size_t width = std::max(columns.size(), low.size() + 1 + high.size());
  out.push_back(std::string(12, ' ') + low + padLeft(high, width - low.size()));
  return out;
}

void show(const hbook::Histogram& h) {
  const hbook::Summary s = hbook::summarise(h);
  const std::string head = "id " + std::to_string(h.id);
  // Titles run to 80 characters: such a title gets a line of its own.
  std::cout << head << (head.size() + 2 + h.title.size() > 80 ? "\n" : "  ") << h.title << "\n";
  std::cout << "  " << h.nx << (h.nx == 1 ? " bin of " : " bins of ") << g6(s.binWidth) << " from " << g6(h.xmin) << " to " << g6(h.xmax)
            << (h.sumw2.empty() ? "" : ", sum of squared weights stored") << "\n";
  if (s.cumulative()) {
    std::cout << "  cumulative (entries -1): the sampler has replaced the contents by their\n"
                 "  running sum normalised to 1, so they are not a distribution.\n"
              << "  last bin " << g6(h.content(h.nx)) << "   underflow " << g6(s.underflow) << "   overflow "
              << g6(s.overflow) << "\n";
    const hbook::Histogram steps = hbook::increments(h);
    const hbook::Summary d = hbook::summarise(steps);
    std::cout << "  steps of the running sum (the distribution that was sampled):\n"
              << "  mean " << g6(d.mean) << "   rms " << g6(d.rms) << "\n";
    for (const std::string& line : chart(steps)) std::cout << line << "\n";
    return;
  }
  std::cout << "  entries " << s.entries << "   in range " << g6(s.inRange) << "   underflow " << g6(s.underflow)
            << "   overflow " << g6(s.overflow) << "\n";
  if (s.noEntries()) {
    std::cout << "  no entries\n";
    return;
  }
  std::cout << "  mean " << g6(s.mean) << "   rms " << g6(s.rms) << "\n";
  for (const std::string& line : chart(h)) std::cout << line << "\n";
}

}  // namespace

int commandShow(const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError{"show wants FILE [ID...]"};
  const std::string& path = args[0];
  std::vector<std::int32_t> ids;
  for (std::size_t i = 1; i < args.size(); ++i) ids.push_back(idArgument(args[i]));
  const hbook::ReadResult file = load(path);
  std::vector<const hbook::Histogram*> chosen;
  if (ids.empty()) {
    for (const hbook::Histogram& h : file.histograms) chosen.push_back(&h);
  } else {
    for (std::int32_t id : ids) chosen.push_back(&findId(file, path, id));
  }
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    if (i > 0) std::cout << "\n";
    show(*chosen[i]);
  }
  return 0;
}

}  // namespace hbooktool
