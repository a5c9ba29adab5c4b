// Where everything of a file goes: records, directories, keys and cycles.
//
// The file is records of LREC words. Record 1 is zero (the lock record); the
// top directory takes records 2 .. NRD+1 (NRD from the quota: its record
// bitmap must fit); then, directory by directory in the order of a walk
// that visits a directory before its subdirectories, each directory's
// objects are packed back to back into data records of its own, an object
// continuing in consecutive new records when it does not fit; a
// subdirectory's own directory record comes just before its data. A
// directory whose keys and cycles would leave fewer free words than one
// more key and four cycles need takes one more record (the next free one)
// and its cycle area moves up by a record. Cycles are the package's 4-word
// cycles, or its 7-word cycles when an object exceeds 2^20 - 1 words or a
// record number 65535; the quota grows past 32000 records when the file
// needs more.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hbook/rz/write/objects.h"

namespace hbook::write {

// One directory to write: its name (the top one: "") and its keyed objects in key order.
struct DirectoryNode {
  std::string name;
  KeyedObjects objects;
  std::vector<DirectoryNode> subdirectories;
};

struct Layout {
  int recordWords = 1024;
  std::string topName = "HRPUT";
};

// The whole file image, big-endian, whole records. Throws FileError when
// the file cannot be laid out (more than 2 GiB).
std::vector<unsigned char> fileImage(const DirectoryNode& top, const Layout& layout);

}  // namespace hbook::write
