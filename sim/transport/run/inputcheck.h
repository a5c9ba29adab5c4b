// Checks of the input histograms, made once before the first event.
#pragma once

#include <string>
#include <vector>

#include "hbook/hbook.h"
#include "hbook/objects/histogram.h"
#include "transport/description/read.h"
#include "transport/run/runfiles.h"

namespace tarn {

struct InputStatus {
  hbook::FileStatus lam = hbook::FileStatus::Ok;
  hbook::FileStatus gradx151 = hbook::FileStatus::Ok;
  hbook::FileStatus gradx152 = hbook::FileStatus::Ok;
  hbook::FileStatus sq = hbook::FileStatus::Ok;
  std::string inputDir;  // where the files are; "": the working directory

  // The path of an input file ("lam.hbook" or "DIR/lam.hbook").
  std::string path(const std::string& name) const { return inDirectory(inputDir, name); }
};

struct InputReport {
  std::vector<std::string> notes;   // reported, the run goes on
  std::vector<std::string> errors;  // the run must not start
};

// The wavelength spectrum (100) must be present with some positive content;
// the structure factor (301) must be present with the binning the
// momentum-transfer sampler presumes: 90 bins of 0.04 1/Å from 0. Neither
// may hold a NaN, infinite or negative bin, or contents whose sum overflows
// single precision: the sampler would draw from a uniform distribution or
// from negative probabilities instead. Together they must let the
// momentum-transfer sampler succeed at a reasonable cost (transfercheck.h).
// The
// gradient histograms (151, 152) are never consulted: their absence is
// only noted. The beamline must keep the model's limits with the spectrum's
// wavelengths (transport/description/limits.h).
// The shipped beamline unless one is given.
InputReport checkInputs(const InputStatus& status,
                        const description::Description& beamline = {SHIPPED_BEAMLINE, "", {}, {}});

// The longest wavelength the spectrum can give (Å): the upper edge of its
// last bin with content (for a spectrum the sampler has integrated, entries
// -1, the last bin whose running sum grows); 0 when there is none.
double longestWavelength(const hbook::Histogram& spectrum);

}  // namespace tarn
