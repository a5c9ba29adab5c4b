// Whether two result files of tarn come from runs that drew the same random
// numbers, so that adding them would count the same events twice.
//
// A file with a run record (transport/run/filerecord.h) says its seed and
// its blocks; two such files are judged by mergeRunFiles (a block held by
// both is refused). A file without one is a whole run of one block (block
// 0), and says its seed only in its name: h<ranNo>.hbook, or
// h<ranNo>-<k>.hbook when that name was taken. Every run of a seed begins
// with block 0, so such a file and any other result of the same seed (by
// its record or by its name) drew the same numbers.
#pragma once

#include <string>

#include "hbook/merge.h"

namespace hbooktool {

// Why a and b drew the same random numbers, or "" when nothing says they did
// (or their run records are to say it).
std::string sameDraws(const hbook::MergeSource& a, const hbook::MergeSource& b);

}  // namespace hbooktool
