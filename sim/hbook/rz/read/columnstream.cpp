// Reading packed and whole-word values out of column buffers.
#include "hbook/rz/read/columnstream.h"

namespace hbook::read {

std::uint32_t ColumnStream::packed(int bits) {
  if (bit_ + bits > 32) {
    ++word_;
    bit_ = 0;
  }
  ensure(1);
  const std::uint32_t v = (buffers_[buffer_][word_] >> bit_) & ((std::uint32_t{1} << bits) - 1);
  bit_ += bits;
  if (bit_ == 32) {
    ++word_;
    bit_ = 0;
  }
  return v;
}

const std::uint32_t* ColumnStream::words(std::int64_t count) {
  if (bit_ != 0) {
    ++word_;
    bit_ = 0;
  }
  ensure(count);
  const std::uint32_t* p = buffers_[buffer_].data() + word_;
  word_ += count;
  return p;
}

// Moves to the next buffer when `count` words do not fit in this one.
void ColumnStream::ensure(std::int64_t count) {
  while (word_ + count > static_cast<std::int64_t>(buffers_[buffer_].size())) {
    if (word_ == 1 && bit_ == 0 && count > static_cast<std::int64_t>(buffers_[buffer_].size()) - 1) {
      image_.fail(where_, "a value of " + std::to_string(count) + " words does not fit in a buffer");
    }
    if (++buffer_ >= static_cast<std::int64_t>(buffers_.size())) {
      image_.fail(where_, "the buffers end before the values of every row");
    }
    word_ = 1;
    bit_ = 0;
  }
}

}  // namespace hbook::read
