// Directory listings and the values HBOOK derives from stored sums.
#include "hbook/objects/directory.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

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

std::string number(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
  return buf;
}

std::string bins(std::int32_t n, float low, float high) {
  return std::to_string(n) + " bins " + number(low) + ".." + number(high);
}

}  // namespace

std::string Directory::shape(const ObjectRef& ref) const {
  switch (ref.kind) {
    case ObjectKind::Histogram1D: {
      const Histogram& h = histograms[ref.index];
      return bins(h.nx, h.xmin, h.xmax);
    }
    case ObjectKind::Histogram2D: {
      const Histogram2D& h = histograms2d[ref.index];
      return std::to_string(h.nx) + " x " + std::to_string(h.ny) + " bins " + number(h.xmin) + ".." + number(h.xmax) + " x " +
             number(h.ymin) + ".." + number(h.ymax);
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

float Histogram2D::error(int ix, int iy) const {
  if (!sumw2.empty()) return std::sqrt(sumw2.at(static_cast<std::size_t>((ix - 1) + (iy - 1) * nx)));
  return std::sqrt(std::fabs(cell(ix, iy)));
}

// HSUM adds the in-range cells in single precision, column by column.
float Histogram2D::sum() const {
  float s = 0.0f;
  for (int ix = 1; ix <= nx; ++ix) {
    for (int iy = 1; iy <= ny; ++iy) s += cell(ix, iy);
  }
  return s;
}

// HI: the mean Y / N in single precision.
float Profile::mean(int bin) const {
  const float n = sumW.at(static_cast<std::size_t>(bin - 1));
  if (n == 0.0f) return 0.0f;
  return sumWY.at(static_cast<std::size_t>(bin)) / n;
}

// HIE: the spread s = sqrt(|Y2/N - (Y/N)^2|) in double precision; for a bin
// without spread sqrt(|Y|), or 1/sqrt(12) with option I; divided by sqrt(N)
// (taken in single precision) unless the option is S.
float Profile::error(int bin) const {
  constexpr std::uint32_t kOptionS = 1;
  constexpr std::uint32_t kOptionI = 2;
  const float n = sumW.at(static_cast<std::size_t>(bin - 1));
  if (n == 0.0f) return 0.0f;
  const double y = sumWY.at(static_cast<std::size_t>(bin));
  const double y2 = sumWY2.at(static_cast<std::size_t>(bin - 1));
  const double mean = y / n;
  double s = std::sqrt(std::fabs(y2 / n - mean * mean));
  const std::uint32_t option = errorStatus & 0x3;
  if (s <= 0.0 && n >= 1.0f) s = option == kOptionI ? 1.0 / std::sqrt(12.0) : std::sqrt(std::fabs(y));
  if (option != kOptionS) s /= static_cast<double>(std::sqrt(n));
  return static_cast<float>(s);
}

std::int64_t ColumnNtuple::first(const Column& c, std::int64_t row) const {
  if (c.indexVariable < 0) return row * c.perRow;
  return c.perRow * columns.at(static_cast<std::size_t>(c.indexVariable)).totals.at(static_cast<std::size_t>(row));
}

std::int64_t ColumnNtuple::count(const Column& c, std::int64_t row) const {
  if (c.indexVariable < 0) return c.perRow;
  const std::vector<std::int64_t>& t = columns.at(static_cast<std::size_t>(c.indexVariable)).totals;
  return c.perRow * (t.at(static_cast<std::size_t>(row) + 1) - t.at(static_cast<std::size_t>(row)));
}

char columnTypeLetter(ColumnType t) {
  switch (t) {
    case ColumnType::Real: return 'R';
    case ColumnType::Integer: return 'I';
    case ColumnType::Unsigned: return 'U';
    case ColumnType::Logical: return 'L';
    case ColumnType::Character: return 'C';
  }
  return '?';
}

}  // namespace hbook
