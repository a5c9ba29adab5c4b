// Tables of 2-D histograms, profiles and ntuples, one header line naming the
// columns. Reals are written so that they read back to the same bits
// (export/numbers.h); a field left empty has no value.
//
// 2-D histogram: one row per cell, under- and overflow included (iy outer,
//   ix inner): ix,iy,xlow,xhigh,ylow,yhigh,content,error; the edges of the
//   under/overflow side are -inf/inf, the error is empty outside the bins.
// Profile: one row per channel 0..nx+1: bin,low,high,mean,error,sum_wy,
//   sum_wy2,sum_w; channels 0 and nx+1 carry only their stored sum_wy.
// Ntuple: one row per entry, one column per variable; an array has one
//   column per element, name[i] (name[i][j] for two dimensions, first index
//   fastest), a variable-length array as many as its index variable's
//   maximum, empty beyond the row's length; CHARACTER values are quoted text
//   with their trailing blanks, LOGICAL values 1 or 0.
#pragma once

#include <ostream>

#include "hbook/objects/directory.h"

namespace hbook {

void csvHistogram2D(std::ostream& out, const Histogram2D& h);
void csvProfile(std::ostream& out, const Profile& p);
void csvRowNtuple(std::ostream& out, const RowNtuple& n);
void csvColumnNtuple(std::ostream& out, const ColumnNtuple& n);

}  // namespace hbook
