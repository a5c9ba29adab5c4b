// The points of a scan: every combination of the axes' values (the first
// axis changing slowest), each a beamline description read and checked as
// tarn reads --beamline FILE --set KEY=VALUE..., with its digest and the
// name of its folder:
//
//   03_cells.length=35_cells.temperature=2.1
//
// (its number, then each key that takes more than one value with the
// value in the key's unit, as the log shows it without the unit).
#pragma once

#include <string>
#include <vector>

#include "transport/description/read.h"
#include "transport/scan/options.h"

namespace tarn::scan {

struct Point {
  int number = 0;                 // 1, 2, ...
  std::vector<std::string> sets;  // "cells.length=35", one per axis, as given
  description::Description description;
  std::string digest;
  std::string folder;  // the folder's name in the scan's folder
  std::string label;   // "cells.length=35 cells.temperature=2.1": the values that change
};

struct Grid {
  std::vector<Point> points;
  std::vector<std::string> errors;  // each wrong description once, then points that repeat another
};

Grid makeGrid(const Options& options);

// The keys of the axes that take more than one value.
std::vector<std::string> scannedKeys(const Options& options);

}  // namespace tarn::scan
