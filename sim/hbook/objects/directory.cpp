// Directory listings: object kinds, shapes, titles and entries.
#include "hbook/objects/directory.h"

#include <algorithm>

#include "hbook/print/numbers.h"

namespace hbook {

const char* kindName(ObjectKind kind) {
  switch (kind) {
    case ObjectKind::Histogram1D: return "1D";
    case ObjectKind::Histogram2D: return "2D";
    case ObjectKind::Profile: return "PROFILE";
    case ObjectKind::RowNtuple: return "RWN";
    case ObjectKind::ColumnNtuple: return "CWN";
  }
  return "?";
}

const char* kindDescription(ObjectKind kind) {
  switch (kind) {
    case ObjectKind::Histogram1D: return "1-D histogram";
    case ObjectKind::Histogram2D: return "2-D histogram";
    case ObjectKind::Profile: return "profile histogram";
    case ObjectKind::RowNtuple: return "row-wise ntuple";
    case ObjectKind::ColumnNtuple: return "column-wise ntuple";
  }
  return "?";
}

namespace {

using exporting::number;

// "200 bins 0..20", "6 variable bins 0..10".
std::string bins(std::int32_t n, float low, float high, bool variable = false) {
  return std::to_string(n) + (variable ? " variable" : "") + " bins " + number(low) + ".." + number(high);
}

}  // namespace

std::string Directory::shape(const ObjectRef& ref) const {
  switch (ref.kind) {
    case ObjectKind::Histogram1D: {
      const Histogram& h = histograms[ref.index];
      return bins(h.nx, h.xmin, h.xmax, !h.edges.empty());
    }
    case ObjectKind::Histogram2D: {
      const Histogram2D& h = histograms2d[ref.index];
      return std::to_string(h.nx) + " x " + std::to_string(h.ny) + " bins " + number(h.xmin) + ".." + number(h.xmax) +
             " x " + number(h.ymin) + ".." + number(h.ymax);
    }
    case ObjectKind::Profile: {
      const Profile& p = profiles[ref.index];
      return bins(p.nx, p.xmin, p.xmax) + ", y " + number(p.ymin) + ".." + number(p.ymax);
    }
    case ObjectKind::RowNtuple: {
      const RowNtuple& n = rowNtuples[ref.index];
      return std::to_string(n.nvar) + " variables x " + std::to_string(n.entries) + " rows";
    }
    case ObjectKind::ColumnNtuple: {
      const ColumnNtuple& n = columnNtuples[ref.index];
      return std::to_string(n.columns.size()) + " variables x " + std::to_string(n.entries) + " rows";
    }
  }
  return "";
}

std::string Directory::title(const ObjectRef& ref) const {
  switch (ref.kind) {
    case ObjectKind::Histogram1D: return histograms[ref.index].title;
    case ObjectKind::Histogram2D: return histograms2d[ref.index].title;
    case ObjectKind::Profile: return profiles[ref.index].title;
    case ObjectKind::RowNtuple: return rowNtuples[ref.index].title;
    case ObjectKind::ColumnNtuple: return columnNtuples[ref.index].title;
  }
  return "";
}

std::int64_t Directory::entries(const ObjectRef& ref) const {
  switch (ref.kind) {
    case ObjectKind::Histogram1D: return histograms[ref.index].entries;
    case ObjectKind::Histogram2D: return histograms2d[ref.index].entries;
    case ObjectKind::Profile: return profiles[ref.index].entries;
    case ObjectKind::RowNtuple: return rowNtuples[ref.index].entries;
    case ObjectKind::ColumnNtuple: return columnNtuples[ref.index].entries;
  }
  return 0;
}

std::vector<ObjectRef> Directory::byId() const {
  std::vector<ObjectRef> sorted = objects;
  std::stable_sort(sorted.begin(), sorted.end(), [](const ObjectRef& a, const ObjectRef& b) { return a.id < b.id; });
  return sorted;
}

const ObjectRef* Directory::find(std::int32_t id) const {
  for (const ObjectRef& o : objects) {
    if (o.id == id) return &o;
  }
  return nullptr;
}

}  // namespace hbook
