#include "hbook/rz/write/objectbanks.h"

#include <stdexcept>

namespace hbook::write {

std::uint32_t textWord(const char* four) {
  return (std::uint32_t{static_cast<unsigned char>(four[0])} << 24) |
         (std::uint32_t{static_cast<unsigned char>(four[1])} << 16) |
         (std::uint32_t{static_cast<unsigned char>(four[2])} << 8) | std::uint32_t{static_cast<unsigned char>(four[3])};
}

std::vector<std::uint32_t> textWords(const std::string& text, std::size_t words) {
  if (words == 0) words = (text.size() + 3) / 4;
  std::vector<std::uint32_t> w;
  for (std::size_t k = 0; k < words; ++k) {
    char four[4] = {' ', ' ', ' ', ' '};
    for (std::size_t c = 0; c < 4 && 4 * k + c < text.size(); ++c) four[c] = text[4 * k + c];
    w.push_back(textWord(four));
  }
  return w;
}

int BankSet::add(const char* name, std::int32_t idn, std::vector<std::uint32_t> io, int nl, int ns,
                 std::uint32_t status, std::vector<std::uint32_t> data) {
  Bank b;
  b.name = textWord(name);
  b.idn = idn;
  b.io = std::move(io);
  b.nl = nl;
  b.ns = ns;
  b.status = status;
  b.data = std::move(data);
  b.links.assign(static_cast<std::size_t>(nl), -1);
  banks_.push_back(std::move(b));
  return static_cast<int>(banks_.size()) - 1;
}

void BankSet::hang(int child, int parent, int j) {
  at(parent).links.at(static_cast<std::size_t>(j - 1)) = child;
  at(child).up = {parent, 0};
  at(child).origin = {parent, -j};
}

void BankSet::chain(int child, int previous) {
  at(previous).next = child;
  at(child).up = at(previous).up;
  at(child).origin = {previous, 0};
}

void BankSet::refer(int from, int j, int to) { at(from).links.at(static_cast<std::size_t>(j - 1)) = to; }

std::int64_t BankSet::materialWords() const {
  std::int64_t n = 0;
  for (const Bank& b : banks_)
    n += static_cast<std::int64_t>(b.io.size()) + b.nl + 9 + static_cast<std::int64_t>(b.data.size());
  return n;
}

std::uint32_t BankSet::accountingWords() const {
  std::int64_t n = 0;
  for (const Bank& b : banks_) n += b.nl + 10 + static_cast<std::int64_t>(b.data.size());
  return static_cast<std::uint32_t>(n);
}

std::vector<std::uint32_t> BankSet::object(std::uint32_t start, int entry) const {
  // Each bank's address: its first word, NIO extra words, NL links, then "next".
  std::vector<std::uint32_t> address;
  std::uint32_t at = start;
  for (const Bank& b : banks_) {
    address.push_back(at + static_cast<std::uint32_t>(b.io.size() + b.nl));
    at += static_cast<std::uint32_t>(b.io.size() + b.nl + 9 + b.data.size());
  }
  auto linkAddress = [&](int bank, std::int64_t offset = 0) -> std::uint32_t {
    return bank < 0 ? 0u : static_cast<std::uint32_t>(address[static_cast<std::size_t>(bank)] + offset);
  };
  const std::uint32_t nwbk = at - start;
  std::vector<std::uint32_t> w = {2, nwbk, linkAddress(entry), start, start + nwbk};
  w.reserve(5 + nwbk);
  for (std::size_t i = 0; i < banks_.size(); ++i) {
    const Bank& b = banks_[i];
    const std::uint32_t nio = static_cast<std::uint32_t>(b.io.size() - 1);
    w.push_back(firstWord(b.io[0], nio, static_cast<std::uint32_t>(b.nl)));
    for (std::size_t k = 1; k < b.io.size(); ++k) w.push_back(b.io[k]);
    for (int j = b.nl; j >= 1; --j) w.push_back(linkAddress(b.links[static_cast<std::size_t>(j - 1)]));
    const bool top = static_cast<int>(i) == entry;
    w.push_back(top ? 0 : linkAddress(b.next));
    w.push_back(top ? 0 : linkAddress(b.up.bank, b.up.offset));
    w.push_back(top ? 0 : linkAddress(b.origin.bank, b.origin.offset));
    w.push_back(static_cast<std::uint32_t>(b.idn));
    w.push_back(b.name);
    w.push_back(static_cast<std::uint32_t>(b.nl));
    w.push_back(static_cast<std::uint32_t>(b.ns));
    w.push_back(static_cast<std::uint32_t>(b.data.size()));
    w.push_back(b.status);
    w.insert(w.end(), b.data.begin(), b.data.end());
  }
  return w;
}

}  // namespace hbook::write
