// SHA-256 (FIPS 180-4) of a stream of bytes, for the digests of digest.h: a
// few hundred bytes of code and state, where a cryptographic library loaded
// for it would be the largest part of the program's resident memory.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarn {

class Sha256 {
 public:
  static constexpr std::size_t DIGEST_BYTES = 32;
  static constexpr std::size_t BLOCK_BYTES = 64;

  Sha256();
  // Appends `size` bytes at `data` to the message.
  void update(const void* data, std::size_t size);
  // The digest of the message so far; the object is spent after it.
  std::array<unsigned char, DIGEST_BYTES> finish();

 private:
  void compress(const unsigned char* block);

  std::array<std::uint32_t, 8> state_;
  std::array<unsigned char, BLOCK_BYTES> pending_{};
  std::size_t pendingBytes_ = 0;
  std::uint64_t messageBytes_ = 0;
};

}  // namespace tarn
