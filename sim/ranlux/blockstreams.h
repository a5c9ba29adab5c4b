// The random streams of the blocks of a run: where RANLUX starts for block
// b of a run with seed S.
//
// Block 0 is the run of always: RLUXGO(3, S, 0, 0). A block b >= 1 has two
// streams of its own, k = 0 for the physics and k = 1 for the histogram
// sampler, started through RANLUX's documented state entry (RLUXIN) at
// luxury level 3 from 24 words made by a 64-bit mix of (S, k, b):
//
//   K   = S * 2^33 + k * 2^32 + b          (S < 2^31, b < 2^32: one K each)
//   h   = mix64(K)                         (a bijection of 64-bit words)
//   w_i = mix64(h XOR ((i + 1) * G)) >> 40 (i = 0..23; G = 0x9E3779B97F4A7C15,
//                                           products modulo 2^64)
//   RLUXIN(w_0, ..., w_23, 3001024)        (lags 24 and 10, no number of the
//                                           group delivered, level 3, no borrow)
//
// mix64 is the finaliser of SplitMix64: z ^= z >> 30, z *= 0xBF58476D1CE4E5B9,
// z ^= z >> 27, z *= 0x94D049BB133111EB, z ^= z >> 31. Distinct (S, k, b) give
// distinct h; each word hashes h with its own constant, and no two words of
// two keys can come from the same mixer input for more than one position,
// so no state is a shifted copy of another. scripts/block_stream.py is the
// same scheme from scratch, with RANLUX, for a reader to regenerate a block.
#pragma once

#include <cstdint>

#include "ranlux/ranlux.h"

namespace ranlux {

// Highest block a seed's streams are made for (b < 2^32), and the seeds (S < 2^31).
constexpr std::uint64_t MOST_BLOCKS = std::uint64_t{1} << 32;
constexpr std::int64_t MOST_SEEDS = std::int64_t{1} << 31;

enum class BlockStream : std::uint32_t { Physics = 0, Sampler = 1 };

// The SplitMix64 finaliser.
std::uint64_t mix64(std::uint64_t z);

// The 25 integers of block b's stream (b >= 1 for the physics stream; the
// sampler stream is defined for b = 0 too).
void blockState(std::int64_t seed, std::uint64_t block, BlockStream stream, std::int32_t isdext[25]);

// The generator started there (quietly: no library lines).
void startBlockStream(Ranlux& generator, std::int64_t seed, std::uint64_t block, BlockStream stream);

}  // namespace ranlux
