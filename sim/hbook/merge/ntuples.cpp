// Adding ntuples: the rows of the later files after the first file's, for
// ntuples of the same variables.
#include <algorithm>
#include <limits>

#include "hbook/merge/kinds.h"

namespace hbook::merging {
namespace {

std::int32_t rows(std::int64_t total, const std::string& file, const std::string& label) {
  if (total > std::numeric_limits<std::int32_t>::max()) {
    refuse(file, label + ": " + std::to_string(total) + " rows in all, more than a file's 32-bit count holds");
  }
  return static_cast<std::int32_t>(total);
}

std::string declaration(const Column& c) {
  std::string s = c.name + " in block " + c.block + " (" + std::string(1, columnTypeLetter(c.type)) + "*" +
                  std::to_string(c.size) + ", " + std::to_string(c.nbits) + " bits";
  if (!c.dims.empty()) {
    s += ", dimensions";
    for (std::int32_t d : c.dims) s += " " + std::to_string(d);
  }
  if (c.hasRange) s += ", range " + std::to_string(c.rangeLow) + ".." + std::to_string(c.rangeHigh);
  return s + ")";
}

bool sameDeclaration(const Column& a, const Column& b) {
  return a.name == b.name && a.block == b.block && a.type == b.type && a.size == b.size && a.nbits == b.nbits &&
         a.dims == b.dims && a.indexVariable == b.indexVariable && a.isIndex == b.isIndex && a.hasRange == b.hasRange &&
         a.rangeLow == b.rangeLow && a.rangeHigh == b.rangeHigh;
}

template <typename T>
void append(std::vector<T>& to, const std::vector<T>& from) {
  to.insert(to.end(), from.begin(), from.end());
}

}  // namespace

RowNtuple mergeRows(const Parts<RowNtuple>& p) {
  const RowNtuple& first = p.first();
  RowNtuple out = first;
  std::int64_t total = first.entries;
  for (std::size_t f = 1; f < p.objects.size(); ++f) {
    const RowNtuple& n = *p.objects[f];
    const std::string& name = *p.files[f];
    if (n.title != first.title)
      refuse(name, p.label + " is titled \"" + n.title + "\"; in " + *p.files[0] + " \"" + first.title + "\"");
    if (n.tags != first.tags) {
      std::string a, b;
      for (const std::string& t : n.tags) a += " " + t;
      for (const std::string& t : first.tags) b += " " + t;
      refuse(name, p.label + " has the variables" + a + "; in " + *p.files[0] + b);
    }
    append(out.values, n.values);
    for (std::size_t v = 0; v < out.minimum.size(); ++v) {
      out.minimum[v] = std::min(out.minimum[v], n.minimum[v]);
      out.maximum[v] = std::max(out.maximum[v], n.maximum[v]);
    }
    total += n.entries;
    out.entries = rows(total, name, p.label);
  }
  return out;
}

ColumnNtuple mergeColumns(const Parts<ColumnNtuple>& p) {
  const ColumnNtuple& first = p.first();
  ColumnNtuple out = first;
  std::int64_t total = first.entries;
  for (std::size_t f = 1; f < p.objects.size(); ++f) {
    const ColumnNtuple& n = *p.objects[f];
    const std::string& name = *p.files[f];
    if (n.title != first.title)
      refuse(name, p.label + " is titled \"" + n.title + "\"; in " + *p.files[0] + " \"" + first.title + "\"");
    if (n.blocks != first.blocks || n.columns.size() != first.columns.size()) {
      refuse(name, p.label + " has " + std::to_string(n.columns.size()) + " variables in " +
                       std::to_string(n.blocks.size()) + " blocks; in " + *p.files[0] + " " +
                       std::to_string(first.columns.size()) + " in " + std::to_string(first.blocks.size()));
    }
    for (std::size_t c = 0; c < n.columns.size(); ++c) {
      if (!sameDeclaration(n.columns[c], first.columns[c])) {
        refuse(name, p.label + " has the variable " + declaration(n.columns[c]) + "; in " + *p.files[0] + " " +
                         declaration(first.columns[c]));
      }
    }
    for (std::size_t c = 0; c < n.columns.size(); ++c) {
      Column& to = out.columns[c];
      const Column& from = n.columns[c];
      append(to.reals, from.reals);
      append(to.doubles, from.doubles);
      append(to.integers, from.integers);
      append(to.unsigneds, from.unsigneds);
      append(to.logicals, from.logicals);
      append(to.texts, from.texts);
      if (to.isIndex && !from.totals.empty()) {
        const std::int64_t base = to.totals.back();
        for (std::size_t r = 1; r < from.totals.size(); ++r) to.totals.push_back(base + from.totals[r]);
      }
    }
    total += n.entries;
    out.entries = rows(total, name, p.label);
  }
  return out;
}

}  // namespace hbook::merging
