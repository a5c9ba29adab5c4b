// Two histogram memories compared field by field and bit for bit, for the
// tests that set a fast way of the store beside the plain one; a histogram
// against the package's dump of it; the ids of a memory in its order.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hbook/memory/store.h"
#include "support/hbookdumps.h"

namespace testsupport {

using hbook::Histogram;
using hbook::Store;

// Every field of a histogram, bit for bit.
inline void expectSameFields(const Histogram& e, const Histogram& h) {
  EXPECT_EQ(e.id, h.id);
  EXPECT_EQ(e.title, h.title);
  EXPECT_EQ(e.nx, h.nx);
  EXPECT_EQ(bitsOf(e.xmin), bitsOf(h.xmin));
  EXPECT_EQ(bitsOf(e.xmax), bitsOf(h.xmax));
  EXPECT_EQ(e.kbits, h.kbits);
  EXPECT_EQ(bitsOf(e.minimum), bitsOf(h.minimum));
  EXPECT_EQ(bitsOf(e.maximum), bitsOf(h.maximum));
  EXPECT_EQ(bitsOf(e.norm), bitsOf(h.norm));
  EXPECT_EQ(e.entries, h.entries);
  EXPECT_EQ(bitsOf(e.statSumW), bitsOf(h.statSumW));
  EXPECT_EQ(bitsOf(e.statSumW2), bitsOf(h.statSumW2));
  EXPECT_EQ(e.statSumWX, h.statSumWX);
  EXPECT_EQ(e.statSumWX2, h.statSumWX2);
  EXPECT_EQ(e.sumw2, h.sumw2);
  EXPECT_EQ(e.edges, h.edges);
  EXPECT_EQ(e.nbit, h.nbit);
  EXPECT_EQ(e.readFromFile, h.readFromFile);
  EXPECT_EQ(e.markedAsRead, h.markedAsRead);
  EXPECT_EQ(e.sampleGuide.nx, h.sampleGuide.nx);
  EXPECT_EQ(e.sampleGuide.cells, h.sampleGuide.cells);
  if (e.sampleGuide.nx > 0) {
    EXPECT_EQ(e.sampleGuide.edge, h.sampleGuide.edge);
  }
  ASSERT_EQ(e.channels.size(), h.channels.size());
  for (std::size_t i = 0; i < e.channels.size(); ++i)
    ASSERT_EQ(bitsOf(e.channels[i]), bitsOf(h.channels[i])) << "id " << e.id << " channel " << i;
}

inline void expectSameMemory(const Store& expected, const Store& actual, const std::string& where) {
  SCOPED_TRACE(where);
  EXPECT_EQ(expected.usedWords(), actual.usedWords());
  const std::vector<const Histogram*> a = expected.all(), b = actual.all();
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t k = 0; k < a.size(); ++k) {
    ASSERT_EQ(a[k]->id, b[k]->id) << "place " << k;
    expectSameFields(*a[k], *b[k]);
  }
}

// The ids of the histograms of s, in the memory's order.
inline std::vector<std::int32_t> idsOf(const Store& s) {
  std::vector<std::int32_t> ids;
  for (const Histogram* h : s.all()) ids.push_back(h->id);
  return ids;
}

// Every field the package's dumps show, bit for bit.
inline void expectSameHistogram(const Histogram& expected, const Histogram& actual) {
  SCOPED_TRACE("id " + std::to_string(expected.id));
  EXPECT_EQ(expected.id, actual.id);
  EXPECT_EQ(expected.title, actual.title);
  ASSERT_EQ(expected.nx, actual.nx);
  EXPECT_EQ(bitsOf(expected.xmin), bitsOf(actual.xmin));
  EXPECT_EQ(bitsOf(expected.xmax), bitsOf(actual.xmax));
  EXPECT_EQ(expected.entries, actual.entries);
  ASSERT_EQ(actual.channels.size(), static_cast<std::size_t>(actual.nx) + 2);
  for (std::size_t i = 0; i < expected.channels.size(); ++i)
    EXPECT_EQ(bitsOf(expected.channels[i]), bitsOf(actual.channels[i])) << "channel " << i;
}

}  // namespace testsupport
