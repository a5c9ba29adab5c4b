// Text dump of the 1-D histograms of an HBOOK file, line for line in the
// layout of the reference dumps made with the package itself: values as
// Fortran ES16.8, float bits in hex, the error column sqrt(sum of w^2) where
// the histogram stores it, else sqrt(|content|), in single precision.
#pragma once

#include <string>

#include "hbook/rz/reader.h"

namespace hbook {

// ES16.8 as Fortran writes it.
std::string fortranES16(float value);

// One histogram, from "ID" to "END".
std::string dumpHistogram(const Histogram& h);

// The whole file: FILE line (the name without directories), record length,
// counts, a blank line, then every 1-D histogram in ascending id with a blank
// line between them.
std::string dumpFile(const std::string& path, const ReadResult& file);

}  // namespace hbook
