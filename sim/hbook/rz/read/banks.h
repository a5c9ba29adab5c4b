// The bank tree of one object.
//
// An object is NWTAB, NWBK, LENTRY, a table of the writer's memory regions
// (start, end) and NWBK words of banks in memory order. A bank is its first
// word (NOFF in bits 1-16), NIO extra I/O words, links NL ... 1, then next,
// up, origin, IDN, name, NL, NS, ND, status and ND data words. Links hold the
// writer's addresses: a bank's address is that of its "next" word, found
// through the table; a link that matches no bank's address is empty.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "hbook/rz/read/image.h"

namespace hbook::read {

struct Bank {
  std::int64_t first = 0;  // index of its first word in the bank material
  std::int64_t nst = 0;    // extra I/O words + links
  std::int64_t nl = 0;     // links
  std::int64_t ns = 0;     // structural links
  std::int64_t nd = 0;     // data words
  std::uint32_t address = 0;
  std::uint32_t status = 0;  // ZEBRA status word
  std::string name;          // four characters, e.g. "HID1"
};

class BankTree {
 public:
  // `where` names the object in messages ("record 4 word 1 (object of key 1 (100,0))").
  BankTree(const Image& image, std::vector<std::uint32_t> words, std::string where);

  const Bank& entry() const { return banks_.at(entry_); }
  // The bank at link j (1..NL) of b, or at its next link (j = 0); null when
  // the link is empty, points at no bank or j exceeds NL.
  const Bank* linked(const Bank& b, std::int64_t j) const;

  // Data word k (1..ND) of b; throws FileError beyond ND.
  std::uint32_t word(const Bank& b, std::int64_t k) const;
  float real(const Bank& b, std::int64_t k) const;
  std::int32_t integer(const Bank& b, std::int64_t k) const { return static_cast<std::int32_t>(word(b, k)); }
  // Data words k .. k+count-1 as text (four characters a word).
  std::string text(const Bank& b, std::int64_t k, std::int64_t count) const;

  // Marks b as read; throws when it was read before, so that links which
  // lead several times to one bank cannot multiply what is decoded.
  void take(const Bank& b) const;

  // Throws unless b has at least nd data words; `what` says what needs them.
  void requireData(const Bank& b, std::int64_t nd, const std::string& what) const;
  std::string where(const Bank& b) const { return where_ + ", " + b.name; }
  [[noreturn]] void fail(const Bank& b, const std::string& what) const { image_.fail(where(b), what); }
  [[noreturn]] void fail(const std::string& what) const { image_.fail(where_, what); }
  const Image& image() const { return image_; }
  std::int64_t bankCount() const { return static_cast<std::int64_t>(banks_.size()); }

 private:
  const Image& image_;
  std::vector<std::uint32_t> words_;
  std::string where_;
  std::int64_t material_ = 0;  // index in words_ of the first material word
  std::map<std::uint32_t, Bank> banks_;
  std::uint32_t entry_ = 0;  // address of the entry bank
  mutable std::set<std::uint32_t> taken_;
};

}  // namespace hbook::read
