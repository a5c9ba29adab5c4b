// Adding the histogram files of separate runs together (hbook merge).
//
// Every file must hold the same 1-D histograms, in its top directory only,
// with the same ids, titles and binning. Each histogram is one of three
// kinds, told by the first file and required of the others:
//   - a tally (the usual case): contents, under- and overflow, the sums of
//     squared weights where stored and the fill statistics are added up in
//     double precision in file order and rounded to single precision once;
//     entries are added as 64-bit integers and kept at 2147483647 if the sum
//     does not fit the file's 32-bit word;
//   - an input (the file marks it as read from a file, as a program's inputs
//     loaded and written back unchanged are marked): it must be the same bit
//     for bit in every file, and is written once;
//   - a sampler's working copy (entries -1: contents turned into a running
//     sum by HRNDM1): it is not a result; the first file's is written and
//     the others' binning and contents are not compared (a copy of part of a
//     distribution may end at a different bin in each run).
// Anything else (another kind of object, a subdirectory, an object the
// reader skipped, an id missing from one file, a different title or binning,
// errors stored in one file and not another) is refused with a FileError
// naming the file and the id.
#pragma once

#include <string>
#include <vector>

#include "hbook/rz/reader.h"

namespace hbook {

struct MergeSource {
  std::string name;  // the file, as messages name it
  ReadResult file;
};

enum class MergeRole { Tally, Input, WorkingCopy };

struct MergedHistogram {
  Histogram histogram;  // readFromFile set so that the writer keeps its marking
  MergeRole role = MergeRole::Tally;
};

// The merged histograms in the first file's order; at least one source.
std::vector<MergedHistogram> mergeHistograms(const std::vector<MergeSource>& sources);

// The entries of a merged histogram as the file's 32-bit word holds them.
std::int32_t entriesWord(std::int64_t entries);

}  // namespace hbook
