// HRNDM1: random values distributed like the contents of a 1-D histogram,
// drawn with the package's own generator RNDM (or from the source a program
// sets with setSamplerSource, store.h).
//
// On the first draw from a histogram its bins 1..nx are replaced in place by
// the normalised cumulative sum F(1..nx) (single precision: running sum, then
// each divided by the total), the underflow is set to 0 and the entries to -1;
// a histogram whose entries are -1 is taken as already integrated. A draw
// takes one R from RNDM, finds K with F(K) <= R < F(K+1) (F(0) = 0) by
// bisection and returns
//   x = (XMIN + (R - F(K)) * XWID / (F(K+1) - F(K))) + XWID * K,
// XWID = (XMAX - XMIN) / NX, all in single precision, with the histogram's
// current limits.
#include <cmath>
#include <cstdint>
#include <vector>

#include "hbook/hbug.h"
#include "hbook/memory/binstarts.h"
#include "hbook/memory/channel.h"
#include "hbook/memory/sampleguide.h"
#include "hbook/memory/store.h"

namespace hbook {
namespace {

std::uint32_t rndmState = 12345u;
std::uint64_t rndmCount = 0;
UniformSource samplerSource = nullptr;

// What an integration leaves besides the channels and the guide.
void markIntegrated(Histogram& h) {
  h.entries = -1;
  // The package rebuilds the contents bank here, and a histogram read from a
  // file is written back with the status of one booked in memory.
  h.readFromFile = false;
}

// Replace bins 1..nx by the normalised cumulative sum, and make the guide of
// the bin search for them.
void integrate(Histogram& h) {
  std::vector<float>& c = h.channels;
  if (!integrateChannels(c, h.nx)) {
    // Nothing to follow: every bin counts as 1 (a uniform distribution).
    hbugError("HRNDM1", c[h.nx] == 0.0f ? "Integral is zero" : "Integral is not finite", h.id);
    float total = 0.0f;
    for (std::int32_t i = 1; i <= h.nx; ++i) {
      total += 1.0f;
      c[i] = total;
    }
    for (std::int32_t i = 1; i <= h.nx; ++i) c[i] = c[i] / total;
    c[0] = 0.0f;
  }
  makeSampleGuide(c, h.nx, h.sampleGuide);
  makeBinStarts(h.nx, h.xmin, h.xmax, h.binStarts);
  markIntegrated(h);
}

}  // namespace

void adoptIntegration(Histogram& h, const std::vector<float>& integrated, const SampleGuide& guide) {
  h.channels = integrated;
  h.sampleGuide = guide;
  markIntegrated(h);
}

bool integrateChannels(std::vector<float>& c, std::int32_t nx) {
  float total = 0.0f;
  for (std::int32_t i = 1; i <= nx; ++i) {
    total += c[i];
    c[i] = total;
  }
  if (total == 0.0f || !std::isfinite(total)) return false;
  for (std::int32_t i = 1; i <= nx; ++i) c[i] = c[i] / total;
  c[0] = 0.0f;
  return true;
}

float rndm() {
  ++rndmCount;
  rndmState *= 69069u;  // modulo 2^32
  const std::uint32_t top = rndmState >> 8;
  if (top == 0) return 0x1p-25f;
  return static_cast<float>(top) * 0x1p-24f;  // exact: top < 2^24
}

void resetRndm() {
  rndmState = 12345u;
  rndmCount = 0;
}

std::uint64_t rndmDraws() { return rndmCount; }

void setSamplerSource(UniformSource source) { samplerSource = source; }

namespace {

// sampleBin's search, inlined into sample(). Every mid of the bisection is
// above lo >= 0, so F(mid) is the channel itself.
[[gnu::always_inline]] inline std::int32_t binOf(const Histogram& h, float r) {
  const std::int32_t nx = h.nx;
  const float* c = h.channels.data();
  // Bisection keeping F(lo) <= r < F(hi). For a non-decreasing F ending in
  // 1 > r this gives the largest K with F(K) <= r, and F(K+1) > F(K) then.
  // The guide, made only for such an F, starts it from a narrower bracket
  // that holds the same K (sampleguide.h).
  std::int32_t lo = 0;
  std::int32_t hi = nx;
  if (r < c[nx]) {  // F(nx), nx >= 1
    if (h.sampleGuide.madeFor(nx) && r >= 0.0f) {
      narrowBracket(h.sampleGuide, r, lo, hi);
      // A bracket of at most three bins, as most are: F is non-decreasing
      // here, so K is lo plus the number of F(lo + 1), F(lo + 2) below hi
      // that are <= r, counted without the search's branches. F(hi) > r
      // (hi <= nx) counts 0, so the second index stops at hi.
      if (hi - lo <= 3) {
        const std::int32_t second = lo + 2 < hi ? lo + 2 : hi;
        return lo + static_cast<std::int32_t>(c[lo + 1] <= r) + static_cast<std::int32_t>(c[second] <= r);
      }
    }
    while (hi - lo > 1) {
      const std::int32_t mid = lo + (hi - lo) / 2;
      if (c[mid] <= r)
        lo = mid;
      else
        hi = mid;
    }
  }
  return lo;
}

}  // namespace

std::int32_t sampleBin(const Histogram& h, float r) { return binOf(h, r); }

float sample(Histogram& h) {
  const std::int32_t nx = h.nx;
  if (nx < 1 || h.channels.size() != static_cast<std::size_t>(nx) + 2) return 0.0f;
  if (h.entries != -1) integrate(h);

  const std::vector<float>& c = h.channels;
  auto F = [&c](std::int32_t k) { return k == 0 ? 0.0f : c[k]; };
  // A bin the value may come from: its content, F(k) - F(k-1), is positive.
  auto positive = [&F](std::int32_t k) { return F(k) > F(k - 1); };

  const float r = samplerSource ? samplerSource() : rndm();
  // The bin starts, when made for these limits, hold the same width.
  const BinStarts& starts = h.binStarts;
  const bool started = starts.madeFor(nx, h.xmin, h.xmax);
  const float xwid = started ? starts.width : (h.xmax - h.xmin) / static_cast<float>(nx);

  const std::int32_t K = binOf(h, r);
  if (!(F(K) <= r && r < F(K + 1))) {
    // Only contents marked integrated (entries -1) that are not a valid
    // cumulative sum get here: take the centre of the highest positive bin.
    for (std::int32_t k = nx; k >= 1; --k)
      if (positive(k)) return h.xmin + xwid * (static_cast<float>(k) - 0.5f);
    return h.xmin + 0.5f * (h.xmax - h.xmin);
  }

  float x = (h.xmin + (r - F(K)) * xwid / (F(K + 1) - F(K))) + xwid * static_cast<float>(K);

  // Rounding can put x on an edge that belongs to a neighbouring bin. Keep
  // it when that bin has content too (the package's value); otherwise move
  // it into bin K+1, never into an empty bin or outside the range. In bin
  // K+1 itself (the starts say so without the channel's division) it has:
  // F(K+1) > r >= F(K).
  if (started && starts.start[static_cast<std::size_t>(K)] <= x && x < starts.start[static_cast<std::size_t>(K) + 1])
    return x;
  // Without starts (the copies of S(q)), the same answer for all but values
  // within a rounding of an edge, without the channel's division (channel.h).
  if (!started && provenChannel(nx, h.xmin, h.xmax, x, K)) return x;
  const std::int32_t landed = Store::channelOf(h, x);
  if (landed >= 1 && landed <= nx && positive(landed)) return x;
  const float centre = h.xmin + xwid * (static_cast<float>(K) + 0.5f);
  for (int step = 0; step < 64; ++step) {
    x = std::nextafter(x, centre);
    if (Store::channelOf(h, x) == K + 1) return x;
  }
  return centre;
}

}  // namespace hbook
