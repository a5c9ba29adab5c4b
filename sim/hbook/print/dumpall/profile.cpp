// Dump of a profile: binning, y range, error option, then per bin the mean
// and error HBOOK returns and the three stored sums; channels 0 and NX+1
// show the raw under- and overflow sums.
#include "hbook/print/dumpall/dumpers.h"
#include "hbook/print/dumpall/fortran.h"

namespace hbook::dump {

using fortran::i;
using fortran::real;

void profile(std::ostream& out, const std::string& path, const Profile& p) {
  objectHeader(out, path, p.id, "PROFILE");
  title(out, p.title, true);
  out << "KBITS " << fortran::z(p.kbits) << "\n";
  out << "NX" << i(p.nx, 9) << "\n";
  out << "XMIN" << real(p.xmin) << "\n";
  out << "XMAX" << real(p.xmax) << "\n";
  out << "YMIN (header word 7)" << real(p.ymin) << "\n";
  out << "YMAX (header word 8)" << real(p.ymax) << "\n";
  out << "ERRBANK_STATUS " << fortran::z(p.errorStatus) << " (bits 1-2: 0 = option blank, 1 = S, 2 = I; bit 3: P)\n";
  out << "ENTRIES" << i(p.entries, 13) << "\n";
  out << "# PBIN i lowedge hex mean(HI) hex error(HIE) hex sum_wy(contents) hex sum_wy2(HI1E) hex sum_w(HI1N) hex\n";
  const float width = (p.xmax - p.xmin) / static_cast<float>(p.nx);
  out << "PBIN" << i(0, 7) << " (under/overflow) sum_wy(contents)" << real(p.sumWY.front()) << "\n";
  for (int b = 1; b <= p.nx; ++b) {
    const float low = p.xmin + static_cast<float>(b - 1) * width;
    const auto k = static_cast<std::size_t>(b - 1);
    out << "PBIN" << i(b, 7) << real(low) << real(p.mean(b)) << real(p.error(b)) << real(p.sumWY[k + 1]) << real(p.sumWY2[k])
        << real(p.sumW[k]) << "\n";
  }
  out << "PBIN" << i(p.nx + 1, 7) << " (under/overflow) sum_wy(contents)" << real(p.sumWY.back()) << "\n";
  end(out, p.id);
}

}  // namespace hbook::dump
