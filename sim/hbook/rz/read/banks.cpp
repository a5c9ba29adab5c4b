// Walking the banks of an object.
#include "hbook/rz/read/banks.h"

#include <algorithm>
#include <bit>

namespace hbook::read {
namespace {

constexpr std::int64_t BANK_HEADER_WORDS = 10;  // next, up, origin, IDN, name, NL, NS, ND, status + first word
constexpr std::int64_t MIN_NOFF = 12;           // NOFF = NIO + NL + 12; below it: a dead region of NOFF words

}  // namespace

BankTree::BankTree(const Image& image, std::vector<std::uint32_t> words, std::string where)
    : image_(image), words_(std::move(words)), where_(std::move(where)) {
  const std::int64_t nw = static_cast<std::int64_t>(words_.size());
  if (nw < 3) fail("object of " + std::to_string(nw) + " words has no header");
  const std::int64_t nwtab = words_[0];
  const std::int64_t nwbk = words_[1];
  const std::uint32_t lentry = words_[2];
  if (nwtab < 2 || nwtab % 2 != 0 || 3 + nwtab > nw) fail("table length NWTAB " + std::to_string(nwtab) + " invalid");
  if (3 + nwtab + nwbk != nw) {
    fail("bank material length NWBK " + std::to_string(nwbk) + " disagrees with the object length " + std::to_string(nw));
  }
  // The writer's memory regions: (first material index, start address).
  std::vector<std::pair<std::int64_t, std::uint32_t>> regions;
  std::int64_t total = 0;
  for (std::int64_t r = 0; r < nwtab; r += 2) {
    const std::uint32_t start = words_[3 + r];
    const std::uint32_t end = words_[4 + r];
    if (end < start) fail("table region " + std::to_string(r / 2 + 1) + " ends before it starts");
    regions.emplace_back(total, start);
    total += end - start;
  }
  if (total != nwbk) fail("table regions hold " + std::to_string(total) + " words, NWBK says " + std::to_string(nwbk));
  material_ = 3 + nwtab;
  const std::uint32_t* mat = words_.data() + material_;
  auto address = [&](std::int64_t k) {
    auto it = std::upper_bound(regions.begin(), regions.end(), k,
                               [](std::int64_t v, const auto& reg) { return v < reg.first; });
    --it;
    return static_cast<std::uint32_t>(it->second + static_cast<std::uint32_t>(k - it->first));
  };
  for (std::int64_t p = 0; p < nwbk;) {
    const std::int64_t noff = mat[p] & 0xFFFF;
    const std::string bw = where_ + ", bank at material word " + std::to_string(p + 1);
    if (noff < MIN_NOFF) {
      if (noff == 0) image_.fail(bw, "zero-length dead region");
      p += noff;
      continue;
    }
    Bank b;
    b.first = p;
    b.nst = noff - MIN_NOFF;
    if (p + b.nst + BANK_HEADER_WORDS - 1 >= nwbk) image_.fail(bw, "bank header runs past the bank material");
    b.nl = mat[p + b.nst + 6];
    b.ns = mat[p + b.nst + 7];
    b.nd = mat[p + b.nst + 8];
    b.status = mat[p + b.nst + 9];
    const std::int64_t nio = (b.status >> 18) & 0xF;
    if (nio + b.nl != b.nst || b.ns > b.nl) {
      image_.fail(bw, "link counts NL " + std::to_string(b.nl) + ", NS " + std::to_string(b.ns) + " disagree with NOFF " +
                          std::to_string(noff));
    }
    if (b.nd > nwbk - p - b.nst - BANK_HEADER_WORDS) image_.fail(bw, "data length ND " + std::to_string(b.nd) + " overruns the object");
    b.name = image_.text(mat[p + b.nst + 5]);
    b.address = address(p) + static_cast<std::uint32_t>(noff - 11);
    banks_.emplace(b.address, b);
    p += b.nst + BANK_HEADER_WORDS + b.nd;
  }
  auto it = banks_.find(lentry);
  if (lentry == 0 || it == banks_.end()) fail("entry address LENTRY " + hexWord(lentry) + " is no bank");
  entry_ = lentry;
}

const Bank* BankTree::linked(const Bank& b, std::int64_t j) const {
  if (j < 0 || j > b.nl) return nullptr;
  const std::uint32_t addr = words_[material_ + b.first + b.nst + 1 - j];
  if (addr == 0) return nullptr;
  auto it = banks_.find(addr);
  return it == banks_.end() ? nullptr : &it->second;
}

std::uint32_t BankTree::word(const Bank& b, std::int64_t k) const {
  if (k < 1 || k > b.nd) {
    fail(b, "data word " + std::to_string(k) + " lies beyond its " + std::to_string(b.nd) + " data words");
  }
  return words_[material_ + b.first + b.nst + 9 + k];
}

float BankTree::real(const Bank& b, std::int64_t k) const { return std::bit_cast<float>(word(b, k)); }

std::string BankTree::text(const Bank& b, std::int64_t k, std::int64_t count) const {
  std::string s;
  for (std::int64_t i = 0; i < count; ++i) s += image_.text(word(b, k + i));
  return s;
}

void BankTree::take(const Bank& b) const {
  if (!taken_.insert(b.address).second) fail(b, "bank reached a second time through the links");
}

void BankTree::requireData(const Bank& b, std::int64_t nd, const std::string& what) const {
  if (b.nd < nd) fail(b, "data length ND " + std::to_string(b.nd) + " too short for " + what);
}

}  // namespace hbook::read
