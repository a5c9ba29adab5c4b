// The words of an HBOOK file (ZEBRA RZ) held in memory.
//
// The file is a sequence of fixed-length records without markers. Its byte
// order and record length are not stored anywhere in particular: they are the
// ones under which record 2 reads as a consistent top directory (its file
// descriptor names the record length, its record count times that length is
// the end of the directory). Big-endian is tried first, as the package writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hbook::read {

// Largest file accepted: 2 GiB, the reach of the package's record numbers.
constexpr std::int64_t MAX_FILE_BYTES = std::int64_t{1} << 31;

class Image {
 public:
  // Takes the bytes of a whole file; finds byte order and record length.
  // Throws FileError naming `name`.
  Image(std::string name, std::vector<unsigned char> bytes);

  const std::string& name() const { return name_; }
  std::int64_t recordWords() const { return lrec_; }
  std::int64_t records() const { return nrec_; }
  std::int64_t words() const { return nwords_; }

  // Word i (0-based) of the file in its byte order; i must lie in the file.
  std::uint32_t word(std::int64_t i) const;
  // The four characters of a text word, in the order they are stored.
  std::string text(std::uint32_t w) const;
  // A REAL*8 stored as two words, most significant first.
  double real8(std::uint32_t first, std::uint32_t second) const;

  [[noreturn]] void fail(const std::string& where, const std::string& what) const;

 private:
  void detectRecordLength();

  std::string name_;
  std::vector<unsigned char> bytes_;
  std::int64_t nwords_ = 0;
  bool little_ = false;
  std::int64_t lrec_ = 0;
  std::int64_t nrec_ = 0;
};

// "0x0000ABCD", for messages.
std::string hexWord(std::uint32_t w);

}  // namespace hbook::read
