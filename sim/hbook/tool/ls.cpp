// hbook ls FILE: id, bins, range, entries and title of each 1-D histogram.
#include <cstdio>

#include "tool.h"

namespace hbooktool {

int commandLs(const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError{"ls wants one FILE"};
  const hbook::ReadResult file = load(args[0]);
  std::printf("%10s %8s %15s %15s %10s  %s\n", "ID", "NBINS", "XMIN", "XMAX", "ENTRIES", "TITLE");
  for (const hbook::Histogram& h : file.histograms) {
    std::printf("%10d %8d %15s %15s %10d  %s%s\n", h.id, h.nx, g9(h.xmin).c_str(), g9(h.xmax).c_str(), h.entries,
                h.title.c_str(), h.sumw2.empty() ? "" : "  [errors]");
  }
  return 0;
}

}  // namespace hbooktool
