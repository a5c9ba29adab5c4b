// The values of one column of a column-wise ntuple, packed buffer after
// buffer as the file stores them (cwn.cpp has the layout): values of 32 bits
// or more in whole words, fewer bits packed from the low bits of a word up,
// never straddling two words; index variables as running totals, signed
// packed integers as sign and magnitude, packed reals as codes of their range.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hbook/objects/ntuple.h"

namespace hbook::write {

class ColumnEncoder {
 public:
  // The column's `total` values in buffers of bufferWords data words; `what`
  // names the column in the messages of a value that cannot be stored.
  ColumnEncoder(const Column& c, std::int64_t total, std::int64_t bufferWords, const std::string& what)
      : c_(c), total_(total), size_(bufferWords), what_(what) {}

  // The next buffer's data words; false when every value is out.
  bool next(std::vector<std::uint32_t>& buffer);
  std::int64_t buffers() const { return buffers_; }
  // The first data word of the last buffer not completely used, and its first free bit.
  std::int64_t lastWord() const { return buffers_ == 0 ? 2 : word_ + 1; }
  std::int64_t lastBit() const { return buffers_ == 0 ? 1 : bit_ + 1; }

 private:
  // Stores value i_ if it fits in this buffer.
  bool place(std::vector<std::uint32_t>& b);
  std::uint32_t packedReal(float v) const;
  bool whole(std::vector<std::uint32_t>& b, const std::vector<std::uint32_t>& words);
  bool field(std::vector<std::uint32_t>& b, std::uint32_t v);

  const Column& c_;
  std::int64_t total_;
  std::int64_t size_;
  std::string what_;
  std::int64_t i_ = 0;
  std::int64_t buffers_ = 0;
  std::int64_t word_ = 1;  // 0-based word of the buffer
  int bit_ = 0;
  std::int64_t running_ = 0;  // index variables: the running total
};

}  // namespace hbook::write
