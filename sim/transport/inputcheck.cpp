#include "inputcheck.h"

#include <cstdio>
#include <string>

#include "store.h"

namespace tarn {
namespace {

std::string number(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v));
  return buf;
}

std::string whyMissing(hbook::FileStatus status, const char* file, int id) {
  switch (status) {
    case hbook::FileStatus::Missing:
      return std::string(" ") + file + ": no such file in the working directory";
    case hbook::FileStatus::Bad:
      return std::string(" ") + file + ": not a readable histogram file";
    case hbook::FileStatus::WrongKind:
      return std::string(" ") + file + ": object " + std::to_string(id) + " is " + hbook::describeObject(file, id) +
             ", not the 1-D histogram the run needs";
    default:
      return std::string(" ") + file + ": holds no histogram " + std::to_string(id);
  }
}

bool hasPositiveContent(const hbook::Histogram& h) {
  for (int bin = 1; bin <= h.nx; ++bin)
    if (h.channels[bin] > 0.0f) return true;
  return false;
}

}  // namespace

InputReport checkInputs(const InputStatus& status) {
  InputReport report;
  const hbook::Store& memory = hbook::memory();

  const hbook::Histogram* lam = memory.find(100);
  if (!lam) {
    report.errors.push_back(whyMissing(status.lam, "lam.hbook", 100));
  } else if (lam->entries != -1 && !hasPositiveContent(*lam)) {
    report.errors.push_back(" lam.hbook: histogram 100 has no positive content to draw wavelengths from");
  }

  if (!memory.find(151) || !memory.find(152))
    report.notes.push_back(" gradx.hbook: gradient histograms 151/152 not loaded (they are not used in this run)");

  const hbook::Histogram* sq = memory.find(301);
  if (!sq) {
    report.errors.push_back(whyMissing(status.sq, "sq.hbook", 301));
  } else if (sq->nx != 90 || sq->xmin != 0.0f || sq->xmax != 3.6f) {
    report.errors.push_back(" sq.hbook: histogram 301 has " + std::to_string(sq->nx) + " bins of " +
                            number(sq->binWidth()) + " from " + number(sq->xmin) +
                            "; the momentum-transfer sampler needs 90 bins of 0.04 from 0");
  } else if (sq->entries != -1 && !hasPositiveContent(*sq)) {
    report.errors.push_back(" sq.hbook: histogram 301 has no positive content to draw momentum transfers from");
  }
  return report;
}

}  // namespace tarn
