// Reading HBOOK files (ZEBRA RZ, exchange mode): every object of every
// directory.
//
// Reading accepts any record length and either byte order, walks every
// directory and loads 1-D histograms (unpacked or packed channels, optional
// sum-of-weights-squared bank, the old bank names of HBOOK 4), 2-D histograms
// with their projections, slices and bands, profiles, row-wise and
// column-wise ntuples. Objects whose layout is not known for certain
// (variable bin edges, Y bands, profile option P, packed real columns, ...)
// are skipped with one note each, never guessed. A damaged or hostile file
// gives a FileError naming the file, record and field; reading takes time and
// memory bounded by a small multiple of the file's size (sim/hbook/README.md
// lists the limits).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hbook/objects/directory.h"
#include "hbook/objects/histogram.h"
#include "hbook/rz/fileerror.h"

namespace hbook {

// An object of the file that is not read, with the line that says so.
struct SkippedObject {
  std::int32_t id = 0;          // first key element (the histogram id)
  std::string note;             // "<file>: key <n> (<id>,0): histogram with variable bin edges, skipped"
  std::string directory = "/";  // the directory holding it
};

struct ReadResult {
  std::vector<Histogram> histograms;   // 1-D histograms of the top directory, directory order
  std::vector<SkippedObject> skipped;  // objects not read, with the reason
  int recordWords = 0;                 // record length found in the file
  std::string topDirectory;            // the top directory's stored name (HRPUT for files HRPUT writes)
  int objects = 0;                     // keys in the top directory
  int allHistograms = 0;               // keys (id, 0) of the top directory: histograms of every kind and ntuples
  // Every directory, breadth first from the top one ("/"), with every object read.
  std::vector<Directory> directories;
};

// Read a whole file. Throws FileError, also when the file cannot be read or
// is a directory.
ReadResult readFile(const std::string& path);
// Read a file image held in memory; `name` stands for the file in messages.
ReadResult readMemory(const std::string& name, std::vector<unsigned char> bytes);

}  // namespace hbook
