// hbook show FILE [ID|/DIR/ID ...]: every object of every directory (or the
// ones asked for, in that order) with the figures the package prints under
// it (print/statistics.h); objects the reader could not read are named.
#include <iostream>

#include "tool.h"
#include "show.h"

namespace hbooktool {
namespace {

void showObject(const hbook::Directory& d, const hbook::ObjectRef& o) {
  const std::size_t k = o.index;
  switch (o.kind) {
    case hbook::ObjectKind::Histogram1D: show::histogram1D(d.histograms[k]); break;
    case hbook::ObjectKind::Histogram2D: show::histogram2D(d.histograms2d[k]); break;
    case hbook::ObjectKind::Profile: show::profile(d.profiles[k]); break;
    case hbook::ObjectKind::RowNtuple: show::rowNtuple(d.rowNtuples[k]); break;
    case hbook::ObjectKind::ColumnNtuple: show::columnNtuple(d.columnNtuples[k]); break;
  }
}

const hbook::SkippedObject* skipped(const hbook::ReadResult& file, const ObjectAddress& a) {
  for (const hbook::SkippedObject& s : file.skipped) {
    if (s.id == a.id && s.directory == a.directory) return &s;
  }
  return nullptr;
}

void notShown(const hbook::SkippedObject& s) { std::cout << "not shown: " << s.note << "\n"; }

}  // namespace

int commandShow(const std::vector<std::string>& args) {
  if (args.empty()) throw UsageError{"show wants FILE [ID...]"};
  const std::string& path = args[0];
  std::vector<ObjectAddress> asked;
  for (std::size_t i = 1; i < args.size(); ++i) asked.push_back(objectArgument(args[i]));
  const hbook::ReadResult file = hbook::readFile(path);
  bool first = true;
  auto separate = [&] {
    if (!first) std::cout << "\n";
    first = false;
  };
  if (!asked.empty()) {
    for (const ObjectAddress& a : asked) {
      if (const hbook::SkippedObject* s = skipped(file, a)) {
        separate();
        notShown(*s);
        continue;
      }
      const Found f = findObject(file, path, a);
      separate();
      showObject(*f.directory, *f.object);
    }
    return 0;
  }
  const bool several = file.directories.size() > 1;
  for (const hbook::Directory& d : file.directories) {
    if (several) {
      separate();
      std::cout << "directory " << d.path << "\n";
    }
    for (const hbook::ObjectRef& o : d.byId()) {
      separate();
      showObject(d, o);
    }
    for (const hbook::SkippedObject& s : file.skipped) {
      if (s.directory != d.path) continue;
      separate();
      notShown(s);
    }
  }
  return 0;
}

}  // namespace hbooktool
