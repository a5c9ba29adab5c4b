// Dump of a 1-D histogram: binning, entries, HSUM, then channels 0 .. NX+1
// with low edge, content and (bins only) error.
#include <cmath>

#include "hbook/print/dumpall/dumpers.h"
#include "hbook/print/dumpall/fortran.h"

namespace hbook::dump {

using fortran::i;
using fortran::real;

void histogram1D(std::ostream& out, const std::string& path, const Histogram& h) {
  objectHeader(out, path, h.id, "1D");
  title(out, h.title, true);
  out << "KBITS " << fortran::z(h.kbits) << "\n";
  out << "NX" << i(h.nx, 9) << "\n";
  out << "XMIN" << real(h.xmin) << "\n";
  out << "XMAX" << real(h.xmax) << "\n";
  out << "ENTRIES" << i(h.entries, 13) << "\n";
  out << (h.sumw2.empty() ? "ERRORS none (error = sqrt(abs(content)))\n" : "ERRORS stored (sum of w**2 bank)\n");
  float sum = 0.0f;
  for (int b = 1; b <= h.nx; ++b) sum += h.channels[static_cast<std::size_t>(b)];
  out << "HSUM" << real(sum) << "\n";
  out << "# BIN i lowedge lowedge_hex content content_hex error error_hex   (i=0 underflow, i=NX+1 overflow: no error)\n";
  for (int b = 0; b <= h.nx + 1; ++b) {
    const float content = h.channels[static_cast<std::size_t>(b)];
    const bool inRange = b >= 1 && b <= h.nx;
    const float low = inRange ? h.lowEdge(b) : 0.0f;
    out << "BIN" << i(b, 7) << real(low) << real(content);
    if (inRange) {
      const float error =
          h.sumw2.empty() ? std::sqrt(std::fabs(content)) : std::sqrt(h.sumw2[static_cast<std::size_t>(b - 1)]);
      out << real(error);
    }
    out << "\n";
  }
  end(out, h.id);
}

}  // namespace hbook::dump
