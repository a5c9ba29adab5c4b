// Word-by-word comparison of an HBOOK file we wrote with one the package
// wrote. Equal apart from what the package leaves to chance: the date words
// (directory words 10, 11, 43 and each cycle's date word; compared exactly
// unless masked), the memory addresses in the object tables and bank links
// (compared as offsets from the object's table start, except the header
// bank's own next, up and origin links, which point into the writer's memory
// outside the object) and the stale tail of the last record (ours is zero).
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/files.h"

namespace testsupport {

constexpr std::size_t RECORD_WORDS = 1024;  // words per record

// Big-endian 32-bit words of a file image.
inline std::vector<std::uint32_t> words(const std::vector<unsigned char>& b) {
  std::vector<std::uint32_t> w(b.size() / 4);
  for (std::size_t i = 0; i < w.size(); ++i) {
    w[i] = (std::uint32_t{b[4 * i]} << 24) | (std::uint32_t{b[4 * i + 1]} << 16) | (std::uint32_t{b[4 * i + 2]} << 8) |
           b[4 * i + 3];
  }
  return w;
}

enum class Rule { Exact, Date, Relative, Junk };

// What each word of a file written by HRPUT is, from the directory and the
// bank headers of the file itself (0-based word index -> rule; default Exact).
inline std::vector<Rule> rules(const std::vector<std::uint32_t>& w, std::size_t& usedWords,
                               std::vector<std::uint32_t>& tableStart) {
  std::vector<Rule> r(w.size(), Rule::Exact);
  tableStart.assign(w.size(), 0);
  auto D = [&](std::size_t k) { return w[RECORD_WORDS + k - 1]; };  // directory word k (records 2-3)
  for (std::size_t k : {10u, 11u, 43u}) r[RECORD_WORDS + k - 1] = Rule::Date;
  const std::size_t nkeys = D(31);
  for (std::size_t i = 0; i < nkeys; ++i) {
    const std::size_t c = D(1044 + 3 * i);
    r[RECORD_WORDS + c] = Rule::Date;  // cycle word 2
    const std::size_t ir2 = D(c) >> 16, ir1 = D(c + 2) >> 16, ip1 = D(c + 2) & 0xFFFF, nw = D(c + 3) & 0xFFFFF;
    std::vector<std::size_t> at;  // file word index of each object word
    for (std::size_t k = 0; k < nw; ++k) {
      const std::size_t first = RECORD_WORDS - ip1 + 1;
      at.push_back(k < first ? (ir1 - 1) * RECORD_WORDS + ip1 - 1 + k : (ir2 - 1) * RECORD_WORDS + (k - first));
    }
    const std::uint32_t start = w[at[3]];
    auto relative = [&](std::size_t k) {
      r[at[k]] = Rule::Relative;
      tableStart[at[k]] = start;
    };
    relative(2);  // LENTRY
    relative(3);  // table start
    relative(4);  // table end
    const std::uint32_t lentry = w[at[2]];
    for (std::size_t p = 5; p < nw;) {
      const std::size_t noff = w[at[p]] & 0xFFFF;
      const std::size_t nst = noff - 12;
      const std::size_t nd = w[at[p + nst + 8]];
      const std::uint32_t address = start + static_cast<std::uint32_t>(p - 5 + noff - 11);
      const std::size_t nio = (w[at[p + nst + 9]] >> 18) & 0xF;
      for (std::size_t k = p + 1 + nio; k <= p + nst + 3; ++k) {  // links, next, up, origin
        if (address == lentry && k > p + nst)
          r[at[k]] = Rule::Junk;
        else
          relative(k);
      }
      p += nst + 10 + nd;
    }
  }
  const std::size_t lastRecord = D(19), firstFree = D(20);
  usedWords = lastRecord ? (lastRecord - 1) * RECORD_WORDS + firstFree - 1 : 3 * RECORD_WORDS;
  return r;
}

// Indexes (0-based, whole file) of the words that differ; both images must
// have the same size.
inline std::vector<std::size_t> differingWords(const std::vector<std::uint32_t>& real,
                                               const std::vector<std::uint32_t>& ours, bool maskDates) {
  std::size_t used = 0, usedOurs = 0;
  std::vector<std::uint32_t> realStart, ourStart;
  const std::vector<Rule> r = rules(real, used, realStart);
  rules(ours, usedOurs, ourStart);
  std::vector<std::size_t> differing;
  for (std::size_t i = 0; i < real.size() && i < ours.size(); ++i) {
    bool same = true;
    if (i >= used) {
      same = ours[i] == 0;  // our tail is zero, the package's is stale memory
    } else if (r[i] == Rule::Date && maskDates) {
      same = (real[i] & 0xFF) == (ours[i] & 0xFF);  // flags bits stay, minutes masked
    } else if (r[i] == Rule::Relative) {
      same = (real[i] == 0 && ours[i] == 0) ||
             (real[i] != 0 && ours[i] != 0 && real[i] - realStart[i] == ours[i] - ourStart[i]);
    } else if (r[i] != Rule::Junk) {
      same = real[i] == ours[i];
    }
    if (!same) differing.push_back(i);
  }
  return differing;
}

// Reports (at most ten) differing words as test failures.
inline void compare(const std::vector<std::uint32_t>& real, const std::vector<std::uint32_t>& ours, bool maskDates) {
  ASSERT_EQ(real.size(), ours.size());
  std::size_t used = 0, usedOurs = 0;
  std::vector<std::uint32_t> start;
  rules(real, used, start);
  rules(ours, usedOurs, start);
  ASSERT_EQ(used, usedOurs);
  const std::vector<std::size_t> differing = differingWords(real, ours, maskDates);
  for (std::size_t n = 0; n < differing.size() && n < 10; ++n) {
    const std::size_t i = differing[n];
    ADD_FAILURE() << "record " << i / RECORD_WORDS + 1 << " word " << i % RECORD_WORDS + 1 << ": real " << std::hex
                  << real[i] << " ours " << ours[i];
  }
}

}  // namespace testsupport
