// Ntuple data buffers: objects under keys (KID, n), n != 0, of one directory.
#include <algorithm>

#include "hbook/rz/read/readers.h"

namespace hbook::read {

NtupleBuffers::NtupleBuffers(const Image& image, ObjectWords& objects, const DirectoryListing& listing)
    : image_(image), objects_(objects), listing_(listing) {
  for (const Key& k : listing.keys) {
    if (k.elements.size() >= 2 && k.elements[1] != 0) keys_.emplace(std::make_pair(k.elements[0], k.elements[1]), &k);
  }
}

std::vector<std::uint32_t> NtupleBuffers::take(std::int32_t k1, std::int32_t k2, const std::string& owner) {
  const std::string label = owner + ", buffer (" + std::to_string(k1) + "," + std::to_string(k2) + ")";
  auto it = keys_.find({k1, k2});
  if (it == keys_.end()) image_.fail(label, "no such key in the directory");
  if (!taken_.emplace(it->first, true).second) image_.fail(label, "buffer claimed a second time");
  const Key& key = *it->second;
  BankTree tree(image_, objects_.read(key, listing_), "record " + std::to_string(key.cycle.record) + " word " +
                                                          std::to_string(key.cycle.word) + " (object of " + key.label() + ")");
  const Bank& b = tree.entry();
  std::vector<std::uint32_t> words;
  words.reserve(static_cast<std::size_t>(b.nd));
  for (std::int64_t k = 1; k <= b.nd; ++k) words.push_back(tree.word(b, k));
  return words;
}

void NtupleBuffers::release(std::int32_t k1) {
  for (const auto& [k, key] : keys_) {
    if (k.first == k1) taken_.emplace(k, true);
  }
}

std::vector<const Key*> NtupleBuffers::unused() const {
  std::vector<const Key*> left;
  for (const auto& [k, key] : keys_) {
    if (!taken_.count(k)) left.push_back(key);
  }
  std::sort(left.begin(), left.end(), [](const Key* a, const Key* b) { return a->serial < b->serial; });
  return left;
}

}  // namespace hbook::read
