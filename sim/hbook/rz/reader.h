// HBOOK files (ZEBRA RZ, exchange mode): reading every object, writing 1-D
// histograms.
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
//
// Writing produces what HRPUT(0, file, 'N') writes: 1024-word big-endian
// records, a two-record top directory named HRPUT, one key (id, 0) and one
// cycle per histogram in the given order, the objects packed back to back
// from record 4. Channels are always written unpacked. The ZEBRA status word
// of the header bank is 0x00040010 for a histogram read from a file
// (Histogram::readFromFile) and 0x00040000 for one booked in memory, as the
// package writes them. At most 141 histograms fit in the directory; more are
// refused with a FileError (the package would add directory records).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "hbook/objects/directory.h"
#include "hbook/objects/histogram.h"

namespace hbook {

// Every problem with a file: the message names the file, the record and the
// field at fault.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An object of the file that is not read, with the line that says so.
struct SkippedObject {
  std::int32_t id = 0;         // first key element (the histogram id)
  std::string note;            // "<file>: key <n> (<id>,0): histogram with variable bin edges, skipped"
  std::string directory = "/"; // the directory holding it
};

struct ReadResult {
  std::vector<Histogram> histograms;   // 1-D histograms of the top directory, directory order
  std::vector<SkippedObject> skipped;  // objects not read, with the reason
  int recordWords = 0;                // record length found in the file
  int objects = 0;                    // keys in the top directory
  int allHistograms = 0;              // keys (id, 0) of the top directory: histograms of every kind and ntuples
  // Every directory, breadth first from the top one ("/"), with every object read.
  std::vector<Directory> directories;
};

// Read a whole file. Throws FileError, also when the file cannot be read or
// is a directory.
ReadResult readFile(const std::string& path);
// Read a file image held in memory; `name` stands for the file in messages.
ReadResult readMemory(const std::string& name, std::vector<unsigned char> bytes);

// Write histograms as HRPUT(0, path, 'N') does. With overwrite false an
// existing file is never touched (returns false), even if it appears while
// the file is being written. The file is written to a temporary name in the
// same directory and renamed into place, so a failed write never leaves a
// partial file under the real name. Throws FileError when writing fails or
// the histograms cannot be stored (more than 141, an object over 2^20 words,
// nx < 1).
bool writeFile(const std::string& path, const std::vector<const Histogram*>& histograms,
               bool overwrite = false);

// The words writeFile would write (big-endian bytes, whole records).
std::vector<unsigned char> fileImage(const std::vector<const Histogram*>& histograms);

// Local date and time stored in the directory and cycle date words.
struct FileDate {
  int year = 1986;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
};

// Write every following file with this date (for reproducible files) ...
void setFileDate(const FileDate& date);
// ... or with the clock's local time (the default).
void useClockDate();

// The date word: minutes since 1986 in bits 9-32, modulo 2^24.
std::uint32_t encodeFileDate(const FileDate& date);
// Inverse of encodeFileDate; wrapped: the date is 2017 or later (the stored
// minutes wrapped once).
FileDate decodeFileDate(std::uint32_t word, bool wrapped);

}  // namespace hbook
