// hbook ls FILE: every object of every directory with its kind, id, shape,
// entries and title.
#include <cstdio>

#include "tool.h"

namespace hbooktool {

int commandLs(const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError{"ls wants one FILE"};
  const hbook::ReadResult file = load(args[0]);
  std::printf("%-12s %10s %-7s %-36s %10s  %s\n", "DIRECTORY", "ID", "KIND", "SHAPE", "ENTRIES", "TITLE");
  for (const hbook::Directory& d : file.directories) {
    for (const hbook::ObjectRef& o : d.objects) {
      const bool errors = o.kind == hbook::ObjectKind::Histogram1D   ? !d.histograms[o.index].sumw2.empty()
                          : o.kind == hbook::ObjectKind::Histogram2D ? !d.histograms2d[o.index].sumw2.empty()
                                                                      : false;
      std::printf("%-12s %10d %-7s %-36s %10lld  %s%s\n", d.path.c_str(), o.id, hbook::kindName(o.kind), d.shape(o).c_str(),
                  static_cast<long long>(d.entries(o)), d.title(o).c_str(), errors ? "  [errors]" : "");
    }
  }
  return 0;
}

}  // namespace hbooktool
