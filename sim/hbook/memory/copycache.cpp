// Kept copies of HCOPYR (see copycache.h).
#include "hbook/memory/copycache.h"

#include <cstring>

#include "hbook/memory/sampleguide.h"
#include "hbook/memory/store.h"

namespace hbook {
namespace {

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool sameBits(const float* a, const float* b, std::size_t n) { return std::memcmp(a, b, n * sizeof(float)) == 0; }

}  // namespace

void fillCopy(Histogram& copy, const float* sourceBins, std::int32_t nx, float xmin, float width) {
  for (std::int32_t i = 1; i <= nx; ++i) {
    const float centre = xmin + (static_cast<float>(i) - 0.5f) * width;
    Store::fillHistogram(copy, centre, sourceBins[i - 1]);
  }
}

bool CopyCache::sameSource(const Histogram& source, std::int32_t ifirst) const {
  return source.nx == nx_ && ifirst == ifirst_ && sameBits(source.xmin, xmin_) && sameBits(source.xmax, xmax_) &&
         sameBits(source.channels.data() + 1, bins_.data(), bins_.size());
}

const CopyCache::Copy* CopyCache::copy(const Histogram& source, std::int32_t ifirst, std::int32_t bins,
                                        float newXmin, float newXmax) {
  const std::int32_t nx = source.nx;
  if (nx > MAX_SOURCE_BINS || bins < 1 || bins > nx + 1) return nullptr;
  if (!sameSource(source, ifirst)) {
    clear();
    nx_ = nx;
    xmin_ = source.xmin;
    xmax_ = source.xmax;
    bins_.assign(source.channels.begin() + 1, source.channels.begin() + 1 + nx);
    ifirst_ = ifirst;
    byBins_.resize(static_cast<std::size_t>(nx) + 1);
  }
  Copy& kept = byBins_[static_cast<std::size_t>(bins) - 1];
  if (!kept.made) {
    // Made exactly as Store::copyRange makes a copy it does not keep.
    Histogram made;
    made.nx = bins;
    made.xmin = newXmin;
    made.xmax = newXmax;
    made.channels.assign(static_cast<std::size_t>(bins) + 2, 0.0f);
    fillCopy(made, bins_.data(), nx, xmin_, (xmax_ - xmin_) / static_cast<float>(nx));
    kept.channels = made.channels;
    kept.integrated = std::move(made.channels);
    kept.integrable = integrateChannels(kept.integrated, bins);
    if (kept.integrable) makeSampleGuide(kept.integrated, bins, kept.guide);
    kept.made = true;
  }
  return &kept;
}

const CopyCache::Copy* CopyCache::integrable(const Histogram& h) const {
  if (h.nx < 1 || static_cast<std::size_t>(h.nx) > byBins_.size()) return nullptr;
  const Copy& copy = byBins_[static_cast<std::size_t>(h.nx) - 1];
  if (!copy.made || !copy.integrable || h.channels.size() != copy.channels.size() ||
      !sameBits(h.channels.data(), copy.channels.data(), copy.channels.size()))
    return nullptr;
  return &copy;
}

std::size_t CopyCache::ranges() const {
  std::size_t n = 0;
  for (const Copy& c : byBins_) n += c.made;
  return n;
}

void CopyCache::clear() {
  nx_ = 0;
  bins_.clear();
  bins_.shrink_to_fit();
  byBins_.clear();
  byBins_.shrink_to_fit();
}

}  // namespace hbook
