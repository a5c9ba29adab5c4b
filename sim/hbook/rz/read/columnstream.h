// The values of one column of a column-wise ntuple, read out of its buffers
// one after another. Data word 1 of each buffer is not a value. A value of
// 32 bits or more takes whole words; a smaller one is packed from the low
// bits up and never straddles two words. A value that does not fit in the
// rest of a buffer starts the next buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hbook/rz/read/image.h"

namespace hbook::read {

class ColumnStream {
 public:
  // `where` names the column in messages.
  ColumnStream(const Image& image, std::vector<std::vector<std::uint32_t>> buffers, std::string where)
      : image_(image), buffers_(std::move(buffers)), where_(std::move(where)) {}

  // The next value of `bits` bits (< 32).
  std::uint32_t packed(int bits);
  // The next value of `count` whole words.
  const std::uint32_t* words(std::int64_t count);

  const Image& image() const { return image_; }

 private:
  void ensure(std::int64_t count);

  const Image& image_;
  std::vector<std::vector<std::uint32_t>> buffers_;
  std::string where_;
  std::int64_t buffer_ = 0;
  std::int64_t word_ = 1;  // 0-based index in the buffer: data word 1 is not a value
  int bit_ = 0;            // bits of the current word already used
};

}  // namespace hbook::read
