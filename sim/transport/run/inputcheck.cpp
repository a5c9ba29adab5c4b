#include "transport/run/inputcheck.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "hbook/memory/store.h"
#include "transport/description/limits.h"
#include "transport/event/catalogue.h"
#include "transport/event/kinematics.h"
#include "transport/run/transferestimate.h"

namespace tarn {
namespace {

std::string number(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v));
  return buf;
}

std::string whyMissing(hbook::FileStatus status, const std::string& file, bool inWorkingDirectory, int id) {
  switch (status) {
    case hbook::FileStatus::Missing:
      return " " + file + (inWorkingDirectory ? ": no such file in the working directory" : ": no such file");
    case hbook::FileStatus::Bad:
      return std::string(" ") + file + ": not a readable histogram file";
    case hbook::FileStatus::WrongKind:
      return std::string(" ") + file + ": object " + std::to_string(id) + " is " + hbook::describeObject(file, id) +
             ", not the 1-D histogram the run needs";
    default:
      return std::string(" ") + file + ": holds no histogram " + std::to_string(id);
  }
}

// The first bin (1..nx) that no sampler can draw from: NaN, infinite or
// negative content. 0 when every bin is usable.
int firstUnusableBin(const hbook::Histogram& h) {
  for (int bin = 1; bin <= h.nx; ++bin) {
    const float c = h.channels[bin];
    if (!std::isfinite(c) || c < 0.0f) return bin;
  }
  return 0;
}

std::string unusableBin(const std::string& file, const hbook::Histogram& h, int bin, const char* sampler) {
  const float width = h.binWidth();
  const float low = h.xmin + static_cast<float>(bin - 1) * width;
  const float high = bin == h.nx ? h.xmax : h.xmin + static_cast<float>(bin) * width;
  return std::string(" ") + file + ": histogram " + std::to_string(h.id) + " bin " + std::to_string(bin) + " (" +
         number(low) + " to " + number(high) + ") holds " + number(h.channels[bin]) + "; the " + sampler +
         " sampler needs finite contents >= 0";
}

// The sampler sums the contents in single precision; a sum that overflows
// leaves nothing to normalise by.
bool sumIsFinite(const hbook::Histogram& h) {
  float total = 0.0f;
  for (int bin = 1; bin <= h.nx; ++bin) total += h.channels[bin];
  return std::isfinite(total);
}

std::string sumTooLarge(const std::string& file, const hbook::Histogram& h) {
  return std::string(" ") + file + ": the contents of histogram " + std::to_string(h.id) +
         " add up to more than the largest single-precision number";
}

bool hasPositiveContent(const hbook::Histogram& h) {
  for (int bin = 1; bin <= h.nx; ++bin)
    if (h.channels[bin] > 0.0f) return true;
  return false;
}

}  // namespace

double longestWavelength(const hbook::Histogram& spectrum) {
  for (int bin = spectrum.nx; bin >= 1; --bin) {
    const float below = bin > 1 ? spectrum.channels[bin - 1] : 0.0f;
    const bool content = spectrum.entries == -1 ? spectrum.channels[bin] > below : spectrum.channels[bin] > 0.0f;
    if (content)
      return bin == spectrum.nx ? spectrum.xmax : spectrum.xmin + bin * static_cast<double>(spectrum.binWidth());
  }
  return 0.0;
}

InputReport checkInputs(const InputStatus& status, const description::Description& beamline) {
  InputReport report;
  const hbook::Store& memory = hbook::memory();
  const std::string lamFile = status.path("lam.hbook"), sqFile = status.path("sq.hbook");
  const bool here = status.inputDir.empty();

  const hbook::Histogram* lam = memory.find(hid::SPECTRUM);
  if (!lam) {
    report.errors.push_back(whyMissing(status.lam, lamFile, here, hid::SPECTRUM));
  } else if (const int bin = firstUnusableBin(*lam)) {
    report.errors.push_back(unusableBin(lamFile, *lam, bin, "wavelength"));
  } else if (lam->entries != -1 && !sumIsFinite(*lam)) {
    report.errors.push_back(sumTooLarge(lamFile, *lam));
  } else if (lam->entries != -1 && !hasPositiveContent(*lam)) {
    report.errors.push_back(" " + lamFile + ": histogram " + std::to_string(hid::SPECTRUM) + " has no positive content to draw wavelengths from");
  }

  if (!memory.find(hid::X_GRADIENT_1) || !memory.find(hid::X_GRADIENT_2))
    report.notes.push_back(" " + status.path("gradx.hbook") + ": gradient histograms " + std::to_string(hid::X_GRADIENT_1) + "/" +
                           std::to_string(hid::X_GRADIENT_2) + " not loaded (they are not used in this run)");

  const hbook::Histogram* sq = memory.find(hid::SQ);
  if (!sq) {
    report.errors.push_back(whyMissing(status.sq, sqFile, here, hid::SQ));
  } else if (sq->nx != Q_TABLE_BINS || sq->xmin != 0.0f || sq->xmax != Q_TABLE_END) {
    report.errors.push_back(" " + sqFile + ": histogram " + std::to_string(hid::SQ) + " has " + std::to_string(sq->nx) + " bins of " +
                            number(sq->binWidth()) + " from " + number(sq->xmin) +
                            "; the momentum-transfer sampler needs 90 bins of 0.04 from 0");
  } else if (const int bin = firstUnusableBin(*sq)) {
    report.errors.push_back(unusableBin(sqFile, *sq, bin, "momentum-transfer"));
  } else if (!sumIsFinite(*sq)) {
    // The copies the sampler draws from are integrated afresh whatever the
    // entries of 301 say.
    report.errors.push_back(sumTooLarge(sqFile, *sq));
  } else if (sq->entries != -1 && !hasPositiveContent(*sq)) {
    report.errors.push_back(" " + sqFile + ": histogram " + std::to_string(hid::SQ) + " has no positive content to draw momentum transfers from");
  }
  if (report.errors.empty()) {
    for (const std::string& line : description::checkModelLimits(beamline, longestWavelength(*lam), lamFile))
      report.errors.push_back(" " + line);
  }
  if (report.errors.empty()) {
    const float shortest = beamline.values.source.shortestWavelength;
    for (const std::string& line : refuseCostlyTransfers(estimateTransfers(*lam, *sq, shortest)))
      report.errors.push_back(line);
  }
  return report;
}

}  // namespace tarn
