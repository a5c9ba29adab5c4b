// Byte order and record length of an HBOOK file, and checked word access.
#include "hbook/rz/read/image.h"

#include <algorithm>
#include <bit>
#include <cstdio>

#include "hbook/rz/fileerror.h"
#include "hbook/rz/words.h"

namespace hbook::read {
namespace {

// Record 2 is looked for in the first 8704 words: enough for the largest
// record length the package accepts (8191 words) plus the directory header.
constexpr std::int64_t DETECT_WORDS = 8704;

}  // namespace

std::string hexWord(std::uint32_t w) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", w);
  return buf;
}

Image::Image(std::string name, std::vector<unsigned char> bytes) : name_(std::move(name)), bytes_(std::move(bytes)) {
  const auto size = static_cast<std::int64_t>(bytes_.size());
  if (size == 0) fail("file", "is empty");
  if (size > MAX_FILE_BYTES) fail("file", "size " + std::to_string(size) + " bytes is too large");
  if (size % 4 != 0) fail("file", "size " + std::to_string(size) + " bytes is not a whole number of words");
  nwords_ = size / 4;
  detectRecordLength();
}

void Image::fail(const std::string& where, const std::string& what) const {
  throw FileError(name_ + ": " + where + ": " + what);
}

std::uint32_t Image::word(std::int64_t i) const {
  const unsigned char* p = bytes_.data() + 4 * i;
  return little_ ? rz::loadLittle(p) : rz::loadBig(p);
}

std::string Image::text(std::uint32_t w) const {
  std::string s(4, ' ');
  for (int k = 0; k < 4; ++k) s[k] = static_cast<char>(little_ ? (w >> (8 * k)) : (w >> (24 - 8 * k)));
  return s;
}

double Image::real8(std::uint32_t first, std::uint32_t second) const {
  const std::uint64_t hi = little_ ? second : first;
  const std::uint64_t lo = little_ ? first : second;
  return std::bit_cast<double>((hi << 32) | lo);
}

// Record 2 read with records of J words is word J+k for its word k. The
// record length is the first J for which the file descriptor pointer LB
// (word 25) leads to a record-length word equal to J and the directory
// record count at LD (word 24) times J is the end of the directory (word 30).
// Every word looked at must lie in the part of the file searched.
void Image::detectRecordLength() {
  const std::int64_t n = std::min(nwords_, DETECT_WORDS);
  for (bool little : {false, true}) {
    little_ = little;
    auto t = [&](std::int64_t k) { return static_cast<std::int64_t>(word(k - 1)); };  // 1-based, k <= n
    for (std::int64_t j = 1; j + 31 <= n; ++j) {
      const std::int64_t lb = t(j + 25);
      if (lb <= 0 || lb > j || j + lb + 1 > n || t(j + lb + 1) != j) continue;
      const std::int64_t ld = t(j + 24);
      if (ld <= 0 || ld > j || j + ld > n) continue;
      if (t(j + ld) * j != t(j + 30)) continue;
      lrec_ = j;
      if (nwords_ % lrec_ != 0) {
        fail("file", "size " + std::to_string(nwords_ * 4) + " bytes is not a whole number of " +
                         std::to_string(lrec_) + "-word records");
      }
      nrec_ = nwords_ / lrec_;
      return;
    }
  }
  fail("record 2 (directory)", "no consistent record length found (not an HBOOK/RZ file?)");
}

}  // namespace hbook::read
