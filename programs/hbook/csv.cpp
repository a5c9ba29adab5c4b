// hbook csv FILE ID: a table of one object.
//   1-D histogram: low,high,content,error, one row per bin.
//   2-D histogram, profile, ntuple: the tables of export/csv.h (one row per
//   cell, per channel, per entry).
// ID may be /DIR/ID for an object in a subdirectory.
#include <cmath>
#include <iostream>

#include "hbook/print/csv.h"
#include "hbook/print/numbers.h"
#include "tool.h"

namespace hbooktool {
namespace {

using hbook::exporting::number;

void histogram1D(const hbook::Histogram& h) {
  std::string out = "low,high,content,error\n";
  for (int i = 1; i <= h.nx; ++i) {
    const float c = h.channels[static_cast<std::size_t>(i)];
    const float e = h.sumw2.empty() ? std::sqrt(std::fabs(c)) : std::sqrt(h.sumw2[static_cast<std::size_t>(i - 1)]);
    out += number(h.lowEdge(i)) + "," + number(h.highEdge(i)) + "," + number(c) + "," + number(e) + "\n";
  }
  std::cout << out;
}

}  // namespace

int commandCsv(const std::vector<std::string>& args) {
  if (args.size() != 2) throw UsageError{"csv wants FILE ID"};
  const std::string& path = args[0];
  const ObjectAddress address = objectArgument(args[1]);
  const hbook::ReadResult file = load(path);
  const Found f = findObject(file, path, address);
  const hbook::Directory& d = *f.directory;
  const std::size_t k = f.object->index;
  switch (f.object->kind) {
    case hbook::ObjectKind::Histogram1D: histogram1D(d.histograms[k]); break;
    case hbook::ObjectKind::Histogram2D: hbook::csvHistogram2D(std::cout, d.histograms2d[k]); break;
    case hbook::ObjectKind::Profile: hbook::csvProfile(std::cout, d.profiles[k]); break;
    case hbook::ObjectKind::RowNtuple: hbook::csvRowNtuple(std::cout, d.rowNtuples[k]); break;
    case hbook::ObjectKind::ColumnNtuple: hbook::csvColumnNtuple(std::cout, d.columnNtuples[k]); break;
  }
  return 0;
}

}  // namespace hbooktool
