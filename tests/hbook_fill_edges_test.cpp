// HF1 at the upper edge of a histogram where xmax, scaled to bins in single
// precision, falls short of nx: x = xmax is still the overflow.
#include <gtest/gtest.h>

#include <cmath>

#include "hbook/memory/store.h"

TEST(HbookFillEdges, UpperEdgeNotReachedByTheWidthsIsStillTheOverflow) {
  constexpr std::int32_t NX = 230;
  constexpr float XMIN = 0.0f, XMAX = 13.1239815f;
  // The premise: (x - xmin) * nx / (xmax - xmin) at x = xmax is below nx, so
  // the bin formula alone would put xmax into bin nx.
  volatile float x = XMAX;
  const float scaled = (x - XMIN) * static_cast<float>(NX) / (XMAX - XMIN);
  ASSERT_LT(scaled, static_cast<float>(NX));

  hbook::Store store;
  ASSERT_TRUE(store.book(7, "edges", NX, XMIN, XMAX));
  store.fill(7, XMAX, 1.0f);
  const hbook::Histogram& h = *store.find(7);
  EXPECT_EQ(h.overflow(), 1.0f);
  for (int bin = 1; bin <= NX; ++bin) EXPECT_EQ(h.content(bin), 0.0f) << bin;

  // The float below xmax is in the last bin.
  store.fill(7, std::nextafter(XMAX, 0.0f), 1.0f);
  EXPECT_EQ(h.content(NX), 1.0f);
  EXPECT_EQ(h.overflow(), 1.0f);
  EXPECT_EQ(h.entries, 2);
}
