// Helpers shared by the adding of the object kinds.
#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>

#include "hbook/merge/kinds.h"

namespace hbook {

std::int32_t entriesWord(std::int64_t entries) {
  constexpr std::int64_t most = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(entries > most ? most : entries);
}

namespace merging {

void refuse(const std::string& file, const std::string& what) { throw FileError(file + ": " + what); }

bool sameBits(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!sameBits(a[i], b[i])) return false;
  }
  return true;
}

std::string number(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
  return buf;
}

std::vector<float> sum(const std::vector<const std::vector<float>*>& parts) {
  std::vector<double> total(parts.front()->size(), 0.0);
  for (const std::vector<float>* p : parts) {
    for (std::size_t i = 0; i < total.size(); ++i) total[i] += static_cast<double>((*p)[i]);
  }
  return std::vector<float>(total.begin(), total.end());
}

std::int32_t sumEntries(const std::vector<std::int32_t>& entries) {
  std::int64_t total = 0;
  for (std::int32_t e : entries) total += e;
  return entriesWord(total);
}

std::int32_t widened(std::int32_t nbit, const std::vector<float>& counts, const std::string& what,
                     std::vector<std::string>& notes) {
  if (nbit >= 32) return nbit;
  const float most = static_cast<float>(std::ldexp(1.0, nbit) - 1);
  for (float c : counts) {
    if (c > most) {
      notes.push_back(what + ": the sums exceed its " + std::to_string(nbit) + "-bit packed channels (" + number(c) +
                      " > " + number(most) + "); written unpacked");
      return 32;
    }
  }
  return nbit;
}

}  // namespace merging
}  // namespace hbook
