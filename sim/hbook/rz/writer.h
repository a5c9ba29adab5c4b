// Writing 1-D histograms into an HBOOK file as HRPUT(0, file, 'N') does.
//
// The file has 1024-word big-endian records, a two-record top directory
// named HRPUT, one key (id, 0) and one cycle per histogram in the given
// order, the objects packed back to back from record 4. Channels are always
// written unpacked. The ZEBRA status word of the header bank is 0x00040010
// for a histogram read from a file (Histogram::readFromFile) and 0x00040000
// for one booked in memory, as the package writes them. At most 141
// histograms fit in the directory; more are refused with a FileError (the
// package would add directory records). The date words come from
// rz/date.h.
#pragma once

#include <string>
#include <vector>

#include "hbook/objects/histogram.h"
#include "hbook/rz/fileerror.h"

namespace hbook {

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

}  // namespace hbook
