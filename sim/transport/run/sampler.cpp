#include "transport/run/sampler.h"

#include "ranlux/ranlux.h"

namespace tarn {
namespace {

float fromRanlux() { return ranlux::runGenerator().next(); }

}  // namespace

SamplerSource chooseSampler(SamplerChoice choice, std::int64_t events, int ranks) {
  if (choice == SamplerChoice::Rndm) return SamplerSource::Rndm;
  if (choice == SamplerChoice::Ranlux || ranks > 1 || events != Nevents) return SamplerSource::Ranlux;
  return SamplerSource::Rndm;
}

std::string samplerChoiceError(SamplerChoice choice, int ranks) {
  if (choice == SamplerChoice::Rndm && ranks > 1)
    return "--sampler rndm cannot be used with several ranks: RNDM is never seeded, every rank would draw the same "
           "numbers";
  return "";
}

std::string samplerText(SamplerSource source) {
  return source == SamplerSource::Rndm ? "RNDM, the histogram package's generator"
                                       : "RANLUX, each rank's own sequence";
}

SamplerStream::SamplerStream(SamplerSource source, std::uint64_t switchAfter)
    : source_(source), switchAfter_(switchAfter) {
  hbook::setSamplerSource(source == SamplerSource::Ranlux ? fromRanlux : nullptr);
}

SamplerStream::~SamplerStream() { hbook::setSamplerSource(nullptr); }

bool SamplerStream::leaveRndm() {
  source_ = SamplerSource::Ranlux;
  hbook::setSamplerSource(fromRanlux);
  return true;
}

}  // namespace tarn
