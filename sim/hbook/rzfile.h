// HBOOK files (ZEBRA RZ, exchange mode): reading and writing 1-D histograms.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "histogram.h"

namespace hbook {

// Every problem with a file: the message names the file, the record and the
// field at fault.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ReadResult {
  std::vector<Histogram> histograms;  // directory order
  std::vector<std::string> skipped;   // one line per object not supported (2-D, ntuple, ...)
};

// Read every 1-D histogram of a file. Throws FileError.
ReadResult readFile(const std::string& path);

// Write histograms as HRPUT(0, path, 'N') does. With overwrite false an
// existing file is never touched (returns false). The file is written to a
// temporary name in the same directory and renamed into place. Throws
// FileError when writing fails.
bool writeFile(const std::string& path, const std::vector<const Histogram*>& histograms,
               bool overwrite = false);

}  // namespace hbook
