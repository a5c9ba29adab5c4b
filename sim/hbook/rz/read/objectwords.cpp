// Reading object words: bounds of the cycle's record pointers, overlaps.
#include "hbook/rz/read/objectwords.h"

#include <algorithm>

namespace hbook::read {

void ObjectWords::claim(std::int64_t first, std::int64_t count, const Key& key, const DirectoryListing& listing) {
  const std::int64_t end = first + count;
  auto next = claimed_.lower_bound(first);
  if (next != claimed_.end() && next->first < end) {
    image_.fail(listing.where(key), "object overlaps the object of " + next->second.label);
  }
  if (next != claimed_.begin()) {
    auto prev = std::prev(next);
    if (prev->second.end > first) image_.fail(listing.where(key), "object overlaps the object of " + prev->second.label);
  }
  claimed_.emplace(first, Claim{end, (listing.path == "/" ? "" : "directory " + listing.path + " ") + key.label()});
}

std::vector<std::uint32_t> ObjectWords::read(const Key& key, const DirectoryListing& listing) {
  const Cycle& c = key.cycle;
  const std::int64_t lrec = image_.recordWords();
  const std::int64_t nrec = image_.records();
  if (c.record < 1 || c.record > nrec) {
    image_.fail(listing.where(key), "object record " + std::to_string(c.record) + " outside the file of " + std::to_string(nrec) + " records");
  }
  if (c.word < 1 || c.word > lrec) image_.fail(listing.where(key), "object start word " + std::to_string(c.word) + " outside the record");
  if (c.length < 3) image_.fail(listing.where(key), "object length " + std::to_string(c.length) + " too short");
  const std::int64_t n1 = std::min(c.length, lrec - c.word + 1);
  const std::int64_t rest = c.length - n1;
  if (rest > 0) {
    const std::int64_t more = (rest + lrec - 1) / lrec;
    if (c.continuation < 1 || c.continuation + more - 1 > nrec) {
      image_.fail(listing.where(key), "continuation records " + std::to_string(c.continuation) + ".." +
                                 std::to_string(c.continuation + more - 1) + " outside the file of " + std::to_string(nrec) +
                                 " records");
    }
  }
  const std::int64_t start = (c.record - 1) * lrec + c.word - 1;
  claim(start, n1, key, listing);
  if (rest > 0) claim((c.continuation - 1) * lrec, rest, key, listing);
  std::vector<std::uint32_t> words;
  words.reserve(static_cast<std::size_t>(c.length));
  for (std::int64_t k = 0; k < n1; ++k) words.push_back(image_.word(start + k));
  for (std::int64_t k = 0; k < rest; ++k) words.push_back(image_.word((c.continuation - 1) * lrec + k));
  return words;
}

}  // namespace hbook::read
