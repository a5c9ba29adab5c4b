#include "transport/run/sha256.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tarn {
namespace {

// The first 32 bits of the fractional parts of the square roots of the
// first 8 primes (the initial hash value).
constexpr std::array<std::uint32_t, 8> INITIAL_HASH = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

// The first 32 bits of the fractional parts of the cube roots of the first
// 64 primes (the round constants).
constexpr std::array<std::uint32_t, 64> ROUND_CONSTANTS = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

// The message length is appended as a 64-bit count of bits.
constexpr std::size_t LENGTH_BYTES = 8;

std::uint32_t bigEndianWord(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
}

}  // namespace

Sha256::Sha256() : state_(INITIAL_HASH) {}

void Sha256::compress(const unsigned char* block) {
  std::array<std::uint32_t, 64> w;
  for (int t = 0; t < 16; ++t) w[t] = bigEndianWord(block + 4 * t);
  for (int t = 16; t < 64; ++t) {
    const std::uint32_t s0 = std::rotr(w[t - 15], 7) ^ std::rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
    const std::uint32_t s1 = std::rotr(w[t - 2], 17) ^ std::rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
    w[t] = w[t - 16] + s0 + w[t - 7] + s1;
  }
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  std::uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
  for (int t = 0; t < 64; ++t) {
    const std::uint32_t sum1 = std::rotr(e, 6) ^ std::rotr(e, 11) ^ std::rotr(e, 25);
    const std::uint32_t choose = (e & f) ^ (~e & g);
    const std::uint32_t t1 = h + sum1 + choose + ROUND_CONSTANTS[t] + w[t];
    const std::uint32_t sum0 = std::rotr(a, 2) ^ std::rotr(a, 13) ^ std::rotr(a, 22);
    const std::uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
    const std::uint32_t t2 = sum0 + majority;
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
  state_[4] += e;
  state_[5] += f;
  state_[6] += g;
  state_[7] += h;
}

void Sha256::update(const void* data, std::size_t size) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  messageBytes_ += size;
  if (pendingBytes_ > 0) {
    const std::size_t take = std::min(size, BLOCK_BYTES - pendingBytes_);
    std::memcpy(pending_.data() + pendingBytes_, p, take);
    pendingBytes_ += take;
    p += take;
    size -= take;
    if (pendingBytes_ < BLOCK_BYTES) return;
    compress(pending_.data());
    pendingBytes_ = 0;
  }
  for (; size >= BLOCK_BYTES; p += BLOCK_BYTES, size -= BLOCK_BYTES) compress(p);
  if (size > 0) std::memcpy(pending_.data(), p, size);
  pendingBytes_ = size;
}

std::array<unsigned char, Sha256::DIGEST_BYTES> Sha256::finish() {
  // The padding: one 1 bit, zeros up to 8 bytes before a block's end, and
  // the message length in bits, big-endian.
  const std::uint64_t messageBits = messageBytes_ * 8;
  pending_[pendingBytes_++] = 0x80;
  if (pendingBytes_ > BLOCK_BYTES - LENGTH_BYTES) {
    std::memset(pending_.data() + pendingBytes_, 0, BLOCK_BYTES - pendingBytes_);
    compress(pending_.data());
    pendingBytes_ = 0;
  }
  std::memset(pending_.data() + pendingBytes_, 0, BLOCK_BYTES - LENGTH_BYTES - pendingBytes_);
  for (std::size_t i = 0; i < LENGTH_BYTES; ++i)
    pending_[BLOCK_BYTES - 1 - i] = static_cast<unsigned char>(messageBits >> (8 * i));
  compress(pending_.data());
  pendingBytes_ = 0;

  std::array<unsigned char, DIGEST_BYTES> digest;
  for (std::size_t i = 0; i < state_.size(); ++i)
    for (std::size_t k = 0; k < 4; ++k) digest[4 * i + k] = static_cast<unsigned char>(state_[i] >> (24 - 8 * k));
  return digest;
}

}  // namespace tarn
