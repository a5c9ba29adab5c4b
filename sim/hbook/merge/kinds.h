// The adding of each object kind, for merge/files.cpp. Each gets the
// matching object of every file (the first file's first) and the files'
// names for messages; it throws FileError when a part differs from the
// first in what must agree.
#pragma once

#include <string>
#include <vector>

#include "hbook/merge.h"

namespace hbook::merging {

// The parts of one object and the file each came from.
template <typename T>
struct Parts {
  std::vector<const T*> objects;
  std::vector<const std::string*> files;
  std::string label;  // "histogram 10", "2-D histogram 15 in /AA"
  const T& first() const { return *objects.front(); }
};

[[noreturn]] void refuse(const std::string& file, const std::string& what);
bool sameBits(float a, float b);
bool sameBits(const std::vector<float>& a, const std::vector<float>& b);
std::string number(float v);
// Sums of float vectors in double precision, in order, rounded once.
std::vector<float> sum(const std::vector<const std::vector<float>*>& parts);
std::int32_t sumEntries(const std::vector<std::int32_t>& entries);
// Packed counts (nbit < 32) that no longer fit: 32 (unpacked) and a note.
std::int32_t widened(std::int32_t nbit, const std::vector<float>& counts, const std::string& what,
                     std::vector<std::string>& notes);

struct Merged1D {
  Histogram histogram;
  MergeRole role = MergeRole::Tally;
};
Merged1D merge1D(const Parts<Histogram>& p, std::vector<std::string>& notes);
Histogram2D merge2D(const Parts<Histogram2D>& p, std::vector<std::string>& notes);
Profile mergeProfile(const Parts<Profile>& p);
RowNtuple mergeRows(const Parts<RowNtuple>& p);
ColumnNtuple mergeColumns(const Parts<ColumnNtuple>& p);

}  // namespace hbook::merging
