// Where the histogram sampler HRNDM1 (wavelengths, momentum transfers) takes
// its uniform numbers.
//
// The histogram package's generator RNDM is one 32-bit congruential sequence
// of period 2^30 that no program seeds: every run, and every rank of a
// parallel run, would draw the same numbers, and a run of some 2 x 10^8
// events would come round to its start. So, unless --sampler says otherwise:
//   - RNDM, as the run without arguments uses it, for a run of the clock
//     run's shape: one process, 100000 events. `tarn --seed S` then gives
//     exactly the histograms of the clock-seeded run whose ranNo was S;
//   - otherwise (another number of events, several ranks) the sampler draws
//     from the rank's own RANLUX sequence, the one the event loop draws
//     from, seeded per rank (ranks.h): ranks, and separate runs with
//     different seeds, never share numbers, and nothing comes round within
//     a run.
// A run on RNDM whose draws would reach RNDM's period (--sampler rndm for a
// long run, or an S(q) that needs many draws per event) leaves it before the
// event that could: from there on the sampler draws from RANLUX, and the
// run says so.
#pragma once

#include <cstdint>
#include <string>

#include "hbook/memory/store.h"
#include "transport/run/runoptions.h"

namespace tarn {

// RNDM's period, and the most draws one event can make: a wavelength and
// up to 10^6 draws of q in each cell.
constexpr std::uint64_t RNDM_PERIOD = std::uint64_t{1} << 30;
constexpr std::uint64_t MOST_DRAWS_PER_EVENT = 2000001;

enum class SamplerSource { Rndm, Ranlux };

// The source a run of `events` on `ranks` ranks uses.
SamplerSource chooseSampler(SamplerChoice choice, std::int64_t events, int ranks);

// Why the choice cannot be granted ("" when it can): RNDM on several ranks
// would give every rank the same numbers.
std::string samplerChoiceError(SamplerChoice choice, int ranks);

// "RNDM, the histogram package's generator" / "RANLUX, each rank's own sequence".
std::string samplerText(SamplerSource source);

class SamplerStream {
 public:
  // Installs the source for HRNDM1. The run leaves RNDM once its draws pass
  // switchAfter (tests give a small one).
  explicit SamplerStream(SamplerSource source, std::uint64_t switchAfter = RNDM_PERIOD - MOST_DRAWS_PER_EVENT);
  ~SamplerStream();  // back to RNDM
  SamplerStream(const SamplerStream&) = delete;
  SamplerStream& operator=(const SamplerStream&) = delete;

  // Before each event: true when the sampler has just left RNDM for RANLUX
  // (the caller says so on the console and in the log).
  bool beforeEvent() {
    return source_ == SamplerSource::Rndm && hbook::rndmDraws() > switchAfter_ && leaveRndm();
  }
  SamplerSource source() const { return source_; }

 private:
  bool leaveRndm();

  SamplerSource source_;
  std::uint64_t switchAfter_;
};

}  // namespace tarn
