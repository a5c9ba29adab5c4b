#include "ranlux/blockstreams.h"

namespace ranlux {
namespace {

constexpr std::uint64_t GOLDEN_GAMMA = 0x9E3779B97F4A7C15ull;
// i24 = 24, j24 = 10 (1-based lags), 0 numbers of the group of 24
// delivered, luxury level 3; positive: no borrow.
constexpr std::int32_t CONTROL_WORD = 24 + 100 * 10 + 10000 * 0 + 1000000 * 3;

}  // namespace

std::uint64_t mix64(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void blockState(std::int64_t seed, std::uint64_t block, BlockStream stream, std::int32_t isdext[25]) {
  const std::uint64_t key =
      (static_cast<std::uint64_t>(seed) << 33) | (static_cast<std::uint64_t>(stream) << 32) | block;
  const std::uint64_t h = mix64(key);
  for (std::uint64_t i = 0; i < 24; ++i)
    isdext[i] = static_cast<std::int32_t>(mix64(h ^ ((i + 1) * GOLDEN_GAMMA)) >> 40);
  isdext[24] = CONTROL_WORD;
}

void startBlockStream(Ranlux& generator, std::int64_t seed, std::uint64_t block, BlockStream stream) {
  std::int32_t isdext[25];
  blockState(seed, block, stream, isdext);
  generator.restore(isdext);
}

}  // namespace ranlux
