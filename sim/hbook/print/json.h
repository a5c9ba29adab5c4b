// JSON of HBOOK objects and of whole files. Reals are numbers that read back
// to the same bits (print/numbers.h), except NaN and the infinities, which
// JSON has no numbers for: they are the strings "nan", "inf", "-inf".
//
// Every object has "kind" (1D, 2D, PROFILE, RWN, CWN), "id", "title" and
// "kbits", then what its kind holds, under the names of the C++ types
// (histogram.h, histogram2d.h, profile.h, ntuple.h): channel and cell lists
// include under- and overflow; 2-D cells are rows from iy = 0 up, each from
// ix = 0; sumw2 is null without errors, the edges of a 1-D histogram null for
// equal bins. A row-wise ntuple has "rows" (lists
// of values); a column-wise ntuple has "columns", each with its "values",
// one per row: a value for a scalar, a list for an array (a
// variable-length array with the elements of that row).
#pragma once

#include <ostream>
#include <string>

#include "hbook/rz/reader.h"

namespace hbook {

void jsonObject(std::ostream& out, const Directory& dir, const ObjectRef& ref);
// {"file": ..., "recordWords": ..., "directories": [{"path", "subdirectories", "objects": [...]}], "skipped": [...]}
void jsonFile(std::ostream& out, const std::string& path, const ReadResult& file);

}  // namespace hbook
