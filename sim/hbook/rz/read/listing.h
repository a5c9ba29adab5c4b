// One directory of an HBOOK file: its records, its keys with the highest
// cycle of each, and its list of subdirectories.
//
// A directory occupies NRD records (the first one is where the directory
// starts; it lists all of them); pointers inside it index the concatenation
// of those records. The top directory starts at record 2 and also holds the
// file descriptor; a subdirectory starts at the record its parent's
// subdirectory list gives. Keys are (KEY(1), ..., KEY(NWKEY)); a cycle block
// says where the object of one version of a key lies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hbook/rz/read/image.h"

namespace hbook::read {

// Where the object of a key's highest cycle lies.
struct Cycle {
  std::int64_t record = 0;        // IR1: record of the object's first word
  std::int64_t word = 0;          // IP1: its word in that record (1-based)
  std::int64_t continuation = 0;  // IR2: first of the records it continues in
  std::int64_t length = 0;        // NW: words of the object
  std::uint32_t flags = 0;        // low byte of the date word (8: appended, 1-7: plain vector)
};

struct Key {
  std::int64_t serial = 0;             // 1-based position in the directory
  std::vector<std::int32_t> elements;  // KEY(1) ... KEY(NWKEY)
  Cycle cycle;
  std::int64_t cycleWord = 0;  // directory word of the cycle block

  std::string label() const;  // "key 3 (10,0)"
};

struct SubdirectoryEntry {
  std::string name;
  std::int64_t record = 0;  // first record of its directory
};

struct DirectoryListing {
  std::string path;  // "/" for the top directory
  std::string name;  // the name stored in the directory itself (the top one: as its writer opened it)
  std::int64_t recordWords = 0;
  std::vector<std::int64_t> records;  // the directory's own records, in order
  std::vector<Key> keys;              // in directory (writing) order
  std::vector<SubdirectoryEntry> subdirectories;

  // Where a key's cycle block lies, for messages about its object:
  // "record 3 (directory word 2045, cycle), key 1 (100,0)".
  std::string where(const Key& key) const;
};

// Read the directory starting at `firstRecord`; `path` is "/" for the top
// directory (record 2), which alone must hold the file descriptor.
DirectoryListing readDirectory(const Image& image, std::int64_t firstRecord, const std::string& path);

// Four characters in the 6-bit code of directory names and key tags.
std::string sixBitText(std::uint32_t w);

}  // namespace hbook::read
