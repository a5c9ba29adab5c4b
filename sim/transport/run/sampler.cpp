#include "transport/run/sampler.h"

#include "ranlux/blockstreams.h"
#include "ranlux/ranlux.h"

namespace tarn {
namespace {

// The block's sampler stream (one process runs one block at a time).
ranlux::Ranlux& samplerGenerator() {
  static ranlux::Ranlux generator;
  return generator;
}

float fromBlockStream() { return samplerGenerator().next(); }

void useBlockStream(std::int64_t seed, std::int64_t block) {
  ranlux::startBlockStream(samplerGenerator(), seed, static_cast<std::uint64_t>(block), ranlux::BlockStream::Sampler);
  hbook::setSamplerSource(fromBlockStream);
}

}  // namespace

std::string samplerName(SamplerChoice choice) { return choice == SamplerChoice::Ranlux ? "ranlux" : "auto"; }

std::string samplerText(SamplerChoice choice, const BlockSet& blocks) {
  if (choice == SamplerChoice::Ranlux) return "RANLUX, each block's own stream (block 0 too)";
  if (blocks == BlockSet::range(0, 0)) return "RNDM, the histogram package's generator";
  if (blocks.contains(0)) return "RNDM in block 0, each later block its own RANLUX stream";
  return "RANLUX, each block's own stream";
}

BlockSampler::BlockSampler(std::uint64_t switchAfter) : switchAfter_(switchAfter) {}

BlockSampler::~BlockSampler() { hbook::setSamplerSource(nullptr); }

void BlockSampler::startBlock(std::int64_t seed, std::int64_t block, SamplerChoice choice) {
  seed_ = seed;
  block_ = block;
  onRndm_ = block == 0 && choice == SamplerChoice::Automatic;
  if (onRndm_) {
    hbook::resetRndm();
    hbook::setSamplerSource(nullptr);
  } else {
    useBlockStream(seed, block);
  }
}

bool BlockSampler::leaveRndm() {
  onRndm_ = false;
  useBlockStream(seed_, block_);
  return true;
}

}  // namespace tarn
