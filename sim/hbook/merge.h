// Adding the files of separate runs together (hbook merge).
//
// Every file must have the same directories, each with the same objects
// (ids and kinds); objects are matched by directory path and id and added:
//   - 1-D histograms: each is one of three kinds, told by the first file and
//     required of the others: a tally (contents, under- and overflow, the
//     sums of squared weights where stored and the fill statistics added up
//     in double precision in file order and rounded to single precision
//     once; entries added as 64-bit integers and kept at 2147483647 if the
//     sum does not fit the file's 32-bit word); an input (the file marks it
//     as read from a file, as a program's inputs are marked): the same bit
//     for bit in every file, written once; a sampler's working copy
//     (entries -1): the first file's is written.
//   - 2-D histograms: cells, sums of squared weights, entries and every
//     projection, slice and band, summed like tallies;
//   - profiles: the sums of w*y, w*y^2 and w per channel and the entries;
//     with error option P the sums of squared deviations are combined with
//     the difference of the bin means (sum(w)_1 sum(w)_2 / sum(w) (mean_1 -
//     mean_2)^2 added), which for identical parts is plain doubling;
//   - ntuples (row- and column-wise): the rows of the later files follow the
//     first file's; row-wise minima and maxima are combined.
// Packed channels whose sums no longer fit their bits are written unpacked
// (a note says so). Anything else (an object the reader skipped, a
// directory or an id missing from one file, a different kind, title,
// binning, error option, projection, variable or tag, errors stored in one
// file and not another) is refused with a FileError naming the file and the
// object.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hbook/rz/reader.h"
#include "hbook/rz/writer.h"

namespace hbook {

struct MergeSource {
  std::string name;  // the file, as messages name it
  ReadResult file;
};

enum class MergeRole { Tally, Input, WorkingCopy, Rows };

struct MergedObject {
  std::string directory;  // its path
  ObjectKind kind = ObjectKind::Histogram1D;
  std::int32_t id = 0;
  MergeRole role = MergeRole::Tally;  // Rows for ntuples
};

struct MergedFile {
  // The merged objects in the first file's directories and order; 1-D
  // histograms carry readFromFile for the writer to keep their marking.
  std::vector<Directory> directories;
  std::vector<MergedObject> objects;  // directory by directory, in key order
  std::vector<std::string> notes;     // "2-D histogram 17: ... written unpacked"
};

// At least one source.
MergedFile mergeFiles(const std::vector<MergeSource>& sources);

// The 1-D histograms of the merged top directory with their roles, for
// files of 1-D histograms in their top directory only, as a program's
// results are (others are refused: mergeFiles adds them).
struct MergedHistogram {
  Histogram histogram;  // readFromFile set so that the writer keeps its marking
  MergeRole role = MergeRole::Tally;
};
std::vector<MergedHistogram> mergeHistograms(const std::vector<MergeSource>& sources);

// True when two files hold the same objects with the same values, bit for
// bit (what the writer would store of them is the same).
bool sameContents(const ReadResult& a, const ReadResult& b);
// A digest of the same: files of equal contents have equal digests (for
// finding them among many files at once; sameContents confirms).
std::uint64_t contentsDigest(const ReadResult& r);

// The entries of a merged object as the file's 32-bit word holds them.
std::int32_t entriesWord(std::int64_t entries);

}  // namespace hbook
