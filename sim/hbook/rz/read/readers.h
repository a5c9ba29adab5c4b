// Readers of the object kinds, one file each, over the bank tree of the
// object. Each throws FileError for an inconsistent object and Unsupported
// for a layout that is not known for certain (the object is then skipped
// with a note rather than guessed at).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "hbook/objects/histogram.h"
#include "hbook/objects/histogram2d.h"
#include "hbook/objects/ntuple.h"
#include "hbook/objects/profile.h"
#include "hbook/rz/read/banks.h"
#include "hbook/rz/read/listing.h"
#include "hbook/rz/read/objectwords.h"

namespace hbook::read {

struct Unsupported {
  std::string why;  // "profile with error option P"
  // An ntuple skipped this way owns the buffers under keys (bufferKey, n).
  bool ownsBuffers = false;
  std::int32_t bufferKey = 0;
};

// The title stored in `count` data words from word `first`, trailing blanks removed.
inline std::string titleText(const BankTree& tree, const Bank& b, std::int64_t first, std::int64_t count) {
  std::string t = tree.text(b, first, count);
  t.erase(t.find_last_not_of(' ') + 1);
  return t;
}

// Channels 0..n+1 of a 1-D contents bank (HCO1, HCOP, projection contents)
// with `nbit` bits each (32: floats, fewer: packed counts); `what` names it
// in messages. Throws FileError when the bank is too short or NBIT is not 1..32.
std::vector<float> readChannels(const BankTree& tree, const Bank& b, std::int64_t n, std::int32_t nbit,
                                const std::string& what);

Histogram readHistogram1D(const BankTree& tree, std::int32_t id);
Histogram2D readHistogram2D(const BankTree& tree, std::int32_t id);
Profile readProfile(const BankTree& tree, std::int32_t id);

// The data buffers of ntuples: objects of the same directory under keys
// (KID, n) with n != 0, each read at most once.
class NtupleBuffers {
 public:
  NtupleBuffers(const Image& image, ObjectWords& objects, const DirectoryListing& listing);
  // Reads the buffer under key (k1, k2) and gives its only bank's data
  // words; `owner` names the ntuple in messages. Throws FileError when the
  // key is missing, was taken before or its object is not one data bank.
  std::vector<std::uint32_t> take(std::int32_t k1, std::int32_t k2, const std::string& owner);
  // Marks every buffer under keys (k1, n) as taken: they belong to an ntuple
  // that was skipped.
  void release(std::int32_t k1);
  // Keys (k1, k2 != 0) that no ntuple took.
  std::vector<const Key*> unused() const;

 private:
  const Image& image_;
  ObjectWords& objects_;
  const DirectoryListing& listing_;
  std::map<std::pair<std::int32_t, std::int32_t>, const Key*> keys_;
  std::map<std::pair<std::int32_t, std::int32_t>, bool> taken_;
};

RowNtuple readRowNtuple(const BankTree& tree, std::int32_t id, NtupleBuffers& buffers);
ColumnNtuple readColumnNtuple(const BankTree& tree, std::int32_t id, NtupleBuffers& buffers);

}  // namespace hbook::read
