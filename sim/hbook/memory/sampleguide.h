// A guide table for HRNDM1's bin search (hrndm1.cpp).
//
// HRNDM1 looks for the bin K with F(K) <= R < F(K+1) in the normalised
// cumulative contents F (F(0) = 0) by bisection. For a non-decreasing F that
// K is unique, so any search that keeps F(lo) <= R < F(hi) ends on the same
// bin. The guide splits [0, 1) into G cells of width 1/G (G a power of two)
// and stores for each cell boundary t = g/G the largest K with F(K) <= t:
// for R in cell g, F(edge[g]) <= g/G <= R and F(edge[g+1] + 1) > (g+1)/G > R,
// so the bisection may start from that bracket instead of [0, nx] and
// returns exactly the bin it would have found. g = int(R * G) is exact
// because G is a power of two.
#pragma once

#include <cstdint>
#include <vector>

namespace hbook {

struct SampleGuide {
  std::int32_t nx = 0;              // bins of the contents it was made for; 0: none
  std::int32_t cells = 0;           // G, the power of two from nx up
  std::vector<std::uint16_t> edge;  // g = 0..G: the largest K with F(K) <= g/G

  bool madeFor(std::int32_t bins) const { return nx > 0 && nx == bins; }
  void drop() { nx = 0; }  // keeps the storage
};

// Most bins a guide is made for (its entries are 16-bit).
constexpr std::int32_t SAMPLE_GUIDE_MAX_BINS = 65535;

// Makes in `guide` (in its storage) the guide for the integrated channels c
// (c[K] = F(K), K = 1..nx). Returns false and leaves no guide when F is not
// a non-decreasing sequence of finite values from 0 up to at most 1 (then
// only the plain bisection is exact) or nx is above SAMPLE_GUIDE_MAX_BINS.
bool makeSampleGuide(const std::vector<float>& c, std::int32_t nx, SampleGuide& guide);

// Narrow HRNDM1's bracket [lo, hi] = [0, nx] for 0 <= r < F(nx) to the
// guide's cell of r.
inline void narrowBracket(const SampleGuide& guide, float r, std::int32_t& lo, std::int32_t& hi) {
  const auto g = static_cast<std::int32_t>(r * static_cast<float>(guide.cells));
  lo = guide.edge[static_cast<std::size_t>(g)];
  const std::int32_t above = static_cast<std::int32_t>(guide.edge[static_cast<std::size_t>(g) + 1]) + 1;
  hi = above < guide.nx ? above : guide.nx;
}

}  // namespace hbook
