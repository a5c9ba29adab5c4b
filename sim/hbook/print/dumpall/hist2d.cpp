// Dump of a 2-D histogram: binning, entries, HSUM, every cell row by row from
// the y underflow up (errors for in-range cells), then the projections,
// slices and bands.
#include "hbook/print/dumpall/dumpers.h"
#include "hbook/print/dumpall/fortran.h"

namespace hbook::dump {
namespace {

using fortran::i;
using fortran::real;

// PROX and PROY are named in four columns, slices and bands in twelve.
std::string padded(const std::string& name) {
  return name.size() <= 4 ? name : name + std::string(name.size() < 12 ? 12 - name.size() : 0, ' ');
}

void channels(std::ostream& out, const Projection& p) {
  out << "PROJ " << padded(p.name) << " NBIT" << i(p.nbit, 7) << " ENTRIES" << i(p.entries, 13) << "\n";
  const int n = static_cast<int>(p.channels.size()) - 2;
  for (int ch = 0; ch <= n + 1; ++ch) {
    out << "PCH " << padded(p.name) << i(ch, 7) << real(p.channels[static_cast<std::size_t>(ch)]);
    if (!p.sumw2.empty() && ch >= 1 && ch <= n) out << real(p.sumw2[static_cast<std::size_t>(ch - 1)]);
    out << "\n";
  }
}

}  // namespace

void histogram2D(std::ostream& out, const std::string& path, const Histogram2D& h) {
  objectHeader(out, path, h.id, "2D", h.table());
  title(out, h.title, true);
  out << "KBITS " << fortran::z(h.kbits) << "\n";
  out << "NX" << i(h.nx, 9) << "\n";
  out << "XMIN" << real(h.xmin) << "\n";
  out << "XMAX" << real(h.xmax) << "\n";
  out << "NY" << i(h.ny, 9) << "\n";
  out << "YMIN" << real(h.ymin) << "\n";
  out << "YMAX" << real(h.ymax) << "\n";
  out << "ENTRIES" << i(h.entries, 13) << "\n";
  out << "HSUM" << real(h.sum()) << "\n";
  out << "NBIT" << i(h.nbit, 5) << "\n";
  out << (h.sumw2.empty() ? "ERRORS none (error = sqrt(abs(content)))\n" : "ERRORS stored (sum of w**2 bank)\n");
  out << "# CELL ix iy content content_hex error error_hex (ix=0/NX+1, iy=0/NY+1 under/overflow: no error)\n";
  for (int iy = 0; iy <= h.ny + 1; ++iy) {
    for (int ix = 0; ix <= h.nx + 1; ++ix) {
      out << "CELL" << i(ix, 7) << i(iy, 6) << real(h.cell(ix, iy));
      if (ix >= 1 && ix <= h.nx && iy >= 1 && iy <= h.ny) out << real(h.error(ix, iy));
      out << "\n";
    }
  }
  for (const Projection& p : h.projectionsX) channels(out, p);
  for (const Projection& p : h.projectionsY) channels(out, p);
  if (!h.slicesX.empty()) out << "SLIX count" << i(static_cast<std::int64_t>(h.slicesX.size()), 5) << "\n";
  for (const Projection& p : h.slicesX) channels(out, p);
  if (!h.slicesY.empty()) out << "SLIY count" << i(static_cast<std::int64_t>(h.slicesY.size()), 5) << "\n";
  for (const Projection& p : h.slicesY) channels(out, p);
  for (const std::vector<Projection>* bands : {&h.bandsX, &h.bandsY}) {
    for (const Projection& p : *bands) {
      out << padded(p.name) << " range" << real(p.low) << real(p.high) << "\n";
      channels(out, p);
    }
  }
  end(out, h.id);
}

}  // namespace hbook::dump
