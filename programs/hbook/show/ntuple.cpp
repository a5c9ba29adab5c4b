// hbook show of ntuples: rows, and each variable with its range (the
// stored minimum and maximum of a row-wise ntuple; of a column-wise one the
// declared range and the smallest and largest value found).
#include <algorithm>
#include <bit>
#include <iostream>

#include "figures.h"
#include "hbook/print/numbers.h"
#include "show.h"

namespace hbooktool::show {
namespace {

using hbook::exporting::number;

std::string rows(std::int64_t n) { return std::to_string(n) + (n == 1 ? " row" : " rows"); }

// "x(n)", "m(2,3)", "v(3)".
std::string declared(const hbook::ColumnNtuple& n, const hbook::Column& c) {
  if (c.dims.empty()) return c.name;
  std::string s = c.name + "(";
  for (std::size_t j = 0; j < c.dims.size(); ++j) {
    const bool variable = c.indexVariable >= 0 && j + 1 == c.dims.size();
    s += (j ? "," : "") +
         (variable ? n.columns[static_cast<std::size_t>(c.indexVariable)].name : std::to_string(c.dims[j]));
  }
  return s + ")";
}

std::string type(const hbook::Column& c) {
  std::string t(1, hbook::columnTypeLetter(c.type));
  if (c.type == hbook::ColumnType::Character || c.size != 4) t += "*" + std::to_string(c.size);
  if (c.nbits < 32 && c.type != hbook::ColumnType::Logical && c.type != hbook::ColumnType::Character) {
    t += ":" + std::to_string(c.nbits);
  }
  return t;
}

template <typename T>
std::string span(const std::vector<T>& v) {
  if (v.empty()) return "no values";
  const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
  if constexpr (std::is_floating_point_v<T>)
    return number(*lo) + " .. " + number(*hi);
  else
    return std::to_string(*lo) + " .. " + std::to_string(*hi);
}

std::string values(const hbook::Column& c) {
  switch (c.type) {
    case hbook::ColumnType::Real: return c.size == 8 ? span(c.doubles) : span(c.reals);
    case hbook::ColumnType::Integer: return span(c.integers);
    case hbook::ColumnType::Unsigned: return span(c.unsigneds);
    case hbook::ColumnType::Logical: {
      const auto yes = std::count(c.logicals.begin(), c.logicals.end(), 1);
      return std::to_string(yes) + " true of " + std::to_string(c.logicals.size());
    }
    case hbook::ColumnType::Character: return std::to_string(c.texts.size()) + " values";
  }
  return "";
}

std::string range(const hbook::Column& c) {
  if (!c.hasRange) return "";
  if (c.type == hbook::ColumnType::Real) {
    return "[" + number(std::bit_cast<float>(c.rangeLow)) + "," + number(std::bit_cast<float>(c.rangeHigh)) + "]";
  }
  if (c.type == hbook::ColumnType::Unsigned)
    return "[" + std::to_string(c.rangeLow) + "," + std::to_string(c.rangeHigh) + "]";
  return "[" + std::to_string(static_cast<std::int32_t>(c.rangeLow)) + "," +
         std::to_string(static_cast<std::int32_t>(c.rangeHigh)) + "]";
}

}  // namespace

void rowNtuple(const hbook::RowNtuple& n) {
  heading(n.id, n.title);
  std::cout << "  row-wise ntuple, " << n.nvar << (n.nvar == 1 ? " variable, " : " variables, ") << rows(n.entries)
            << "\n"
            << "    variable, minimum .. maximum:\n";
  for (int v = 0; v < n.nvar; ++v) {
    const auto k = static_cast<std::size_t>(v);
    std::cout << "    " << n.tags[k] << std::string(n.tags[k].size() < 10 ? 10 - n.tags[k].size() : 1, ' ')
              << (n.entries ? number(n.minimum[k]) + " .. " + number(n.maximum[k]) : std::string("no values")) << "\n";
  }
}

void columnNtuple(const hbook::ColumnNtuple& n) {
  heading(n.id, n.title);
  const auto nvar = static_cast<std::int64_t>(n.columns.size());
  std::cout << "  column-wise ntuple, " << nvar << (nvar == 1 ? " variable" : " variables") << " in " << n.blocks.size()
            << (n.blocks.size() == 1 ? " block, " : " blocks, ") << rows(n.entries) << "\n"
            << "    block, variable, type [declared range], values found:\n";
  std::size_t blockWidth = 0;
  for (const std::string& b : n.blocks) blockWidth = std::max(blockWidth, b.size());
  for (const hbook::Column& c : n.columns) {
    std::string line =
        "    " + c.block + std::string(blockWidth - std::min(blockWidth, c.block.size()) + 2, ' ') + declared(n, c);
    line += std::string(line.size() < 24 ? 24 - line.size() : 1, ' ') + type(c);
    const std::string r = range(c);
    if (!r.empty()) line += " " + r;
    line += std::string(line.size() < 40 ? 40 - line.size() : 1, ' ') + values(c);
    std::cout << line << "\n";
  }
}

}  // namespace hbooktool::show
