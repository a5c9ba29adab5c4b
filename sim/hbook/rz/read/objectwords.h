// The words of the objects of a file, each read at most once.
//
// An object starts at word IP1 of record IR1 and, when longer than the rest
// of that record, continues from word 1 of record IR2, IR2+1, ... Two keys
// whose objects share a word are refused: in a genuine file every object has
// its own words, and refusing overlaps keeps the words decoded from a file no
// more than the file holds, whatever its keys claim.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "hbook/rz/read/image.h"
#include "hbook/rz/read/listing.h"

namespace hbook::read {

class ObjectWords {
 public:
  explicit ObjectWords(const Image& image) : image_(image) {}

  // The words of the object of `key`'s highest cycle. Throws FileError when
  // the cycle points outside the file or at words another key's object uses.
  std::vector<std::uint32_t> read(const Key& key, const DirectoryListing& listing);

 private:
  void claim(std::int64_t first, std::int64_t count, const Key& key, const DirectoryListing& listing);

  const Image& image_;
  struct Claim {
    std::int64_t end;   // one past the last file word
    std::string label;  // the key that owns the words
  };
  std::map<std::int64_t, Claim> claimed_;  // first file word (0-based) -> claim
};

}  // namespace hbook::read
