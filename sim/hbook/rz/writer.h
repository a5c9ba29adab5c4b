// Writing HBOOK files as the package writes them.
//
// Files of 1-D histograms are what HRPUT(0, file, 'N') writes: 1024-word
// big-endian records, a two-record top directory named HRPUT, one key
// (id, 0) and one cycle per histogram in the given order, the objects packed
// back to back from record 4. The ZEBRA status word of a histogram's header
// bank is 0x00040010 for one read from a file (Histogram::readFromFile) and
// 0x00040000 for one booked in memory, as the package writes them.
//
// Files of every object kind (rz/write/): 1-D histograms (packed or not,
// errors, variable bin edges), 2-D histograms (packed or not, errors,
// projections, slices, X and Y bands), profiles (every error option),
// row-wise ntuples (disk-resident, their buffers as keys (id, n) of their
// own, or memory-resident in their header), column-wise ntuples with their
// column buffers as keys (id, 10000 k + v), subdirectories with records of
// their own; a directory whose keys outgrow its records takes one more, as
// the package's does; objects beyond 2^20 - 1 words or records beyond 65535
// give 7-word cycles, files beyond 32000 records a larger quota. The date
// words come from rz/date.h. What the package leaves to chance (dates,
// memory addresses, stale buffer words) is listed in sim/hbook/README.md.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hbook/objects/directory.h"
#include "hbook/objects/histogram.h"
#include "hbook/objects/histogram2d.h"
#include "hbook/objects/ntuple.h"
#include "hbook/objects/profile.h"
#include "hbook/rz/fileerror.h"

namespace hbook {

// Write histograms as HRPUT(0, path, 'N') does. With overwrite false an
// existing file is never touched (returns false), even if it appears while
// the file is being written. The file is written to a temporary name in the
// same directory and renamed into place, so a failed write never leaves a
// partial file under the real name. Throws FileError when writing fails or
// a histogram cannot be stored (nx < 1, arrays of the wrong length, packed
// channels holding what their bits cannot).
bool writeFile(const std::string& path, const std::vector<const Histogram*>& histograms, bool overwrite = false);

// The words writeFile would write (big-endian bytes, whole records).
std::vector<unsigned char> fileImage(const std::vector<const Histogram*>& histograms);

// How a file of every object kind is written.
struct WriteOptions {
  int recordWords = 1024;  // record length in words: 1024 as HRPUT writes; 256 to 8191
  bool overwrite = false;  // replace an existing file
  // The top directory's name (1 to 16 characters of the 6-bit code); ntuple
  // headers name their directory after it ("//HRPUT/AA").
  std::string topDirectory = "HRPUT";
};

// Write every object of every directory: `directories` holds the top
// directory ("/") and any below it ("/AA", "/AA/BB"), each listed by name
// among its parent's subdirectories; objects in each directory's order,
// their ids different within a directory. Subdirectory names are stored
// upper-case (as the package's HMDIR stores them). Throws FileError naming
// the object that cannot be stored; returns false, writing nothing, when the
// file exists and overwrite is not asked.
bool writeFile(const std::string& path, const std::vector<Directory>& directories, const WriteOptions& options);
std::vector<unsigned char> fileImage(const std::vector<Directory>& directories, const WriteOptions& options);

// A program's result file: its 1-D histograms, then column-wise ntuples (an
// NtupleBuilder's, memory/ntuplebuilder.h), all in the top directory,
// nothing copied.
bool writeFile(const std::string& path, const std::vector<const Histogram*>& histograms,
               const std::vector<const ColumnNtuple*>& ntuples, const WriteOptions& options);

// The status word (KBITS, header word 1) an object is written with: its own,
// with the bits that say what it is and holds set from what it holds (a 1-D
// histogram's bit 1, bit 6 with bin edges, bit 9 with errors; a 2-D
// histogram's bit 2 unless it is a table, bit 8 with projections, slices or
// bands; a profile's bits 1, 8 and 9). A file whose bits disagree with its
// banks is copied with them set.
std::uint32_t storedStatusBits(const Histogram& h);
std::uint32_t storedStatusBits(const Histogram2D& h);
std::uint32_t storedStatusBits(const Profile& p);

}  // namespace hbook
