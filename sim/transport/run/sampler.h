// Where the histogram sampler HRNDM1 (wavelengths, momentum transfers) takes
// its uniform numbers, block by block (blocks.h).
//
// Block 0 is the run of always: the histogram package's generator RNDM,
// which no program seeds, from its start state, so that `tarn --seed S`
// gives exactly the clock run whose ranNo was S and every longer run with
// seed S begins with that run's events. Every later block draws from a
// RANLUX stream of its own (ranlux/blockstreams.h, stream 1: "sampler"),
// never shared with another block or seed. With --sampler ranlux block 0
// too draws from its own stream (then no run shares RNDM's numbers, at the
// price of block 0 no longer being the clock run).
//
// RNDM has a period of 2^30 numbers: a block 0 whose draws would reach it
// (an S(q) that needs many draws per event) leaves it before the event that
// could, for block 0's own stream, and the run says so.
#pragma once

#include <cstdint>
#include <string>

#include "hbook/memory/store.h"
#include "transport/run/blocks.h"
#include "transport/run/runoptions.h"

namespace tarn {

// RNDM's period, and the most draws one event can make: a wavelength and
// up to 10^6 draws of q in each cell.
constexpr std::uint64_t RNDM_PERIOD = std::uint64_t{1} << 30;
constexpr std::uint64_t MOST_DRAWS_PER_EVENT = 2000001;

// "auto" or "ranlux", as the command line and the run record write it.
std::string samplerName(SamplerChoice choice);

// The " Sampler: ..." line's text for a run of these blocks: "RNDM, the
// histogram package's generator" for block 0 alone (as always).
std::string samplerText(SamplerChoice choice, const BlockSet& blocks);

class BlockSampler {
 public:
  // The sampler leaves RNDM once its draws pass switchAfter (tests give a
  // small one).
  explicit BlockSampler(std::uint64_t switchAfter = RNDM_PERIOD - MOST_DRAWS_PER_EVENT);
  ~BlockSampler();  // back to RNDM
  BlockSampler(const BlockSampler&) = delete;
  BlockSampler& operator=(const BlockSampler&) = delete;

  // Before the first event of block `block` of the run with seed `seed`.
  void startBlock(std::int64_t seed, std::int64_t block, SamplerChoice choice);

  // Before each event: true when the sampler has just left RNDM (the caller
  // says so on the console and in the log).
  bool beforeEvent() { return onRndm_ && hbook::rndmDraws() > switchAfter_ && leaveRndm(); }
  bool onRndm() const { return onRndm_; }

 private:
  bool leaveRndm();

  std::uint64_t switchAfter_;
  std::int64_t seed_ = 0, block_ = 0;
  bool onRndm_ = true;
};

}  // namespace tarn
