// The parts of hbook show, one per object kind: each writes the object's
// lines to standard output.
#pragma once

#include "hbook/objects/directory.h"
#include "hbook/print/statistics.h"

namespace hbooktool::show {

void histogram1D(const hbook::Histogram& h);
void profile(const hbook::Profile& p);
void histogram2D(const hbook::Histogram2D& h);
void rowNtuple(const hbook::RowNtuple& n);
void columnNtuple(const hbook::ColumnNtuple& n);

// "id 20  title", the title on a line of its own when both exceed 80 columns.
void heading(std::int32_t id, const std::string& title);
// The package's figures of a set of 1-D channels: entries, in-range sum,
// under- and overflow, then mean and RMS; "no entries" when there are none.
void figures(const hbook::Summary& s, const std::string& indent);

}  // namespace hbooktool::show
