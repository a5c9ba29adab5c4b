// Dump of a row-wise ntuple: counts, the tags with their minimum and
// maximum, then every value, row by row.
#include "hbook/print/dumpall/dumpers.h"
#include "hbook/print/dumpall/fortran.h"

namespace hbook::dump {

using fortran::i;
using fortran::real;

void rowNtuple(std::ostream& out, const std::string& path, const RowNtuple& n) {
  objectHeader(out, path, n.id, "RWN");
  title(out, n.title, false);
  out << "KBITS " << fortran::z(n.kbits) << "\n";
  out << "NVAR" << i(n.nvar, 7) << "\n";
  out << "ENTRIES" << i(n.entries, 13) << "\n";
  out << "HEADER_WORD4_NPRIME" << i(n.bufferWords, 13) << "\n";
  out << "# TAG j \"tag\" rlow(min) hex rhigh(max) hex\n";
  for (int v = 0; v < n.nvar; ++v) {
    const auto k = static_cast<std::size_t>(v);
    out << "TAG" << i(v + 1, 5) << " \"" << n.tags[k] << "\"" << real(n.minimum[k]) << real(n.maximum[k]) << "\n";
  }
  out << "# R row var value value_hex\n";
  for (std::int64_t r = 0; r < n.entries; ++r) {
    for (int v = 0; v < n.nvar; ++v) out << "R" << i(r + 1, 9) << i(v + 1, 4) << real(n.value(r, v)) << "\n";
  }
  end(out, n.id);
}

}  // namespace hbook::dump
