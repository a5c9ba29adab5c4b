// The store's look-up by id (the flat table of low ids, the pages above it,
// the hash map for the rest) against a plain map of what was booked, over
// random bookings, deletions, copies, puts and clears, with fills by id
// checked against fills of the histogram in hand.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "hbook/memory/store.h"
#include "support/consolecapture.h"
#include "support/hbookdumps.h"

namespace {

using hbook::Histogram;
using hbook::Store;
using testsupport::bitsOf;

// Ids around every boundary of the look-up, and some anywhere.
std::int32_t pickId(std::mt19937& random) {
  static const std::int32_t edges[] = {-70000, -1, 0, 1, 63, 64, 8190, 8191, 8192, 8193, 65535, 65536,
                                       std::numeric_limits<std::int32_t>::max(),
                                       std::numeric_limits<std::int32_t>::min()};
  std::uniform_int_distribution<int> what(0, 3);
  const int w = what(random);
  if (w == 0) return edges[std::uniform_int_distribution<std::size_t>(0, std::size(edges) - 1)(random)];
  if (w == 1) return std::uniform_int_distribution<std::int32_t>(1, 60)(random);
  if (w == 2) return std::uniform_int_distribution<std::int32_t>(8100, 8300)(random);
  return std::uniform_int_distribution<std::int32_t>(-100000, 100000)(random);
}

void expectLookUp(const Store& s, const std::map<std::int32_t, float>& booked, const std::vector<std::int32_t>& ids) {
  for (std::int32_t id : ids) {
    const Histogram* h = s.find(id);
    const auto it = booked.find(id);
    ASSERT_EQ(h != nullptr, it != booked.end()) << "id " << id;
    if (h) {
      EXPECT_EQ(h->id, id);
      EXPECT_EQ(bitsOf(h->xmax), bitsOf(it->second)) << "id " << id;
    }
  }
}

}  // namespace

TEST(HbookStoreLookUp, EveryIdFindsWhatWasBookedUnderIt) {
  testsupport::ConsoleCapture console;  // the refusals' messages
  std::mt19937 random(20261211);
  std::uniform_int_distribution<int> what(0, 19);
  Store s;
  std::map<std::int32_t, float> booked;  // id -> the upper edge it was booked with
  std::vector<std::int32_t> seen;
  for (int step = 0; step < 20000; ++step) {
    const std::int32_t id = pickId(random);
    seen.push_back(id);
    const int w = what(random);
    const float xmax = 1.0f + static_cast<float>(step % 97);
    if (w < 9) {
      const bool ok = s.book(id, "t", 4, 0.0f, xmax);
      EXPECT_EQ(ok, id != 0 && !booked.count(id)) << "id " << id;
      if (ok) booked[id] = xmax;
    } else if (w < 14) {
      EXPECT_EQ(s.remove(id), id == 0 || booked.count(id) > 0) << "id " << id;
      if (id == 0)
        booked.clear();
      else
        booked.erase(id);
    } else if (w < 16 && !booked.empty()) {
      // A copy of a booked histogram under id, replacing what id holds.
      const std::int32_t from = booked.begin()->first;
      if (id != 0 && s.copyRange(from, id, "c", 1, 4)) booked[id] = s.find(id)->xmax;
    } else if (w == 16) {
      Histogram h;
      h.id = id;
      h.nx = 2;
      h.xmin = 0.0f;
      h.xmax = xmax;
      h.channels.assign(4, 0.0f);
      s.put(h);
      booked[id] = xmax;
    } else if (w == 17 && step % 500 == 0) {
      s.clear();
      booked.clear();
    } else {
      // A fill by id does what a fill of the histogram in hand does.
      Histogram* h = s.find(id);
      if (h) {
        Histogram expected = *h;
        Store::fillHistogram(expected, 0.5f, 3.0f);
        s.fill(id, 0.5f, 3.0f);
        EXPECT_EQ(h->entries, expected.entries);
        EXPECT_EQ(h->channels, expected.channels);
      } else {
        s.fill(id, 0.5f, 3.0f);  // nothing, and no crash
      }
    }
    if (step % 100 == 0) {
      expectLookUp(s, booked, seen);
      if (HasFatalFailure()) return;
      EXPECT_EQ(s.size(), booked.size());
    }
  }
  expectLookUp(s, booked, seen);
}

TEST(HbookStoreLookUp, TheRunLevelStoreIsThereBeforeFirstUse) {
  // Constant-initialised: usable from anywhere, holding nothing at first
  // but what the program booked.
  Store& m = hbook::memory();
  EXPECT_EQ(&m, &hbook::memory());
  EXPECT_EQ(m.limitWords(), Store().limitWords());
}
