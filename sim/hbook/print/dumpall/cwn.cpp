// Dump of a column-wise ntuple: the variables with type, size, bits,
// dimensions, index relations and ranges, then every value of every row:
// variable after variable, element after element (a variable-length array
// only with the elements present in that row).
#include <bit>

#include "hbook/print/dumpall/dumpers.h"
#include "hbook/print/dumpall/fortran.h"

namespace hbook::dump {
namespace {

using fortran::i;
using fortran::real;

void range(std::ostream& out, const Column& c) {
  if (c.type == ColumnType::Real) {
    out << real(std::bit_cast<float>(c.rangeLow)) << real(std::bit_cast<float>(c.rangeHigh));
  } else {
    out << i(static_cast<std::int32_t>(c.rangeLow), 12) << i(static_cast<std::int32_t>(c.rangeHigh), 12);
  }
}

std::string value(const Column& c, std::int64_t e) {
  const auto k = static_cast<std::size_t>(e);
  switch (c.type) {
    case ColumnType::Real:
      if (c.size == 8) return " " + fortran::g(c.doubles[k], 25, 16) + " " + fortran::z(c.doubles[k]);
      return real(c.reals[k]);
    case ColumnType::Integer:
      return " " + i(c.integers[k], 12) + " " + fortran::z(static_cast<std::uint32_t>(c.integers[k]));
    case ColumnType::Unsigned:
      return " " + i(static_cast<std::int32_t>(c.unsigneds[k]), 12) + " " + fortran::z(c.unsigneds[k]);
    case ColumnType::Logical:
      return std::string(c.logicals[k] ? " T " : " F ") + fortran::z(std::uint32_t{c.logicals[k]});
    case ColumnType::Character:
      return " \"" + c.texts[k] + "\"";
  }
  return "";
}

}  // namespace

void columnNtuple(std::ostream& out, const std::string& path, const ColumnNtuple& n) {
  objectHeader(out, path, n.id, "CWN");
  title(out, n.title, false);
  out << "KBITS " << fortran::z(n.kbits) << "\n";
  out << "NVAR" << i(static_cast<std::int64_t>(n.columns.size()), 7) << " NBLOCKS" << i(static_cast<std::int64_t>(n.blocks.size()), 5)
      << "\n";
  out << "ENTRIES" << i(n.entries, 13) << "\n";
  out << "# VAR i \"name\" BLOCK \"blk\" TYPE t SIZE bytes NBITS n DIMS d1.. (negative = max of index var) INDEX \"var\" RANGE lo hi\n";
  for (std::size_t v = 0; v < n.columns.size(); ++v) {
    const Column& c = n.columns[v];
    const auto number = static_cast<std::int64_t>(v + 1);
    out << "VAR" << i(number, 5) << " \"" << c.name << "\" BLOCK \"" << c.block << "\" TYPE " << columnTypeLetter(c.type)
        << " SIZE" << i(c.size, 4) << " NBITS" << i(c.nbits, 4) << " DIMS ";
    for (std::int32_t d : c.dims) out << i(d, 6);
    out << "\n";
    if (c.indexVariable >= 0) out << "VARINDEX" << i(number, 5) << " \"" << n.columns[static_cast<std::size_t>(c.indexVariable)].name << "\"\n";
    if (c.isIndex) out << "VARISINDEX" << i(number, 5) << "\n";
    if (c.hasRange) {
      out << "VARRANGE" << i(number, 5);
      range(out, c);
      out << "\n";
    }
  }
  out << "# C row \"name\" element value value_hex (variable-length arrays: only the elements present)\n";
  for (std::int64_t r = 0; r < n.entries; ++r) {
    for (const Column& c : n.columns) {
      const std::int64_t first = n.first(c, r);
      const std::int64_t count = n.count(c, r);
      for (std::int64_t e = 0; e < count; ++e) {
        out << "C" << i(r + 1, 9) << " \"" << c.name << "\"" << i(e + 1, 4) << value(c, first + e) << "\n";
      }
    }
  }
  end(out, n.id);
}

}  // namespace hbook::dump
