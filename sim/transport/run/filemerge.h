// hbook merge of tarn's histogram files: the generic merge (hbook/merge.h)
// with the runs' records (filerecord.h) taken into account.
//
// - Files whose records say they hold blocks of one and the same run (the
//   tasks of a job array, the partial file of a stopped run and the rest):
//   no block may be in two files, and every block of the run must be in one
//   (a file of part of the run only when asked for). They are added in block
//   order, channels whose sums single precision cannot hold from the exact
//   values the records keep, the working copies taken from the file of the
//   block that made them last; the result carries the record of the blocks
//   it holds, so that the files of every block give the file of the run
//   made in one go, histogram for histogram and word for word.
// - Anything else (runs with different seeds or inputs, files without a
//   record, such as a run of 100000 events) is added as independent runs,
//   as the generic merge does; files of the same seed still may not share a
//   block (their events would repeat each other). The result has no record,
//   or, for a beamline other than the shipped one, the record of the
//   beamline alone (filerecord.h).
// - Runs of different beamlines are refused, naming the values that differ
//   (beamlinerecord.h): their sums describe different set-ups. A file
//   without a record is of the shipped beamline.
// - A file's objects other than the 1-D histograms of its top directory (an
//   ntuple, 2-D histograms, subdirectories) are added by the generic merge
//   of every kind (hbook::mergeFiles), the files taken in the same order
//   as the histograms (block order for the blocks of one run, so that an
//   ntuple's rows follow the blocks).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "hbook/merge.h"

namespace tarn {

struct RunFilesMerge {
  std::vector<hbook::MergedHistogram> merged;  // to be written, in order
  bool withRecord = false;                     // the last one is the run record of the result
  bool beamlineRecord = false;                 // the last one is the record of independent runs' beamline
  std::vector<std::string> notes;              // what was done, for the user
  // Every other object: the top directory ("/") with the objects that are
  // not 1-D histograms, and the directories below it; no objects when the
  // files hold 1-D histograms of the top directory only.
  hbook::MergedFile others;
};

// Throws hbook::FileError naming the files and the blocks.
RunFilesMerge mergeRunFiles(std::vector<hbook::MergeSource> sources, bool incomplete);

// The directories of the merged file: in the top one the 1-D histograms in
// the order of `merged` (the run record last), then the other objects in
// the first file's order; then the directories below it.
std::vector<hbook::Directory> mergedDirectories(const RunFilesMerge& m);

}  // namespace tarn
