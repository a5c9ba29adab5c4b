// The upper-case memory entries of the package, over the run-level store.
#include <cstdint>
#include <string_view>

#include "hbook/hbook.h"
#include "hbook/memory/store.h"

// HLIMIT(words): the size of the histogram memory in 32-bit words (a
// negative value gives the size of memory set up elsewhere, as in the package).
void HLIMIT(std::int32_t words) {
  const std::int64_t size = words < 0 ? -static_cast<std::int64_t>(words) : words;
  hbook::memory().setLimit(size);
}

// HBOOK1(id, title, nx, xmin, xmax, vmx): contents are always kept as
// unpacked single-precision words, the program's VMX = 0 booking.
void HBOOK1(std::int32_t id, std::string_view title, std::int32_t nx, float xmin, float xmax,
            float /*vmx*/) {
  hbook::memory().book(id, title, nx, xmin, xmax);
}

void HF1(std::int32_t id, float x, float w) { hbook::memory().fill(id, x, w); }

float HRNDM1(std::int32_t id) { return hbook::memory().random(id); }

void HDELET(std::int32_t id) { hbook::memory().remove(id); }

// HCOPYR for 1-D histograms: the second-dimension range and the option are
// not used.
void HCOPYR(std::int32_t id1, std::int32_t id2, std::string_view title, std::int32_t ifirst,
            std::int32_t ilast, std::int32_t /*jfirst*/, std::int32_t /*jlast*/,
            std::string_view /*option*/) {
  hbook::memory().copyRange(id1, id2, title, ifirst, ilast);
}
