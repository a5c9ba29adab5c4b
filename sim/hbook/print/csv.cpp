// CSV tables of 2-D histograms, profiles and ntuples.
#include "hbook/print/csv.h"

#include <cstdio>

#include "hbook/print/numbers.h"

namespace hbook {
namespace {

using exporting::number;

// Text field: quoted, inner quotes doubled.
std::string quoted(const std::string& s) {
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

// A name as a header field: quoted only when it holds a separator or quote.
std::string headerField(const std::string& s) {
  return s.find_first_of(",\"\n\r") == std::string::npos ? s : quoted(s);
}

// Low edge of channel i of n over [low, high]; -inf below, inf above.
std::string edge(int i, int n, float low, float high) {
  if (i < 1) return "-inf";
  if (i > n + 1) return "inf";
  if (i == 1) return number(low);
  if (i == n + 1) return number(high);
  return number(low + static_cast<float>(i - 1) * ((high - low) / static_cast<float>(n)));
}

// Column headers of one variable: name, or name[i], name[i][j], ...
void headers(std::ostream& out, const Column& c, bool& first) {
  std::vector<std::int64_t> sizes;
  std::int64_t total = 1;
  for (std::int32_t d : c.dims) {
    sizes.push_back(d < 0 ? -std::int64_t{d} : d);
    total *= sizes.back();
  }
  for (std::int64_t e = 0; e < (c.dims.empty() ? 1 : total); ++e) {
    std::string name = c.name;
    if (!c.dims.empty()) {
      std::int64_t rest = e;
      for (std::size_t j = 0; j < sizes.size(); ++j) {
        name += "[" + std::to_string(rest % sizes[j] + 1) + "]";
        rest /= sizes[j];
      }
    }
    out << (first ? "" : ",") << headerField(name);
    first = false;
  }
}

std::int64_t widthOf(const Column& c) {
  std::int64_t total = 1;
  for (std::int32_t d : c.dims) total *= d < 0 ? -std::int64_t{d} : d;
  return total;
}

std::string value(const Column& c, std::int64_t e) {
  const auto k = static_cast<std::size_t>(e);
  switch (c.type) {
    case ColumnType::Real: return c.size == 8 ? number(c.doubles[k]) : number(c.reals[k]);
    case ColumnType::Integer: return std::to_string(c.integers[k]);
    case ColumnType::Unsigned: return std::to_string(c.unsigneds[k]);
    case ColumnType::Logical: return c.logicals[k] ? "1" : "0";
    case ColumnType::Character: return quoted(c.texts[k]);
  }
  return "";
}

}  // namespace

void csvHistogram2D(std::ostream& out, const Histogram2D& h) {
  out << "ix,iy,xlow,xhigh,ylow,yhigh,content,error\n";
  for (int iy = 0; iy <= h.ny + 1; ++iy) {
    for (int ix = 0; ix <= h.nx + 1; ++ix) {
      const bool inside = ix >= 1 && ix <= h.nx && iy >= 1 && iy <= h.ny;
      out << ix << "," << iy << "," << edge(ix, h.nx, h.xmin, h.xmax) << "," << edge(ix + 1, h.nx, h.xmin, h.xmax) << ","
          << edge(iy, h.ny, h.ymin, h.ymax) << "," << edge(iy + 1, h.ny, h.ymin, h.ymax) << "," << number(h.cell(ix, iy)) << ","
          << (inside ? number(h.error(ix, iy)) : "") << "\n";
    }
  }
}

void csvProfile(std::ostream& out, const Profile& p) {
  out << "bin,low,high,mean,error,sum_wy,sum_wy2,sum_w\n";
  for (int b = 0; b <= p.nx + 1; ++b) {
    out << b << "," << edge(b, p.nx, p.xmin, p.xmax) << "," << edge(b + 1, p.nx, p.xmin, p.xmax) << ",";
    if (b >= 1 && b <= p.nx) {
      const auto k = static_cast<std::size_t>(b - 1);
      out << number(p.mean(b)) << "," << number(p.error(b)) << "," << number(p.sumWY[k + 1]) << "," << number(p.sumWY2[k]) << ","
          << number(p.sumW[k]) << "\n";
    } else {
      out << ",," << number(p.sumWY[static_cast<std::size_t>(b)]) << ",,\n";
    }
  }
}

void csvRowNtuple(std::ostream& out, const RowNtuple& n) {
  for (int v = 0; v < n.nvar; ++v) out << (v ? "," : "") << headerField(n.tags[static_cast<std::size_t>(v)]);
  out << "\n";
  for (std::int64_t r = 0; r < n.entries; ++r) {
    for (int v = 0; v < n.nvar; ++v) out << (v ? "," : "") << number(n.value(r, v));
    out << "\n";
  }
}

void csvColumnNtuple(std::ostream& out, const ColumnNtuple& n) {
  bool first = true;
  for (const Column& c : n.columns) headers(out, c, first);
  out << "\n";
  for (std::int64_t r = 0; r < n.entries; ++r) {
    bool firstField = true;
    for (const Column& c : n.columns) {
      const std::int64_t start = n.first(c, r);
      const std::int64_t count = n.count(c, r);
      const std::int64_t width = c.dims.empty() ? 1 : widthOf(c);
      for (std::int64_t e = 0; e < width; ++e) {
        out << (firstField ? "" : ",");
        firstField = false;
        if (e < count) out << value(c, start + e);
      }
    }
    out << "\n";
  }
}

}  // namespace hbook
