// The banks of one object being written, and their serialisation.
//
// An object is NWTAB (2: one memory region), NWBK, LENTRY, the region
// (start, end) and the banks in memory order. A bank is its first word (the
// I/O control byte and NOFF = NIO + NL + 12), NIO extra I/O words, links NL
// ... 1, next, up, origin, IDN, name, NL, NS, ND, status and the data words.
// Banks are added in memory order, lowest address first (the package books
// each new bank below the last, so the last one booked comes first); links
// name banks by the index add() returned and become addresses when the
// object is laid out from a notional store address. A bank's address is that
// of its "next" word. A bank hung from link j of P has up = P and origin =
// the address of that link (L(P) - j); one hung from the next link of A has
// A's up and origin L(A). The entry bank's own next, up and origin (which
// point into the writer's directory in a file the package writes, and which
// a reader zeroes) are 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hbook::write {

// The first word of a bank: I/O control byte (bits 17-32) and NOFF (bits 1-16).
constexpr std::uint32_t firstWord(std::uint32_t control, std::uint32_t nio, std::uint32_t nl) {
  return (control << 16) | (nio + nl + 12);
}

// Four characters as a text word: the first in the most significant byte.
std::uint32_t textWord(const char* four);
// Text in words of four characters, blank padded: `words` words (0: as many as the text needs).
std::vector<std::uint32_t> textWords(const std::string& text, std::size_t words = 0);

class BankSet {
 public:
  // Adds a bank after the others (at a higher address); returns its index.
  // `io` is the first word's I/O control byte followed by the extra I/O
  // words: {control, extra...}.
  int add(const char* name, std::int32_t idn, std::vector<std::uint32_t> io, int nl, int ns, std::uint32_t status,
          std::vector<std::uint32_t> data);

  // Bank `child` hangs from structural link j of `parent`.
  void hang(int child, int parent, int j);
  // Bank `child` follows `previous` on its next link (a chain).
  void chain(int child, int previous);
  // Reference link j of `from` points at `to` (no up or origin).
  void refer(int from, int j, int to);

  std::vector<std::uint32_t>& data(int bank) { return banks_.at(static_cast<std::size_t>(bank)).data; }
  // Words of bank material: the sum of NST + 10 + ND over the banks.
  std::int64_t materialWords() const;
  // The memory accounting word of a header bank: the sum of NL + 10 + ND.
  std::uint32_t accountingWords() const;

  // The object: header, table and banks, laid out from store address `start`.
  std::vector<std::uint32_t> object(std::uint32_t start, int entry) const;

 private:
  struct Link {
    int bank = -1;            // -1: empty
    std::int64_t offset = 0;  // address = L(bank) + offset (origin links)
  };
  struct Bank {
    std::uint32_t name = 0;
    std::int32_t idn = 0;
    std::vector<std::uint32_t> io;
    int nl = 0;
    int ns = 0;
    std::uint32_t status = 0;
    std::vector<std::uint32_t> data;
    std::vector<int> links;  // links 1..NL (index 0 = link 1)
    int next = -1;
    Link up, origin;
  };
  Bank& at(int b) { return banks_.at(static_cast<std::size_t>(b)); }
  std::vector<Bank> banks_;
};

}  // namespace hbook::write
